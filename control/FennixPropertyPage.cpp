#include "control/FennixPropertyPage.h"

#include <cerrno>
#include <cstdlib>

#include "control/FennixControl.h"

namespace fennix {

namespace {

struct RowName {
    const char *name;
    const char *dispatch;
    bool number;
};

const RowName kRows[] = {
    {"FileName", "FileName", false},       {"Cookies", "Cookies", false},
    {"TexturePath", "texturePath", false}, {"BGColor", "BGColor", true},
    {"ClientFrame", "ClientFrame", true},  {"ToolBarConfig", "ToolBarConfig", true},
    {"CacheLoadedUrl", "CacheLoadedUrl", true},
};

std::string TextOf(const DispValue &value)
{
    switch (value.kind) {
    case DispValue::Kind::String: return value.text;
    case DispValue::Kind::Integer: return std::to_string(value.integer);
    case DispValue::Kind::Boolean: return value.boolean ? "1" : "0";
    case DispValue::Kind::Real: return std::to_string(value.real);
    case DispValue::Kind::Empty: break;
    }
    return std::string();
}

} // namespace

std::vector<PropertyRow> PropertyRows(FennixControl &control)
{
    std::vector<PropertyRow> rows;
    for (const RowName &row : kRows) {
        const DispResult value = control.Call(row.dispatch, {});
        rows.push_back({row.name, row.dispatch, row.number, value.ok ? TextOf(value.value) : std::string()});
    }
    return rows;
}

DispResult SetPropertyText(FennixControl &control, const PropertyRow &row, const std::string &text)
{
    if (!row.number)
        return control.Call(row.dispatch, {DispValue::Str(text)});
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const char *digits = text.c_str() + (hex ? 2 : 0);
    char *end = nullptr;
    errno = 0;
    const long long n = std::strtoll(digits, &end, hex ? 16 : 10);
    if (text.empty() || *digits == '\0' || *end != '\0' || errno != 0 || (hex && *digits == '-'))
        return DispResult::Error(kErrParams, std::string(row.name) + ": \"" + text + "\" is not a whole number");
    // The table checks that the number fits the property's type.
    return control.Call(row.dispatch, {DispValue::Int(n)});
}

} // namespace fennix
