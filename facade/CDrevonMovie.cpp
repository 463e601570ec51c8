// Movies of the document's animation: each picture drawn offscreen through
// the viewer's snapshot and handed to the movie writer (platform/media),
// which encodes it in process.
#include <algorithm>
#include <cmath>
#include <string>

#include "engine/document/SgAnimationMngr.h"
#include "engine/document/SgDocument.h"
#include "engine/viewer/BmpUtils.h"
#include "engine/viewer/SgViewer.h"
#include "facade/CDrevon.h"
#include "platform/SgDiagnostics.h"
#include "platform/media/SgMovieWriter.h"
#include "facade/FacadePackage.h"

namespace drevon {

namespace {

constexpr const char *kCaption = "Movie";

struct FrameSink {
    SgMovieWriter *writer = nullptr;
    BmpImage last;
};

int AddFrame(const BmpImage &bitmap, void *user)
{
    auto *sink = static_cast<FrameSink *>(user);
    SgMovieWriter::Frame frame;
    frame.pixels = bitmap.pixels.data();
    frame.width = bitmap.header.width;
    frame.height = bitmap.header.height;
    frame.stride = bitmap.BytesPerRow();
    frame.bottomUp = true;
    if (!sink->writer->AddFrame(frame))
        return 0;
    sink->last = bitmap;
    return 1;
}

// Reports the failure once and answers 0.
int Failed(const std::string &text, const char *caption = kCaption)
{
    SgDiagTellUser(SgDiagLevel::Error, kPackage, text, caption);
    return 0;
}

// The two failures of the recording itself keep their fixed texts for the
// user; the cause goes to the log beside them.
constexpr const char *kFrameFailed = "AppendNewFrame FAILED";
constexpr const char *kBitmapFailed = "Unable to create bitmap";
constexpr const char *kRecordingCaption = "Error";

int RecordingFailed(const char *text, const std::string &cause)
{
    if (!cause.empty())
        SgDiagError(kPackage, "%s: %s", text, cause.c_str());
    return Failed(text, kRecordingCaption);
}

} // namespace

int CDrevon::MovieFrameCount(double length, int framesPerSecond)
{
    if (!(length > 0.0) || framesPerSecond < 1)
        return 1;
    // The small margin keeps 0.3 s at 10 frames per second at 3 intervals
    // where the product comes out a hair below 3.
    return int(std::floor(length * framesPerSecond + 1e-9)) + 1;
}

int CDrevon::CreateMovie(const char *name, int format, int width, int height, double animationLength,
                         int framesPerSecond, double movieLength)
{
    return RecordMovie(m_pDocument, name, format, width, height, animationLength, framesPerSecond, movieLength,
                       nullptr, 100, nullptr, nullptr);
}

int CDrevon::RecordMovie(SgDocument *document, const char *name, int format, int width, int height,
                         double duration, int framesPerSecond, double movieLength, const float *clipRange,
                         int quality, MovieProgress progress, void *data)
{
    if (!document || document != m_pDocument)
        return Failed("No scene to make a movie of");
    if (!name || !*name)
        return Failed("No movie file name");
    if (!SgMovieWriter::FormatName(format))
        return Failed("Unknown movie format " + std::to_string(format));
    if (framesPerSecond < 1)
        return Failed("The frame rate must be at least one frame per second");
    if (!std::isfinite(duration) || duration < 0.0 || duration * framesPerSecond > 1e6)
        return Failed("The movie length is out of range");
    SgViewer *viewer = GetCurrentViewer();
    SgAnimationMngr *animation = document->GetAnimationMngr();
    if (!viewer || !animation)
        return Failed("Making a movie needs a view of the scene");
    if (width <= 0 || height <= 0) {
        width = viewer->GetWidth();
        height = viewer->GetHeight();
    }
    if (width < 1 || height < 1 || width > BmpUtils::MaxSide() || height > BmpUtils::MaxSide())
        return Failed("The movie size is out of range: width and height must each be from 1 to " +
                      std::to_string(BmpUtils::MaxSide()) + " pixels");

    SgMovieWriter writer;
    SgMovieWriter::Settings settings;
    settings.format = format;
    settings.width = width;
    settings.height = height;
    settings.framesPerSecond = framesPerSecond;
    settings.quality = std::clamp(quality, 0, 100);
    settings.musicFile = m_musicFile;
    if (!writer.Open(name, settings))
        return Failed(writer.GetError());

    // The clip range picks the part of the animation's 0..100 positions.
    double start = 0.0, end = SgAnimationMngr::kTrajectoryEnd;
    if (clipRange) {
        start = std::clamp(double(clipRange[0]), 0.0, SgAnimationMngr::kTrajectoryEnd);
        end = std::clamp(double(clipRange[1]), 0.0, SgAnimationMngr::kTrajectoryEnd);
    }
    const int frames = MovieFrameCount(duration, framesPerSecond);
    int held = 0;
    if (movieLength > duration && std::isfinite(movieLength))
        held = std::min(int(std::floor((movieLength - duration) * framesPerSecond + 1e-9)), 1000000);
    const int total = frames + held;
    const double step = frames > 1 ? (end - start) / (frames - 1) : 0.0;

    FrameSink sink;
    sink.writer = &writer;
    const double before = m_dFrame;
    int written = 0;
    for (int i = 0; i < total; ++i) {
        if (i < frames) {
            animation->Play(start + i * step);
            if (!BmpUtils::DrawToBuffer(viewer, width, height, &AddFrame, &sink)) {
                animation->Play(before);
                // The writer's error: a picture was drawn but not taken.
                const bool frameFailed = !writer.GetError().empty();
                const std::string cause = frameFailed ? writer.GetError() : viewer->GetPrintError();
                writer.Abort();
                return RecordingFailed(frameFailed ? kFrameFailed : kBitmapFailed, cause);
            }
        } else if (!AddFrame(sink.last, &sink)) {
            const std::string cause = writer.GetError();
            writer.Abort();
            return RecordingFailed(kFrameFailed, cause);
        }
        ++written;
        if (progress && !progress(data, written * 100 / total)) {
            animation->Play(before);
            writer.Abort();
            return 0;
        }
    }
    animation->Play(before);
    document->RedrawAllViewers(nullptr);
    if (!writer.Finish())
        return Failed(writer.GetError());
    return 1;
}

} // namespace drevon
