#include <gtest/gtest.h>

#include <sstream>

#include "tests/engine/core/TestNodes.h"
#include "engine/core/SgAttributeManager.h"

class SgNodeTest : public ::testing::Test {
protected:
    void SetUp() override { InitTestClasses(); }
};

TEST_F(SgNodeTest, ChangeSerialsOnlyGrow)
{
    SgRef<TestShape> first = new TestShape;
    SgRef<TestShape> second = new TestShape;
    EXPECT_EQ(second->GetNodeID(), first->GetNodeID() + 1);
    const unsigned long before = SgNode::GetNodeIDCounter();
    first->m_radius = 5.0;
    EXPECT_GE(first->GetNodeID(), before);
    EXPECT_GT(first->GetNodeID(), second->GetNodeID());
}

TEST_F(SgNodeTest, FieldChangeNotifiesEveryFather)
{
    SgRef<TestGroup> left = new TestGroup, right = new TestGroup;
    SgRef<TestShape> shared = new TestShape;
    left->AddChild(shared);
    right->AddChild(shared);
    const unsigned long leftBefore = left->GetNodeID();
    shared->m_radius = 2.0;
    EXPECT_EQ(shared->m_changes, 1);
    // Groups keep their serial (their caches react instead); the notice reaches both.
    EXPECT_EQ(left->GetNodeID(), leftBefore);
    EXPECT_EQ(shared->GetFatherList().size(), 2u);
}

TEST_F(SgNodeTest, ReferencingNodeTakesANewSerialWhenItsTargetChanges)
{
    SgRef<TestShape> holder = new TestShape;
    SgRef<TestShape> target = new TestShape;
    holder->m_profile = NodePtr(target.get());
    const unsigned long before = holder->GetNodeID();
    target->m_radius = 3.0;
    EXPECT_GT(holder->GetNodeID(), before);
}

TEST_F(SgNodeTest, NodePointerCyclesDoNotLoop)
{
    SgRef<TestShape> a = new TestShape, b = new TestShape;
    a->m_profile = NodePtr(b.get());
    b->m_profile = NodePtr(a.get());
    RecordingDocument document;
    a->SetDocument(&document);
    EXPECT_EQ(b->GetDocument(), &document);
    a->m_radius = 4.0; // notice travels a -> b -> a and stops
    b->m_profile = NodePtr();
}

TEST_F(SgNodeTest, OverrideNotifiesOncePerChange)
{
    SgRef<TestGroup> group = new TestGroup;
    SgRef<TestShape> shape = new TestShape;
    group->AddChild(shape);
    const unsigned long before = shape->GetNodeID();
    shape->SetOveride(true);
    const unsigned long afterFirst = shape->GetNodeID();
    shape->SetOveride(true);
    EXPECT_GT(afterFirst, before);
    EXPECT_EQ(shape->GetNodeID(), afterFirst) << "a second set to the same state does nothing";
    EXPECT_TRUE(shape->IsOveride());
}

TEST_F(SgNodeTest, FlagsStartAsNewNodesExpect)
{
    SgRef<TestShape> shape = new TestShape;
    EXPECT_TRUE(shape->IsSelectable());
    EXPECT_FALSE(shape->IsTemporary() || shape->IsClone() || shape->IsRoot() || shape->IsHolder());
    EXPECT_FALSE(shape->IsOveride());
    EXPECT_FALSE(shape->IsUndoEnabled()) << "no document, no undo";
    EXPECT_TRUE(shape->GetName().empty());
    shape->SetClone(true);
    shape->SetSelectable(false);
    EXPECT_TRUE(shape->IsClone());
    EXPECT_FALSE(shape->IsSelectable());
}

TEST_F(SgNodeTest, DestroyedChildLeavesItsGroups)
{
    SgRef<TestGroup> group = new TestGroup;
    auto *child = new TestShape;
    child->AddFather(group.get());
    group->m_children.push_back(child); // listed without a reference of the group's
    SgFieldMngr::Destroy(child);
    EXPECT_EQ(group->GetNumChildren(), 0);
}

