#include "platform/controls/SgNumSpinModel.h"

#include <algorithm>
#include <clocale>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "platform/Notifier.h"
#include "platform/SgDiagnostics.h"

namespace {

// printf's text for one double, whatever its length.
template <typename... Args>
std::string Printed(const char *format, Args... args)
{
    char buffer[64];
    const int length = std::snprintf(buffer, sizeof buffer, format, args...);
    if (length < 0)
        return std::string();
    if (length < int(sizeof buffer))
        return std::string(buffer, length);
    std::string text(length + 1, '\0');
    std::snprintf(text.data(), text.size(), format, args...);
    text.resize(length);
    return text;
}

// Exactly one conversion, of a double (flags, width and precision as
// numbers, no '*' and no length modifier other than 'l'); "%%" is text.
bool TakesOneDouble(const std::string &format)
{
    int conversions = 0;
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%')
            continue;
        ++i;
        if (i < format.size() && format[i] == '%')
            continue;
        while (i < format.size() && std::string("-+ #0").find(format[i]) != std::string::npos)
            ++i;
        // Widths and precisions of three digits or more only make texts no
        // edit box shows.
        int digits = 0;
        while (i < format.size() && std::isdigit(static_cast<unsigned char>(format[i])))
            ++i, ++digits;
        if (i < format.size() && format[i] == '.') {
            ++i;
            int precision = 0;
            while (i < format.size() && std::isdigit(static_cast<unsigned char>(format[i])))
                ++i, ++precision;
            digits = std::max(digits, precision);
        }
        if (digits > 2)
            return false;
        if (i < format.size() && format[i] == 'l')
            ++i;
        if (i >= format.size() || std::string("eEfFgGaA").find(format[i]) == std::string::npos)
            return false;
        ++conversions;
    }
    return conversions == 1;
}

void TrimZeros(std::string &text, char separator)
{
    if (text.find(separator) == std::string::npos)
        return;
    while (!text.empty() && text.back() == '0')
        text.pop_back();
    if (!text.empty() && text.back() == separator)
        text.pop_back();
}

} // namespace

SgNumSpinModel::SgNumSpinModel()
{
    if (const std::lconv *conventions = std::localeconv())
        if (conventions->decimal_point && conventions->decimal_point[0])
            m_separator = conventions->decimal_point[0];
}

void SgNumSpinModel::SetRangeAndDelta(double minimum, double maximum, double delta)
{
    m_minimum = minimum;
    m_maximum = maximum;
    m_delta = delta;
    if (delta == 0.0)
        return;
    const double steps = std::fabs((maximum - minimum) / delta);
    m_steps = std::isfinite(steps) ? int(std::min(steps, double(kMaxSteps))) : kMaxSteps;
    SetIntPos(GetPos());
}

void SgNumSpinModel::GetRangeAndDelta(double &minimum, double &maximum, double &delta) const
{
    minimum = m_minimum;
    maximum = m_maximum;
    delta = m_delta;
}

double SgNumSpinModel::GetPos() const
{
    double shown = 0.0;
    return ReadNumber(m_text, shown) ? shown / m_unitFactor : m_lastGood;
}

void SgNumSpinModel::SetPos(double value)
{
    if (std::isfinite(value))
        m_lastGood = value;
    SetValueForBuddy(m_lastGood);
    SetIntPos(m_lastGood);
}

bool SgNumSpinModel::ReadNumber(const std::string &text, double &shown) const
{
    // The format's words around its one conversion ("%.3f mm": " mm").
    std::string before, after;
    if (!m_format.empty()) {
        const size_t percent = m_format.find('%');
        size_t end = percent;
        while (end < m_format.size() && std::string("eEfFgGaA").find(m_format[end]) == std::string::npos)
            ++end;
        before = m_format.substr(0, percent);
        after = end < m_format.size() ? m_format.substr(end + 1) : std::string();
    }
    auto isBlank = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
    auto trim = [&](std::string s) {
        while (!s.empty() && isBlank(s.back()))
            s.pop_back();
        size_t first = 0;
        while (first < s.size() && isBlank(s[first]))
            ++first;
        return s.substr(first);
    };
    std::string body = trim(text);
    before = trim(before);
    after = trim(after);
    if (!before.empty() && body.compare(0, before.size(), before) == 0)
        body = trim(body.substr(before.size()));
    if (!after.empty() && body.size() >= after.size() &&
        body.compare(body.size() - after.size(), after.size(), after) == 0)
        body = trim(body.substr(0, body.size() - after.size()));
    if (body.empty())
        return false;
    // The decimal separator the texts are written with reads as a point.
    if (m_separator != '.')
        for (char &c : body)
            if (c == m_separator)
                c = '.';
    // Only plain numbers: no hexadecimal, no infinities, no NaN.
    for (char c : body)
        if (!std::isdigit(static_cast<unsigned char>(c)) && std::string("+-.eE").find(c) == std::string::npos)
            return false;
    char *end = nullptr;
    const double value = std::strtod(body.c_str(), &end);
    if (end != body.c_str() + body.size() || !std::isfinite(value))
        return false;
    shown = value;
    return true;
}

