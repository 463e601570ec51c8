#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <set>
#include <vector>

#include "engine/core/SgHandleTable.h"
#include "engine/core/SgRef.h"
#include "engine/viewer/SgViewer.h"
#include "tests/engine/core/TestNodes.h"

namespace {

// A node that tells whether it is still alive.
class HandleProbe : public TestShape {
public:
    explicit HandleProbe(bool &alive) : m_alive(alive) { m_alive = true; }

protected:
    ~HandleProbe() override { m_alive = false; }

private:
    bool &m_alive;
};

class SgHandleTableTest : public ::testing::Test {
protected:
    void SetUp() override { InitTestClasses(); }
};

TEST_F(SgHandleTableTest, AHeldHandleKeepsItsNodeAliveUntilDropped)
{
    bool alive = false;
    SgNode *node = new HandleProbe(alive);
    const SgHandleTable::Handle h = SgHandleTable::Hold(node);
    ASSERT_NE(h, SgHandleTable::kNoHandle);
    EXPECT_EQ(SgHandleTable::Lookup(h), node);
    EXPECT_EQ(node->GetRefCount(), 1);
    EXPECT_EQ(SgHandleTable::GetHolds(h), 1);
    // A second hold is the same handle and one more reference.
    EXPECT_EQ(SgHandleTable::Hold(node), h);
    EXPECT_EQ(node->GetRefCount(), 2);
    EXPECT_TRUE(SgHandleTable::Drop(h));
    EXPECT_TRUE(alive);
    EXPECT_TRUE(SgHandleTable::Drop(h));
    EXPECT_FALSE(alive);
    // Gone: the handle is stale, and dropping it again releases nothing.
    EXPECT_EQ(SgHandleTable::Lookup(h), nullptr);
    EXPECT_FALSE(SgHandleTable::Drop(h));
}

TEST_F(SgHandleTableTest, StaleAndForgedHandlesAnswerNull)
{
    bool aliveA = false, aliveB = false;
    SgRef<SgNode> a(new HandleProbe(aliveA));
    const SgHandleTable::Handle ha = SgHandleTable::Find(a) ? SgHandleTable::Find(a) : SgHandleTable::Hold(a);
    SgHandleTable::Drop(ha);  // a stays alive through its SgRef
    ASSERT_EQ(SgHandleTable::Lookup(ha), a.get());
    a.reset();
    ASSERT_FALSE(aliveA);
    // Fill freed slots until one is reused: its old handle still answers null.
    std::vector<SgRef<SgNode>> others;
    SgHandleTable::Handle reused = SgHandleTable::kNoHandle;
    for (int i = 0; i < 4096 && reused == SgHandleTable::kNoHandle; ++i) {
        others.emplace_back(new TestShape);
        SgHandleTable::GetName(others.back());
        const SgHandleTable::Handle h = SgHandleTable::Find(others.back());
        if (SgHandleTable::IndexOf(h) == SgHandleTable::IndexOf(ha))
            reused = h;
    }
    ASSERT_NE(reused, SgHandleTable::kNoHandle) << "the freed slot was never given out again";
    EXPECT_NE(reused, ha);
    EXPECT_EQ(SgHandleTable::Lookup(ha), nullptr);
    EXPECT_NE(SgHandleTable::Lookup(reused), nullptr);

    SgRef<SgNode> b(new HandleProbe(aliveB));
    const SgHandleTable::Handle hb = SgHandleTable::Hold(b);
    struct Case {
        const char *what;
        SgHandleTable::Handle handle;
    };
    const Case forged[] = {
        {"zero", 0},
        {"index alone, no generation", SgHandleTable::IndexOf(hb)},
        {"generation one off", hb + (SgHandleTable::Handle(1) << 32)},
        {"bits above the generation", hb | (SgHandleTable::Handle(1) << 60)},
        {"index past the table", (SgHandleTable::Handle(1) << 32) | 0xFFFFFFF0u},
        {"all ones", ~SgHandleTable::Handle(0)},
    };
    for (const Case &c : forged) {
        EXPECT_EQ(SgHandleTable::Lookup(c.handle), nullptr) << c.what;
        EXPECT_FALSE(SgHandleTable::Drop(c.handle)) << c.what;
    }
    EXPECT_EQ(b->GetRefCount(), 2);
    EXPECT_TRUE(SgHandleTable::Drop(hb));
}

TEST_F(SgHandleTableTest, NamesHoldNoReferenceAndGoWithTheirNode)
{
    bool alive = false;
    SgRef<SgNode> node(new HandleProbe(alive));
    const std::uint32_t name = SgHandleTable::GetName(node);
    ASSERT_NE(name, SgHandleTable::kNoName);
    EXPECT_LT(name, 0xFFFFFFFFu);
    EXPECT_EQ(node->GetRefCount(), 1);
    EXPECT_EQ(SgHandleTable::GetName(node), name) << "a name stays its node's";
    EXPECT_EQ(SgHandleTable::LookupName(name), node.get());
    // Name and checked handle come from one slot.
    EXPECT_EQ(SgHandleTable::IndexOf(SgHandleTable::Find(node)), name);
    const int before = SgHandleTable::GetCount();
    node.reset();
    EXPECT_FALSE(alive);
    EXPECT_EQ(SgHandleTable::LookupName(name), nullptr);
    EXPECT_EQ(SgHandleTable::GetCount(), before - 1);
    EXPECT_EQ(SgHandleTable::LookupName(SgHandleTable::kNoName), nullptr);
    EXPECT_EQ(SgHandleTable::LookupName(0xFFFFFFFFu), nullptr);
}

TEST_F(SgHandleTableTest, HandlesFitADoubleExactly)
{
    bool alive = false;
    SgRef<SgNode> node(new HandleProbe(alive));
    const SgHandleTable::Handle h = SgHandleTable::Hold(node);
    EXPECT_LT(h, SgHandleTable::Handle(1) << 53);
    EXPECT_EQ(static_cast<SgHandleTable::Handle>(static_cast<double>(h)), h);
    SgHandleTable::Drop(h);
}

// Viewers are handed out as 32-bit integers: the handle must be positive,
// clear of small ids, checked against the viewer's slot, and stale once the
// viewer is gone, however its slot is reused.
TEST_F(SgHandleTableTest, ViewerHandlesAreCheckedThirtyOneBitNumbers)
{
    auto first = std::make_unique<SgViewer>();
    const SgHandleTable::ViewerHandle h = SgHandleTable::HoldViewer(first.get());
    ASSERT_NE(h, SgHandleTable::kNoViewer);
    EXPECT_GT(h, 1024) << "never one of the small numbers scripts pass as ids";
    EXPECT_EQ(SgHandleTable::LookupViewer(h), first.get());
    EXPECT_EQ(SgHandleTable::HoldViewer(first.get()), h) << "one slot per viewer";
    EXPECT_EQ(SgHandleTable::GetViewerHolds(h), 2);
    EXPECT_TRUE(SgHandleTable::DropViewer(h));
    EXPECT_TRUE(SgHandleTable::DropViewer(h));
    EXPECT_FALSE(SgHandleTable::DropViewer(h)) << "no hold left to drop";
    EXPECT_EQ(SgHandleTable::LookupViewer(h), first.get()) << "the viewer lives on with its window";

    // Forged numbers: zero, negative, the bare index, another generation,
    // beyond 32 bits, and a node handle.
    const std::int64_t forged[] = {0, -h, h & 1023, h + 1024, h ^ (1 << 20), std::int64_t(h) << 32,
                                   std::int64_t(h) + (std::int64_t(1) << 31)};
    for (std::int64_t number : forged)
        EXPECT_EQ(SgHandleTable::LookupViewer(number), nullptr) << number;
    bool alive = false;
    SgRef<SgNode> node(new HandleProbe(alive));
    const SgHandleTable::Handle nodeHandle = SgHandleTable::Hold(node);
    EXPECT_EQ(SgHandleTable::LookupViewer(static_cast<std::int64_t>(nodeHandle)), nullptr);
    EXPECT_EQ(SgHandleTable::Lookup(static_cast<SgHandleTable::Handle>(h)), nullptr) << "kinds do not mix";
    SgHandleTable::Drop(nodeHandle);

    // The viewer goes: its handle is refused, also after its slot went to
    // a new viewer (which may even sit at the same address).
    const int before = SgHandleTable::GetViewerCount();
    SgHandleTable::HoldViewer(first.get());
    first.reset();
    EXPECT_EQ(SgHandleTable::GetViewerCount(), before - 1);
    EXPECT_EQ(SgHandleTable::LookupViewer(h), nullptr);
    EXPECT_FALSE(SgHandleTable::DropViewer(h));
    auto second = std::make_unique<SgViewer>();
    const SgHandleTable::ViewerHandle h2 = SgHandleTable::HoldViewer(second.get());
    ASSERT_NE(h2, SgHandleTable::kNoViewer);
    EXPECT_NE(h2, h);
    EXPECT_EQ(SgHandleTable::LookupViewer(h), nullptr);
    EXPECT_EQ(SgHandleTable::LookupViewer(h2), second.get());
    EXPECT_EQ(static_cast<double>(h2), static_cast<double>(static_cast<std::int64_t>(h2)));
}

TEST_F(SgHandleTableTest, ViewerSlotsRunOutWithoutAHandleThatLies)
{
    std::vector<std::unique_ptr<SgViewer>> viewers;
    std::set<SgHandleTable::ViewerHandle> handles;
    // Some slots may be taken by viewers of other tests still alive.
    while (static_cast<int>(viewers.size()) <= SgHandleTable::kMaxViewers) {
        viewers.push_back(std::make_unique<SgViewer>());
        const SgHandleTable::ViewerHandle h = SgHandleTable::HoldViewer(viewers.back().get());
        if (h == SgHandleTable::kNoViewer)
            break;
        EXPECT_TRUE(handles.insert(h).second);
        EXPECT_GT(h, 0);
    }
    EXPECT_EQ(SgHandleTable::HoldViewer(viewers.back().get()), SgHandleTable::kNoViewer) << "full";
    EXPECT_LE(SgHandleTable::GetViewerCount(), SgHandleTable::kMaxViewers);
    viewers.front().reset();
    EXPECT_NE(SgHandleTable::HoldViewer(viewers.back().get()), SgHandleTable::kNoViewer) << "a freed slot serves";
}

} // namespace
