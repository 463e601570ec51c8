#pragma once
// Number text shared by every value type and field: the writer picks the
// shortest %g form that reads back to the same value, so nothing is lost on a
// save, and the readers work straight on the stream buffer because every field
// of a scene file passes through them.
#include <climits>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <limits>
#include <type_traits>
#include "utilities/BrannicExport.h"

// Room for the longest number text FormatNumber produces, with its terminator.
constexpr int NUMBER_TEXT_SIZE = 32;

// Shortest of %.6g .. %.17g that reads back as the same double.
BRANNIC_API std::string FormatNumber(double value);
// Shortest of %.6g .. %.9g that reads back as the same float.
BRANNIC_API std::string FormatNumber(float value);
// The same into a caller's buffer; returns the text length (no allocation).
BRANNIC_API int FormatNumber(char (&buffer)[NUMBER_TEXT_SIZE], double value);
BRANNIC_API int FormatNumber(char (&buffer)[NUMBER_TEXT_SIZE], float value);

BRANNIC_API void WriteNumber(std::ostream &os, double value);
BRANNIC_API void WriteNumber(std::ostream &os, float value);
BRANNIC_API void WriteNumber(std::ostream &os, int value);

// Extraction with the results of `is >> value`: leading blanks skipped (when
// skipws is set), sign, digits, ".", exponent, or the words "inf" and "nan"
// that the writer gives the non-finite values (no hex). On a
// failed conversion the value becomes 0 and failbit is set; out of range gives
// the type's largest value of that sign and failbit; running into the end of
// the stream sets eofbit. Returns whether the stream is still usable.
BRANNIC_API bool ReadNumber(std::istream &is, double &value);
BRANNIC_API bool ReadNumber(std::istream &is, float &value);
BRANNIC_API bool ReadNumber(std::istream &is, int &value);
BRANNIC_API bool ReadNumber(std::istream &is, unsigned short &value);

// In-place forms for readers that walk a stream's buffered characters
// themselves: long number lists are most of a scene file, and the stream form
// pays for its checks once per number. Each reads exactly what the stream form
// reads from a good stream with skipws set standing at `p` (blanks, then the
// number or tuple) and moves `p` past it, but only when that read succeeds
// and its text ends before `end`. Otherwise nothing is taken, false comes
// back and the stream form must decide: a malformed number keeps its one
// message, and a number that may run on past the buffered characters is
// read across the refill.
// Plain numbers ("-12.375", "42") take an inline path, since list readers
// call these once per number; everything else the general one.
inline bool ScanNumber(const char *&p, const char *end, double &value);
inline bool ScanNumber(const char *&p, const char *end, float &value);
inline bool ScanNumber(const char *&p, const char *end, int &value);
inline bool ScanNumber(const char *&p, const char *end, unsigned short &value);
// The tuple grammar of ReadTuple without an optional last number; the values
// change only when the whole tuple was read.
BRANNIC_API bool ScanTuple(const char *&p, const char *end, double *values, int count);
BRANNIC_API bool ScanTuple(const char *&p, const char *end, float *values, int count);

// The characters a stream buffer holds ahead of its read position, and
// taking them up to `to` (which lies in that range).
BRANNIC_API const char *BufferedBegin(std::streambuf *sb);
BRANNIC_API const char *BufferedEnd(std::streambuf *sb);
BRANNIC_API void TakeBuffered(std::streambuf *sb, const char *to);

// Skips blanks and returns the next character without taking it, or EOF
// (setting eofbit) at the end of the stream.
BRANNIC_API int PeekNonBlank(std::istream &is);

// The tuple grammar of every vector type: an optional "(", `count` numbers
// separated by blanks or one ",", and the ")" that an opening "(" requires.
// With lastOptional the final number may be absent (nothing of it is taken and
// the stream stays usable). Numbers read before a failure stay in `values`.
// Returns how many numbers were read, or -1 with failbit set on a failure.
BRANNIC_API int ReadTuple(std::istream &is, double *values, int count, bool lastOptional = false);
BRANNIC_API int ReadTuple(std::istream &is, float *values, int count, bool lastOptional = false);
BRANNIC_API int ReadTuple(std::istream &is, int *values, int count, bool lastOptional = false);

// The same texts into a caller's buffer, for writers that gather many
// numbers before handing them to a stream. FormatInteger needs
// NUMBER_TEXT_SIZE characters of room, FormatTuple count + 1 times that.
// Both return the text length and write no terminator.
BRANNIC_API int FormatInteger(char *buffer, int value);
BRANNIC_API int FormatTuple(char *buffer, const double *values, int count);
BRANNIC_API int FormatTuple(char *buffer, const float *values, int count);

