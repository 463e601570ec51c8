#pragma once
// Where the process's GL calls go.
//
// This library defines every GL function of the installed headers, and the
// programs link it ahead of the GL libraries, so that every GL call (ours and
// GLU's) goes through its table. Until a source is set the table points at
// the window-system GL library; the offscreen context sets its own library
// as the source when it first loads it. That library is large (it brings in
// a compiler for its shaders), and a process that never draws offscreen
// (a conversion, a benchmark of the solid kernel) thus never maps it.
namespace GLEntry {

// Gives the address of a GL function by its name, or null.
using Lookup = void *(*)(const char *name);

// Every GL call from now on goes to what `lookup` gives for its name, or to
// the window-system library where it gives null. Null restores the default.
void SetSource(Lookup lookup);

// The function a call of the named GL entry point reaches now; null for a
// name this library does not define.
void *Target(const char *name);

// The window-system GL library's function of that name, or null.
void *WindowSystemFunction(const char *name);

} // namespace GLEntry
