#pragma once
// Prints the picture of one viewer: a printer is asked for (the platform's,
// or the one given), the scene is drawn off screen at the size the page
// calls for, and the picture goes onto the page at its top left corner. On
// a landscape page the picture takes the page's full height, on a portrait
// page its full width, keeping the window's proportion as the screen shows
// it.
#include <string>

#include "platform/SgPrinter.h"
#include "engine/core/NodaraExport.h"

class SgViewer;

class NODARA_API SgPrint {
public:
    static constexpr const char *kJobName = "Korvel printing job";

    explicit SgPrint(SgViewer *viewer) : m_viewer(viewer) {}

    // The picture's size in device pixels for a window of w x h pixels.
    static void PictureSize(const SgPrintPage &page, int screenDpiX, int screenDpiY, int windowWidth,
                            int windowHeight, int &width, int &height);

    // Shrinks a picture that leaves the page or passes the offscreen
    // surface's side limit, both sides by the same factor.
    static void FitPicture(const SgPrintPage &page, int maxSide, int &width, int &height);

    // With the platform's printer when none is given. False when the user
    // cancelled, there is no printer or viewer, or the picture or the
    // output could not be made (GetError says why).
    bool Print(SgPrinter *printer = nullptr);
    const std::string &GetError() const { return m_error; }

private:
    SgViewer *m_viewer;
    std::string m_error;
};
