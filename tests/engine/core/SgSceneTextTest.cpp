// The list and comment rules every piece of scene text shares: what a list
// reader takes, where it stops and when it refuses.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
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

namespace {

// Hands its text out a few characters at a time, as a file buffer does at
// its block boundaries, so that elements and comments are cut anywhere.
class ChunkBuffer : public std::streambuf {
public:
    ChunkBuffer(std::string text, size_t chunk) : m_text(std::move(text)), m_chunk(chunk) {}

protected:
    int_type underflow() override
    {
        const size_t at = gptr() == nullptr ? 0 : static_cast<size_t>(gptr() - m_text.data());
        if (at >= m_text.size())
            return traits_type::eof();
        char *base = m_text.data();
        setg(base, base + at, base + std::min(m_text.size(), at + m_chunk));
        return traits_type::to_int_type(*gptr());
    }

private:
    std::string m_text;
    size_t m_chunk;
};

// Every number read, its bits spelled out, so that two reads compare bit for
// bit (a nan, the sign of a zero).
template <class T>
std::string Bits(const T &value)
{
    if constexpr (std::is_floating_point_v<T>) {
        unsigned long long bits = 0;
        std::memcpy(&bits, &value, sizeof(value));
        return std::to_string(bits);
    } else {
        return std::to_string(value);
    }
}

template <class T, int N>
struct Elements {
    T working[N] = {};
    std::string log;
};

// Logs the element just read, when it was read.
template <class T, int N>
bool LogElement(Elements<T, N> *e, bool ok)
{
    if (!ok)
        return false;
    for (const T &v : e->working)
        e->log += Bits(v) + ' ';
    e->log += ';';
    return true;
}

template <class T, int N>
bool ReadElementByStream(std::istream &in, void *data)
{
    auto *e = static_cast<Elements<T, N> *>(data);
    bool ok = false;
    if constexpr (N == 1)
        ok = ReadNumber(in, e->working[0]);
    else
        ok = ReadTuple(in, e->working, N) == N;
    return LogElement(e, ok);
}

template <class T, int N>
bool ScanElementInPlace(const char *&p, const char *end, void *data)
{
    auto *e = static_cast<Elements<T, N> *>(data);
    bool ok = false;
    if constexpr (N == 1)
        ok = ScanNumber(p, end, e->working[0]);
    else
        ok = ScanTuple(p, end, e->working, N);
    return LogElement(e, ok);
}

// What a list read leaves: its verdict, the elements, the stream state, the
// line it stopped on and the text after it.
template <class T, int N>
std::string ReadListWith(std::streambuf &buffer, bool inPlace)
{
    std::istream in(&buffer);
    Elements<T, N> elements;
    const bool ok = SgSceneText::ReadList(in, ReadElementByStream<T, N>,
                                          inPlace ? ScanElementInPlace<T, N> : nullptr, &elements, true);
    in.clear();
    std::string rest(std::istreambuf_iterator<char>(in), {});
    return std::string(ok ? "ok " : "failed ") + elements.log + " | rest: " + rest;
}

} // namespace

