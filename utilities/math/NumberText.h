#pragma once
// Number text shared by every value type and field: the writer picks the
// shortest %g form that reads back to the same value, so nothing is lost on a
// save, and the readers work straight on the stream buffer because every field
// of a scene file passes through them.
#include <iosfwd>
#include <string>

// Room for the longest number text FormatNumber produces, with its terminator.
constexpr int NUMBER_TEXT_SIZE = 32;

// Shortest of %.6g .. %.17g that reads back as the same double.
std::string FormatNumber(double value);
// Shortest of %.6g .. %.9g that reads back as the same float.
std::string FormatNumber(float value);
// The same into a caller's buffer; returns the text length (no allocation).
int FormatNumber(char (&buffer)[NUMBER_TEXT_SIZE], double value);
int FormatNumber(char (&buffer)[NUMBER_TEXT_SIZE], float value);

void WriteNumber(std::ostream &os, double value);
void WriteNumber(std::ostream &os, float value);
void WriteNumber(std::ostream &os, int value);

// Extraction with the results of `is >> value`: leading blanks skipped (when
// skipws is set), sign, digits, ".", exponent, or the words "inf" and "nan"
// that the writer gives the non-finite values (no hex). On a
// failed conversion the value becomes 0 and failbit is set; out of range gives
// the type's largest value of that sign and failbit; running into the end of
// the stream sets eofbit. Returns whether the stream is still usable.
bool ReadNumber(std::istream &is, double &value);
bool ReadNumber(std::istream &is, float &value);
bool ReadNumber(std::istream &is, int &value);
bool ReadNumber(std::istream &is, unsigned short &value);

// In-place forms for readers that walk a stream's buffered characters
// themselves: long number lists are most of a scene file, and the stream form
// pays for its checks once per number. Each reads exactly what the stream form
// reads from a good stream with skipws set standing at `p` (blanks, then the
// number or tuple) and moves `p` past it, but only when that read succeeds
// and its text ends before `end`. Otherwise nothing is taken, false comes
// back and the stream form must decide: a malformed number keeps its one
// message, and a number that may run on past the buffered characters is
// read across the refill.
bool ScanNumber(const char *&p, const char *end, double &value);
bool ScanNumber(const char *&p, const char *end, float &value);
bool ScanNumber(const char *&p, const char *end, int &value);
bool ScanNumber(const char *&p, const char *end, unsigned short &value);
// The tuple grammar of ReadTuple without an optional last number; the values
// change only when the whole tuple was read.
bool ScanTuple(const char *&p, const char *end, double *values, int count);
bool ScanTuple(const char *&p, const char *end, float *values, int count);

// The characters a stream buffer holds ahead of its read position, and
// taking them up to `to` (which lies in that range).
const char *BufferedBegin(std::streambuf *sb);
const char *BufferedEnd(std::streambuf *sb);
void TakeBuffered(std::streambuf *sb, const char *to);

// Skips blanks and returns the next character without taking it, or EOF
// (setting eofbit) at the end of the stream.
int PeekNonBlank(std::istream &is);

// The tuple grammar of every vector type: an optional "(", `count` numbers
// separated by blanks or one ",", and the ")" that an opening "(" requires.
// With lastOptional the final number may be absent (nothing of it is taken and
// the stream stays usable). Numbers read before a failure stay in `values`.
// Returns how many numbers were read, or -1 with failbit set on a failure.
int ReadTuple(std::istream &is, double *values, int count, bool lastOptional = false);
int ReadTuple(std::istream &is, float *values, int count, bool lastOptional = false);
int ReadTuple(std::istream &is, int *values, int count, bool lastOptional = false);

// The same texts into a caller's buffer, for writers that gather many
// numbers before handing them to a stream. FormatInteger needs
// NUMBER_TEXT_SIZE characters of room, FormatTuple count + 1 times that.
// Both return the text length and write no terminator.
int FormatInteger(char *buffer, int value);
int FormatTuple(char *buffer, const double *values, int count);
int FormatTuple(char *buffer, const float *values, int count);

// "(" the numbers joined by "," ")", without blanks.
void WriteTuple(std::ostream &os, const double *values, int count);
void WriteTuple(std::ostream &os, const float *values, int count);
void WriteTuple(std::ostream &os, const int *values, int count);
