// Pick hits: their copy rules, the fixed index table, the normal carried
// into the object's frame, and the filters that choose among hits.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/engine/actions/MeasureTestNodes.h"
#include "engine/actions/PickedPointQuery.h"
#include "engine/actions/SgPickedPoint.h"
#include "engine/actions/SgSelectionHandlerInterface.h"
#include "platform/Notifier.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

// Records the messages instead of showing them.
class RecordingNotifier : public Notifier {
public:
    int Message(const std::string &text, const std::string &caption, Buttons, Icon) override
    {
        m_messages.push_back(caption + ": " + text);
        return Ok;
    }
    std::vector<std::string> m_messages;
};

class PickedPointTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { InitMeasureTestClasses(); }
    void SetUp() override { m_previous = SetNotifier(&m_notifier); }
    void TearDown() override { SetNotifier(m_previous); }

    RecordingNotifier m_notifier;
    Notifier *m_previous = nullptr;
};

} // namespace

TEST_F(PickedPointTest, CopiesDropTheLocalNormalAndAssignmentKeepsItsOwnFlag)
{
    SgPickedPoint source;
    source.m_LocalNormal = Vec3(1, 0, 0);
    source.m_bNormalComputed = true;
    source.m_dDistance = 0.25;
    source.SetIndex(0, 7);

    const SgPickedPoint copy(source);
    EXPECT_EQ(copy.m_LocalNormal, Vec3(0, 0, 0));
    EXPECT_TRUE(copy.m_bNormalComputed);
    EXPECT_EQ(copy.m_dDistance, 0.25);
    EXPECT_EQ(copy.m_Indices[0], 7);

    SgPickedPoint assigned;
    assigned.m_LocalNormal = Vec3(0, 1, 0);
    assigned = source;
    EXPECT_EQ(assigned.m_LocalNormal, Vec3(0, 1, 0));
    EXPECT_FALSE(assigned.m_bNormalComputed);
    EXPECT_EQ(assigned.m_Indices[0], 7);
}

TEST_F(PickedPointTest, MoreIndicesThanTheTableHoldsAreRefused)
{
    SgPickedPoint hit;
    std::vector<int> indices(SgPickedPoint::kMaxIndices + 1, 3);
    EXPECT_TRUE(hit.SetIndices(indices.data(), SgPickedPoint::kMaxIndices));
    EXPECT_EQ(hit.m_Indices.back(), 3);

    const std::vector<int> fewer = {1, 2};
    EXPECT_TRUE(hit.SetIndices(fewer.data(), 2));
    EXPECT_EQ(hit.m_Indices[1], 2);
    EXPECT_EQ(hit.m_Indices[2], -1) << "the rest is cleared";

    EXPECT_FALSE(hit.SetIndices(indices.data(), SgPickedPoint::kMaxIndices + 1));
    EXPECT_FALSE(hit.SetIndices(indices.data(), -1));
    EXPECT_FALSE(hit.SetIndex(SgPickedPoint::kMaxIndices, 1));
    EXPECT_EQ(hit.m_Indices[0], 1) << "a refused call changes nothing";
    EXPECT_EQ(hit.GetIndex(SgPickedPoint::kMaxIndices), -1);
}

TEST_F(PickedPointTest, NormalIsTurnedByTheObjectPlacement)
{
    SgRef<SgSeparator> root = MakeSceneRoot();
    SgRef<MeasuredShape> shape = MakeCuboid(1, 1, 1);
    shape->m_normal = Vec3(1, 0, 0);
    SgRef<SgObject> object = MakeObjectWith(shape.get(), Vec3(10, 0, 0));
    object->GetTransform()->m_rotation = Rotation(Vec3(0, 0, 1), kPi / 2);
    object->GetTransform()->m_scaleFactor = Vec3(3, 3, 3);
    root->AddChild(object.get());

    SgPickedPoint hit;
    hit.m_Path.Append(root.get());
    hit.m_Path.Append(object.get());
    const Vec3 normal = hit.GetNormal();
    EXPECT_NEAR(normal.x, 0, 1e-12);
    EXPECT_NEAR(normal.y, 1, 1e-12);
    EXPECT_EQ(hit.m_Normal, normal);
    EXPECT_TRUE(hit.m_bNormalComputed);
    EXPECT_TRUE(m_notifier.m_messages.empty());
}

