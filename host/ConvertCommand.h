#pragma once
// fennix --convert IN OUT: reads a scene file and writes it as scene text.

// Prints the reader's messages to standard error. Returns 0 when OUT was
// written; otherwise 1 with a one-line error, and OUT is left as it was.
int RunConvertCommand(const char *inPath, const char *outPath);
