#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "engine/core/SgGroup.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/core/SgRef.h"
#include "engine/render/SgTextureManager.h"
#include "engine/nodes/properties/SgTexture2D.h"
#include "tests/utilities/image/ImageTestFiles.h"

using imagetest::Bgr;
using imagetest::EncodeBmp;
using imagetest::Picture;
using imagetest::TempDir;

namespace {

// The alpha byte of pixel i of a loaded texture (blue, green, red, alpha).
int AlphaAt(const Image2 &image, int i)
{
    return static_cast<const unsigned char *>(image.GetData())[4 * i + 3];
}

// The folder of a temporary directory (which names only the files it writes).
std::string FolderOf(const TempDir &dir)
{
    return std::filesystem::path(dir.Write(".marker", {})).parent_path().string();
}

// A buffer of width x height pixels on the C heap, as StoreImage takes it.
unsigned char *Pixels(int width, int height)
{
    const std::size_t bytes = static_cast<std::size_t>(width) * height * 4;
    auto *pixels = static_cast<unsigned char *>(std::malloc(bytes));
    std::memset(pixels, 128, bytes);
    return pixels;
}

// Each test gets a manager of its own; the process's one is not touched.
class SgTextureManagerTest : public ::testing::Test {
protected:
    std::string WriteBmp(const TempDir &dir, const std::string &name, const Picture &picture)
    {
        return dir.Write(name, EncodeBmp(picture, 24));
    }

    SgTextureManager m_manager;
    TempDir m_dir;
};

} // namespace

TEST_F(SgTextureManagerTest, NamesInOtherLetterCaseShareOneTexture)
{
    const std::string path = WriteBmp(m_dir, "wood.bmp", imagetest::Uniform(2, 2, {10, 20, 30}));
    std::string lower = path;
    std::string upper = path.substr(0, path.size() - 8) + "WOOD.BMP";

    int width = 0, height = 0;
    Image2 *first = m_manager.GetImage(lower, &width, &height, nullptr);
    Image2 *second = m_manager.GetImage(upper, nullptr, nullptr, nullptr);

    EXPECT_EQ(first, second) << "the second name made a texture of its own";
    EXPECT_EQ(m_manager.GetTextureCount(), 1);
    ASSERT_NE(first->GetData(), nullptr) << "the file was not loaded";
    EXPECT_EQ(width, 2);
    EXPECT_EQ(height, 2);
    EXPECT_EQ(first->GetDepth(), 4);
    EXPECT_EQ(AlphaAt(*first, 0), 255) << "loaded pixels are opaque";
    EXPECT_EQ(m_manager.GetTextureID(upper), -1) << "no GL texture exists before one is drawn";
}

TEST_F(SgTextureManagerTest, FileWithoutFolderIsFoundInTheSecondSearchFolder)
{
    TempDir first, second;
    WriteBmp(second, "marble.bmp", imagetest::Uniform(4, 2, {1, 2, 3}));
    const std::string list = FolderOf(first) + ";" + FolderOf(second);
    ASSERT_EQ(m_manager.SetTexturePathesList(list.c_str()), 2);

    std::string name = "marble.bmp";
    int width = 0, height = 0;
    Image2 *image = m_manager.GetImage(name, &width, &height, nullptr);

    ASSERT_NE(image->GetData(), nullptr) << "the file in the second folder was not found";
    EXPECT_EQ(width, 4);
    EXPECT_EQ(height, 2);
    EXPECT_EQ(image->GetPath(), "marble.bmp") << "the texture keeps the name it was asked by";
}

// A name without a folder is the scene's file before it is one that merely
// lies where the program was started.
TEST_F(SgTextureManagerTest, TheScenesFolderComesBeforeTheWorkingFolder)
{
    TempDir scene, working;
    WriteBmp(scene, "t.bmp", imagetest::Uniform(4, 2, {0, 0, 255}));
    WriteBmp(working, "t.bmp", imagetest::Uniform(2, 2, {0, 255, 0}));
    ASSERT_EQ(m_manager.SetTexturePathesList(FolderOf(scene).c_str()), 1);
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(FolderOf(working));
    std::string name = "t.bmp";
    int width = 0, height = 0;
    Image2 *image = m_manager.GetImage(name, &width, &height, nullptr);
    std::filesystem::current_path(before);

    ASSERT_NE(image->GetData(), nullptr);
    EXPECT_EQ(width, 4) << "the working folder's picture was taken";
    const auto *pixels = static_cast<const unsigned char *>(image->GetData());
    EXPECT_EQ(pixels[1], 0) << "green: the working folder's picture";
}

TEST_F(SgTextureManagerTest, KeyColourMakesOnlyNearPixelsTransparent)
{
    // Red 250, 5, 5 lies within 10% of (255, 0, 0); red 200 does not.
    const Picture picture{2, 1, {Bgr{5, 5, 250}, Bgr{0, 0, 200}}};
    std::string path = WriteBmp(m_dir, "key.bmp", picture);
    SgRef<SgTexture2D> node = new SgTexture2D;
    node->m_genAlpha = 1;
    node->m_transpColors.SetValue(0, Color(1, 0, 0, 1));
    node->m_transpColorsTolerance.SetValue(0, 10.0f);

    Image2 *image = m_manager.GetImage(path, nullptr, nullptr, node.get());

    ASSERT_NE(image->GetData(), nullptr);
    EXPECT_EQ(AlphaAt(*image, 0), 0) << "pixel (250, 5, 5) should be keyed out";
    EXPECT_EQ(AlphaAt(*image, 1), 255) << "pixel (200, 0, 0) should stay opaque";
}

