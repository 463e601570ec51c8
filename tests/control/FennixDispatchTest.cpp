#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <unistd.h>
#include <set>
#include <span>
#include <string>

#include <nlohmann/json.hpp>

#include "control/FennixBase64.h"
#include "control/FennixDispatch.h"
#include "control/FennixDispatchDocs.h"
#include "control/FennixPropertyPage.h"
#include "engine/core/SgHandleTable.h"
#include "engine/document/SgDocument.h"
#include "engine/document/SgDocumentFiles.h"
#include "engine/nodes/object/SgObject.h"
#include "facade/CDrevon.h"
#include "facade/CommandRecord.h"
#include "platform/SgDiagHandler.h"
#include "tests/control/ControlTestSupport.h"

using namespace fennix;
using controltest::ControlTest;

namespace {

// Plausible arguments of each declared type, for calls that only must not crash.
DispArgs ArgsFor(const DispEntry &e)
{
    DispArgs args;
    for (DispType t : e.params) {
        switch (t) {
        case DispType::Bstr: args.push_back(DispValue::Str("")); break;
        case DispType::R8: args.push_back(DispValue::Real(0)); break;
        case DispType::Bool: args.push_back(DispValue::Bool(false)); break;
        case DispType::Variant: args.push_back(DispValue::Int(0)); break;
        default: args.push_back(DispValue::Int(0)); break;
        }
    }
    return args;
}

} // namespace

// What holds for every entry, however many the table has: ids count up from 1
// in the order of the map (the stock AboutBox keeps its standard id), names
// and ids are unique and each finds its entry, properties take one value, and
// the description a client reads lists the table as it is.
TEST(FennixDispatchTableTest, EntriesAreNumberedInOrderAndFoundByIdAndName)
{
    const auto &table = DispatchTable();
    ASSERT_FALSE(table.empty());
    std::set<int> ids;
    std::set<std::string> names;
    int previous = 0;
    for (const DispEntry &e : table) {
        EXPECT_TRUE(ids.insert(e.dispid).second) << e.name << ": id " << e.dispid << " taken twice";
        EXPECT_TRUE(names.insert(e.name).second) << e.name << " named twice";
        EXPECT_NE(e.handler, nullptr) << e.name;
        if (e.property) {
            EXPECT_EQ(e.params.size(), 1u) << e.name;
        }
        ASSERT_NE(FindEntry(e.name), nullptr) << e.name;
        EXPECT_EQ(FindEntry(e.name)->dispid, e.dispid) << e.name;
        ASSERT_NE(FindEntry(e.dispid), nullptr) << e.name;
        EXPECT_STREQ(FindEntry(e.dispid)->name, e.name);
        if (std::string(e.name) == "AboutBox") {
            EXPECT_EQ(e.dispid, -552);
            continue;
        }
        EXPECT_EQ(e.dispid, previous + 1) << e.name << " breaks the numbering";
        previous = e.dispid;
    }
    EXPECT_EQ(FindEntry("NoSuchMethod"), nullptr);
    EXPECT_EQ(FindEntry(previous + 1), nullptr);

    std::set<std::string> events;
    for (const EventEntry &e : EventTable()) {
        EXPECT_TRUE(events.insert(e.name).second) << e.name << " named twice";
        ASSERT_NE(FindEvent(e.name), nullptr) << e.name;
        EXPECT_EQ(FindEvent(e.name)->dispid, e.dispid) << e.name;
    }

    const auto json = nlohmann::json::parse(DescribeJson());
    ASSERT_EQ(json["methods"].size(), table.size());
    for (std::size_t k = 0; k < table.size(); ++k) {
        EXPECT_EQ(json["methods"][k]["name"], table[k].name);
        EXPECT_EQ(json["methods"][k]["params"].size(), table[k].params.size()) << table[k].name;
    }
    ASSERT_EQ(json["events"].size(), EventTable().size());
    for (std::size_t k = 0; k < EventTable().size(); ++k) {
        EXPECT_EQ(json["events"][k]["name"], EventTable()[k].name);
    }
}

