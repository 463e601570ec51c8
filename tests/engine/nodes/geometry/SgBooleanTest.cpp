// The Boolean combination node: its fields and their defaults, the engine
// table each library fills for its own engines, values outside the table or
// outside the four operations refused with a message, the fields through a
// scene file, and an engine's result traversed in the node's place.
#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>

#include "engine/actions/SgBoundingBoxAction.h"
#include "engine/actions/SgOpenAction.h"
#include "engine/actions/SgSaveAction.h"
#include "engine/actions/Vrml1Format.h"
#include "engine/actions/Vrml1InStream.h"
#include "engine/actions/Vrml1Stream.h"
#include "engine/core/SgRef.h"
#include "engine/core/SgSeparator.h"
#include "engine/document/SgDocument.h"
#include "engine/nodes/geometry/SgBoolean.h"
#include "engine/nodes/geometry/SgFaceSet.h"
#include "engine/nodes/geometry/SgSphere.h"
#include "platform/SgDiagHandler.h"
#include "tests/engine/core/StateTestSupport.h"
#include "tests/engine/nodes/geometry/ExtrusionTestSupport.h"

namespace {

// An engine for the tests: it stores a one-triangle face set as the result of
// every Boolean node it is applied to and counts its runs.
class BooleanTestEngine : public SgAction {
    SG_ACTION_HEADER(BooleanTestEngine)
    BooleanTestEngine() { InitState(); }
    static int s_runs;
    static void VisitBoolean(SgAction *action, SgNode *node)
    {
        ++s_runs;
        auto *shape = static_cast<SgBoolean *>(node);
        SgRef<SgFaceSet> mesh = new SgFaceSet;
        mesh->m_vertices.AddVal1(Vec3(0, 0, 0));
        mesh->m_vertices.AddVal1(Vec3(2, 0, 0));
        mesh->m_vertices.AddVal1(Vec3(0, 3, 0));
        const int loop[3] = {0, 1, 2};
        mesh->InsertFace(loop, 3, 1234);
        shape->SetResultCache(mesh.get(), action);
    }
};

SG_ACTION_SOURCE(BooleanTestEngine, "BooleanTestEngine")
int BooleanTestEngine::s_runs = 0;

void BooleanTestEngine::InitClass()
{
    if (!RegisterActionClass(s_iClassID, s_lpszClassName, &Creator, s_pfnMethodsMap))
        return;
    SetVisitor(s_pfnMethodsMap, SgNode::ClassID(), VisitNothing);
    SetVisitor(s_pfnMethodsMap, SgBoolean::ClassID(), VisitBoolean);
    BuildVisitorsMap_(s_iClassID);
    EnableElement<TransformElement>(s_aiEnabledElements, s_iEnabledCount);
    EnableElement<ModifierStackElement>(s_aiEnabledElements, s_iEnabledCount);
}

class BooleanNodeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        InitExtrusionTests();
        BooleanTestEngine::InitClass();
        for (int e = 0; e < SgBoolean::kEngineCount; ++e)
            m_saved[e] = SgBoolean::s_iBoolAactions[e];
    }
    void TearDown() override
    {
        for (int e = 0; e < SgBoolean::kEngineCount; ++e)
            SgBoolean::s_iBoolAactions[e] = m_saved[e];
    }
    int m_saved[SgBoolean::kEngineCount] = {};
};

std::string WriteScene(SgNode *root)
{
    std::ostringstream text;
    Vrml1Stream stream(text);
    SgSaveAction action(false);
    action.SetStream(&stream);
    action.WriteHeader(Vrml1Format::kWriterVersion);
    EXPECT_TRUE(action.Apply(root)) << action.GetError();
    return text.str();
}

SgRef<SgSeparator> ReadScene(const std::string &text, std::string *messages = nullptr)
{
    std::istringstream in(text);
    Vrml1InStream stream(in, "scene.kvrx");
    stream.SetNotifyUser(false);
    SgRef<SgSeparator> root(new SgSeparator);
    root->SetName("ROOT");
    EXPECT_TRUE(SgOpenAction::ReadScene(stream, *root)) << stream.FormatMessages();
    if (messages)
        *messages = stream.FormatMessages();
    return root;
}

SgBoolean *FirstBoolean(SgGroup *root)
{
    for (int i = 0; i < root->GetChildsCount(); ++i)
        if (auto *b = dynamic_cast<SgBoolean *>(root->GetChild(i)))
            return b;
    return nullptr;
}

// The first Boolean anywhere below the group.
SgBoolean *DeepBoolean(SgGroup *group)
{
    for (SgNode *child : group->GetChildList()) {
        if (auto *b = dynamic_cast<SgBoolean *>(child))
            return b;
        if (child->IsGroup())
            if (SgBoolean *inner = DeepBoolean(static_cast<SgGroup *>(child)))
                return inner;
    }
    return nullptr;
}

