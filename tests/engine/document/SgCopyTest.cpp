// The copy buffer: linked clones show their object and never touch it, a
// pasted buffer keeps what was copied while a path-wise paste clones the
// clone, deep copies land next to their sources, a paste is one undo step,
// and buffered paths keep their nodes alive.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "engine/core/SgPathList.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/core/SgRef.h"
#include "engine/core/SgSeparator.h"
#include "engine/document/SgCopy.h"
#include "engine/document/SgDocument.h"
#include "engine/nodes/geometry/SgCube.h"
#include "engine/nodes/properties/SgTransform.h"
#include "platform/SgError.h"

namespace {

struct DocumentDeleter {
    void operator()(SgDocument *document) const { SgDocument::Destroy(document); }
};

std::string Text(const Vec3 &v)
{
    return std::to_string(v.x) + " " + std::to_string(v.y) + " " + std::to_string(v.z);
}

class SgCopyTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_document.reset(SgDocument::Create());
        ASSERT_NE(m_document, nullptr);
        m_root = m_document->GetNodara();
        m_copy = m_document->GetCopyBuffer();
        ASSERT_NE(m_copy, nullptr);
        m_object = new SgObject;
        m_object->SetName("box");
        m_object->AddChild(new SgCube);
        m_object->GetTransform(true)->m_translation = Vec3(2, 0, 0);
        m_root->AddChild(m_object);
        m_path = SgPath(*m_root);
        m_path.Append(m_object);
        m_document->ResetUndo();
    }

    static SgObject *ContentObject(SgObject *clone)
    {
        SgSeparator *content = clone->GetInnerGroup();
        if (!content || content->GetChildsCount() == 0)
            return nullptr;
        return dynamic_cast<SgObject *>(content->GetChild(0));
    }

    std::unique_ptr<SgDocument, DocumentDeleter> m_document;
    SgSeparator *m_root = nullptr;
    SgCopy *m_copy = nullptr;
    SgObject *m_object = nullptr;
    SgPath m_path;
};

TEST_F(SgCopyTest, ALinkedCloneShowsTheObjectWhereItStandsAndLeavesItAlone)
{
    const int at = m_root->IndexOf(m_object);
    m_copy->AddToBuffer(m_path);
    const std::vector<SgObject *> clones = m_copy->PasteClone(m_root);
    ASSERT_EQ(clones.size(), 1u);
    SgObject *clone = clones[0];
    EXPECT_EQ(m_root->GetChildList().back(), clone);
    EXPECT_EQ(clone->GetName(), "CLONE-OBJ");
    EXPECT_TRUE(clone->IsClone());
    ASSERT_EQ(ContentObject(clone), m_object) << "the clone should show the object itself";
    EXPECT_EQ(m_object->GetName(), "box") << "the source was renamed";
    EXPECT_EQ(Text(m_object->GetMove()), Text(Vec3(2, 0, 0))) << "the source was moved";
    EXPECT_EQ(m_root->IndexOf(m_object), at) << "the source left its place";
    EXPECT_EQ(Text(clone->GetMove()), Text(Vec3(0, 0, 0))) << "the clone stands on the source already";
    SgPath clonePath(*m_root);
    clonePath.Append(clone);
    EXPECT_EQ(Text(Vec3(SgCopy::CalcBoundingBox(clonePath).GetCenter())), Text(Vec3(2, 0, 0)));

    // Moving the clone leaves the source where it was; the two stay one
    // shape: a change of the source shows in the clone.
    clone->SetMove(Vec3(0, 4, 0));
    EXPECT_EQ(Text(m_object->GetMove()), Text(Vec3(2, 0, 0)));
    EXPECT_EQ(Text(Vec3(SgCopy::CalcBoundingBox(clonePath).GetCenter())), Text(Vec3(2, 4, 0)));

    SgPath buffered = m_copy->GetPath(0);
    EXPECT_FALSE(SgCopy::IsClone(buffered)) << "the buffer should keep what was copied, not the new clone";
    EXPECT_EQ(SgCopy::GetLastObject(buffered), m_object);
}

// Pasting the buffer again shows the copied object again where it stands:
// moving or scaling one linked paste does not carry over to the next, as a
// person who copied one thing expects of every paste of it.
TEST_F(SgCopyTest, EachLinkedPasteOfTheBufferShowsWhatWasCopied)
{
    m_copy->AddToBuffer(m_path);
    const std::vector<SgObject *> first = m_copy->PasteClone(m_root);
    ASSERT_EQ(first.size(), 1u);
    first[0]->GetTransform(false)->m_scaleFactor = Vec3(3, 3, 3);
    first[0]->GetTransform(false)->m_translation = Vec3(9, 9, 9);
    const std::vector<SgObject *> second = m_copy->PasteClone(m_root);
    ASSERT_EQ(second.size(), 1u);
    ASSERT_NE(second[0], first[0]);
    EXPECT_EQ(Text(second[0]->GetScale()), Text(Vec3(1, 1, 1))) << "the second paste took the first's scale";
    EXPECT_EQ(Text(second[0]->GetMove()), Text(Vec3(0, 0, 0))) << "the second paste stands on the first";
    EXPECT_EQ(ContentObject(second[0]), m_object);
    EXPECT_TRUE(m_copy->GetPath(0) == m_path) << "the buffer no longer names the copied object";
}

