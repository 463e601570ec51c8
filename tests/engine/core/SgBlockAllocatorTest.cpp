// The block allocator: packing into blocks, requests bigger than a block, and
// the bulk release back to the first block.
#include <gtest/gtest.h>

#include <cstring>

#include "engine/core/SgBlockAllocator.h"

TEST(BlocksAllocatorTest, PacksRequestsIntoBlocksAndReleasesToTheFirst)
{
    BlocksAllocator allocator(20480);
    char *first = static_cast<char *>(allocator.Allocate(10000));
    char *second = static_cast<char *>(allocator.Allocate(10000));
    EXPECT_EQ(second, first + 10000) << "the second request should follow the first in one block";
    EXPECT_EQ(allocator.GetBlockCount(), 1);
    allocator.Allocate(10000);
    EXPECT_EQ(allocator.GetBlockCount(), 2);

    allocator.ReleaseAll();
    EXPECT_EQ(allocator.GetBlockCount(), 1);
    EXPECT_EQ(allocator.Allocate(16), first) << "after a release the first block serves again";
}

TEST(BlocksAllocatorTest, RequestBiggerThanABlockGetsItsOwnRoom)
{
    BlocksAllocator allocator(20480);
    char *small = static_cast<char *>(allocator.Allocate(64));
    const std::size_t big = 3 * 20480;
    char *large = static_cast<char *>(allocator.Allocate(big));
    // Writing all of it must stay inside memory that is ours (the sanitiser run checks).
    std::memset(large, 0x5a, big);
    EXPECT_EQ(large[big - 1], 0x5a);
    EXPECT_EQ(allocator.Allocate(64), small + 64) << "the current block keeps serving after an oversized request";
    allocator.ReleaseAll();
    EXPECT_EQ(allocator.GetBlockCount(), 1);
}

TEST(BlocksAllocatorTest, ClearedReleaseFlagKeepsTheBlocks)
{
    BlocksAllocator allocator(20480);
    allocator.Allocate(allocator.GetBlockCapacity());
    allocator.Allocate(1);
    allocator.SetReleaseFlag(0);
    allocator.ReleaseAll();
    EXPECT_EQ(allocator.GetBlockCount(), 2);
    allocator.Free(nullptr);
}
