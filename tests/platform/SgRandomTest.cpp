#include <gtest/gtest.h>

#include <vector>

#include "platform/SgRandom.h"

TEST(SgRandom, SeedOneGivesTheClassicSequence)
{
    const std::vector<int> expected = {16838, 5758, 10113, 17515, 31051, 5627, 23010, 7419, 16212, 4086};
    SgSrand(1);
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(SgRand(), expected[i]) << "value " << i << " after SgSrand(1)";
}

TEST(SgRandom, ReseedingRepeatsTheSequence)
{
    SgSrand(42);
    std::vector<int> first;
    for (int i = 0; i < 100; ++i)
        first.push_back(SgRand());
    SgSrand(42);
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(SgRand(), first[static_cast<size_t>(i)]) << "value " << i << " after reseeding with 42";
    EXPECT_EQ(first[0], 19081);
}

TEST(SgRandom, ValuesStayWithinZeroToRandMaxAndReachBothEnds)
{
    SgSrand(7);
    int lowest = SG_RAND_MAX, highest = 0;
    for (int i = 0; i < 200000; ++i) {
        int value = SgRand();
        ASSERT_GE(value, 0);
        ASSERT_LE(value, SG_RAND_MAX);
        lowest = std::min(lowest, value);
        highest = std::max(highest, value);
    }
    EXPECT_LT(lowest, 10);
    EXPECT_GT(highest, SG_RAND_MAX - 10);
}

TEST(SgRandom, APrivateSequenceGivesTheSameValuesWithoutTouchingTheShared)
{
    SgSrand(5);
    const int sharedNext = SgRand();
    SgSrand(5);
    SgRandomSequence own(1);
    const std::vector<int> expected = {16838, 5758, 10113, 17515, 31051, 5627, 23010, 7419, 16212, 4086};
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(own.Next(), expected[i]) << "value " << i;
    EXPECT_EQ(SgRand(), sharedNext) << "the shared sequence went on from where it was";
    own.Seed(1);
    EXPECT_EQ(own.Next(), expected[0]);
}
