// Moving the selection up, sideways and down among objects, through the
// selection handler's interface.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/engine/actions/MeasureTestNodes.h"
#include "engine/actions/SgNodeNavigation.h"
#include "engine/core/SgPathList.h"
#include "engine/actions/SgSelectionHandlerInterface.h"
#include "engine/nodes/properties/SgLight.h"

namespace {

std::string Names(const SgPath &path)
{
    std::string text;
    for (SgNode *node : path.GetNodes())
        text += (text.empty() ? "" : "/") + (node->GetName().empty() ? std::string("-") : node->GetName());
    return text;
}

// Keeps the selection as a list of path texts and logs what it is asked.
class RecordingHandler : public SgSelectionHandlerInterface {
public:
    void Select(const SgPath &path, int) override { m_selected.push_back(Names(path)); }
    void Deselect(SgPath &path, bool) override { m_deselected.push_back(Names(path)); }
    bool IsSelectable(SgPath &) override { return true; }
    PathFixup GetPathFixup() const override { return m_fixup; }
    void SetPathFixup(PathFixup fixup) override
    {
        m_fixup = std::move(fixup);
        if (!m_fixup)
            ++m_fixupOff;
    }
    void ClearCurrentManipulator() override { ++m_manipulatorClears; }
    void SetContextParent(SgObject *parent) override
    {
        m_context = parent ? parent->GetName() : "(none)";
    }

    std::vector<std::string> m_selected;
    std::vector<std::string> m_deselected;
    PathFixup m_fixup = [](SgPath &) {};
    int m_fixupOff = 0;
    int m_manipulatorClears = 0;
    std::string m_context = "(unset)";
};

// root / [group / [a, b, light, c], single]
class NavigationTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { InitMeasureTestClasses(); }
    void SetUp() override
    {
        m_root = MakeSceneRoot();
        m_group = MakeObjectWith(nullptr, Vec3(0, 0, 0), "group");
        m_group->GetInnerGroup()->SetName("inner");
        for (const char *name : {"a", "b"}) {
            m_members.push_back(MakeObjectWith(MakeCuboid(1, 1, 1).get(), Vec3(0, 0, 0), name));
            m_group->AddChild(m_members.back().get());
        }
        SgRef<SgLight> light = new SgPointLight;
        light->SetName("light");
        m_group->AddChild(light.get());
        m_members.push_back(MakeObjectWith(MakeCuboid(1, 1, 1).get(), Vec3(0, 0, 0), "c"));
        m_group->AddChild(m_members.back().get());
        m_single = MakeObjectWith(MakeCuboid(1, 1, 1).get(), Vec3(0, 0, 0), "single");
        m_root->AddChild(m_group.get());
        m_root->AddChild(m_single.get());
    }

    SgPath Member(int i) const
    {
        SgPath path(*m_root);
        path.Append(m_group.get());
        path.Append(m_group->GetInnerGroup());
        path.Append(m_members[i].get());
        return path;
    }
    SgPath Top(SgObject *object) const
    {
        SgPath path(*m_root);
        path.Append(object);
        return path;
    }

    SgRef<SgSeparator> m_root;
    SgRef<SgObject> m_group;
    SgRef<SgObject> m_single;
    std::vector<SgRef<SgObject>> m_members;
    RecordingHandler m_handler;
};

} // namespace

TEST_F(NavigationTest, SiblingIsTheImmediateNeighbourWhenItIsAnObject)
{
    SgNodeNavigation navigation(&m_handler);
    struct Case {
        int member;
        bool next;
        const char *expected;
    };
    const Case cases[] = {
        {0, true, "b"}, {1, false, "a"}, {0, false, nullptr},
        {1, true, nullptr}, // the light is no object
        {2, true, nullptr}, // the last one
    };
    for (const Case &c : cases) {
        SgPath path = Member(c.member);
        SgNode *sibling = navigation.GetSibling(path, c.next);
        const std::string got = sibling ? sibling->GetName() : "null";
        EXPECT_EQ(got, c.expected ? c.expected : "null")
            << "from " << m_members[c.member]->GetName() << (c.next ? " forward" : " backward");
    }
    SgPath top = Top(m_group.get());
    SgNode *next = navigation.GetSibling(top, true);
    EXPECT_EQ(next, m_single.get()) << "objects below the scene root are siblings too";
}

TEST_F(NavigationTest, ParentAndSonPaths)
{
    SgNodeNavigation navigation(&m_handler);
    SgPath parent;
    navigation.GetParent(Member(1), parent);
    EXPECT_EQ(Names(parent), "root/group");

    SgPath son;
    SgPath group = Top(m_group.get());
    navigation.GetSon(group, son);
    EXPECT_EQ(Names(son), "root/group/inner/a");

    SgPath none;
    SgPath single = Top(m_single.get());
    navigation.GetSon(single, none);
    EXPECT_TRUE(none.IsEmpty()) << "a plain shape object has nothing to enter";
}

TEST_F(NavigationTest, NavigatingMovesTheSelectionAndRestoresTheHandler)
{
    SgNodeNavigation navigation(&m_handler);
    SgPath group = Top(m_group.get());
    navigation.NavigateToSon(group);
    SgPath member = Member(0);
    navigation.NavigateToSibling(member, true);
    SgPath second = Member(1);
    navigation.NavigateToParent(second);

    const std::vector<std::string> selected = {"root/group/inner/a", "root/group/inner/b", "root/group"};
    const std::vector<std::string> deselected = {"root/group", "root/group/inner/a", "root/group/inner/b"};
    EXPECT_EQ(m_handler.m_selected, selected);
    EXPECT_EQ(m_handler.m_deselected, deselected);
    EXPECT_TRUE(m_handler.m_fixup) << "the path fix-up is back after every step";
    EXPECT_EQ(m_handler.m_fixupOff, 3);
    EXPECT_EQ(m_handler.m_manipulatorClears, 6);
    EXPECT_EQ(m_handler.m_context, "(none)") << "the last selection lies in the scene itself";
}

TEST_F(NavigationTest, StepsWithoutTargetLeaveTheSelectionAlone)
{
    SgNodeNavigation navigation(&m_handler);
    SgPath top = Top(m_single.get());
    navigation.NavigateToParent(top); // the parent carries the root flag
    SgPath last = Member(2);
    navigation.NavigateToSibling(last, true);
    SgPath leaf = Top(m_single.get());
    navigation.NavigateToSon(leaf);
    EXPECT_TRUE(m_handler.m_selected.empty());
    EXPECT_TRUE(m_handler.m_deselected.empty());

    SgNodeNavigation detached;
    SgPath group = Top(m_group.get());
    EXPECT_NO_THROW(detached.NavigateToSon(group)) << "without a handler nothing happens";
}

TEST_F(NavigationTest, ListNavigationMovesEveryPath)
{
    SgNodeNavigation navigation(&m_handler);
    SgPathList paths;
    paths.Add(Member(0));
    paths.Add(Member(2));
    navigation.NavigateToParent(paths);
    const std::vector<std::string> selected = {"root/group", "root/group"};
    EXPECT_EQ(m_handler.m_selected, selected);
}
