#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>

#include "platform/UrlDownloader.h"
#include "tests/platform/CannedHttpServer.h"

namespace fs = std::filesystem;

namespace {

// Sets an environment variable for the life of the object.
class ScopedEnv {
public:
    ScopedEnv(const char *name, const char *value)
        : m_name(name)
    {
        const char *saved = std::getenv(name);
        if (saved)
            m_saved = saved;
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnv()
    {
        if (m_saved)
            ::setenv(m_name, m_saved->c_str(), 1);
        else
            ::unsetenv(m_name);
    }

private:
    const char *m_name;
    std::optional<std::string> m_saved;
};

std::string ReadFile(const fs::path &file)
{
    std::ifstream in(file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteFile(const fs::path &file, const std::string &text)
{
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << text;
}

// The cache lives in a private temporary folder for each test.
class UrlDownloaderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "url-downloader-test-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_root = pattern;
        m_cache.emplace("XDG_CACHE_HOME", (m_root / "cache").c_str());
    }

    void TearDown() override
    {
        m_cache.reset();
        std::error_code ignored;
        fs::remove_all(m_root, ignored);
    }

    fs::path CacheFolder() const { return m_root / "cache" / "3RUruver" / "url-cache"; }

    std::vector<std::string> CacheEntries() const
    {
        std::vector<std::string> names;
        std::error_code error;
        for (const fs::directory_entry &entry : fs::directory_iterator(CacheFolder(), error))
            names.push_back(entry.path().filename().string());
        return names;
    }

    fs::path m_root;
    // Requests go straight to 127.0.0.1 even where a proxy is configured.
    ScopedEnv m_noProxy{"no_proxy", "127.0.0.1"};
    ScopedEnv m_noProxyUpper{"NO_PROXY", "127.0.0.1"};
    std::optional<ScopedEnv> m_cache;
};

} // namespace

TEST_F(UrlDownloaderTest, StoresTheBodyUnderTheUrlHashAndTheUrlsOwnExtension)
{
    CannedHttpServer server({CannedHttpServer::Reply(
        "200 OK", "texture bytes", "Content-Disposition: attachment; filename=\"run.sh\"\r\n")});
    ASSERT_TRUE(server.Running());
    std::string url = server.Url("/tex/wood.bmp?v=2");

    UrlDownloader::Result result = UrlDownloader::Download(url);

    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.file, UrlDownloader::CacheFile(url));
    EXPECT_EQ(result.file.parent_path(), CacheFolder());
    EXPECT_EQ(result.file.extension(), ".bmp") << "the extension comes from the URL's path, not its query";
    EXPECT_EQ(result.file.stem().string().size(), 64u) << result.file;
    EXPECT_EQ(ReadFile(result.file), "texture bytes");
    EXPECT_EQ(CacheEntries(), std::vector<std::string>{result.file.filename().string()})
        << "the server's file name is never used and no temporary file is left";
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(server.Requests()[0], "GET /tex/wood.bmp?v=2 HTTP/1.1");