TEST_F(SgCopyTest, ASecondPasteClonesTheCloneWhereItStands)
{
    m_copy->AddToBuffer(m_path);
    SgObject *first = m_copy->PasteClone(m_root, m_path);
    ASSERT_NE(first, nullptr);
    first->GetTransform(false)->m_scaleFactor = Vec3(3, 3, 3);
    first->GetTransform(false)->m_translation = Vec3(9, 9, 9);
    SgObject *second = m_copy->PasteClone(m_root, m_copy->GetPath(0));
    ASSERT_NE(second, nullptr);
    EXPECT_NE(second, first);
    EXPECT_EQ(Text(second->GetScale()), Text(Vec3(3, 3, 3))) << "the second clone takes the first's scale";
    EXPECT_EQ(Text(second->GetMove()), Text(Vec3(9, 9, 9))) << "the second clone stands on the first";
    EXPECT_EQ(ContentObject(second), m_object) << "both clones show the one object";
    EXPECT_EQ(Text(m_object->GetMove()), Text(Vec3(2, 0, 0)));
    EXPECT_EQ(m_object->GetName(), "box");
}

TEST_F(SgCopyTest, ALinkedPasteIsUndoneAsOneStepThatGivesTheTextBack)
{
    const auto text = [&] {
        std::ostringstream out;
        m_document->SaveStream(nullptr, &out, "kvrx");
        return out.str();
    };
    const std::string before = text();
    const int count = m_root->GetChildsCount();
    m_copy->AddToBuffer(m_path);
    ASSERT_NE(m_copy->PasteClone(m_root, m_path), nullptr);
    ASSERT_TRUE(m_document->IsUndoStackNonEmpty());
    m_document->Undo();
    EXPECT_EQ(m_root->GetChildsCount(), count) << "one undo should take the clone out again";
    EXPECT_FALSE(m_document->IsUndoStackNonEmpty()) << "the paste should be a single undo step";
    EXPECT_EQ(text(), before) << "the undone paste left a trace";
}

TEST_F(SgCopyTest, ACopyOfALinkedCloneSharesTheObjectItShows)
{
    m_copy->AddToBuffer(m_path);
    SgObject *clone = m_copy->PasteClone(m_root, m_path);
    ASSERT_NE(clone, nullptr);
    SgPathList paths;
    SgPath clonePath(*m_root);
    clonePath.Append(clone);
    paths.Add(clonePath);
    m_copy->SetCopyMode(true);
    m_copy->Clone(paths);
    auto *copy = dynamic_cast<SgObject *>(m_root->GetChildList()[m_root->IndexOf(clone) + 1]);
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy, clone);
    EXPECT_EQ(ContentObject(copy), m_object) << "a copy of a clone is one more view of the same object";
}

TEST_F(SgCopyTest, DeepCopyModeAddsIndependentCopiesNextToTheSources)
{
    SgPathList paths;
    paths.Add(m_path);
    m_copy->SetCopyMode(true);
    m_copy->Clone(paths);
    EXPECT_EQ(m_copy->GetCount(), 0) << "deep copies leave nothing in the buffer";
    const auto &children = m_root->GetChildList();
    const int at = m_root->IndexOf(m_object);
    ASSERT_LT(at + 1, static_cast<int>(children.size()));
    auto *copy = dynamic_cast<SgObject *>(children[at + 1]);
    ASSERT_NE(copy, nullptr) << "the copy should stand right after its source";
    EXPECT_NE(copy, m_object);
    EXPECT_EQ(Text(copy->GetMove()), Text(Vec3(2, 0, 0)));
    copy->SetMove(Vec3(5, 5, 5));
    EXPECT_EQ(Text(m_object->GetMove()), Text(Vec3(2, 0, 0))) << "the copy should be independent of its source";
}

TEST_F(SgCopyTest, BufferedPathKeepsADeletedObjectPastable)
{
    m_copy->AddToBuffer(m_path);
    m_root->DeleteChild(m_object);
    // Only the buffer holds the object now; pasting must clone a live node.
    SgObject *clone = m_copy->PasteClone(m_root, m_path);
    ASSERT_NE(clone, nullptr);
    EXPECT_EQ(ContentObject(clone), m_object);
    m_copy->RemoveAll();
    EXPECT_EQ(ContentObject(clone), m_object) << "the clone keeps the object it shows";
}

TEST_F(SgCopyTest, BufferIndicesOutsideTheBufferAreRefused)
{
    m_copy->AddToBuffer(m_path);
    EXPECT_THROW(m_copy->GetPath(1), SgInvalidArgument);
    EXPECT_THROW(m_copy->GetPath(-1), SgInvalidArgument);
    EXPECT_THROW(m_copy->UpdateList(1, m_path), SgInvalidArgument);
    EXPECT_EQ(m_copy->FindPath(m_path), 0);
    SgPath other(*m_root);
    EXPECT_EQ(m_copy->FindPath(other), -1);
    EXPECT_EQ(m_copy->PasteClone(m_root, other), nullptr) << "a path that is not buffered pastes nothing";
}

TEST_F(SgCopyTest, CloneOffsetIsTheScaledDiagonalOfTheObjectsBox)
{
    // The unit cube: a diagonal of sqrt(3).
    EXPECT_NEAR(SgCopy::CalculateCloneOffset(m_path, 2.0), 2.0 * std::sqrt(3.0), 1e-5);
}

} // namespace