// Scripts written for the control call these by id and signature.
TEST(FennixDispatchTableTest, IdsAndSignaturesScriptsRelyOnStay)
{
    EXPECT_EQ(FindEntry("AboutBox")->dispid, -552);
    ASSERT_NE(FindEntry(75), nullptr);
    EXPECT_STREQ(FindEntry(75)->name, "ModelInfo");
    const auto json = nlohmann::json::parse(DescribeJson());
    const int insertNode = FindEntry("InsertNode")->dispid - 1;
    EXPECT_EQ(json["methods"][insertNode]["name"], "InsertNode");
    EXPECT_EQ(json["methods"][insertNode]["params"], nlohmann::json({"R8", "R8", "I2", "R8"}));
    EXPECT_EQ(json["methods"][insertNode]["result"], "I4");
    for (const char *event : {"ClickEvent", "StartSession", "CustomEvent1", "ChangeButtonState",
                              "CreateToolFinish", "CreateToolStart"}) {
        EXPECT_NE(FindEvent(event), nullptr) << event;
    }
    const nlohmann::json *event = nullptr;
    for (const auto &e : json["events"]) {
        if (e["name"] == "ChangeButtonState")
            event = &e;
    }
    ASSERT_NE(event, nullptr);
    EXPECT_EQ((*event)["params"], nlohmann::json({"I4", "I4"}));
}

TEST(FennixDispatchTableTest, Base64RoundTripsEveryLengthModuloThree)
{
    for (const std::string &s : {std::string(), std::string("f"), std::string("fo"), std::string("foo"),
                                 std::string("\0\xff\x10\x80", 4)}) {
        std::string back;
        ASSERT_TRUE(Base64Decode(Base64Encode(s), back));
        EXPECT_EQ(back, s);
    }
    EXPECT_EQ(Base64Encode("fo"), "Zm8=");
    std::string out;
    EXPECT_FALSE(Base64Decode("Zm8", out));
    EXPECT_FALSE(Base64Decode("Z=8=", out));
}

TEST_F(ControlTest, EveryMethodBeforeTheWindowExistsAnswersWithoutTouchingAFacade)
{
    for (const DispEntry &e : DispatchTable()) {
        const DispResult r = m_control.Call(e, ArgsFor(e));
        if (!r.ok) {
            EXPECT_EQ(r.code, kErrNoWindow) << e.name << ": " << r.message;
        }
    }
    EXPECT_EQ(m_control.GetFacade(), nullptr);
    EXPECT_EQ(m_control.Call("Redraw", {}).code, kErrNoWindow);
}

TEST_F(ControlTest, EveryMethodWithPlausibleArgumentsAnswersOnAWindow)
{
    Create();
    for (const DispEntry &e : DispatchTable()) {
        if (std::strcmp(e.name, "SaveToUrl") == 0 || std::strcmp(e.name, "Play") == 0)
            continue;  // a network address; a timer that outlives the sweep
        const DispResult r = m_control.Call(e, ArgsFor(e));
        if (!r.ok) {
            // A window of no size is refused as a parameter.
            const bool sizeRefused = std::strcmp(e.name, "CreateViewer") == 0 && r.code == kErrParams;
            EXPECT_TRUE(r.code == kErrFailed || r.code == kErrBadHandle || sizeRefused)
                << e.name << ": " << r.message;
        }
    }
}

