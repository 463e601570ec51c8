#pragma once
// What each field value type does inside a field: its default, the equality
// that both the no-change test and Compare use, interpolation, the text form
// and how a value is stored (node pointers keep the fathers lists right).
// Single-value and array fields share these, so an element reads and writes
// the same in both.
#include <cmath>
#include <iosfwd>
#include <limits>
#include <string>
#include <string_view>
#include <type_traits>

#include "engine/core/CountPtr.h"
#include "engine/core/Image2.h"
#include "engine/core/NodePtr.h"
#include "engine/core/RxFunc.h"
#include "engine/core/SgField.h"
#include "utilities/math/Color.h"
#include "utilities/math/Rotation.h"
#include "utilities/math/Vec2.h"
#include "utilities/math/Vec2f.h"
#include "utilities/math/Vec3.h"
#include "utilities/math/Vec3f.h"
#include "utilities/math/Vec4.h"
#include "utilities/math/NumberText.h"
#include "engine/core/NodaraExport.h"

class SgFieldMngr;

namespace SgFieldValue {

// Registered class names of the single-value and array field of each type id.
template <int N> struct TypeNames;
#define SG_FIELD_TYPE_NAMES(N, Single, Array)                                           \
    template <> struct TypeNames<N> {                                                   \
        static constexpr const char *single = Single;                                   \
        static constexpr const char *array = Array;                                     \
    };
SG_FIELD_TYPE_NAMES(SgFieldInt, "SgFInt", "SgVFInt")
SG_FIELD_TYPE_NAMES(SgFieldFloat, "SgFFloat", "SgVFFloat")
SG_FIELD_TYPE_NAMES(SgFieldUShort, "SgFUShort", "SgVFUShort")
SG_FIELD_TYPE_NAMES(SgFieldDouble, "SgFDouble", "SgVFDouble")
SG_FIELD_TYPE_NAMES(SgFieldVec2, "SgFVec2", "SgVFVec2")
SG_FIELD_TYPE_NAMES(SgFieldVec3, "SgFVec3", "SgVFVec3")
SG_FIELD_TYPE_NAMES(SgFieldVec4, "SgFVec4", "SgVFVec4")
SG_FIELD_TYPE_NAMES(SgFieldVec2f, "SgFVec2f", "SgVFVec2f")
SG_FIELD_TYPE_NAMES(SgFieldColor, "SgFColor", "SgVFColor")
SG_FIELD_TYPE_NAMES(SgFieldRotation, "SgFRotation", "SgVFRotation")
SG_FIELD_TYPE_NAMES(SgFieldImage, "SgFImage", "SgVFImage")
SG_FIELD_TYPE_NAMES(SgFieldString, "SgFStr", "SgVFStr")
SG_FIELD_TYPE_NAMES(SgFieldVec3f, "SgFVec3f", "SgVFVec3f")
SG_FIELD_TYPE_NAMES(SgFieldNodePtr, "SgFNodePtr", "SgVFNodePtr")
SG_FIELD_TYPE_NAMES(SgFieldR1FuncRef, "SgFR1FuncRef", "SgVFR1FuncRef")
SG_FIELD_TYPE_NAMES(SgFieldR2FuncRef, "SgFR2FuncRef", "SgVFR2FuncRef")
SG_FIELD_TYPE_NAMES(SgFieldR3FuncRef, "SgFR3FuncRef", "SgVFR3FuncRef")
#undef SG_FIELD_TYPE_NAMES

// A field's value before anything is stored: zero numbers and vectors, the
// classes' own defaults (colour (0, 0, 0, 1), identity rotation, empty image).
template <class T>
T Default()
{
    if constexpr (std::is_arithmetic_v<T> || std::is_pointer_v<T>)
        return T{};
    else
        return T();
}

// Equality: numbers and components exactly (a NaN equals nothing), all four
// colour components, strings case-sensitively, images by size, type, pixel
// buffer and path, pointers and shared functions by identity.
template <class T>
bool Equal(const T &a, const T &b)
{
    return a == b;
}
NODARA_API bool Equal(const Image2 &a, const Image2 &b);
template <class F>
bool Equal(const CountPtr<F> &a, const CountPtr<F> &b)
{
    return a.get() == b.get();
}

// Interpolation at t (0 gives a, 1 gives b).
NODARA_API double Interpolate(double a, double b, double t);
NODARA_API float Interpolate(float a, float b, double t);
// Integers are computed in double and truncated toward zero, saturating at
// the type's range rather than overflowing.
NODARA_API int Interpolate(int a, int b, double t);
NODARA_API unsigned short Interpolate(unsigned short a, unsigned short b, double t);
NODARA_API const NodePtr &Interpolate(const NodePtr &a, const NodePtr &b, double t);
// Types without a meaningful blend take a below t = 0.5 and b from it on.
template <class T>
T Interpolate(const T &a, const T &b, double t)
    requires(std::is_same_v<T, std::string> || std::is_same_v<T, Image2> || std::is_pointer_v<T>)
{
    return t < 0.5 ? a : b;
}
template <class F>
CountPtr<F> Interpolate(const CountPtr<F> &a, const CountPtr<F> &b, double t)
{
    return t < 0.5 ? a : b;
}
using ::Interpolate;

// Text form of one value, as fields and array elements write it.
NODARA_API void Write(std::ostream &out, int value);
NODARA_API void Write(std::ostream &out, unsigned short value);
NODARA_API void Write(std::ostream &out, float value);
NODARA_API void Write(std::ostream &out, double value);
NODARA_API void Write(std::ostream &out, const std::string &value);
NODARA_API void Write(std::ostream &out, const Image2 &value);
NODARA_API void Write(std::ostream &out, const NodePtr &value);
NODARA_API void Write(std::ostream &out, R3Func *value);
NODARA_API void Write(std::ostream &out, const CountPtr<R1Func> &value);
NODARA_API void Write(std::ostream &out, const CountPtr<R2Func> &value);
template <class T>
void Write(std::ostream &out, const T &value)
{
    out << value;
}

// Value types whose text (the same as Write gives) can go straight into a
// character buffer, so that long arrays are written in large pieces rather
// than a stream call per number.
template <class T>
inline constexpr bool kFormatsToChars =
    std::is_same_v<T, int> || std::is_same_v<T, unsigned short> || std::is_same_v<T, float> ||
    std::is_same_v<T, double> || std::is_same_v<T, Vec2> || std::is_same_v<T, Vec2f> ||
    std::is_same_v<T, Vec3> || std::is_same_v<T, Vec3f>;
// Room that one such value's text needs.
inline constexpr int kFormattedTextSize = 4 * NUMBER_TEXT_SIZE;
NODARA_API int Format(char *buffer, int value);
NODARA_API int Format(char *buffer, unsigned short value);
NODARA_API int Format(char *buffer, float value);
NODARA_API int Format(char *buffer, double value);
NODARA_API int Format(char *buffer, const Vec2 &value);
NODARA_API int Format(char *buffer, const Vec2f &value);
NODARA_API int Format(char *buffer, const Vec3 &value);
NODARA_API int Format(char *buffer, const Vec3f &value);

// Reads one value; false (with the stream's failbit set) when the text is not
// a value of the type, in which case the caller stores nothing.
NODARA_API bool Read(std::istream &in, int &value);
NODARA_API bool Read(std::istream &in, unsigned short &value);
NODARA_API bool Read(std::istream &in, float &value);
NODARA_API bool Read(std::istream &in, double &value);
NODARA_API bool Read(std::istream &in, std::string &value);
NODARA_API bool Read(std::istream &in, Image2 &value);
NODARA_API bool Read(std::istream &in, NodePtr &value);
NODARA_API bool Read(std::istream &in, R3Func *&value);
NODARA_API bool Read(std::istream &in, CountPtr<R1Func> &value);
NODARA_API bool Read(std::istream &in, CountPtr<R2Func> &value);
template <class T>
bool Read(std::istream &in, T &value)
{
    return static_cast<bool>(in >> value);
}

// Longest element text of a string array.
constexpr int kMaxStringLength = 4095;

// The one text grammar of strings, in field text and in scene text: within
// double quotes, a quote or a backslash escaped by a backslash (a doubled
// quote reads too); a backslash before any other character is itself; any
// length, line ends included.
NODARA_API void WriteQuotedText(std::ostream &out, std::string_view text);
// Skips blanks and reads such a text; failbit, and nothing taken for the
// text, when no quote opens it or none closes it.
NODARA_API bool ReadQuotedText(std::istream &in, std::string &text);

// Stores a value into a field of the container. Node pointers tell the
// referenced nodes who holds them.
template <class T>
void Store(T &slot, const T &value, SgFieldMngr *)
{
    slot = value;
}
NODARA_API void Store(NodePtr &slot, const NodePtr &value, SgFieldMngr *container);

// A field going away lets go of what it refers to.
template <class T>
void Detach(T &, SgFieldMngr *)
{
}
NODARA_API void Detach(NodePtr &slot, SgFieldMngr *container);

} // namespace SgFieldValue
