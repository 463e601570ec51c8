// Arithmetic, comparisons and the mathematical functions. Integers are 32-bit
// and wrap around as two's complement; a double anywhere makes the rest of
// the computation double.
#include <climits>
#include <cmath>

#include "engine/engines/lisp/LispBuiltins.h"
#include "engine/engines/lisp/LispState.h"

namespace {


// Wrapping 32-bit operations, computed unsigned so that overflow is defined.
int32_t WrapAdd(int32_t a, int32_t b)
{
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

int32_t WrapSub(int32_t a, int32_t b)
{
    return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}

int32_t WrapMul(int32_t a, int32_t b)
{
    return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}

enum class Op { Add, Sub, Mul };

// The accumulator of +, - and *: an integer until the first double operand.
class Accumulator {
public:
    explicit Accumulator(value_t start)
        : m_isInt(start.tag == LispInteger), m_int(m_isInt ? start.u.i : 0), m_double(m_isInt ? 0.0 : start.u.d)
    {
    }

    void Combine(Op op, value_t v)
    {
        if (m_isInt && v.tag == LispInteger) {
            m_int = op == Op::Add   ? WrapAdd(m_int, v.u.i)
                    : op == Op::Sub ? WrapSub(m_int, v.u.i)
                                    : WrapMul(m_int, v.u.i);
            return;
        }
        if (m_isInt) {
            m_double = m_int;
            m_isInt = false;
        }
        double d = LispToDouble(v);
        m_double = op == Op::Add ? m_double + d : op == Op::Sub ? m_double - d : m_double * d;
    }
    value_t Value() const { return m_isInt ? value_t::Int(m_int) : value_t::Double(m_double); }

private:
    bool m_isInt;
    int32_t m_int;
    double m_double;
};

value_t Fold(Op op, value_t start, value_t *args, int argc, const char *message)
{
    Accumulator accumulator(start);
    for (int i = 0; i < argc; ++i) {
        if (!args[i].IsNumber())
            return Fail(message);
        accumulator.Combine(op, args[i]);
    }
    return accumulator.Value();
}

// Two integers compare as integers; a double makes both doubles.
template <typename Holds> value_t Compare(value_t *args, const char *message, Holds holds)
{
    if (args[0].tag == LispInteger && args[1].tag == LispInteger)
        return holds(args[0].u.i, args[1].u.i) ? LispT() : value_t::Nil();
    if (!args[0].IsNumber() || !args[1].IsNumber())
        return Fail(message);
    return holds(LispToDouble(args[0]), LispToDouble(args[1])) ? LispT() : value_t::Nil();
}

bool MathArgsBothIntegers(const value_t *args)
{
    return args[0].tag == LispInteger && args[1].tag == LispInteger;
}

value_t Math1(value_t *args, double (*function)(double), const char *message)
{
    if (!args[0].IsNumber())
        return Fail(message);
    return value_t::Double(function(LispToDouble(args[0])));
}

} // namespace

value_t BuiltinPlus(value_t *args, int argc)
{
    if (argc == 2 && MathArgsBothIntegers(args))
        return value_t::Int(WrapAdd(args[0].u.i, args[1].u.i));
    return Fold(Op::Add, value_t::Int(0), args, argc, "\nArgument to '+' is not a number.");
}

value_t BuiltinMinus(value_t *args, int argc)
{
    constexpr const char *kMessage = "\nArgument to '-' is not a number.";
    if (argc == 2 && MathArgsBothIntegers(args))
        return value_t::Int(WrapSub(args[0].u.i, args[1].u.i));
    if (!args[0].IsNumber())
        return Fail(kMessage);
    if (argc == 1) {
        if (args[0].tag == LispInteger)
            return value_t::Int(WrapSub(0, args[0].u.i));
        return value_t::Double(-args[0].u.d);
    }
    return Fold(Op::Sub, args[0], args + 1, argc - 1, kMessage);
}

value_t BuiltinTimes(value_t *args, int argc)
{
    return Fold(Op::Mul, value_t::Int(1), args, argc, "\nArgument to '*' is not a number.");
}

value_t BuiltinDiv(value_t *args, int)
{
    constexpr const char *kMessage = "\nArgument to DIV is not a number.";
    if (!args[0].IsNumber() || !args[1].IsNumber())
        return Fail(kMessage);
    if (args[0].tag == LispInteger && args[1].tag == LispInteger) {
        int32_t a = args[0].u.i;
        int32_t b = args[1].u.i;
        // The machine division traps on both; they are failures of the division.
        if (b == 0 || (a == INT32_MIN && b == -1))
            return Fail(kMessage);
        return value_t::Int(a / b);
    }
    return value_t::Double(LispToDouble(args[0]) / LispToDouble(args[1]));
}

value_t BuiltinDivide(value_t *args, int)
{
    if (!args[0].IsNumber() || !args[1].IsNumber())
        return Fail("\nArgument to DIV is not a number.");
    return value_t::Double(LispToDouble(args[0]) / LispToDouble(args[1]));
}

value_t BuiltinLess(value_t *args, int)
{
    return Compare(args, "\nArgument to < is not a number.", [](auto a, auto b) { return a < b; });
}

value_t BuiltinGreater(value_t *args, int)
{
    return Compare(args, "\nArgument to > is not a number.", [](auto a, auto b) { return a > b; });
}

value_t BuiltinLessEqual(value_t *args, int)
{
    return Compare(args, "\nArgument to <= is not a number.", [](auto a, auto b) { return a <= b; });
}

value_t BuiltinGreaterEqual(value_t *args, int)
{
    return Compare(args, "\nArgument to >= is not a number.", [](auto a, auto b) { return a >= b; });
}

value_t BuiltinExp(value_t *args, int)
{
    return Math1(args, [](double x) { return std::exp(x); }, "\nArgument to 'EXP' is not a number.");
}

value_t BuiltinExpt(value_t *args, int)
{
    if (!args[0].IsNumber() || !args[1].IsNumber())
        return Fail("\nArgument to 'expt' is not a number.");
    return value_t::Double(std::pow(LispToDouble(args[0]), LispToDouble(args[1])));
}

value_t BuiltinLog(value_t *args, int)
{
    return Math1(args, [](double x) { return std::log(x); }, "\nArgument to 'LOG' is not a number.");
}

value_t BuiltinLog10(value_t *args, int)
{
    return Math1(args, [](double x) { return std::log10(x); }, "\nArgument to 'LOG10' is not a number.");
}

value_t BuiltinSqrt(value_t *args, int)
{
    return Math1(args, [](double x) { return std::sqrt(x); }, "\nArgument to 'SQRT' is not a number.");
}

value_t BuiltinAbs(value_t *args, int)
{
    return Math1(args, [](double x) { return std::fabs(x); }, "\nArgument to 'ABS' is not a number.");
}

value_t BuiltinSin(value_t *args, int)
{
    return Math1(args, [](double x) { return std::sin(x); }, "\nArgument to 'SIN' is not a number.");
}

value_t BuiltinCos(value_t *args, int)
{
    return Math1(args, [](double x) { return std::cos(x); }, "\nArgument to 'COS' is not a number.");
}

value_t BuiltinTan(value_t *args, int)
{
    return Math1(args, [](double x) { return std::tan(x); }, "\nArgument to 'TAN' is not a number.");
}

value_t BuiltinSinh(value_t *args, int)
{
    return Math1(args, [](double x) { return std::sinh(x); }, "\nArgument to 'SINH' is not a number.");
}

value_t BuiltinCosh(value_t *args, int)
{
    return Math1(args, [](double x) { return std::cosh(x); }, "\nArgument to 'COSH' is not a number.");
}

value_t BuiltinTanh(value_t *args, int)
{
    return Math1(args, [](double x) { return std::tanh(x); }, "\nArgument to 'TANH' is not a number.");
}

value_t BuiltinAtan(value_t *args, int argc)
{
    if (!args[0].IsNumber())
        return Fail("\nArg[1] to 'ARCTAN' is not a number.");
    if (argc != 2)
        return value_t::Double(std::atan(LispToDouble(args[0])));
    if (!args[1].IsNumber())
        return Fail("\nArg[2] to 'ARCTAN' is not a number.");
    return value_t::Double(std::atan2(LispToDouble(args[1]), LispToDouble(args[0])));
}

value_t BuiltinAcos(value_t *args, int)
{
    return Math1(args, [](double x) { return std::acos(x); }, "\nArgument to 'ARC_COS' is not a number.");
}

value_t BuiltinAsin(value_t *args, int)
{
    return Math1(args, [](double x) { return std::asin(x); }, "\nArgument to 'ARC_SIN' is not a number.");
}
