#pragma once
// fennix --convert IN OUT: opens a scene (a file, an http or https address,
// or a cabinet holding one) in a document and saves it as scene text with the
// sections that follow the scene.

// The reader's messages go to standard error. Returns 0 when OUT was written;
// otherwise 1 with a one-line error, and OUT is left as it was.
int RunConvertCommand(const char *inPath, const char *outPath);
