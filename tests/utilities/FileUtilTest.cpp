#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "platform/Notifier.h"
#include "platform/Settings.h"
#include "tests/platform/CannedHttpServer.h"
#include "utilities/FileUtil.h"

namespace fs = std::filesystem;

namespace {

std::string MakeTempFolder(const char *stem)
{
    std::string pattern = (fs::temp_directory_path() / (std::string(stem) + "-XXXXXX")).string();
    return ::mkdtemp(pattern.data()) ? pattern : std::string();
}

// The start-up folder is fixed once per process, so the whole program starts
// "in" a temporary folder of its own: the tests can then put files and
// "tex_path.txt" there without touching the folder the tests were run from.
class StartupFolderEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        // A repeated run finds the folder fixed by the first one.
        if (!m_folder.empty()) {
            fs::create_directories(m_folder);
            return;
        }
        m_folder = MakeTempFolder("file-util-startup");
        ASSERT_FALSE(m_folder.empty());
        fs::path previous = fs::current_path();
        fs::current_path(m_folder);
        std::string fixed;
        FileUtil::GetCurrentWorkingDir(fixed);
        fs::current_path(previous);
    }

    void TearDown() override
    {
        std::error_code ignored;
        fs::remove_all(m_folder, ignored);
    }

private:
    std::string m_folder;
};

::testing::Environment *const s_startupEnvironment =
    ::testing::AddGlobalTestEnvironment(new StartupFolderEnvironment);

class ScopedEnv {
public:
    ScopedEnv(const char *name, const char *value)
        : m_name(name)
    {
        if (const char *saved = std::getenv(name))
            m_saved = saved;
        ::setenv(name, value, 1);
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

std::string ReadFile(const std::string &file)
{
    std::ifstream in(file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Settings and cache in a private folder; files below it and in the start-up
// folder; a file chooser that records what it is asked and gives `m_answer`.
class FileUtilTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_root = MakeTempFolder("file-util-test");
        ASSERT_FALSE(m_root.empty());
        m_config.emplace("XDG_CONFIG_HOME", (m_root + "/config").c_str());
        m_cache.emplace("XDG_CACHE_HOME", (m_root + "/cache").c_str());
        FileUtil::GetCurrentWorkingDir(m_startup);
        ASSERT_FALSE(m_startup.empty());
        m_library = m_root + "/Lib";
        m_previousChooser = SetFileChooser([this](const FileRequest &request) {
            m_requests.push_back(request);
            return m_answer;
        });
    }

    void TearDown() override
    {
        SetFileChooser(m_previousChooser);
        std::error_code ignored;
        for (const fs::directory_entry &entry : fs::directory_iterator(m_startup, ignored))
            fs::remove_all(entry.path(), ignored);
        fs::remove_all(m_root, ignored);
        m_config.reset();
        m_cache.reset();
    }

    // Creates the file (and its folders) holding `content`; returns its path.
    static std::string Touch(const std::string &path, const std::string &content = "x")
    {
        fs::create_directories(fs::path(path).parent_path());
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }

    void SetLibrary(const std::string &folder) { ASSERT_TRUE(Settings::Set("Texture_path", folder)); }

    void WriteFolderList(const std::string &text) { Touch(m_startup + "/tex_path.txt", text); }

    std::string m_root, m_startup, m_library;
    std::optional<std::string> m_answer;
    std::vector<FileRequest> m_requests;

private:
    std::optional<ScopedEnv> m_config, m_cache;
    FileChooser m_previousChooser;
};

std::string Upper(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; });
    return text;
}

std::string Backslashed(std::string text)
{
    std::replace(text.begin(), text.end(), '/', '\\');
    return text;
}

} // namespace

TEST(FileUtilSplit, SplitsPathsIntoDriveFolderNameAndExtension)
{
    struct Case {
        const char *path;
        const char *drive, *dir, *name, *ext;
    };
    const Case cases[] = {
        {"C:\\tex\\wood.bmp", "C:", "/tex/", "wood", ".bmp"},
        {"tex/sub\\wood.Bmp", "", "tex/sub/", "wood", ".Bmp"},
        {"/home/u/archive.tar.gz", "", "/home/u/", "archive.tar", ".gz"},
        {"folder.d/file", "", "folder.d/", "file", ""},
        {"C:wood.bmp", "C:", "", "wood", ".bmp"},
        {"wood", "", "", "wood", ""},
        {"", "", "", "", ""},
        {nullptr, "", "", "", ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.path ? c.path : "(null)");
        EXPECT_EQ(FileUtil::ExtractDriveName(c.path), c.drive);
        EXPECT_EQ(FileUtil::ExtractDirName(c.path), c.dir);
        EXPECT_EQ(FileUtil::ExtractFileName(c.path, false), c.name);
        EXPECT_EQ(FileUtil::ExtractFileName(c.path, true), std::string(c.name) + c.ext);
        EXPECT_EQ(FileUtil::ExtractExtName(c.path), c.ext);
    }
}

