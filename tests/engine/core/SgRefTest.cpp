#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <utility>

#include "tests/engine/core/TestNodes.h"
#include "engine/core/SgCacheContainer.h"
#include "engine/core/SgGroup.h"
#include "engine/core/SgModifier.h"
#include "engine/core/SgPath.h"
#include "engine/core/SgRef.h"
#include "engine/core/SgSeparator.h"
#include "engine/core/SgShape.h"
#include "engine/core/SgSwitch.h"
#include "engine/handlers/SgTool.h"
#include "engine/nodes/geometry/SgSphere.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/nodes/properties/SgTransform.h"

namespace {

// Whether `delete p` compiles for a T *p.
template <class T, class = void>
struct IsDeletable : std::false_type {};
template <class T>
struct IsDeletable<T, std::void_t<decltype(delete std::declval<T *>())>> : std::true_type {};

template <class... T>
constexpr bool kOnlyTheCountFrees = ((!IsDeletable<T>::value && !std::is_destructible_v<T>) && ...);

// Only Release and Destroy free counted objects: neither `delete` nor a local
// variable of a counted class compiles, for the roots, the kernel classes,
// nodes of the higher layers and a test's own node class.
static_assert(kOnlyTheCountFrees<SgFieldMngr, SgNode, SgGroup, SgSeparator, SgSwitch, SgShape, SgModifier,
                                 SgSphere, SgObject, SgTransform, SgTool, TestShape, TestGroup>);
// Nor through the separator's second base.
static_assert(!IsDeletable<SgCacheContainer>::value);
// The detection itself tells the cases apart: what is not counted is deleted as usual.
static_assert(IsDeletable<SgPath>::value && std::is_destructible_v<SgPath>);

// A node that tells whether it is still alive.
class LifeProbe : public TestShape {
public:
    explicit LifeProbe(bool &alive) : m_alive(alive) { m_alive = true; }

protected:
    ~LifeProbe() override { m_alive = false; }

private:
    bool &m_alive;
};

class SgRefTest : public ::testing::Test {
protected:
    void SetUp() override { InitTestClasses(); }
};

TEST_F(SgRefTest, ReleaseHandsTheReferenceOnWithoutFreeing)
{
    bool alive = false;
    SgRef<LifeProbe> held = new LifeProbe(alive);
    LifeProbe *probe = held.release();
    EXPECT_FALSE(held) << "the handle no longer points at the object";
    ASSERT_TRUE(alive);
    EXPECT_EQ(probe->GetRefCount(), 1) << "the reference went with the pointer";
    held.reset();
    EXPECT_TRUE(alive) << "an emptied handle releases nothing";
    EXPECT_EQ(SgFieldMngr::Release(probe), 0);
    EXPECT_FALSE(alive) << "the taker's release is the last one";
}

TEST_F(SgRefTest, AdoptGuardFreesOnlyWhatNobodyAdopted)
{
    struct Case {
        const char *name;
        // Runs inside the guard's scope; may throw to leave it early.
        std::function<void(SgAdopt<LifeProbe> &guard, SgGroup &parent)> inScope;
        bool alive;
        int count; // after the scope, when alive
    };
    const Case cases[] = {
        {"left unowned", [](SgAdopt<LifeProbe> &, SgGroup &) {}, false, 0},
        {"left by an exception",
         [](SgAdopt<LifeProbe> &, SgGroup &) { throw std::runtime_error("filling in failed"); }, false, 0},
        {"released once without an owner (count below 0)",
         [](SgAdopt<LifeProbe> &guard, SgGroup &) { SgFieldMngr::Release(guard.get()); }, false, 0},
        {"adopted by a group", [](SgAdopt<LifeProbe> &guard, SgGroup &parent) { parent.AddChild(guard.get()); },
         true, 1},
        {"adopted, then the scope is left by an exception",
         [](SgAdopt<LifeProbe> &guard, SgGroup &parent) {
             parent.AddChild(guard.get());
             throw std::runtime_error("a later step failed");
         },
         true, 1},
        {"handed on to a caller", [](SgAdopt<LifeProbe> &guard, SgGroup &) { guard.release(); }, true, 0},
    };
    for (const Case &c : cases) {
        bool alive = false;
        SgRef<SgGroup> parent = new SgGroup;
        auto *probe = new LifeProbe(alive);
        try {
            SgAdopt<LifeProbe> guard(probe);
            c.inScope(guard, *parent);
        } catch (const std::runtime_error &) {
        }
        ASSERT_EQ(alive, c.alive) << c.name;
        if (!alive)
            continue;
        EXPECT_EQ(probe->GetRefCount(), c.count) << c.name;
        if (c.count == 0)
            SgFieldMngr::Destroy(probe); // what a caller that was handed the object does with it
        parent.reset();
        EXPECT_FALSE(alive) << c.name << ": the owner frees it";
    }
}

} // namespace
