#pragma once
// The control's headless commands.
// fennix --describe: the dispatch table (methods, properties, events with
// their ids and types) as JSON on standard output.
int RunDescribeCommand();
// fennix --stdio [SCENE]: the control without a window, spoken to in JSON
// lines on standard input and output until input ends. StartSession is the
// first line out.
int RunStdioCommand(const char *scenePath);
// fennix --register / --unregister: the desktop entry and the scene MIME
// type under $XDG_DATA_HOME; a failure says which step failed, status 1.
int RunRegisterCommand(bool install);
