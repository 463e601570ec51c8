// Pieces of one computation on several threads: each piece runs once, and
// a failure in any of them reaches the caller.
#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <vector>

#include "utilities/ParallelUtil.h"

TEST(ParallelUtilTest, EveryPieceRunsOnce)
{
    for (int count : {0, 1, 3, 1000}) {
        std::vector<std::atomic<int>> runs(static_cast<size_t>(count));
        ParallelUtil::ForEach(count, [&](int i) { ++runs[static_cast<size_t>(i)]; });
        int wrong = 0;
        for (const std::atomic<int> &r : runs)
            wrong += r != 1;
        EXPECT_EQ(wrong, 0) << count << " pieces";
    }
    EXPECT_GE(ParallelUtil::ThreadCount(), 1);
}

TEST(ParallelUtilTest, AFailureReachesTheCallerAfterTheOthersStop)
{
    std::atomic<int> running{0};
    std::atomic<int> overlapAfterReturn{0};
    EXPECT_THROW(ParallelUtil::ForEach(200,
                                       [&](int i) {
                                           ++running;
                                           if (i == 7) {
                                               --running;
                                               throw std::runtime_error("piece 7");
                                           }
                                           --running;
                                       }),
                 std::runtime_error);
    overlapAfterReturn = running.load();
    EXPECT_EQ(overlapAfterReturn, 0) << "a piece was still running when the failure arrived";
}
