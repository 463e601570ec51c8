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
#include "engine/core/SgHandleTable.h"
#include "platform/Notifier.h"
#include "platform/SgDiagHandler.h"
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

TEST_F(SocketTest, NoRequestIsServedInsideAnotherAndALeaverGoesOnlyAfterItsCall)
{
    FennixSocketServer server(m_control);
    std::string error;
    ASSERT_TRUE(server.Listen("", error)) << error;
    const int leaver = Connect(server.GetPath());
    const int other = Connect(server.GetPath());
    ASSERT_GE(leaver, 0);
    ASSERT_GE(other, 0);
    server.Poll(5);
    ASSERT_EQ(server.GetClientCount(), 2);
    // A host whose handler of an event runs a loop that serves the sockets
    // again, as a message box's modal loop does in a window.
    bool inside = false;
    int nestedLoops = 0;
    std::string heardInside;
    auto token = m_control.Events().Subscribe([&](const FennixEvent &e) {
        if (e.name != "ChangeButtonState" || inside)
            return;
        inside = true;
        ++nestedLoops;
        for (int k = 0; k < 4; ++k)
            server.Poll(5);
        char c;
        while (recv(other, &c, 1, MSG_DONTWAIT) == 1)
            heardInside += c;
        inside = false;
    });
    // The leaver asks for a call whose events start the loop, and goes.
    const std::string zoom = "{\"id\": 1, \"method\": \"ActivateViewTool\", \"params\": [2]}\n";
    ASSERT_GT(send(leaver, zoom.data(), zoom.size(), 0), 0);
    close(leaver);
    const std::string asks = "{\"id\": 2, \"method\": \"GetStateInt\", \"params\": [0]}\n"
                             "{\"id\": 3, \"method\": \"IsNull\", \"params\": [0]}\n";
    ASSERT_GT(send(other, asks.data(), asks.size(), 0), 0);
    server.Poll(20);
    EXPECT_GE(nestedLoops, 1);
    EXPECT_EQ(heardInside, "") << "a client was served inside another's call";
    // The other's requests are answered afterwards, in order.
    std::vector<std::string> ids;
    for (int k = 0; k < 20 && ids.size() < 2; ++k) {
        const Json line = Json::parse(ReadLine(server, other), nullptr, false);
        if (line.is_object() && line.contains("id"))
            ids.push_back(line["id"].dump() + (line.contains("result") ? "ok" : "error"));
    }
    EXPECT_EQ(ids, (std::vector<std::string>{"2ok", "3ok"}));
    server.Poll(5);
    EXPECT_EQ(server.GetClientCount(), 1) << "the leaver is removed once its call is over";
    token.Reset();
    close(other);
}

TEST_F(SocketTest, AClientThatComesLateHearsThatTheSessionStarted)
{
    FennixSocketServer server(m_control);
    std::string error;
    ASSERT_TRUE(server.Listen("", error)) << error;
    m_control.FireStartSession("uMsg=113 idEvent=c");
    const int late = Connect(server.GetPath());
    ASSERT_GE(late, 0);
    EXPECT_EQ(ReadLine(server, late), "{\"event\":\"StartSession\",\"params\":[\"uMsg=113 idEvent=c\"]}");
    close(late);
}

