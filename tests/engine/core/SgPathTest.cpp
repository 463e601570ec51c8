// Paths: checked access, editing, and the cuts and extensions that
// understand objects, shapes and roots.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "tests/engine/core/TestNodes.h"
#include "tests/engine/actions/ActionTestNodes.h"
#include "engine/core/SgPath.h"
#include "engine/core/SgPathList.h"

namespace {

std::string Names(const SgPath &path)
{
    std::string text;
    for (SgNode *node : path.GetNodes())
        text += (text.empty() ? "" : " ") + (node ? node->GetName() : std::string("null"));
    return text;
}

class SgPathTest : public ::testing::Test {
protected:
    void SetUp() override { InitActionTestClasses(); }
};

TEST_F(SgPathTest, AccessOutsideThePathThrows)
{
    SgRef<LeafNode> node = MakeNamed<LeafNode>("n");
    SgPath empty;
    SgPath one(*node);
    EXPECT_EQ(SgPath::FromPosition(empty.GetFirst()), 0) << "GetFirst of an empty path is position 0";
    EXPECT_EQ(SgPath::FromPosition(empty.GetLast()), -1);

    struct Case {
        const char *what;
        std::function<void()> call;
    };
    const Case cases[] = {
        {"GetAt(GetFirst()) on empty", [&] { empty.GetAt(empty.GetFirst()); }},
        {"GetFirstElement on empty", [&] { empty.GetFirstElement(); }},
        {"GetLastElement on empty", [&] { empty.GetLastElement(); }},
        {"GetLastParent on empty", [&] { empty.GetLastParent(0); }},
        {"DeleteLast on empty", [&] { empty.DeleteLast(); }},
        {"operator[] past the end", [&] { one[1]; }},
        {"operator[] negative", [&] { one[-1]; }},
        {"Delete past the end", [&] { one.Delete(1); }},
        {"Insert negative", [&] { one.Insert(-1, node); }},
        {"Append to itself", [&] { one.Append(one); }},
    };
    for (const Case &c : cases)
        EXPECT_THROW(c.call(), SgInvalidArgument) << c.what;
    EXPECT_EQ(Names(one), "n") << "a refused call changed the path";
}

TEST_F(SgPathTest, PositionsWalkByIndexAndMoveBeforeThrowing)
{
    SgRef<LeafNode> a = MakeNamed<LeafNode>("a"), b = MakeNamed<LeafNode>("b");
    SgPath path;
    path.Append(a);
    path.Append(b);
    POSITION position = path.GetFirst();
    EXPECT_EQ(path.GetNext(position), a.get());
    EXPECT_EQ(path.GetNext(position), b.get());
    EXPECT_THROW(path.GetNext(position), SgInvalidArgument);
    EXPECT_EQ(SgPath::FromPosition(position), 3) << "the position moves before the check";
    position = path.GetLast();
    EXPECT_EQ(path.GetPrev(position), b.get());
    EXPECT_EQ(path.GetPrev(position), a.get());
    EXPECT_EQ(SgPath::FromPosition(position), -1);
    EXPECT_EQ(path.Find(b), SgPath::ToPosition(1));
    EXPECT_EQ(path.GetPosition(nullptr), -1);
    EXPECT_EQ(path.GetLastParent(1), a.get());
    EXPECT_EQ(path.GetLastParent(5), a.get()) << "GetLastParent clamps at the first node";
}

TEST_F(SgPathTest, EditingKeepsOrderAndPadsGaps)
{
    SgRef<LeafNode> a = MakeNamed<LeafNode>("a"), b = MakeNamed<LeafNode>("b"), c = MakeNamed<LeafNode>("c");
    SgPath path;
    path.Append(a);
    path.Insert(3, c);
    EXPECT_EQ(Names(path), "a null null c");
    path.Delete(1);
    path.InsertFirst(b);
    EXPECT_EQ(Names(path), "b a null c");
    path.ReplaceLast(b);
    EXPECT_EQ(Names(path), "b a null b");
    SgPath copy;
    copy = path;
    EXPECT_TRUE(copy == path);
    copy.DeleteLast();
    EXPECT_FALSE(copy == path);
    path.Append(copy);
    EXPECT_EQ(Names(path), "b a null b b a null");
    path.Clear();
    EXPECT_TRUE(path.IsEmpty());
    EXPECT_TRUE(path == SgPath());
}

// [root, sep, object, group, shape] and the object cuts.
class ObjectPathTest : public SgPathTest {
protected:
    void SetUp() override
    {
        SgPathTest::SetUp();
        root = MakeNamed<SgGroup>("root");
        sep = MakeNamed<SgSeparator>("sep");
        object = MakeNamed<TestObject>("object");
        group = MakeNamed<SgGroup>("group");
        shape = MakeNamed<ShapeLeaf>("shape");
        root->AddChild(sep);
        sep->AddChild(object);
        object->AddChild(group);
        group->AddChild(shape);
        path.CreateFromNode(shape);
    }

