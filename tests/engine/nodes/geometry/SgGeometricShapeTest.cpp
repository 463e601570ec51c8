// Procedural shapes: one result per shape, reused while the state elements
// its build read still match, dropped on field changes, and handed to the
// action through the modifier stack in force.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/engine/EngineTestClasses.h"
#include "engine/core/SgAction.h"
#include "engine/core/SgBooleanCache.h"
#include "engine/core/SgElementClasses.h"
#include "engine/core/SgPath.h"
#include "engine/core/SgState.h"
#include "engine/core/SgGroup.h"
#include "engine/core/SgRef.h"
#include "engine/core/SgSeparator.h"
#include "engine/core/SgTField.h"
#include "engine/nodes/geometry/SgFaceSet.h"
#include "engine/nodes/geometry/SgGeometricShape.h"
#include "engine/core/SgModifier.h"
#include "platform/SgDiagHandler.h"
#include "tests/engine/core/TestNodes.h"

namespace {

// A result mesh that counts the live ones, so tests see results freed.
class CountedMesh : public SgFaceSet {
public:
    CountedMesh() { ++s_live; }
    static int s_live;

protected:
    ~CountedMesh() override { --s_live; }
};
int CountedMesh::s_live = 0;

// Builds a right triangle of side "size" and remembers the crease angle in
// force; can be told to fail half way through its build.
class ProbeShape : public SgGeometricShape {
    SG_CLASS_HEADER(ProbeShape, SgFieldMngr)
    ProbeShape() { AddField(m_size, "size", 1.0); }

    void DoAction(SgAction *action) override
    {
        DoBuildAction<CountedMesh>(action, [this](CountedMesh *mesh, SgAction *a) {
            ++m_builds;
            const float *crease = CreaseAngleElement::Get(a->GetState());
            m_seenCrease = crease ? *crease : -1.0f;
            const double s = m_size.Get();
            mesh->m_vertices.AddVal(Vec3(0, 0, 0));
            mesh->m_vertices.AddVal(Vec3(s, 0, 0));
            mesh->m_vertices.AddVal(Vec3(0, s, 0));
            if (m_failHalfWay)
                mesh->m_vertices.GetValue(3); // past the end: the array layer throws
            mesh->InsertFace3(0, 2, 1, 1);
        });
    }
    void MakeBuiltin() { SetBuiltinMacro(true); }

    SgFDouble m_size;
    int m_builds = 0;
    float m_seenCrease = -1.0f;
    bool m_failHalfWay = false;

protected:
    ~ProbeShape() override = default;
};
SG_CLASS_SOURCE(ProbeShape, SgGeometricShape, SgFieldMngr, "ProbeShape")

// Sets the crease angle for what follows it.
class CreaseNode : public SgNode {
    SG_CLASS_HEADER(CreaseNode, SgFieldMngr)
    CreaseNode() { AddField(m_angle, "angle", 0.5f); }
    void DoAction(SgAction *action) override { CreaseAngleElement::Set(action->GetState(), this, m_angle.Get()); }
    SgFFloat m_angle;

protected:
    ~CreaseNode() override = default;
};
SG_CLASS_SOURCE(CreaseNode, SgNode, SgFieldMngr, "CreaseNode")

// Caches around one child the way a render cache of a separator does, so
// that tests see what the child makes it depend on.
class EnclosingCacheNode : public SgNode {
    SG_CLASS_HEADER(EnclosingCacheNode, SgFieldMngr)
    void DoAction(SgAction *action) override
    {
        action->PushState();
        action->Traverse(m_child.get());
        action->PopState();
        m_cache.BuildCacheContext(action->GetState());
    }
    bool Records(int elementClassId) const
    {
        for (int i = 0; i < m_cache.GetRecordedCount(); ++i) {
            if (m_cache.GetRecorded(i)->GetClassID() == elementClassId)
                return true;
        }
        return false;
    }
    SgRef<SgNode> m_child;
    SgBooleanCache m_cache;

protected:
    ~EnclosingCacheNode() override = default;
};
SG_CLASS_SOURCE(EnclosingCacheNode, SgNode, SgFieldMngr, "EnclosingCacheNode")

// Replaces every shape it gets by a new, empty face set.
class ReplacingModifier : public SgModifier {
    SG_CLASS_HEADER(ReplacingModifier, SgFieldMngr)
    SgShape *ApplyModifier(SgAction *, SgShape *input, Transform3 *, bool) override
    {
        m_inputs.push_back(input);
        return new SgFaceSet;
    }
    std::vector<SgShape *> m_inputs;

protected:
    ~ReplacingModifier() override = default;
};
SG_CLASS_SOURCE(ReplacingModifier, SgModifier, SgFieldMngr, "ReplacingModifier")

// A group that counts the change notices that reach it.
class NoticeGroup : public SgGroup {
    SG_CLASS_HEADER(NoticeGroup, SgFieldMngr)
    void NotifyFathers(SgNode *from) override
    {
        ++m_notices;
        SgGroup::NotifyFathers(from);
    }
    int m_notices = 0;

protected:
    ~NoticeGroup() override = default;
};
SG_CLASS_SOURCE(NoticeGroup, SgGroup, SgFieldMngr, "NoticeGroup")

// Records every face set it reaches and whether the modifier stack was
// disabled there.
class MeshRecordingAction : public SgAction {
    SG_ACTION_HEADER(MeshRecordingAction)
    MeshRecordingAction() { InitState(); }

