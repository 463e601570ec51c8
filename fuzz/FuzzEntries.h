#pragma once
// The code each fuzz target runs on one input. The libFuzzer programs call
// these, and so does the suite's replay test, which runs every kept input
// (corpus and regressions) through the same entry without libFuzzer.
#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzzentry {

using EntryFn = int (*)(const uint8_t *data, size_t size);

struct Entry {
    const char *name;  // also the folder of its inputs under fuzz/corpus and fuzz/regressions
    EntryFn run;
};

// Silent message boxes and file choosers, the libraries started, and a private
// working folder, so that an input that saves a file writes nowhere else.
void Start();

int SceneReader(const uint8_t *data, size_t size);
// Reads the bytes as the choices of a scene generator (nodes of the registered
// classes, their fields, DEF/USE, connections, comments, strings) and reads,
// saves, undoes and reads again the document that text makes.
int SceneGrammar(const uint8_t *data, size_t size);
// The scene text SceneGrammar makes of the bytes (to look at a kept input).
std::string SceneGrammarText(const uint8_t *data, size_t size);
// JSON lines into the scripting channel of a headless control.
int Channel(const uint8_t *data, size_t size);
// LISP text read and evaluated as a scene formula is: sandboxed, with the
// formula budgets of steps and heap.
int Lisp(const uint8_t *data, size_t size);
// The bytes as a BMP file and as a JPEG file, through the image readers.
int Images(const uint8_t *data, size_t size);

// The entries the replay test and `.ci/run` walk.
const Entry *Entries(size_t *count);

} // namespace fuzzentry
