#pragma once
// fennix SCENE: the scene in a window of its own, turned with the mouse.
// Returns the process's exit status: 0 when the window was closed, 1 when
// the scene or the window could not be opened.
int RunWindowCommand(int argc, char **argv, const char *scenePath);
