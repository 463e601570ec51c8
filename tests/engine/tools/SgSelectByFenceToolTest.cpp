// Fence selection driven through a headless window: drags around objects,
// in either direction, with and without Ctrl, clicks, and the band drawn
// over the scene while the button is held.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "engine/document/SgDocument.h"
#include "engine/handlers/SgSelectionHandler.h"
#include "engine/handlers/SgTool.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/nodes/properties/SgTransform.h"
#include "engine/tools/SgSelectByFenceTool.h"
#include "engine/viewer/SgEvent.h"
#include "engine/viewer/SgViewer.h"
#include "tests/engine/viewer/WindowHarness.h"

namespace {

using namespace windowtest;

const Color kRed(1, 0, 0, 1);
constexpr unsigned kCtrl = SgEvent::kCtrlBit;

// Four red half-unit cubes on the x axis at -3, -1, 1 and 3, and the fence
// tool first in the view scene, as an active tool is.
class FenceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (int i = 0; i < 4; ++i) {
            SgObject *object = m_h.AddCube(kRed, 0.5);
            object->GetTransform(true)->m_translation.Set(Vec3(X(i), 0, 0));
            m_objects.push_back(object);
        }
        m_tool = new SgSelectByFenceTool(m_h.Document());
        m_h.AddViewHandler(m_tool);
        m_h.Paint();
    }

    static double X(int i) { return 2.0 * i - 3.0; }
    Vec2i At(int i) { return m_h.Project(Vec3(X(i), 0, 0)); }
    SgSelectionHandler *Handler() { return m_h.Document()->GetSelectionHandler(); }
    std::set<int> Selected()
    {
        std::set<int> out;
        for (int i = 0; i < 4; ++i)
            if (m_objects[i]->isSelected())
                out.insert(i);
        return out;
    }
    // A band from half a unit before cube `first` to half a unit after cube `last`.
    std::pair<Vec2i, Vec2i> Around(int first, int last)
    {
        return {m_h.Project(Vec3(X(first) - 0.6, 0.6, 0)), m_h.Project(Vec3(X(last) + 0.6, -0.6, 0))};
    }

    WindowHarness m_h{640, 480};
    std::vector<SgObject *> m_objects;
    SgSelectByFenceTool *m_tool = nullptr;
};

struct FenceStep {
    int first;       // first cube in the band; -1: a click on cube `last`
    int last;
    bool reversed;   // dragged from lower right to upper left
    bool ctrl;
};

struct FenceCase {
    const char *name;
    std::vector<FenceStep> steps;
    std::set<int> selected;
};

const FenceCase kFenceCases[] = {
    {"BandAroundThreeSelectsThree", {{0, 2, false, false}}, {0, 1, 2}},
    {"ReversedBandSelectsTheSame", {{0, 2, true, false}}, {0, 1, 2}},
    {"BandReplaces", {{0, 1, false, false}, {2, 3, false, false}}, {2, 3}},
    {"CtrlBandAdds", {{3, 3, false, false}, {0, 2, false, true}}, {0, 1, 2, 3}},
    {"ClickSelectsOne", {{-1, 1, false, false}}, {1}},
    {"CtrlClickToggles", {{0, 2, false, false}, {-1, 1, false, true}}, {0, 2}},
    {"ClickReplacesTheBand", {{0, 2, false, false}, {-1, 3, false, false}}, {3}},
};

TEST_F(FenceTest, DragScripts)
{
    for (const FenceCase &c : kFenceCases) {
        SCOPED_TRACE(c.name);
        Handler()->DeselectAll();
        for (const FenceStep &step : c.steps) {
            const unsigned keys = step.ctrl ? kCtrl : 0;
            if (step.first < 0) {
                m_h.Down(Button::Left, At(step.last), keys);
                m_h.Up(Button::Left, At(step.last), keys);
                continue;
            }
            auto [a, b] = Around(step.first, step.last);
            if (step.reversed)
                std::swap(a, b);
            m_h.Drag(Button::Left, a, b, 3, keys);
        }
        EXPECT_EQ(Selected(), c.selected);
        EXPECT_FALSE(m_tool->InGesture());
        EXPECT_FALSE(m_h.HasCapture()) << "the capture ends with the gesture";
        EXPECT_FALSE(m_h.ToolActive());
    }
}

TEST_F(FenceTest, ABandOfOnePixelIsAClick)
{
    const Vec2i at = At(2);
    m_h.Down(Button::Left, at);
    m_h.Move({at.x + 1, at.y + 1});
    m_h.Up(Button::Left, {at.x + 1, at.y + 1});
    EXPECT_EQ(Selected(), std::set<int>({2}));
}

TEST_F(FenceTest, TheBandShowsWhileTheButtonIsHeldAndGoesWithTheRelease)
{
    auto [a, b] = Around(0, 1);
    // A point on the band's top edge, between two cubes, where the background shows.
    const Vec2i mid = m_h.Project(Vec3(-2.0, 0.0, 0.0));
    const int edgeY = a.y;
    const Pixel before = m_h.At(mid.x, edgeY);
    m_h.Down(Button::Left, a);
    m_h.Move(b);
    EXPECT_TRUE(m_h.Viewer()->HasRubberBand());
    EXPECT_TRUE(m_h.HasCapture());
    EXPECT_TRUE(m_h.ToolActive());
    m_h.Paint();
    const Pixel during = m_h.At(mid.x, edgeY);
    EXPECT_NE(during, before) << "the band's edge is drawn over the background";
    m_h.Up(Button::Left, b);
    EXPECT_FALSE(m_h.Viewer()->HasRubberBand());
    m_h.Paint();
    EXPECT_EQ(m_h.At(mid.x, edgeY), before) << "and leaves with the release";
    EXPECT_EQ(Selected(), std::set<int>({0, 1}));
}

TEST_F(FenceTest, AToolWithoutDocumentSelectsNothingAndEndsTheGesture)
{
    SgSelectByFenceTool *bare = new SgSelectByFenceTool;
    m_h.AddViewHandler(bare);
    auto [a, b] = Around(0, 3);
    m_h.Drag(Button::Left, a, b, 2);
    EXPECT_TRUE(Selected().empty());
    EXPECT_FALSE(m_h.HasCapture());
    EXPECT_FALSE(bare->InGesture());
}

} // namespace
