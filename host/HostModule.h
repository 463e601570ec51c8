#pragma once
// The program's modules lie beside its libraries (bin/../lib in the build
// tree and in an installed tree) and are loaded with dlopen only by the
// commands that use them, so the other commands never map what they link:
// the window (libfennix_window.so: the toolkit) and the control's commands
// (libfennix_control.so: the control and the facade).

// The entry point `entryName` of the module `moduleName` loaded with dlopen
// `flags`, or null after a one-line error on standard error. The module stays
// loaded until the process ends.
void *FindHostModuleEntry(const char *moduleName, const char *entryName, int flags);
