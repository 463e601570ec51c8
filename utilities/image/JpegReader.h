#pragma once
#include "utilities/BrannicExport.h"
// The JPEG decoder behind ImageRead. Fatal decoder errors, and the data losses
// the decoder would only warn about (a truncated or damaged picture), are
// shown to the user and make the read fail.

// 3-byte pixels red, green, blue, the top row first, array-new'd; null on any
// failure, the outputs then untouched.
BRANNIC_API unsigned char *ReadJpeg(const char *path, int *width, int *height);
