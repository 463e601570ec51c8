#pragma once
// fennix --render IN --out FILE.bmp [--size WxH] [--aa N] [--shadows]: opens a
// scene in a document, draws it offscreen through a windowless viewer in one
// pass (N accumulated anti-aliasing passes with --aa; the shadow frame, one
// pass, with --shadows) and saves the picture as a 24-bit BMP. A scene
// without a saved view is framed whole.

// Reads "WxH" (two positive whole numbers no larger than the offscreen
// limit); false for anything else.
bool ParseRenderSize(const char *text, int &width, int &height);

// Returns 0 when FILE.bmp was written and prints where; otherwise 1 with a
// one-line error on standard error, and no file is left behind.
int RunRenderCommand(const char *inPath, const char *outPath, int width, int height, int passes = 1,
                     bool allowRemote = false, bool shadows = false);

// The argument list after "--render"; 2 with a usage line when it is wrong.
int RunRenderCommandLine(int argc, char **argv);