    static void VisitMesh(SgAction *action, SgNode *node)
    {
        auto *self = static_cast<MeshRecordingAction *>(action);
        self->m_meshes.push_back(static_cast<SgShape *>(node));
        self->m_stackDisabled.push_back(ModifierStackElement::Get(action->GetState()).Disabled());
    }

    std::vector<SgShape *> m_meshes;
    std::vector<bool> m_stackDisabled;
};
SG_ACTION_SOURCE(MeshRecordingAction, "MeshRecordingAction")
void MeshRecordingAction::InitClass()
{
    if (!RegisterActionClass(s_iClassID, s_lpszClassName, &Creator, s_pfnMethodsMap))
        return;
    SetVisitor(s_pfnMethodsMap, SgNode::ClassID(), VisitDefault);
    SetVisitor(s_pfnMethodsMap, SgFaceSet::ClassID(), VisitMesh);
    BuildVisitorsMap_(s_iClassID);
    EnableElement<TransformElement>(s_aiEnabledElements, s_iEnabledCount);
    EnableElement<ModifierStackElement>(s_aiEnabledElements, s_iEnabledCount);
    EnableElement<CreaseAngleElement>(s_aiEnabledElements, s_iEnabledCount);
}

} // namespace

void RegisterGeometricShapeTestClasses()
{
    InitTestClasses();
    ProbeShape::InitClass();
    CreaseNode::InitClass();
    EnclosingCacheNode::InitClass();
    ReplacingModifier::InitClass();
    NoticeGroup::InitClass();
    MeshRecordingAction::InitClass();
    SgAction::ReBuildVisitorsMaps();
}

namespace {

class GeometricShapeTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { RegisterGeometricShapeTestClasses(); }

    void SetUp() override
    {
        CountedMesh::s_live = 0;
        m_root->AddChild(m_crease.get());
        m_root->AddChild(m_shape.get());
    }

    // Applies a fresh action to the root; the meshes it reached.
    std::vector<SgShape *> Traverse()
    {
        MeshRecordingAction action;
        EXPECT_TRUE(action.Apply(m_root.get())) << action.GetError();
        m_disabled = action.m_stackDisabled;
        return action.m_meshes;
    }

    SgRef<SgSeparator> m_root = new SgSeparator;
    SgRef<CreaseNode> m_crease = new CreaseNode;
    SgRef<ProbeShape> m_shape = new ProbeShape;
    std::vector<bool> m_disabled;
};

TEST_F(GeometricShapeTest, CacheSlotExistsInEveryNewSeparator)
{
    ASSERT_GE(SgGeometricShape::s_iGeometricCashe, 0) << "the library start-up took no result slot";
    SgRef<SgSeparator> separator = new SgSeparator;
    EXPECT_GT(separator->GetEntryCount(), SgGeometricShape::s_iGeometricCashe);
    EXPECT_EQ(m_shape->GetSeparator()->GetFatherList().front(), m_shape.get())
        << "the shape is not the father of its internal separator";
}