std::string SgNumSpinModel::RangeMessage() const
{
    const double low = std::min(m_minimum, m_maximum) * m_unitFactor;
    const double high = std::max(m_minimum, m_maximum) * m_unitFactor;
    return "Please enter a number from " + FormatValue(std::min(low, high)) + " to " +
           FormatValue(std::max(low, high)) + ".";
}

SgNumSpinModel::Taken SgNumSpinModel::Take()
{
    double shown = 0.0;
    m_bRefused = !ReadNumber(m_text, shown);
    if (m_bRefused) {
        SetPos(m_lastGood);
        const std::string message = RangeMessage();
        if (m_refused)
            m_refused(this, message);
        else
            GetNotifier().Message(message, "Number", Notifier::Buttons::Ok, Notifier::Icon::Warning);
        return Taken::kRefused;
    }
    double value = shown / m_unitFactor;
    Taken taken = Taken::kKept;
    if (m_minimum < m_maximum && (value < m_minimum || value > m_maximum)) {
        value = std::clamp(value, m_minimum, m_maximum);
        taken = Taken::kClamped;
    }
    SetPos(value);
    return taken;
}

bool SgNumSpinModel::SetFormatString(const char *format)
{
    if (!format || !*format) {
        m_format.clear();
        return true;
    }
    if (!TakesOneDouble(format)) {
        SgDiagWarning("Controls", "the format \"%s\" does not take exactly one number; kept \"%s\"", format,
                      m_format.c_str());
        return false;
    }
    m_format = format;
    return true;
}

void SgNumSpinModel::SetUnitFactor(double factor)
{
    if (factor == 0.0 || !std::isfinite(factor)) {
        SgDiagWarning("Controls", "a unit factor of %g is refused; kept %g", factor, m_unitFactor);
        return;
    }
    m_unitFactor = factor;
}

void SgNumSpinModel::Step(int clicks)
{
    if (clicks == 0) {
        Take();
        if (m_after)
            m_after(this);
        return;
    }
    m_bRefused = false;
    if (m_before)
        m_before(this);
    double value = GetPos() + m_delta / m_unitFactor * clicks;
    const double tolerance = std::max(1e-9, 1e-9 * std::fabs(std::max(value, m_minimum)));
    if (clicks < 0 && m_minimum - value > tolerance)
        value = m_wrap ? m_maximum : m_minimum;
    else if (clicks > 0 && value - m_maximum > tolerance)
        value = m_wrap ? m_minimum : m_maximum;
    SetPos(value);
    if (m_after)
        m_after(this);
}

std::string SgNumSpinModel::FormatValue(double value) const
{
    if (m_decimals < 0)
        return Printed("%g", value);
    const bool exponent = Printed("%g", value).find('e') != std::string::npos;
    std::string text = Printed(exponent ? "%.*e" : "%.*f", m_decimals, value);
    if (!m_trim)
        return text;
    if (exponent) {
        const size_t e = text.find('e');
        std::string mantissa = text.substr(0, e);
        TrimZeros(mantissa, m_separator);
        return mantissa + text.substr(e);
    }
    TrimZeros(text, m_separator);
    return text;
}

void SgNumSpinModel::SetValueForBuddy(double value)
{
    const double shown = value * m_unitFactor;
    m_text = m_format.empty() ? FormatValue(shown) : Printed(m_format.c_str(), shown);
}

void SgNumSpinModel::SetIntPos(double value)
{
    if (m_maximum == m_minimum)
        return;
    if (value < m_minimum)
        m_intPos = 0;
    else if (value > m_maximum)
        m_intPos = m_steps;
    else
        m_intPos = int((value - m_minimum) / (m_maximum - m_minimum) * m_steps + 0.5);
}