TEST_F(SgNodeTest, FindAffectingSearchesEarlierSiblingsThenUpwards)
{
    SgRef<TestGroup> outer = new TestGroup;
    SgRef<TestGroup> inner = new TestGroup;
    SgRef<TestBox> box = new TestBox;
    SgRef<TestShape> shape = new TestShape;
    outer->AddChild(box);
    outer->AddChild(inner);
    inner->AddChild(shape);

    EXPECT_EQ(shape->FindAffecting(TestBox::ClassID(), 0), nullptr);
    EXPECT_EQ(shape->FindAffecting(TestBox::ClassID(), 1), box.get());
    EXPECT_EQ(shape->FindAffecting(TestBox::ClassID(), -1), box.get());
    EXPECT_EQ(shape->FindAffecting(TestShape::ClassID(), 0), shape.get()) << "the node itself comes first";
    SgRef<TestShape> orphan = new TestShape;
    EXPECT_EQ(orphan->FindAffecting(TestShape::ClassID(), -1), nullptr);
}

TEST_F(SgNodeTest, CopyTakesValuesButNoIdentity)
{
    SgRef<TestGroup> group = new TestGroup;
    SgRef<TestBox> box = new TestBox;
    group->AddChild(box);
    box->SetName("Box1");
    box->m_width = 7.5;
    box->m_translation = Vec3(1, 2, 3);
    box->m_label = std::string("label");
    SgRef<SgNode> copy = box->Copy();
    ASSERT_TRUE(copy);
    auto *typed = dynamic_cast<TestBox *>(copy.get());
    ASSERT_NE(typed, nullptr);
    EXPECT_EQ(typed->m_width.Get(false), 7.5);
    EXPECT_EQ(typed->m_translation.Get(false), Vec3(1, 2, 3));
    EXPECT_EQ(typed->m_label.Get(false), "label");
    EXPECT_TRUE(typed->GetName().empty());
    EXPECT_TRUE(typed->GetFatherList().empty());
}

TEST_F(SgNodeTest, AttributesStoreByTypeAndFallBackToDefaults)
{
    SgAttributeManager *manager = SgAttributeManager::GetAttributeManager();
    const int text = manager->AddAttribute("TestNote", 4, "none");
    const int number = manager->AddAttribute("TestWeight", 0, "1.5");
    const int small = manager->AddAttribute("TestSmall", 3, "70000");
    SgRef<TestShape> shape = new TestShape;
    EXPECT_EQ(shape->GetNodeAttributeValueAsString(text), "none");
    EXPECT_EQ(shape->GetNodeAttributeValueAsString(number), "1.500000");
    EXPECT_EQ(shape->GetNodeAttributeValueAsString(small), "4464");

    shape->SetAttribute(text, std::string("short"));
    shape->SetAttribute(text, std::string("a much longer note than before"));
    EXPECT_EQ(shape->GetNodeAttributeValueAsString(text), "a much longer note than before");
    shape->SetAttribute(number, std::string("2.25"));
    EXPECT_EQ(shape->GetNodeAttributeValueAsString(number), "2.250000");
    EXPECT_EQ(shape->GetAttributeCount(), 2);

    shape->RemoveNodeAttribute(text);
    EXPECT_EQ(shape->GetNodeAttributeValueAsString(text), "none");
    shape->SetAttribute(manager->GetCount() + 5, std::string("ignored"));
    EXPECT_EQ(shape->GetAttributeCount(), 1);
}

TEST_F(SgNodeTest, PrintTreeListsChildrenIndented)
{
    SgRef<TestGroup> root = new TestGroup;
    SgRef<TestGroup> inner = new TestGroup;
    root->AddChild(inner);
    inner->AddChild(SgRef<TestShape>(new TestShape));
    std::ostringstream out;
    SgNode::PrintTree(root, 0, out);
    const std::string text = out.str();
    EXPECT_NE(text.find("....[") , std::string::npos);
    EXPECT_NE(text.find("] - TestGroup\n"), std::string::npos);
    EXPECT_NE(text.find("........["), std::string::npos);
    EXPECT_NE(text.find("] - TestShape\n"), std::string::npos);
}
