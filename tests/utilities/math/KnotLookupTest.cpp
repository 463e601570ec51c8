// Knot lookup: the fractional index of a parameter, the bucket count it
// chooses, and the guarded cases (one bucket, repeated knots, parameters past
// the last knot, too few knots).
#include <gtest/gtest.h>

#include <cmath>

#include "utilities/math/KnotLookup.h"

TEST(KnotLookup, GivesTheFractionalKnotIndex)
{
    const double knots[] = {0, 1, 2, 3};
    struct Case {
        int buckets;
        double t;
        double expected;
    };
    const Case cases[] = {
        {0, 1.5, 1.5}, {0, 3.0, 3.0}, {0, 0.2, 0.2}, {0, 2.75, 2.75},
        {5, 1.5, 1.5}, {16, 0.999, 0.999}, {3, 2.5, 2.5},
        // Past the last bucket: the last interval, extrapolated.
        {0, 4.0, 4.0},
    };
    for (const Case &c : cases) {
        KnotLookup lookup(4, knots, c.buckets, 3.0);
        EXPECT_NEAR(lookup.Evaluate(c.t), c.expected, 1e-9) << c.buckets << " buckets, t = " << c.t;
    }
    EXPECT_EQ(KnotLookup(4, knots, 0, 3.0).GetBucketCount(), 8);
    EXPECT_EQ(KnotLookup(4, knots, 2, 3.0).GetBucketCount(), 8);
    EXPECT_EQ(KnotLookup(4, knots, 5, 3.0).GetBucketCount(), 5);
}

TEST(KnotLookup, GuardsDegenerateTablesAndKnots)
{
    const double knots[] = {0, 1, 1, 3};
    // Repeated knots: finite everywhere, increasing.
    KnotLookup repeated(4, knots, 0, 3.0);
    double previous = -1;
    for (double t = 0; t <= 3.0; t += 0.125) {
        const double v = repeated.Evaluate(t);
        EXPECT_TRUE(std::isfinite(v)) << t;
        EXPECT_GE(v, previous) << t;
        previous = v;
    }
    // One bucket (m = 1), no range, a single knot, no knots, NaN.
    const double two[] = {0, 2};
    KnotLookup oneBucket(1, two, 0, 2.0);
    EXPECT_EQ(oneBucket.GetBucketCount(), 2);
    KnotLookup noRange(2, two, 4, 0.0);
    EXPECT_TRUE(std::isfinite(noRange.Evaluate(1.0)));
    KnotLookup single(1, two, 0, 1.0);
    EXPECT_EQ(single.GetBucketCount(), 2);
    EXPECT_EQ(single.Evaluate(0.5), 0.0);
    KnotLookup none(0, nullptr, 0, 1.0);
    EXPECT_EQ(none.GetBucketCount(), 1);
    EXPECT_EQ(none.Evaluate(0.5), 0.0);
    // NaN reads no bucket (it would index the table with garbage) and stays NaN.
    EXPECT_TRUE(std::isnan(KnotLookup(2, two, 4, 2.0).Evaluate(NAN)));
}

// Clamped knots repeat the first value: a parameter in the first bucket lies
// past the repeated knots, in the first interval of non-zero length.
TEST(KnotLookup, FirstBucketHoldingSeveralKnotsIsSearched)
{
    const double clamped[] = {0, 0, 0, 1.157, 3.036};
    struct Case {
        int buckets;
        double t;
        double expected;
    };
    const Case cases[] = {
        {0, 0.245, 2.0 + 0.245 / 1.157},
        {0, 0.1, 2.0 + 0.1 / 1.157},
        {4, 0.5, 2.0 + 0.5 / 1.157},
        {0, 2.0, 3.0 + (2.0 - 1.157) / (3.036 - 1.157)},
    };
    for (const Case &c : cases) {
        KnotLookup lookup(5, clamped, c.buckets, 3.036);
        EXPECT_NEAR(lookup.Evaluate(c.t), c.expected, 1e-9) << c.buckets << " buckets, t = " << c.t;
    }
}
