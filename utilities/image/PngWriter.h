#pragma once
// Writing a picture as a PNG file: 8-bit RGB, no interlacing, the image data
// deflated with zlib. Pictures of the renderer leave it as BMP or as PNG,
// whichever the file's name asks for.
#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include "utilities/BrannicExport.h"

// Writes `height` rows of `width` pixels, each blue, green, red (the layout
// of a 24-bit bitmap), the bottom row first, consecutive rows `rowBytes`
// apart. False for an empty picture, rows too short for the width, or a
// stream that failed; nothing is promised about what was written then.
BRANNIC_API bool WritePngFromBgrBottomUp(std::ostream &out, int width, int height, const std::uint8_t *pixels,
                             std::size_t rowBytes);