// "(" the numbers joined by "," ")", without blanks.
BRANNIC_API void WriteTuple(std::ostream &os, const double *values, int count);
BRANNIC_API void WriteTuple(std::ostream &os, const float *values, int count);
BRANNIC_API void WriteTuple(std::ostream &os, const int *values, int count);

// ---- The inline part of the in-place readers ----------------------------------

namespace NumberTextDetail {

inline bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
inline bool IsDigit(char c) { return c >= '0' && c <= '9'; }

inline const char *SkipBlanks(const char *p, const char *end)
{
    while (p < end && IsBlank(*p))
        ++p;
    return p;
}

// A plain decimal (sign, digits, point, digits; no exponent) converted
// without the general routine: with at most 15 digits (7 for a float) the
// digits are exactly a value of the type, and so is 10^k for k <= 22 (10 for
// a float), so one division rounds correctly, to what from_chars gives.
// Returns where the number text stops, or null when it is not of that kind
// or may go on past `end`.
template <class F>
const char *ScanPlainDecimal(const char *p, const char *end, F &value)
{
    constexpr bool kFloat = std::is_same_v<F, float>;
    constexpr long kMostDigits = kFloat ? 7 : 15;
    constexpr long kMostDecimals = kFloat ? 10 : 22;
    static constexpr F kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                    1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    bool negative = false;
    if (p < end && (*p == '-' || *p == '+')) {
        negative = *p == '-';
        ++p;
    }
    // Longer digit runs wrap around here harmlessly: they are refused below.
    std::uint64_t digits = 0;
    const char *const whole = p;
    while (p < end && IsDigit(*p)) {
        digits = digits * 10 + static_cast<unsigned>(*p - '0');
        ++p;
    }
    long count = p - whole;
    long decimals = 0;
    if (p < end && *p == '.') {
        const char *const fraction = ++p;
        while (p < end && IsDigit(*p)) {
            digits = digits * 10 + static_cast<unsigned>(*p - '0');
            ++p;
        }
        decimals = p - fraction;
        count += decimals;
    }
    if (p == end || count == 0 || count > kMostDigits || decimals > kMostDecimals || *p == 'e' || *p == 'E')
        return nullptr;
    const F result = static_cast<F>(digits) / kPowers[decimals];
    value = negative ? -result : result;
    return p;
}

// A sign and at most 9 digits, in range of the type (a negative number only
// for a signed type). Returns where it stops, or null as above.
template <class I>
const char *ScanPlainInteger(const char *p, const char *end, I &value)
{
    bool negative = false;
    if (p < end && (*p == '-' || *p == '+')) {
        negative = *p == '-';
        ++p;
    }
    const char *const first = p;
    const char *const last = end - p > 9 ? p + 9 : end;
    long long magnitude = 0;
    while (p < last && IsDigit(*p)) {
        magnitude = magnitude * 10 + (*p - '0');
        ++p;
    }
    if (p == end || p == first || IsDigit(*p))
        return nullptr;
    if (negative) {
        if (std::is_unsigned_v<I> || -magnitude < static_cast<long long>(std::numeric_limits<I>::min()))
            return nullptr;
        value = static_cast<I>(-magnitude);
    } else {
        if (magnitude > static_cast<long long>(std::numeric_limits<I>::max()))
            return nullptr;
        value = static_cast<I>(magnitude);
    }
    return p;
}

BRANNIC_API bool ScanNumberGeneral(const char *&p, const char *end, double &value);
BRANNIC_API bool ScanNumberGeneral(const char *&p, const char *end, float &value);
BRANNIC_API bool ScanNumberGeneral(const char *&p, const char *end, int &value);
BRANNIC_API bool ScanNumberGeneral(const char *&p, const char *end, unsigned short &value);

template <class T>
bool ScanNumber(const char *&p, const char *end, T &value)
{
    const char *begin = SkipBlanks(p, end);
    const char *stop = nullptr;
    if constexpr (std::is_floating_point_v<T>)
        stop = ScanPlainDecimal(begin, end, value);
    else
        stop = ScanPlainInteger(begin, end, value);
    if (stop) {
        p = stop;
        return true;
    }
    return ScanNumberGeneral(p, end, value);
}

} // namespace NumberTextDetail

inline bool ScanNumber(const char *&p, const char *end, double &value)
{
    return NumberTextDetail::ScanNumber(p, end, value);
}

inline bool ScanNumber(const char *&p, const char *end, float &value)
{
    return NumberTextDetail::ScanNumber(p, end, value);
}

inline bool ScanNumber(const char *&p, const char *end, int &value)
{
    return NumberTextDetail::ScanNumber(p, end, value);
}

inline bool ScanNumber(const char *&p, const char *end, unsigned short &value)
{
    return NumberTextDetail::ScanNumber(p, end, value);
}
