// What the solid library keeps per document and what it owns while it
// evaluates: the result checker's setting is the document's own (two
// documents in one process keep theirs), and the operands collected from a
// scatter are freed when uniting them fails.
#include <gtest/gtest.h>

#include <bit>
#include <memory>
#include <vector>

#include "engine/core/SgAction.h"
#include "engine/core/SgModifier.h"
#include "engine/core/SgSeparator.h"
#include "engine/document/SgDocument.h"
#include "engine/nodes/geometry/SgBoolean.h"
#include "engine/nodes/geometry/SgCube.h"
#include "engine/nodes/geometry/SgFaceSet.h"
#include "engine/nodes/geometry/SgScatter.h"
#include "engine/nodes/properties/SgTransform.h"
#include "engine/nodes/object/SgObject.h"
#include "platform/SgDiagHandler.h"
#include "solids/GmBoolean.h"
#include "solids/GmGeom.h"
#include "solids/SgGeomAction.h"
#include "solids/Solvane.h"

using namespace solvane;

namespace {

// A modifier that changes nothing and notes the checker's setting in force
// whenever an operand below it is traversed.
class ValidationProbe : public SgModifier {
    SG_CLASS_HEADER(ValidationProbe, SgFieldMngr)
    ValidationProbe() = default;
    void DoAction(SgAction *action) override
    {
        seen.push_back(boolean_validation());
        SgModifier::DoAction(action);
    }
    std::vector<bool> seen;

protected:
    ~ValidationProbe() override = default;
};

// A modifier that changes nothing and notes how many geometries are alive
// whenever an operand below it is traversed.
class LiveGeomProbe : public SgModifier {
    SG_CLASS_HEADER(LiveGeomProbe, SgFieldMngr)
    LiveGeomProbe() = default;
    void DoAction(SgAction *action) override
    {
        seen.push_back(GmGeom::liveCount());
        SgModifier::DoAction(action);
    }
    std::vector<long> seen;

protected:
    ~LiveGeomProbe() override = default;
};

} // namespace

SG_CLASS_SOURCE(ValidationProbe, SgModifier, SgFieldMngr, "ValidationProbe")
SG_CLASS_SOURCE(LiveGeomProbe, SgModifier, SgFieldMngr, "LiveGeomProbe")

namespace {

class SolidDocumentState : public ::testing::Test {
protected:
    void SetUp() override
    {
        Solvane::Init();
        static bool registered = false;
        if (!registered) {
            registered = true;
            ValidationProbe::InitClass();
            LiveGeomProbe::InitClass();
            SgAction::ReBuildVisitorsMaps();
        }
    }

    static SgSeparator *Cube(double size)
    {
        auto *sep = new SgSeparator;
        auto *cube = new SgCube;
        cube->m_width.Set(size);
        cube->m_height.Set(size);
        cube->m_depth.Set(size);
        sep->AddChild(cube);
        return sep;
    }
};

} // namespace

TEST_F(SolidDocumentState, EachDocumentEvaluatesWithItsOwnCheckerSetting)
{
    std::unique_ptr<SgDocument> checked(SgDocument::Create());
    std::unique_ptr<SgDocument> unchecked(SgDocument::Create());
    unchecked->SetValidateSolids(false);
    EXPECT_TRUE(checked->GetValidateSolids()) << "a new document checks its results";

    auto evaluate = [](SgDocument &document) {
        SgRef<SgBoolean> boolean = new SgBoolean(SgBoolean::kUnion);
        SgRef<ValidationProbe> probe = new ValidationProbe;
        SgSeparator *first = Cube(1.0);
        first->AddChildBefore(probe.get(), nullptr);
        boolean->GetSeparator()->AddChild(first);
        boolean->GetSeparator()->AddChild(Cube(0.5));
        document.GetRoot()->AddChild(boolean.get());
        EXPECT_NE(SgGeomAction::EvaluateBoolean(boolean.get()), nullptr);
        document.GetRoot()->DeleteChild(boolean.get());
        return probe->seen;
    };
    EXPECT_EQ(evaluate(*unchecked), std::vector<bool>{false});
    EXPECT_EQ(evaluate(*checked), std::vector<bool>{true}) << "the other document's setting does not reach this one";
    EXPECT_EQ(evaluate(*unchecked), std::vector<bool>{false});
    EXPECT_TRUE(boolean_validation()) << "the caller's setting is back after an evaluation";
}

