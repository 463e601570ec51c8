#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>

#include "engine/nodes/object/SgObject.h"
#include "engine/core/SgSeparator.h"
#include "engine/document/SgDocument.h"
#include "engine/core/SgKeyPoint.h"
#include "engine/document/SgUndoInfo.h"
#include "engine/nodes/geometry/SgIndexedFaceSet.h"
#include "engine/nodes/properties/SgCoordinate3.h"
#include "engine/nodes/properties/SgMaterial.h"
#include "engine/nodes/properties/SgTransform.h"
#include "tests/engine/core/TestNodes.h"
#include "utilities/math/Color.h"
#include "utilities/math/Vec3.h"

namespace {

// A node that reports its own destruction.
class DyingShape : public TestShape {
public:
    explicit DyingShape(bool *destroyed) : m_destroyed(destroyed) {}

protected:
    ~DyingShape() override { *m_destroyed = true; }

private:
    bool *m_destroyed;
};

class SgDocumentUndoTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        InitTestClasses();
        m_document.reset(SgDocument::Create());
        ASSERT_NE(m_document, nullptr);
        m_root = m_document->GetNodara();
        m_object = new SgObject;
        m_object->SetName("obj");
        m_root->AddChild(m_object);
        m_document->ResetUndo();
    }
    Vec3 Translation() { return m_object->GetTransform(false)->m_translation.Get(false); }
    void Move(double x) { m_object->GetTransform(false)->m_translation = Vec3(x, 0, 0); }
    std::string ContentNames()
    {
        std::string names;
        SgGroup *inner = m_object->GetInnerGroup();
        for (SgNode *child : inner->GetChildList())
            names += (names.empty() ? "" : ",") + child->GetName();
        return names;
    }

    std::unique_ptr<SgDocument> m_document;
    SgSeparator *m_root = nullptr;
    SgObject *m_object = nullptr;
};

TEST_F(SgDocumentUndoTest, WritesOfOneFieldInsideAKeyPointMergeIntoOneStep)
{
    Move(1);
    m_document->ResetUndo();
    {
        SgKeyPoint keyPoint(m_document.get());
        Move(2);
        Move(3);
        Move(4);
    }
    EXPECT_EQ(m_document->GetUndoCount(), 1) << "three writes of one field in one key point should merge";
    m_document->Undo();
    EXPECT_EQ(Translation(), Vec3(1, 0, 0)) << "one undo should restore the value from before the key point";
    EXPECT_FALSE(m_document->IsUndoStackNonEmpty());
    m_document->Redo();
    EXPECT_EQ(Translation(), Vec3(4, 0, 0)) << "one redo should restore the last value";
    EXPECT_FALSE(m_document->IsRedoStackNonEmpty());
}

TEST_F(SgDocumentUndoTest, RecordsOutsideKeyPointsAreUndoneOneAtATime)
{
    Move(1);
    Move(2);
    Move(3);
    ASSERT_EQ(m_document->GetUndoCount(), 3);
    const double expected[] = {2, 1, 0};
    for (double x : expected) {
        m_document->Undo();
        EXPECT_EQ(Translation(), Vec3(x, 0, 0));
    }
    m_document->Undo(); // nothing left: no effect
    EXPECT_EQ(Translation(), Vec3(0, 0, 0));
    m_document->Redo();
    EXPECT_EQ(Translation(), Vec3(1, 0, 0));
}

TEST_F(SgDocumentUndoTest, ANewRecordAfterUndoDropsTheRedoPart)
{
    Move(1);
    Move(2);
    Move(3);
    m_document->Undo();
    m_document->Undo();
    EXPECT_TRUE(m_document->IsRedoStackNonEmpty());
    Move(7);
    EXPECT_FALSE(m_document->IsRedoStackNonEmpty()) << "the redo records should be gone";
    EXPECT_EQ(m_document->GetUndoCount(), 2);
    m_document->Redo();
    EXPECT_EQ(Translation(), Vec3(7, 0, 0));
    m_document->Undo();
    EXPECT_EQ(Translation(), Vec3(1, 0, 0));
}

