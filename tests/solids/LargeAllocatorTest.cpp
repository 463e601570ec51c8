// The allocator of the kernel's large arrays: small blocks from the heap,
// blocks of about 2 MB and more mapped on large-page boundaries; both hold
// what is written to them, and a request past the address space is refused
// with bad_alloc rather than wrapping around.
#include <gtest/gtest.h>

#include <cstdint>
#include <new>
#include <vector>

#include "solids/GmLargeAllocator.h"

using namespace solvane;

TEST(LargeAllocator, BlocksHoldWhatIsWrittenAndLargeOnesStartOnALargePage)
{
    struct Case {
        size_t bytes;
        bool largePage;
    };
    const Case cases[] = {{1, false}, {4096, false}, {(size_t{7} << 20) / 4 - 8, false},
                          {(size_t{7} << 20) / 4, true}, {size_t{2} << 20, true}, {(size_t{5} << 20) + 3, true}};
    for (const Case &c : cases) {
        unsigned char *p = static_cast<unsigned char *>(gm_large_allocate(c.bytes));
        ASSERT_NE(p, nullptr) << c.bytes;
        p[0] = 1;
        p[c.bytes - 1] = 2;
        EXPECT_EQ(p[0], c.bytes == 1 ? 2 : 1) << c.bytes;
        EXPECT_EQ(p[c.bytes - 1], 2) << c.bytes;
        if (c.largePage) {
            EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % (uintptr_t{2} << 20), 0u) << c.bytes;
        }
        gm_large_release(p, c.bytes);
    }
}

TEST(LargeAllocator, AVectorGrowsThroughBothKindsOfBlockAndKeepsItsElements)
{
    std::vector<uint64_t, GmLargeAllocator<uint64_t>> v;
    for (uint64_t i = 0; i < 600000; ++i)  // past 4 MB: several moves between kinds
        v.push_back(i * 3);
    for (uint64_t i = 0; i < v.size(); i += 9973)
        ASSERT_EQ(v[i], i * 3);
}

TEST(LargeAllocator, ARequestPastTheAddressSpaceIsRefused)
{
    EXPECT_THROW(gm_large_allocate(static_cast<size_t>(-1) - 4096), std::bad_alloc);
    GmLargeAllocator<uint64_t> a;
    EXPECT_THROW(a.allocate(static_cast<size_t>(-1) / 4), std::bad_alloc);
}
