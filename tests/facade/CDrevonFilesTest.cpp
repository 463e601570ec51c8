// Scene files through the facade: addresses and their fallback, STL import
// and export, saving.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <regex>

#include "engine/actions/SgFindAction.h"
#include "engine/core/SgSeparator.h"
#include "engine/document/SgDocumentFiles.h"
#include "engine/nodes/geometry/SgBox.h"
#include "engine/nodes/geometry/SgIndexedFaceSet.h"
#include "engine/nodes/object/SgObject.h"
#include "facade/StlReader.h"
#include "tests/engine/document/DocumentFileTestSupport.h"
#include "tests/facade/FacadeTestSupport.h"
#include "tests/platform/CannedHttpServer.h"

using namespace facadetest;
using DocumentFileTest::ReadAll;
using DocumentFileTest::ScopedEnv;
using DocumentFileTest::TempFolder;
using DocumentFileTest::WriteAll;
using drevon::CDrevon;

namespace {

// A scene holding one object named "Ball", as the writer writes it.
std::string SceneWithBall()
{
    DocumentFileTest::DocumentPtr source = DocumentFileTest::NewDocument();
    auto *object = new SgObject(true, true);
    object->SetName("Ball");
    source->GetRoot()->AddChild(object);
    return DocumentFileTest::SavedText(*source);
}

class FilesTest : public FacadeTest {
protected:
    void SetUp() override
    {
        FacadeTest::SetUp();
        ASSERT_FALSE(m_folder.Path().empty());
        m_cache.emplace("XDG_CACHE_HOME", (m_folder / "cache").string());
    }

    // Objects directly under the root, in order.
    std::vector<SgObject *> Objects() const
    {
        std::vector<SgObject *> objects;
        SgSeparator *root = m_facade->GetRoot();
        for (int i = 0; i < root->GetNumChildren(); ++i)
            if (auto *object = dynamic_cast<SgObject *>(root->GetChild(i)))
                objects.push_back(object);
        return objects;
    }

    SgObject *Named(const std::string &name) const
    {
        for (SgObject *object : Objects())
            if (object->GetName() == name)
                return object;
        return nullptr;
    }

    TempFolder m_folder;
    std::optional<ScopedEnv> m_cache;
    DocumentFileTest::RecordingNotifier m_notifier;
};

} // namespace

// ---- Addresses ------------------------------------------------------------------------------

TEST_F(FilesTest, AddressGainsTheCacheBypassingQuery)
{
    const struct {
        const char *url, *expected;
    } cases[] = {
        {"http://h/scene.kvrx", "http://h/scene.kvrx?&abc=1000"},
        {"http://h/get_url.php?g=1", "http://h/get_url.php?g=1&abc=1000"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(m_facade->GetFiles().RequestAddress(c.url), c.expected);
}

TEST_F(FilesTest, OpenAskedForTheAddressWithTheQueryUnlessCached)
{
    CannedHttpServer server({CannedHttpServer::Reply("200 OK", SceneWithBall())});
    ASSERT_TRUE(server.Running());
    EXPECT_EQ(m_facade->GetFiles().OpenFile(server.Url("/scene.kvrx").c_str(), true), SgDocumentFiles::kReadDone);
    m_facade->GetFiles().SetUrlCache(true);
    m_facade->GetFiles().OpenFile(server.Url("/other.kvrx").c_str(), true);
    const std::vector<std::string> requests = server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].rfind("GET /scene.kvrx?&abc=1000 ", 0), 0u) << requests[0];
    EXPECT_EQ(requests[1].rfind("GET /other.kvrx ", 0), 0u) << requests[1];
    EXPECT_NE(Named("Ball"), nullptr);
    EXPECT_EQ(m_facade->GetCurrentFile(), "") << "the download cache became the document's file";
}

TEST_F(FilesTest, FailedModelScriptFallsBackToTheModelBesideIt)
{
    CannedHttpServer server({CannedHttpServer::Reply("500 Internal Server Error", "broken"),
                             CannedHttpServer::Reply("200 OK", SceneWithBall())});
    ASSERT_TRUE(server.Running());
    const std::string script = server.Url("/shop/get_url.php?g=12&s=4&x=1");
    EXPECT_EQ(m_facade->GetFiles().OpenFile(script.c_str(), true), SgDocumentFiles::kReadDone);
    const std::vector<std::string> requests = server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].rfind("GET /shop/Models/Model12_4.kvrx ", 0), 0u) << requests[1];
    EXPECT_NE(Named("Ball"), nullptr);
}

