// Result caches: which state elements a cache records, when it still matches,
// and how entries and separators own and drop caches.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "tests/engine/EngineTestClasses.h"
#include "engine/core/CacheEntry.h"
#include "engine/core/SgAction.h"
#include "engine/core/SgBooleanCache.h"
#include "engine/core/SgElementClasses.h"
#include "engine/core/SgState.h"
#include "engine/core/SgCacheContainer.h"
#include "engine/core/SgGroup.h"
#include "engine/core/SgRef.h"
#include "engine/core/SgSeparator.h"
#include "engine/core/SgShape.h"
#include "tests/engine/core/TestNodes.h"

namespace {

// Enables three elements of each kind's template and one more that the
// cached subtree never reads.
class CacheTestAction : public SgAction {
    SG_ACTION_HEADER(CacheTestAction)
    CacheTestAction() { InitState(); }
};
SG_ACTION_SOURCE(CacheTestAction, "CacheTestAction")
void CacheTestAction::InitClass()
{
    if (!RegisterActionClass(s_iClassID, s_lpszClassName, &Creator, s_pfnMethodsMap))
        return;
    SetVisitor(s_pfnMethodsMap, SgNode::ClassID(), VisitDefault);
    BuildVisitorsMap_(s_iClassID);
    EnableElement<DrawStyleElement>(s_aiEnabledElements, s_iEnabledCount);
    EnableElement<DiffuseColorElement>(s_aiEnabledElements, s_iEnabledCount);
    EnableElement<TransformElement>(s_aiEnabledElements, s_iEnabledCount);
    EnableElement<LineWidthElement>(s_aiEnabledElements, s_iEnabledCount);
}

// Enables no element at all.
class BareTestAction : public SgAction {
    SG_ACTION_HEADER(BareTestAction)
};
SG_ACTION_SOURCE(BareTestAction, "BareTestAction")
void BareTestAction::InitClass()
{
    if (!RegisterActionClass(s_iClassID, s_lpszClassName, &Creator, s_pfnMethodsMap))
        return;
    SetVisitor(s_pfnMethodsMap, SgNode::ClassID(), VisitDefault);
    BuildVisitorsMap_(s_iClassID);
}

// A result shape that counts the live ones.
class CountedShape : public SgShape {
public:
    CountedShape() { ++s_live; }
    static int s_live;

protected:
    ~CountedShape() override { --s_live; }
};
int CountedShape::s_live = 0;

// The property nodes of a small scene and the values they write.
struct Scene {
    SgRef<TestShape> styleNode = new TestShape;
    SgRef<TestShape> materialNode = new TestShape;
    SgRef<TestShape> transformNode = new TestShape;
    SgRef<TestShape> widthNode = new TestShape;
    int drawStyle = 4;
    Mat4 matrix;
    float lineWidth = 1.0f;
};

// Writes the scene's properties at the state's depth.
void WriteProperties(SgState *state, Scene &scene)
{
    DrawStyleElement::Set(state, scene.styleNode.get(), scene.drawStyle);
    DiffuseColorElement::Set(state, scene.materialNode.get(), DiffuseColorElement::s_DefaultValue);
    TransformElement::Set(state, scene.transformNode.get(), scene.matrix);
    LineWidthElement::Set(state, scene.widthNode.get(), scene.lineWidth);
}

// What a procedural shape does while it builds its result one level down:
// it reads draw style, colour and matrix, never the line width.
void ReadInside(SgState *state)
{
    state->Push();
    DrawStyleElement::Get(state);
    DiffuseColorElement::Get(state);
    TransformElement::Get(state);
    state->Pop();
}

} // namespace

void RegisterCacheTestClasses()
{
    InitTestClasses();
    CacheTestAction::InitClass();
    BareTestAction::InitClass();
}

namespace {

class CacheTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { RegisterCacheTestClasses(); }
};

