#pragma once
// Printing one picture on one page. The platform's printer asks the user
// for a printer when it has a dialog to show (the window host's wx printer),
// or writes a PDF file (SgPdfPrinter). The page describes the sheet: its
// size in millimetres, its size in device pixels and the device's pixels per
// inch.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>
#include "platform/PlatformExport.h"

struct PLATFORM_API SgPrintPage {
    double widthMm = 0.0;
    double heightMm = 0.0;
    int widthPixels = 0;
    int heightPixels = 0;
    int dpiX = 0;
    int dpiY = 0;
    bool IsLandscape() const { return widthMm >= heightMm; }
};

class PLATFORM_API SgPrinter {
public:
    virtual ~SgPrinter() = default;
    // Chooses the printer and starts the job; false when the user cancelled
    // or no printer could be had (nothing is printed then). Fills the page.
    virtual bool BeginJob(const std::string &jobName, SgPrintPage &page) = 0;
    // Puts the picture (rows top first, red, green, blue bytes) at the
    // page's top left corner, one picture pixel per device pixel.
    virtual bool PrintImage(int width, int height, const std::vector<std::uint8_t> &rgb) = 0;
    // Ends the page and the job; false when the output could not be made.
    virtual bool EndJob() = 0;
    // Why the last step failed; empty otherwise.
    virtual std::string GetError() const { return {}; }
};

// The printer the platform offers; the window host installs the wx one.
// Without a factory there is no printer (null).
using SgPrinterFactory = std::function<std::unique_ptr<SgPrinter>()>;
PLATFORM_API SgPrinterFactory SgSetPrinterFactory(SgPrinterFactory factory);
PLATFORM_API std::unique_ptr<SgPrinter> SgCreatePrinter();

// The screen's pixels per inch, as the window system reports them; 96 when
// nobody says otherwise. The window host installs the real values.
PLATFORM_API void SgSetScreenDpi(int dpiX, int dpiY);
PLATFORM_API void SgGetScreenDpi(int &dpiX, int &dpiY);
