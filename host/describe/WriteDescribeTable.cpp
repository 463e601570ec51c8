// Build-time tool: writes the control's dispatch table (fennix --describe) as
// a C++ source of bytes, so that the program prints it without mapping the
// control library.
//   fennix_describe_writer OUT.cpp
#include <cstdio>
#include <string>

#include "control/FennixDispatch.h"

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: fennix_describe_writer OUT.cpp\n");
        return 2;
    }
    const std::string text = fennix::DescribeJson();
    std::FILE *out = std::fopen(argv[1], "w");
    if (!out) {
        std::perror(argv[1]);
        return 1;
    }
    std::fprintf(out, "// Written by fennix_describe_writer from the control's dispatch table.\n");
    std::fprintf(out, "extern const char kFennixDescribeJson[] = {");
    for (std::size_t i = 0; i < text.size(); ++i)
        std::fprintf(out, "%s%d,", i % 24 == 0 ? "\n" : "", int(static_cast<unsigned char>(text[i])));
    std::fprintf(out, "\n0};\nextern const unsigned long kFennixDescribeJsonSize = %zu;\n", text.size());
    const bool written = std::fclose(out) == 0;
    return written ? 0 : 1;
}