TEST_F(GeometricShapeTest, BoxesOfShapesWithoutResult)
{
    const Range<Vec3f> empty = m_shape->BoundingBox();
    EXPECT_EQ(empty.GetMin(), Vec3f(3.40282347e38f, 3.40282347e38f, 3.40282347e38f));
    EXPECT_EQ(empty.GetMax(), Vec3f(-3.40282347e38f, -3.40282347e38f, -3.40282347e38f));

    SgRef<SgShape> plain = new SgShape;
    EXPECT_EQ(plain->BoundingBox().GetMin(), Vec3f(0, 0, 0));
    EXPECT_EQ(plain->BoundingBox().GetMax(), Vec3f(0, 0, 0));
    Vec3 unused;
    EXPECT_EQ(plain->GetNormal(0, unused), Vec3(0, 0, 1));
}

TEST_F(GeometricShapeTest, SecondTraversalReusesTheResult)
{
    const std::vector<SgShape *> first = Traverse();
    ASSERT_EQ(m_shape->m_builds, 1);
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(first[0], m_shape->GetResultCache()) << "the action did not see the result";
    EXPECT_FLOAT_EQ(m_shape->m_seenCrease, 0.5f) << "the build did not see the state in force";

    const std::vector<SgShape *> second = Traverse();
    EXPECT_EQ(m_shape->m_builds, 1) << "an unchanged shape was built again";
    ASSERT_EQ(second.size(), 1u);
    EXPECT_EQ(second[0], first[0]);
    EXPECT_EQ(CountedMesh::s_live, 1);
}

TEST_F(GeometricShapeTest, WhatDropsTheResult)
{
    struct Case {
        const char *name;
        void (*change)(ProbeShape &, CreaseNode &);
        bool rebuilds;
    };
    const Case cases[] = {
        {"field of the shape", [](ProbeShape &s, CreaseNode &) { s.m_size = 2.0; }, true},
        {"state element the build read", [](ProbeShape &, CreaseNode &c) { c.m_angle = 1.5f; }, true},
        {"Refresh(0)", [](ProbeShape &s, CreaseNode &) { s.Refresh(0); }, true},
        {"Refresh(2)", [](ProbeShape &s, CreaseNode &) { s.Refresh(2); }, true},
        {"Refresh(1)", [](ProbeShape &s, CreaseNode &) { s.Refresh(1); }, false},
        {"Invalidate", [](ProbeShape &s, CreaseNode &) { s.Invalidate(); }, false},
        {"same state value from another write", [](ProbeShape &, CreaseNode &c) { c.m_angle = 0.5f; }, false},
    };
    for (const Case &c : cases) {
        SgRef<ProbeShape> shape = new ProbeShape;
        m_root->ReplaceChild(m_shape.get(), shape.get());
        m_shape = shape;
        m_crease->m_angle = 0.5f;
        Traverse();
        ASSERT_EQ(shape->m_builds, 1) << c.name;
        c.change(*shape, *m_crease);
        Traverse();
        EXPECT_EQ(shape->m_builds, c.rebuilds ? 2 : 1) << c.name;
        EXPECT_EQ(CountedMesh::s_live, 1) << c.name << ": an old result outlived its replacement";
    }
}

TEST_F(GeometricShapeTest, FieldChangeDropsTheResultAndTheBoxFollows)
{
    Traverse();
    EXPECT_EQ(m_shape->BoundingBox().GetMax(), Vec3f(1, 1, 0));
    m_shape->m_size = 3.0;
    EXPECT_EQ(m_shape->GetResultCache(), nullptr);
    EXPECT_EQ(CountedMesh::s_live, 0) << "the dropped result was not freed";
    EXPECT_TRUE(m_shape->BoundingBox().IsEmpty());
    Traverse();
    EXPECT_EQ(m_shape->BoundingBox().GetMax(), Vec3f(3, 3, 0));
}

TEST_F(GeometricShapeTest, EnclosingCacheDependsOnWhatTheReusedResultRead)
{
    SgRef<EnclosingCacheNode> enclosing = new EnclosingCacheNode;
    enclosing->m_child = m_shape.get();
    m_root->ReplaceChild(m_shape.get(), enclosing.get());

    Traverse();
    ASSERT_TRUE(enclosing->Records(CreaseAngleElement::ClassID()));
    Traverse();
    ASSERT_EQ(m_shape->m_builds, 1);
    EXPECT_TRUE(enclosing->Records(CreaseAngleElement::ClassID()))
        << "a reused result hid its dependency on the crease angle from the enclosing cache";
}