TEST_F(ControlTest, WrongCallsGetAnErrorResult)
{
    Create();
    struct Case {
        const char *what;
        const char *method;
        DispArgs args;
        int code;
    };
    const Case cases[] = {
        {"unknown method", "NoSuchMethod", {}, kErrUnknownMethod},
        {"too few", "Undo", {}, kErrParams},
        {"too many", "Redraw", {DispValue::Int(1)}, kErrParams},
        {"a string for an integer", "ChangeView", {DispValue::Str("1")}, kErrParams},
        {"a fraction for an integer", "ChangeView", {DispValue::Real(1.5)}, kErrParams},
        {"past I2", "ChangeView", {DispValue::Int(70000)}, kErrParams},
        {"past I4", "Refresh", {DispValue::Int(INT64_C(1) << 40)}, kErrParams},
        {"an integer for a string", "SaveToUrl", {DispValue::Int(1), DispValue::Str("")}, kErrParams},
        {"a string for a real", "ModifyView", {DispValue::Int(0), DispValue::Str("x"), DispValue::Real(0)}, kErrParams},
        {"infinity for a real", "ModifyView", {DispValue::Int(0), DispValue::Real(1e308 * 10), DispValue::Real(0)}, kErrParams},
        {"two values for a property", "N1", {DispValue::Int(1), DispValue::Int(2)}, kErrParams},
        {"a forged handle", "ModelInfo", {DispValue::Int(1), DispValue::Int(0x123456789)}, kErrBadHandle},
        {"a negative handle", "ModelInfo", {DispValue::Int(1), DispValue::Int(-5)}, kErrBadHandle},
        {"a string for a handle", "ModelInfo", {DispValue::Int(1), DispValue::Str("box")}, kErrBadHandle},
        {"SetAppParam without a value", "SetAppParam", {DispValue::Str("a")}, kErrParams},
    };
    for (const Case &c : cases) {
        const DispResult r = m_control.Call(c.method, c.args);
        EXPECT_FALSE(r.ok) << c.what;
        EXPECT_EQ(r.code, c.code) << c.what << ": " << r.message;
    }
    EXPECT_TRUE(m_control.Call("Redraw", {}).ok) << "the control answers after all of them";
}

TEST_F(ControlTest, AStaleHandleIsRefusedAfterItsNodeWent)
{
    Create();
    SgRef<SgObject> object(new SgObject);
    const auto handle = static_cast<std::int64_t>(m_control.HandleFor(object.get()));
    EXPECT_TRUE(m_control.Call("ModelInfo", {DispValue::Int(0), DispValue::Int(handle)}).ok);
    EXPECT_TRUE(m_control.Call("ModelInfo", {DispValue::Int(0), DispValue::Real(double(handle))}).ok)
        << "a handle carried in a double";
    DispResult released;
    ASSERT_TRUE(m_control.Release(DispValue::Int(handle), released)) << released.message;
    object.reset();
    const DispResult r = m_control.Call("ModelInfo", {DispValue::Int(0), DispValue::Int(handle)});
    EXPECT_EQ(r.code, kErrBadHandle);
    const DispResult a =
        m_control.Call("AttachToGroup", {DispValue::Int(handle), DispValue::Int(handle), DispValue::Int(0)});
    EXPECT_EQ(a.code, kErrBadHandle);
}

TEST_F(ControlTest, EdgeCasesOfTheMethods)
{
    // Asked before the window: these never reach the facade.
    EXPECT_EQ(m_control.Call("GetToolState", {DispValue::Int(79)}).value, DispValue::Int(0));
    EXPECT_EQ(m_control.Call("GetToolState", {DispValue::Int(98)}).value, DispValue::Int(0));
    Create();
    EXPECT_TRUE(m_control.Call("MaterialDialog", {DispValue::Int(7)}).ok) << "7 does nothing";
    struct IsNullCase {
        const char *what;
        DispValue value;
        int result;
    };
    const IsNullCase isNull[] = {
        {"integer 0", DispValue::Int(0), 1},        {"integer 5", DispValue::Int(5), 0},
        {"real 0", DispValue::Real(0.0), 0},        {"empty string", DispValue::Str(""), 0},
        {"string 0", DispValue::Str("0"), 0},       {"nothing", DispValue(), 0},
    };
    for (const auto &c : isNull)
        EXPECT_EQ(m_control.Call("IsNull", {c.value}).value, DispValue::Int(c.result)) << c.what;
}