int EngineFromHost(SgGeometricShape *, void *data)
{
    return *static_cast<int *>(data);
}

} // namespace

TEST_F(BooleanNodeTest, IsRegisteredUnderTheShapeBaseWithItsFieldsInOrder)
{
    EXPECT_NE(SgBoolean::ClassID(), 0);
    SgRef<SgBoolean> node = new SgBoolean;
    EXPECT_TRUE(node->IsDerivedFrom(SgGeometricShape::ClassID()));
    EXPECT_STREQ(node->GetClassName(), "SgBoolean");
    ASSERT_EQ(node->GetFieldsCount(), 4);
    EXPECT_STREQ(node->GetFieldName(0), "operation");
    EXPECT_STREQ(node->GetFieldName(1), "booleanEngine");
    EXPECT_STREQ(node->GetFieldName(2), "cellSize");
    EXPECT_STREQ(node->GetFieldName(3), "maxCells");
    EXPECT_EQ(node->m_operation.Get(), 0);
    EXPECT_EQ(node->m_booleanEngine.Get(), 1);
    EXPECT_DOUBLE_EQ(node->m_cellSize.Get(), 0.085);
    EXPECT_EQ(node->m_maxCells.Get(), 100);
    SgRef<SgBoolean> difference = new SgBoolean(SgBoolean::kDifferenceFromLast);
    EXPECT_EQ(difference->m_operation.Get(), 3);
}

// The host chooses the engine per document: two documents in one process
// keep their own choices, a node whose engine was given (by a caller or a
// file) keeps it, and a choice outside the table is refused with a message.
TEST_F(BooleanNodeTest, EachDocumentsHostChoosesTheEngineOfItsNewNodes)
{
    std::unique_ptr<SgDocument> metaball(SgDocument::Create());
    std::unique_ptr<SgDocument> plain(SgDocument::Create());
    int engine = 2;
    metaball->SetShapeActionIdFunc(EngineFromHost, &engine);

    SgRef<SgBoolean> inMetaball = new SgBoolean;
    SgRef<SgBoolean> inPlain = new SgBoolean;
    metaball->GetRoot()->AddChild(inMetaball.get());
    plain->GetRoot()->AddChild(inPlain.get());
    EXPECT_EQ(inMetaball->m_booleanEngine.Get(), 2);
    EXPECT_EQ(inPlain->m_booleanEngine.Get(), 1) << "the other document's host chose nothing for this one";
    EXPECT_EQ(metaball->GetUndoCount(), plain->GetUndoCount()) << "the choice is no edit of the document";

    SgRef<SgBoolean> given = new SgBoolean;
    given->m_booleanEngine.Set(0);
    metaball->GetRoot()->AddChild(given.get());
    EXPECT_EQ(given->m_booleanEngine.Get(), 0) << "an engine given before joining stays";

    SgRef<SgSeparator> written = new SgSeparator;
    SgRef<SgBoolean> zero = new SgBoolean;
    zero->m_booleanEngine.Set(0);
    written->AddChild(zero.get());
    SgRef<SgSeparator> read = ReadScene(WriteScene(written.get()));
    metaball->GetRoot()->AddChild(read.get());
    ASSERT_NE(DeepBoolean(read.get()), nullptr);
    EXPECT_EQ(DeepBoolean(read.get())->m_booleanEngine.Get(), 0) << "a file's engine stays";

    plain->GetRoot()->DeleteChild(inPlain.get());
    metaball->GetRoot()->AddChild(inPlain.get());
    EXPECT_EQ(inPlain->m_booleanEngine.Get(), 1) << "a node chooses once, in the first document it joins";

    engine = 7;
    SgDiagCapture capture;
    SgRef<SgBoolean> odd = new SgBoolean;
    metaball->GetRoot()->AddChild(odd.get());
    EXPECT_EQ(odd->m_booleanEngine.Get(), 1) << "a hook value outside the table is not taken";
    EXPECT_EQ(capture.Count(), 1);
}

