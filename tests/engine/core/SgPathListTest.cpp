// Path lists: owned copies, toggling as the selection does, and the paths
// that lead to a node through all its fathers.
#include <gtest/gtest.h>

#include <string>

#include "tests/engine/actions/ActionTestNodes.h"
#include "engine/core/SgPathList.h"

namespace {

std::string Names(const SgPath &path)
{
    std::string text;
    for (SgNode *node : path.GetNodes())
        text += (text.empty() ? "" : "/") + node->GetName();
    return text;
}

std::string Names(const SgPathList &list)
{
    std::string text;
    for (POSITION position = list.GetFirst(); position;)
        text += (text.empty() ? "" : " ") + Names(list.GetNext(position));
    return text;
}

class SgPathListTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        InitActionTestClasses();
        root = MakeNamed<SgGroup>("root");
        g1 = MakeNamed<SgGroup>("g1");
        g2 = MakeNamed<SgGroup>("g2");
        shared = MakeNamed<LeafNode>("shared");
        root->AddChild(g1);
        root->AddChild(g2);
        g1->AddChild(shared);
        g2->AddChild(shared);
        p1.CreateFromNode(g1);
        p2.CreateFromNode(g2);
    }

    SgRef<SgGroup> root, g1, g2;
    SgRef<LeafNode> shared;
    SgPath p1, p2;
};

TEST_F(SgPathListTest, ToggleAddsOrRemovesTheFirstEqualPath)
{
    SgPathList list;
    list.Add(p1);
    EXPECT_NE(list.Toggle(p2), nullptr);
    EXPECT_EQ(Names(list), "root/g1 root/g2");
    EXPECT_EQ(list.Toggle(p2), nullptr);
    EXPECT_EQ(Names(list), "root/g1") << "toggling twice should leave the list as it was";

    list.Add(p2);
    list.Add(p1);
    EXPECT_EQ(list.Toggle(p1), nullptr);
    EXPECT_EQ(Names(list), "root/g2 root/g1") << "Toggle should remove only the first equal path";
    EXPECT_EQ(list.IsExist(p1), 1);
    list.Remove(p1);
    EXPECT_EQ(list.IsExist(p1), 0);
    EXPECT_EQ(list.GetCount(), 1);
}

TEST_F(SgPathListTest, ListOwnsCopiesAndWalksBothWays)
{
    SgPathList list;
    const POSITION first = list.Add(p1);
    list.Add(p2);
    p1.Clear();
    EXPECT_EQ(Names(list.GetAt(first)), "root/g1") << "the list should hold its own copy";

    POSITION position = list.GetLast();
    EXPECT_EQ(Names(list.GetPrev(position)), "root/g2");
    EXPECT_EQ(Names(list.GetPrev(position)), "root/g1");
    EXPECT_EQ(position, nullptr);
    EXPECT_THROW(list.GetAt(nullptr), SgInvalidArgument);

    SgPathList copy(list);
    SgPathList assigned;
    assigned.Add(p2);
    assigned = list;
    assigned = assigned;
    EXPECT_EQ(Names(copy), "root/g1 root/g2");
    EXPECT_EQ(Names(assigned), "root/g1 root/g2");

    list.RemoveAt(first);
    EXPECT_EQ(Names(list), "root/g2");
    EXPECT_EQ(Names(copy), "root/g1 root/g2") << "a copy should not share entries";
    list.RemoveAll();
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_EQ(list.GetFirst(), nullptr);
    EXPECT_EQ(list.GetLast(), nullptr);
}

TEST_F(SgPathListTest, PathsFromNodeGivesOnePathPerBranch)
{
    SgRef<LeafNode> below = MakeNamed<LeafNode>("below");
    SgRef<LeafNode> orphan = MakeNamed<LeafNode>("orphan");
    struct Case {
        const char *what;
        SgNode *node;
        SgNode *stop;
        bool withTail;
        const char *paths;
    };
    const Case cases[] = {
        {"every branch from the root", shared, nullptr, false, "root/g1/shared root/g2/shared"},
        {"only the branch through the stop", shared, g2, false, "g2/shared"},
        {"a stop that no branch passes", shared, below, false, ""},
        {"the tail continues below", shared, g1, true, "g1/shared/below"},
        {"a node without fathers", orphan, nullptr, true, "orphan/below"},
    };
    for (const Case &c : cases) {
        SgPath tail;
        if (c.withTail)
            tail.Append(below);
        SgPathList list;
        list.PathsFromNode(c.node, tail, c.stop);
        EXPECT_EQ(Names(list), c.paths) << c.what;
    }
}

} // namespace
