// The bytes as a picture file of each kind the readers take, read as a
// texture and a thumbnail are: plain, widened to four bytes a pixel, and
// fitted into a side (the scaling that needs a GL context is left out).
#include <cstdio>
#include <string>

#include "fuzz/FuzzEntries.h"
#include "utilities/image/ImageRead.h"

namespace fuzzentry {

int Images(const uint8_t *data, size_t size)
{
    Start();
    for (const char *name : {"fuzz-image.bmp", "fuzz-image.jpg", "fuzz-image.png"}) {
        FILE *file = std::fopen(name, "wb");
        if (!file)
            return 0;
        // An empty input comes as a null pointer.
        if (size > 0)
            std::fwrite(data, 1, size, file);
        std::fclose(file);
        int width = 0, height = 0;
        ImageFree(ImageRead(name, &width, &height, 0));
        ImageFree(ImageRead(name, &width, &height, 1));
        long fileWidth = 0, fileHeight = 0;
        ImageFree(ReadImageWithScale(64, 32, name, &fileWidth, &fileHeight, 1));
    }
    return 0;
}

} // namespace fuzzentry