TEST_F(BooleanNodeTest, EachLibraryRegistersItsOwnEngine)
{
    SgBoolean::UnregisterEngine(0);
    SgBoolean::UnregisterEngine(1);
    EXPECT_FALSE(SgBoolean::IsEngineRegistered(0));
    EXPECT_TRUE(SgBoolean::RegisterEngine(1, BooleanTestEngine::ClassID()));
    EXPECT_TRUE(SgBoolean::IsEngineRegistered(1));
    EXPECT_FALSE(SgBoolean::IsEngineRegistered(0)) << "registering one engine leaves the others alone";
    SgDiagCapture capture;
    EXPECT_FALSE(SgBoolean::RegisterEngine(3, BooleanTestEngine::ClassID()));
    EXPECT_FALSE(SgBoolean::RegisterEngine(-1, BooleanTestEngine::ClassID()));
    EXPECT_FALSE(SgBoolean::RegisterEngine(0, 0));
    EXPECT_EQ(capture.Count(), 3);
    EXPECT_FALSE(SgBoolean::IsEngineRegistered(3));
}

TEST_F(BooleanNodeTest, AnOperationOutsideTheFourIsRefusedWithAMessage)
{
    SgRef<SgBoolean> node = new SgBoolean(SgBoolean::kIntersection);
    SgDiagCapture capture;
    node->m_operation.Set(4);
    EXPECT_EQ(node->m_operation.Get(), 1);
    node->m_operation.Set(-1);
    EXPECT_EQ(node->m_operation.Get(), 1);
    EXPECT_EQ(capture.Count(), 2);
    node->m_operation.Set(2);
    EXPECT_EQ(node->m_operation.Get(), 2);
    EXPECT_EQ(capture.Count(), 2);
}

TEST_F(BooleanNodeTest, AnEngineOutsideTheTableIsRefusedWithAMessage)
{
    SgRef<SgBoolean> node = new SgBoolean;
    SgDiagCapture capture;
    node->m_booleanEngine.Set(3);
    EXPECT_EQ(node->m_booleanEngine.Get(), 1);
    node->m_booleanEngine.Set(-2);
    EXPECT_EQ(node->m_booleanEngine.Get(), 1);
    EXPECT_EQ(capture.Count(), 2);
}

TEST_F(BooleanNodeTest, AnUnregisteredEngineBuildsNothingAndSaysSo)
{
    SgBoolean::UnregisterEngine(0);
    SgRef<SgBoolean> node = new SgBoolean;
    SgDiagCapture capture;
    node->m_booleanEngine.Set(0);
    node->GetSeparator()->AddChild(new SgSphere);
    node->GetSeparator()->AddChild(new SgSphere);
    EXPECT_EQ(BuildMesh(node.get()), nullptr);
    EXPECT_EQ(node->GetResultCache(), nullptr);
    EXPECT_EQ(node->GetActionID(), 0);
    EXPECT_GE(capture.Count(), 1);
}

TEST_F(BooleanNodeTest, TheEnginesResultIsTraversedInTheNodesPlace)
{
    ASSERT_TRUE(SgBoolean::RegisterEngine(1, BooleanTestEngine::ClassID()));
    SgRef<SgBoolean> node = new SgBoolean;
    node->GetSeparator()->AddChild(new SgSphere);
    node->GetSeparator()->AddChild(new SgSphere);
    const int runs = BooleanTestEngine::s_runs;
    SgFaceSet *mesh = BuildMesh(node.get());
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ(mesh->GetFaceCount(), 1);
    EXPECT_EQ(BooleanTestEngine::s_runs, runs + 1);
    SgBoundingBoxAction box;
    box.Apply(node.get());
    const Range<Vec3f> range = box.m_Box;
    EXPECT_FLOAT_EQ(range.GetMax().x, 2.0f);
    EXPECT_FLOAT_EQ(range.GetMax().y, 3.0f);
    // Exploded, the box is the operands' only.
    node->SetExploded(true);
    SgBoundingBoxAction exploded;
    exploded.Apply(node.get());
    EXPECT_FLOAT_EQ(exploded.m_Box.GetMax().x, 1.0f);
    EXPECT_FLOAT_EQ(exploded.m_Box.GetMin().x, -1.0f);
    EXPECT_FLOAT_EQ(exploded.m_Box.GetMax().y, 1.0f);
    node->SetExploded(false);
    // A field change drops the result.
    node->m_cellSize.Set(0.1);
    EXPECT_EQ(node->GetResultCache(), nullptr);
}

TEST_F(BooleanNodeTest, DeleteChildGoesToTheOperands)
{
    SgRef<SgBoolean> node = new SgBoolean;
    SgRef<SgSphere> sphere = new SgSphere;
    node->GetSeparator()->AddChild(sphere.get());
    EXPECT_EQ(node->GetSeparator()->GetChildsCount(), 1);
    node->DeleteChild(sphere.get());
    EXPECT_EQ(node->GetSeparator()->GetChildsCount(), 0);
}