TEST_F(CacheTest, CacheMatchesUntilAnElementReadInsideChanges)
{
    struct Case {
        const char *name;
        std::function<void(Scene &)> change;
        bool matches;
    };
    const Case cases[] = {
        {"nothing changed", [](Scene &) {}, true},
        {"draw style value changed", [](Scene &s) { s.drawStyle = 2; }, false},
        {"same draw style set by another node", [](Scene &s) { s.styleNode = new TestShape; }, true},
        {"material node edited", [](Scene &s) { s.materialNode->m_radius = 7.0; }, false},
        {"same matrix set by another transform node",
         [](Scene &s) { s.transformNode = new TestShape; }, false},
        {"line width changed, never read", [](Scene &s) { s.lineWidth = 3.0f; }, true},
    };
    for (const Case &c : cases) {
        Scene scene;
        SgBooleanCache cache;
        {
            CacheTestAction first;
            WriteProperties(first.GetState(), scene);
            ReadInside(first.GetState());
            cache.BuildCacheContext(first.GetState());
        }
        ASSERT_TRUE(cache.IsValid()) << c.name;
        EXPECT_EQ(cache.GetRecordedCount(), 3) << c.name << ": draw style, colour and matrix were read";

        c.change(scene);
        cache.SetValid(false);
        CacheTestAction second;
        WriteProperties(second.GetState(), scene);
        EXPECT_EQ(cache.CompareContext(second.GetState()), c.matches) << c.name;
        EXPECT_EQ(cache.IsValid(), c.matches) << c.name << ": valid flag after the comparison";
    }
}

TEST_F(CacheTest, ActionWithoutElementsRecordsNothingAndAlwaysMatches)
{
    BareTestAction action;
    SgBooleanCache cache;
    cache.BuildCacheContext(action.GetState());
    EXPECT_TRUE(cache.IsValid());
    EXPECT_EQ(cache.GetRecordedCount(), 0);

    Scene scene;
    CacheTestAction other;
    scene.drawStyle = 9;
    WriteProperties(other.GetState(), scene);
    EXPECT_TRUE(cache.CompareContext(other.GetState()));

    // The other way round: a slot the state lacks does not invalidate.
    SgBooleanCache recorded;
    ReadInside(other.GetState());
    recorded.BuildCacheContext(other.GetState());
    ASSERT_EQ(recorded.GetRecordedCount(), 3);
    EXPECT_TRUE(recorded.CompareContext(action.GetState()));
}

TEST_F(CacheTest, ElementsReadAtTheCachingLevelAreLeftToTheEnclosingCache)
{
    Scene scene;
    CacheTestAction action;
    SgState *state = action.GetState();
    WriteProperties(state, scene);
    DrawStyleElement::Get(state); // read at depth 0, where the cache is built
    SgBooleanCache cache;
    cache.BuildCacheContext(state);
    EXPECT_EQ(cache.GetRecordedCount(), 0);
    // The level owns the element, so the read is consumed.
    EXPECT_FALSE(state->GetElement(DrawStyleElement::ClassOffset())->IsRead());
}

TEST_F(CacheTest, ReusedInnerCacheHandsItsDependenciesOutward)
{
    Scene scene;
    SgBooleanCache inner;
    {
        // The first traversal builds the inner result one level below the outer one.
        CacheTestAction action;
        SgState *state = action.GetState();
        WriteProperties(state, scene);
        state->Push();
        ReadInside(state);
        inner.BuildCacheContext(state);
        state->Pop();
    }
    ASSERT_EQ(inner.GetRecordedCount(), 3);

    // The second traversal reuses the inner result without reading anything;
    // only ExtendStateContext tells the outer cache what it depends on.
    for (bool extend : {false, true}) {
        CacheTestAction action;
        SgState *state = action.GetState();
        WriteProperties(state, scene);
        state->Push();
        ASSERT_TRUE(inner.CompareContext(state));
        if (extend)
            inner.ExtendStateContext(state);
        state->Pop();
        SgBooleanCache outer;
        outer.BuildCacheContext(state);
        EXPECT_EQ(outer.GetRecordedCount(), extend ? 3 : 0) << (extend ? "with" : "without")
                                                             << " ExtendStateContext";
    }
}

