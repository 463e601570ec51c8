#include "engine/document/SgCabinetExtractor.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <mspack.h>

#include "platform/SgClock.h"

namespace fs = std::filesystem;

namespace {

const char *const kFolderPattern = "fennix-cab-XXXXXX";

// The file system that the unpacker sees: it opens the one cabinet for
// reading and the one target for writing and nothing else, stops a member
// that grows past the size cap, and stops every read and write once the time
// is up. libmspack hands our own structures back to the callbacks, so the
// system and each file start with the library's view of them.
struct CabFile {
    int fd = -1;
    bool writing = false;
    struct CabSystem *system = nullptr;
};

struct CabSystem {
    mspack_system base; // first: libmspack passes this pointer back
    std::string cabinet;
    std::string target;
    int64_t maxBytes = 0;
    int64_t deadline = 0;
    int64_t written = 0;
    int openTargets = 0;
    std::string error;
};

CabSystem *SystemOf(mspack_system *self)
{
    return reinterpret_cast<CabSystem *>(self);
}

CabFile *FileOf(mspack_file *file)
{
    return reinterpret_cast<CabFile *>(file);
}

bool TimeIsUp(CabSystem &system)
{
    if (GetClock().Milliseconds() <= system.deadline)
        return false;
    if (system.error.empty())
        system.error = "unpacking took too long";
    return true;
}

mspack_file *CabOpen(mspack_system *self, const char *name, int mode)
{
    CabSystem &system = *SystemOf(self);
    int fd = -1;
    bool writing = false;
    if (mode == MSPACK_SYS_OPEN_READ && name && system.cabinet == name) {
        fd = ::open(name, O_RDONLY | O_CLOEXEC);
    } else if (mode == MSPACK_SYS_OPEN_WRITE && name && system.target == name && system.openTargets == 0) {
        // A new file in our own folder: never one that is there already,
        // never through a link.
        fd = ::open(name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        writing = true;
    } else {
        if (system.error.empty())
            system.error = "the cabinet asked for a file it may not touch";
        return nullptr;
    }
    if (fd < 0) {
        if (system.error.empty())
            system.error = std::string("cannot open ") + name + ": " + std::strerror(errno);
        return nullptr;
    }
    auto *file = new CabFile;
    file->fd = fd;
    file->writing = writing;
    file->system = &system;
    if (writing)
        ++system.openTargets;
    return reinterpret_cast<mspack_file *>(file);
}

void CabClose(mspack_file *handle)
{
    CabFile *file = FileOf(handle);
    if (!file)
        return;
    ::close(file->fd);
    delete file;
}

int CabRead(mspack_file *handle, void *buffer, int bytes)
{
    CabFile *file = FileOf(handle);
    if (!file || bytes < 0 || TimeIsUp(*file->system))
        return -1;
    size_t done = 0;
    while (done < static_cast<size_t>(bytes)) {
        const ssize_t got = ::read(file->fd, static_cast<char *>(buffer) + done, static_cast<size_t>(bytes) - done);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        if (got == 0)
            break;
        done += static_cast<size_t>(got);
    }
    return static_cast<int>(done);
}

int CabWrite(mspack_file *handle, void *buffer, int bytes)
{
    CabFile *file = FileOf(handle);
    if (!file || bytes < 0 || TimeIsUp(*file->system))
        return -1;
    CabSystem &system = *file->system;
    if (file->writing) {
        if (system.written + bytes > system.maxBytes) {
            if (system.error.empty())
                system.error = "the scene in the cabinet is larger than " + std::to_string(system.maxBytes) + " bytes";
            return -1;
        }
        system.written += bytes;
    }
    size_t done = 0;
    while (done < static_cast<size_t>(bytes)) {
        const ssize_t put = ::write(file->fd, static_cast<const char *>(buffer) + done, static_cast<size_t>(bytes) - done);
        if (put < 0) {
            if (errno == EINTR)
                continue;
            if (system.error.empty())
                system.error = std::string("cannot write the unpacked scene: ") + std::strerror(errno);
            return -1;
        }
        done += static_cast<size_t>(put);
    }
    return bytes;
}

int CabSeek(mspack_file *handle, off_t offset, int mode)
{
    CabFile *file = FileOf(handle);
    if (!file)
        return -1;
    int whence = SEEK_SET;
    if (mode == MSPACK_SYS_SEEK_CUR)
        whence = SEEK_CUR;
    else if (mode == MSPACK_SYS_SEEK_END)
        whence = SEEK_END;
    else if (mode != MSPACK_SYS_SEEK_START)
        return -1;
    return ::lseek(file->fd, offset, whence) < 0 ? -1 : 0;
}

off_t CabTell(mspack_file *handle)
{
    CabFile *file = FileOf(handle);
    return file ? ::lseek(file->fd, 0, SEEK_CUR) : -1;
}

// The unpacker's own remarks about a damaged archive; the failure that
// follows them is what the caller is told.
void CabMessage(mspack_file *, const char *, ...) {}

void *CabAlloc(mspack_system *, size_t bytes)
{
    return std::malloc(bytes);
}

void CabFree(void *pointer)
{
    std::free(pointer);
}

void CabCopy(void *source, void *destination, size_t bytes)
{
    std::memmove(destination, source, bytes);
}

std::string DescribeError(int code)
{
    switch (code) {
    case MSPACK_ERR_OPEN:
        return "the file cannot be opened";
    case MSPACK_ERR_READ:
        return "the file cannot be read";
    case MSPACK_ERR_WRITE:
        return "the unpacked scene cannot be written";
    case MSPACK_ERR_SIGNATURE:
        return "the file is no cabinet";
    case MSPACK_ERR_DATAFORMAT:
        return "the cabinet is damaged";
    case MSPACK_ERR_CHECKSUM:
        return "a checksum of the cabinet is wrong";
    case MSPACK_ERR_DECRUNCH:
        return "the cabinet's data cannot be unpacked";
    case MSPACK_ERR_NOMEMORY:
        return "out of memory";
    default:
        return "error " + std::to_string(code) + " of the unpacker";
    }
}

// Closes the cabinet and frees the unpacker on every way out.
class Unpacker {
public:
    explicit Unpacker(mspack_system *system) : m_p(mspack_create_cab_decompressor(system)) {}
    ~Unpacker()
    {
        if (m_p && m_cabinet)
            m_p->close(m_p, m_cabinet);
        if (m_p)
            mspack_destroy_cab_decompressor(m_p);
    }
    Unpacker(const Unpacker &) = delete;
    Unpacker &operator=(const Unpacker &) = delete;

    mscab_decompressor *get() const { return m_p; }
    mscabd_cabinet *Open(const char *path) { return m_cabinet = m_p->open(m_p, path); }

private:
    mscab_decompressor *m_p;
    mscabd_cabinet *m_cabinet = nullptr;
};

SgCabinetExtractor::Result Failure(const fs::path &cabinet, const std::string &why)
{
    SgCabinetExtractor::Result result;
    result.error = cabinet.string() + ": " + why;
    return result;
}

} // namespace

SgCabinetExtractor::~SgCabinetExtractor()
{
    RemoveFolder();
}

SgCabinetExtractor::Result SgCabinetExtractor::Extract(const fs::path &cabinet)
{
    return Extract(cabinet, kMaxMemberBytes, kMaxMilliseconds);
}

SgCabinetExtractor::Result SgCabinetExtractor::Extract(const fs::path &cabinet, int64_t maxBytes,
                                                       int64_t maxMilliseconds)
{
    if (m_bUsed)
        return Failure(cabinet, "this extractor has been used already");
    m_bUsed = true;

    CabSystem system{};
    system.base.open = CabOpen;
    system.base.close = CabClose;
    system.base.read = CabRead;
    system.base.write = CabWrite;
    system.base.seek = CabSeek;
    system.base.tell = CabTell;
    system.base.message = CabMessage;
    system.base.alloc = CabAlloc;
    system.base.free = CabFree;
    system.base.copy = CabCopy;
    system.base.null_ptr = nullptr;
    system.cabinet = cabinet.string();
    system.maxBytes = maxBytes;
    system.deadline = GetClock().Milliseconds() + maxMilliseconds;

    Unpacker unpacker(&system.base);
    if (!unpacker.get())
        return Failure(cabinet, "the cabinet unpacker cannot be started");
    mscabd_cabinet *cab = unpacker.Open(system.cabinet.c_str());
    if (!cab) {
        const std::string why = system.error.empty() ? DescribeError(unpacker.get()->last_error(unpacker.get()))
                                                     : system.error;
        return Failure(cabinet, why);
    }
    if (cab->next || cab->prevcab || cab->nextcab || (cab->flags & (MSCAB_HDR_PREVCAB | MSCAB_HDR_NEXTCAB)))
        return Failure(cabinet, "the cabinet is part of a set of cabinets");
    int members = 0;
    for (mscabd_file *file = cab->files; file; file = file->next)
        ++members;
    if (members != 1)
        return Failure(cabinet, "a scene cabinet holds one file, this one holds " + std::to_string(members));
    mscabd_file *member = cab->files;
    if (static_cast<int64_t>(member->length) > maxBytes)
        return Failure(cabinet, "the scene in the cabinet is larger than " + std::to_string(maxBytes) + " bytes");

    std::string error;
    if (!MakeFolder(error))
        return Failure(cabinet, error);
    const fs::path target = m_folder / kMemberName;
    system.target = target.string();
    const int status = unpacker.get()->extract(unpacker.get(), member, system.target.c_str());
    if (status != MSPACK_ERR_OK || system.written != static_cast<int64_t>(member->length)) {
        std::error_code ignored;
        fs::remove(target, ignored);
        const std::string why = !system.error.empty()   ? system.error
                                : status != MSPACK_ERR_OK ? DescribeError(status)
                                                          : "the unpacked scene is shorter than the cabinet says";
        return Failure(cabinet, why);
    }
    Result result;
    result.ok = true;
    result.file = target;
    return result;
}

bool SgCabinetExtractor::MakeFolder(std::string &error)
{
    const char *base = std::getenv("TMPDIR");
    fs::path folder = base && *base ? fs::path(base) : fs::path("/tmp");
    std::string pattern = (folder / kFolderPattern).string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    // mkdtemp makes the folder for this user alone (mode 0700).
    if (!::mkdtemp(buffer.data())) {
        error = "cannot make a private folder in " + folder.string() + ": " + std::strerror(errno);
        return false;
    }
    m_folder = buffer.data();
    return true;
}

void SgCabinetExtractor::RemoveFolder()
{
    if (m_folder.empty())
        return;
    std::error_code ignored;
    fs::remove_all(m_folder, ignored);
    m_folder.clear();
}
