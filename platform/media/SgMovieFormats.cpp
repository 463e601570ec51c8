// The formats' names, extensions and picture sizes: what the movie writer
// answers without the encoding libraries. Built into the writer that
// programs link and into the encoder module, whose class is named
// SgMovieEncoder there (platform/CMakeLists.txt).
#include "platform/media/SgMovieWriter.h"

#include <iterator>

namespace {

struct MovieFormatNames {
    const char *name;
    const char *extension;
};

// By number, kAvi first.
constexpr MovieFormatNames kMovieFormatNames[] = {{"AVI", "avi"}, {"3GP", "3gp"}, {"MPG", "mpg"}, {"FLV", "flv"},
                                                  {"WMV", "wmv"}, {"MOV", "mov"}, {"GIF", "gif"}};

const MovieFormatNames *FindMovieFormatNames(int format)
{
    const int index = format - SgMovieWriter::kAvi;
    if (index < 0 || index >= int(std::size(kMovieFormatNames)))
        return nullptr;
    return &kMovieFormatNames[index];
}

} // namespace

const char *SgMovieWriter::FormatName(int format)
{
    const MovieFormatNames *info = FindMovieFormatNames(format);
    return info ? info->name : nullptr;
}

const char *SgMovieWriter::FormatExtension(int format)
{
    const MovieFormatNames *info = FindMovieFormatNames(format);
    return info ? info->extension : nullptr;
}

void SgMovieWriter::FrameSize(int format, int width, int height, int &outWidth, int &outHeight)
{
    if (format == k3gp) {
        // The phone format's picture is always the quarter CIF.
        outWidth = 176;
        outHeight = 144;
        return;
    }
    outWidth = width + (width & 1);
    outHeight = height + (height & 1);
}
