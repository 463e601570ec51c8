// The movie writer that programs link: it maps no encoding library. The
// encoder module (libfennix_media.so, with FFmpeg's libraries and their
// codecs, some hundred objects) is loaded when the first movie opens, so the
// processes that never write a movie never map it.
#include "platform/media/SgMovieWriter.h"
#include "platform/media/SgMovieEncoderApi.h"

#include <dlfcn.h>

#include <mutex>
#include <string>
#include <vector>

namespace {

struct MovieEncoderModule {
    const SgMovieEncoderApi *api = nullptr;
    std::string error;
};

// Beside this library first (the build tree and an installed tree keep them
// together), then wherever the run-time linker looks.
std::vector<std::string> MovieEncoderCandidates()
{
    std::vector<std::string> candidates;
    Dl_info self{};
    if (dladdr(reinterpret_cast<void *>(&MovieEncoderCandidates), &self) != 0 && self.dli_fname) {
        const std::string path = self.dli_fname;
        const std::size_t slash = path.rfind('/');
        if (slash != std::string::npos)
            candidates.push_back(path.substr(0, slash + 1) + kMovieEncoderModuleName);
    }
    candidates.push_back(kMovieEncoderModuleName);
    return candidates;
}

MovieEncoderModule LoadMovieEncoder()
{
    MovieEncoderModule module;
    void *handle = nullptr;
    std::string reason;
    for (const std::string &candidate : MovieEncoderCandidates()) {
        handle = dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (handle)
            break;
        // The first failure says most (a missing codec library rather than
        // "not found" for the bare name).
        if (reason.empty()) {
            const char *text = dlerror();
            reason = text ? text : "not found";
        }
    }
    if (!handle) {
        module.error = std::string("Movies cannot be written: the movie encoder ") + kMovieEncoderModuleName +
                       " could not be loaded (" + reason + ")";
        return module;
    }
    // The module stays loaded: its libraries keep state of their own.
    auto entry = reinterpret_cast<SgMovieEncoderEntry>(dlsym(handle, kMovieEncoderEntryName));
    const SgMovieEncoderApi *api = entry ? entry() : nullptr;
    if (!api || api->version != kMovieEncoderApiVersion) {
        module.error = std::string("Movies cannot be written: the movie encoder ") + kMovieEncoderModuleName +
                       " does not match this program";
        return module;
    }
    module.api = api;
    return module;
}

const MovieEncoderModule &MovieEncoder()
{
    static std::once_flag once;
    static MovieEncoderModule module;
    std::call_once(once, [] { module = LoadMovieEncoder(); });
    return module;
}

} // namespace

struct SgMovieWriter::State {
    const SgMovieEncoderApi *api = nullptr;
    void *encoder = nullptr;

    ~State()
    {
        // An unfinished encoder removes what it wrote.
        if (encoder)
            api->destroy(encoder);
    }
};

SgMovieWriter::SgMovieWriter() = default;

SgMovieWriter::~SgMovieWriter() = default;

bool SgMovieWriter::Fail(const std::string &text)
{
    m_error = text;
    m_state.reset();
    return false;
}

int SgMovieWriter::GetFrameCount() const
{
    return m_state ? m_state->api->frameCount(m_state->encoder) : 0;
}

std::string SgMovieWriter::GetVideoCodecName() const
{
    return m_state ? m_state->api->videoCodecName(m_state->encoder) : "";
}

std::string SgMovieWriter::GetAudioCodecName() const
{
    return m_state ? m_state->api->audioCodecName(m_state->encoder) : "";
}

bool SgMovieWriter::Open(const std::string &path, const Settings &settings)
{
    m_state.reset();
    m_error.clear();
    const MovieEncoderModule &module = MovieEncoder();
    if (!module.api)
        return Fail(module.error);
    auto state = std::make_unique<State>();
    state->api = module.api;
    state->encoder = module.api->create();
    if (!state->encoder)
        return Fail("Out of memory for the movie");
    if (!module.api->open(state->encoder, path.c_str(), settings.format, settings.width, settings.height,
                          settings.framesPerSecond, settings.quality, settings.musicFile.c_str()))
        return Fail(module.api->error(state->encoder));
    m_state = std::move(state);
    return true;
}

bool SgMovieWriter::AddFrame(const Frame &frame)
{
    if (!m_state) {
        if (m_error.empty())
            m_error = "The movie is not open";
        return false;
    }
    if (!m_state->api->addFrame(m_state->encoder, frame.pixels, frame.width, frame.height, frame.stride,
                                frame.bottomUp ? 1 : 0))
        return Fail(m_state->api->error(m_state->encoder));
    return true;
}

bool SgMovieWriter::Finish()
{
    if (!m_state) {
        if (m_error.empty())
            m_error = "The movie is not open";
        return false;
    }
    if (!m_state->api->finish(m_state->encoder))
        return Fail(m_state->api->error(m_state->encoder));
    m_state.reset();
    return true;
}

void SgMovieWriter::Abort()
{
    m_state.reset();
}