TEST_F(SgDocumentUndoTest, RecordingOffKeepsNothingAndOpensNoKeyPoint)
{
    m_document->SetUndoRecording(false);
    EXPECT_EQ(m_document->StartKeyPoint(), -1);
    Move(5);
    m_document->AddUndoInfo(new SgUndoInfo(SgUndoInfo::kChildAdded, m_root, m_object, nullptr));
    EXPECT_EQ(m_document->GetUndoCount(), 0);
    m_document->SetUndoRecording(true);
    Move(6);
    ASSERT_EQ(m_document->GetUndoCount(), 1);
    EXPECT_EQ(m_document->GetUndoInfo(0)->GetKeyPoint(), 0) << "no key point was open";
}

TEST_F(SgDocumentUndoTest, ChildFieldAndArrayChangesOfOneKeyPointUndoTogether)
{
    auto *first = new TestShape;
    first->SetName("first");
    m_object->AddChild(first);
    SgRef<SgMaterial> material = new SgMaterial;
    m_object->AddPropertyNode(material.get(), false);
    const Color red(1, 0, 0, 1);
    material->m_diffuseColor.SetVals(1, &red);
    m_document->ResetUndo();

    {
        SgKeyPoint keyPoint(m_document.get());
        auto *second = new TestShape;
        second->SetName("second");
        m_object->AddChild(second);
        m_object->DeleteChild(first);
        Move(9);
        material->m_diffuseColor.AddVal(Color(0, 1, 0, 1));
        m_object->DeletePropertyNode(material.get());
    }
    EXPECT_EQ(ContentNames(), "second");
    const int records = m_document->GetUndoCount();

    m_document->Undo();
    EXPECT_EQ(ContentNames(), "first");
    EXPECT_EQ(Translation(), Vec3(0, 0, 0));
    EXPECT_EQ(material->m_diffuseColor.GetCount(), 1);
    EXPECT_EQ(m_object->FindPropertyNode(SgMaterial::ClassID()), material.get()) << "the material was not put back";
    EXPECT_FALSE(m_document->IsUndoStackNonEmpty()) << "one undo should take back the whole key point";
    EXPECT_EQ(m_document->GetUndoCount(), records) << "undo recorded new records";

    m_document->Redo();
    EXPECT_EQ(ContentNames(), "second");
    EXPECT_EQ(Translation(), Vec3(9, 0, 0));
    EXPECT_EQ(material->m_diffuseColor.GetCount(), 2);
    EXPECT_EQ(m_object->FindPropertyNode(SgMaterial::ClassID()), nullptr);
    EXPECT_EQ(m_document->GetUndoCount(), records) << "redo recorded new records";
}

// Element edits and whole-array sets of one array inside one key point: the
// whole sets merge, the element edits stay in order between them, and one
// undo or redo gives back exactly the array from before or after.
TEST_F(SgDocumentUndoTest, ElementAndWholeArrayEditsOfOneKeyPointUndoTogether)
{
    SgRef<SgCoordinate3> coords = new SgCoordinate3;
    m_object->AddChild(coords.get());
    SgVFVec3 &points = coords->m_point;
    std::vector<Vec3> start;
    for (int i = 0; i < 1000; ++i)
        start.emplace_back(i, 0, 0);
    points.SetVals(static_cast<int>(start.size()), start.data());
    m_document->ResetUndo();

    {
        SgKeyPoint keyPoint(m_document.get());
        points.SetValue(3, Vec3(0, 3, 0));
        const Vec3 two[] = {Vec3(1, 1, 1), Vec3(2, 2, 2)};
        points.SetVals(2, two);
        points.AddVal(Vec3(3, 3, 3));
        points.InsertVal(0, Vec3(4, 4, 4));
        points.SetVals(2, two);
        points.AddVal(Vec3(5, 5, 5));
        points.Delete(0);
    }
    const std::vector<Vec3> end = points.GetValues();
    ASSERT_EQ(end, (std::vector<Vec3>{Vec3(2, 2, 2), Vec3(5, 5, 5)}));

    m_document->Undo();
    EXPECT_TRUE(points.GetValues() == start) << "one undo should give back the array from before the key point";
    EXPECT_FALSE(m_document->IsUndoStackNonEmpty());
    m_document->Redo();
    EXPECT_TRUE(points.GetValues() == end) << "one redo should give back the array from after it";
    EXPECT_FALSE(m_document->IsRedoStackNonEmpty());
}