TEST_F(PickedPointTest, NormalOfAPathWithoutShapeIsReportedAndDefaults)
{
    SgRef<SgObject> empty = MakeObjectWith(nullptr);
    SgPickedPoint hit;
    hit.m_Path.Append(empty.get());
    hit.m_Normal = Vec3(1, 1, 1);
    EXPECT_EQ(hit.GetNormal(), Vec3(0, 0, 1));
    EXPECT_EQ(hit.m_Normal, Vec3(1, 1, 1)) << "the failed normal is not stored";
    ASSERT_EQ(m_notifier.m_messages.size(), 1u);
    EXPECT_EQ(m_notifier.m_messages[0], "Error: SgPickedPoint::GetNormal() - failed");
}

TEST_F(PickedPointTest, FiltersChooseHitsByPath)
{
    SgRef<SgSeparator> root = MakeSceneRoot();
    SgRef<MeasuredShape> shape = MakeCuboid(1, 1, 1);
    SgRef<SgObject> object = MakeObjectWith(shape.get(), Vec3(0, 0, 0), "Crate");
    root->AddChild(object.get());
    SgPickedPoint hit;
    for (SgNode *node : {static_cast<SgNode *>(root.get()), static_cast<SgNode *>(object.get()),
                         static_cast<SgNode *>(object->GetInnerGroup()), static_cast<SgNode *>(shape.get())})
        hit.m_Path.Append(node);
    SgPickedPoint missed;

    PickedPointQuery all;
    PickedPointQueryClassID shapes(SgShape::ClassID());
    PickedPointQueryClassID objects(SgObject::ClassID());
    PickedPointQueryShape thisShape(shape.get());
    PickedPointQueryName rootName("root");
    PickedPointQueryName otherName("Barrel");
    PickedPointQueryObjName objectName("Crate");
    PickedPointQueryObjName rootAsObject("root");
    struct Case {
        const char *what;
        PickedPointQuery *query;
        bool acceptsHit;
    };
    PickedPointQueryCompose both(&shapes, &otherName, PickedPointQueryCompose::kAnd);
    PickedPointQueryCompose either(&shapes, &otherName, PickedPointQueryCompose::kOr);
    PickedPointQueryCompose notBoth(&shapes, &otherName, PickedPointQueryCompose::kNotBoth);
    PickedPointQueryCompose neither(&shapes, &otherName, PickedPointQueryCompose::kNeither);
    PickedPointQueryCompose unknownMode(&all, &all, 7);
    const Case cases[] = {
        {"base", &all, true},
        {"derived from shape", &shapes, true},
        {"last node an object", &objects, false},
        {"that shape", &thisShape, true},
        {"a node named root", &rootName, true},
        {"a node named Barrel", &otherName, false},
        {"object named Crate", &objectName, true},
        {"object named root", &rootAsObject, false},
        {"and", &both, false},
        {"or", &either, true},
        {"not both", &notBoth, true},
        {"neither", &neither, false},
        {"unknown mode", &unknownMode, false},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(c.query->Accept(hit), c.acceptsHit) << c.what;
        if (c.query != &all && c.query != &notBoth && c.query != &neither) {
            EXPECT_FALSE(c.query->Accept(missed)) << c.what << " on a hit without a path";
        }
    }
}

TEST_F(PickedPointTest, SnapAndSelectFiltersAskThePathAndTheHandler)
{
    class Handler : public SgSelectionHandlerInterface {
    public:
        void Select(const SgPath &, int) override {}
        void Deselect(SgPath &, bool) override {}
        bool IsSelectable(SgPath &path) override { return path.GetCount() > 1; }
        PathFixup GetPathFixup() const override { return {}; }
        void SetPathFixup(PathFixup) override {}
        void ClearCurrentManipulator() override {}
        void SetContextParent(SgObject *) override {}
    } handler;

    SgRef<SgObject> object = MakeObjectWith(nullptr);
    SgRef<SgSeparator> root = MakeSceneRoot();
    root->AddChild(object.get());
    SgPickedPoint hit;
    hit.m_Path.Append(root.get());
    hit.m_Path.Append(object.get());

    PickedPointQuerySnapable snap;
    EXPECT_TRUE(snap.Accept(hit));
    object->m_selectMode = 0;
    EXPECT_FALSE(snap.Accept(hit));

    PickedPointQuerySelectable selectable(&handler);
    EXPECT_TRUE(selectable.Accept(hit));
    hit.m_Path.DeleteLast();
    EXPECT_FALSE(selectable.Accept(hit));
    PickedPointQuerySelectable noHandler(nullptr);
    EXPECT_FALSE(noHandler.Accept(hit));
}
