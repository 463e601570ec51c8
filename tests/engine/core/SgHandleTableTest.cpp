#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "engine/core/SgHandleTable.h"
#include "engine/core/SgRef.h"
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

} // namespace