TEST(FileUtilSplit, SetTexturePathesSplitsAtSemicolonsAndCommas)
{
    struct Case {
        const char *list;
        std::vector<std::string> items;
    };
    const std::string longFolder(300, 'f');
    const Case cases[] = {
        {"a;b,c", {"a", "b", "c"}},
        {"a;", {"a"}},
        {";a", {"", "a"}},
        {"a;;b", {"a", "", "b"}},
        {";", {""}},
        {"", {}},
        {nullptr, {}},
        // No length limit: a long folder name is kept whole.
        {longFolder.c_str(), {longFolder}},
    };
    for (const Case &c : cases) {
        std::vector<std::string> items = {"left over"};
        int count = FileUtil::SetTexturePathes(c.list, items);
        EXPECT_EQ(items, c.items) << "list \"" << (c.list ? c.list : "(null)") << "\"";
        EXPECT_EQ(count, static_cast<int>(c.items.size())) << "list \"" << (c.list ? c.list : "(null)") << "\"";
    }
}

TEST_F(FileUtilTest, CodePathCodesOnlyPathsInsideTheLibraryAndDecodesThemBack)
{
    std::string file = Touch(m_library + "/sub/a.bmp");
    std::string inside = "$TEXTURE_LIB_PATH$/sub/a.bmp";
    struct Case {
        std::string path;
        std::string coded;
    };
    const Case cases[] = {
        {file, inside},
        {Upper(m_library) + "/sub/a.bmp", inside},
        {Backslashed(file), inside},
        {m_root + "/Lib2/a.bmp", m_root + "/Lib2/a.bmp"},
        {m_root + "/other/a.bmp", m_root + "/other/a.bmp"},
        {"relative/a.bmp", "relative/a.bmp"},
        {"http://127.0.0.1:9/Lib/a.bmp", "http://127.0.0.1:9/Lib/a.bmp"},
    };
    for (const std::string &library : {m_library, m_library + "/", Backslashed(m_library)}) {
        SetLibrary(library);
        for (const Case &c : cases) {
            std::string coded;
            FileUtil::CodePath(c.path, coded);
            EXPECT_EQ(coded, c.coded) << "library \"" << library << "\", path \"" << c.path << "\"";
        }
        std::string decoded;
        FileUtil::DecodePath(inside, decoded, nullptr);
        EXPECT_EQ(decoded, file) << "library \"" << library << "\"";
    }

    ASSERT_TRUE(Settings::Set("Texture_path", ""));
    std::string coded;
    FileUtil::CodePath(file, coded);
    EXPECT_EQ(coded, file) << "without a library folder nothing is coded";
}

TEST_F(FileUtilTest, DecodePathSearchesTheFoldersInOrder)
{
    SetLibrary(m_library);
    const std::string scene = m_root + "/Scene/scene.kvrx";
    Touch(scene);
    Touch(m_startup + "/sub/a.bmp");
    Touch(m_startup + "/shared.bmp");
    Touch(m_library + "/shared.bmp");
    Touch(m_library + "/b.bmp");
    Touch(m_library + "/d.bmp");
    Touch(m_library + "/e.bmp");
    Touch(m_library + "/sub/$x.bmp");
    Touch(m_root + "/Scene/c.bmp");
    Touch(m_root + "/ListAbs/f.bmp");
    Touch(m_startup + "/ListRel/g.bmp");
    fs::create_directories(m_startup + "/folder.bmp");
    WriteFolderList(Backslashed(m_root + "/ListAbs") + "\r\n\r\nListRel\r\n");

    struct Case {
        std::string path;
        std::string expected;
        const char *why;
    };
    const Case cases[] = {
        {"sub\\a.bmp", m_startup + "/sub/a.bmp", "start-up folder, with the path's folders"},
        {"shared.bmp", m_startup + "/shared.bmp", "start-up folder before the library"},
        {"b.bmp", m_library + "/b.bmp", "library folder"},
        {"textures\\c.bmp", m_root + "/Scene/c.bmp", "reference folder, by file name"},
        {"f.bmp", m_root + "/ListAbs/f.bmp", "absolute folder of tex_path.txt"},
        {"g.bmp", m_startup + "/ListRel/g.bmp", "relative folder of tex_path.txt, below the start-up folder"},
        {"C:\\tex\\d.bmp", m_library + "/d.bmp", "drive letter: its file name is looked up"},
        {"E.BMP", m_library + "/e.bmp", "letter case differs"},
        {"$TEXTURE_LIB_PATH$\\sub\\$x.bmp", m_library + "/sub/$x.bmp", "'$' in a coded file name"},
        {"$TEXTURE_LIB_PATH$\\gone\\c.bmp", m_root + "/Scene/c.bmp", "coded miss goes on searching"},
        {m_library + "/b.bmp", m_library + "/b.bmp", "absolute"},
        {"/nowhere/x.bmp", "/nowhere/x.bmp", "absolute, missing"},
        {"\\nowhere\\x.bmp", "/nowhere/x.bmp", "absolute with backslashes, missing"},
        {"http://127.0.0.1:9/none.bmp", "http://127.0.0.1:9/none.bmp", "URL"},
        {"https://127.0.0.1:9/none.bmp", "https://127.0.0.1:9/none.bmp", "URL"},
        {"", "", "empty"},
    };
    for (const Case &c : cases) {
        std::string decoded = "junk";
        FileUtil::DecodePath(c.path, decoded, scene.c_str());
        EXPECT_EQ(decoded, c.expected) << c.why << ": \"" << c.path << "\"";
    }
    EXPECT_TRUE(m_requests.empty()) << "found or absolute paths must not ask the user";

    // A folder of the searched name is no file: the search goes on.
    m_answer.reset();
    std::string decoded;
    FileUtil::DecodePath("folder.bmp", decoded, nullptr);
    EXPECT_EQ(decoded, "folder.bmp");
    EXPECT_EQ(m_requests.size(), 1u);
}

