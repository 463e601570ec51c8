#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <limits>
#include <numbers>
#include <random>
#include <sstream>
#include <string>
#include <typeinfo>
#include <utility>
#include <vector>

#include "utilities/math/NumberText.h"

namespace {

// The rule spelled out the slow way: the first precision from 6 up whose %g
// text reads back (through the C library) as the same value.
std::string ReferenceText(double value)
{
    char text[64];
    for (int precision = 6; precision <= 17; ++precision) {
        std::snprintf(text, sizeof(text), "%.*g", precision, value);
        if (std::strtod(text, nullptr) == value) {
            break;
        }
    }
    return text;
}

std::string ReferenceText(float value)
{
    char text[64];
    for (int precision = 6; precision <= 9; ++precision) {
        std::snprintf(text, sizeof(text), "%.*g", precision, double(value));
        if (std::strtof(text, nullptr) == value) {
            break;
        }
    }
    return text;
}

std::string Rest(std::istream &is)
{
    is.clear();
    return std::string(std::istreambuf_iterator<char>(is), {});
}

template <class T>
bool SameValue(T a, T b)
{
    if constexpr (std::is_floating_point_v<T>) {
        return (std::isnan(a) && std::isnan(b)) || (a == b && std::signbit(a) == std::signbit(b));
    } else {
        return a == b;
    }
}

// Hands its text out a few characters at a time, as a file buffer does at
// its boundaries, keeping what went before available for putting back.
class ChunkBuffer : public std::streambuf {
public:
    ChunkBuffer(std::string text, int chunk) : m_text(std::move(text)), m_chunk(chunk) {}

protected:
    int_type underflow() override
    {
        size_t at = size_t(gptr() == nullptr ? 0 : gptr() - m_text.data());
        if (at >= m_text.size()) {
            return traits_type::eof();
        }
        char *base = m_text.data();
        setg(base, base + at, base + std::min(m_text.size(), at + size_t(m_chunk)));
        return traits_type::to_int_type(*gptr());
    }

private:
    std::string m_text;
    int m_chunk;
};

} // namespace

