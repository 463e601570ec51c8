#include "platform/SgPdfPrinter.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <new>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#include <zlib.h>

namespace {

constexpr double kMmPerInch = 25.4;
constexpr double kPointsPerInch = 72.0;

// A PDF text string: the characters that end or escape one are escaped.
std::string PdfString(const std::string &text)
{
    std::string out = "(";
    for (char c : text) {
        if (c == '(' || c == ')' || c == '\\')
            out += '\\';
        out += (static_cast<unsigned char>(c) < 32) ? ' ' : c;
    }
    return out + ")";
}

// The image's pixels as a zlib stream, which a PDF reader inflates with
// /FlateDecode: a page picture is mostly flat colour.
bool Deflate(const std::vector<std::uint8_t> &raw, std::string &out)
{
    uLongf size = compressBound(uLong(raw.size()));
    try {
        out.resize(size);
    } catch (const std::bad_alloc &) {
        return false;
    }
    if (compress2(reinterpret_cast<Bytef *>(out.data()), &size, raw.data(), uLong(raw.size()), Z_DEFAULT_COMPRESSION) !=
        Z_OK)
        return false;
    out.resize(size);
    return true;
}

} // namespace

SgPdfPrinter::SgPdfPrinter(std::string path, double widthMm, double heightMm, int dpi) : m_path(std::move(path))
{
    m_page.widthMm = widthMm;
    m_page.heightMm = heightMm;
    m_page.dpiX = m_page.dpiY = dpi;
    m_page.widthPixels = int(widthMm / kMmPerInch * dpi);
    m_page.heightPixels = int(heightMm / kMmPerInch * dpi);
}

bool SgPdfPrinter::BeginJob(const std::string &jobName, SgPrintPage &page)
{
    if (m_path.empty() || m_page.widthPixels < 1 || m_page.heightPixels < 1 || m_page.dpiX < 1) {
        m_error = "no page to print on";
        return false;
    }
    m_title = jobName;
    page = m_page;
    return true;
}

bool SgPdfPrinter::PrintImage(int width, int height, const std::vector<std::uint8_t> &rgb)
{
    if (width < 1 || height < 1 || rgb.size() != size_t(width) * size_t(height) * 3) {
        m_error = "the picture's pixels do not match its size";
        return false;
    }
    m_imageWidth = width;
    m_imageHeight = height;
    m_rgb = rgb;
    return true;
}

bool SgPdfPrinter::EndJob()
{
    const double pageW = m_page.widthMm / kMmPerInch * kPointsPerInch;
    const double pageH = m_page.heightMm / kMmPerInch * kPointsPerInch;
    const double scaleX = kPointsPerInch / m_page.dpiX;
    const double scaleY = kPointsPerInch / m_page.dpiY;
    const double imageW = m_imageWidth * scaleX;
    const double imageH = m_imageHeight * scaleY;

    std::ostringstream content;
    content.setf(std::ios::fixed);
    content.precision(4);
    if (m_imageWidth > 0)
        content << "q " << imageW << " 0 0 " << imageH << " 0 " << (pageH - imageH) << " cm /Im0 Do Q\n";
    const std::string drawing = content.str();

    std::string pdf = "%PDF-1.4\n%\xe2\xe3\xcf\xd3\n";
    std::vector<size_t> offsets;
    auto object = [&](const std::string &body) {
        offsets.push_back(pdf.size());
        pdf += std::to_string(offsets.size()) + " 0 obj\n" + body + "\nendobj\n";
    };
    std::ostringstream page;
    page.setf(std::ios::fixed);
    page.precision(4);
    page << "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " << pageW << " " << pageH
         << "] /Resources << /XObject << /Im0 5 0 R >> >> /Contents 4 0 R >>";
    object("<< /Type /Catalog /Pages 2 0 R >>");
    object("<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
    object(page.str());
    object("<< /Length " + std::to_string(drawing.size()) + " >>\nstream\n" + drawing + "endstream");
    const int w = std::max(m_imageWidth, 1), h = std::max(m_imageHeight, 1);
    std::string pixels;
    if (m_imageWidth > 0) {
        if (!Deflate(m_rgb, pixels)) {
            m_error = "the picture could not be compressed";
            return false;
        }
        // The raw pixels are not needed any more: a large print holds one copy.
        std::vector<std::uint8_t>().swap(m_rgb);
    } else {
        const std::vector<std::uint8_t> white(3, 0xff);
        Deflate(white, pixels);
    }
    object("<< /Type /XObject /Subtype /Image /Width " + std::to_string(w) + " /Height " + std::to_string(h) +
           " /ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter /FlateDecode /Length " +
           std::to_string(pixels.size()) + " >>\nstream\n" + pixels + "\nendstream");
    object("<< /Title " + PdfString(m_title) + " >>");
    const size_t xref = pdf.size();
    pdf += "xref\n0 " + std::to_string(offsets.size() + 1) + "\n0000000000 65535 f \n";
    for (size_t at : offsets) {
        char line[24];
        std::snprintf(line, sizeof line, "%010zu 00000 n \n", at);
        pdf += line;
    }
    pdf += "trailer\n<< /Size " + std::to_string(offsets.size() + 1) + " /Root 1 0 R /Info " +
           std::to_string(offsets.size()) + " 0 R >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";

    const std::string partial = m_path + ".partial";
    {
        std::ofstream out(partial, std::ios::binary | std::ios::trunc);
        out.write(pdf.data(), std::streamsize(pdf.size()));
        out.close();
        if (!out) {
            std::error_code ignored;
            std::filesystem::remove(partial, ignored);
            m_error = "cannot write " + m_path;
            return false;
        }
    }
    std::error_code error;
    std::filesystem::rename(partial, m_path, error);
    if (error) {
        std::filesystem::remove(partial, error);
        m_error = "cannot write " + m_path;
        return false;
    }
    return true;
}
