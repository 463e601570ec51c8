// Deep copies: what is made anew, what stays shared, what is left out, and
// where the copies of an object's parts end up.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/engine/EngineTestClasses.h"
#include "engine/actions/SgCopyAction.h"
#include "engine/core/SgGroup.h"
#include "engine/nodes/object/SgHelper.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/core/SgRef.h"
#include "engine/core/SgSeparator.h"
#include "engine/nodes/geometry/SgOffset.h"
#include "engine/nodes/geometry/SgPolyLine.h"
#include "engine/nodes/properties/SgMaterial.h"
#include "engine/core/SgModifier.h"
#include "engine/nodes/properties/SgTransform.h"

namespace {

// An editing tool living in the graph.
class CopyTestTool : public SgNode {
    SG_CLASS_HEADER(CopyTestTool, SgFieldMngr)
    bool IsTool() const override { return true; }

protected:
    ~CopyTestTool() override = default;
};
SG_CLASS_SOURCE(CopyTestTool, SgNode, SgFieldMngr, "CopyTestTool")

} // namespace

void RegisterCopyTestClasses()
{
    CopyTestTool::InitClass();
    SgAction::ReBuildVisitorsMaps();
}

namespace {

class SgCopyActionTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { RegisterCopyTestClasses(); }

    // The copy of the node, held; fails the test when there is none.
    static SgRef<SgNode> CopyOf(SgNode *node, bool skipRoots = false)
    {
        SgCopyAction copy;
        copy.m_bSkipSceneRoots = skipRoots;
        const bool copied = copy.Apply(node);
        EXPECT_TRUE(copied) << copy.GetError();
        return copy.GetResult();
    }
};

template <class T>
T *AddNamed(SgGroup *group, const char *name)
{
    auto *node = new T;
    node->SetName(name);
    group->AddChild(node);
    return node;
}

std::string OwnNames(const SgGroup *group)
{
    std::string text;
    for (const SgNode *child : group->GetChildList())
        text += (text.empty() ? "" : " ") + (child->GetName().empty() ? child->GetClassName() : child->GetName());
    return text;
}

int Occurrences(const std::vector<SgNode *> &list, const SgNode *node)
{
    return static_cast<int>(std::count(list.begin(), list.end(), node));
}

TEST_F(SgCopyActionTest, GroupsAreRebuiltFromCopiesOfTheirChildren)
{
    // top { a { leaf }, b { leaf } }: leaf shared by both branches
    SgRef<SgGroup> top = new SgGroup;
    top->SetName("top");
    auto *a = AddNamed<SgSeparator>(top, "a");
    auto *b = AddNamed<SgSeparator>(top, "b");
    auto *leaf = AddNamed<SgMaterial>(a, "leaf");
    leaf->m_diffuseColor.SetValue(0, Color(0.25, 0.5, 0.75, 0.5));
    b->AddChild(leaf);

    SgRef<SgNode> copy = CopyOf(top);
    ASSERT_TRUE(copy);
    EXPECT_NE(copy.get(), top.get());
    EXPECT_EQ(copy->GetClassID(), SgGroup::ClassID());
    EXPECT_EQ(copy->GetName(), "top") << "the name goes with the copy";
    ASSERT_EQ(copy->GetNumChildren(), 2);
    SgNode *leafA = copy->GetChild(0)->GetChild(0);
    SgNode *leafB = copy->GetChild(1)->GetChild(0);
    ASSERT_TRUE(leafA && leafB);
    EXPECT_NE(leafA, leaf) << "a leaf is copied, not shared";
    EXPECT_NE(leafA, leafB) << "a node shared by two branches is copied once per branch";
    EXPECT_EQ(static_cast<SgMaterial *>(leafA)->m_diffuseColor.GetValue(0), Color(0.25, 0.5, 0.75, 0.5));
    EXPECT_EQ(leaf->GetFatherList().size(), 2u) << "the source gained fathers";
}

