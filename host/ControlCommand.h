#pragma once
// The control's headless commands.
// fennix --describe: the dispatch table (methods, properties, events with
// their ids and types) as JSON on standard output. The text is written into
// the program when it is built, so this maps no control library.
int RunDescribeCommand();
// fennix --stdio [SCENE]: the control without a window, spoken to in JSON
// lines on standard input and output until input ends. StartSession is the
// first line out.
int RunStdioCommand(const char *scenePath);
// fennix --register / --unregister: the desktop entry and the scene MIME
// type under $XDG_DATA_HOME; a failure says which step failed, status 1.
int RunRegisterCommand(bool install);

// --stdio and --register need the control (and the facade it owns): they live
// in a module of their own (host/control, libfennix_control.so) that the
// program loads for them. Its entry points:
extern "C" int FennixRunStdioCommand(const char *scenePath);
extern "C" int FennixRunRegisterCommand(int install);
using FennixStdioEntry = int (*)(const char *);
using FennixRegisterEntry = int (*)(int);
inline constexpr const char *kControlModuleName = "libfennix_control.so";
inline constexpr const char *kStdioEntry = "FennixRunStdioCommand";
inline constexpr const char *kRegisterEntry = "FennixRunRegisterCommand";

// The dispatch table's JSON, written at build time (host/describe).
extern const char kFennixDescribeJson[];
extern const unsigned long kFennixDescribeJsonSize;
