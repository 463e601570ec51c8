#include <gtest/gtest.h>

#include <string>

#include "tests/engine/EngineTestClasses.h"
#include "tests/engine/core/TestNodes.h"
#include "engine/core/RxFunc.h"
#include "platform/SgClock.h"
#include "platform/SgDiagHandler.h"

class SgFieldMngrTest : public ::testing::Test {
protected:
    void SetUp() override { InitTestClasses(); }
};

TEST_F(SgFieldMngrTest, FamiliesHandOutTheirFirstIdsInStartUpOrder)
{
    // The start-up registers in a fixed order, so these ids hold in every run.
    EXPECT_EQ(SgFieldMngr::ClassID(), 100);
    EXPECT_EQ(SgNode::ClassID(), 101);
    EXPECT_EQ(SgField::ClassID(), 20000);
    EXPECT_EQ(SgFInt::ClassID(), 20001);
    EXPECT_EQ(R1Func::ClassID(), 4000);
    EXPECT_EQ(SinFunc::ClassID(), 4006);
    EXPECT_EQ(RxFunc::GetClassCount(), 7);
}

TEST_F(SgFieldMngrTest, NodeIsCreatedByItsClassName)
{
    const int id = SgFieldMngr::GetClassIDFromName("TestBox");
    ASSERT_NE(id, 0);
    SgRef<SgFieldMngr> box = SgFieldMngr::Create(id);
    ASSERT_TRUE(box);
    EXPECT_STREQ(box->GetClassName(), "TestBox");
    EXPECT_TRUE(box->IsNode());
    EXPECT_EQ(SgFieldMngr::GetClassIDFromName("testbox"), 0) << "class names are case-sensitive";
}

TEST_F(SgFieldMngrTest, UnknownOrZeroIdsCreateNothing)
{
    // The id after the last registered class is inside the table but free
    // (a fixed number would be taken as more classes come).
    const int firstFree = SgFieldMngr::GetBase() + SgFieldMngr::GetClassCount();
    for (int id : {0, 99, 100 + SgFieldMngr::Family_t::kTableSize, -5, firstFree})
        EXPECT_EQ(SgFieldMngr::Create(id), nullptr) << "id " << id;
    EXPECT_EQ(SgFieldMngr::GetClassIDFromName("NoSuchClass"), 0);
}

TEST_F(SgFieldMngrTest, KindsFollowTheParentLinks)
{
    SgRef<TestBox> box = new TestBox;
    EXPECT_TRUE(box->IsDerivedFrom(TestShape::ClassID()));
    EXPECT_TRUE(box->IsDerivedFrom(SgNode::ClassID()));
    EXPECT_TRUE(box->IsDerivedFrom(SgFieldMngr::ClassID()));
    EXPECT_FALSE(box->IsDerivedFrom(TestGroup::ClassID()));
    SgRef<SgFieldMngr> plain = new SgFieldMngr;
    EXPECT_FALSE(plain->IsDerivedFrom(SgNode::ClassID()));
    EXPECT_THROW(SgFieldMngr::GetParent(-1), SgInvalidArgument);
}

TEST_F(SgFieldMngrTest, LookupParentSkipsTheClassItself)
{
    void *table[SgFieldMngr::kMaxClasses] = {};
    static const char entry[] = "x";
    table[SgNode::ClassOffset()] = const_cast<char *>(entry);
    table[TestBox::ClassOffset()] = const_cast<char *>(entry);
    EXPECT_EQ(SgFieldMngr::lookupParent(table, TestBox::ClassOffset(), 1), SgNode::ClassOffset());
    EXPECT_EQ(SgFieldMngr::lookupParent(table, SgNode::ClassOffset(), 0), SgFieldMngr::ClassOffset());
}

TEST_F(SgFieldMngrTest, FieldTableListsOwnFieldsThenInheritedOnes)
{
    SgRef<TestBox> box = new TestBox;
    ASSERT_EQ(box->GetFieldsCount(), 10);
    EXPECT_STREQ(box->GetFieldName(0), "width");
    EXPECT_STREQ(box->GetFieldName(1), "depth");
    EXPECT_STREQ(box->GetFieldName(2), "profile");
    EXPECT_EQ(box->GetFieldAddress(1), &box->m_depth);
    EXPECT_EQ(box->GetFieldAddressByName("DEPTH"), &box->m_depth);
    EXPECT_EQ(box->GetFieldAddressByName("TRANSLATION"), &box->m_translation);
    EXPECT_EQ(box->GetFieldAddressByName("nothing"), nullptr);
    EXPECT_EQ(box->GetFieldAddress(10), nullptr);
    EXPECT_EQ(box->GetFieldAddress(33), nullptr);
    EXPECT_EQ(box->GetFieldAddress(-1), nullptr);
    EXPECT_STREQ(box->m_depth.GetFieldName(), "depth");
    EXPECT_EQ(box->NumNodeFields(), 0) << "TestBox declares no node-pointer field of its own";
    SgRef<TestShape> shape = new TestShape;
    EXPECT_EQ(shape->NumNodeFields(), 1);
}

