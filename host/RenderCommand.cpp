#include "host/RenderCommand.h"

#include "host/common/SceneFolder.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <new>
#include <string>
#include <system_error>

#include "engine/SgNodara.h"
#include "solids/Solvane.h"
#include "engine/viewer/BmpUtils.h"
#include "engine/document/SgDocument.h"
#include "engine/document/SgDocumentFiles.h"
#include "engine/render/SgTextureManager.h"
#include "engine/viewer/SgViewer.h"
#include "engine/render/SgViewport.h"

namespace {

constexpr int kDefaultWidth = 640;
constexpr int kDefaultHeight = 480;
// Accumulated anti-aliasing takes up to this many passes.
constexpr int kMaxPasses = 16;
// The scene fills this share of the picture's height when it is framed.
constexpr double kFrameFactor = 1.1;

constexpr char kRenderUsage[] =
    "usage: fennix --render IN --out FILE.bmp|FILE.png [--size WxH] [--aa N] [--shadows] [--allow-remote]\n";

enum class PictureFormat { Bmp, Png, Unknown };

// The picture's format follows the name's extension, in any case.
PictureFormat PictureFormatOf(const char *path)
{
    std::string extension = std::filesystem::path(path).extension().string();
    for (char &c : extension)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (extension == ".bmp")
        return PictureFormat::Bmp;
    if (extension == ".png")
        return PictureFormat::Png;
    return PictureFormat::Unknown;
}

struct DocumentDeleter {
    void operator()(SgDocument *document) const { SgDocument::Destroy(document); }
};

bool ParseSide(const std::string &text, int &value)
{
    if (text.empty() || text.size() > 6)
        return false;
    int result = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        result = result * 10 + (c - '0');
    }
    if (result < 1 || result > BmpUtils::MaxSide())
        return false;
    value = result;
    return true;
}

} // namespace

bool ParseRenderSize(const char *text, int &width, int &height)
{
    if (!text)
        return false;
    const std::string size(text);
    const size_t x = size.find_first_of("xX");
    if (x == std::string::npos)
        return false;
    int w = 0;
    int h = 0;
    if (!ParseSide(size.substr(0, x), w) || !ParseSide(size.substr(x + 1), h))
        return false;
    if (static_cast<long long>(w) * h > kMaxRenderPixels)
        return false;
    width = w;
    height = h;
    return true;
}

int RunRenderCommand(const char *inPath, const char *outPath, int width, int height, int passes, bool allowRemote,
                     bool shadows)
{
    SgNodara::Init();
    solvane::Solvane::Init();  // the solid classes, so scenes with solids read and draw
    std::unique_ptr<SgDocument, DocumentDeleter> document(SgDocument::Create());
    if (!document) {
        std::fprintf(stderr, "fennix: no document could be made\n");
        return 1;
    }
    document->SetTextureMngrFactory(&SgTextureManager::DocumentFactory);
    FindTexturesBesideScene(document.get(), inPath);
    // External files named by an address are fetched only when asked for.
    document->SetRemoteContentAllowed(allowRemote);
    // The viewer exists before the file is read, so that a saved view is
    // handed to it.
    std::unique_ptr<SgViewer> viewer(document->CreateDefaultViewer(nullptr, nullptr));
    viewer->SetSize(width, height);
    // One pass unless anti-aliasing was asked for: the whole run is the
    // reading plus one frame.
    viewer->SetPassCount(passes);
    viewer->SetShadowed(shadows);
    SgSeparator *defaultView = viewer->GetViewport(0)->GetNodara();

    const int read = document->OpenFile(inPath, true);
    if (read != SgDocumentFiles::kReadDone) {
        std::fprintf(stderr, "fennix: %s %s\n", inPath, SgDocumentFiles::Describe(read));
        return 1;
    }
    if (viewer->GetViewport(0)->GetNodara() == defaultView)
        viewer->GetViewport(0)->Focus(nullptr, kFrameFactor);

    // Written beside the target and moved over it once complete: a failed
    // render never leaves half a picture.
    const std::string partial = std::string(outPath) + ".partial";
    bool drawn = false;
    bool outOfMemory = false;
    {
        std::ofstream out(partial, std::ios::binary | std::ios::trunc);
        if (!out) {
            std::fprintf(stderr, "fennix: %s could not be written\n", outPath);
            return 1;
        }
        try {
            drawn = PictureFormatOf(outPath) == PictureFormat::Png ? BmpUtils::SavePng(viewer.get(), width, height, out)
                                                                   : BmpUtils::SaveBmp(viewer.get(), width, height, out);
        } catch (const std::bad_alloc &) {
            // The picture's buffers did not fit in the memory there is.
            drawn = false;
            outOfMemory = true;
        }
        out.close();
        drawn = drawn && out.good();
    }
    std::error_code error;
    if (!drawn) {
        std::filesystem::remove(partial, error);
        const std::string why = outOfMemory ? std::string("not enough memory for a picture of that size")
                                            : viewer->GetPrintError();
        std::fprintf(stderr, "fennix: the scene could not be drawn into %s%s%s\n", outPath,
                     why.empty() ? "" : ": ", why.c_str());
        return 1;
    }
    std::filesystem::rename(partial, outPath, error);
    if (error) {
        std::filesystem::remove(partial, error);
        std::fprintf(stderr, "fennix: %s could not be written\n", outPath);
        return 1;
    }
    const int drawnPasses = shadows ? 1 : viewer->GetPassCount();
    std::printf("wrote %s (%d x %d, %d %s%s)\n", outPath, width, height, drawnPasses, drawnPasses == 1 ? "pass" : "passes",
                shadows ? ", shadows" : "");
    return 0;
}

