#pragma once
// The values that cross the control's dispatch interface: the automation
// types of the methods and a value that carries one of them. Integers and
// reals stay apart (IsNull tells them apart); strings are UTF-8.
#include <cstdint>
#include <string>
#include <vector>
#include "control/FennixExport.h"

namespace fennix {

// The declared type of a parameter, property or result.
enum class DispType { Empty, Bstr, I2, I4, I8, R8, Bool, Variant, Unknown };

FENNIX_API const char *DispTypeName(DispType type);

struct FENNIX_API DispValue {
    enum class Kind { Empty, Integer, Real, Boolean, String };
    Kind kind = Kind::Empty;
    std::int64_t integer = 0;
    double real = 0.0;
    bool boolean = false;
    std::string text;

    static DispValue Int(std::int64_t v)
    {
        DispValue d;
        d.kind = Kind::Integer;
        d.integer = v;
        return d;
    }
    static DispValue Real(double v)
    {
        DispValue d;
        d.kind = Kind::Real;
        d.real = v;
        return d;
    }
    static DispValue Bool(bool v)
    {
        DispValue d;
        d.kind = Kind::Boolean;
        d.boolean = v;
        return d;
    }
    static DispValue Str(std::string v)
    {
        DispValue d;
        d.kind = Kind::String;
        d.text = std::move(v);
        return d;
    }
    bool IsEmpty() const { return kind == Kind::Empty; }
    bool operator==(const DispValue &o) const
    {
        return kind == o.kind && integer == o.integer && real == o.real && boolean == o.boolean && text == o.text;
    }
};

using DispArgs = std::vector<DispValue>;

// Error codes of a result; the channel sends them as they stand.
enum DispError {
    kErrParse = -32700,        // a request line that is no JSON
    kErrRequest = -32600,      // JSON that is no request
    kErrUnknownMethod = -32601,
    kErrParams = -32602,       // wrong count or type of parameters
    kErrTooLong = -32000,      // a request line over the cap
    kErrNotAvailable = 1,      // no method answers it now; kept so that the codes clients know stay
    kErrNoWindow = 2,          // called before the control's window exists
    kErrBadHandle = 3,         // a stale, forged or unfitting handle
    kErrFailed = 4,            // the operation refused or failed
};

struct FENNIX_API DispResult {
    bool ok = true;
    DispValue value;
    int code = 0;
    std::string message;

    static DispResult Ok(DispValue v = DispValue())
    {
        DispResult r;
        r.value = std::move(v);
        return r;
    }
    static DispResult Error(int code, std::string message)
    {
        DispResult r;
        r.ok = false;
        r.code = code;
        r.message = std::move(message);
        return r;
    }
};

} // namespace fennix
