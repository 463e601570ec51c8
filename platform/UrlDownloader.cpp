#include "platform/UrlDownloader.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <map>
#include <mutex>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

#include <curl/curl.h>

namespace fs = std::filesystem;

namespace {

const char *const kFolderName = "3RUruver";
const char *const kCacheName = "url-cache";
const char *const kUserAgent = "3RUruver-url-cache/1";
// Longer "extensions" are not file types but the tail of some other name; a
// cache file without an extension is safer than one with a made-up one.
const size_t kMaxExtensionLength = 10;

// SHA-256, enough of it to name cache files: a collision would hand one URL's
// content to another, so a short non-cryptographic hash is not enough.
class Sha256 {
public:
    static std::string Hex(std::string_view data)
    {
        Sha256 hash;
        hash.Add(data);
        std::array<uint8_t, 32> digest = hash.Finish();
        static const char kDigits[] = "0123456789abcdef";
        std::string hex;
        for (uint8_t byte : digest) {
            hex += kDigits[byte >> 4];
            hex += kDigits[byte & 15];
        }
        return hex;
    }

private:
    static uint32_t Rotr(uint32_t x, int n) { return (x >> n) | (x << (32 - n)); }

    void Add(std::string_view data)
    {
        for (char c : data) {
            m_block[m_used++] = static_cast<uint8_t>(c);
            if (m_used == 64) {
                Compress();
                m_used = 0;
            }
        }
        m_length += data.size();
    }

    std::array<uint8_t, 32> Finish()
    {
        uint64_t bits = m_length * 8;
        m_block[m_used++] = 0x80;
        if (m_used > 56) {
            while (m_used < 64)
                m_block[m_used++] = 0;
            Compress();
            m_used = 0;
        }
        while (m_used < 56)
            m_block[m_used++] = 0;
        for (int i = 7; i >= 0; --i)
            m_block[m_used++] = static_cast<uint8_t>(bits >> (8 * i));
        Compress();
        std::array<uint8_t, 32> digest{};
        for (int i = 0; i < 8; ++i)
            for (int j = 0; j < 4; ++j)
                digest[4 * i + j] = static_cast<uint8_t>(m_state[i] >> (24 - 8 * j));
        return digest;
    }

    void Compress()
    {
        static const uint32_t k[64] = {
            0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
            0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
            0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
            0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
            0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
            0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
            0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
            0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2,
        };
        uint32_t w[64];
        for (int i = 0; i < 16; ++i)
            w[i] = uint32_t(m_block[4 * i]) << 24 | uint32_t(m_block[4 * i + 1]) << 16 |
                   uint32_t(m_block[4 * i + 2]) << 8 | uint32_t(m_block[4 * i + 3]);
        for (int i = 16; i < 64; ++i) {
            uint32_t s0 = Rotr(w[i - 15], 7) ^ Rotr(w[i - 15], 18) ^ (w[i - 15] >> 3);
            uint32_t s1 = Rotr(w[i - 2], 17) ^ Rotr(w[i - 2], 19) ^ (w[i - 2] >> 10);
            w[i] = w[i - 16] + s0 + w[i - 7] + s1;
        }
        uint32_t a = m_state[0], b = m_state[1], c = m_state[2], d = m_state[3];
        uint32_t e = m_state[4], f = m_state[5], g = m_state[6], h = m_state[7];
        for (int i = 0; i < 64; ++i) {
            uint32_t t1 = h + (Rotr(e, 6) ^ Rotr(e, 11) ^ Rotr(e, 25)) + ((e & f) ^ (~e & g)) + k[i] + w[i];
            uint32_t t2 = (Rotr(a, 2) ^ Rotr(a, 13) ^ Rotr(a, 22)) + ((a & b) ^ (a & c) ^ (b & c));
            h = g;
            g = f;
            f = e;
            e = d + t1;
            d = c;
            c = b;
            b = a;
            a = t1 + t2;
        }
        m_state[0] += a;
        m_state[1] += b;
        m_state[2] += c;
        m_state[3] += d;
        m_state[4] += e;
        m_state[5] += f;
        m_state[6] += g;
        m_state[7] += h;
    }

