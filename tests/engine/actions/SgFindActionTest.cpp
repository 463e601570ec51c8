// Finding nodes by class and by name: which nodes match, in what order, by
// which paths, and where the search stops.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/actions/SgFindAction.h"
#include "engine/core/SgGroup.h"
#include "engine/core/SgPathList.h"
#include "engine/core/SgRef.h"
#include "engine/core/SgSeparator.h"
#include "engine/nodes/geometry/SgCube.h"
#include "engine/nodes/geometry/SgOffset.h"
#include "engine/nodes/geometry/SgPolyLine.h"
#include "engine/nodes/properties/SgLight.h"
#include "engine/nodes/properties/SgMaterial.h"
#include "engine/nodes/properties/SgTransform.h"

namespace {

template <class T>
T *AddNamed(SgGroup *group, const char *name)
{
    auto *node = new T;
    node->SetName(name);
    group->AddChild(node);
    return node;
}

std::string Names(const std::vector<SgNode *> &nodes)
{
    std::string text;
    for (SgNode *node : nodes)
        text += (text.empty() ? "" : " ") + node->GetName();
    return text;
}

std::string Names(const SgPath &path)
{
    std::string text;
    for (int i = 0; i < path.GetCount(); ++i)
        text += (text.empty() ? "" : "/") + path[i]->GetName();
    return text;
}

// root { move, outer { red, box, inner { Cube, blue, lamp } }, offset [ curve ] }
// where box is a cube and Cube a transform named so.
class SgFindActionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_root = new SgSeparator;
        m_root->SetName("root");
        AddNamed<SgTransform>(m_root, "move");
        auto *outer = AddNamed<SgSeparator>(m_root, "outer");
        AddNamed<SgMaterial>(outer, "red");
        AddNamed<SgCube>(outer, "box");
        auto *inner = AddNamed<SgSeparator>(outer, "inner");
        AddNamed<SgTransform>(inner, "Cube");
        AddNamed<SgMaterial>(inner, "blue");
        AddNamed<SgDirLight>(inner, "lamp");
        auto *offset = AddNamed<SgOffset>(m_root, "offset");
        auto *curve = new SgPolyLine;
        curve->SetName("curve");
        offset->SetPolyline(curve, 0, false);
    }

    SgRef<SgSeparator> m_root;
};

TEST_F(SgFindActionTest, LookupReturnsTheFirstMatchOrNull)
{
    struct Case {
        const char *what;
        SgNode *(*lookup)(SgNode *root);
        const char *found; // null: no match
    };
    const Case cases[] = {
        {"name of a node", [](SgNode *r) { return FindNodeByName::Lookup("blue", r); }, "blue"},
        {"class name without its prefix", [](SgNode *r) { return FindNodeByName::Lookup("Material", r); }, "red"},
        {"whichever rule matches first", [](SgNode *r) { return FindNodeByName::Lookup("Cube", r); }, "box"},
        {"a node named like a class",
         [](SgNode *r) { return FindNodeByName::Lookup("Cube", r->GetChild(1)->GetChild(2)); }, "Cube"},
        {"names are case-sensitive", [](SgNode *r) { return FindNodeByName::Lookup("material", r); }, nullptr},
        {"unknown name", [](SgNode *r) { return FindNodeByName::Lookup("nothing", r); }, nullptr},
        {"exact class", [](SgNode *r) { return FindNodeByClassID::Lookup(SgDirLight::ClassID(), r); }, "lamp"},
        {"derived classes do not match",
         [](SgNode *r) { return FindNodeByClassID::Lookup(SgLight::ClassID(), r); }, nullptr},
        {"inside a procedural shape",
         [](SgNode *r) { return FindNodeByClassID::Lookup(SgPolyLine::ClassID(), r); }, "curve"},
        {"the root itself", [](SgNode *r) { return FindNodeByName::Lookup("root", r); }, "root"},
    };
    for (const Case &c : cases) {
        SgNode *found = c.lookup(m_root);
        if (!c.found)
            EXPECT_EQ(found, nullptr) << c.what << ": found " << (found ? found->GetName() : "");
        else
            EXPECT_TRUE(found && found->GetName() == c.found)
                << c.what << ": expected " << c.found << ", found " << (found ? found->GetName() : "nothing");
    }
}