TEST_F(BooleanNodeTest, TheMetaballSettingsAreCapped)
{
    SgRef<SgBoolean> node = new SgBoolean;
    node->m_cellSize.Set(0.0);
    EXPECT_DOUBLE_EQ(node->GetCellSize(), SgBoolean::kMinCellSize);
    node->m_cellSize.Set(-3.0);
    EXPECT_DOUBLE_EQ(node->GetCellSize(), SgBoolean::kMinCellSize);
    node->m_maxCells.Set(2000000000);
    EXPECT_EQ(node->GetMaxCells(), SgBoolean::kMaxCellsBound);
    node->m_maxCells.Set(-5);
    EXPECT_EQ(node->GetMaxCells(), 1);
}

TEST_F(BooleanNodeTest, FieldsAndOperandsGoThroughAFileUnchanged)
{
    SgRef<SgBoolean> node = new SgBoolean(SgBoolean::kDifferenceFromFirst);
    node->SetName("B");
    node->m_booleanEngine.Set(2);
    node->m_cellSize.Set(0.125);
    node->m_maxCells.Set(40);
    node->GetSeparator()->AddChild(new SgSphere);
    node->GetSeparator()->AddChild(new SgSphere);
    SgRef<SgSeparator> root(new SgSeparator);
    root->SetName("ROOT");
    root->AddChild(node.get());
    const std::string first = WriteScene(root.get());
    SgDiagCapture quiet; // a program without the metaball engine says it is missing
    SgRef<SgSeparator> read = ReadScene(first);
    SgBoolean *back = FirstBoolean(read.get());
    ASSERT_NE(back, nullptr) << first;
    EXPECT_EQ(back->m_operation.Get(), 2);
    EXPECT_EQ(back->m_booleanEngine.Get(), 2);
    EXPECT_DOUBLE_EQ(back->m_cellSize.Get(), 0.125);
    EXPECT_EQ(back->m_maxCells.Get(), 40);
    EXPECT_EQ(back->GetSeparator()->GetChildsCount(), 2);
    EXPECT_EQ(WriteScene(read.get()), first);
}

// A file may give each operand a Separator of its own instead of one
// Separator round all of them; every operand is kept, in order, and the text
// written again reads back the same.
TEST_F(BooleanNodeTest, OneSeparatorPerOperandKeepsEveryOperand)
{
    const std::string text = "#VRML V1.0 ascii\n"
                             "Boolean {\n operation 2\n"
                             " Separator { Cube { width 3 } }\n"
                             " Separator { Sphere { radius 1.2 } }\n"
                             " Separator { Sphere { radius 0.5 } }\n"
                             "}\n";
    SgDiagCapture quiet;
    SgRef<SgSeparator> read = ReadScene(text);
    SgBoolean *node = FirstBoolean(read.get());
    ASSERT_NE(node, nullptr);
    SgSeparator *operands = node->GetSeparator();
    ASSERT_EQ(operands->GetChildsCount(), 3);
    const char *expected[] = {"SgCube", "SgSphere", "SgSphere"};
    for (int i = 0; i < 3; ++i) {
        auto *operand = dynamic_cast<SgGroup *>(operands->GetChild(i));
        ASSERT_NE(operand, nullptr) << i;
        ASSERT_EQ(operand->GetChildsCount(), 1) << i;
        EXPECT_STREQ(operand->GetChild(0)->GetClassName(), expected[i]) << i;
    }
    const std::string written = WriteScene(read.get());
    EXPECT_EQ(WriteScene(ReadScene(written).get()), written);
}

TEST_F(BooleanNodeTest, AFileWithValuesOutsideTheTablesIsReadAndBuildsNothing)
{
    SgRef<SgBoolean> node = new SgBoolean;
    node->m_booleanEngine.Set(2);
    SgRef<SgSeparator> root(new SgSeparator);
    root->SetName("ROOT");
    root->AddChild(node.get());
    std::string text = WriteScene(root.get());
    const std::string engineLine = "booleanEngine 2";
    const size_t at = text.find(engineLine);
    ASSERT_NE(at, std::string::npos) << text;
    text.replace(at, engineLine.size(), "booleanEngine 9 operation 7");
    SgDiagCapture capture;
    SgRef<SgSeparator> read = ReadScene(text);
    SgBoolean *back = FirstBoolean(read.get());
    ASSERT_NE(back, nullptr);
    EXPECT_TRUE(SgBoolean::IsValidEngine(back->m_booleanEngine.Get()) || back->GetActionID() == 0);
    back->GetSeparator()->AddChild(new SgSphere);
    back->GetSeparator()->AddChild(new SgSphere);
    BuildMesh(back);
    if (!SgBoolean::IsValidOperation(back->m_operation.Get())) {
        EXPECT_EQ(back->GetResultCache(), nullptr);
    }
    EXPECT_GE(capture.Count(), 2) << "both values are reported";
}
