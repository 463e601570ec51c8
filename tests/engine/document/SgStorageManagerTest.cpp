#include <gtest/gtest.h>

#include "engine/document/SgStorageManager.h"

namespace {

NodeID Id(int32_t first, int32_t second)
{
    NodeID id;
    id.first = first;
    id.second = second;
    return id;
}

TEST(SgStorageManagerTest, IdsFallIntoTheBucketOfTheProductOfTheirWords)
{
    struct Case {
        NodeID id;
        unsigned bucket;
    };
    const Case cases[] = {
        {Id(3, 5), 15},
        {Id(5, 3), 15},
        {Id(0, 12345), 0},
        {Id(777, 0), 0},
        // The product wraps at 32 bits: 0x10000 * 0x10000 is 0.
        {Id(0x10000, 0x10000), 0},
        {Id(-1, 1), 0xFFFFFFFFu % 17},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(SgStorageManager::BucketOf(c.id), c.bucket) << "id (" << c.id.first << ", " << c.id.second << ")";
    }
}

TEST(SgStorageManagerTest, IdsSharingABucketStayDistinctNewestFirst)
{
    SgStorageManager table;
    NodeInfo a{Id(3, 5)};
    NodeInfo b{Id(5, 3)};
    table.SetAt(a.id, &a);
    table.SetAt(b.id, &b);
    EXPECT_EQ(table.GetCount(), 2);
    EXPECT_EQ(table.Lookup(Id(3, 5)), &a);
    EXPECT_EQ(table.Lookup(Id(5, 3)), &b);
    const std::vector<NodeID> bucket = table.GetBucket(15);
    ASSERT_EQ(bucket.size(), 2u);
    EXPECT_EQ(bucket[0], Id(5, 3)) << "the newest entry should head its bucket";
    EXPECT_EQ(bucket[1], Id(3, 5));
}

TEST(SgStorageManagerTest, SettingAKnownIdReplacesItsValue)
{
    SgStorageManager table;
    NodeInfo first{Id(1, 2)};
    NodeInfo second{Id(1, 2)};
    table.SetAt(Id(1, 2), &first);
    table.SetAt(Id(1, 2), &second);
    EXPECT_EQ(table.GetCount(), 1);
    EXPECT_EQ(table.Lookup(Id(1, 2)), &second);
    EXPECT_EQ(table.Lookup(Id(2, 1)), nullptr);
}

TEST(SgStorageManagerTest, ManyEntriesAcrossBlocksAreFoundAndRemoved)
{
    SgStorageManager table;
    std::vector<NodeInfo> infos(100);
    for (int i = 0; i < 100; ++i) {
        infos[i].id = Id(i + 1, 7 * i);
        table.SetAt(infos[i].id, &infos[i]);
    }
    EXPECT_EQ(table.GetCount(), 100);
    for (int i = 0; i < 100; i += 2)
        ASSERT_TRUE(table.RemoveKey(infos[i].id)) << "entry " << i;
    EXPECT_FALSE(table.RemoveKey(infos[0].id)) << "an entry was removed twice";
    EXPECT_EQ(table.GetCount(), 50);
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(table.Lookup(infos[i].id), i % 2 ? &infos[i] : nullptr) << "entry " << i;
    // Freed entries are taken again.
    for (int i = 0; i < 100; i += 2)
        table.SetAt(infos[i].id, &infos[i]);
    EXPECT_EQ(table.GetCount(), 100);
    EXPECT_EQ(table.Lookup(infos[42].id), &infos[42]);
    table.RemoveAll();
    EXPECT_EQ(table.GetCount(), 0);
    EXPECT_EQ(table.Lookup(infos[1].id), nullptr);
}

TEST(SgStorageManagerTest, AllocatedBlocksAreWritableAndReused)
{
    unsigned char *block = SgStorageManager::allocate(64);
    ASSERT_NE(block, nullptr);
    for (int i = 0; i < 64; ++i)
        block[i] = static_cast<unsigned char>(i);
    EXPECT_EQ(block[63], 63);
    SgStorageManager::reuse(block);
}

} // namespace
