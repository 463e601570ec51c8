// External file shapes: the importer table's rules, the import with its
// scale, the empty face set when nothing imports, and no network while the
// shape is drawn.
#include <gtest/gtest.h>

#include <string>

#include "engine/core/SgRef.h"
#include "engine/nodes/geometry/SgExternalFile.h"
#include "engine/nodes/geometry/SgIndexedFaceSet.h"
#include "platform/SgDiagHandler.h"
#include "tests/engine/nodes/geometry/ExtrusionTestSupport.h"

namespace {

std::string g_lastPath;
double g_lastScale = 0;
int g_calls = 0;

SgNode *ImportStl(const char *path, SgDocument *, double scale)
{
    ++g_calls;
    g_lastPath = path;
    g_lastScale = scale;
    auto *mesh = new SgIndexedFaceSet;
    mesh->SetName("stl");
    return mesh;
}

SgNode *ImportScene(const char *, SgDocument *, double)
{
    ++g_calls;
    auto *mesh = new SgIndexedFaceSet;
    mesh->SetName("kvrx");
    return mesh;
}

SgNode *ImportNothing(const char *, SgDocument *, double)
{
    ++g_calls;
    return nullptr;
}

class ExternalFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        InitExtrusionTests();
        SgExternalFile::ClearFormats();
        g_calls = 0;
        g_lastPath.clear();
        g_lastScale = 0;
    }
    void TearDown() override { SgExternalFile::ClearFormats(); }

    // The result's name after one traversal.
    static std::string ResultOf(SgExternalFile &file)
    {
        BuildMesh(&file);
        SgShape *result = file.GetResultCache();
        EXPECT_NE(result, nullptr);
        EXPECT_NE(dynamic_cast<SgIndexedFaceSet *>(result), nullptr) << "the result is an indexed face set";
        return result ? result->GetName() : "(none)";
    }
};

} // namespace

TEST_F(ExternalFileTest, TableChoosesTheLastMatchElseTheFirst)
{
    ASSERT_TRUE(SgExternalFile::AddFormat("stl", ImportStl));
    ASSERT_TRUE(SgExternalFile::AddFormat("kvrx", ImportScene));
    struct Case {
        const char *filename;
        const char *type;
        int chosen;
    };
    const Case cases[] = {
        {"www.example.com/part.stl", "", 0},
        {"www.example.com/part.stl", "kvrx", 1},
        {"PART.STL", "", 0},
        {"part.obj", "", 0},
        {"part.kvrx", "STL", 1},
        {"noextension", "", 0},
    };
    for (const Case &c : cases)
        EXPECT_EQ(SgExternalFile::ChooseFormat(c.filename, c.type), c.chosen) << c.filename << " / " << c.type;
    SgExternalFile::ClearFormats();
    EXPECT_EQ(SgExternalFile::ChooseFormat("part.stl", ""), -1);
    // Registered the other way round, both match and the later one wins.
    SgExternalFile::AddFormat("kvrx", ImportScene);
    SgExternalFile::AddFormat("stl", ImportStl);
    EXPECT_EQ(SgExternalFile::ChooseFormat("part.stl", "kvrx"), 1);
}

TEST_F(ExternalFileTest, KeysAreReplacedOrRefusedWithAMessage)
{
    SgDiagCapture capture;
    EXPECT_TRUE(SgExternalFile::AddFormat("stl", ImportNothing));
    EXPECT_TRUE(SgExternalFile::AddFormat("stl", ImportStl));
    EXPECT_EQ(SgExternalFile::GetFormatCount(), 1) << "a known key has its importer replaced";
    EXPECT_TRUE(SgExternalFile::AddFormat("STL", ImportStl));
    EXPECT_EQ(SgExternalFile::GetFormatCount(), 2) << "keys differing in case are separate";
    EXPECT_TRUE(SgExternalFile::AddFormat("ninechars", ImportStl));
    EXPECT_FALSE(SgExternalFile::AddFormat("tencharsss", ImportStl));
    EXPECT_FALSE(SgExternalFile::AddFormat("", ImportStl));
    for (int i = SgExternalFile::GetFormatCount(); i < SgExternalFile::kMaxFormats; ++i)
        EXPECT_TRUE(SgExternalFile::AddFormat(("k" + std::to_string(i)).c_str(), ImportStl));
    EXPECT_FALSE(SgExternalFile::AddFormat("eleventh", ImportStl));
    EXPECT_TRUE(SgExternalFile::AddFormat("k5", ImportScene)) << "a full table still replaces";
    EXPECT_EQ(SgExternalFile::GetFormatCount(), SgExternalFile::kMaxFormats);
    EXPECT_EQ(capture.Count("ExternalFile"), 3) << capture.GetText();
}

TEST_F(ExternalFileTest, ImportsScaledOrLeavesAnEmptyFaceSet)
{
    SgExternalFile::AddFormat("stl", ImportStl);
    SgRef<SgExternalFile> file = new SgExternalFile;
    file->m_filename.Set("/tmp/part.stl");
    EXPECT_EQ(ResultOf(*file), "stl");
    EXPECT_EQ(g_lastScale, 0.001);
    EXPECT_EQ(g_lastPath, "/tmp/part.stl");
    // The cached result is used again.
    BuildMesh(file.get());
    EXPECT_EQ(g_calls, 1);

    SgExternalFile::AddFormat("stl", ImportNothing);
    file->m_filename.Set("/tmp/other.stl");
    EXPECT_EQ(ResultOf(*file), "") << "a failed import gives an empty face set";
    EXPECT_EQ(static_cast<SgIndexedFaceSet *>(file->GetResultCache())->m_coordIndex.GetCount(), 0);

    SgExternalFile::ClearFormats();
    file->m_type.Set("stl");
    EXPECT_EQ(ResultOf(*file), "") << "no importer at all";
}

TEST_F(ExternalFileTest, DrawingNeverFetchesAnAddress)
{
    SgExternalFile::AddFormat("stl", ImportStl);
    SgRef<SgExternalFile> file = new SgExternalFile;
    for (const char *address : {"http://127.0.0.1:9/part.stl", "www.example.com/part.stl"}) {
        file->m_filename.Set(address);
        EXPECT_EQ(ResultOf(*file), "") << address;
        EXPECT_EQ(g_calls, 0) << "no importer runs on a file that was never fetched";
    }
    // What the load fetched is imported.
    file->SetLocalFile("/tmp/cache/part.stl");
    EXPECT_EQ(ResultOf(*file), "stl");
    EXPECT_EQ(g_lastPath, "/tmp/cache/part.stl");
}
