// Aligning objects to a reference: by box points along one axis, by tip
// nodes, inside a moved parent, and turning to the reference first.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "engine/core/SgRef.h"
#include "engine/core/SgSeparator.h"
#include "engine/nodes/geometry/SgCube.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/nodes/properties/SgTransform.h"
#include "engine/tools/SgAlign.h"
#include "platform/SgDiagHandler.h"
#include "tests/engine/nodes/geometry/ExtrusionTestSupport.h"

namespace {

class AlignTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        InitExtrusionTests();
        m_root = new SgSeparator;
    }

    // An object holding a cube of size 2 centred at `at`, under `parent`.
    SgObject *Box(const Vec3 &at, SgGroup *parent = nullptr)
    {
        auto *object = new SgObject(true, true);
        auto *cube = new SgCube;
        cube->m_width.Set(2.0);
        cube->m_height.Set(2.0);
        cube->m_depth.Set(2.0);
        object->AddChild(cube);
        object->SetMove(at);
        (parent ? parent : m_root.get())->AddChild(object);
        return object;
    }
    // The path from the root to the last of the nodes (through the inner
    // groups of objects).
    SgPath PathTo(std::initializer_list<SgNode *> below)
    {
        SgPath path;
        path.CreateFromNode(*(below.end() - 1));
        return path;
    }

    SgRef<SgSeparator> m_root;
};

} // namespace

TEST_F(AlignTest, MovesAlongTheAxisByTheDifferenceOfThePoints)
{
    struct Case {
        SgAlign::AlignPoint own;
        SgAlign::AlignPoint theirs;
        SgAlign::AlignAxis axis;
        Vec3 moved;
    };
    // The box spans [2, 4] in x; the reference [8, 10] in x, [-3, -1] in y,
    // [4, 6] in z.
    const Case cases[] = {
        {SgAlign::kMin, SgAlign::kMax, SgAlign::kX, {8, 0, 0}},
        {SgAlign::kCenter, SgAlign::kCenter, SgAlign::kX, {6, 0, 0}},
        {SgAlign::kBoxCenter, SgAlign::kCenter, SgAlign::kZ, {0, 0, 5}},
        {SgAlign::kMax, SgAlign::kMin, SgAlign::kY, {0, -4, 0}},
    };
    for (const Case &c : cases) {
        m_root->Clear();
        SgObject *box = Box(Vec3(3, 0, 0));
        SgObject *reference = Box(Vec3(9, -2, 5));
        SgAlign align;
        ASSERT_TRUE(align.Align(PathTo({box}), PathTo({reference}), c.own, c.theirs, c.axis, true));
        const Vec3 at = box->GetMove();
        EXPECT_NEAR(at.x - 3, c.moved.x, 1e-6) << "axis " << c.axis;
        EXPECT_NEAR(at.y, c.moved.y, 1e-6) << "axis " << c.axis;
        EXPECT_NEAR(at.z, c.moved.z, 1e-6) << "axis " << c.axis;
    }
}

// With its rotation taken into account an object slides along its own axis
// until its point meets the reference's coordinate; without, it moves along
// the world axis. An own axis across the world axis cannot get there.
TEST_F(AlignTest, UseRotationSlidesTheObjectAlongItsOwnAxis)
{
    struct Case {
        const char *what;
        double turn; // about z, in degrees
        bool useRotation;
        bool aligned;
        Vec3 moved;
    };
    // The box's centre stands at x = 3, the reference's maximum at x = 10.
    const Case cases[] = {
        {"unturned, own axis", 0, true, true, {7, 0, 0}},
        {"unturned, world axis", 0, false, true, {7, 0, 0}},
        {"turned 45, world axis", 45, false, true, {7, 0, 0}},
        {"turned 45, own axis", 45, true, true, {7, 7, 0}},
        {"turned -60, own axis", -60, true, true, {7, -7 * std::sqrt(3.0), 0}},
        {"turned 90, own axis across", 90, true, false, {0, 0, 0}},
    };
    for (const Case &c : cases) {
        m_root->Clear();
        SgObject *box = Box(Vec3(3, 0, 0));
        box->SetRotation(Rotation(Vec3(0, 0, 1), c.turn * std::numbers::pi / 180));
        SgObject *reference = Box(Vec3(9, -2, 5));
        SgDiagCapture capture;
        SgAlign align;
        EXPECT_EQ(align.Align(PathTo({box}), PathTo({reference}), SgAlign::kCenter, SgAlign::kMax, SgAlign::kX,
                              c.useRotation),
                  c.aligned)
            << c.what;
        const Vec3 at = box->GetMove();
        EXPECT_NEAR(at.x - 3, c.moved.x, 1e-6) << c.what;
        EXPECT_NEAR(at.y, c.moved.y, 1e-6) << c.what;
        EXPECT_NEAR(at.z, c.moved.z, 1e-6) << c.what;
        if (c.aligned)
            EXPECT_NEAR(SgAlign::AlignCoordinate(PathTo({box}), SgAlign::kCenter, SgAlign::kX), 10.0, 1e-5) << c.what;
        else
            EXPECT_TRUE(capture.Contains("cannot be aligned")) << c.what << ": " << capture.GetText();
    }
}