TEST_F(SgFindActionTest, AllMatchesComeDepthFirstWithTheirPaths)
{
    FindNodeByClassID separators(SgSeparator::ClassID());
    SgFindAction find(&separators);
    find.m_bFirstOnly = false;
    ASSERT_TRUE(find.Apply(m_root)) << find.GetError();
    EXPECT_EQ(Names(find.m_Found), "root outer inner") << "parents come before their children";
    ASSERT_EQ(find.m_FoundPaths.size(), 3u);
    EXPECT_EQ(Names(find.m_FoundPaths[2]), "root/outer/inner");

    FindNodeByName materials("Material");
    SgFindAction all(&materials);
    all.m_bFirstOnly = false;
    ASSERT_TRUE(all.Apply(m_root)) << all.GetError();
    EXPECT_EQ(Names(all.m_Found), "red blue");
    ASSERT_EQ(all.m_FoundPaths.size(), 2u);
    EXPECT_EQ(Names(all.m_FoundPaths[1]), "root/outer/inner/blue");
}

TEST_F(SgFindActionTest, FirstOnlyStopsAtTheFirstMatchOnEveryApply)
{
    FindNodeByName materials("Material");
    SgFindAction find(&materials);
    ASSERT_TRUE(find.Apply(m_root));
    EXPECT_EQ(Names(find.m_Found), "red");
    // The stop of the first search must not end the second before it starts.
    find.m_Found.clear();
    find.m_FoundPaths.clear();
    ASSERT_TRUE(find.Apply(m_root));
    EXPECT_EQ(Names(find.m_Found), "red") << "a reused action found nothing";
}

TEST_F(SgFindActionTest, WithoutMatchOrPredicateNothingIsFound)
{
    FindNodeByName nothing("nothing");
    SgFindAction find(&nothing);
    find.m_bFirstOnly = false;
    ASSERT_TRUE(find.Apply(m_root));
    EXPECT_TRUE(find.m_Found.empty());
    SgFindAction blind;
    ASSERT_TRUE(blind.Apply(m_root));
    EXPECT_TRUE(blind.m_Found.empty());
}

} // namespace

TEST_F(SgFindActionTest, PathToAProfileIsThePathItsFathersGive)
{
    FindNodeByName byName("curve");
    SgFindAction find(&byName);
    ASSERT_TRUE(find.Apply(m_root)) << find.GetError();
    ASSERT_EQ(find.m_FoundPaths.size(), 1u);
    SgPathList fromFathers;
    SgPath tail;
    fromFathers.PathsFromNode(find.m_Found[0], tail, nullptr);
    ASSERT_EQ(fromFathers.GetCount(), 1);
    const SgPath built = fromFathers.GetAt(fromFathers.GetFirst());
    EXPECT_TRUE(find.m_FoundPaths[0] == built)
        << "found " << Names(find.m_FoundPaths[0]) << ", built " << Names(built);
    EXPECT_EQ(find.m_FoundPaths[0].GetCount(), 4) << "root, offset, its separator, curve";
}

namespace {

// Forty levels that each hold the level below twice, a cube at the bottom and
// a light beside the top: a search for the first match looks below each
// shared level once, so it ends whether or not there is a match.
TEST(SgFindActionSharing, ASearchForTheFirstMatchLooksBelowASharedNodeOnce)
{
    SgRef<SgNode> below = new SgCube;
    for (int i = 0; i < 40; ++i) {
        SgRef<SgSeparator> level = new SgSeparator;
        level->AddChild(below.get());
        level->AddChild(below.get());
        below = level.get();
    }
    SgRef<SgSeparator> root = new SgSeparator;
    root->AddChild(below.get());
    AddNamed<SgPointLight>(root.get(), "lamp");

    struct Case {
        const char *what;
        int classId;
        const char *found;
    };
    const Case cases[] = {
        {"the cube at the bottom", SgCube::ClassID(), ""},
        {"the light after the shared levels", SgPointLight::ClassID(), "lamp"},
        {"a class the scene does not hold", SgMaterial::ClassID(), nullptr},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        FindNodeByClassID match(c.classId);
        SgFindAction find(&match);
        EXPECT_TRUE(find.Apply(root)) << find.GetError();
        ASSERT_EQ(find.m_Found.size(), c.found ? 1u : 0u);
        if (c.found)
            EXPECT_EQ(find.m_Found[0]->GetName(), c.found);
        EXPECT_LE(find.GetVisitCount(), 100u);
    }
}

} // namespace