int RunRenderCommandLine(int argc, char **argv)
{
    const char *in = nullptr;
    const char *out = nullptr;
    int width = kDefaultWidth;
    int height = kDefaultHeight;
    int passes = 1;
    bool allowRemote = false;
    bool shadows = false;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--allow-remote") == 0) {
            allowRemote = true;
        } else if (std::strcmp(argv[i], "--shadows") == 0) {
            shadows = true;
        } else if (std::strcmp(argv[i], "--out") == 0 && i + 1 < argc) {
            out = argv[++i];
        } else if (std::strcmp(argv[i], "--size") == 0 && i + 1 < argc) {
            if (!ParseRenderSize(argv[++i], width, height)) {
                std::fprintf(stderr, "fennix: --size takes WxH, each side 1 to %d pixels and %lld pixels in all\n",
                             BmpUtils::MaxSide(), kMaxRenderPixels);
                return 2;
            }
        } else if (std::strcmp(argv[i], "--aa") == 0 && i + 1 < argc) {
            if (!ParseSide(argv[++i], passes) || passes > kMaxPasses) {
                std::fprintf(stderr, "fennix: --aa takes a number of passes from 1 to %d\n", kMaxPasses);
                return 2;
            }
        } else if (!in && argv[i][0] != '-') {
            in = argv[i];
        } else {
            std::fprintf(stderr, "fennix: %s %s\n", argv[i][0] == '-' ? "unknown or incomplete option" : "unexpected argument",
                         argv[i]);
            std::fprintf(stderr, "%s", kRenderUsage);
            return 2;
        }
    }
    if (!in || !out) {
        std::fprintf(stderr, "fennix: --render needs %s\n", !in ? "a scene file" : "--out FILE");
        std::fprintf(stderr, "%s", kRenderUsage);
        return 2;
    }
    if (PictureFormatOf(out) == PictureFormat::Unknown) {
        std::fprintf(stderr, "fennix: --out %s: the picture is written as .bmp or .png; name the file so\n", out);
        return 2;
    }
    if (shadows && passes > 1) {
        std::fprintf(stderr, "fennix: --shadows draws one pass; it does not go with --aa\n");
        return 2;
    }
    try {
        return RunRenderCommand(in, out, width, height, passes, allowRemote, shadows);
    } catch (const std::bad_alloc &) {
        std::fprintf(stderr, "fennix: not enough memory to draw %s at %d x %d pixels\n", in, width, height);
        return 1;
    }
}
