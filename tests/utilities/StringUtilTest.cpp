#include <gtest/gtest.h>

#include "utilities/StringUtil.h"

namespace {

struct CompareCase {
    const char *a;
    const char *b;
    int sign; // -1, 0 or 1
};

int Sign(int value)
{
    return (value > 0) - (value < 0);
}

} // namespace

TEST(StringUtil, CaseInsensitiveCompareFoldsAsciiLettersOnly)
{
    const CompareCase cases[] = {
        {"Geom", "geom", 0},
        {"GEOM", "Geom", 0},
        {"Geom", "Geometry", -1},
        {"b", "A", 1},
        // Nothing but A-Z is folded: '[' sits between 'Z' and 'a' and must
        // not be taken for a letter.
        {"[", "a", -1},
        {"\xc3\x89", "\xc3\xa9", -1}, // UTF-8 letters keep their case
        {"", "", 0},
        {nullptr, "", -1},
        {nullptr, nullptr, 0},
    };
    for (const CompareCase &c : cases) {
        const char *a = c.a ? c.a : "(null)";
        const char *b = c.b ? c.b : "(null)";
        EXPECT_EQ(Sign(SgStrICmp(c.a, c.b)), c.sign) << "SgStrICmp(" << a << ", " << b << ")";
        EXPECT_EQ(Sign(SgStrICmp(c.b, c.a)), -c.sign) << "SgStrICmp(" << b << ", " << a << ")";
        if (c.a && c.b) {
            EXPECT_EQ(SgIEquals(c.a, c.b), c.sign == 0) << "SgIEquals(" << a << ", " << b << ")";
        }
    }
}

TEST(StringUtil, EqualsComparesTheWholeViewIncludingZeros)
{
    using namespace std::string_view_literals;
    EXPECT_FALSE(SgIEquals("ab\0c"sv, "ab\0d"sv));
    EXPECT_TRUE(SgIEquals("AB\0C"sv, "ab\0c"sv));
    EXPECT_FALSE(SgIEquals("ab", "abc"));
}
