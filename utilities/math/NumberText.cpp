#include "utilities/math/NumberText.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>
#include <istream>
#include <limits>
#include <ostream>
#include <streambuf>
#include <string>
#include <system_error>
#include <type_traits>

namespace {

constexpr int EOF_CHAR = std::char_traits<char>::eof();

// --- Writing -----------------------------------------------------------------

template <class F>
bool ReadsBack(const char *first, const char *last, F value)
{
    F back{};
    auto r = std::from_chars(first, last, back);
    return r.ec == std::errc() && r.ptr == last && back == value;
}

// Values the shortcut below does not cover: a power of two (its neighbours
// below lie closer than those above, so the digits nearest the value may not
// read back) unless it is one of the few whose exact decimal text has at most
// 6 digits (2^-8 .. 2^19, and zero), and subnormals (too few bits for the
// argument that at most one 6-digit text reads back as the value).
template <class F>
bool NeedsTrialSearch(F value)
{
    int exponent = 0;
    if constexpr (std::is_same_v<F, float>) {
        const std::uint32_t bits = std::bit_cast<std::uint32_t>(value);
        if ((bits & 0x7fffffffu) == 0) {
            return false;
        }
        exponent = int((bits >> 23) & 0xffu) - 127;
        if (exponent == -127) {
            return true;
        }
        if ((bits & 0x7fffffu) != 0) {
            return false;
        }
    } else {
        const std::uint64_t bits = std::bit_cast<std::uint64_t>(value);
        if ((bits & 0x7fffffffffffffffull) == 0) {
            return false;
        }
        exponent = int((bits >> 52) & 0x7ffu) - 1023;
        if (exponent == -1023) {
            return true;
        }
        if ((bits & 0xfffffffffffffull) != 0) {
            return false;
        }
    }
    return exponent < -8 || exponent > 19;
}

// Places significant digits (no trailing zeros) with the decimal exponent of
// the first as %.Pg does, P = max(6, count): the exponent form below 1e-4 or
// from 10^P on, else plain digits with a point where one is needed.
int PlaceDigits(char *buffer, bool negative, const char *digits, int count, int exponent)
{
    int length = 0;
    if (negative) {
        buffer[length++] = '-';
    }
    const int precision = std::max(count, 6);
    if (exponent < -4 || exponent >= precision) {
        buffer[length++] = digits[0];
        if (count > 1) {
            buffer[length++] = '.';
            std::memcpy(buffer + length, digits + 1, size_t(count - 1));
            length += count - 1;
        }
        buffer[length++] = 'e';
        buffer[length++] = exponent < 0 ? '-' : '+';
        const int magnitude = exponent < 0 ? -exponent : exponent;
        if (magnitude >= 100) {
            buffer[length++] = char('0' + magnitude / 100);
        }
        buffer[length++] = char('0' + magnitude / 10 % 10);
        buffer[length++] = char('0' + magnitude % 10);
        return length;
    }
    if (exponent < 0) {
        buffer[length++] = '0';
        buffer[length++] = '.';
        for (int i = -1; i > exponent; --i) {
            buffer[length++] = '0';
        }
        std::memcpy(buffer + length, digits, size_t(count));
        return length + count;
    }
    const int whole = exponent + 1;
    for (int i = 0; i < whole; ++i) {
        buffer[length++] = i < count ? digits[i] : '0';
    }
    if (count > whole) {
        buffer[length++] = '.';
        std::memcpy(buffer + length, digits + whole, size_t(count - whole));
        length += count - whole;
    }
    return length;
}

// The %.Pg text, P = max(6, digits), built from the shortest digits that
// read back. Away from bare significands those digits are the value rounded
// to their own count (any closer text of as many digits would read back too,
// and the shortest search takes the nearest, ties to even as printf does),
// and with fewer than 6 a 6-digit rounding adds only zeros that %g drops,
// because no two 6-digit texts fit between one value's neighbours. So the
// text is the printf rule's without the trial conversions.
template <class F>
int FormatFromShortestDigits(char *buffer, F value)
{
    char scientific[NUMBER_TEXT_SIZE];
    const auto r = std::to_chars(scientific, scientific + NUMBER_TEXT_SIZE, value, std::chars_format::scientific);
    const char *p = scientific;
    const char *const end = r.ptr;
    const bool negative = *p == '-';
    if (negative) {
        ++p;
    }
    // "d.ddde+XX": the digits without the point, then the exponent.
    char digits[24];
    int count = 0;
    const char *e = p;
    for (; e < end && *e != 'e'; ++e) {
        if (*e != '.') {
            digits[count++] = *e;
        }
    }
    int exponent = 0;
    for (const char *x = e + 2; x < end; ++x) {
        exponent = exponent * 10 + (*x - '0');
    }
    if (e[1] == '-') {
        exponent = -exponent;
    }
    return PlaceDigits(buffer, negative, digits, count, exponent);
}

// Numbers as modelling tools write them have a few decimals: when the value
// times 10^j (j up to 6) is an integer r of at most 15 digits with r / 10^j
// giving the value back in double arithmetic (both exact operands, so one
// correct rounding, the same as reading the text), the digits of r are the
// only text of at most 15 digits between the value's neighbours, and so the
// shortest digits. Returns the length, or 0 when the value is not of that kind.
int FormatFewDecimals(char *buffer, double value)
{
    static constexpr double kPowers[] = {1, 10, 100, 1e3, 1e4, 1e5, 1e6};
    const double magnitude = std::fabs(value);
    if (!(magnitude >= 1e-5 && magnitude < 1e15)) {
        return 0;
    }
    // When some j fits, the largest does too, with r times a power of ten
    // (the same exact quotient, so the same rounding): one trial at six
    // places finds r's digits, and dropping their trailing zeros gives the
    // smallest j's. The loop remains for values too large for six places.
    int first = 0;
    if (magnitude * kPowers[6] < 1e15) {
        first = 6;
    }
    for (int j = first; j < int(std::size(kPowers)); ++j) {
        const double scaled = magnitude * kPowers[j];
        if (scaled >= 1e15) {
            return 0;
        }
        // Rounded to an integer in the current mode, as nearbyint rounds:
        // below 2^52 the sum's last place is 1, and taking 2^52 off is exact.
        const double whole = (scaled + 0x1p52) - 0x1p52;
        if (whole / kPowers[j] != magnitude) {
            continue;
        }
        char digits[24];
        const auto r = std::to_chars(digits, digits + sizeof(digits), static_cast<std::uint64_t>(whole));
        int count = int(r.ptr - digits);
        const int exponent = count - 1 - j;
        while (count > 1 && digits[count - 1] == '0') {
            --count;
        }
        return PlaceDigits(buffer, value < 0, digits, count, exponent);
    }
    return 0;
}

// The shortest %.Ng (N from 6 up to maxDigits) that reads back as the value.
template <class F>
int FormatShortest(char *buffer, F value, int maxDigits)
{
    if constexpr (std::is_same_v<F, double>) {
        if (const int length = FormatFewDecimals(buffer, value)) {
            buffer[length] = '\0';
            return length;
        }
    }
    if (std::isfinite(value) && !NeedsTrialSearch(value)) {
        const int length = FormatFromShortestDigits(buffer, value);
        buffer[length] = '\0';
        return length;
    }
    char *const end = buffer + NUMBER_TEXT_SIZE - 1;
    int length = 0;
    if (std::isnan(value)) {
        length = 3;
        std::memcpy(buffer, "nan", 3);
    } else if (std::isinf(value)) {
        length = value < 0 ? 4 : 3;
        std::memcpy(buffer, value < 0 ? "-inf" : "inf", size_t(length));
    } else {
        auto r = std::to_chars(buffer, end, value, std::chars_format::general, 6);
        if (!ReadsBack(buffer, r.ptr, value)) {
            // Start where the shortest exact form says the digits are enough;
            // %.Ng rounds to nearest, which at a power of two may still miss,
            // hence the loop.
            auto s = std::to_chars(buffer, end, value, std::chars_format::scientific);
            int digits = int(std::count_if(buffer, std::find(buffer, s.ptr, 'e'),
                                           [](char c) { return c >= '0' && c <= '9'; }));
            for (int precision = std::max(digits, 7); precision <= maxDigits; ++precision) {
                r = std::to_chars(buffer, end, value, std::chars_format::general, precision);
                if (ReadsBack(buffer, r.ptr, value)) {
                    break;
                }
            }
        }
        length = int(r.ptr - buffer);
    }
    buffer[length] = '\0';
    return length;
}

// --- Reading -----------------------------------------------------------------

inline bool IsBlank(int c)
{
    return c == ' ' || c == '\n' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

inline bool IsDigit(int c) { return c >= '0' && c <= '9'; }

// Direct access to a stream buffer's get area, so that a number lying wholly
// inside it is scanned and converted in place. The members are protected for
// derived buffers; named through a derived class they give member pointers
// that apply to any buffer.
struct GetArea : std::streambuf {
    static const char *Next(std::streambuf *sb) { return (sb->*&GetArea::gptr)(); }
    static const char *End(std::streambuf *sb) { return (sb->*&GetArea::egptr)(); }
    static void Advance(std::streambuf *sb, const char *to) { (sb->*&GetArea::gbump)(int(to - Next(sb))); }
};

// What the stream's sentry does before an extraction: fail on a stream that
// is not good, skip blanks when skipws is set, and report an end reached
// there. Returns the buffer positioned on the first character, or null with
// the state set.
std::streambuf *BeginExtraction(std::istream &is)
{
    std::streambuf *sb = is.rdbuf();
    if (!is.good() || sb == nullptr) {
        is.setstate(std::ios_base::failbit);
        return nullptr;
    }
    if (is.flags() & std::ios_base::skipws) {
        const char *p = GetArea::Next(sb);
        const char *end = GetArea::End(sb);
        while (p < end && IsBlank(*p)) {
            ++p;
        }
        GetArea::Advance(sb, p);
        if (p < end) {
            return sb;
        }
        int c = sb->sgetc();
        while (c != EOF_CHAR && IsBlank(c)) {
            c = sb->snextc();
        }
        if (c == EOF_CHAR) {
            is.setstate(std::ios_base::eofbit | std::ios_base::failbit);
            return nullptr;
        }
    }
    return sb;
}

// Number characters as they are taken from the stream. Nearly every number
// fits the fixed buffer; absurdly long digit runs spill into a string so that
// they still convert exactly.
class NumberChars {
public:
    void Push(char c)
    {
        if (m_length < int(sizeof(m_fixed))) {
            m_fixed[m_length++] = c;
            return;
        }
        if (m_spill.empty()) {
            m_spill.assign(m_fixed, size_t(m_length));
        }
        m_spill.push_back(c);
    }
    const char *Begin() const { return m_spill.empty() ? m_fixed : m_spill.data(); }
    const char *End() const { return m_spill.empty() ? m_fixed + m_length : m_spill.data() + m_spill.size(); }

private:
    char m_fixed[96];
    int m_length = 0;
    std::string m_spill;
};

// Takes the longest prefix that can continue a decimal floating number, as
// the stream's extraction does: sign, digits, ".", digits, and an exponent
// only after a mantissa digit. Returns the character after it.
int ScanFloat(std::streambuf *sb, NumberChars &chars)
{
    int c = sb->sgetc();
    if (c == '+' || c == '-') {
        if (c == '-') {
            chars.Push('-');
        }
        c = sb->snextc();
    }
    if (c == 'i' || c == 'n') {
        // The words the writer gives the non-finite values; a word that
        // breaks off is taken as far as it matches and fails to convert.
        const char *word = c == 'i' ? "inf" : "nan";
        for (int i = 0; i < 3 && c == word[i]; ++i) {
            chars.Push(char(c));
            c = sb->snextc();
        }
        return c;
    }
    bool mantissa = false;
    while (IsDigit(c)) {
        chars.Push(char(c));
        mantissa = true;
        c = sb->snextc();
    }
    if (c == '.') {
        chars.Push('.');
        c = sb->snextc();
        while (IsDigit(c)) {
            chars.Push(char(c));
            mantissa = true;
            c = sb->snextc();
        }
    }
    if (mantissa && (c == 'e' || c == 'E')) {
        chars.Push('e');
        c = sb->snextc();
        if (c == '+' || c == '-') {
            chars.Push(char(c));
            c = sb->snextc();
        }
        while (IsDigit(c)) {
            chars.Push(char(c));
            c = sb->snextc();
        }
    }
    return c;
}

// The same grammar over characters in memory: returns where the number text
// stops, or `end` when it may go on past it.
const char *ScanFloatText(const char *p, const char *end)
{
    if (p < end && (*p == '+' || *p == '-')) {
        ++p;
    }
    if (p < end && (*p == 'i' || *p == 'n')) {
        const char *word = *p == 'i' ? "inf" : "nan";
        for (int i = 0; i < 3 && p < end && *p == word[i]; ++i) {
            ++p;
        }
        return p;
    }
    bool mantissa = false;
    while (p < end && IsDigit(*p)) {
        ++p;
        mantissa = true;
    }
    if (p < end && *p == '.') {
        ++p;
        while (p < end && IsDigit(*p)) {
            ++p;
            mantissa = true;
        }
    }
    if (mantissa && p < end && (*p == 'e' || *p == 'E')) {
        ++p;
        if (p < end && (*p == '+' || *p == '-')) {
            ++p;
        }
        while (p < end && IsDigit(*p)) {
            ++p;
        }
    }
    return p;
}

// For a well-formed number that did not fit the type: whether it is too
// large (rather than too small). Compares the decimal exponent of its first
// significant digit with zero.
bool IsTooLarge(const char *first, const char *last)
{
    long long position = 0;  // decimal exponent of the first significant digit, before "e"
    bool seenPoint = false;
    bool significant = false;
    const char *p = first;
    for (; p != last && *p != 'e'; ++p) {
        if (*p == '.') {
            seenPoint = true;
        } else if (IsDigit(*p)) {
            if (!significant && *p != '0') {
                significant = true;
            }
            if (significant && !seenPoint) {
                ++position;
            } else if (!significant && seenPoint) {
                --position;
            }
        }
    }
    long long exponent = 0;
    if (p != last) {
        ++p;
        bool negative = p != last && *p == '-';
        if (p != last && (*p == '-' || *p == '+')) {
            ++p;
        }
        for (; p != last; ++p) {
            exponent = std::min<long long>(exponent * 10 + (*p - '0'), 1LL << 40);
        }
        if (negative) {
            exponent = -exponent;
        }
    }
    return position + exponent > 0;
}

// Converts the taken number text as the stream's extraction would: 0 and
// failbit for a malformed text, the largest value and failbit for one too
// large, zero for one too small.
template <class F>
std::ios_base::iostate ConvertFloat(const char *first, const char *last, F &value)
{
    if (first != last && *first == '+') {
        ++first;  // the conversion takes no plus sign
    }
    F result{};
    auto r = std::from_chars(first, last, result);
    if (r.ptr != last || (r.ec != std::errc() && r.ec != std::errc::result_out_of_range)) {
        value = F(0);
        return std::ios_base::failbit;
    }
    if (r.ec == std::errc::result_out_of_range) {
        bool negative = *first == '-';
        if (IsTooLarge(first, last)) {
            value = negative ? -std::numeric_limits<F>::max() : std::numeric_limits<F>::max();
            return std::ios_base::failbit;
        }
        value = negative ? -F(0) : F(0);
        return std::ios_base::goodbit;
    }
    value = result;
    return std::ios_base::goodbit;
}

template <class F>
bool ReadFloat(std::istream &is, F &value)
{
    std::streambuf *sb = BeginExtraction(is);
    if (sb == nullptr) {
        return false;
    }
    std::ios_base::iostate state = std::ios_base::goodbit;
    const char *begin = GetArea::Next(sb);
    const char *end = GetArea::End(sb);
    const char *stop = ScanFloatText(begin, end);
    if (stop != end) {
        state = ConvertFloat(begin, stop, value);
        GetArea::Advance(sb, stop);
    } else {
        // The number may run on past the buffered characters.
        NumberChars chars;
        if (ScanFloat(sb, chars) == EOF_CHAR) {
            state |= std::ios_base::eofbit;
        }
        state |= ConvertFloat(chars.Begin(), chars.End(), value);
    }
    if (state != std::ios_base::goodbit) {
        is.setstate(state);
    }
    return !is.fail();
}

// A decimal integer as it is taken: sign and saturated magnitude.
struct IntegerText {
    bool negative = false;
    bool digits = false;
    bool overflow = false;
    unsigned long long magnitude = 0;

    void Digit(int c, unsigned long long limit)
    {
        digits = true;
        if (!overflow) {
            magnitude = magnitude * 10 + unsigned(c - '0');
            overflow = magnitude > limit;
        }
    }
};

// Narrows as the stream's extraction does: 0 and failbit without digits, the
// type's bound and failbit out of range; an unsigned type takes a negative
// number negated in its width.
template <class I>
std::ios_base::iostate ConvertInteger(const IntegerText &t, I &value, long long minimum, long long maximum)
{
    const bool isUnsigned = minimum == 0;
    if (!t.digits) {
        value = I(0);
        return std::ios_base::failbit;
    }
    if (isUnsigned) {
        if (t.overflow || t.magnitude > (unsigned long long)maximum) {
            value = I(maximum);
            return std::ios_base::failbit;
        }
        value = t.negative ? I(0ULL - t.magnitude) : I(t.magnitude);
    } else if (t.negative) {
        if (t.overflow || t.magnitude > (unsigned long long)(-(minimum + 1)) + 1) {
            value = I(minimum);
            return std::ios_base::failbit;
        }
        value = t.magnitude == 0 ? I(0) : I(-(long long)(t.magnitude - 1) - 1);
    } else {
        if (t.overflow || t.magnitude > (unsigned long long)maximum) {
            value = I(maximum);
            return std::ios_base::failbit;
        }
        value = I(t.magnitude);
    }
    return std::ios_base::goodbit;
}

template <class I>
bool ReadInteger(std::istream &is, I &value, long long minimum, long long maximum)
{
    std::streambuf *sb = BeginExtraction(is);
    if (sb == nullptr) {
        return false;
    }
    // Room for the magnitude of the minimum; beyond it only saturation matters.
    const unsigned long long limit = (unsigned long long)(maximum) + 1;
    std::ios_base::iostate state = std::ios_base::goodbit;
    IntegerText text;
    const char *p = GetArea::Next(sb);
    const char *end = GetArea::End(sb);
    if (p < end && (*p == '+' || *p == '-')) {
        text.negative = *p++ == '-';
    }
    while (p < end && IsDigit(*p)) {
        text.Digit(*p++, limit);
    }
    if (p != end) {
        GetArea::Advance(sb, p);
    } else {
        // The number may run on past the buffered characters: take them one
        // by one from where the buffer stood.
        text = IntegerText();
        int c = sb->sgetc();
        if (c == '+' || c == '-') {
            text.negative = c == '-';
            c = sb->snextc();
        }
        while (IsDigit(c)) {
            text.Digit(c, limit);
            c = sb->snextc();
        }
        if (c == EOF_CHAR) {
            state |= std::ios_base::eofbit;
        }
    }
    state |= ConvertInteger(text, value, minimum, maximum);
    if (state != std::ios_base::goodbit) {
        is.setstate(state);
    }
    return !is.fail();
}

// Whether a number starts at the next non-blank character, without taking
// any of it. A sign or point needs the character after it to tell.
bool NumberAhead(std::istream &is)
{
    int c = PeekNonBlank(is);
    if (IsDigit(c)) {
        return true;
    }
    if (c != '+' && c != '-' && c != '.') {
        return false;
    }
    std::streambuf *sb = is.rdbuf();
    sb->sbumpc();
    int next = sb->sgetc();
    bool ahead = IsDigit(next) || (next == '.' && c != '.');
    if (sb->sputbackc(char(c)) == EOF_CHAR) {
        // The sign is gone and cannot come back; let the number read fail.
        return true;
    }
    return ahead;
}

template <class T>
int ReadTupleOf(std::istream &is, T *values, int count, bool lastOptional)
{
    int c = PeekNonBlank(is);
    if (c == EOF_CHAR) {
        is.setstate(std::ios_base::failbit);
        return -1;
    }
    std::streambuf *sb = is.rdbuf();
    bool parenthesised = c == '(';
    if (parenthesised) {
        sb->sbumpc();
    }
    int read = 0;
    bool commas = false;
    for (int i = 0; i < count; ++i) {
        if (i > 0 && PeekNonBlank(is) == ',') {
            // In a list of blank-separated values ("1 0 0, 0 1 0") a comma
            // before an optional last number separates the list's items.
            if (lastOptional && i == count - 1 && !parenthesised && !commas) {
                break;
            }
            sb->sbumpc();
            commas = true;
        }
        if (lastOptional && i == count - 1 && !NumberAhead(is)) {
            // An absent last number leaves the stream usable where it stood.
            is.clear(is.rdstate() & std::ios_base::badbit);
            break;
        }
        if (!ReadNumber(is, values[i])) {
            return -1;
        }
        ++read;
    }
    if (parenthesised) {
        if (PeekNonBlank(is) != ')') {
            is.setstate(std::ios_base::failbit);
            return -1;
        }
        sb->sbumpc();
    }
    return read;
}

// "(a,b,c)" into a buffer of (count + 1) * NUMBER_TEXT_SIZE characters.
template <class T>
int FormatTupleOf(char *text, const T *values, int count)
{
    int length = 0;
    text[length++] = '(';
    for (int i = 0; i < count; ++i) {
        if (i > 0) {
            text[length++] = ',';
        }
        if constexpr (std::is_same_v<T, int>) {
            length += FormatInteger(text + length, values[i]);
        } else {
            length += FormatShortest(text + length, values[i], std::is_same_v<T, float> ? 9 : 17);
        }
    }
    text[length++] = ')';
    return length;
}

// "(a,b,c)" assembled in one buffer and handed to the stream at once.
template <class T>
void WriteTupleOf(std::ostream &os, const T *values, int count)
{
    constexpr int kGroup = 4;
    char text[(kGroup + 1) * NUMBER_TEXT_SIZE];
    if (count <= kGroup) {
        os.write(text, FormatTupleOf(text, values, count));
        return;
    }
    // Longer tuples go out a few numbers at a time.
    os.put('(');
    for (int i = 0; i < count; i += kGroup) {
        if (i > 0) {
            os.put(',');
        }
        const int n = FormatTupleOf(text, values + i, std::min(kGroup, count - i));
        os.write(text + 1, n - 2);
    }
    os.put(')');
}

// In place: blanks, then a number wholly before `end`, converted as the
// stream form converts it; anything else declines and takes nothing.
inline const char *SkipBlanks(const char *p, const char *end)
{
    while (p < end && IsBlank(*p)) {
        ++p;
    }
    return p;
}

template <class F>
bool ScanFloatInPlace(const char *&p, const char *end, F &value)
{
    const char *begin = SkipBlanks(p, end);
    if (const char *stop = NumberTextDetail::ScanPlainDecimal(begin, end, value)) {
        p = stop;
        return true;
    }
    const char *stop = ScanFloatText(begin, end);
    if (stop == end) {
        return false;
    }
    F result{};
    if (ConvertFloat(begin, stop, result) != std::ios_base::goodbit) {
        return false;
    }
    value = result;
    p = stop;
    return true;
}

template <class I>
bool ScanIntegerInPlace(const char *&p, const char *end, I &value, long long minimum, long long maximum)
{
    const unsigned long long limit = (unsigned long long)(maximum) + 1;
    IntegerText text;
    const char *q = SkipBlanks(p, end);
    if (q < end && (*q == '+' || *q == '-')) {
        text.negative = *q++ == '-';
    }
    while (q < end && IsDigit(*q)) {
        text.Digit(*q++, limit);
    }
    if (q == end) {
        return false;
    }
    I result{};
    if (ConvertInteger(text, result, minimum, maximum) != std::ios_base::goodbit) {
        return false;
    }
    value = result;
    p = q;
    return true;
}

// ReadTupleOf without the optional last number, in place.
template <class T>
bool ScanTupleInPlace(const char *&p, const char *end, T *values, int count)
{
    constexpr int kMost = 4;
    if (count > kMost) {
        return false;
    }
    T read[kMost];
    const char *q = SkipBlanks(p, end);
    if (q == end) {
        return false;
    }
    const bool parenthesised = *q == '(';
    if (parenthesised) {
        ++q;
    }
    for (int i = 0; i < count; ++i) {
        if (i > 0) {
            q = SkipBlanks(q, end);
            if (q == end) {
                return false;
            }
            if (*q == ',') {
                ++q;
            }
        }
        if (!ScanFloatInPlace(q, end, read[i])) {
            return false;
        }
    }
    if (parenthesised) {
        q = SkipBlanks(q, end);
        if (q == end || *q != ')') {
            return false;
        }
        ++q;
    }
    std::copy(read, read + count, values);
    p = q;
    return true;
}

} // namespace

int FormatInteger(char *buffer, int value)
{
    return int(std::to_chars(buffer, buffer + NUMBER_TEXT_SIZE, value).ptr - buffer);
}

int FormatTuple(char *buffer, const double *values, int count) { return FormatTupleOf(buffer, values, count); }

int FormatTuple(char *buffer, const float *values, int count) { return FormatTupleOf(buffer, values, count); }

std::string FormatNumber(double value)
{
    char buffer[NUMBER_TEXT_SIZE];
    int n = FormatNumber(buffer, value);
    return std::string(buffer, size_t(n));
}

std::string FormatNumber(float value)
{
    char buffer[NUMBER_TEXT_SIZE];
    int n = FormatNumber(buffer, value);
    return std::string(buffer, size_t(n));
}

int FormatNumber(char (&buffer)[NUMBER_TEXT_SIZE], double value)
{
    return FormatShortest(buffer, value, 17);
}

int FormatNumber(char (&buffer)[NUMBER_TEXT_SIZE], float value)
{
    return FormatShortest(buffer, value, 9);
}

void WriteNumber(std::ostream &os, double value)
{
    char buffer[NUMBER_TEXT_SIZE];
    os.write(buffer, FormatNumber(buffer, value));
}

void WriteNumber(std::ostream &os, float value)
{
    char buffer[NUMBER_TEXT_SIZE];
    os.write(buffer, FormatNumber(buffer, value));
}

void WriteNumber(std::ostream &os, int value)
{
    char buffer[NUMBER_TEXT_SIZE];
    auto r = std::to_chars(buffer, buffer + NUMBER_TEXT_SIZE, value);
    os.write(buffer, r.ptr - buffer);
}

bool ReadNumber(std::istream &is, double &value) { return ReadFloat(is, value); }

bool ReadNumber(std::istream &is, float &value) { return ReadFloat(is, value); }

bool ReadNumber(std::istream &is, int &value)
{
    return ReadInteger(is, value, INT_MIN, INT_MAX);
}

bool ReadNumber(std::istream &is, unsigned short &value)
{
    return ReadInteger(is, value, 0, USHRT_MAX);
}

int PeekNonBlank(std::istream &is)
{
    std::streambuf *sb = is.rdbuf();
    if (!is.good() || sb == nullptr) {
        return EOF_CHAR;
    }
    int c = sb->sgetc();
    while (c != EOF_CHAR && IsBlank(c)) {
        c = sb->snextc();
    }
    if (c == EOF_CHAR) {
        is.setstate(std::ios_base::eofbit);
    }
    return c;
}

int ReadTuple(std::istream &is, double *values, int count, bool lastOptional)
{
    return ReadTupleOf(is, values, count, lastOptional);
}

int ReadTuple(std::istream &is, float *values, int count, bool lastOptional)
{
    return ReadTupleOf(is, values, count, lastOptional);
}

int ReadTuple(std::istream &is, int *values, int count, bool lastOptional)
{
    return ReadTupleOf(is, values, count, lastOptional);
}

void WriteTuple(std::ostream &os, const double *values, int count) { WriteTupleOf(os, values, count); }

void WriteTuple(std::ostream &os, const float *values, int count) { WriteTupleOf(os, values, count); }

void WriteTuple(std::ostream &os, const int *values, int count) { WriteTupleOf(os, values, count); }

namespace NumberTextDetail {

bool ScanNumberGeneral(const char *&p, const char *end, double &value) { return ScanFloatInPlace(p, end, value); }

bool ScanNumberGeneral(const char *&p, const char *end, float &value) { return ScanFloatInPlace(p, end, value); }

bool ScanNumberGeneral(const char *&p, const char *end, int &value)
{
    return ScanIntegerInPlace(p, end, value, INT_MIN, INT_MAX);
}

bool ScanNumberGeneral(const char *&p, const char *end, unsigned short &value)
{
    return ScanIntegerInPlace(p, end, value, 0, USHRT_MAX);
}

} // namespace NumberTextDetail

bool ScanTuple(const char *&p, const char *end, double *values, int count)
{
    return ScanTupleInPlace(p, end, values, count);
}

bool ScanTuple(const char *&p, const char *end, float *values, int count)
{
    return ScanTupleInPlace(p, end, values, count);
}

const char *BufferedBegin(std::streambuf *sb) { return GetArea::Next(sb); }

const char *BufferedEnd(std::streambuf *sb) { return GetArea::End(sb); }

void TakeBuffered(std::streambuf *sb, const char *to) { GetArea::Advance(sb, to); }