// Appending one element at a time to a long array, each append its own undo
// step, keeps records the size of an element, and every step undoes.
TEST_F(SgDocumentUndoTest, SingleAppendsToALongArrayKeepSmallRecords)
{
    SgRef<SgCoordinate3> coords = new SgCoordinate3;
    m_object->AddChild(coords.get());
    SgVFVec3 &points = coords->m_point;
    m_document->ResetUndo();
    // Every step kept: what is measured is the size of each record.
    m_document->SetUndoLevels(0);
    constexpr int kAppends = 3000;
    for (int i = 0; i < kAppends; ++i)
        points.AddVal(Vec3(i, 0, 0));
    ASSERT_EQ(m_document->GetUndoCount(), kAppends);
    size_t held = 0;
    for (int i = 0; i < kAppends; ++i)
        held += m_document->GetUndoInfo(i)->GetHeldBytes();
    EXPECT_LE(held, kAppends * (2 * sizeof(Vec3) + 256)) << "the records held " << held << " bytes";

    for (int i = 0; i < kAppends / 2; ++i)
        m_document->Undo();
    ASSERT_EQ(points.GetCount(), kAppends / 2);
    EXPECT_EQ(points.GetValue(kAppends / 2 - 1), Vec3(kAppends / 2 - 1, 0, 0));
    m_document->Redo();
    EXPECT_EQ(points.GetCount(), kAppends / 2 + 1);
    EXPECT_EQ(points.GetValue(kAppends / 2), Vec3(kAppends / 2, 0, 0));
}

TEST_F(SgDocumentUndoTest, UndoingAnObjectsTransformDeletionGivesItBackItsTransform)
{
    SgTransform *transform = m_object->GetTransform(false);
    ASSERT_NE(transform, nullptr);
    m_object->DeletePropertyNode(transform);
    EXPECT_EQ(m_object->GetTransform(false), nullptr);
    m_document->Undo();
    EXPECT_EQ(m_object->GetTransform(false), transform);
    EXPECT_EQ(m_object->GetTransform(true), transform) << "a second transform was made";
}

TEST_F(SgDocumentUndoTest, KeyPointsNestAndAlwaysClose)
{
    {
        SgKeyPoint outer(m_document.get());
        Move(1);
        {
            SgKeyPoint inner(m_document.get());
            EXPECT_EQ(inner.GetNumber(), outer.GetNumber()) << "a nested key point should join the open one";
            m_object->m_layer = 2;
        }
        m_object->m_hide = 1;
    }
    EXPECT_FALSE(m_document->IsInKeyPoint());
    m_document->Undo();
    EXPECT_EQ(Translation(), Vec3(0, 0, 0));
    EXPECT_EQ(m_object->m_layer.Get(false), 0);
    EXPECT_EQ(m_object->m_hide.Get(false), 0);

    try {
        SgKeyPoint keyPoint(m_document.get());
        Move(4);
        throw std::runtime_error("edit failed");
    } catch (const std::runtime_error &) {
    }
    EXPECT_FALSE(m_document->IsInKeyPoint()) << "a key point left open by an exception";
    Move(5);
    EXPECT_EQ(m_document->GetUndoInfo(m_document->GetUndoCount() - 1)->GetKeyPoint(), 0);
}

TEST_F(SgDocumentUndoTest, RevertToLastKeyPointUndoesAndForgetsIt)
{
    Move(1);
    int number = 0;
    {
        SgKeyPoint keyPoint(m_document.get());
        number = keyPoint.GetNumber();
        Move(2);
        m_object->m_layer = 1;
    }
    m_document->RevertToLastKeyPoint(number);
    EXPECT_EQ(Translation(), Vec3(1, 0, 0));
    EXPECT_EQ(m_object->m_layer.Get(false), 0);
    EXPECT_FALSE(m_document->IsRedoStackNonEmpty()) << "the reverted key point should not be redoable";
    EXPECT_EQ(m_document->GetUndoCount(), 1);
    m_document->RevertToLastKeyPoint(number + 5); // another key point: nothing to undo
    EXPECT_EQ(Translation(), Vec3(1, 0, 0));
}

