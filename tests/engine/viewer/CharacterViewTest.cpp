// A skinned character in a viewer: the skin follows a bone that moves after
// the frames have been cached in display lists.
#include "tests/engine/viewer/ViewerFixture.h"

#include <numbers>
#include <vector>

#include "engine/nodes/character/CharAnimControl.h"
#include "engine/nodes/character/SgCharAnim.h"
#include "engine/nodes/geometry/SgCube.h"
#include "platform/SgDiagHandler.h"
#include "engine/nodes/geometry/SgIndexedFaceSet.h"
#include "engine/nodes/properties/SgCoordinate3.h"

namespace {

using namespace viewertest;

using CharacterViewTest = ViewerFixtureT<64, 64>;

const Pixel kRed{{255, 0, 0}};

SgObject *FirstChildObject(SgObject *object)
{
    SgSeparator *content = object->GetInnerGroup();
    for (int i = 0; i < content->GetChildsCount(); ++i)
        if (auto *child = dynamic_cast<SgObject *>(content->GetChild(i)))
            return child;
    return nullptr;
}

// A skin object: a flat red strip over a chain lying along +x, x from 0 to
// 2, y from -0.2 to 0.2, wound clockwise seen from the camera above; its
// quads are split into `parts` face sets over one point list.
SgObject *RedStrip(int parts)
{
    auto *skin = new SgObject(true, true);
    const Color red(1, 0, 0, 1);
    auto *material = new SgMaterial;
    material->m_diffuseColor.SetVals(1, &red);
    skin->AddPropertyNode(material, false);
    constexpr int kQuads = 8;
    std::vector<Vec3> points;
    std::vector<std::vector<int>> index(static_cast<size_t>(parts));
    for (int i = 0; i <= kQuads; ++i) {
        points.emplace_back(i * 0.25, -0.2, 0);
        points.emplace_back(i * 0.25, 0.2, 0);
        if (i > 0) {
            std::vector<int> &part = index[static_cast<size_t>((i - 1) * parts / kQuads)];
            part.insert(part.end(), {2 * i - 2, 2 * i - 1, 2 * i + 1, 2 * i, -1});
        }
    }
    auto *coordinates = new SgCoordinate3;
    coordinates->m_point.SetVals(int(points.size()), points.data());
    for (const std::vector<int> &part : index) {
        auto *mesh = new SgIndexedFaceSet;
        mesh->m_coordIndex.SetVals(int(part.size()), part.data());
        mesh->m_coord.Set(NodePtr(coordinates));
        skin->AddChild(mesh);
    }
    return skin;
}

} // namespace

TEST_F(CharacterViewTest, SkinFollowsABoneMovedAfterCaching)
{
    Unlit();
    // Three bones of length 1 lying along +x (the chain turned from +z): two
    // segments, the root's from 0 to 1 and the second bone's from 1 to 2.
    SgObject *skeleton = CreateBone(3, nullptr);
    skeleton->SetRotation(Rotation(Vec3(0, 1, 0), std::numbers::pi / 2));
    Root()->AddChild(skeleton);

    SgObject *skin = RedStrip(1);
    Root()->AddChild(skin);
    ASSERT_NE(CharAnimControl::SkinSkeleton(skin, skeleton), nullptr);

    // World x 1.6 on the strip's axis, seen by the default camera.
    const int x = kWidth / 2 + int(1.6 / (5.0 * std::tan(std::numbers::pi / 8)) * (kHeight / 2));
    for (int frame = 0; frame < 3; ++frame) {
        Render();
        EXPECT_TRUE(Near(At(x, kHeight / 2), kRed)) << "frame " << frame;
    }
    // The second bone turns a right angle: the strip's far half follows it.
    SgObject *second = FirstChildObject(skeleton);
    ASSERT_NE(second, nullptr);
    second->SetRotation(Rotation(Vec3(1, 0, 0), std::numbers::pi / 2));
    Render();
    EXPECT_FALSE(Near(At(x, kHeight / 2), kRed, 40)) << "the bent skin moved away";
}

// A skin of two face sets under one modifier: each set is bound and follows
// the skeleton in every frame, not only the first one drawn.
TEST_F(CharacterViewTest, EveryFaceSetOfASkinFollowsTheSkeletonInEveryFrame)
{
    Unlit();
    SgObject *skeleton = CreateBone(3, nullptr);
    skeleton->SetRotation(Rotation(Vec3(0, 1, 0), std::numbers::pi / 2));
    Root()->AddChild(skeleton);

    // The strip in two face sets over one point list: the first over x 0 to
    // 1, the second over x 1 to 2.
    SgObject *skin = RedStrip(2);
    Root()->AddChild(skin);
    ASSERT_NE(CharAnimControl::SkinSkeleton(skin, skeleton), nullptr);
    Render();

    // The whole skeleton moves 0.8 up the y axis: both halves go with it.
    skeleton->SetMove(Vec3(0, 0.8, 0));
    const double pixelsPerUnit = (kHeight / 2) / (5.0 * std::tan(std::numbers::pi / 8));
    // Beside the bones' axis: the bones stand over the strip there.
    const int y = kHeight / 2 + int(0.9 * pixelsPerUnit);
    const int xs[2] = {kWidth / 2 + int(0.5 * pixelsPerUnit), kWidth / 2 + int(1.6 * pixelsPerUnit)};
    for (int frame = 0; frame < 3; ++frame) {
        Render();
        for (int half = 0; half < 2; ++half) {
            EXPECT_TRUE(Near(At(xs[half], y), kRed)) << "frame " << frame << ", face set " << half << " moved up";
            EXPECT_FALSE(Near(At(xs[half], kHeight / 2), kRed, 40))
                << "frame " << frame << ", face set " << half << " left its rest place";
        }
    }
}

// A skin whose modifier has no skeleton, or a skeleton that is no object,
// is drawn as modelled and says why once, not once a frame.
TEST_F(CharacterViewTest, AMissingOrWrongSkeletonIsToldOnce)
{
    Unlit();
    SgObject *skeleton = CreateBone(2, nullptr);
    Root()->AddChild(skeleton);
    auto *skin = new SgObject(true, true);
    auto *mesh = new SgIndexedFaceSet;
    auto *coordinates = new SgCoordinate3;
    const Vec3 points[] = {{0, -0.2, 0.5}, {0, 0.2, 0.5}, {0.2, 0.2, 0.5}};
    coordinates->m_point.SetVals(3, points);
    const int index[] = {0, 1, 2, -1};
    mesh->m_coordIndex.SetVals(4, index);
    mesh->m_coord.Set(NodePtr(coordinates));
    skin->AddChild(mesh);
    Root()->AddChild(skin);
    auto *modifier = static_cast<SgCharAnim *>(CharAnimControl::SkinSkeleton(skin, skeleton));
    ASSERT_NE(modifier, nullptr);
    SgRef<SgCube> notAnObject = new SgCube;
    struct Case {
        const char *what;
        SgNode *skeleton;
        const char *told;
    };
    const Case cases[] = {
        {"no skeleton", nullptr, "has no skeleton"},
        {"a cube", notAnObject.get(), "is a SgCube, not an object"},
    };
    for (const Case &c : cases) {
        modifier->m_skeleton.Set(NodePtr(c.skeleton));
        SgDiagCapture capture;
        for (int frame = 0; frame < 3; ++frame)
            Render();
        EXPECT_EQ(capture.Count("CharAnim"), 1) << c.what << ": " << capture.GetText();
        EXPECT_TRUE(capture.Contains(c.told)) << c.what << ": " << capture.GetText();
    }
}
