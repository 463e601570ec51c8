#pragma once
// Snapshots of a viewer: its scene drawn at any size into a 24-bit
// device-independent bitmap of its own (a separate offscreen context, so the
// viewer's own context and size are left as they were), handed to a
// consumer; SaveBmp writes the bitmap as a BMP file.
//
//   std::ofstream out("view.bmp", std::ios::binary);
//   BmpUtils::SaveBmp(viewer, 640, 480, out);
#include <cstdint>
#include <iosfwd>
#include <vector>
#include "engine/core/NodaraExport.h"

class SgViewer;

// The bitmap info header as a BMP file stores it (40 bytes).
struct NODARA_API BmpInfoHeader {
    std::uint32_t size = 40;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint16_t planes = 1;
    std::uint16_t bitCount = 24;
    std::uint32_t compression = 0; // BI_RGB
    std::uint32_t sizeImage = 0;
    std::int32_t xPelsPerMeter = 0;
    std::int32_t yPelsPerMeter = 0;
    std::uint32_t clrUsed = 0;
    std::uint32_t clrImportant = 0;
};

// A bottom-up bitmap: rows of blue, green, red bytes padded to 4 bytes.
struct NODARA_API BmpImage {
    BmpInfoHeader header;
    std::vector<std::uint8_t> pixels;

    int BytesPerRow() const { return ((header.width * header.bitCount + 31) / 32) * 4; }
};

class NODARA_API BmpUtils {
public:
    // The largest side a snapshot may have (the offscreen surface's limit).
    static int MaxSide();

    using Consumer = int (*)(const BmpImage &bitmap, void *user);
    // Draws the viewer's scene at width x height (all anti-aliasing passes)
    // and calls `consume`. False without a viewer, for a size outside 1 to
    // MaxSide(), when no context can be made or when a traversal of the
    // scene failed (the viewer's GetPrintError() says why); the consumer is
    // not called then. Otherwise whether the consumer returned non-zero. The context that
    // was current before is current again afterwards.
    static bool DrawToBuffer(SgViewer *viewer, int width, int height, Consumer consume, void *user);
    // DrawToBuffer with the BMP writer.
    static bool SaveBmp(SgViewer *viewer, int width, int height, std::ostream &out);
    // DrawToBuffer with the PNG writer (utilities/image/PngWriter.h).
    static bool SavePng(SgViewer *viewer, int width, int height, std::ostream &out);
    // Writes one bitmap as a BMP file; 1 when written, 0 for an empty one.
    static int WriteBmp(const BmpImage &bitmap, std::ostream &out);

    // Palette helpers of an info header.
    static int ColorCount(const BmpInfoHeader &header);
    static int ColorTableSize(const BmpInfoHeader &header);
};
