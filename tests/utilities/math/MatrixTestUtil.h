#pragma once
// Comparisons with tolerances for the math tests, reporting what differed.
#include <gtest/gtest.h>

#include <sstream>

#include "utilities/math/Mat4.h"
#include "utilities/math/Vec3.h"

namespace mathtest {

inline ::testing::AssertionResult Near(const Vec3 &actual, const Vec3 &expected, double tolerance = 1e-12)
{
    if ((actual - expected).Length() <= tolerance) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "got " << actual << ", expected " << expected;
}

inline ::testing::AssertionResult Near(const Mat4 &actual, const Mat4 &expected, double tolerance = 1e-12)
{
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            if (!(std::abs(actual[i][j] - expected[i][j]) <= tolerance)) {
                return ::testing::AssertionFailure()
                       << "element [" << i << "][" << j << "] differs: got " << actual << ", expected " << expected;
            }
        }
    }
    return ::testing::AssertionSuccess();
}

} // namespace mathtest
