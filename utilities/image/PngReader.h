#pragma once
// The PNG decoder behind ImageRead: every colour type and bit depth of the
// format (grey, true colour, palette, with or without alpha, 1 to 16 bits),
// plain or interlaced. Alpha is dropped and 16-bit samples keep their high
// byte: textures take three bytes a pixel. Every chunk's check sum is
// verified; a file that breaks the format in any way is refused with a
// reason, before more memory than its picture needs is taken.
#include <cstddef>
#include <string>
#include "utilities/BrannicExport.h"

// 3-byte pixels red, green, blue, the top row first, array-new'd; null on any
// failure, the size outputs then untouched and `error` (when not null) set
// to why.
BRANNIC_API unsigned char *DecodePng(const unsigned char *data, std::size_t size, int *width, int *height,
                         std::string *error = nullptr);
BRANNIC_API unsigned char *ReadPng(const char *path, int *width, int *height, std::string *error = nullptr);