TEST_F(ControlTest, AppParamsIgnoreCaseAndStopAtAHundred)
{
    EXPECT_TRUE(m_control.Call("SetAppParam", {DispValue::Str("Speed"), DispValue::Int(1)}).ok);
    EXPECT_TRUE(m_control.Call("SetAppParam", {DispValue::Str("SPEED"), DispValue::Str("fast")}).ok);
    EXPECT_EQ(m_control.GetAppParamCount(), 1);
    EXPECT_EQ(m_control.Call("GetAppParam", {DispValue::Str("speed")}).value, DispValue::Str("fast"));
    EXPECT_TRUE(m_control.Call("GetAppParam", {DispValue::Str("none")}).value.IsEmpty());
    for (int k = 1; k < FennixControl::kMaxAppParams; ++k)
        ASSERT_TRUE(m_control.Call("SetAppParam", {DispValue::Str("p" + std::to_string(k)), DispValue::Int(k)}).ok);
    const DispResult full = m_control.Call("SetAppParam", {DispValue::Str("one more"), DispValue::Int(0)});
    EXPECT_EQ(full.code, kErrFailed);
    EXPECT_TRUE(m_control.Call("SetAppParam", {DispValue::Str("P7"), DispValue::Int(70)}).ok) << "a known name still changes";
    EXPECT_EQ(m_control.GetAppParamCount(), 100);
}

TEST_F(ControlTest, TexturePathGainsTheFourFoldersEachClosed)
{
    const auto folders = FennixControl::DefaultTextureFolders();
    ASSERT_EQ(folders.size(), 4u);
    std::string four;
    for (const auto &f : folders)
        four += f + ";";
    EXPECT_EQ(FennixControl::CompleteTexturePath("/data/tex"), "/data/tex;" + four);
    EXPECT_EQ(FennixControl::CompleteTexturePath(""), four);
    EXPECT_EQ(FennixControl::CompleteTexturePath(four), four) << "nothing twice";
    EXPECT_EQ(FennixControl::CompleteTexturePath(four.substr(0, four.size() - 1)), four) << "only the closing ;";
    m_control.Properties().texturePath = "/data/tex";
    Create();
    EXPECT_EQ(m_control.Properties().texturePath, "/data/tex;" + four);
}

TEST_F(ControlTest, BGColorBytesAreDividedBy255)
{
    float rgb[3];
    FennixControl::ColorToRgb(0xFFFFFF, rgb);
    EXPECT_EQ(rgb[0], 1.0f);
    EXPECT_EQ(rgb[2], 1.0f);
    FennixControl::ColorToRgb(0x00FF, rgb);
    EXPECT_EQ(rgb[0], 1.0f);
    EXPECT_EQ(rgb[1], 0.0f);
    Create();
    EXPECT_TRUE(m_control.Call("BGColor", {DispValue::Int(0xFFFFFF)}).ok);
    EXPECT_EQ(m_control.Call("BGColor", {}).value, DispValue::Int(0xFFFFFF));
    EXPECT_TRUE(m_control.IsModified());
}

TEST_F(ControlTest, GetThumbnailIsABase64Bmp)
{
    Create();
    const DispResult r = m_control.Call("GetThumbnail", {DispValue::Int(64), DispValue::Int(48)});
    ASSERT_TRUE(r.ok) << r.message;
    std::string bmp;
    ASSERT_TRUE(Base64Decode(r.value.text, bmp));
    ASSERT_GT(bmp.size(), 54u);
    EXPECT_EQ(bmp.substr(0, 2), "BM");
    std::int32_t width, height;
    std::memcpy(&width, bmp.data() + 18, 4);
    std::memcpy(&height, bmp.data() + 22, 4);
    EXPECT_EQ(width, 64);
    EXPECT_EQ(std::abs(height), 48);
}

TEST_F(ControlTest, StartSessionFiresOncePerWindow)
{
    m_control.FireStartSession("before");
    EXPECT_EQ(Count("StartSession"), 0) << "no window, no session";
    Create();
    m_control.FireStartSession("uMsg=113 idEvent=c");
    m_control.FireStartSession("again");
    ASSERT_EQ(Count("StartSession"), 1);
    EXPECT_EQ(m_events.back().params[0], DispValue::Str("uMsg=113 idEvent=c"));
}

