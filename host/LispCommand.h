#pragma once
// `fennix --lisp [--steps N] [--heap BYTES] [FILE]`: evaluates each expression
// of the file (or of standard input when there is none) at top level and
// prints its value on a line of its own, the interpreter's messages
// interleaved as they come; the output is flushed after each value.
//
// A syntax error is reported (the reader's message, and a line on standard
// error) and reading goes on with the next expression. No top-level
// evaluation has a step limit unless --steps gives one; --heap sets the cap
// of the interpreter's heap.
//
// Returns the process exit status: 0; 1 when the file cannot be opened or
// read (a folder cannot) or when a syntax error was met.
int RunLispCommand(const char *file);

// The argument list after "--lisp"; 2 with a usage line when it is wrong.
int RunLispCommandLine(int argc, char **argv);
