#pragma once
// What the headless commands and the window share about the scene file they
// were given; built into both the program and the window module.
#include <string>

class SgDocument;

// Textures a scene names by a relative path are looked for beside the scene
// file, as its external files are, wherever the program was started.
void FindTexturesBesideScene(SgDocument *document, const char *scenePath);

// Whether a file can be made at `path`: its folder exists, is a folder and
// may be written in. `why` says what stands in the way otherwise. The file
// itself is not made.
bool CanWriteInFolderOf(const char *path, std::string &why);
