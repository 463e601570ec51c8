// The list and comment rules every piece of scene text shares: what a list
// reader takes, where it stops and when it refuses.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "engine/core/SgSceneText.h"
#include "utilities/math/NumberText.h"

namespace {

// Reads whole numbers as the elements, so the tests see exactly what the
// list rules hand to an element reader.
bool ReadInt(std::istream &in, void *data)
{
    int value = 0;
    if (!ReadNumber(in, value))
        return false;
    static_cast<std::vector<int> *>(data)->push_back(value);
    return true;
}

struct ListCase {
    const char *text;
    bool nestedOpenSkipped;
    bool ok;
    std::vector<int> values; // what the reader kept (also on a failure)
    const char *rest;        // what is left unread on success
};

TEST(SgSceneTextTest, ListsFollowOneSetOfRules)
{
    const ListCase cases[] = {
        {"[1 , 2 , 3] x", false, true, {1, 2, 3}, " x"},
        {"[1,2,3]", false, true, {1, 2, 3}, ""},
        {"[ 1 # a comment, 9 ]\n 2 ]", false, true, {1, 2}, ""},
        {"[]", false, true, {}, ""},
        {"7 rest", false, true, {7}, " rest"},
        {"[1, [2, 3]", true, true, {1, 2, 3}, ""},
        {"[1, [2, 3]", false, false, {1}, nullptr},
        {"[1, 2", false, false, {1, 2}, nullptr},
        {"[1 # never closes", false, false, {1}, nullptr},
        {"", false, false, {}, nullptr},
        {"[1, x]", false, false, {1}, nullptr},
    };
    for (const ListCase &c : cases) {
        std::istringstream in(c.text);
        std::vector<int> values;
        const bool ok = SgSceneText::ReadList(in, &ReadInt, &values, c.nestedOpenSkipped);
        EXPECT_EQ(ok, c.ok) << '"' << c.text << '"';
        EXPECT_EQ(values, c.values) << '"' << c.text << '"';
        if (ok) {
            in.clear();
            std::string rest((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            EXPECT_EQ(rest, c.rest) << '"' << c.text << '"';
        } else {
            EXPECT_TRUE(in.fail()) << "a refused list leaves the stream failed: \"" << c.text << '"';
        }
    }
}

TEST(SgSceneTextTest, ACommentRunsThroughItsLineEnd)
{
    std::istringstream in("# note ]\nnext");
    SgSceneText::SkipComment(in);
    EXPECT_FALSE(in.eof());
    std::string word;
    in >> word;
    EXPECT_EQ(word, "next");

    std::istringstream last("# the text ends here");
    SgSceneText::SkipComment(last);
    EXPECT_TRUE(last.eof()) << "a comment on the last line takes the text to its end";
}

TEST(SgSceneTextTest, AWrittenListReadsBack)
{
    std::ostringstream out;
    SgSceneText::WriteListOpen(out);
    for (int i = 0; i < 3; ++i) {
        if (i > 0)
            SgSceneText::WriteListSeparator(out);
        out << i * 10;
    }
    SgSceneText::WriteListClose(out);
    EXPECT_EQ(out.str(), "[0 , 10 , 20]");
    std::istringstream in(out.str());
    std::vector<int> values;
    ASSERT_TRUE(SgSceneText::ReadList(in, &ReadInt, &values, false));
    EXPECT_EQ(values, (std::vector<int>{0, 10, 20}));
}

} // namespace