TEST_F(ControlTest, CreationToolsFireWithAHandleOfTheObject)
{
    Create();
    SgRef<SgObject> object(new SgObject);
    m_control.GetFacade()->GetDocument()->NotifyTool(0, 3, object.get());
    m_control.GetFacade()->GetDocument()->NotifyTool(1, 4, object.get());
    ASSERT_EQ(Count("CreateToolStart"), 1);
    ASSERT_EQ(Count("CreateToolFinish"), 1);
    const fennix::FennixEvent &finish = m_events.back();
    EXPECT_EQ(finish.dispid, 5);
    EXPECT_EQ(finish.params[0], DispValue::Int(4));
    const auto handle = static_cast<SgHandleTable::Handle>(finish.params[1].integer);
    EXPECT_EQ(SgHandleTable::Lookup(handle), object.get());
    // The control's handles hold the object until the control goes.
    EXPECT_EQ(object->GetRefCount(), 3);
    m_control.Destroy();
    EXPECT_EQ(object->GetRefCount(), 1);
}

// A script method that does what a menu command does goes the command's
// way: the grid toggled by a script shows on the grid's own button, as the
// menu's toggle does, and no other button changes.
TEST_F(ControlTest, AScriptMethodOfAMenuCommandRunsItsRecord)
{
    Create();
    drevon::CDrevon *facade = m_control.GetFacade();
    ASSERT_NE(facade, nullptr);
    const drevon::CommandRecord *grid = drevon::FindCommand(drevon::cmd::kGrid);
    ASSERT_NE(grid, nullptr);
    for (int shown : {1, 0}) {
        ASSERT_TRUE(m_control.Call("ToggleGrid", {}).ok);
        EXPECT_EQ(facade->GetButtons().GetButtonState(grid->button), shown) << "the grid's button follows the script";
        EXPECT_EQ(facade->GetButtons().GetButtonState(0), 0) << "the script's toggle set a button of its own";
    }
}

// The script methods that take a button index find that button's record by
// their name: an operation's address differs from library to library.
TEST(ScriptButtonRecords, EveryButtonOfAScriptMethodRunsThroughItsRecord)
{
    for (const char *method : {"BooleanOperation", "CreatePolyline", "OnCreateTool", "Navigate", "ChangeView"}) {
        int found = 0, count = 0;
        const drevon::CommandRecord *records = drevon::GetCommands(count);
        for (const drevon::CommandRecord &record : std::span(records, static_cast<std::size_t>(count))) {
            if (!record.script || std::string_view(record.script) != method || record.button == drevon::kNoButton)
                continue;
            EXPECT_EQ(drevon::FindButtonCommand(record.button, method), &record) << method << " " << record.button;
            ++found;
        }
        EXPECT_GT(found, 0) << method << " has no record to run through";
        EXPECT_EQ(drevon::FindButtonCommand(-5, method), nullptr);
    }
}

TEST_F(ControlTest, ButtonStatesReachSubscribers)
{
    Create();
    m_events.clear();
    ASSERT_TRUE(m_control.Call("ActivateViewTool", {DispValue::Int(2)}).ok);
    ASSERT_TRUE(m_control.Call("ActivateViewTool", {DispValue::Int(1)}).ok);
    EXPECT_GT(Count("ChangeButtonState"), 0);
}