TEST_F(FileUtilTest, WithoutAFolderListMissingFilesComeBackUnchangedAndNobodyIsAsked)
{
    m_answer = m_root + "/never.bmp";
    const std::pair<const char *, const char *> cases[] = {
        {"tex\\nolist.bmp", "tex/nolist.bmp"},
        {"C:\\tex\\nolist.bmp", "C:/tex/nolist.bmp"},
        {"$TEXTURE_LIB_PATH$\\nolist.bmp", "$TEXTURE_LIB_PATH$/nolist.bmp"},
    };
    for (const auto &[path, expected] : cases) {
        std::string decoded;
        FileUtil::DecodePath(path, decoded, nullptr);
        EXPECT_EQ(decoded, expected);
    }
    EXPECT_TRUE(m_requests.empty()) << "the file chooser was asked " << m_requests.size() << " times";
}

TEST_F(FileUtilTest, WithAFolderListTheUserIsAskedOncePerFileName)
{
    WriteFolderList("");
    // The answer is remembered for the process: a name of this run's own
    // keeps a repeated run from finding it.
    const std::string name = "asked-" + fs::path(m_root).filename().string();
    std::string picked = Touch(m_root + "/picked/" + name + ".bmp");
    m_answer = Backslashed(picked);

    std::string decoded;
    FileUtil::DecodePath("tex\\" + name + ".bmp", decoded, nullptr);
    EXPECT_EQ(decoded, picked);
    ASSERT_EQ(m_requests.size(), 1u);
    EXPECT_EQ(m_requests[0].title, "Where is your missing file?");
    EXPECT_EQ(m_requests[0].initialName, name + ".bmp");
    EXPECT_EQ(m_requests[0].defaultExtension, "bmp");
    EXPECT_EQ(m_requests[0].filter, "Bitmap files(*.bmp)|*.bmp|Jpeg files(*.jpg)|*.jpg|All Files (*.*)|*.*||");
    EXPECT_FALSE(m_requests[0].save);

    // The same file name elsewhere is answered from memory.
    FileUtil::DecodePath("C:\\other\\" + name + ".bmp", decoded, nullptr);
    EXPECT_EQ(decoded, picked);
    EXPECT_EQ(m_requests.size(), 1u) << "the remembered answer must be used";

    // Another name is asked for; a cancel leaves the path as it was.
    m_answer.reset();
    FileUtil::DecodePath("tex\\" + name + ".jpg", decoded, nullptr);
    EXPECT_EQ(decoded, "tex/" + name + ".jpg");
    ASSERT_EQ(m_requests.size(), 2u);
    EXPECT_EQ(m_requests[1].initialName, name + ".jpg");
    EXPECT_EQ(m_requests[1].defaultExtension, "jpg");
}

