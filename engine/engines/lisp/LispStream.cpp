// Character streams over a string or a file descriptor. A file reads as one
// continuous text whatever its length, through a buffer refilled on demand.
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <new>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "engine/engines/lisp/LispReader.h"
#include "engine/engines/lisp/LispState.h"
#include "utilities/FileUtil.h"

namespace {

int NextCharacter(LispStream *stream, bool consume)
{
    if (!stream)
        return 0;
    if (stream->m_kind == LispStream::StringKind) {
        unsigned char c = static_cast<unsigned char>(stream->m_buffer[stream->m_position]);
        if (c == 0) {
            stream->m_endFlag = true;
            return 0;
        }
        if (consume) {
            ++stream->m_position;
            stream->m_line += c == '\n';
        }
        return c;
    }
    if (stream->m_kind != LispStream::FileKind)
        return 0;
    if (stream->m_position >= stream->m_end) {
        if (stream->m_endFlag)
            return 0;
        ssize_t got;
        do {
            got = ::read(stream->m_descriptor, stream->m_buffer.data(), stream->m_buffer.size());
        } while (got < 0 && errno == EINTR);
        stream->m_position = 0;
        stream->m_end = got > 0 ? static_cast<size_t>(got) : 0;
        if (got < 0)
            stream->m_error = errno;
        // Only an empty read is the end: pipes and terminals deliver short reads.
        if (got <= 0) {
            stream->m_endFlag = true;
            return 0;
        }
    }
    unsigned char c = static_cast<unsigned char>(stream->m_buffer[stream->m_position]);
    if (consume && c != 0) {
        ++stream->m_position;
        stream->m_line += c == '\n';
    }
    return c;
}

} // namespace

LispStream *LispOpenStream(const char *pathOrText, int kind)
{
    if (!pathOrText)
        return nullptr;
    if (kind == LispStream::StringKind) {
        try {
            auto stream = std::make_unique<LispStream>();
            stream->m_kind = LispStream::StringKind;
            size_t length = std::strlen(pathOrText);
            stream->m_buffer.assign(pathOrText, pathOrText + length + 1);
            stream->m_end = length;
            return stream.release();
        } catch (const std::bad_alloc &) {
            errno = ENOMEM;
            return nullptr;
        }
    }
    if (kind != LispStream::FileKind)
        return nullptr;
    int descriptor = ::open(FileUtil::NativePath(pathOrText).c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0)
        return nullptr;
    // A folder opens but reads as nothing but an error.
    struct stat status;
    if (::fstat(descriptor, &status) == 0 && S_ISDIR(status.st_mode)) {
        ::close(descriptor);
        errno = EISDIR;
        return nullptr;
    }
    LispStream *stream = LispOpenDescriptorStream(descriptor, true);
    if (!stream) {
        ::close(descriptor);
        errno = ENOMEM;
    }
    return stream;
}

LispStream *LispOpenDescriptorStream(int descriptor, bool ownsDescriptor)
{
    try {
        auto stream = std::make_unique<LispStream>();
        stream->m_kind = LispStream::FileKind;
        stream->m_buffer.resize(LispStream::kFileBufferSize);
        stream->m_descriptor = descriptor;
        stream->m_ownsDescriptor = ownsDescriptor;
        return stream.release();
    } catch (const std::bad_alloc &) {
        return nullptr;
    }
}

int LispStreamError(const LispStream *stream)
{
    return stream ? stream->m_error : 0;
}

int LispExpressionLine(const LispStream *stream)
{
    return stream ? stream->m_expressionLine : 0;
}

int LispStreamNulLine(const LispStream *stream)
{
    // A file stream hands out 0 for a NUL byte without taking it, so a
    // stream that reads as ended short of its data stopped at one.
    if (!stream || stream->m_kind != LispStream::FileKind || stream->m_position >= stream->m_end ||
        stream->m_buffer[stream->m_position] != 0)
        return 0;
    return stream->m_line;
}

void LispReleaseStreamResources(LispStream *stream)
{
    if (stream->m_descriptor >= 0 && stream->m_ownsDescriptor)
        ::close(stream->m_descriptor);
    stream->m_descriptor = -1;
    stream->m_buffer.clear();
    stream->m_buffer.shrink_to_fit();
    stream->m_position = stream->m_end = 0;
    stream->m_kind = LispStream::ClosedKind;
}

int LispCloseStream(LispStream *stream)
{
    if (!stream || stream->m_kind == LispStream::ClosedKind)
        return 0;
    LispReleaseStreamResources(stream);
    // A stream value's record stays until nothing refers to it; a second
    // close of the same value then finds it closed.
    if (!stream->m_collectable)
        delete stream;
    return 1;
}

int LispStreamGet(LispStream *stream)
{
    return NextCharacter(stream, true);
}

int LispStreamPeek(LispStream *stream)
{
    return NextCharacter(stream, false);
}