TEST_F(SgFieldMngrTest, ClassWithoutOwnFieldsListsItsParents)
{
    SgRef<TestMarker> marker = new TestMarker;
    SgRef<TestShape> shape = new TestShape;
    ASSERT_EQ(marker->GetFieldsCount(), shape->GetFieldsCount());
    for (int i = 0; i < shape->GetFieldsCount(); ++i)
        EXPECT_STREQ(marker->GetFieldName(i), shape->GetFieldName(i));
    EXPECT_EQ(marker->GetFieldAddressByName("radius"), &marker->m_radius);
}

TEST_F(SgFieldMngrTest, RepeatedConstructionRecordsTheFieldsOnce)
{
    SgRef<TestBox> a = new TestBox, b = new TestBox, c = new TestBox;
    EXPECT_EQ(c->GetFieldsCount(), 10);
    EXPECT_EQ(c->GetFieldAddressByName("width"), &c->m_width);
}

// A class that declares more fields than a class table holds.
class TestCrowded : public SgNode {
    SG_CLASS_HEADER(TestCrowded, SgFieldMngr)
    TestCrowded()
    {
        for (int i = 0; i < 34; ++i) {
            m_names[i] = "f" + std::to_string(i);
            AddField(m_fields[i], m_names[i].c_str(), i);
        }
    }
    std::string m_names[34];
    SgFInt m_fields[34];

protected:
    ~TestCrowded() override = default;
};
SG_CLASS_SOURCE(TestCrowded, SgNode, SgFieldMngr, "TestCrowded")

void RegisterFieldMngrTestClasses()
{
    TestCrowded::InitClass();
}

TEST_F(SgFieldMngrTest, FieldsPastTheTableAreRefusedNotOverrun)
{
    RegisterFieldMngrTestClasses();
    SgRef<TestCrowded> crowded = new TestCrowded;
    EXPECT_EQ(crowded->GetFieldsCount(), SgFieldMngr::kMaxFields);
    EXPECT_EQ(crowded->GetFieldAddressByName("f31"), &crowded->m_fields[31]);
    EXPECT_EQ(crowded->GetFieldAddressByName("f32"), nullptr);
    EXPECT_EQ(crowded->m_fields[33].Get(false), 33) << "the refused field still holds its value";
}

TEST_F(SgFieldMngrTest, FamilyRefusesClassesPastItsCapacity)
{
    SgClassFamily<SgFieldMngr> family("Test", 100, 3);
    EXPECT_EQ(family.TakeID(), 100);
    EXPECT_EQ(family.TakeID(), 101);
    EXPECT_EQ(family.TakeID(), 102);
    EXPECT_EQ(family.TakeID(), 0);
    EXPECT_EQ(family.GetClassCount(), 3);
    EXPECT_EQ(SgFieldMngr::Family().Capacity(), SgFieldMngr::kMaxClasses);
}

TEST_F(SgFieldMngrTest, ReleaseDeletesAtZeroAndSparesUncountedObjects)
{
    auto *counted = new TestShape;
    counted->AddRef();
    counted->AddRef();
    EXPECT_EQ(SgFieldMngr::Release(counted), 1);
    EXPECT_EQ(SgFieldMngr::Release(counted), 0); // deleted here (checked under the sanitizer)

    auto *uncounted = new TestShape;
    SgAdopt<TestShape> nobodys(uncounted);
    EXPECT_EQ(SgFieldMngr::Release(uncounted), 0);
    EXPECT_EQ(uncounted->GetRefCount(), -1);
    EXPECT_EQ(SgFieldMngr::Release(nullptr), -1);
}

