#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "control/FennixChannel.h"
#include "control/FennixSocketServer.h"
#include "tests/control/ControlTestSupport.h"

using namespace fennix;
using controltest::ControlTest;
using Json = nlohmann::json;

namespace {

class ChannelTest : public ControlTest {
protected:
    void SetUp() override
    {
        ControlTest::SetUp();
        Create();
        m_channel = std::make_unique<FennixChannel>(m_control, [this](const std::string &line) { m_out.push_back(line); });
    }
    void TearDown() override
    {
        m_channel.reset();
        ControlTest::TearDown();
    }
    // Feeds text and answers the lines written for it, parsed.
    std::vector<Json> Send(const std::string &text)
    {
        m_out.clear();
        m_channel->Feed(text.data(), text.size());
        std::vector<Json> lines;
        for (const auto &l : m_out)
            lines.push_back(Json::parse(l));  // every line out is JSON
        return lines;
    }
    // A valid request still gets its answer.
    void ExpectAlive(const std::string &after)
    {
        const auto r = Send("{\"id\": 99, \"method\": \"IsNull\", \"params\": [0]}\n");
        ASSERT_EQ(r.size(), 1u) << after;
        EXPECT_EQ(r[0]["id"], 99) << after;
        EXPECT_EQ(r[0]["result"], 1) << after;
    }

    std::unique_ptr<FennixChannel> m_channel;
    std::vector<std::string> m_out;
};

} // namespace

TEST_F(ChannelTest, HostileLinesGetErrorsAndTheChannelGoesOn)
{
    struct Case {
        const char *what;
        std::string line;
        int code;
    };
    const std::string stale = std::to_string((std::uint64_t(5) << 32) | 77777);
    const Case cases[] = {
        {"no JSON", "{\"id\": 1, \"method\": ", kErrParse},
        {"binary", std::string("\x01\xff\xfe{", 4), kErrParse},
        {"an array", "[1, 2]", kErrRequest},
        {"a number", "42", kErrRequest},
        {"no method", "{\"id\": 1}", kErrRequest},
        {"a number for a method", "{\"id\": 1, \"method\": 5}", kErrRequest},
        {"an object for an id", "{\"id\": {}, \"method\": \"Redraw\"}", kErrRequest},
        {"params no array", "{\"id\": 1, \"method\": \"Redraw\", \"params\": 3}", kErrParams},
        {"an object parameter", "{\"id\": 1, \"method\": \"IsNull\", \"params\": [{}]}", kErrParams},
        {"unknown method", "{\"id\": 1, \"method\": \"DropTables\"}", kErrUnknownMethod},
        {"wrong type", "{\"id\": 1, \"method\": \"ChangeView\", \"params\": [\"x\"]}", kErrParams},
        {"wrong count", "{\"id\": 1, \"method\": \"ChangeView\", \"params\": []}", kErrParams},
        {"huge integer", "{\"id\": 1, \"method\": \"ChangeView\", \"params\": [99999999999999999999999]}", kErrParams},
        {"huge unsigned", "{\"id\": 1, \"method\": \"Refresh\", \"params\": [18446744073709551615]}", kErrParams},
        {"huge real", "{\"id\": 1, \"method\": \"ModifyView\", \"params\": [0, 1e308, -1e308]}", 0},
        {"number past a double", "{\"id\": 1, \"method\": \"ModifyView\", \"params\": [0, 1e999, 0]}", kErrParse},
        {"stale handle", "{\"id\": 1, \"method\": \"ModelInfo\", \"params\": [0, " + stale + "]}", kErrBadHandle},
        {"invalid UTF-8 in a name", "{\"id\": 1, \"method\": \"Cookies\", \"params\": [\"\xc3\x28\"]}", kErrParse},
    };
    for (const Case &c : cases) {
        const auto r = Send(c.line + "\n");
        ASSERT_EQ(r.size(), 1u) << c.what;
        if (c.code == 0) {
            EXPECT_TRUE(r[0].contains("result")) << c.what << ": " << r[0].dump();
        } else {
            ASSERT_TRUE(r[0].contains("error")) << c.what << ": " << r[0].dump();
            EXPECT_EQ(r[0]["error"]["code"], c.code) << c.what << ": " << r[0].dump();
        }
        ExpectAlive(c.what);
    }
}

TEST_F(ChannelTest, AnOverLongLineIsRefusedOnceAndForgotten)
{
    const std::string chunk(256 * 1024, 'x');
    std::vector<Json> r;
    for (int k = 0; k < 6; ++k)  // 1.5 MB in pieces, no line end yet
        for (auto &j : Send(chunk))
            r.push_back(j);
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0]["error"]["code"], kErrTooLong);
    // The rest of the long line, its end, and a request in the same read.
    const auto tail = Send(chunk + "\n{\"id\": 5, \"method\": \"GetStateInt\", \"params\": [1]}\n");
    ASSERT_EQ(tail.size(), 1u);
    EXPECT_EQ(tail[0]["id"], 5);
    EXPECT_EQ(tail[0]["result"], 0);
    // Just under the cap is read as usual (here: a long string parameter).
    const std::string big = "{\"id\": 6, \"method\": \"Cookies\", \"params\": [\"" +
                            std::string(FennixChannel::kMaxLine - 64, 'c') + "\"]}\n";
    const auto ok = Send(big);
    ASSERT_EQ(ok.size(), 1u);
    EXPECT_TRUE(ok[0].contains("result"));
    EXPECT_EQ(m_control.Properties().cookies.size(), FennixChannel::kMaxLine - 64);
}

