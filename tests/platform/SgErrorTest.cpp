#include <gtest/gtest.h>

#include "platform/SgError.h"

TEST(SgError, CarriesTheSystemTextThroughTheFamilyBase)
{
    try {
        throw SgMathError("inverse: Non-singular matrix");
    } catch (const SgError &e) {
        EXPECT_STREQ(e.what(), "inverse: Non-singular matrix");
    }
}