TEST_F(CacheTest, BooleanCacheReleasesItsShape)
{
    CountedShape::s_live = 0;
    {
        SgBooleanCache cache;
        cache.SetShape(new CountedShape);
        cache.SetShape(new CountedShape); // the first one is let go, not leaked
        EXPECT_EQ(CountedShape::s_live, 1);

        SgRef<CountedShape> shared = new CountedShape;
        cache.SetShape(shared.get());
        cache.DestroyCache();
        EXPECT_EQ(cache.GetShape(), nullptr);
        EXPECT_EQ(CountedShape::s_live, 1) << "a shape someone else holds was deleted";
        cache.SetShape(new CountedShape);
    }
    EXPECT_EQ(CountedShape::s_live, 0);
}

TEST_F(CacheTest, ClearDeletesCachesUnlessKept)
{
    for (bool keep : {false, true}) {
        CountedShape::s_live = 0;
        CacheEntry entry;
        entry.SetMaxCaches(1);
        auto *cache = new SgBooleanCache;
        cache->SetKeep(keep);
        cache->SetShape(new CountedShape);
        entry.GetCache() = cache;

        entry.Clear();
        EXPECT_EQ(CountedShape::s_live, 0) << "keep " << keep << ": the result survived Clear";
        EXPECT_EQ(entry.GetCache(), keep ? cache : nullptr) << "keep " << keep;
    }
}

TEST_F(CacheTest, ContainerHasAnEntryPerSlotHandedOutBeforeIt)
{
    const int slot = SgCacheContainer::NewCacheSlot();
    SgRef<SgSeparator> separator = new SgSeparator;
    SgCacheContainer &container = *separator;
    EXPECT_EQ(container.GetEntryCount(), slot + 1);
    EXPECT_EQ(container.GetCache(slot), nullptr);

    const int later = SgCacheContainer::NewCacheSlot();
    EXPECT_THROW(container.GetCache(later), SgInvalidArgument);
    EXPECT_THROW(container.GetCache(-1), SgInvalidArgument);
    container.SetMaxCaches(slot, 0);
    EXPECT_THROW(container.GetCache(slot), SgInvalidArgument) << "an entry without a cache slot";
}

// Changes reach a separator's caches in two ways: a change inside drops the
// results, a state-affecting change of an earlier sibling only invalidates.
TEST_F(CacheTest, SeparatorCachesFollowChangesAroundThem)
{
    static const int slot = SgCacheContainer::NewCacheSlot();
    struct Case {
        const char *name;
        bool changeInside;
        bool keep;
        bool cacheStays;
        bool resultStays;
    };
    const Case cases[] = {
        {"change inside", true, false, false, false},
        {"change inside, kept cache", true, true, true, false},
        {"change of an earlier sibling", false, false, true, true},
    };
    for (const Case &c : cases) {
        CountedShape::s_live = 0;
        SgRef<SgGroup> root = new SgGroup;
        TestShape *before = new TestShape;
        SgSeparator *separator = new SgSeparator;
        TestShape *inside = new TestShape;
        root->AddChild(before);
        root->AddChild(separator);
        separator->AddChild(inside);

        auto *cache = new SgBooleanCache;
        cache->SetKeep(c.keep);
        cache->SetShape(new CountedShape);
        cache->SetValid(true);
        separator->GetCache(slot) = cache;

        (c.changeInside ? inside : before)->m_radius = 5.0;
        SgCache *now = separator->GetCache(slot);
        EXPECT_EQ(now != nullptr, c.cacheStays) << c.name;
        if (now) {
            EXPECT_FALSE(now->IsValid()) << c.name << ": cache still valid";
        }
        EXPECT_EQ(CountedShape::s_live, c.resultStays ? 1 : 0) << c.name << ": result shapes alive";
    }
    EXPECT_EQ(CountedShape::s_live, 0) << "results outlived their separators";
}

} // namespace