TEST_F(AlignTest, AMoveInsideAScaledParentLandsInWorldSpace)
{
    auto *parent = new SgObject(true, true);
    parent->SetScale(Vec3(2, 2, 2));
    m_root->AddChild(parent);
    SgObject *box = Box(Vec3(0, 0, 0), parent);       // world [-2, 2] in x
    SgObject *reference = Box(Vec3(20, 0, 0));          // world [19, 21]
    SgAlign align;
    ASSERT_TRUE(align.Align(PathTo({parent, box}), PathTo({reference}), SgAlign::kMin, SgAlign::kMax, SgAlign::kX,
                            true));
    const Range<Vec3f> world = SgAlign::GetBoundingBox(PathTo({parent, box}));
    EXPECT_NEAR(world.GetMin()[0], 21.0, 1e-4);
}

TEST_F(AlignTest, TipsReplaceTheBoxAndOrientationFollowsTheReference)
{
    SgObject *arrow = Box(Vec3(0, 0, 0));
    auto *tip1 = new SgObject(true, true);
    tip1->SetName("Tip1");
    tip1->SetMove(Vec3(-3, 0, 0));
    auto *tip2 = new SgObject(true, true);
    tip2->SetName("Tip2");
    tip2->SetMove(Vec3(3, 0, 0));
    arrow->AddChild(tip1);
    arrow->AddChild(tip2);
    EXPECT_NEAR(SgAlign::AlignCoordinate(PathTo({arrow}), SgAlign::kMin, SgAlign::kX), -3.0, 1e-9);
    EXPECT_NEAR(SgAlign::AlignCoordinate(PathTo({arrow}), SgAlign::kMax, SgAlign::kX), 3.0, 1e-9);

    SgObject *box = Box(Vec3(5, 0, 0));
    SgObject *turned = Box(Vec3(-5, 0, 0));
    turned->SetRotation(Rotation(Vec3(0, 0, 1), std::numbers::pi / 4));
    SgAlign align;
    ASSERT_TRUE(align.AlignOrientation(PathTo({box}), PathTo({turned}), SgAlign::kCenter, SgAlign::kCenter,
                                       SgAlign::kX, true));
    EXPECT_NEAR(box->GetTransform()->m_rotation.Get(true).GetAngle(), std::numbers::pi / 4, 1e-9);
    EXPECT_NEAR(box->GetMove().x, -5.0, 1e-6);
    EXPECT_FALSE(align.Align(SgPath(), PathTo({turned}), SgAlign::kMin, SgAlign::kMin, SgAlign::kX, true));
}

// An object without geometry has no point to align: it is refused with a
// message and stays where it is; likewise a reference without geometry.
TEST_F(AlignTest, AnObjectWithoutGeometryIsRefusedAndStays)
{
    auto *empty = new SgObject(true, true);
    empty->SetMove(Vec3(1, 2, 3));
    m_root->AddChild(empty);
    SgObject *box = Box(Vec3(5, 0, 0));
    SgDiagCapture capture;
    SgAlign align;
    EXPECT_FALSE(align.Align(PathTo({empty}), PathTo({box}), SgAlign::kMin, SgAlign::kMin, SgAlign::kX, false));
    EXPECT_NEAR((empty->GetMove() - Vec3(1, 2, 3)).Length(), 0.0, 1e-12);
    EXPECT_FALSE(align.Align(PathTo({box}), PathTo({empty}), SgAlign::kMin, SgAlign::kMin, SgAlign::kX, false));
    EXPECT_NEAR((box->GetMove() - Vec3(5, 0, 0)).Length(), 0.0, 1e-12);
    EXPECT_EQ(capture.Count("Align"), 2) << capture.GetText();
    EXPECT_TRUE(capture.Contains("no geometry")) << capture.GetText();
}