// An undo record names a field; the node that owns it may leave the scene while
// recording is off. The record must keep it alive, and free it when it goes.
TEST_F(SgDocumentUndoTest, RecordsKeepTheNodesTheyNameAlive)
{
    bool destroyed = false;
    auto *shape = new DyingShape(&destroyed);
    {
        SgUndoRecordingPause pause(m_document.get());
        m_root->AddChild(shape);
    }
    shape->m_count = 4; // recorded while the shape is in the scene
    {
        SgUndoRecordingPause pause(m_document.get());
        m_root->DeleteChild(shape);
    }
    EXPECT_FALSE(destroyed) << "the field record should hold the shape";
    m_document->Undo(); // writes into the detached shape
    EXPECT_EQ(shape->m_count.Get(false), 0);
    m_document->ResetUndo();
    EXPECT_TRUE(destroyed) << "dropping the records should free the shape";
}

TEST_F(SgDocumentUndoTest, DroppedRedoRecordsFreeTheChildrenOnlyTheyHeld)
{
    bool destroyed = false;
    m_object->AddChild(new DyingShape(&destroyed));
    m_document->Undo();
    EXPECT_FALSE(destroyed) << "the undone addition can still be redone";
    Move(3);
    EXPECT_TRUE(destroyed) << "the child only the redo record held should be gone";
    EXPECT_EQ(m_document->GetUndoCount(), 1);
}

} // namespace

TEST_F(SgDocumentUndoTest, AssigningAMaterialIsOneUndoStep)
{
    SgMaterial *material = new SgMaterial;
    m_object->AddPropertyNode(material, true);
    m_document->ResetUndo();
    const Color before = material->m_diffuseColor.GetValue(0);

    SgRef<SgMaterial> red = new SgMaterial;
    red->m_diffuseColor.SetValue(0, Color(1, 0, 0, 1));
    red->m_shininess.SetValue(0, 0.9f);
    *material = *red;
    ASSERT_EQ(material->m_diffuseColor.GetValue(0), Color(1, 0, 0, 1));

    m_document->Undo();
    EXPECT_EQ(material->m_diffuseColor.GetValue(0), before) << "one undo step takes the whole assignment back";
    EXPECT_NE(material->m_shininess.GetValue(0), 0.9f);
}

// A node referred to through a node-pointer field joins the document of the
// node that refers to it, wherever the class declares that field.
TEST_F(SgDocumentUndoTest, NodesReferencedThroughAnyFieldJoinTheDocument)
{
    SgRef<SgCoordinate3> points = new SgCoordinate3;
    SgIndexedFaceSet *mesh = new SgIndexedFaceSet;
    mesh->m_coord = NodePtr(points.get());
    m_object->AddChild(mesh);
    EXPECT_EQ(points->GetDocument(), m_document.get());

    m_document->ResetUndo();
    points->m_point.SetValue(0, Vec3(1, 2, 3));
    m_document->Undo();
    EXPECT_NE(points->m_point.GetCount() > 0 ? points->m_point.GetValue(0) : Vec3(), Vec3(1, 2, 3))
        << "the edit of the referenced node was recorded for undo";
}