TEST_F(ControlTest, AnAttachedControlListensBesideTheHostAndLeavesItListening)
{
    facadetest::StateLog host;
    drevon::CDrevon facade;
    ASSERT_NE(facade.CreateDocument(), nullptr);
    drevon::HostSubscription hostToken = facade.GetHostEvents().SubscribeButtonState(host.Listener());
    {
        FennixControl control;
        std::vector<std::string> heard;
        auto token = control.Events().Subscribe([&](const FennixEvent &e) { heard.push_back(e.name); });
        control.Attach(&facade);
        facade.GetButtons().SetButtonState(1, 10, true);
        ASSERT_EQ(host.changes.size(), 1u);
        EXPECT_EQ(host.changes[0], std::make_pair(10, 1));
        EXPECT_EQ(heard, std::vector<std::string>{"ChangeButtonState"});
        // Told the same state again: the host hears it, a script does not.
        facade.GetButtons().SetButtonState(1, 10, true);
        EXPECT_EQ(heard.size(), 1u) << "ChangeButtonState without a change";
        facade.GetButtons().SetButtonState(0, 10, false);
        EXPECT_EQ(heard.size(), 2u);
        EXPECT_EQ(control.Call("SaveToString", {}).ok, true) << "methods reach the host's facade";
    }
    // The control leaving does not silence the host, which heard every
    // state it was told (repeats included).
    ASSERT_EQ(host.changes.size(), 3u);
    facade.GetButtons().SetButtonState(0, 10, true);
    ASSERT_EQ(host.changes.size(), 4u) << "the control took the host's listener with it";
    EXPECT_EQ(host.changes[3], std::make_pair(10, 0));

    // The host leaving first does not silence the control, and is not called again.
    {
        FennixControl control;
        std::vector<std::string> heard;
        auto token = control.Events().Subscribe([&](const FennixEvent &e) { heard.push_back(e.name); });
        control.Attach(&facade);
        hostToken.Reset();
        facade.GetButtons().SetButtonState(1, 11, true);
        EXPECT_EQ(heard, std::vector<std::string>{"ChangeButtonState"});
    }
    EXPECT_EQ(host.changes.size(), 4u);
}

TEST_F(ControlTest, WithoutAFileNameTheUserPicksTheSceneAtStartAndThroughLoadFile)
{
    // At start-up: one request, cancelled here, and the scene stays empty.
    Create();
    ASSERT_EQ(m_chooser.Requests().size(), 1u);
    EXPECT_TRUE(m_control.Properties().fileName.empty());

    const std::string scene = ::testing::TempDir() + "fennix_loadfile_" + std::to_string(getpid()) + ".kvrx";
    {
        std::ofstream out(scene);
        out << m_control.Call("SaveToString", {}).value.text;
    }
    m_chooser.Answer(scene);
    ASSERT_TRUE(m_control.Call("LoadFile", {DispValue::Str(""), DispValue::Bool(true), DispValue::Real(0)}).ok);
    EXPECT_EQ(m_chooser.Requests().size(), 2u);
    EXPECT_EQ(m_control.Properties().fileName, m_control.GetFacade()->GetCurrentFile());
    EXPECT_NE(m_control.Properties().fileName.find("fennix_loadfile_"), std::string::npos);
    std::remove(scene.c_str());
}

TEST_F(ControlTest, AnInlineSceneLeavesTheDocumentUntitledAndNeverOverwritesTheOpenFile)
{
    const std::string scene = ::testing::TempDir() + "fennix_inline_" + std::to_string(getpid()) + ".kvrx";
    {
        std::ofstream out(scene);
        out << "#VRML V1.0 ascii\nSeparator { Cube { width 1 } }\n";
    }
    m_control.Properties().fileName = scene;
    Create();
    ASSERT_EQ(m_control.GetFacade()->GetCurrentFile(), scene);
    std::ifstream before(scene);
    const std::string original((std::istreambuf_iterator<char>(before)), std::istreambuf_iterator<char>());

    // A scene given as text with an unknown word, so the reader has something to say.
    const std::string text = "#VRML V1.0 ascii\nSeparator { Sphere { radius 3 } Bogus { } }\n";
    SgDiagCapture said;
    ASSERT_TRUE(m_control.Call("file", {DispValue::Str(text)}).ok);
    EXPECT_EQ(m_control.GetFacade()->GetCurrentFile(), "") << "the document still names the file";
    EXPECT_EQ(m_control.Call("FileName", {}).value.text, "");
    for (const SgDiagnostic &d : said.GetDiagnostics())
        EXPECT_EQ(d.text.find("Sphere { radius 3 }"), std::string::npos) << "the scene text named as a file: " << d.text;
    EXPECT_TRUE(said.Contains("(file property)")) << said.GetText();
    // Save(0) of an untitled document asks for a name; cancelled here, it
    // saved nothing, and the script is told so.
    const std::size_t asked = m_chooser.Requests().size();
    const auto saved = m_control.Call("Save", {DispValue::Int(0)});
    EXPECT_FALSE(saved.ok) << "a save that wrote nothing answered success";
    EXPECT_EQ(m_chooser.Requests().size(), asked + 1);
    std::ifstream after(scene);
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(after)), std::istreambuf_iterator<char>()), original);
    std::remove(scene.c_str());
}