TEST_F(FileUtilTest, FindFileInDirListLooksAtTheNameThenEachFolder)
{
    SetLibrary(m_library);
    const std::string abs = m_root + "/Abs";
    Touch(m_startup + "/rel/x.bmp");
    Touch(abs + "/x.bmp");
    Touch(abs + "/sub/y.bmp");
    Touch(m_library + "/z.bmp");

    struct Case {
        std::vector<std::string> folders;
        std::string name;
        int result;
        std::string found;
    };
    const Case cases[] = {
        {{"rel"}, "x.bmp", 1, m_startup + "/rel/x.bmp"},
        {{"rel\\"}, "x.bmp", 1, m_startup + "/rel/x.bmp"},
        {{abs}, "sub\\y.bmp", 1, abs + "/sub/y.bmp"},
        {{"nothing", Backslashed(abs)}, "X.BMP", 1, abs + "/x.bmp"},
        {{abs}, "/missing/place/x.bmp", 1, abs + "/x.bmp"},
        {{}, abs + "/x.bmp", 1, abs + "/x.bmp"},
        {{}, "C:\\tex\\z.bmp", 1, m_library + "/z.bmp"},
        {{abs}, "\\missing\\q.bmp", 0, "/missing/q.bmp"},
        {{abs}, "q.bmp", 0, "unchanged"},
        {{"C:\\Abs", "C:"}, "x.bmp", 0, "unchanged"},
        {{abs}, "", 0, "unchanged"},
    };
    for (const Case &c : cases) {
        std::string found = "unchanged";
        int result = FileUtil::FindFileInDirList(c.folders, c.name, found);
        EXPECT_EQ(result, c.result) << "name \"" << c.name << "\"";
        EXPECT_EQ(found, c.found) << "name \"" << c.name << "\"";
    }

    std::string found = "unchanged";
    EXPECT_EQ(FileUtil::FindFileInDirList(3, nullptr, "x.bmp", found), 0) << "a null folder array";
    EXPECT_EQ(found, "unchanged");
}

TEST_F(FileUtilTest, RelativeFoldersAreBelowTheStartupFolderNotTheCurrentDirectory)
{
    std::string startupFile = Touch(m_startup + "/rel/w.bmp", "start-up");
    Touch(m_root + "/elsewhere/rel/w.bmp", "current");
    fs::path previous = fs::current_path();
    fs::current_path(m_root + "/elsewhere");

    std::string found;
    int result = FileUtil::FindFileInDirList({"rel"}, "w.bmp", found);
    std::string decoded;
    FileUtil::DecodePath("rel/w.bmp", decoded, nullptr);
    fs::current_path(previous);

    EXPECT_EQ(result, 1);
    EXPECT_EQ(found, startupFile);
    EXPECT_EQ(decoded, startupFile);
}

TEST_F(FileUtilTest, FindFileInDirListDownloadsUrlsAndTakesAFailedDownloadAsAMiss)
{
    ScopedEnv noProxy("no_proxy", "127.0.0.1");
    ScopedEnv noProxyUpper("NO_PROXY", "127.0.0.1");
    const std::string abs = m_root + "/Abs";
    Touch(abs + "/x.bmp");
    CannedHttpServer server({
        CannedHttpServer::Reply("404 Not Found", ""),
        CannedHttpServer::Reply("200 OK", "from folder"),
        CannedHttpServer::Reply("200 OK", "from name"),
        CannedHttpServer::Reply("404 Not Found", ""),
    });
    ASSERT_TRUE(server.Running());
    const std::string cache = m_root + "/cache/";

    std::string found;
    EXPECT_EQ(FileUtil::FindFileInDirList({server.Url("/tex"), abs}, "x.bmp", found), 1);
    EXPECT_EQ(found, abs + "/x.bmp") << "a failed download goes on with the next folder";

    EXPECT_EQ(FileUtil::FindFileInDirList({server.Url("/tex/")}, "sub dir\\w.bmp", found), 1);
    EXPECT_EQ(found.rfind(cache, 0), 0u) << found;
    EXPECT_EQ(ReadFile(found), "from folder");

    EXPECT_EQ(FileUtil::FindFileInDirList({}, server.Url("/n.bmp"), found), 1);
    EXPECT_EQ(found.rfind(cache, 0), 0u) << found;
    EXPECT_EQ(ReadFile(found), "from name");

    EXPECT_EQ(FileUtil::FindFileInDirList({abs}, server.Url("/gone/x.bmp?v=1"), found), 1);
    EXPECT_EQ(found, abs + "/x.bmp") << "a URL that fails is looked for by its file name";

    EXPECT_EQ(server.Requests(), (std::vector<std::string>{"GET /tex/x.bmp HTTP/1.1", "GET /tex/sub%20dir/w.bmp HTTP/1.1",
                                                           "GET /n.bmp HTTP/1.1", "GET /gone/x.bmp?v=1 HTTP/1.1"}));
}
