#pragma once
// `fennix --lisp [FILE]`: evaluates each expression of the file (or of
// standard input when file is null) at top level and prints its value on a
// line of its own, the interpreter's messages interleaved as they come.
// Returns the process exit status: 0, or 1 when the file cannot be opened or
// a syntax error ends the reading.
int RunLispCommand(const char *file);