// Membership follows a node in and out of a document's graph: a node kept
// after its removal records nothing and may outlive the document, and a node
// placed in another document records there.
TEST_F(SgDocumentUndoTest, ARemovedNodeLeavesTheDocumentWithWhatHangsOnlyFromIt)
{
    SgRef<SgSeparator> kept = new SgSeparator;
    SgRef<TestShape> below = new TestShape;
    SgRef<TestShape> shared = new TestShape;
    kept->AddChild(below.get());
    kept->AddChild(shared.get());
    m_root->AddChild(kept.get());
    m_root->AddChild(shared.get());
    ASSERT_EQ(below->GetDocument(), m_document.get());

    m_root->DeleteChild(kept.get());
    EXPECT_EQ(kept->GetDocument(), nullptr);
    EXPECT_EQ(below->GetDocument(), nullptr);
    EXPECT_EQ(shared->GetDocument(), m_document.get()) << "still held by the root";

    m_document->ResetUndo();
    below->m_count = 7;
    EXPECT_EQ(m_document->GetUndoCount(), 0) << "an edit outside the scene is no step of the document";
    m_document.reset();
    below->m_count = 8; // must not reach the dead document
    EXPECT_EQ(below->m_count.Get(false), 8);
}

TEST_F(SgDocumentUndoTest, ANodeMovedToAnotherDocumentRecordsThere)
{
    std::unique_ptr<SgDocument> other(SgDocument::Create());
    ASSERT_NE(other, nullptr);
    SgRef<TestShape> shape = new TestShape;
    m_root->AddChild(shape.get());
    other->GetNodara()->AddChild(shape.get());
    m_root->DeleteChild(shape.get());
    EXPECT_EQ(shape->GetDocument(), other.get());

    m_document->ResetUndo();
    other->ResetUndo();
    other->SetUndoRecording(true);
    shape->m_count = 5;
    EXPECT_EQ(m_document->GetUndoCount(), 0);
    EXPECT_EQ(other->GetUndoCount(), 1);
}

TEST_F(SgDocumentUndoTest, ANodeDroppedFromANodePointerFieldLeavesTheDocument)
{
    SgRef<SgCoordinate3> points = new SgCoordinate3;
    SgIndexedFaceSet *mesh = new SgIndexedFaceSet;
    mesh->m_coord = NodePtr(points.get());
    m_object->AddChild(mesh);
    ASSERT_EQ(points->GetDocument(), m_document.get());
    mesh->m_coord = NodePtr();
    EXPECT_EQ(points->GetDocument(), nullptr);
}

TEST_F(SgDocumentUndoTest, TheHistoryKeepsItsNewestStepsUpToTheLevels)
{
    EXPECT_EQ(m_document->GetUndoLevels(), SgDocument::kDefaultUndoLevels);
    m_document->SetUndoLevels(3);
    SgTransform *transform = m_object->GetTransform(false);
    // Steps of two records (two fields in one key point) and of one record.
    for (int k = 1; k <= 10; ++k) {
        if (k % 2 == 0) {
            SgKeyPoint keyPoint(m_document.get());
            Move(k);
            transform->m_center = Vec3(k, k, k);
        } else {
            Move(k);
        }
        EXPECT_LE(m_document->GetUndoCount(), 6) << "after step " << k;
    }
    // Three steps go back (10, 9, 8), then nothing more.
    m_document->Undo();
    EXPECT_EQ(Translation(), Vec3(9, 0, 0));
    EXPECT_EQ(transform->m_center.Get(false), Vec3(8, 8, 8)) << "a whole step goes at once";
    m_document->Undo();
    m_document->Undo();
    EXPECT_EQ(Translation(), Vec3(7, 0, 0));
    EXPECT_EQ(transform->m_center.Get(false), Vec3(6, 6, 6));
    EXPECT_FALSE(m_document->IsUndoStackNonEmpty());
    m_document->Undo();
    EXPECT_EQ(Translation(), Vec3(7, 0, 0));
    for (int k = 0; k < 3; ++k)
        m_document->Redo();
    EXPECT_EQ(Translation(), Vec3(10, 0, 0));
    EXPECT_EQ(transform->m_center.Get(false), Vec3(10, 10, 10));

    // A lower limit drops the oldest at once; 0 keeps every step.
    m_document->SetUndoLevels(1);
    EXPECT_EQ(m_document->GetUndoCount(), 2);
    m_document->SetUndoLevels(0);
    for (int k = 0; k < 250; ++k)
        Move(k);
    EXPECT_EQ(m_document->GetUndoCount(), 252);
}