    SgRef<SgGroup> root, group;
    SgRef<SgSeparator> sep;
    SgRef<TestObject> object;
    SgRef<ShapeLeaf> shape;
    SgPath path;
};

struct CutCase {
    int offset;
    bool fromEnd;
    bool stopAtLinked;
    const char *remaining;
};

TEST_F(ObjectPathTest, CutToObjectEndsAtTheObjectPlusOffset)
{
    const CutCase cases[] = {
        {1, false, false, "root sep object group"},
        {0, true, false, "root sep object"},
        {-1, true, false, "root sep"},
        {0, false, false, "root sep object"},
        {5, true, false, "root sep object group shape"},
    };
    for (const CutCase &c : cases) {
        SgPath cut = path;
        cut.CutToObject(c.offset, c.fromEnd, c.stopAtLinked);
        EXPECT_EQ(Names(cut), c.remaining) << "offset " << c.offset << " fromEnd " << c.fromEnd;
    }
    EXPECT_EQ(Names(path), "root sep object group shape") << "CreateFromNode runs from the root";
}

TEST_F(ObjectPathTest, CutToObjectStopsAtALinkedObject)
{
    // [root, object, linked, leaf]: cutting back to the first object stops at
    // the linked object below it.
    SgRef<TestObject> linked = MakeNamed<TestObject>("linked");
    linked->m_link = 1;
    SgRef<LeafNode> leaf = MakeNamed<LeafNode>("leaf");
    SgPath p;
    p.Append(root);
    p.Append(object);
    p.Append(linked);
    p.Append(leaf);
    const CutCase cases[] = {
        {0, false, true, "root object linked"},
        {0, false, false, "root object"},
        {-1, true, true, "root object linked"},
        {-1, true, false, "root object"},
    };
    for (const CutCase &c : cases) {
        SgPath cut = p;
        cut.CutToObject(c.offset, c.fromEnd, c.stopAtLinked);
        EXPECT_EQ(Names(cut), c.remaining)
            << "offset " << c.offset << " fromEnd " << c.fromEnd << " stopAtLinked " << c.stopAtLinked;
    }
}

TEST_F(ObjectPathTest, CutToObjectWithoutObjectFromTheEndEmptiesThePath)
{
    SgPath noObject;
    noObject.Append(root);
    noObject.Append(sep);
    noObject.CutToObject(0, true, false);
    EXPECT_TRUE(noObject.IsEmpty());
}

TEST_F(ObjectPathTest, ObjectQueries)
{
    EXPECT_EQ(path.GetObject(false), object.get());
    EXPECT_EQ(path.GetObject(true), object.get());
    EXPECT_EQ(path.GetObjectPos(), 2);
    EXPECT_EQ(path.TopGroupPos(), 2);
    EXPECT_FALSE(path.IsGroup());
    object->SetObjectsGroup(true);
    EXPECT_TRUE(path.IsGroup());

    EXPECT_TRUE(path.IsSnapable());
    object->m_selectMode = 0;
    EXPECT_FALSE(path.IsSnapable()) << "an object with selectMode 0 is not snappable";
    object->m_selectMode = 2;
    shape->SetSelectable(false);
    EXPECT_FALSE(path.IsSnapable()) << "an unselectable node is not snappable";
    EXPECT_TRUE(SgPath().IsSnapable());

    SgPath left = path;
    left.LeaveToObject();
    EXPECT_EQ(Names(left), "object group shape");
}

TEST_F(ObjectPathTest, ExtendToShape)
{
    EXPECT_TRUE(path.ExtendToShape()) << "a path ending at a shape";
    EXPECT_EQ(Names(path), "root sep object group shape");

    // An object without inner group: only its first child is examined.
    SgRef<TestObject> plain = MakeNamed<TestObject>("plain");
    plain->AddChild(MakeNamed<PropNode>("transform"));
    plain->AddChild(MakeNamed<ShapeLeaf>("second"));
    SgPath toPlain(*plain);
    EXPECT_FALSE(toPlain.ExtendToShape());
    EXPECT_EQ(Names(toPlain), "plain");

    // An object whose inner group holds a property and a shape: the inner
    // group and the last shape in it are appended.
    SgRef<TestObject> holder = MakeNamed<TestObject>("holder");
    SgRef<SgSeparator> inner = MakeNamed<SgSeparator>("inner");
    inner->SetHolder(true);
    inner->AddChild(MakeNamed<ShapeLeaf>("s1"));
    inner->AddChild(MakeNamed<ShapeLeaf>("s2"));
    inner->AddChild(MakeNamed<PropNode>("p"));
    holder->AddChild(MakeNamed<PropNode>("transform"));
    holder->AddChild(inner);
    SgRef<LeafNode> below = MakeNamed<LeafNode>("below");
    SgPath toHolder;
    toHolder.Append(root);
    toHolder.Append(holder);
    toHolder.Append(below);
    EXPECT_TRUE(toHolder.ExtendToShape());
    EXPECT_EQ(Names(toHolder), "root holder inner s2");

    // A path without any object empties and its last node cannot be read.
    SgPath noObject(*root);
    EXPECT_THROW(noObject.ExtendToShape(), SgInvalidArgument);
}

TEST_F(ObjectPathTest, CutsByKindAndRange)
{
    SgPath rooted = path;
    rooted.CutToRoot(0);
    EXPECT_EQ(Names(rooted), Names(path)) << "without a root flag nothing is cut";
    sep->SetRoot(true);
    rooted.CutToRoot(0);
    EXPECT_EQ(Names(rooted), "sep object group shape");

    SgPath first = path;
    first.CutToFirstNode();
    EXPECT_EQ(Names(first), "root sep object group shape") << "groups up to the first non-group";
    SgPath groups;
    groups.Append(root);
    groups.Append(sep);
    groups.Append(shape);
    groups.Append(root);
    groups.CutToFirstNode();
    EXPECT_EQ(Names(groups), "root sep shape");

    EXPECT_EQ(Names(path.GetFromTo(group, sep)), "sep object group");
    EXPECT_EQ(Names(path.GetFromTo(group, nullptr)), "root sep object group");
    EXPECT_EQ(Names(path.GetFromTo(sep, group)), "") << "`to` above `from` gives an empty path";
}

TEST_F(ObjectPathTest, CreateFromNodeFollowsTheFirstFather)
{
    SgRef<SgGroup> second = MakeNamed<SgGroup>("second");
    second->AddChild(shape);
    SgPath fromShape;
    fromShape.CreateFromNode(shape);
    EXPECT_EQ(Names(fromShape), "root sep object group shape");
}

TEST_F(ObjectPathTest, PathsRunOnlyThroughFathersThatHoldTheNode)
{
    // `leaf` is first referenced through a node-pointer field, then added to
    // the group: the field's holder is a father but no place in the graph.
    SgRef<TestShape> holder = MakeNamed<TestShape>("holder");
    SgRef<LeafNode> leaf = MakeNamed<LeafNode>("leaf");
    holder->m_profile = NodePtr(leaf.get());
    group->AddChild(leaf);
    ASSERT_EQ(leaf->GetFirstFather(), holder.get());

    SgPath built;
    built.CreateFromNode(leaf);
    EXPECT_EQ(Names(built), "root sep object group leaf");
    SgPathList all;
    SgPath tail;
    all.PathsFromNode(leaf, tail, nullptr);
    ASSERT_EQ(all.GetCount(), 1);
    EXPECT_EQ(Names(all.GetAt(all.GetFirst())), "root sep object group leaf");
}

TEST_F(ObjectPathTest, FindDocInPathGivesTheFirstNodesDocument)
{
    EXPECT_EQ(path.FindDocInPath(), nullptr);
    RecordingDocument document;
    group->SetDocument(&document);
    EXPECT_EQ(path.FindDocInPath(), &document);
    EXPECT_EQ(SgPath::hasDoc(nullptr), nullptr);
    group->ReleaseDocument();
}

} // namespace
