#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "engine/actions/SgBoundingBoxAction.h"
#include "engine/core/SgPath.h"
#include "engine/core/SgRef.h"
#include "engine/core/SgSeparator.h"
#include "engine/core/SgStateAccessors.h"
#include "engine/nodes/geometry/SgFaceSet.h"
#include "engine/nodes/geometry/SgPolyLine.h"
#include "engine/nodes/geometry/SgScatter.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/nodes/properties/SgTransform.h"
#include "tests/engine/core/StateTestSupport.h"
#include "tests/engine/nodes/geometry/ExtrusionTestSupport.h"

namespace {

// Records where each visit of one action class finds it: the origin and the
// z axis of the transform in force.
struct Probe {
    SgRef<StateTestNode> node = new StateTestNode;
    std::vector<Vec3> origins;
    std::vector<Vec3> axes;

    explicit Probe(int actionClass)
    {
        node->m_visit = [this, actionClass](SgAction *action, StateTestNode *) {
            if (action->GetClassID() != actionClass)
                return;
            const Mat4 m = GetActionTransform(action);
            origins.push_back(m.MultPoint(Vec3(0, 0, 0)));
            axes.push_back(m.MultDirection(Vec3(0, 0, 1)));
        };
    }
};

struct Scene {
    SgRef<SgScatter> scatter = new SgScatter;
    SgRef<SgObject> source = new SgObject;
    SgRef<SgObject> target = new SgObject;
    Probe copies;
    Probe targets;

    Scene(SgNode *targetShape, int actionClass) : copies(actionClass), targets(actionClass)
    {
        source->AddChild(copies.node.get());
        target->AddChild(targets.node.get());
        target->AddChild(targetShape);
        scatter->GetSeparator()->AddChild(source.get());
        scatter->GetSeparator()->AddChild(target.get());
    }
};

SgRef<SgPolyLine> Line(int n)
{
    std::vector<Vec3> points;
    for (int i = 1; i <= n; ++i)
        points.emplace_back(i, 0, 0);
    return MakePolyLine(points, false);
}

class SgScatterTest : public ::testing::Test {
protected:
    void SetUp() override { InitExtrusionTests(); }
};

} // namespace

TEST_F(SgScatterTest, PlacesACopyAtEveryStrideOfPoints)
{
    struct Case {
        int skip;
        unsigned short showTarget;
        std::vector<double> xs;
        size_t targetVisits;
    };
    const Case cases[] = {
        {0, 1, {1, 2, 3, 4, 5}, 1}, {1, 1, {1, 2, 3, 4, 5}, 1}, {-3, 1, {1, 2, 3, 4, 5}, 1},
        {2, 1, {1, 3, 5}, 1},       {3, 0, {1, 4}, 0},
    };
    for (const Case &c : cases) {
        StateTestAction action;
        Scene scene(Line(5).get(), action.GetClassID());
        scene.scatter->m_skip.Set(c.skip);
        scene.scatter->m_showTarget.Set(c.showTarget);
        ASSERT_TRUE(action.Apply(scene.scatter.get())) << action.GetError();
        std::vector<double> xs;
        for (const Vec3 &o : scene.copies.origins) {
            xs.push_back(o.x);
            EXPECT_NEAR(o.y, 0.0, 1e-12);
        }
        EXPECT_EQ(xs, c.xs) << "skip " << c.skip;
        EXPECT_EQ(scene.targets.origins.size(), c.targetVisits) << "showTarget " << c.showTarget;
    }
}