TEST_F(SgCopyActionTest, NonCloneChildIsSharedAndToolsAreLeftOut)
{
    SgRef<SgSeparator> group = new SgSeparator;
    auto *shared = AddNamed<SgMaterial>(group, SgCopyAction::kNonCloneName);
    AddNamed<CopyTestTool>(group, "tool");
    AddNamed<SgTransform>(group, "move");

    SgRef<SgNode> copy = CopyOf(group);
    ASSERT_TRUE(copy);
    auto *copied = static_cast<SgGroup *>(copy.get());
    EXPECT_EQ(OwnNames(copied), std::string(SgCopyAction::kNonCloneName) + " move") << "the tool must be gone";
    EXPECT_EQ(copied->GetChild(0), shared) << "the non-clone child is the source's own node";
    EXPECT_EQ(Occurrences(shared->GetFatherList(), group), 1);
    EXPECT_EQ(Occurrences(shared->GetFatherList(), copied), 1) << "the shared child lists both groups as fathers";
}

TEST_F(SgCopyActionTest, ObjectPartsReturnToTheirPlaces)
{
    SgRef<SgObject> object = new SgObject;
    object->SetName("chair");
    object->GetTransform()->m_translation = Vec3(5, 0, 0);
    auto *m1 = new SgModifier;
    m1->SetName("m1");
    auto *m2 = new SgModifier;
    m2->SetName("m2");
    auto *paint = new SgMaterial;
    paint->SetName("paint");
    // After the transform: paint, m1, m2.
    object->AddPropertyNodeAfter(m2, object->GetTransform(), false);
    object->AddPropertyNodeAfter(m1, object->GetTransform(), false);
    object->AddPropertyNodeAfter(paint, object->GetTransform(), false);
    object->GetTransform()->SetName("place");
    object->GetInnerGroup()->SetName("content");
    AddNamed<SgPolyLine>(object->GetInnerGroup(), "seat");
    AddNamed<CopyTestTool>(object->GetInnerGroup(), "handles");
    ASSERT_EQ(OwnNames(object), "place paint m1 m2 content");

    SgRef<SgNode> node = CopyOf(object);
    auto *copy = dynamic_cast<SgObject *>(node.get());
    ASSERT_NE(copy, nullptr) << "the copy of an object is an object";
    EXPECT_EQ(OwnNames(copy), "place paint m1 m2 content") << "property nodes keep their order: modifiers act in it";
    ASSERT_NE(copy->GetTransform(), nullptr);
    EXPECT_NE(copy->GetTransform(), object->GetTransform());
    EXPECT_EQ(copy->GetTransform()->GetName(), "place") << "the copied transform places the copy";
    EXPECT_EQ(copy->GetMove(), Vec3(5, 0, 0));
    ASSERT_NE(copy->GetInnerGroup(), nullptr);
    EXPECT_EQ(copy->GetInnerGroup()->GetName(), "content");
    EXPECT_EQ(OwnNames(copy->GetInnerGroup()), "seat") << "the tool must be gone, the shape copied";
    SgNode *material = copy->FindPropertyNode(SgMaterial::ClassID());
    ASSERT_NE(material, nullptr) << "the material is one of the copy's property nodes";
    EXPECT_NE(material, paint);
}

TEST_F(SgCopyActionTest, HelperGetsTheSourcesPartsOnlyOnce)
{
    SgRef<SgHelper> helper = new SgHelper;
    helper->GetTransform()->m_translation = Vec3(0, 0, 7);
    SgRef<SgNode> node = CopyOf(helper);
    auto *copy = dynamic_cast<SgHelper *>(node.get());
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->SgGroup::GetChildsCount(), helper->SgGroup::GetChildsCount())
        << "own list of the copy: " << OwnNames(copy) << "; of the source: " << OwnNames(helper);
    EXPECT_EQ(copy->GetMove(), Vec3(0, 0, 7));
    EXPECT_EQ(copy->GetInnerGroup()->GetChildsCount(), 0) << "the inner group is not nested in another";
}

