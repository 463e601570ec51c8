#pragma once
#include "utilities/BrannicExport.h"
// The BMP decoder behind ImageRead: uncompressed files of 1, 4, 8, 24 and 32
// bits per pixel with a bottom-up picture and a 40-byte (or longer) info
// header. Everything else is refused.

// 3-byte pixels red, green, blue, the top row first, array-new'd; null on any
// failure, the outputs then untouched.
BRANNIC_API unsigned char *ReadBmp(const char *path, int *width, int *height);
