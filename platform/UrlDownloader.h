#pragma once
// Downloads an "http://" or "https://" URL into the user's private cache
// folder, $XDG_CACHE_HOME/3RUruver/url-cache (~/.cache/3RUruver/url-cache when
// XDG_CACHE_HOME is not set).
//
// What comes over the network is untrusted: the transfer is bounded in size,
// time and redirects, redirects may only lead to http or https, and the cached
// file is named after a hash of the URL plus the URL's own extension, never
// after a name the server suggests, so a download can neither pick where it
// lands nor what a later reader takes it for. A file is complete or absent:
// it is written under a temporary name and renamed into place.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include "platform/PlatformExport.h"

class PLATFORM_API UrlDownloader {
public:
    static constexpr int64_t kMaxBytes = int64_t(256) * 1024 * 1024;
    static constexpr long kTimeoutSeconds = 120;
    static constexpr long kConnectTimeoutSeconds = 20;
    static constexpr long kMaxRedirects = 5;
    // Loaded by the first download, so that a process that never downloads
    // maps neither it nor the protocol and cryptography libraries under it.
    static constexpr const char *kLibrary = "libcurl.so.4";

    // Called while the transfer runs with the bytes received so far and the
    // total (-1 while the server has not told it). Returning false cancels the
    // download.
    using Progress = std::function<bool(int64_t received, int64_t total)>;

    struct Options {
        // Use the cached file of the URL when there is one instead of fetching
        // it again; otherwise the download always replaces it.
        bool useCached = false;
        int64_t maxBytes = kMaxBytes;
        long timeoutSeconds = kTimeoutSeconds;
        long connectTimeoutSeconds = kConnectTimeoutSeconds;
        long maxRedirects = kMaxRedirects;
        Progress progress;
        // The transfer library's file name; a download fails naming it when
        // it cannot be loaded.
        std::string library = kLibrary;
    };

    struct Result {
        bool ok = false;
        std::filesystem::path file; // the cached file when ok
        std::string error;          // one line saying why, when not ok
        std::string reason;         // the same without the address, for callers that name it
        explicit operator bool() const { return ok; }
    };

    // True for names that begin with "http://" or "https://" (lower case, as
    // scene files write them).
    static bool IsUrl(std::string_view name);

    // The cache folder; empty when neither XDG_CACHE_HOME nor HOME gives one.
    static std::filesystem::path CacheFolder();

    // Where the URL's download is kept: the cache folder and a name made of
    // the URL's hash and its extension. Empty when there is no cache folder.
    static std::filesystem::path CacheFile(const std::string &url);

    // Fetches `url` into its cache file. Never throws; every failure (not a
    // URL, no cache folder, network or HTTP error, a limit reached, cancelled)
    // comes back in the result and leaves no partial file behind.
    static Result Download(const std::string &url);
    static Result Download(const std::string &url, const Options &options);
};