TEST_F(SgCopyActionTest, NodePointerFieldsStillReferToTheSameNode)
{
    SgRef<SgSeparator> group = new SgSeparator;
    auto *target = AddNamed<SgModifier>(group, "target");
    auto *control = AddNamed<SgControlModifier>(group, "control");
    control->m_refNode = NodePtr(target);
    const int referencesBefore = target->GetRefCount();

    SgRef<SgNode> copy = CopyOf(group);
    ASSERT_TRUE(copy);
    auto *controlCopy = static_cast<SgControlModifier *>(copy->GetChild(1));
    EXPECT_EQ(controlCopy->m_refNode.Get().get(), target) << "the reference is copied as it is, not cloned";
    EXPECT_NE(copy->GetChild(0), target) << "the target itself, a child, is copied";
    EXPECT_EQ(target->GetRefCount(), referencesBefore + 1) << "the copy's field holds its own reference";
}

TEST_F(SgCopyActionTest, ProceduralShapeGetsCopiesOfItsInternalChildren)
{
    SgRef<SgOffset> offset = new SgOffset;
    offset->m_offset = 0.5f;
    auto *curve = new SgPolyLine;
    const Vec3 points[] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}};
    curve->m_coordinates.SetVals(3, points);
    offset->SetPolyline(curve, 0, false);

    SgRef<SgNode> node = CopyOf(offset);
    auto *copy = dynamic_cast<SgOffset *>(node.get());
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->m_offset.Get(), 0.5f);
    ASSERT_EQ(copy->GetSeparator()->GetChildsCount(), 1);
    auto *curveCopy = dynamic_cast<SgPolyLine *>(copy->GetPolyline(0));
    ASSERT_NE(curveCopy, nullptr);
    EXPECT_NE(curveCopy, curve);
    EXPECT_EQ(curveCopy->m_coordinates.GetValues(), curve->m_coordinates.GetValues());
}

TEST_F(SgCopyActionTest, SceneRootsAreSkippedOnlyWhenAsked)
{
    SgRef<SgSeparator> scene = new SgSeparator;
    scene->SetRoot(true);
    AddNamed<SgMaterial>(scene, "paint");
    {
        SgCopyAction copy;
        copy.m_bSkipSceneRoots = true;
        ASSERT_TRUE(copy.Apply(scene));
        EXPECT_EQ(copy.GetResult(), nullptr);
    }
    SgRef<SgNode> copy = CopyOf(scene);
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->GetNumChildren(), 1);
}

TEST(SgCopyFieldsTest, ArraysAreCopiedWhole)
{
    struct Case {
        int sourceCount;
        int targetCount;
    };
    const Case cases[] = {{1, 3}, {3, 1}, {0, 2}, {2, 2}};
    for (const Case &c : cases) {
        SgRef<SgMaterial> source = new SgMaterial;
        source->m_diffuseColor.RemoveAll();
        for (int i = 0; i < c.sourceCount; ++i)
            source->m_diffuseColor.AddVal(Color(i, 0, 0, 1));
        SgRef<SgMaterial> target = new SgMaterial;
        target->m_diffuseColor.RemoveAll();
        for (int i = 0; i < c.targetCount; ++i)
            target->m_diffuseColor.AddVal(Color(0, 0, 9, 1));
        SgFieldMngr *dst = target.get();
        SgCopyAction::copyFields(source, dst);
        EXPECT_EQ(dst, target.get());
        EXPECT_EQ(target->m_diffuseColor.GetValues(), source->m_diffuseColor.GetValues())
            << c.sourceCount << " colours copied over " << c.targetCount;
    }
}

TEST(SgCopyFieldsTest, MakesTheTargetWhenThereIsNone)
{
    SgRef<SgTransform> source = new SgTransform;
    source->m_translation = Vec3(1, 2, 3);
    SgFieldMngr *made = nullptr;
    SgCopyAction::copyFields(source, made);
    SgRef<SgTransform> copy = dynamic_cast<SgTransform *>(made);
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->m_translation.Get(), Vec3(1, 2, 3));
}

} // namespace
