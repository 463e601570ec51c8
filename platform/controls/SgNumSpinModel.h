#pragma once
// What a numeric spin control and its edit box know, without the toolkit: a
// double between a minimum and a maximum, edited as text in the buddy edit
// and stepped by the arrows. The text is what the user sees: the value times
// the unit factor (degrees for a value kept in radians, say), formatted with
// a number of decimals (trailing zeros trimmed) or a format string.
//
//   SgNumSpinModel spin;
//   spin.SetRangeAndDelta(0.0, 1.0, 0.01);
//   spin.SetDecimalPlaces(2);
//   spin.SetPos(0.5);          // text "0.5"
//   spin.Step(+1);             // an arrow click up: text "0.51"
//
// The toolkit view (platform/wx/CNumSpinCtrl) shows GetText() and reports
// arrow clicks, typed text and Enter/focus loss here.
#include <functional>
#include <string>
#include "platform/PlatformExport.h"

class PLATFORM_API SgNumSpinModel {
public:
    using Notify = std::function<void(SgNumSpinModel *)>;

    // Spin positions never exceed this many steps over the range.
    static constexpr int kMaxSteps = 32767;

    SgNumSpinModel();

    // Stores the range and the step of one arrow click (in the shown unit);
    // with a delta other than 0 also the number of spin steps over the range
    // (at most kMaxSteps) and the spin position of the present text.
    void SetRangeAndDelta(double minimum, double maximum, double delta);
    void GetRangeAndDelta(double &minimum, double &maximum, double &delta) const;
    int GetSteps() const { return m_steps; }
    // 0 .. GetSteps(): where the present value lies in the range.
    int GetIntPos() const { return m_intPos; }

    // The value the text shows, divided by the unit factor; for a text that
    // is no number, the last value taken.
    double GetPos() const;
    // Shows `value` in the text and places the spin position.
    void SetPos(double value);

    // -1: "%g" with no fixed number of decimals. More than kMaxDecimals
    // (digits a double does not hold) are cut to it.
    static constexpr int kMaxDecimals = 20;
    void SetDecimalPlaces(int places) { m_decimals = places < 0 ? -1 : (places > kMaxDecimals ? kMaxDecimals : places); }
    int GetDecimalPlaces() const { return m_decimals; }
    // A printf format with one floating-point conversion ("%.3f mm"); null or
    // "" clears it. A format with any other conversion, or a width or
    // precision of three digits, is refused (false) and the one before kept:
    // the text must not read arguments that are not there.
    bool SetFormatString(const char *format);
    const std::string &GetFormatString() const { return m_format; }
    void SetTrimTrailingZeros(int trim) { m_trim = trim; }
    int GetTrimTrailingZeros() const { return m_trim; }
    // Shown value = stored value x factor. 0 is refused (the text could not
    // be read back).
    void SetUnitFactor(double factor);
    double GetUnitFactor() const { return m_unitFactor; }
    // With wrap, stepping below the minimum gives the maximum and above the
    // maximum the minimum; without it the value stops at the ends.
    void SetWrap(bool wrap) { m_wrap = wrap; }
    bool GetWrap() const { return m_wrap; }

    // The buddy's text; SetText is what the user typed (not yet taken).
    const std::string &GetText() const { return m_text; }
    void SetText(const std::string &text) { m_text = text; }

    // An arrow click of `clicks` steps (negative: down); 0 takes the typed
    // text (Enter, focus lost) and formats it again. The before callback runs
    // for a click, the after callback always (also after a refusal, when the
    // value stays what it was: WasRefused tells).
    void Step(int clicks);

    // Takes the typed text. A number within the range is kept; one outside it
    // is clamped to the nearer end, and the text shows the clamped value. A
    // text that is no number is refused: the text shows the last good value
    // again and the refusal callback runs with a message naming the range
    // (without a callback the message goes to the notifier).
    enum class Taken { kKept, kClamped, kRefused };
    Taken Take();
    bool WasRefused() const { return m_bRefused; }
    // "Please enter a number from 0 to 255.", in the shown unit.
    std::string RangeMessage() const;
    using Refused = std::function<void(SgNumSpinModel *, const std::string &message)>;
    void SetRefused(Refused refused) { m_refused = std::move(refused); }
    // Whether `text` is a number as this box shows it: blanks around it and
    // the format's own words before and after it are allowed, nothing else.
    bool ReadNumber(const std::string &text, double &shown) const;

    void SetBeforeChange(Notify notify) { m_before = std::move(notify); }
    void SetAfterChange(Notify notify) { m_after = std::move(notify); }

    // `value` (already multiplied by the unit factor) as the text shows it.
    std::string FormatValue(double value) const;

private:
    void SetValueForBuddy(double value);
    void SetIntPos(double value);

    Notify m_before;
    Notify m_after;
    Refused m_refused;
    double m_lastGood = 0.0;
    bool m_bRefused = false;
    double m_minimum = 0.0;
    double m_maximum = 100.0;
    double m_delta = 1.0;
    double m_unitFactor = 1.0;
    int m_steps = 100000;
    int m_intPos = 0;
    int m_decimals = -1;
    std::string m_format;
    int m_trim = 1;
    bool m_wrap = false;
    char m_separator = '.';
    std::string m_text;
};