TEST_F(ChannelTest, RequestsSplitAcrossReadsAndEventsAsLines)
{
    EXPECT_TRUE(Send("{\"id\": \"a\", \"meth").empty());
    auto r = Send("od\": \"SetAppParam\", \"params\": [\"k\", 2.5]}\r\n\n{\"id\": 8, \"method\": \"GetAppParam\", \"params\": [\"K\"]}\n");
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0]["id"], "a");
    EXPECT_EQ(r[1]["result"], 2.5);
    m_out.clear();
    m_control.FireStartSession("uMsg=113 idEvent=c");
    ASSERT_EQ(m_out.size(), 1u);
    EXPECT_EQ(Json::parse(m_out[0]), Json::parse("{\"event\": \"StartSession\", \"params\": [\"uMsg=113 idEvent=c\"]}"));
}

namespace {

// A connected client of the server's socket.
int Connect(const std::string &path)
{
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    std::snprintf(a.sun_path, sizeof(a.sun_path), "%s", path.c_str());
    if (connect(fd, reinterpret_cast<sockaddr *>(&a), sizeof(a)) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

// Polls the server until the client has a whole line; the deadline only
// stops a test whose reply never comes.
std::string ReadLine(FennixSocketServer &server, int fd)
{
    std::string line;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (std::chrono::steady_clock::now() < end) {
        server.Poll(5);
        char c;
        while (recv(fd, &c, 1, MSG_DONTWAIT) == 1) {
            if (c == '\n')
                return line;
            line += c;
        }
    }
    return "timeout: " + line;
}

class SocketTest : public ControlTest {
protected:
    void SetUp() override
    {
        ControlTest::SetUp();
        Create();
        char folder[] = "/tmp/fennix-test-XXXXXX";
        ASSERT_NE(mkdtemp(folder), nullptr);
        m_runtime = folder;
        const char *old = std::getenv("XDG_RUNTIME_DIR");
        m_oldRuntime = old ? old : "";
        m_hadRuntime = old != nullptr;
        setenv("XDG_RUNTIME_DIR", folder, 1);
    }
    void TearDown() override
    {
        if (m_hadRuntime)
            setenv("XDG_RUNTIME_DIR", m_oldRuntime.c_str(), 1);
        else
            unsetenv("XDG_RUNTIME_DIR");
        rmdir(m_runtime.c_str());
        ControlTest::TearDown();
    }
    std::string m_runtime, m_oldRuntime;
    bool m_hadRuntime = false;
};

} // namespace

TEST_F(SocketTest, ThePrivateSocketAnswersManyClientsAndGoesWithTheServer)
{
    FennixSocketServer server(m_control);
    std::string error;
    ASSERT_TRUE(server.Listen("", error)) << error;
    const std::string path = server.GetPath();
    ASSERT_EQ(path.rfind(m_runtime + "/", 0), 0u) << path;
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_TRUE(S_ISSOCK(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    const std::string folder = path.substr(0, path.rfind('/'));
    ASSERT_EQ(stat(folder.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    // A client that leaves in the middle of a request.
    const int leaver = Connect(path);
    ASSERT_GE(leaver, 0);
    const char half[] = "{\"id\": 1, \"method\": \"Red";
    ASSERT_GT(send(leaver, half, sizeof(half) - 1, 0), 0);
    server.Poll(5);
    close(leaver);

    std::vector<int> clients;
    for (int k = 0; k < 100; ++k) {
        clients.push_back(Connect(path));
        ASSERT_GE(clients.back(), 0) << k;
    }
    for (int k = 0; k < 100; ++k) {
        const std::string request = "{\"id\": " + std::to_string(k) + ", \"method\": \"GetStateInt\", \"params\": [0]}\n";
        ASSERT_GT(send(clients[k], request.data(), request.size(), 0), 0);
    }
    for (int k = 0; k < 100; ++k) {
        const std::string line = ReadLine(server, clients[k]);
        EXPECT_EQ(line, "{\"id\":" + std::to_string(k) + ",\"result\":0}");
    }
    EXPECT_EQ(server.GetClientCount(), 100);
    // An event reaches every client.
    m_control.FireStartSession("s");
    for (int k = 0; k < 100; k += 33)
        EXPECT_EQ(ReadLine(server, clients[k]), "{\"event\":\"StartSession\",\"params\":[\"s\"]}");
    for (int fd : clients)
        close(fd);
    server.Poll(20);
    EXPECT_EQ(server.GetClientCount(), 0);
    server.Close();
    EXPECT_NE(stat(path.c_str(), &st), 0);
    EXPECT_NE(stat(folder.c_str(), &st), 0);
}

TEST_F(SocketTest, APathTooLongForASocketIsRefused)
{
    FennixSocketServer server(m_control);
    std::string error;
    const std::string path = m_runtime + "/" + std::string(120, 'p');
    EXPECT_FALSE(server.Listen(path, error));
    EXPECT_NE(error.find("longer than 107 bytes"), std::string::npos) << error;
    const std::string fits = m_runtime + "/given.sock";
    ASSERT_TRUE(server.Listen(fits, error)) << error;
    EXPECT_EQ(server.GetPath(), fits);
    server.Close();
}