TEST_F(GeometricShapeTest, PathRestrictedActionReusesButStillBuildsTheFirstTime)
{
    SgPath path;
    path.Append(m_root.get());
    path.Append(m_shape.get());

    MeshRecordingAction first;
    ASSERT_TRUE(first.ApplyToPath(path)) << first.GetError();
    EXPECT_EQ(m_shape->m_builds, 1) << "a shape without result must still be built";

    m_crease->m_angle = 2.0f;
    MeshRecordingAction second;
    ASSERT_TRUE(second.ApplyToPath(path)) << second.GetError();
    EXPECT_EQ(m_shape->m_builds, 1) << "a path-restricted pass rebuilt the shape";
    ASSERT_EQ(second.m_meshes.size(), 1u);
    EXPECT_EQ(second.m_meshes[0], m_shape->GetResultCache());
}

TEST_F(GeometricShapeTest, FailedBuildLeavesAnEmptyResultAndALogLine)
{
    m_shape->m_failHalfWay = true;
    SgDiagCapture capture;
    MeshRecordingAction action;
    const bool ok = action.Apply(m_root.get());
    EXPECT_TRUE(ok) << "the failure escaped the shape: " << action.GetError();
    EXPECT_EQ(action.GetState()->GetDepth(), 0) << "the build's state push was not undone";
    ASSERT_EQ(capture.Count(), 1) << "one line for the failed build: " << capture.GetText();
    EXPECT_EQ(capture.GetDiagnostics()[0].level, SgDiagLevel::Error);
    EXPECT_TRUE(capture.Contains("ProbeShape")) << "no line names the failed shape: " << capture.GetText();

    auto *result = dynamic_cast<SgFaceSet *>(m_shape->GetResultCache());
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->GetVertexCount(), 0) << "a half-built mesh was kept";
    EXPECT_EQ(result->GetFaceCount(), 0);
    EXPECT_EQ(CountedMesh::s_live, 1) << "the half-built mesh was not freed";

    // Kept until something changes, so the failure is not repeated on every pass.
    capture.Clear();
    Traverse();
    EXPECT_EQ(capture.GetText(), "");
    m_shape->m_failHalfWay = false;
    m_shape->m_size = 2.0;
    Traverse();
    EXPECT_EQ(dynamic_cast<SgFaceSet *>(m_shape->GetResultCache())->GetFaceCount(), 1);
}

TEST_F(GeometricShapeTest, ModifiedResultIsTraversedWithTheStackDisabled)
{
    SgRef<ReplacingModifier> modifier = new ReplacingModifier;
    SgRef<ProbeShape> later = new ProbeShape;
    m_root->AddChildBefore(modifier.get(), m_shape.get());
    m_root->AddChild(later.get());

    const std::vector<SgShape *> seen = Traverse();
    ASSERT_EQ(modifier->m_inputs.size(), 2u) << "the modifier did not get both results";
    EXPECT_EQ(modifier->m_inputs[0], m_shape->GetResultCache());
    EXPECT_EQ(modifier->m_inputs[1], later->GetResultCache())
        << "the stack stayed disabled after the first shape";
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_NE(seen[0], m_shape->GetResultCache()) << "the action saw the unmodified result";
    EXPECT_NE(seen[1], later->GetResultCache());
    EXPECT_EQ(m_disabled, std::vector<bool>({true, true}));
}

TEST_F(GeometricShapeTest, BuiltinPrimitivesKeepInternalChangesFromTheirFathers)
{
    struct Case {
        const char *name;
        bool builtin;
        bool fathersTold;
    };
    for (const Case &c : {Case{"built-in primitive", true, false}, Case{"other shape", false, true}}) {
        SgRef<NoticeGroup> father = new NoticeGroup;
        SgRef<ProbeShape> shape = new ProbeShape;
        if (c.builtin)
            shape->MakeBuiltin();
        father->AddChild(shape.get());
        father->m_notices = 0;
        SgRef<SgNode> auxiliary = new SgNode;
        shape->GetSeparator()->AddChild(auxiliary.get());
        EXPECT_EQ(father->m_notices > 0, c.fathersTold) << c.name;

        // A field of the shape itself always reaches the fathers.
        father->m_notices = 0;
        shape->m_size = 5.0;
        EXPECT_GT(father->m_notices, 0) << c.name;
    }
}

TEST_F(GeometricShapeTest, DestroyingTheShapeFreesItsResult)
{
    Traverse();
    ASSERT_EQ(CountedMesh::s_live, 1);
    m_root->DeleteChild(m_shape.get());
    m_shape.reset();
    EXPECT_EQ(CountedMesh::s_live, 0);
}

} // namespace
