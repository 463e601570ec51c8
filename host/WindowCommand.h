#pragma once
// fennix SCENE: the scene in a window of its own, turned with the mouse.
// With a creation kind ("sphere", "box", "cylinder") the left button creates
// that shape instead; with a save path the scene is written there when the
// window closes. Returns the process's exit status: 0 when the window was
// closed, 1 when the scene or the window could not be opened or the scene
// not written, 2 for an unknown creation kind.
int RunWindowCommand(int argc, char **argv, const char *scenePath, const char *createKind = nullptr,
                     const char *savePath = nullptr);
