// Ordinary scene files drawn through the viewer as a user sees them:
// colours of shapes with and without materials, small shapes, textures.
#include "tests/engine/viewer/ViewerFixture.h"

#include <cstdint>
#include <unistd.h>
#include <filesystem>
#include <functional>
#include <fstream>
#include <string>

#include "engine/nodes/geometry/SgIndexedFaceSet.h"
#include "engine/render/SgGLRenderAction.h"
#include "engine/nodes/properties/SgCamera.h"
#include "engine/nodes/properties/SgCoordinate3.h"
#include "engine/nodes/properties/SgTexture2D.h"
#include "engine/nodes/properties/SgTransform.h"
#include "engine/viewer/BmpUtils.h"

namespace {

using namespace viewertest;

using SceneLookTest = ViewerFixtureT<64, 64>;

// The default material's diffuse grey, 0.8.
constexpr Pixel kDefaultGrey{{204, 204, 204}};

struct LookCase {
    const char *name;
    const char *scene;
    bool lit;
};
void PrintTo(const LookCase &c, std::ostream *out)
{
    *out << c.name;
}

class DefaultMaterialTest : public SceneLookTest, public ::testing::WithParamInterface<LookCase> {};

// Shapes that no material of the scene reaches are drawn in the default
// material: grey, unlit exactly its diffuse colour, lit a shade of it.
TEST_P(DefaultMaterialTest, ShapesWithoutAMaterialAreGrey)
{
    OpenScene(GetParam().scene);
    if (!GetParam().lit)
        Unlit();
    Render();
    const Pixel centre = Centre();
    if (!GetParam().lit) {
        EXPECT_TRUE(Near(centre, kDefaultGrey)) << "centre";
    } else {
        EXPECT_GT(centre[0], 60) << "lit grey, not black: " << centre;
        EXPECT_NEAR(centre[0], centre[1], 6) << centre;
        EXPECT_NEAR(centre[1], centre[2], 6) << centre;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Scenes, DefaultMaterialTest,
    ::testing::Values(LookCase{"Unlit", "Separator { Cube { } }", false},
                      LookCase{"Lit", "Separator { Cube { } }", true},
                      LookCase{"LitSphere", "Separator { Sphere { } }", true},
                      LookCase{"MaterialOfAnEmptySeparatorStaysInside",
                               "Separator { Separator { Material { diffuseColor [(1,0,0,1)] } } Cube { } }", false}),
    [](const ::testing::TestParamInfo<LookCase> &info) { return info.param.name; });

class SmallShapeTest : public SceneLookTest, public ::testing::WithParamInterface<LookCase> {};

// Shapes whose faces are tiny are lit like large ones: their normals are
// unit length however small the faces are.
TEST_P(SmallShapeTest, TinyFacesAreLit)
{
    OpenScene(GetParam().scene);
    Viewport()->GetCamera()->m_nearDistance.Set(1e-4);
    Viewport()->Focus(nullptr, 1.0);
    Render();
    const Pixel centre = Centre();
    EXPECT_GT(centre[0], 100) << "lit grey, not black: " << centre;
    EXPECT_NEAR(centre[0], centre[2], 6) << centre;
}

INSTANTIATE_TEST_SUITE_P(
    Scenes, SmallShapeTest,
    ::testing::Values(LookCase{"SphereOfRadiusTwoThousandths", "Separator { Sphere { radius 0.002 } }", true},
                      LookCase{"GeodesicSphereOfRadiusOneThousandth",
                               "Separator { GeoSphere { radius 0.001 segments 8 } }", true},
                      LookCase{"SmallFaceSet",
                               "Separator { Coordinate3 { point [(-0.001,-0.001,0), (-0.001,0.001,0), "
                               "(0.001,0.001,0), (0.001,-0.001,0), (0.0015,0,0)] }\n"
                               "IndexedFaceSet { coordIndex [0, 1, 2, 4, 3, -1] } }",
                               true}),
    [](const ::testing::TestParamInfo<LookCase> &info) { return info.param.name; });

// A framed scene a hundred thousand units across keeps its depth order: a
// plate 3% of the scene in front of a larger one hides it, whichever is
// drawn first and in the viewer as in a snapshot. The view's near plane
// follows the scene out, so that the depth buffer's range is not spent on
// the empty space before it.
TEST_F(SceneLookTest, HugeSceneKeepsItsDepthOrder)
{
    const std::string nearPlate = " Separator { Material { diffuseColor [(1,0,0,1)] } Transform { translation (0,0,0.03) }\n"
                                  "  Cube { width 1 depth 1 height 0.002 } }\n";
    const std::string farPlate = " Separator { Material { diffuseColor [(0,1,0,1)] } Cube { width 1.5 depth 1.5 height 0.002 } }\n";
    for (bool nearFirst : {true, false}) {
        SCOPED_TRACE(nearFirst ? "near plate drawn first" : "far plate drawn first");
        OpenScene("Separator { Transform { scaleFactor 1e5 1e5 1e5 }\n" + (nearFirst ? nearPlate + farPlate : farPlate + nearPlate) +
                  "}");
        Unlit();
        Viewport()->Focus(nullptr, 1.1);
        Render();
        EXPECT_TRUE(Near(Centre(), Pixel{{255, 0, 0}})) << "the near plate shows in front";
    }
}

// A mesh with a face that names a missing point (made in code, so that no
// reader dropped it) draws its good faces and prints nothing, frame after
// frame.
TEST_F(SceneLookTest, BadFacesAreLeftOutSilently)
{
    OpenScene("Separator { }");
    Unlit();
    auto *object = new SgObject(true, true);
    auto *coordinates = new SgCoordinate3;
    const Vec3 points[] = {{-1, -1, 0}, {-1, 1, 0}, {1, 1, 0}, {1, -1, 0}};
    coordinates->m_point.SetVals(4, points);
    auto *mesh = new SgIndexedFaceSet;
    const int index[] = {0, 1, 2, 3, -1, 0, 2, 9, -1};
    mesh->m_coordIndex.SetVals(9, index);
    object->AddChild(coordinates);
    object->AddChild(mesh);
    Root()->AddChild(object);
    // Frames drawn without display lists, so that each one meets the mesh.
    auto frame = [this] {
        SgGLRenderAction render(Viewport());
        render.m_pViewer = m_viewer;
        render.SetCacheDisabled(true);
        render.Apply(Viewport()->GetNodara());
    };
    frame(); // the first frame may say once what it left out
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    frame();
    frame();
    const std::string out = testing::internal::GetCapturedStdout();
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(out, "");
    EXPECT_EQ(err, "");
    EXPECT_TRUE(Near(AtGL(kWidth / 2, kHeight / 2), kDefaultGrey)) << "the good face is drawn";
}

// One mesh used under two coordinate nodes of different sizes: under the
// smaller one the faces that name missing points are left out, and the
// normals are those of the points in effect (a tilted square is lit
// otherwise than a flat one).
TEST_F(SceneLookTest, SharedMeshFollowsThePointsInEffect)
{
    OpenScene("Separator {\n"
              "  Material { diffuseColor [(1,1,1,1)] }\n"
              "  Separator { Transform { translation (-1.2,0,0) }\n"
              "    Coordinate3 { point [(-1,-1,0), (-1,1,0), (1,1,0), (1,-1,0),\n"
              "                         (-1,-3,0), (-1,-2,0), (1,-2,0), (1,-3,0)] }\n"
              "    DEF mesh IndexedFaceSet { coordIndex [0, 1, 2, 3, -1, 4, 5, 6, 7, -1] } }\n"
              "  Separator { Transform { translation (1.2,0,0) }\n"
              "    Coordinate3 { point [(-0.7,-1,0.7), (-0.7,1,0.7), (0.7,1,-0.7), (0.7,-1,-0.7)] }\n"
              "    USE mesh }\n"
              "}");
    for (int frame = 0; frame < 2; ++frame) {
        Render();
        const Pixel flat = At(kWidth / 2 - 12, kHeight / 2);
        const Pixel tilted = At(kWidth / 2 + 12, kHeight / 2);
        EXPECT_GT(flat[0], 150) << "frame " << frame << ": the flat square is lit: " << flat;
        EXPECT_GT(std::abs(tilted[0] - flat[0]), 15)
            << "frame " << frame << ": the tilted square is lit by its own normal: " << tilted << " beside " << flat;
        EXPECT_GT(tilted[0], 40) << "frame " << frame << ": " << tilted;
    }
}

// A folder of picture files for one test, removed with it.
class PictureFolder {
public:
    explicit PictureFolder(const std::string &name)
        : m_path(std::filesystem::temp_directory_path() / ("fennix-" + name + "-" + std::to_string(::getpid())))
    {
        std::filesystem::create_directories(m_path);
    }
    ~PictureFolder() { std::filesystem::remove_all(m_path); }

    // A 2 x 2 BMP; texels given top row first, as the picture is seen.
    std::string Write(const std::string &name, Pixel topLeft, Pixel topRight, Pixel bottomLeft, Pixel bottomRight)
    {
        BmpImage image;
        image.header.width = 2;
        image.header.height = 2;
        image.header.sizeImage = 16;
        // Bottom row first, blue-green-red bytes, rows padded to 8 bytes.
        const Pixel texels[4] = {bottomLeft, bottomRight, topLeft, topRight};
        for (int row = 0; row < 2; ++row) {
            for (int col = 0; col < 2; ++col) {
                const Pixel &p = texels[row * 2 + col];
                image.pixels.insert(image.pixels.end(), {static_cast<std::uint8_t>(p[2]),
                                                         static_cast<std::uint8_t>(p[1]),
                                                         static_cast<std::uint8_t>(p[0])});
            }
            image.pixels.insert(image.pixels.end(), {0, 0});
        }
        const std::filesystem::path path = m_path / name;
        std::ofstream out(path, std::ios::binary);
        BmpUtils::WriteBmp(image, out);
        return path.string();
    }

private:
    std::filesystem::path m_path;
};

constexpr Pixel kRed{{255, 0, 0}};
constexpr Pixel kGreen{{0, 255, 0}};
constexpr Pixel kBlue{{0, 0, 255}};
constexpr Pixel kWhite{{255, 255, 255}};

// A texture of nearest texels, so that probes need not sit on texel
// centres, on white.
std::string Texture(const std::string &file)
{
    return "Material { diffuseColor [(1,1,1,1)] } Texture2 { filename \"" + file + "\" sample NEAREST }\n";
}

template <class T>
T *FindBelow(SgNode *node)
{
    if (auto *found = dynamic_cast<T *>(node))
        return found;
    for (int i = 0; i < node->GetNumChildren(); ++i)
        if (T *found = FindBelow<T>(node->GetChild(i)))
            return found;
    return nullptr;
}

// The picture as it is seen: its four quadrants at the probe points.
void ExpectPictureUpright(SceneLookTest &, const std::function<Pixel(int, int)> &at, int size, const char *where)
{
    const int lo = size / 2 - size / 8, hi = size / 2 + size / 8;
    EXPECT_TRUE(Near(at(lo, hi), kBlue)) << where << ": top left";
    EXPECT_TRUE(Near(at(hi, hi), kWhite)) << where << ": top right";
    EXPECT_TRUE(Near(at(lo, lo), kRed)) << where << ": bottom left";
    EXPECT_TRUE(Near(at(hi, lo), kGreen)) << where << ": bottom right";
}

// Each face of a cube, turned to the viewer with its up direction up, shows
// the picture the right way up: the four sides with +Y up, the top when the
// cube tips toward the viewer (+Z), the bottom when the top tips away (-Z),
// as files of the format expect their cubes.
TEST_F(SceneLookTest, TexturesAreUprightOnEveryFaceOfACube)
{
    PictureFolder folder("cube-faces");
    const std::string file = folder.Write("corners.bmp", kBlue, kWhite, kRed, kGreen);
    // Per face: its outward normal, right and up directions as seen from outside.
    struct Face {
        const char *name;
        Vec3 right, up, normal;
    };
    const Face faces[] = {
        {"+Z", {1, 0, 0}, {0, 1, 0}, {0, 0, 1}},  {"+X", {0, 0, -1}, {0, 1, 0}, {1, 0, 0}},
        {"-Z", {-1, 0, 0}, {0, 1, 0}, {0, 0, -1}}, {"-X", {0, 0, 1}, {0, 1, 0}, {-1, 0, 0}},
        {"+Y", {1, 0, 0}, {0, 0, -1}, {0, 1, 0}},  {"-Y", {1, 0, 0}, {0, 0, 1}, {0, -1, 0}},
    };
    OpenScene("Separator { DEF turn Transform { } " + Texture(file) + "Cube { width 1.6 height 1.6 depth 1.6 } }");
    Unlit();
    auto *turn = FindBelow<SgTransform>(Root());
    ASSERT_NE(turn, nullptr);
    for (const Face &face : faces) {
        const double rows[4][4] = {{face.right.x, face.right.y, face.right.z, 0},
                                   {face.up.x, face.up.y, face.up.z, 0},
                                   {face.normal.x, face.normal.y, face.normal.z, 0},
                                   {0, 0, 0, 1}};
        turn->SetMatrix(Transform3(Mat4(rows)));
        Render();
        ExpectPictureUpright(*this, [this](int x, int y) { return At(x, y); }, kWidth, face.name);
    }
}

// A face set with texture coordinates (0, 0) at its lower left shows the
// picture the right way up.
TEST_F(SceneLookTest, TexturesAreUprightOnAFaceSet)
{
    PictureFolder folder("face-set");
    const std::string file = folder.Write("corners.bmp", kBlue, kWhite, kRed, kGreen);
    OpenScene("Separator { " + Texture(file) +
              "Coordinate3 { point [(-0.8,-0.8,0), (-0.8,0.8,0), (0.8,0.8,0), (0.8,-0.8,0)] }\n"
              "TextureCoordinate2 { point [(0,0), (0,1), (1,1), (1,0)] }\n"
              "IndexedFaceSet { coordIndex [0, 1, 2, 3, -1] textureCoordIndex [0, 1, 2, 3, -1] } }");
    Unlit();
    Render();
    ExpectPictureUpright(*this, [this](int x, int y) { return At(x, y); }, kWidth, "face set");
}

// Texture names belong to the context that made them: a snapshot, drawn in
// a context of its own, and the viewer after it both show each object with
// its own picture.
TEST_F(SceneLookTest, TexturesStayRightAcrossASnapshot)
{
    PictureFolder folder("two-contexts");
    const std::string redFile = folder.Write("red.bmp", kRed, kRed, kRed, kRed);
    const std::string greenFile = folder.Write("green.bmp", kGreen, kGreen, kGreen, kGreen);
    // The green square alone first, so that the two contexts number their
    // textures differently.
    OpenScene("Separator { Transform { translation (0.5,0,0) } " + Texture(greenFile) +
              "Cube { width 0.8 height 0.8 depth 0.8 } }");
    Unlit();
    Render();
    const int left = kWidth / 2 - 8, right = kWidth / 2 + 8, middle = kHeight / 2;
    ASSERT_TRUE(Near(At(right, middle), kGreen));
    auto *red = new SgSeparator;
    auto *place = new SgTransform;
    place->m_translation.Set(Vec3(-0.5, 0, 0));
    red->AddChild(place);
    auto *white = new SgMaterial;
    const Color opaqueWhite(1, 1, 1, 1);
    white->m_diffuseColor.SetVals(1, &opaqueWhite);
    red->AddChild(white);
    auto *texture = new SgTexture2D;
    texture->m_filename.Set(Image2(0, 0, 0, Image2::UNSIGNED_BYTE, nullptr, redFile.c_str()));
    texture->m_sample.Set(0);
    red->AddChild(texture);
    auto *cube = new SgCube;
    for (SgFDouble *side : {&cube->m_width, &cube->m_height, &cube->m_depth})
        side->Set(0.8);
    red->AddChild(cube);
    // Drawn before the green one.
    Root()->AddChildBefore(red, Root()->GetChild(0));

    std::ostringstream bmp;
    ASSERT_TRUE(BmpUtils::SaveBmp(m_viewer, kWidth, kHeight, bmp));
    const std::string bytes = bmp.str();
    auto bmpAt = [&bytes](int x, int y) {
        const size_t start = static_cast<std::uint8_t>(bytes[10]) | static_cast<std::uint8_t>(bytes[11]) << 8;
        const size_t at = start + static_cast<size_t>(y) * (kWidth * 3) + static_cast<size_t>(x) * 3;
        return Pixel{{static_cast<std::uint8_t>(bytes[at + 2]), static_cast<std::uint8_t>(bytes[at + 1]),
                      static_cast<std::uint8_t>(bytes[at])}};
    };
    EXPECT_TRUE(Near(bmpAt(left, middle), kRed)) << "snapshot, left";
    EXPECT_TRUE(Near(bmpAt(right, middle), kGreen)) << "snapshot, right";
    Render();
    EXPECT_TRUE(Near(At(left, middle), kRed)) << "viewer after the snapshot, left";
    EXPECT_TRUE(Near(At(right, middle), kGreen)) << "viewer after the snapshot, right";
}

// A display list holds no texture upload: the texture is made once, outside
// the list, and the list only binds it. Texels changed in GL after the list
// was compiled stay changed in the frames that call the list.
TEST_F(SceneLookTest, DisplayListsBindTexturesWithoutUploadingThem)
{
    PictureFolder folder("list-texture");
    const std::string file = folder.Write("red.bmp", kRed, kRed, kRed, kRed);
    OpenScene("Separator { " + Texture(file) + "Cube { width 1.6 height 1.6 depth 1.6 } }");
    Unlit();
    Render();
    Render();
    ASSERT_TRUE(Near(Centre(), kRed));
    const int name = SgTextureManager::ForDocument(m_document)->GetTextureID(file);
    ASSERT_GT(name, 0);
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(name));
    const unsigned char green[16] = {0, 255, 0, 255, 0, 255, 0, 255, 0, 255, 0, 255, 0, 255, 0, 255};
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 2, 2, GL_RGBA, GL_UNSIGNED_BYTE, green);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(bound));
    Render();
    EXPECT_TRUE(Near(Centre(), kGreen)) << "the frame drew the texture as it is, not uploaded again";
}

} // namespace
