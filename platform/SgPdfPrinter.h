#pragma once
// A printer that writes its one page as a PDF file: the page size and
// resolution are given, the picture becomes an image at the page's top left
// corner, one picture pixel per device pixel.
#include "platform/SgPrinter.h"
#include "platform/PlatformExport.h"

class PLATFORM_API SgPdfPrinter : public SgPrinter {
public:
    SgPdfPrinter(std::string path, double widthMm, double heightMm, int dpi);

    bool BeginJob(const std::string &jobName, SgPrintPage &page) override;
    bool PrintImage(int width, int height, const std::vector<std::uint8_t> &rgb) override;
    // Writes the file (under a temporary name, renamed into place).
    bool EndJob() override;
    std::string GetError() const override { return m_error; }

private:
    std::string m_path;
    std::string m_title;
    SgPrintPage m_page;
    int m_imageWidth = 0;
    int m_imageHeight = 0;
    std::vector<std::uint8_t> m_rgb;
    std::string m_error;
};