TEST_F(SgTextureManagerTest, WithoutGenAlphaNoPixelIsKeyed)
{
    std::string path = WriteBmp(m_dir, "black.bmp", imagetest::Uniform(2, 1, {0, 0, 0}));
    SgRef<SgTexture2D> node = new SgTexture2D; // key colour black, but genAlpha 0

    Image2 *image = m_manager.GetImage(path, nullptr, nullptr, node.get());

    ASSERT_NE(image->GetData(), nullptr);
    EXPECT_EQ(AlphaAt(*image, 0), 255);
}

TEST_F(SgTextureManagerTest, EmptyToleranceListKeysNothing)
{
    unsigned char pixels[4] = {0, 0, 0, 255};
    KeyTransparentColors(pixels, 1, 1, {Color(0, 0, 0, 1)}, {});
    EXPECT_EQ(pixels[3], 255) << "no tolerance means no key colour applies";
}

TEST_F(SgTextureManagerTest, NodeOfAMissingImageWaitsInTheHolderGroupOnce)
{
    std::string name = "no_such_texture.bmp";
    SgRef<SgTexture2D> node = new SgTexture2D;

    Image2 *image = m_manager.GetImage(name, nullptr, nullptr, node.get());
    m_manager.GetImage(name, nullptr, nullptr, node.get());

    EXPECT_EQ(image->GetData(), nullptr);
    EXPECT_FALSE(m_manager.GetTextureObj(0)->m_bLoaded);
    EXPECT_EQ(m_manager.GetHolderGroup()->GetChildsCount(), 1) << "the node should wait once, not per request";
    EXPECT_EQ(m_manager.GetTextureCount(), 1);
}

TEST_F(SgTextureManagerTest, TexturesWiderThanTheLimitAreDropped)
{
    const int wide = m_manager.AddTexture("wide.bmp");
    m_manager.StoreImage(wide, 4096, 1, Pixels(4096, 1), nullptr);
    m_manager.SetTextureID("wide.bmp", 7);
    const int fits = m_manager.AddTexture("fits.bmp");
    m_manager.StoreImage(fits, 2048, 1, Pixels(2048, 1), nullptr);

    m_manager.DropLargeTextures(2048);

    EXPECT_EQ(m_manager.FindTexture("wide.bmp"), -1) << "the 4096-wide texture should be gone";
    EXPECT_EQ(m_manager.FindTexture("fits.bmp"), 0) << "a texture at the limit stays";
    EXPECT_EQ(m_manager.GetTextureCount(), 1);
}

TEST_F(SgTextureManagerTest, ZeroSizedPixelsAreNotStored)
{
    const int index = m_manager.AddTexture("empty.bmp");
    m_manager.StoreImage(index, 0, 0, Pixels(1, 1), nullptr);

    const CTextureObj *texture = m_manager.GetTextureObj(index);
    EXPECT_EQ(texture->m_pImage->GetData(), nullptr);
    EXPECT_FALSE(texture->m_bLoaded);
}

TEST_F(SgTextureManagerTest, SearchFoldersPastTheTenthAreRefused)
{
    EXPECT_EQ(m_manager.SetTexturePathesList("a;b;c;d;e;f;g;h;i;j;k;l"), SgTextureManager::kMaxSearchFolders);
    EXPECT_EQ(m_manager.GetSearchFolder(9), "j");
    EXPECT_EQ(m_manager.GetSearchFolder(10), "");
    EXPECT_EQ(m_manager.SetTexturePathesList(nullptr), 0);
}

TEST(SgTextureManagerFactoryTest, RenewalReplacesTheRememberedManager)
{
    SgTextureManager *existing = SgTextureManager::CTextureManagerFactory(0);
    EXPECT_EQ(SgTextureManager::CTextureManagerFactory(0), existing);

    SgTextureManager *renewed = SgTextureManager::CTextureManagerFactory(1);
    EXPECT_NE(renewed, existing);
    EXPECT_EQ(SgTextureManager::CTextureManagerFactory(0), renewed);
    EXPECT_EQ(SgTextureManager::ForDocument(nullptr), renewed);
}

TEST(SgTextureManagerHooksTest, ObjectTexturesGetTheirPixelsThroughTheManager)
{
    // Start-up installs the hooks; other tests replace the loader with their own.
    SgTextureManager::InstallHooks();
    TempDir dir;
    const std::string path = dir.Write("brick.bmp", EncodeBmp(imagetest::Uniform(2, 2, {9, 9, 9}), 24));
    SgRef<SgObject> object = new SgObject;

    SgTexture2D *texture = object->AddTexture2D(path.c_str(), false);

    ASSERT_NE(texture, nullptr);
    const Image2 &image = texture->m_filename.Get();
    EXPECT_NE(image.GetData(), nullptr) << "the installed loader did not fill the image";
    EXPECT_EQ(image.GetWidth(), 2);
    EXPECT_EQ(image.GetPath(), path);
}