TEST_F(FilesTest, FallbackAddressIsBuiltFromTheScriptsQuery)
{
    EXPECT_EQ(drevon::SceneFiles::FallbackAddress("http://h/a/get_url.php?g=12&s=4"), "http://h/a/Models/Model12_4.kvrx");
    EXPECT_EQ(drevon::SceneFiles::FallbackAddress("http://h/a/get_url.php?s=4&g=7&k=1"), "http://h/a/Models/Model7_4.kvrx");
    EXPECT_EQ(drevon::SceneFiles::FallbackAddress("http://h/a/scene.kvrx"), "");
}

TEST_F(FilesTest, FailedAddressWithoutFallbackSaysSoAndKeepsTheScene)
{
    CannedHttpServer server({CannedHttpServer::Reply("404 Not Found", "")});
    ASSERT_TRUE(server.Running());
    const size_t before = Objects().size();
    SgDiagCapture capture;
    EXPECT_EQ(m_facade->GetFiles().OpenFile(server.Url("/missing.kvrx").c_str(), true), SgDocumentFiles::kNothingRead);
    EXPECT_TRUE(capture.Contains("Cannot download")) << capture.GetText();
    EXPECT_EQ(Objects().size(), before);
    EXPECT_EQ(server.Requests().size(), 1u);
}

// ---- STL ---------------------------------------------------------------------------------------

