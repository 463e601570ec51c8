// The playback family: the animation played round on a timer, and movies
// of it: each picture drawn offscreen through the viewer's snapshot and
// handed to the movie writer (platform/media), which encodes it in process.
#include "facade/Playback.h"

#include <algorithm>
#include <cmath>
#include <sstream>
#include <string>

#include "engine/actions/SgFindAction.h"
#include "engine/core/SgField.h"
#include "engine/core/SgKeyPoint.h"
#include "engine/core/SgSeparator.h"
#include "engine/document/CScenario.h"
#include "engine/document/SgAnimationMngr.h"
#include "engine/document/SgDocument.h"
#include "engine/nodes/particles/SgEmitter.h"
#include "engine/viewer/BmpUtils.h"
#include "engine/viewer/SgViewer.h"
#include "facade/CDrevon.h"
#include "platform/SgDiagnostics.h"
#include "platform/SgProgress.h"
#include "platform/SgTimerService.h"
#include "platform/media/SgMovieWriter.h"
#include "facade/FacadePackage.h"

namespace drevon {

namespace {

// Frames 0 to 99 play round.
constexpr int kFrameCount = 100;
// The playback timer fires as often as the host's loop allows.
constexpr int kPlaybackPeriod = 0;

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

Playback::Playback(CDrevon &facade) : m_facade(facade) {}

Playback::~Playback()
{
    Stop();
}

void Playback::Stop()
{
    if (m_timer != 0)
        GetTimerService().StopTimer(m_timer);
    m_timer = 0;
}

void Playback::Play(int)
{
    if (m_timer != 0) {
        Stop();
        return;
    }
    if (!m_facade.GetCurrentViewer()) {
        SgDiagTellUser(SgDiagLevel::Error, kPackage, "Playing needs a view to show the animation", "Play");
        return;
    }
    // A timer redrawing a still scene would keep a core busy for nothing.
    if (!HasSomethingToPlay()) {
        SgDiagTellUser(SgDiagLevel::Info, kPackage, "There is nothing to play: the scene has no animation", "Play");
        return;
    }
    m_timer = GetTimerService().StartTimer(kPlaybackPeriod, [this] { Tick(); });
}

bool Playback::HasSomethingToPlay()
{
    // A track moves its field only between two keys; the manager's own
    // trajectory track is always there and moves nothing by itself.
    SgDocument *document = m_facade.GetDocument();
    SgAnimationMngr *animation = document ? document->GetAnimationMngr() : nullptr;
    const CScenario *scenario = animation ? &animation->GetScenario() : nullptr;
    for (int i = 0; scenario && i < scenario->GetTracksCount(); ++i) {
        const CAnimationTrack *track = scenario->GetTrack(i);
        const SgField *field = track->GetField();
        if (track->GetKeyCount() >= 2 && field &&
            field->GetContainer() != static_cast<const SgFieldMngr *>(animation))
            return true;
    }
    // Particles move with the frames whether or not anything is recorded.
    SgSeparator *root = m_facade.GetRoot();
    return root && FindNodeByClassID::Lookup(SgEmitter::ClassID(), root) != nullptr;
}

void Playback::Tick()
{
    SgDocument *document = m_facade.GetDocument();
    if (!document || !document->GetAnimationMngr())
        return;
    document->GetAnimationMngr()->Play(m_frame);
    document->RedrawAllViewers(nullptr);
    m_frame = double((int(m_frame) + 1) % kFrameCount);
}

int Playback::SetAnimationRecord(const char *nodeName, const char *fieldName, double time, const char *value)
{
    SgDocument *document = m_facade.GetDocument();
    if (!document || !document->GetAnimationMngr() || !nodeName || !fieldName)
        return 0;
    SgField *field = document->FindField(m_facade.GetRoot(), nodeName, fieldName);
    if (!field)
        return 0;
    // The value set and its key are one step.
    SgKeyPoint step(document);
    if (value) {
        std::istringstream text(value);
        field->ReadFromStream(text, true);
    }
    document->GetAnimationMngr()->GetScenario().AddRecordItem(field, time, false);
    return 1;
}

int Playback::MovieFrameCount(double length, int framesPerSecond)
{
    if (!(length > 0.0) || framesPerSecond < 1)
        return 1;
    // The small margin keeps 0.3 s at 10 frames per second at 3 intervals
    // where the product comes out a hair below 3.
    return int(std::floor(length * framesPerSecond + 1e-9)) + 1;
}

int Playback::CreateMovie(const char *name, int format, int width, int height, double animationLength,
                          int framesPerSecond, double movieLength)
{
    return RecordMovie(m_facade.GetDocument(), name, format, width, height, animationLength, framesPerSecond,
                       movieLength, nullptr, 100, nullptr, nullptr);
}

int Playback::RecordMovie(SgDocument *document, const char *name, int format, int width, int height,
                          double duration, int framesPerSecond, double movieLength, const float *clipRange,
                          int quality, MovieProgress progress, void *data)
{
    if (!document || document != m_facade.GetDocument())
        return Failed("No scene to make a movie of");
    if (!name || !*name)
        return Failed("No movie file name");
    if (!SgMovieWriter::FormatName(format))
        return Failed("Unknown movie format " + std::to_string(format));
    if (framesPerSecond < 1)
        return Failed("The frame rate must be at least one frame per second");
    if (!std::isfinite(duration) || duration < 0.0 || duration * framesPerSecond > 1e6)
        return Failed("The movie length is out of range");
    SgViewer *viewer = m_facade.GetCurrentViewer();
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
    const double before = m_frame;
    int written = 0;
    SgWorkProgress frameProgress("Recording movie", uint64_t(total));
    for (int i = 0; i < total; ++i) {
        frameProgress.Step(uint64_t(i));
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