// Long arrays are read in place while their text lies in the buffer; the
// stream's reader takes over at every element it cannot judge there. Both
// ways must read the same values bit for bit and stop at the same place, at
// every position of a buffer boundary.
TEST(SgSceneTextTest, ArraysReadInPlaceAsTheStreamReadsThem)
{
    const std::vector<std::string> numberTexts = {
        "[1, -2, +3, 0, -0, 2147483647, -2147483648]",
        "[ 1.5 -2.25e3 +.5 5. 5.e2 1E5 1e-5 -1e+007 0.1 0.30000000000000004 ]",
        "[1e400, 2]",
        "[1e-400 -1e-320 3.5e38 1e39 1e-46]",
        "[inf -inf nan +inf -nan 1]",
        "[infinity 1]",
        "[na 1]",
        "[0x1A 2]",
        "[1.2.3]",
        "[1 # a comment, 9 ]\n 2 # and one to the end",
        "[1 # a comment [ ] , 9\n, 2\n]",
        "[1,\n2,\n3x,\n4]",
        "[1, 2, - 3]",
        "[1 2 3",
        "[1, [2, 3], 4] rest",
        "[65535 65536 -1 99999999999999999999999]",
        "[1e 2]",
        "[.5 . 6]",
        "[00012 +-1]",
        "[12345678901234567890123456789012345678901234567890e-40 1]",
        "[1, 2 ]  ]",
    };
    const std::vector<std::string> tupleTexts = {
        "[1 2 3, 4 5 6, -7.5 8e2 -9e-3]",
        "[(1,2,3) (4, 5, 6) ( 7 8 9 )]",
        "[1 2 3, 4 5]",
        "[1 2 3, 4 5 x]",
        "[(1 2 3, 4 5 6)]",
        "[1 2 3 # between\n 4 # inside\n 5 6]",
        "[nan inf -inf, 1 2 3]",
        "[1,2,3,4,5,6,]",
        "[1 2 3, 4 5 6e400, 7 8 9]",
        "[1 2 3, 4 5 6",
    };
    for (const std::string &text : numberTexts) {
        for (size_t chunk : {size_t(1), size_t(2), size_t(3), size_t(5), size_t(7), size_t(11), text.size() + 1}) {
            SCOPED_TRACE("\"" + text + "\" in chunks of " + std::to_string(chunk));
            ChunkBuffer byStream(text, chunk), inPlace(text, chunk);
            EXPECT_EQ((ReadListWith<double, 1>(byStream, false)), (ReadListWith<double, 1>(inPlace, true)));
            ChunkBuffer byStreamF(text, chunk), inPlaceF(text, chunk);
            EXPECT_EQ((ReadListWith<float, 1>(byStreamF, false)), (ReadListWith<float, 1>(inPlaceF, true)));
            ChunkBuffer byStreamI(text, chunk), inPlaceI(text, chunk);
            EXPECT_EQ((ReadListWith<int, 1>(byStreamI, false)), (ReadListWith<int, 1>(inPlaceI, true)));
            ChunkBuffer byStreamU(text, chunk), inPlaceU(text, chunk);
            EXPECT_EQ((ReadListWith<unsigned short, 1>(byStreamU, false)),
                      (ReadListWith<unsigned short, 1>(inPlaceU, true)));
        }
    }
    for (const std::string &text : tupleTexts) {
        for (size_t chunk : {size_t(1), size_t(2), size_t(3), size_t(5), size_t(7), size_t(11), text.size() + 1}) {
            SCOPED_TRACE("\"" + text + "\" in chunks of " + std::to_string(chunk));
            ChunkBuffer byStream(text, chunk), inPlace(text, chunk);
            EXPECT_EQ((ReadListWith<double, 3>(byStream, false)), (ReadListWith<double, 3>(inPlace, true)));
            ChunkBuffer byStreamF(text, chunk), inPlaceF(text, chunk);
            EXPECT_EQ((ReadListWith<float, 2>(byStreamF, false)), (ReadListWith<float, 2>(inPlaceF, true)));
        }
    }
    // The table is not vacuous: the in-place reader reads a whole buffered
    // list without the stream's element reader.
    std::string whole = "[1 2 3, 4 5 6] x";
    ChunkBuffer buffer(whole, whole.size());
    std::istream in(&buffer);
    Elements<double, 3> elements;
    auto refuse = [](std::istream &, void *) { return false; };
    EXPECT_TRUE(SgSceneText::ReadList(in, refuse, ScanElementInPlace<double, 3>, &elements, true));
    EXPECT_EQ(elements.log, Bits(1.0) + ' ' + Bits(2.0) + ' ' + Bits(3.0) + " ;" + Bits(4.0) + ' ' + Bits(5.0) + ' ' +
                                Bits(6.0) + " ;");
}