TEST_F(ControlTest, AFileThatCannotBeReadIsAnErrorAndLeavesTheNameAndTheScene)
{
    const std::string scene = ::testing::TempDir() + "fennix_kept_" + std::to_string(getpid()) + ".kvrx";
    {
        std::ofstream out(scene);
        out << "#VRML V1.0 ascii\nSeparator { DEF kept Cube { width 1 } }\n";
    }
    m_control.Properties().fileName = scene;
    Create();
    const std::string before = m_control.Call("SaveToString", {}).value.text;
    const std::string missing = ::testing::TempDir() + "fennix_no_such_file.kvrx";
    SgDiagCapture quiet;
    struct Case {
        const char *method;
        DispArgs args;
    } const cases[] = {
        {"FileName", {DispValue::Str(missing)}},
        {"LoadFile", {DispValue::Str(missing), DispValue::Bool(true), DispValue::Real(0)}},
    };
    for (const Case &c : cases) {
        const DispResult r = m_control.Call(c.method, c.args);
        EXPECT_EQ(r.code, kErrFailed) << c.method;
        EXPECT_NE(r.message.find("fennix_no_such_file.kvrx"), std::string::npos) << r.message;
        EXPECT_EQ(m_control.Properties().fileName, scene) << c.method;
        EXPECT_EQ(m_control.GetFacade()->GetCurrentFile(), scene) << c.method;
        EXPECT_EQ(m_control.Call("SaveToString", {}).value.text, before) << c.method;
    }
    // The property page's OK hears the refusal (and shows it, staying open).
    for (const PropertyRow &row : PropertyRows(m_control))
        if (std::string(row.name) == "FileName") {
            const DispResult r = SetPropertyText(m_control, row, missing);
            EXPECT_FALSE(r.ok);
            EXPECT_NE(r.message.find("fennix_no_such_file.kvrx"), std::string::npos) << r.message;
        }
    EXPECT_EQ(m_control.Properties().fileName, scene);
    std::remove(scene.c_str());
}

TEST_F(ControlTest, FileNameOfAControlServingAHostsFacadeNamesTheHostsScene)
{
    const std::string scene = ::testing::TempDir() + "fennix_hosted_" + std::to_string(getpid()) + ".kvrx";
    {
        std::ofstream out(scene);
        out << "#VRML V1.0 ascii\nSeparator { Cube { width 1 } }\n";
    }
    drevon::CDrevon facade;
    ASSERT_NE(facade.CreateDocument(), nullptr);
    ASSERT_EQ(facade.GetFiles().OpenFile(scene.c_str(), true), SgDocumentFiles::kReadDone);
    FennixControl control;
    control.Attach(&facade);
    EXPECT_EQ(control.Call("FileName", {}).value.text, scene);
    control.Destroy();
    std::remove(scene.c_str());
}

TEST(DispatchDocs, EveryEntryNamesAndExplainsEachParameter)
{
    for (const DispEntry &e : DispatchTable()) {
        const DispDoc *doc = FindDoc(e.name);
        ASSERT_NE(doc, nullptr) << e.name;
        EXPECT_FALSE(doc->about.empty()) << e.name;
        EXPECT_EQ(doc->params.size(), e.params.size()) << e.name;
        for (const auto &[name, meaning] : doc->params)
            EXPECT_TRUE(!name.empty() && !meaning.empty()) << e.name;
        EXPECT_EQ(doc->result.empty(), e.result == DispType::Empty) << e.name << ": a result and its meaning go together";
    }
    const auto described = nlohmann::json::parse(DescribeJson());
    EXPECT_EQ(described["methods"].size(), DispatchTable().size());
    EXPECT_EQ(described["methods"][0]["parameters"][0]["name"], "value");
    EXPECT_FALSE(described["errors"].empty());
}