namespace {

// A tetrahedron as binary STL.
std::string BinaryTetrahedron()
{
    const float corners[4][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    const int faces[4][3] = {{0, 2, 1}, {0, 1, 3}, {0, 3, 2}, {1, 2, 3}};
    std::string bytes(80, ' ');
    const uint32_t count = 4;
    bytes.append(reinterpret_cast<const char *>(&count), 4);
    for (const auto &face : faces) {
        const float normal[3] = {0, 0, 0};
        bytes.append(reinterpret_cast<const char *>(normal), 12);
        for (int corner : face)
            bytes.append(reinterpret_cast<const char *>(corners[corner]), 12);
        bytes.append(2, '\0');
    }
    return bytes;
}

// Two triangles of a square, as ASCII STL.
const char *kAsciiSquare = "solid square\n"
                           " facet normal 0 0 1\n  outer loop\n   vertex 0 0 0\n   vertex 1 0 0\n   vertex 1 1 0\n"
                           "  endloop\n endfacet\n"
                           " facet normal 0 0 1\n  outer loop\n   vertex 0 0 0\n   vertex 1 1 0\n   vertex 0 1 0\n"
                           "  endloop\n endfacet\n"
                           "endsolid square\n";

int FaceCount(SgIndexedFaceSet &faces)
{
    int count = 0;
    for (int i = 0; i < faces.m_coordIndex.GetCount(); ++i)
        count += faces.m_coordIndex[i] == -1;
    return count;
}

SgIndexedFaceSet *FaceSetOf(SgObject *object)
{
    return dynamic_cast<SgIndexedFaceSet *>(FindNodeByClassID::Lookup(SgIndexedFaceSet::ClassID(), object));
}

} // namespace

TEST_F(FilesTest, StlImportOfBinaryAndAsciiGivesOneObjectEach)
{
    const struct {
        const char *name;
        std::string bytes;
        int triangles;
        int corners;
    } cases[] = {{"tetrahedron.stl", BinaryTetrahedron(), 4, 4}, {"square.stl", kAsciiSquare, 2, 4}};
    for (const auto &c : cases) {
        const std::string path = (m_folder / c.name).string();
        WriteAll(path, c.bytes);
        const size_t before = Objects().size();
        ASSERT_TRUE(m_facade->GetFiles().ImportStl(path.c_str())) << c.name;
        ASSERT_EQ(Objects().size(), before + 1) << c.name;
        SgIndexedFaceSet *faces = FaceSetOf(Objects().back());
        ASSERT_NE(faces, nullptr) << c.name;
        EXPECT_EQ(FaceCount(*faces), c.triangles) << c.name;
        EXPECT_EQ(faces->m_coordIndex.GetCount(), c.triangles * 4) << c.name;
    }
}

TEST_F(FilesTest, StlImportRefusesWhatIsNoStl)
{
    const std::string empty = (m_folder / "empty.stl").string();
    WriteAll(empty, "");
    const std::string text = (m_folder / "text.stl").string();
    WriteAll(text, std::string(200, 'x'));
    const char *paths[] = {empty.c_str(), text.c_str(), "/nonexistent/file.stl", "/dev/null", "/tmp"};
    for (const char *path : paths) {
        SgDiagCapture capture;
        const size_t before = Objects().size();
        EXPECT_FALSE(m_facade->GetFiles().ImportStl(path)) << path;
        EXPECT_EQ(Objects().size(), before) << path;
        EXPECT_TRUE(capture.Contains("Cannot import")) << path;
    }
}

TEST_F(FilesTest, ImportFileTakesOnlyStlAndIsOneUndoStep)
{
    ScriptedChooser chooser;
    const std::string path = (m_folder / "tetrahedron.stl").string();
    WriteAll(path, BinaryTetrahedron());
    chooser.Answer(path);
    const size_t before = Objects().size();
    m_facade->GetFiles().ImportFile(true);
    ASSERT_EQ(Objects().size(), before + 1);
    EXPECT_EQ(chooser.Requests().at(0).filter.rfind("STL Files (*.stl)|*.stl|", 0), 0u);
    m_facade->GetSelectionEditing().OnEdit(98);
    EXPECT_EQ(Objects().size(), before);
}

TEST_F(FilesTest, ExportedSelectionIsAnStlThatReadsClean)
{
    auto *object = new SgObject(true, true);
    object->AddChild(new SgBox);
    m_facade->GetRoot()->AddChild(object);
    m_facade->GetSelectionEditing().ChangeSelection(0);
    const std::string path = (m_folder / "selection.stl").string();
    ASSERT_TRUE(m_facade->GetFiles().ExportSelection(path.c_str(), "stl"));
    std::string error;
    EXPECT_EQ(drevon::CountStlFacets(path, &error), 12) << error;
    // The STL tool itself finds no open edges in it.
    const std::string command = "admesh " + path + " 2>&1";
    FILE *pipe = ::popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string report;
    char buffer[256];
    while (std::fgets(buffer, sizeof(buffer), pipe))
        report += buffer;
    ASSERT_EQ(::pclose(pipe), 0) << report;
    const char *clean[] = {"Number of facets +: +12 +12", "Total disconnected facets +: +0 +0",
                           "Edges fixed +: +0", "Facets reversed +: +0", "Backwards edges +: +0",
                           "Normals fixed +: +0", "Number of parts +: +1"};
    for (const char *line : clean)
        EXPECT_TRUE(std::regex_search(report, std::regex(line))) << line << "\n" << report;
}

TEST_F(FilesTest, ExportToAnUnwritablePathSaysSo)
{
    SgDiagCapture capture;
    EXPECT_FALSE(m_facade->GetFiles().ExportSelection("/nonexistent/folder/out.stl", "stl"));
    EXPECT_TRUE(capture.Contains("Cannot export")) << capture.GetText();
}

// ---- Saving ----------------------------------------------------------------------------------------

TEST_F(FilesTest, SaveToStringGivesTheWholeText)
{
    auto *object = new SgObject(true, true);
    object->SetName("Ball");
    m_facade->GetRoot()->AddChild(object);
    std::ostringstream written;
    ASSERT_TRUE(m_facade->GetFiles().SaveStream(nullptr, &written, "kvrx"));
    SgDiagCapture capture;
    EXPECT_EQ(m_facade->GetFiles().SaveToStringFix(), written.str());
    EXPECT_EQ(capture.Count(), 0) << capture.GetText();
}

TEST_F(FilesTest, StrayBytesAfterTheLastBlockAreReported)
{
    const std::string scene = "#VRML V1.0 ascii\n\nSeparator {\n" + std::string(120, ' ') + "\n}\n";
    const struct {
        std::string text;
        size_t stray;
    } cases[] = {{"short}\nxx", 0}, {scene, 0}, {scene + "garbage", 7}};
    for (const auto &c : cases) {
        SgDiagCapture capture;
        EXPECT_EQ(drevon::SceneFiles::StrayBytesAfterLastBlock(c.text), c.stray);
        EXPECT_EQ(capture.Contains("Corupted EOF"), c.stray > 0);
    }
}

TEST_F(FilesTest, SaveToUrlIsRefusedWithAMessage)
{
    SgDiagCapture capture;
    EXPECT_EQ(m_facade->GetFiles().SaveToUrl("http://h/save.php", "7"), 0);
    EXPECT_TRUE(capture.Contains("Saving to an address is not supported")) << capture.GetText();
}

TEST_F(FilesTest, SaveOfAWrlSceneAsksWhereToPutTheKvrx)
{
    const std::string wrl = (m_folder / "old.wrl").string();
    WriteAll(wrl, SceneWithBall());
    ASSERT_EQ(m_facade->GetFiles().OpenFile(wrl.c_str(), true), SgDocumentFiles::kReadDone);
    ScriptedChooser chooser;
    const std::string kvrx = (m_folder / "old.kvrx").string();
    chooser.Answer(kvrx);
    m_facade->GetFiles().OnSaveFile(0);
    ASSERT_EQ(chooser.Requests().size(), 1u);
    EXPECT_EQ(chooser.Requests()[0].initialName, kvrx);
    EXPECT_EQ(ReadAll(wrl), SceneWithBall()) << "the .wrl file was overwritten";
    EXPECT_NE(ReadAll(kvrx).find("Ball"), std::string::npos);
    EXPECT_EQ(m_facade->GetCurrentFile(), kvrx);
    // Now named .kvrx, it saves without asking.
    m_facade->GetFiles().OnSaveFile(0);
    EXPECT_EQ(chooser.Requests().size(), 1u);
}

TEST_F(FilesTest, SaveOfAnUntitledSceneAsksAndCancelWritesNothing)
{
    ScriptedChooser chooser;
    m_facade->GetFiles().OnSaveFile(0);
    ASSERT_EQ(chooser.Requests().size(), 1u);
    EXPECT_EQ(chooser.Requests()[0].initialName, "Untitled");
    EXPECT_EQ(m_facade->GetCurrentFile(), "");
}

TEST_F(FilesTest, ThumbnailIsABmpOfTheAskedSize)
{
    std::ostringstream none;
    SgDiagCapture capture;
    EXPECT_FALSE(m_facade->GetFiles().CreateThumbnail(32, 24, none)) << "a thumbnail without a viewer";
    AddViewer();
    std::ostringstream out;
    ASSERT_TRUE(m_facade->GetFiles().CreateThumbnail(32, 24, out));
    const std::string bmp = out.str();
    ASSERT_GT(bmp.size(), 54u);
    EXPECT_EQ(bmp.substr(0, 2), "BM");
    int32_t width = 0, height = 0;
    std::memcpy(&width, bmp.data() + 18, 4);
    std::memcpy(&height, bmp.data() + 22, 4);
    EXPECT_EQ(width, 32);
    EXPECT_EQ(std::abs(height), 24);
}

TEST_F(FilesTest, SavingAndOpeningLeaveTheSceneUnmodified)
{
    EXPECT_FALSE(m_facade->GetFiles().IsModified());
    m_facade->GetRoot()->AddChild(new SgObject(true, true));
    EXPECT_TRUE(m_facade->GetFiles().IsModified());
    ScriptedChooser chooser;
    const std::string path = (m_folder / "kept.kvrx").string();
    chooser.Answer(path);
    m_facade->GetFiles().OnSaveFile(1);
    EXPECT_FALSE(m_facade->GetFiles().IsModified()) << "a scene saved through Save As counts as changed";
    m_facade->GetSelectionEditing().OnEdit(98);
    EXPECT_TRUE(m_facade->GetFiles().IsModified()) << "an undo after the save is no change";
    ASSERT_EQ(m_facade->GetFiles().OpenFile(path.c_str(), true), SgDocumentFiles::kReadDone);
    EXPECT_FALSE(m_facade->GetFiles().IsModified());
}