TEST_F(SgFieldMngrTest, CopyingAContainerTakesNoIdentity)
{
    SgRef<TestShape> original = new TestShape;
    original->GetAssignID();
    original->SetConnected(true);
    auto *copy = new SgFieldMngr(*original);
    SgAdopt<SgFieldMngr> unowned(copy);
    EXPECT_EQ(copy->GetRefCount(), 0);
    EXPECT_TRUE(copy->GetID().IsNull());
    EXPECT_FALSE(copy->IsConnected());
    original->GetID() = NodeID{};
}

TEST_F(SgFieldMngrTest, PersistentIdsComeFromTheClockAndACounter)
{
    SgVirtualClock clock(1700000000);
    SgClock *previous = SetClock(&clock);
    SgRef<TestShape> a = new TestShape, b = new TestShape;
    const NodeID first = a->GetAssignID();
    EXPECT_EQ(first.first, 1700000000);
    EXPECT_EQ(a->GetAssignID(), first) << "a second call keeps the id";
    const NodeID second = b->GetAssignID();
    EXPECT_EQ(second.first, first.first);
    EXPECT_EQ(second.second, first.second + 1);
    EXPECT_GE(first.second, 0);

    a->SetID({1000, 2});
    EXPECT_EQ(a->GetIDAsString(), "1000 2\n");
    SetClock(previous);
}

TEST_F(SgFieldMngrTest, PersistentIdRandomPartNeverOverflows)
{
    SgRef<TestShape> node = new TestShape;
    for (int64_t seconds : {int64_t(0), int64_t(1) << 31, int64_t(4102444800), int64_t(-1)}) {
        SgVirtualClock clock(seconds);
        SgClock *previous = SetClock(&clock);
        for (int i = 0; i < 1000; ++i) {
            node->AssignID();
            ASSERT_GE(node->GetID().second, 0) << "seconds " << seconds;
        }
        SetClock(previous);
    }
}

// Registered classes of which no object is built before the test below.
class TestBare : public TestShape {
    SG_CLASS_HEADER(TestBare, SgFieldMngr)

protected:
    ~TestBare() override = default;
};
SG_CLASS_SOURCE(TestBare, TestShape, SgFieldMngr, "TestBare")

class TestPlate : public SgNode {
    SG_CLASS_HEADER(TestPlate, SgFieldMngr)
    TestPlate() { AddField(m_thickness, "thickness", 1.0); }
    SgFDouble m_thickness;

protected:
    ~TestPlate() override = default;
};
SG_CLASS_SOURCE(TestPlate, SgNode, SgFieldMngr, "TestPlate")

// Subclasses that forgot the class macros: their objects answer for the parent.
class ForgetfulBare : public TestBare {
public:
    ForgetfulBare() { AddField(m_extra, "extra", 0.0); }
    SgFDouble m_extra;

protected:
    ~ForgetfulBare() override = default;
};

class ForgetfulPlate : public TestPlate {
public:
    ForgetfulPlate() { AddField(m_extra, "extra", 0.0); }
    SgFDouble m_extra;

protected:
    ~ForgetfulPlate() override = default;
};

// A class's table lists the fields of its own objects only, whichever object
// of it or of a subclass is built first.
TEST_F(SgFieldMngrTest, ASubclassWithoutClassMacrosCannotAddToItsParentsTable)
{
    TestBare::InitClass();
    TestPlate::InitClass();
    SgRef<TestShape> shape = new TestShape;
    {
        SgRef<TestBare> first = new TestBare;
        EXPECT_EQ(first->GetFieldsCount(), shape->GetFieldsCount());
    }
    SgDiagCapture diagnostics;
    SgRef<ForgetfulBare> bare = new ForgetfulBare;
    SgRef<ForgetfulPlate> plate = new ForgetfulPlate;
    EXPECT_TRUE(diagnostics.Contains("class macros")) << diagnostics.GetText();
    EXPECT_EQ(bare->m_extra.GetContainer(), bare.get()) << "the refused field still belongs to its object";

    SgRef<TestBare> cleanBare = new TestBare;
    SgRef<TestPlate> cleanPlate = new TestPlate;
    EXPECT_EQ(cleanBare->GetFieldsCount(), shape->GetFieldsCount());
    EXPECT_EQ(cleanBare->GetFieldAddressByName("extra"), nullptr);
    ASSERT_EQ(cleanPlate->GetFieldsCount(), 1);
    EXPECT_EQ(cleanPlate->GetFieldAddressByName("extra"), nullptr);
    SgRef<SgNode> copy = cleanPlate->Copy();
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->GetFieldsCount(), 1);
}