    uint32_t m_state[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                           0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
    uint8_t m_block[64] = {};
    size_t m_used = 0;
    uint64_t m_length = 0;
};

bool IsAlnum(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// The extension of the last path segment of the URL, with its dot; empty when
// the URL has none or one that does not look like a file type. The query and
// fragment are no part of the name.
std::string UrlExtension(const std::string &url)
{
    size_t scheme = url.find("://");
    if (scheme == std::string::npos)
        return std::string();
    size_t pathStart = url.find('/', scheme + 3);
    size_t pathEnd = url.find_first_of("?#", scheme + 3);
    if (pathStart == std::string::npos || (pathEnd != std::string::npos && pathEnd < pathStart))
        return std::string();
    std::string path = url.substr(pathStart, pathEnd == std::string::npos ? std::string::npos : pathEnd - pathStart);
    std::string segment = path.substr(path.rfind('/') + 1);
    size_t dot = segment.rfind('.');
    if (dot == std::string::npos)
        return std::string();
    std::string extension = segment.substr(dot + 1);
    if (extension.empty() || extension.size() > kMaxExtensionLength)
        return std::string();
    for (char c : extension) {
        if (!IsAlnum(c))
            return std::string();
    }
    return "." + extension;
}

// The URL as it may appear inside a one-line message.
std::string Printable(const std::string &url)
{
    std::string text;
    for (char c : url)
        text += (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) ? '?' : c;
    return text;
}

UrlDownloader::Result Failure(const std::string &url, const std::string &reason)
{
    UrlDownloader::Result result;
    result.error = "cannot download " + Printable(url) + ": " + reason;
    result.reason = reason;
    return result;
}

// Makes `folder` with owner-only access when it is missing.
bool MakePrivateFolder(const fs::path &folder, std::string &reason)
{
    if (::mkdir(folder.c_str(), 0700) == 0)
        return true;
    if (errno == EEXIST && fs::is_directory(folder))
        return true;
    reason = "cannot create " + folder.string() + ": " + std::strerror(errno);
    return false;
}

// The transfer library's entry points, looked up when the first download
// starts: linked at start, it and the two dozen libraries under it would be
// mapped and relocated in every process, whether it downloads or not.
struct DownloadLibraryCalls {
    CURLcode (*globalInit)(long flags) = nullptr;
    CURL *(*easyInit)() = nullptr;
    CURLcode (*easySetopt)(CURL *, CURLoption, ...) = nullptr;
    CURLcode (*easyPerform)(CURL *) = nullptr;
    CURLcode (*easyGetinfo)(CURL *, CURLINFO, ...) = nullptr;
    void (*easyCleanup)(CURL *) = nullptr;
    const char *(*easyStrerror)(CURLcode) = nullptr;
};

template <typename F>
bool FetchDownloadCall(void *library, const char *name, F &slot, std::string &error)
{
    slot = reinterpret_cast<F>(dlsym(library, name));
    if (slot == nullptr)
        error = std::string("has no ") + name;
    return slot != nullptr;
}

// The calls of the library `name`, loaded and started once per process and
// kept to its end; null with `error` saying why when it cannot be loaded.
const DownloadLibraryCalls *DownloadLibrary(const std::string &name, std::string &error)
{
    static std::mutex s_lock;
    static auto *s_loaded = new std::map<std::string, DownloadLibraryCalls>;
    std::lock_guard<std::mutex> hold(s_lock);
    if (auto found = s_loaded->find(name); found != s_loaded->end())
        return &found->second;
    const std::string prefix = "cannot load the download library " + name + ": ";
    void *library = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        const char *why = dlerror();
        error = prefix + (why ? why : "not found");
        return nullptr;
    }
    DownloadLibraryCalls calls;
    std::string missing;
    if (!FetchDownloadCall(library, "curl_global_init", calls.globalInit, missing) ||
        !FetchDownloadCall(library, "curl_easy_init", calls.easyInit, missing) ||
        !FetchDownloadCall(library, "curl_easy_setopt", calls.easySetopt, missing) ||
        !FetchDownloadCall(library, "curl_easy_perform", calls.easyPerform, missing) ||
        !FetchDownloadCall(library, "curl_easy_getinfo", calls.easyGetinfo, missing) ||
        !FetchDownloadCall(library, "curl_easy_cleanup", calls.easyCleanup, missing) ||
        !FetchDownloadCall(library, "curl_easy_strerror", calls.easyStrerror, missing)) {
        dlclose(library);
        error = prefix + missing;
        return nullptr;
    }
    if (calls.globalInit(CURL_GLOBAL_DEFAULT) != CURLE_OK) {
        dlclose(library);
        error = prefix + "it did not start";
        return nullptr;
    }
    return &s_loaded->emplace(name, calls).first->second;
}

struct Transfer {
    FILE *out = nullptr;
    int64_t received = 0;
    int64_t maxBytes = 0;
    bool tooLarge = false;
    bool writeFailed = false;
    int writeErrno = 0;
    bool cancelled = false;
    const UrlDownloader::Progress *progress = nullptr;
};

size_t WriteBody(char *data, size_t size, size_t count, void *user)
{
    Transfer &transfer = *static_cast<Transfer *>(user);
    size_t bytes = size * count;
    // The declared length is checked by curl before the body arrives; this
    // catches servers that send no length or more than they declared.
    if (transfer.received + static_cast<int64_t>(bytes) > transfer.maxBytes) {
        transfer.tooLarge = true;
        return 0;
    }
    if (std::fwrite(data, 1, bytes, transfer.out) != bytes) {
        transfer.writeFailed = true;
        transfer.writeErrno = errno;
        return 0;
    }
    transfer.received += static_cast<int64_t>(bytes);
    return bytes;
}

int ReportProgress(void *user, curl_off_t total, curl_off_t now, curl_off_t, curl_off_t)
{
    Transfer &transfer = *static_cast<Transfer *>(user);
    if (transfer.progress == nullptr || !*transfer.progress)
        return 0;
    bool goOn = false;
    // An exception must not unwind through curl's C frames; a callback that
    // throws is taken as a cancel.
    try {
        goOn = (*transfer.progress)(static_cast<int64_t>(now), total > 0 ? static_cast<int64_t>(total) : -1);
    } catch (...) {
        goOn = false;
    }
    if (!goOn)
        transfer.cancelled = true;
    return goOn ? 0 : 1;
}

std::string Reason(const DownloadLibraryCalls &calls, CURLcode code, const Transfer &transfer, const char *detail,
                   const UrlDownloader::Options &options)
{
    if (transfer.cancelled)
        return "cancelled";
    if (transfer.tooLarge || code == CURLE_FILESIZE_EXCEEDED)
        return "larger than " + std::to_string(options.maxBytes) + " bytes";
    if (transfer.writeFailed)
        return std::string("cannot write the cache file: ") + std::strerror(transfer.writeErrno);
    if (code == CURLE_OPERATION_TIMEDOUT)
        return "no complete answer within " + std::to_string(options.timeoutSeconds) + " seconds";
    if (code == CURLE_TOO_MANY_REDIRECTS)
        return "too many redirects (more than " + std::to_string(options.maxRedirects) + " redirects)";
    if (code == CURLE_UNSUPPORTED_PROTOCOL)
        return "redirected to a scheme other than http or https";
    std::string text = (detail != nullptr && detail[0] != '\0') ? detail : calls.easyStrerror(code);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return text;
}

} // namespace

bool UrlDownloader::IsUrl(std::string_view name)
{
    return name.starts_with("http://") || name.starts_with("https://");
}

fs::path UrlDownloader::CacheFolder()
{
    // A relative XDG_CACHE_HOME is ignored, as the base-directory convention
    // asks.
    const char *cache = std::getenv("XDG_CACHE_HOME");
    if (cache && cache[0] == '/')
        return fs::path(cache) / kFolderName / kCacheName;
    const char *home = std::getenv("HOME");
    if (home && home[0] != '\0')
        return fs::path(home) / ".cache" / kFolderName / kCacheName;
    return fs::path();
}

fs::path UrlDownloader::CacheFile(const std::string &url)
{
    fs::path folder = CacheFolder();
    if (folder.empty())
        return fs::path();
    return folder / (Sha256::Hex(url) + UrlExtension(url));
}

UrlDownloader::Result UrlDownloader::Download(const std::string &url)
{
    return Download(url, Options());
}

UrlDownloader::Result UrlDownloader::Download(const std::string &url, const Options &options)
{
    if (!IsUrl(url))
        return Failure(url, "not an http or https URL");
    for (char c : url) {
        if (static_cast<unsigned char>(c) <= 0x20 || c == 0x7f)
            return Failure(url, "the URL holds a blank or a control character");
    }
    if (options.maxBytes <= 0 || options.timeoutSeconds <= 0 || options.connectTimeoutSeconds <= 0 ||
        options.maxRedirects < 0)
        return Failure(url, "invalid download limits");

    fs::path target = CacheFile(url);
    if (target.empty())
        return Failure(url, "no cache folder (neither XDG_CACHE_HOME nor HOME is set)");

    std::error_code error;
    if (options.useCached && fs::is_regular_file(target, error)) {
        Result result;
        result.ok = true;
        result.file = target;
        return result;
    }

    std::string reason;
    fs::path folder = target.parent_path();
    fs::create_directories(folder.parent_path().parent_path(), error);
    if (!MakePrivateFolder(folder.parent_path(), reason) || !MakePrivateFolder(folder, reason))
        return Failure(url, reason);

    std::string temporary = (folder / ".download-XXXXXX").string();
    int fd = ::mkstemp(temporary.data());
    if (fd < 0)
        return Failure(url, std::string("cannot create a cache file: ") + std::strerror(errno));
    FILE *out = ::fdopen(fd, "wb");
    if (out == nullptr) {
        reason = std::string("cannot create a cache file: ") + std::strerror(errno);
        ::close(fd);
        ::unlink(temporary.c_str());
        return Failure(url, reason);
    }

    const DownloadLibraryCalls *calls = DownloadLibrary(options.library, reason);
    if (calls == nullptr) {
        std::fclose(out);
        ::unlink(temporary.c_str());
        return Failure(url, reason);
    }
    CURL *curl = calls->easyInit();
    if (curl == nullptr) {
        std::fclose(out);
        ::unlink(temporary.c_str());
        return Failure(url, "cannot start a transfer");
    }

    Transfer transfer;
    transfer.out = out;
    transfer.maxBytes = options.maxBytes;
    transfer.progress = &options.progress;
    char detail[CURL_ERROR_SIZE] = {};

    calls->easySetopt(curl, CURLOPT_URL, url.c_str());
    calls->easySetopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    calls->easySetopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    calls->easySetopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    calls->easySetopt(curl, CURLOPT_MAXREDIRS, options.maxRedirects);
    calls->easySetopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(options.maxBytes));
    calls->easySetopt(curl, CURLOPT_TIMEOUT, options.timeoutSeconds);
    calls->easySetopt(curl, CURLOPT_CONNECTTIMEOUT, options.connectTimeoutSeconds);
    // Timeouts through signals would disturb the host's threads.
    calls->easySetopt(curl, CURLOPT_NOSIGNAL, 1L);
    calls->easySetopt(curl, CURLOPT_USERAGENT, kUserAgent);
    calls->easySetopt(curl, CURLOPT_WRITEFUNCTION, WriteBody);
    calls->easySetopt(curl, CURLOPT_WRITEDATA, &transfer);
    calls->easySetopt(curl, CURLOPT_XFERINFOFUNCTION, ReportProgress);
    calls->easySetopt(curl, CURLOPT_XFERINFODATA, &transfer);
    calls->easySetopt(curl, CURLOPT_NOPROGRESS, options.progress ? 0L : 1L);
    calls->easySetopt(curl, CURLOPT_ERRORBUFFER, detail);

    CURLcode code = calls->easyPerform(curl);
    long status = 0;
    calls->easyGetinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    calls->easyCleanup(curl);

    if (code != CURLE_OK)
        reason = Reason(*calls, code, transfer, detail, options);
    else if (status < 200 || status > 299)
        reason = "the server answered with status " + std::to_string(status);

    bool closed = std::fflush(out) == 0 && ::fsync(::fileno(out)) == 0;
    closed = (std::fclose(out) == 0) && closed;
    if (reason.empty() && !closed)
        reason = std::string("cannot write the cache file: ") + std::strerror(errno);
    if (reason.empty() && ::rename(temporary.c_str(), target.c_str()) != 0)
        reason = std::string("cannot store the cache file: ") + std::strerror(errno);
    if (!reason.empty()) {
        ::unlink(temporary.c_str());
        return Failure(url, reason);
    }

    Result result;
    result.ok = true;
    result.file = target;
    return result;
}