TEST_F(SgScatterTest, ABoxPassSeesTheFirstCopyOnly)
{
    // The source is a short upright line; with the target hidden, the box
    // holds the copy at the first point alone.
    SgBoundingBoxAction boxes;
    Scene scene(Line(5).get(), boxes.GetClassID());
    scene.source->AddChild(MakePolyLine(std::vector<Vec3>{{0, 0, 0}, {0, 0.5, 0}}, false).get());
    scene.scatter->m_showTarget.Set(0);
    SgPath path;
    path.Append(scene.scatter.get());
    const Range<Vec3f> box = SgBoundingBoxAction::CalcBoundingBox(path);
    // (A flat box is given a hair of thickness.)
    EXPECT_NEAR(box.GetMin().x, 1.0, 1e-3);
    EXPECT_NEAR(box.GetMax().x, 1.0, 1e-3) << "the copies at x = 2 to 5 are no part of a box pass";
    EXPECT_NEAR(box.GetMax().y, 0.5, 1e-3);
}

TEST_F(SgScatterTest, PlacesAreRelativeToTheScatterAndCopiesStandOnTheNormals)
{
    // A square facing +x, moved by the target's transform: copies stand at
    // its corners turned so that their z runs along the normal, and a
    // vertex no face uses (an empty normal list) still gets a copy, unturned.
    SgRef<SgFaceSet> square = new SgFaceSet;
    const Vec3 points[] = {{0, 0, 0}, {0, 1, 0}, {0, 1, 1}, {0, 0, 1}, {0, 5, 5}};
    square->m_vertices.SetVals(5, points);
    square->InsertFace(0, 1, 2, 3, 1);
    StateTestAction action;
    Scene scene(square.get(), action.GetClassID());
    scene.target->SetMove(Vec3(10, 0, 0));
    SgRef<SgSeparator> root = new SgSeparator;
    SgRef<SgTransform> away = new SgTransform;
    away->m_translation = Vec3(0, 0, 100);
    root->AddChild(away.get());
    root->AddChild(scene.scatter.get());
    ASSERT_TRUE(action.Apply(root.get())) << action.GetError();
    ASSERT_EQ(scene.copies.origins.size(), 5u);
    const Vec3 normal = square->GetFaceNormal(0);
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_LT((scene.copies.origins[i] - (points[i] + Vec3(10, 0, 100))).Length(), 1e-9) << "copy " << i;
        const Vec3 axis = scene.copies.axes[i];
        EXPECT_TRUE(std::isfinite(axis.x) && std::isfinite(axis.y) && std::isfinite(axis.z)) << "copy " << i;
        if (i < 4) {
            EXPECT_LT((axis - normal).Length(), 1e-6) << "copy " << i << " stands on the face";
        }
    }
    EXPECT_LT((scene.copies.axes[4] - normal).Length(), 1e-6) << "no normals there: the last turn stays";
}

TEST_F(SgScatterTest, NothingWithoutTwoObjectsAndBothWhereTheyStandWhenExploded)
{
    StateTestAction action;
    {
        Scene scene(Line(3).get(), action.GetClassID());
        scene.scatter->GetSeparator()->DeleteChild(scene.target.get());
        ASSERT_TRUE(action.Apply(scene.scatter.get()));
        EXPECT_TRUE(scene.copies.origins.empty()) << "one child: nothing is drawn";
    }
    {
        Scene scene(Line(3).get(), action.GetClassID());
        SgRef<SgSeparator> notAnObject = new SgSeparator;
        scene.scatter->GetSeparator()->AddChildBefore(notAnObject.get(), scene.source.get());
        ASSERT_TRUE(action.Apply(scene.scatter.get()));
        EXPECT_TRUE(scene.copies.origins.empty()) << "a first child that is no object: nothing is drawn";
        EXPECT_TRUE(scene.targets.origins.empty()) << "not even the target";
    }
    {
        Scene scene(Line(3).get(), action.GetClassID());
        scene.scatter->SetExploded(true);
        ASSERT_TRUE(action.Apply(scene.scatter.get()));
        ASSERT_EQ(scene.copies.origins.size(), 1u) << "exploded: the source once";
        EXPECT_EQ(scene.copies.origins[0], Vec3(0, 0, 0));
        EXPECT_EQ(scene.targets.origins.size(), 1u);
    }
}