TEST(NumberText, WritesShortestGeneralFormThatReadsBack)
{
    struct Case {
        double value;
        const char *text;
    };
    const Case cases[] = {
        {0.1, "0.1"},
        {2500000.0, "2.5e+06"},
        {1.5708, "1.5708"},
        {std::numbers::pi / 2, "1.5707963267948966"},
        {std::numbers::pi, "3.141592653589793"},
        {1234.5678, "1234.5678"},
        {0.0, "0"},
        {-0.0, "-0"},
        {-3.0, "-3"},
        {1e-5, "1e-05"},
        {0.0001, "0.0001"},
        {100000.0, "100000"},
        {1e6, "1e+06"},
        {1234567.0, "1234567"},
        {std::numeric_limits<double>::infinity(), "inf"},
        {-std::numeric_limits<double>::infinity(), "-inf"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(FormatNumber(c.value), c.text) << "for " << ReferenceText(c.value);
    }
}

TEST(NumberText, FloatsUseAtMostNineDigits)
{
    struct Case {
        float value;
        const char *text;
    };
    const Case cases[] = {
        {0.1f, "0.1"},
        {1.5708f, "1.5708"},
        {2500000.0f, "2.5e+06"},
        {float(std::numbers::pi), "3.1415927"},
        {16777217.0f, "16777216"},
        {0.3f, "0.3"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(FormatNumber(c.value), c.text);
    }
}

TEST(NumberText, AgreesWithThePrintfRuleOnRandomValues)
{
    std::mt19937_64 random(12345);
    int checked = 0;
    for (int i = 0; i < 20000; ++i) {
        double d = std::bit_cast<double>(random());
        if (!std::isfinite(d)) {
            continue;
        }
        ASSERT_EQ(FormatNumber(d), ReferenceText(d)) << "bits " << std::bit_cast<std::uint64_t>(d);
        float f = std::bit_cast<float>(std::uint32_t(random()));
        if (std::isfinite(f)) {
            ASSERT_EQ(FormatNumber(f), ReferenceText(f)) << "bits " << std::bit_cast<std::uint32_t>(f);
        }
        // Values of everyday size, where 6 digits often do.
        double everyday = std::round(std::ldexp(double(random() % 2000000), -int(random() % 20))) / 1000.0;
        ASSERT_EQ(FormatNumber(everyday), ReferenceText(everyday));
        ++checked;
    }
    EXPECT_GT(checked, 10000);
}

// The values where a shortcut to the shortest digits could part from the
// printf rule: powers of two (whose neighbours below lie closer than those
// above), exact decimals that sit halfway between two shorter ones, integers
// of many digits, neighbours of decimals, the ends of each range, subnormals.
TEST(NumberText, AgreesWithThePrintfRuleOnEdgeValues)
{
    std::vector<double> doubles;
    std::vector<float> floats;
    for (int e = -1074; e <= 1023; ++e) {
        const double power = std::ldexp(1.0, e);
        for (double d : {power, std::nextafter(power, 0.0), std::nextafter(power, HUGE_VAL), 3 * power, 5 * power}) {
            doubles.push_back(d);
        }
    }
    for (int e = -149; e <= 127; ++e) {
        const float power = std::ldexp(1.0f, e);
        for (float f : {power, std::nextafter(power, 0.0f), std::nextafter(power, HUGE_VALF), 3 * power, 5 * power}) {
            floats.push_back(f);
        }
    }
    std::mt19937_64 random(777);
    for (int i = 0; i < 100000; ++i) {
        // Decimals of 1 to 19 digits at any scale, their neighbours and halves.
        const int digits = 1 + int(random() % 19);
        const std::uint64_t mantissa = random() % std::uint64_t(std::pow(10.0, digits));
        const int scale = int(random() % 80) - 40;
        const double d = double(mantissa) * std::pow(10.0, scale);
        for (double v : {d, std::nextafter(d, 0.0), std::nextafter(d, HUGE_VAL), d + 0.5, -d / 2}) {
            doubles.push_back(v);
        }
        const float f = float(d);
        for (float v : {f, std::nextafter(f, 0.0f), std::nextafter(f, HUGE_VALF), -f}) {
            floats.push_back(v);
        }
        // Any bit pattern of float, half a million of them.
        floats.push_back(std::bit_cast<float>(std::uint32_t(random())));
        floats.push_back(std::bit_cast<float>(std::uint32_t(random())));
        floats.push_back(std::bit_cast<float>(std::uint32_t(random())));
        floats.push_back(std::bit_cast<float>(std::uint32_t(random())));
        floats.push_back(std::bit_cast<float>(std::uint32_t(random())));
        doubles.push_back(std::bit_cast<double>(random()));
    }
    for (double d : {std::numeric_limits<double>::max(), std::numeric_limits<double>::min(),
                     std::numeric_limits<double>::denorm_min(), std::numeric_limits<double>::epsilon(), 0.0, -0.0,
                     9007199254740993.0, 1e23, 5e-324, 0.3, 2.0 / 3.0, 1e21, 1e22, 123456.5, 1234567.5}) {
        doubles.push_back(d);
    }
    for (float f : {std::numeric_limits<float>::max(), std::numeric_limits<float>::min(),
                    std::numeric_limits<float>::denorm_min(), 16777217.0f, 0.0f, -0.0f, 123456.5f, 8388609.0f}) {
        floats.push_back(f);
    }
    for (double d : doubles) {
        if (std::isfinite(d)) {
            ASSERT_EQ(FormatNumber(d), ReferenceText(d)) << "bits " << std::bit_cast<std::uint64_t>(d);
        }
    }
    for (float f : floats) {
        if (std::isfinite(f)) {
            ASSERT_EQ(FormatNumber(f), ReferenceText(f)) << "bits " << std::bit_cast<std::uint32_t>(f);
        }
    }
}

TEST(NumberText, WriteThenReadGivesTheSameValue)
{
    const double values[] = {1234.5678, std::numbers::pi, std::numbers::pi / 2, 0.1, 1e-300,
                             std::numeric_limits<double>::denorm_min(), std::numeric_limits<double>::max(),
                             -2.5e6, 1.0 / 3.0};
    for (double v : values) {
        std::stringstream text;
        WriteNumber(text, v);
        double back = 0.0;
        EXPECT_TRUE(ReadNumber(text, back)) << text.str();
        EXPECT_EQ(back, v) << "written as " << text.str();
    }
    const float floats[] = {1234.5678f, float(std::numbers::pi), 0.1f, std::numeric_limits<float>::max(),
                            std::numeric_limits<float>::denorm_min()};
    for (float v : floats) {
        std::stringstream text;
        WriteNumber(text, v);
        float back = 0.0f;
        EXPECT_TRUE(ReadNumber(text, back)) << text.str();
        EXPECT_EQ(back, v) << "written as " << text.str();
    }
}

// The words written for the non-finite values read back, alone, in a tuple,
// and with whatever follows them left in the stream; a word cut short fails.
TEST(NumberText, NonFiniteValuesReadBack)
{
    const double values[] = {std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
                             std::numeric_limits<double>::quiet_NaN()};
    for (double v : values) {
        std::stringstream text;
        WriteNumber(text, v);
        text << " 5";
        double back = 0.0;
        ASSERT_TRUE(ReadNumber(text, back)) << text.str();
        EXPECT_TRUE(std::isnan(v) ? std::isnan(back) : back == v) << text.str();
        float narrow = 0.0f;
        std::stringstream again(text.str());
        ASSERT_TRUE(ReadNumber(again, narrow)) << text.str();
        EXPECT_TRUE(std::isnan(v) ? std::isnan(narrow) : narrow == float(v)) << text.str();
        double next = 0.0;
        EXPECT_TRUE(ReadNumber(text, next));
        EXPECT_EQ(next, 5.0);
    }
    std::istringstream tuple("(1,inf,-inf)");
    double three[3] = {};
    EXPECT_EQ(ReadTuple(tuple, three, 3), 3);
    EXPECT_EQ(three[1], std::numeric_limits<double>::infinity());
    EXPECT_EQ(three[2], -std::numeric_limits<double>::infinity());

    for (const char *broken : {"in", "na", "-i", "infx"}) {
        std::istringstream text(broken);
        double value = 1.0;
        const bool ok = ReadNumber(text, value);
        if (std::string(broken) == "infx") {
            EXPECT_TRUE(ok) << "the word ends where the letters stop matching";
            EXPECT_EQ(Rest(text), "x");
        } else {
            EXPECT_FALSE(ok) << broken;
        }
    }
    int integer = 3;
    std::istringstream word("inf");
    EXPECT_FALSE(ReadNumber(word, integer)) << "integers have no infinity";
}

// The reader must leave value, state and position exactly as the stream's
// own extraction does, since field readers rely on both.
class ReadNumberMatchesExtraction : public ::testing::TestWithParam<const char *> {
protected:
    template <class T>
    void Compare(bool skipws)
    {
        std::istringstream expected(GetParam());
        std::istringstream actual(GetParam());
        if (!skipws) {
            expected.unsetf(std::ios_base::skipws);
            actual.unsetf(std::ios_base::skipws);
        }
        T expectedValue = T(77);
        T actualValue = T(77);
        expected >> expectedValue;
        bool ok = ReadNumber(actual, actualValue);
        const char *type = std::is_same_v<T, double> ? "double"
                         : std::is_same_v<T, float>  ? "float"
                         : std::is_same_v<T, int>    ? "int"
                                                     : "unsigned short";
        EXPECT_TRUE(SameValue(expectedValue, actualValue))
            << type << ": stream gave " << +expectedValue << ", reader " << +actualValue;
        EXPECT_EQ(expected.rdstate(), actual.rdstate()) << type;
        EXPECT_EQ(ok, !actual.fail()) << type;
        EXPECT_EQ(Rest(expected), Rest(actual)) << type << ": left in the stream";
    }
};

TEST_P(ReadNumberMatchesExtraction, ForEveryNumberType)
{
    for (bool skipws : {true, false}) {
        SCOPED_TRACE(skipws ? "skipws" : "noskipws");
        Compare<double>(skipws);
        Compare<float>(skipws);
        Compare<int>(skipws);
        Compare<unsigned short>(skipws);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ReadNumberMatchesExtraction,
    ::testing::Values("1.5", "  -2.25e3x", "+.5", "5.", "5.e2", ".", "-", "+", "e5", "1e", "1e+", "1e-",
                      "1E5,2", "1e400", "-1e400", "1e-400", "-1e-400", "1e-320", "3.5e38", "1e39", "1e-46",
                      "abc", "", "   ", "\t\n 7", "0x1A", "1.2.3", "--1", "00012", "-0",
                      "2147483647", "2147483648", "-2147483648", "-2147483649", "99999999999999999999999",
                      "65535", "65536", "-1", "-65535", "-65536", "12)", "3,4", "0.000000000000000000000000000000000"
                      "0000000000000000000000000000000000000000000000000000000000000000000000000000000000000000001234",
                      "1234567890123456789012345678901234567890123456789012345678901234567890123456789012345678901"
                      "234567890e-80"));

// Numbers cut by a buffer boundary take the character-by-character path;
// it must agree with the in-place one.
TEST(NumberText, ResultsDoNotDependOnTheBufferSize)
{
    const std::string text = "  12.5e-3 -7 ( 1 , 2.25 , -3e+2 ) 65535 +.5e1 1e 42 (4 5 6 -) x";
    auto readAll = [](std::istream &in) {
        std::ostringstream log;
        double d = 0;
        int i = 0;
        unsigned short u = 0;
        double tuple[4] = {};
        ReadNumber(in, d);
        log << d << ';';
        ReadNumber(in, i);
        log << i << ';';
        log << ReadTuple(in, tuple, 3) << ':' << tuple[0] << ',' << tuple[1] << ',' << tuple[2] << ';';
        ReadNumber(in, u);
        log << u << ';';
        ReadNumber(in, d);
        log << d << ';';
        log << ReadNumber(in, d) << d << ';';
        in.clear();
        ReadNumber(in, i);
        log << i << ';';
        log << ReadTuple(in, tuple, 4, true) << ';' << in.rdstate() << ';';
        in.clear();
        log << Rest(in);
        return log.str();
    };
    std::istringstream whole(text);
    const std::string expected = readAll(whole);
    EXPECT_EQ(expected, "0.0125;-7;3:1,2.25,-300;65535;5;00;42;-1;4;-) x");
    for (int chunk : {1, 2, 3, 5, 8}) {
        ChunkBuffer buffer(text, chunk);
        std::istream in(&buffer);
        EXPECT_EQ(readAll(in), expected) << "chunks of " << chunk;
    }
}

TEST(NumberText, ReaderSkipsNothingOnAStreamInError)
{
    std::istringstream in("5");
    in.setstate(std::ios_base::failbit);
    double value = 3.0;
    EXPECT_FALSE(ReadNumber(in, value));
    EXPECT_EQ(value, 3.0);
    in.clear();
    EXPECT_TRUE(ReadNumber(in, value));
    EXPECT_EQ(value, 5.0);
}

TEST(NumberText, TupleReaderRequiresTheClosingParenthesis)
{
    struct Case {
        const char *text;
        int count;
        bool lastOptional;
        int result;
        const char *rest;
    };
    const Case cases[] = {
        {"(1, 2.5, -3)", 3, false, 3, ""},
        {"1 2 3 x", 3, false, 3, " x"},
        {"( 1 , 2 , 3 ) ,", 3, false, 3, " ,"},
        {"(1,2,3", 3, false, -1, ""},
        {"(1,2,3 x)", 3, false, -1, "x)"},
        {"(1,,2,3)", 3, false, -1, ",2,3)"},
        {"(1,2)", 3, false, -1, ")"},
        {"", 3, false, -1, ""},
        {"(1,2,3)", 4, true, 3, ""},
        {"(1,2,3,)", 4, true, 3, ""},
        {"1 2 3 ]", 4, true, 3, "]"},
        {"1 2 3", 4, true, 3, ""},
        {"1 2 3 -)", 4, true, 3, "-)"},
        {"1 2 3 4", 4, true, 4, ""},
        {"(1,2,3", 4, true, -1, ""},
        // In a list of blank-separated colours a comma after the third
        // number ends the colour: it is the list's separator, not alpha's.
        {"1 0 0, 0 1 0", 4, true, 3, ", 0 1 0"},
        {"1 0 0 , 0 1 0", 4, true, 3, ", 0 1 0"},
        {"1 0 0 0.5, 0 1 0", 4, true, 4, ", 0 1 0"},
        {"1,0,0,0.5", 4, true, 4, ""},
        {"(1 0 0, 0.5)", 4, true, 4, ""},
    };
    for (const Case &c : cases) {
        std::istringstream in(c.text);
        double values[4] = {};
        EXPECT_EQ(ReadTuple(in, values, c.count, c.lastOptional), c.result) << '"' << c.text << '"';
        EXPECT_EQ(in.fail(), c.result < 0) << '"' << c.text << '"';
        EXPECT_EQ(Rest(in), c.rest) << '"' << c.text << '"';
    }
}

TEST(NumberText, AMillionNumbersReadBackExactly)
{
    std::string text;
    text.reserve(12000000);
    double expectedSum = 0.0;
    for (int i = 0; i < 1000000; ++i) {
        double v = i * 0.37 - 1000.0;
        expectedSum += v;
        text += FormatNumber(v);
        text += (i % 10 == 9) ? '\n' : ' ';
    }
    std::istringstream in(text);
    double sum = 0.0;
    double value = 0.0;
    int n = 0;
    while (ReadNumber(in, value)) {
        sum += value;
        ++n;
    }
    EXPECT_EQ(n, 1000000);
    EXPECT_EQ(sum, expectedSum);
    EXPECT_TRUE(in.eof());
}

// The in-place readers convert plain decimals and short integers on a path
// of their own; on every text they must give the stream form's value bit for
// bit and stop where it stops. Random texts around the limits of that path
// (digit counts, decimals, ranges) and the forms next to them.
TEST(NumberText, InPlaceReadingAgreesWithTheStreamForm)
{
    std::mt19937_64 random(17);
    std::vector<std::string> texts = {"0", "-0", "+0", "-0.0", "5.", ".5", "+.5", "-.5", ".", "-.", "-", "+",
                                      "999999999", "1000000000", "-999999999", "2147483647", "-2147483648",
                                      "65535", "65536", "-1", "0000000001", "1e5", "1.5E-3", "123456789012345",
                                      "1234567890123456", "9007199254740993", "0.1234567", "0.12345678",
                                      "16777217", "1677721.7", "0.0000000000000000000001",
                                      "0.00000000000000000000001", "4.35", "0.3", "inf", "-nan"};
    auto digitRun = [&random](int count) {
        std::string digits;
        for (int i = 0; i < count; ++i)
            digits += char('0' + random() % 10);
        return digits;
    };
    for (int i = 0; i < 200000; ++i) {
        std::string text = random() % 4 == 0 ? "-" : "";
        const int whole = int(random() % 12);
        const int decimals = int(random() % 26);
        text += digitRun(whole);
        if (random() % 5 != 0)
            text += "." + digitRun(decimals);
        texts.push_back(text);
    }
    int mismatches = 0;
    for (const std::string &number : texts) {
        const std::string text = "  " + number + " ,";
        auto compare = [&](auto value) {
            using T = decltype(value);
            std::istringstream stream(text);
            T expected = T(77);
            const bool streamOk = ReadNumber(stream, expected);
            const std::string streamRest = Rest(stream);
            T actual = T(77);
            const char *p = text.data();
            const bool scanned = ScanNumber(p, text.data() + text.size(), actual);
            // In place either agrees or declines and leaves the stream form to decide.
            if (scanned && (!streamOk || !SameValue(expected, actual) || streamRest != std::string(p)) &&
                ++mismatches <= 10) {
                ADD_FAILURE() << '"' << number << "\" as " << typeid(T).name() << ": stream " << +expected
                              << ", in place " << +actual;
            }
            if (!scanned) {
                EXPECT_EQ(p, text.data()) << '"' << number << "\": declined but took characters";
            }
        };
        compare(double());
        compare(float());
        compare(int());
        compare((unsigned short)0);
    }
    EXPECT_EQ(mismatches, 0);
}