    struct stat info{};
    ASSERT_EQ(::stat(CacheFolder().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u) << "the cache folder is private to the user";
}

TEST_F(UrlDownloaderTest, CacheFileNameIsTheSha256OfTheUrlAndASafeExtension)
{
    struct Case {
        std::string url;
        std::string name;
    };
    const std::string abc = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";
    const Case cases[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", abc},
        // Two blocks of input, so the padding spills into a second block.
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(UrlDownloader::CacheFile(c.url).filename().string(), c.name) << "URL \"" << c.url << "\"";

    struct ExtensionCase {
        const char *url;
        const char *extension;
    };
    const ExtensionCase extensions[] = {
        {"http://h/a.BMP", ".BMP"},
        {"http://h/a.tar.gz", ".gz"},
        {"http://h/a.bmp?name=x.exe", ".bmp"},
        {"http://h/a.bmp#x.exe", ".bmp"},
        {"http://h/folder.d/file", ""},
        {"http://h.example", ""},
        {"http://h/?x=a.bmp", ""},
        {"http://h/a.sh;rm", ""},
        {"http://h/a.averylongextension", ""},
        {"https://h/a.jpg", ".jpg"},
    };
    for (const ExtensionCase &c : extensions)
        EXPECT_EQ(UrlDownloader::CacheFile(c.url).extension().string(), c.extension) << c.url;

    EXPECT_NE(UrlDownloader::CacheFile("http://h/a.bmp"), UrlDownloader::CacheFile("http://h/b.bmp"));
}

TEST_F(UrlDownloaderTest, CacheFolderFollowsXdgCacheHomeThenHome)
{
    EXPECT_EQ(UrlDownloader::CacheFolder(), CacheFolder());
    {
        ScopedEnv relative("XDG_CACHE_HOME", "relative/cache");
        ScopedEnv home("HOME", (m_root / "home").c_str());
        EXPECT_EQ(UrlDownloader::CacheFolder(), m_root / "home" / ".cache" / "3RUruver" / "url-cache");
    }
    ScopedEnv noCache("XDG_CACHE_HOME", nullptr);
    ScopedEnv noHome("HOME", nullptr);
    EXPECT_TRUE(UrlDownloader::CacheFolder().empty());
    UrlDownloader::Result result = UrlDownloader::Download("http://127.0.0.1:9/a.bmp");
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.error.find("no cache folder"), std::string::npos) << result.error;
}

TEST_F(UrlDownloaderTest, FollowsARedirectAndKeepsTheRequestedUrlsName)
{
    CannedHttpServer server({
        {"HTTP/1.1 302 Found\r\nLocation: /elsewhere/final.jpg\r\nContent-Length: 0\r\nConnection: close\r\n\r\n"},
        CannedHttpServer::Reply("200 OK", "moved body"),
    });
    ASSERT_TRUE(server.Running());
    std::string url = server.Url("/start.png");

    UrlDownloader::Result result = UrlDownloader::Download(url);

    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(ReadFile(result.file), "moved body");
    EXPECT_EQ(result.file.extension(), ".png");
    EXPECT_EQ(server.Requests(), (std::vector<std::string>{"GET /start.png HTTP/1.1", "GET /elsewhere/final.jpg HTTP/1.1"}));
}

TEST_F(UrlDownloaderTest, UsesTheCachedFileOnlyWhenAsked)
{
    CannedHttpServer server({CannedHttpServer::Reply("200 OK", "fresh")});
    ASSERT_TRUE(server.Running());
    std::string url = server.Url("/a.bmp");
    WriteFile(UrlDownloader::CacheFile(url), "cached");

    UrlDownloader::Options cached;
    cached.useCached = true;
    UrlDownloader::Result first = UrlDownloader::Download(url, cached);
    ASSERT_TRUE(first.ok) << first.error;
    EXPECT_EQ(ReadFile(first.file), "cached");
    EXPECT_TRUE(server.Requests().empty()) << "a cached URL must not be fetched again";

    UrlDownloader::Result second = UrlDownloader::Download(url);
    ASSERT_TRUE(second.ok) << second.error;
    EXPECT_EQ(ReadFile(second.file), "fresh");
    EXPECT_EQ(server.Requests().size(), 1u);
}

TEST_F(UrlDownloaderTest, ReportsEachFailureInOneLineAndKeepsTheCacheAsItWas)
{
    const std::string big(5000, 'x');
    struct Case {
        const char *name;
        std::vector<CannedHttpServer::Response> responses;
        std::function<void(UrlDownloader::Options &)> adjust;
        std::string url; // empty: the server's "/t.bmp"
        const char *reason;
    };
    const Case cases[] = {
        {"not found", {CannedHttpServer::Reply("404 Not Found", "missing")}, nullptr, "", "status 404"},
        {"not http", {}, nullptr, "ftp://127.0.0.1/t.bmp", "not an http or https URL"},
        {"line break in URL", {}, nullptr, "http://127.0.0.1/t.bmp\r\nX: y", "control character"},
        {"redirect to a file",
         {{"HTTP/1.1 302 Found\r\nLocation: file:///etc/hostname\r\nContent-Length: 0\r\nConnection: close\r\n\r\n"}},
         nullptr, "", "scheme other than http or https"},
        {"redirect loop",
         {{"HTTP/1.1 302 Found\r\nLocation: /t.bmp\r\nContent-Length: 0\r\nConnection: close\r\n\r\n"}},
         nullptr, "", "too many redirects (more than 5 redirects)"},
        {"declared size over the cap", {CannedHttpServer::Reply("200 OK", big)},
         [](UrlDownloader::Options &o) { o.maxBytes = 1000; }, "", "larger than 1000 bytes"},
        {"undeclared size over the cap", {{"HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + big}},
         [](UrlDownloader::Options &o) { o.maxBytes = 1000; }, "", "larger than 1000 bytes"},
        {"stalled server", {{"HTTP/1.1 200 OK\r\nContent-Length: 100\r\nConnection: close\r\n\r\npart", true}},
         [](UrlDownloader::Options &o) { o.timeoutSeconds = 1; }, "", "within 1 seconds"},
        {"cancelled", {{"HTTP/1.1 200 OK\r\nContent-Length: 100\r\nConnection: close\r\n\r\npart", true}},
         [](UrlDownloader::Options &o) { o.progress = [](int64_t, int64_t) { return false; }; }, "", "cancelled"},
        {"throwing progress", {{"HTTP/1.1 200 OK\r\nContent-Length: 100\r\nConnection: close\r\n\r\npart", true}},
         [](UrlDownloader::Options &o) {
             o.progress = [](int64_t, int64_t) -> bool { throw std::runtime_error("callback failed"); };
         },
         "", "cancelled"},
        {"no size allowed", {}, [](UrlDownloader::Options &o) { o.maxBytes = 0; }, "", "invalid download limits"},
        {"no download library", {},
         [](UrlDownloader::Options &o) { o.library = "libfennix-no-such-download-library.so"; }, "",
         "cannot load the download library libfennix-no-such-download-library.so"},
    };

    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        CannedHttpServer server(c.responses);
        ASSERT_TRUE(server.Running());
        std::string url = c.url.empty() ? server.Url("/t.bmp") : c.url;
        // A file from an earlier, good download must survive a failed one.
        fs::path cacheFile = UrlDownloader::CacheFile(url);
        WriteFile(cacheFile, "earlier");
        UrlDownloader::Options options;
        options.timeoutSeconds = 10;
        if (c.adjust)
            c.adjust(options);

        UrlDownloader::Result result = UrlDownloader::Download(url, options);

        EXPECT_FALSE(result.ok);
        EXPECT_NE(result.error.find(c.reason), std::string::npos) << "reason: " << result.error;
        EXPECT_EQ(result.error.find_first_of("\r\n"), std::string::npos) << "reason: " << result.error;
        EXPECT_EQ(ReadFile(cacheFile), "earlier");
        EXPECT_EQ(CacheEntries(), std::vector<std::string>{cacheFile.filename().string()})
            << "a failed download leaves no partial file";
        fs::remove(cacheFile);
    }
}

TEST_F(UrlDownloaderTest, ProgressSeesTheBytesAsTheyArrive)
{
    const std::string body(20000, 'b');
    CannedHttpServer server({CannedHttpServer::Reply("200 OK", body)});
    ASSERT_TRUE(server.Running());
    int64_t lastReceived = -1, lastTotal = 0;
    UrlDownloader::Options options;
    options.progress = [&](int64_t received, int64_t total) {
        EXPECT_GE(received, lastReceived) << "progress never goes back";
        lastReceived = received;
        lastTotal = total;
        return true;
    };

    UrlDownloader::Result result = UrlDownloader::Download(server.Url("/p.bmp"), options);

    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(ReadFile(result.file).size(), body.size());
    ASSERT_GE(lastReceived, 0) << "the progress callback was never called";
    EXPECT_EQ(lastTotal, static_cast<int64_t>(body.size()));
}