TEST_F(ControlTest, ARefusalIsTheScriptsErrorReplyAndNobodyIsAsked)
{
    // As `fennix --stdio` has it: no window, so no view and no dialogs.
    FennixControl headless;
    ASSERT_TRUE(headless.Create(nullptr));
    std::vector<std::string> out;
    FennixChannel channel(headless, [&](const std::string &line) { out.push_back(line); });
    // A notifier that counts the boxes a person would have to click away.
    struct Counting : Notifier {
        int boxes = 0;
        int Message(const std::string &, const std::string &, Buttons buttons, Icon) override
        {
            ++boxes;
            return DefaultAnswer(buttons);
        }
    } counting;
    Notifier *previous = SetNotifier(&counting);
    struct Case {
        std::string request;
        const char *said;  // null: an ordinary reply
    } const cases[] = {
        {R"({"id": 1, "method": "Play", "params": []})", "Playing needs a view"},
        {R"({"id": 2, "method": "OpenDialog", "params": [82, ""]})", "This dialog is not available"},
        {R"({"id": 3, "method": "OpenDialog", "params": [95, "x"]})", "This dialog is not available"},
        {R"({"id": 4, "method": "SaveToUrl", "params": ["http://example.invalid/a", ""]})", "not supported"},
        {R"({"id": 5, "method": "AboutBox", "params": []})", nullptr},
        {R"({"id": 6, "method": "LoadFile", "params": ["", true, 0]})", nullptr},
    };
    SgDiagCapture quiet;
    for (const Case &c : cases) {
        out.clear();
        const std::string line = c.request + "\n";
        channel.Feed(line.data(), line.size());
        ASSERT_EQ(out.size(), 1u) << c.request;
        const Json reply = Json::parse(out[0]);
        if (!c.said) {
            EXPECT_TRUE(reply.contains("result")) << c.request << ": " << out[0];
            continue;
        }
        ASSERT_TRUE(reply.contains("error")) << c.request << ": " << out[0];
        EXPECT_NE(reply["error"]["message"].get<std::string>().find(c.said), std::string::npos) << out[0];
    }
    EXPECT_EQ(counting.boxes, 0) << "a box waited for a person";
    SetNotifier(previous);
    headless.Destroy();
}

TEST_F(ChannelTest, HandlesAreWholeNumbersOfOneControlAndAScriptCanLetThemGo)
{
    auto r = Send("{\"id\": 1, \"method\": \"CreateNode\", \"params\": [\"Sphere\"]}\n");
    ASSERT_EQ(r.size(), 1u);
    ASSERT_TRUE(r[0]["result"].is_number_integer()) << r[0].dump();
    const Json made = r[0]["result"];
    const std::string handle = made.dump();
    // Sent back as the reply gave it, and as a language of doubles does.
    for (const std::string &as : {handle, handle + ".0"}) {
        r = Send("{\"id\": 2, \"method\": \"SetVal\", \"params\": [" + as + ", \"radius\", \"2.5\"]}\n");
        EXPECT_EQ(r.at(0)["result"], 1) << as;
        r = Send("{\"id\": 3, \"method\": \"GetVal\", \"params\": [" + as + ", \"radius\"]}\n");
        EXPECT_EQ(r.at(0)["result"], "2.5") << as;
    }
    for (const std::string &bad : {handle + ".5", std::string("\"x\""), std::string("-1"), std::string("true")}) {
        r = Send("{\"id\": 4, \"method\": \"InsertNode\", \"params\": [0, " + bad + ", 0, 0]}\n");
        ASSERT_TRUE(r.at(0).contains("error")) << bad << ": " << r[0].dump();
    }
    // Another control refuses it.
    FennixControl other;
    ASSERT_TRUE(other.Create(nullptr));
    const DispResult crossed = other.Call("InsertNode", {DispValue::Int(0), DispValue::Int(made.get<std::int64_t>()),
                                                         DispValue::Int(0), DispValue::Int(0)});
    EXPECT_EQ(crossed.code, kErrBadHandle) << crossed.message;
    other.Destroy();

    // Let go: held no more, refused from then on, the node gone.
    const int held = m_control.GetHeldCount();
    r = Send("{\"id\": 5, \"method\": \"Release\", \"params\": [" + handle + ", " + handle + "]}\n");
    EXPECT_EQ(r.at(0)["result"], 1) << r[0].dump();
    EXPECT_EQ(m_control.GetHeldCount(), held - 1);
    EXPECT_EQ(SgHandleTable::Lookup(made.get<SgHandleTable::Handle>()), nullptr);
    r = Send("{\"id\": 6, \"method\": \"Release\", \"params\": [" + handle + "]}\n");
    EXPECT_EQ(r.at(0)["error"]["code"], kErrBadHandle);
    r = Send("{\"id\": 7, \"method\": \"GetVal\", \"params\": [" + handle + ", \"radius\"]}\n");
    EXPECT_EQ(r.at(0)["error"]["code"], kErrBadHandle);
}

TEST_F(SocketTest, AStaleSocketIsReplacedAndALiveOneKept)
{
    const std::string path = m_runtime + "/named.sock";
    {
        // A run that ended without removing its socket.
        const int dead = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        std::snprintf(a.sun_path, sizeof(a.sun_path), "%s", path.c_str());
        ASSERT_EQ(bind(dead, reinterpret_cast<sockaddr *>(&a), sizeof(a)), 0);
        close(dead);
    }
    FennixSocketServer server(m_control);
    std::string error;
    ASSERT_TRUE(server.Listen(path, error)) << error;
    const int client = Connect(path);
    ASSERT_GE(client, 0);
    const std::string ask = "{\"id\": 1, \"method\": \"IsNull\", \"params\": [0]}\n";
    ASSERT_GT(send(client, ask.data(), ask.size(), 0), 0);
    EXPECT_EQ(ReadLine(server, client), "{\"id\":1,\"result\":1}");
    // A second server on a live socket is refused and leaves it alone.
    FennixSocketServer second(m_control);
    EXPECT_FALSE(second.Listen(path, error));
    EXPECT_NE(error.find("in use"), std::string::npos) << error;
    ASSERT_GT(send(client, ask.data(), ask.size(), 0), 0);
    EXPECT_EQ(ReadLine(server, client), "{\"id\":1,\"result\":1}");
    close(client);
    server.Close();
}

TEST_F(ChannelTest, WhatTheScenesFormulasWereRefusedReachesTheScript)
{
    // A scene given inline whose formulas remove a file, quit, loop and
    // recurse: it is read, and the reply says what was refused.
    const std::string scene = "#VRML V1.0 ascii\nSeparator {\nParametricObject {\nObject {\nNodeName \"PO\"\n"
                              "Transform {\n}\nSeparator {\nDEF 1_1 ParametricModel {\nObject {\nTransform {\n}\n"
                              "Separator {\nDEF 1_2 Cube {\n}\nDEF 1_3 Cube {\n}\n}\n}\n"
                              "PMParamList { 20005 w 1 [ ] }\nPMFormulaList {\n[\n"
                              "0 1_2 width \"(progn (file-remove \"\"fennix_channel_victim\"\") 2)\" ,\n"
                              "0 1_3 width \"(progn (quit) 2)\" ,\n] }\n}\n}\n}\nPOParamList { w 1 }\n}\n}\n";
    SgDiagCapture quiet;
    Json request = {{"id", 1}, {"method", "file"}, {"params", {scene}}};
    const auto r = Send(request.dump() + "\n");
    ASSERT_EQ(r.size(), 1u);
    ASSERT_TRUE(r[0].contains("result")) << r[0].dump();
    ASSERT_TRUE(r[0].contains("warnings")) << r[0].dump() << "\n" << quiet.GetText();
    EXPECT_NE(r[0]["warnings"].dump().find("not allowed"), std::string::npos) << r[0].dump();
    ExpectAlive("after the hostile formulas");
}
