#include "engine/viewer/SgPrint.h"

#include <algorithm>
#include <limits>
#include <memory>
#include <vector>

#include "engine/viewer/BmpUtils.h"
#include "engine/viewer/SgViewer.h"
#include "platform/SgDiagnostics.h"

namespace {

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;
};

// The bottom-up blue-green-red rows of a snapshot as top-down red-green-blue.
int TakePicture(const BmpImage &bitmap, void *user)
{
    auto *picture = static_cast<Picture *>(user);
    const int width = bitmap.header.width;
    const int height = bitmap.header.height;
    const int row = bitmap.BytesPerRow();
    if (width < 1 || height < 1 || bitmap.pixels.size() < size_t(row) * size_t(height))
        return 0;
    picture->width = width;
    picture->height = height;
    picture->rgb.resize(size_t(width) * size_t(height) * 3);
    for (int y = 0; y < height; ++y) {
        const std::uint8_t *from = bitmap.pixels.data() + size_t(height - 1 - y) * size_t(row);
        std::uint8_t *to = picture->rgb.data() + size_t(y) * size_t(width) * 3;
        for (int x = 0; x < width; ++x) {
            to[3 * x] = from[3 * x + 2];
            to[3 * x + 1] = from[3 * x + 1];
            to[3 * x + 2] = from[3 * x];
        }
    }
    return 1;
}

} // namespace

void SgPrint::PictureSize(const SgPrintPage &page, int screenDpiX, int screenDpiY, int windowWidth,
                          int windowHeight, int &width, int &height)
{
    width = height = 0;
    if (windowWidth < 1 || windowHeight < 1 || screenDpiX < 1 || screenDpiY < 1 || page.dpiX < 1 || page.dpiY < 1)
        return;
    double other = 0;
    if (page.IsLandscape()) {
        height = page.heightPixels;
        other = double(windowWidth) * page.heightPixels * screenDpiY * page.dpiX /
                (double(windowHeight) * screenDpiX * page.dpiY);
    } else {
        width = page.widthPixels;
        other = double(windowHeight) * page.widthPixels * screenDpiX * page.dpiY /
                (double(windowWidth) * screenDpiY * page.dpiX);
    }
    // A window of an extreme proportion gives a side below one pixel (or past
    // what a size holds, which the fit to the page shrinks afterwards).
    const int side = int(std::clamp(other, 1.0, double(std::numeric_limits<int>::max())));
    if (other < 1.0)
        SgDiagWarning("Print", "a window of %d x %d gives a picture side of %g pixels; it is printed 1 pixel %s",
                      windowWidth, windowHeight, other, page.IsLandscape() ? "wide" : "high");
    (page.IsLandscape() ? width : height) = side;
}

void SgPrint::FitPicture(const SgPrintPage &page, int maxSide, int &width, int &height)
{
    if (width < 1 || height < 1)
        return;
    // Both sides shrink by one factor, so that the picture keeps the window's
    // proportion however it meets the page's edges.
    const double fit = std::min({1.0, double(page.widthPixels) / width, double(page.heightPixels) / height,
                                 double(maxSide) / width, double(maxSide) / height});
    if (fit < 1.0) {
        width = std::max(1, int(width * fit));
        height = std::max(1, int(height * fit));
    }
}

bool SgPrint::Print(SgPrinter *printer)
{
    m_error.clear();
    std::unique_ptr<SgPrinter> own;
    if (!printer) {
        own = SgCreatePrinter();
        printer = own.get();
    }
    if (!printer) {
        m_error = "there is no printer";
        return false;
    }
    if (!m_viewer) {
        m_error = "there is no viewer to print";
        return false;
    }
    SgPrintPage page;
    if (!printer->BeginJob(kJobName, page)) {
        m_error = printer->GetError();
        return false;
    }
    int screenDpiX = 96, screenDpiY = 96;
    SgGetScreenDpi(screenDpiX, screenDpiY);
    int width = 0, height = 0;
    PictureSize(page, screenDpiX, screenDpiY, m_viewer->GetWidth(), m_viewer->GetHeight(), width, height);
    FitPicture(page, BmpUtils::MaxSide(), width, height);
    Picture picture;
    if (width < 1 || height < 1 || !BmpUtils::DrawToBuffer(m_viewer, width, height, &TakePicture, &picture)) {
        // The job is left unfinished: no empty page comes out.
        m_error = m_viewer->GetPrintError().empty() ? "the picture could not be drawn" : m_viewer->GetPrintError();
        return false;
    }
    if (!printer->PrintImage(picture.width, picture.height, picture.rgb) || !printer->EndJob()) {
        m_error = printer->GetError();
        return false;
    }
    return true;
}
