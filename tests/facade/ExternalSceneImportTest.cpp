// A scene file named as external geometry: the facade's importer for scene
// text gives the external-file node one shape it takes, with the file's
// transforms applied, and an unreadable or shapeless file leaves the node
// empty with a message.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "engine/actions/SgBoundingBoxAction.h"
#include "engine/core/SgRef.h"
#include "engine/nodes/geometry/SgExternalFile.h"
#include "engine/nodes/geometry/SgIndexedFaceSet.h"
#include "tests/facade/FacadeTestSupport.h"

using namespace facadetest;

namespace {

class ExternalSceneImportTest : public FacadeTest {
protected:
    void SetUp() override
    {
        FacadeTest::SetUp();
        m_folder = std::filesystem::temp_directory_path() /
                   ("fennix-external-scene-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                    "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(m_folder);
    }
    void TearDown() override
    {
        std::filesystem::remove_all(m_folder);
        FacadeTest::TearDown();
    }

    std::string Write(const std::string &name, const std::string &text)
    {
        const std::filesystem::path path = m_folder / name;
        std::ofstream(path) << text;
        return path.string();
    }

    // The node's result after one traversal, and the box it measured.
    SgShape *Import(SgExternalFile &file, Range<Vec3f> &box, bool &hasBox)
    {
        file.SetDocument(Document());
        SgBoundingBoxAction measure;
        measure.Apply(&file);
        hasBox = measure.HasBox();
        box = measure.m_Box;
        return file.GetResultCache();
    }

    std::filesystem::path m_folder;
};

TEST_F(ExternalSceneImportTest, ASceneFileBecomesOneShapeWithItsTransforms)
{
    const std::string part = Write("part.kvrx", "#VRML V1.0 ascii\n"
                                                "Separator {\n"
                                                "  Transform { translation 5 0 0 }\n"
                                                "  Cube { width 2 height 2 depth 2 }\n"
                                                "  Separator { Transform { translation 0 4 0 } Cube { width 2 height 2 depth 2 } }\n"
                                                "}\n");
    SgRef<SgExternalFile> file = new SgExternalFile;
    file->m_filename.Set(part);
    SgDiagCapture capture;
    Range<Vec3f> box;
    bool hasBox = false;
    SgShape *result = Import(*file, box, hasBox);
    ASSERT_NE(result, nullptr);
    auto *mesh = dynamic_cast<SgIndexedFaceSet *>(result);
    ASSERT_NE(mesh, nullptr) << "the result is a " << result->GetClassName();
    EXPECT_EQ(mesh->m_coordIndex.GetCount(), 2 * 12 * 4) << "two cubes of twelve triangles each";
    EXPECT_EQ(capture.Count("ExternalFile"), 0) << capture.GetText();
    ASSERT_TRUE(hasBox);
    EXPECT_NEAR(box.GetMin().x, 4.0, 1e-3);
    EXPECT_NEAR(box.GetMax().x, 6.0, 1e-3);
    EXPECT_NEAR(box.GetMin().y, -1.0, 1e-3);
    EXPECT_NEAR(box.GetMax().y, 5.0, 1e-3);
}

TEST_F(ExternalSceneImportTest, AFileWithoutShapesOrUnreadableLeavesTheNodeEmptyWithAMessage)
{
    struct Case {
        const char *what;
        const char *text; // null: no file at all
    };
    const Case cases[] = {
        {"no shapes", "#VRML V1.0 ascii\nSeparator { Transform { translation 1 0 0 } }\n"},
        {"malformed", "#VRML V1.0 ascii\nSeparator { Cube { width } \n"},
        {"missing", nullptr},
    };
    for (const Case &c : cases) {
        const std::filesystem::path path = m_folder / (std::string(c.what) + ".kvrx");
        if (c.text)
            Write(path.filename().string(), c.text);
        SgRef<SgExternalFile> file = new SgExternalFile;
        file->m_filename.Set(path.string());
        SgDiagCapture capture;
        Range<Vec3f> box;
        bool hasBox = false;
        auto *mesh = dynamic_cast<SgIndexedFaceSet *>(Import(*file, box, hasBox));
        ASSERT_NE(mesh, nullptr) << c.what;
        EXPECT_EQ(mesh->m_coordIndex.GetCount(), 0) << c.what;
        EXPECT_FALSE(capture.GetText().empty()) << c.what << ": nothing said why the shape is empty";
    }
}

} // namespace
