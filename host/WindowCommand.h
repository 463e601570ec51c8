#pragma once
// fennix SCENE: the scene in a window of its own, turned with the mouse.
// Returns the process's exit status: 0 when the window was closed, 1 when
// the scene or the window could not be opened or the scene not written, 2
// for an unknown creation kind.
struct WindowOptions {
    // "sphere", "box" or "cylinder": the left button creates that shape
    // instead of turning the view.
    const char *createKind = nullptr;
    // Where the scene is written when the window closes.
    const char *savePath = nullptr;
    // External files the scene names by address are fetched (with a
    // progress dialog); scene content is untrusted, so only when asked.
    bool allowRemote = false;
    // The viewer draws the shadow frame.
    bool shadows = false;
    // The scripting channel: a Unix socket at listenPath (null: a private
    // folder of its own), its path printed on standard output.
    bool listen = false;
    const char *listenPath = nullptr;
    // The channel's lines on standard input and output.
    bool stdio = false;
};
int RunWindowCommand(int argc, char **argv, const char *scenePath, const WindowOptions &options);

// The window and everything that sees the toolkit live in a module of their
// own (host/window, built as libfennix_window.so beside the program's
// libraries). RunWindowCommand loads it on demand, so the headless commands
// never map the toolkit's libraries. The module's one entry point:
extern "C" int FennixRunWindowCommand(int argc, char **argv, const char *scenePath, const WindowOptions *options);
using FennixWindowEntry = int (*)(int, char **, const char *, const WindowOptions *);
inline constexpr const char *kWindowModuleName = "libfennix_window.so";
inline constexpr const char *kWindowModuleEntry = "FennixRunWindowCommand";