// A scatter of open triangles gives collected operands that cannot be
// united: the evaluation fails with one message and every solid it made
// goes with the node.
TEST_F(SolidDocumentState, AFailedUnionOfCollectedOperandsFreesThem)
{
    const long before = GmGeom::liveCount();
    {
        SgRef<SgFaceSet> triangle = new SgFaceSet;
        const Vec3 corners[] = {{0, 0, 0}, {0.3, 0, 0}, {0, 0.3, 0}};
        triangle->m_vertices.SetVals(3, corners);
        const int loop[3] = {0, 1, 2};
        triangle->InsertFace(loop, 3, 1);
        SgRef<SgFaceSet> places = new SgFaceSet;
        const Vec3 points[] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
        places->m_vertices.SetVals(4, points);
        places->InsertFace(0, 1, 2, 3, 1);

        SgRef<SgScatter> scatter = new SgScatter;
        SgRef<SgObject> source = new SgObject;
        SgRef<SgObject> target = new SgObject;
        source->AddChild(triangle.get());
        target->AddChild(places.get());
        scatter->GetSeparator()->AddChild(source.get());
        scatter->GetSeparator()->AddChild(target.get());

        SgRef<SgBoolean> boolean = new SgBoolean(SgBoolean::kUnion);
        boolean->GetSeparator()->AddChild(Cube(1.0));
        boolean->GetSeparator()->AddChild(scatter.get());
        SgDiagCapture capture;
        SgGeomAction::EvaluateBoolean(boolean.get());
        EXPECT_TRUE(capture.Contains("could not be evaluated")) << capture.GetText();
    }
    EXPECT_EQ(GmGeom::liveCount(), before) << "solids made for the evaluation outlive it";
}

// A boolean of many operands unites them as they come, as a balanced tree:
// while each operand is made, no more solids are alive than the tree has
// levels filled (one per bit of the count of operands made before), however
// many came before; evaluating again after an operand changed holds no
// earlier result beside them.
TEST_F(SolidDocumentState, ABooleanOfManyOperandsHoldsASolidPerTreeLevel)
{
    SgRef<SgBoolean> boolean = new SgBoolean(SgBoolean::kUnion);
    SgRef<LiveGeomProbe> probe = new LiveGeomProbe;
    SgRef<SgCube> changing = new SgCube;
    changing->m_width.Set(0.5);
    for (int i = 0; i < 6; ++i) {
        SgSeparator *operand = Cube(1.0);
        auto *shift = new SgTransform;
        shift->m_translation.Set(Vec3(0.5 * i, 0, 0));
        operand->AddChildBefore(shift, nullptr);
        operand->AddChildBefore(probe.get(), nullptr);
        boolean->GetSeparator()->AddChild(operand);
    }
    auto *last = new SgSeparator;
    last->AddChild(probe.get());
    last->AddChild(changing.get());
    boolean->GetSeparator()->AddChild(last);
    ASSERT_NE(SgGeomAction::EvaluateBoolean(boolean.get()), nullptr);
    ASSERT_EQ(probe->seen.size(), 7u);
    for (size_t i = 1; i < probe->seen.size(); ++i)
        EXPECT_LE(probe->seen[i], probe->seen[0] + std::popcount(i))
            << "geometries alive when operand " << i + 1 << " is made";
    changing->m_width.Set(0.75);
    GmGeom *again = SgGeomAction::EvaluateBoolean(boolean.get());
    ASSERT_NE(again, nullptr);
    ASSERT_EQ(probe->seen.size(), 14u) << "the changed boolean is evaluated again";
    EXPECT_EQ(probe->seen[7], probe->seen[0]) << "the earlier result is still held";
    EXPECT_NEAR(again->volume(), 3.5, 1e-9);
}
