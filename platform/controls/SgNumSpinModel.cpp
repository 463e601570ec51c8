#include "platform/controls/SgNumSpinModel.h"

#include <algorithm>
#include <clocale>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>

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
    return std::atof(m_text.c_str()) / m_unitFactor;
}

void SgNumSpinModel::SetPos(double value)
{
    SetValueForBuddy(value);
    SetIntPos(value);
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
    if (clicks != 0 && m_before)
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
