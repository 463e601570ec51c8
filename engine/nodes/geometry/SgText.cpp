#include "engine/nodes/geometry/SgText.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "engine/core/SgAction.h"
#include "engine/core/SgElementClasses.h"
#include "engine/core/SgSeparator.h"
#include "engine/nodes/geometry/GeometryLog.h"
#include "engine/nodes/geometry/SgFaceSet.h"
#include "engine/nodes/geometry/SgPolyLine.h"
#include "engine/nodes/geometry/ExtrudeBuilder.h"
#include "engine/nodes/geometry/SgSysFont.h"

SG_CLASS_SOURCE(SgBText, SgExtrude, SgFieldMngr, "SgBText")
SG_CLASS_SOURCE(SgText, SgBText, SgFieldMngr, "SgText")

namespace {
constexpr int kBold = 1;
constexpr int kItalic = 2;
constexpr int kHebrew = 177;

bool IsPunctuation(unsigned char c) { return c == '.' || c == '?' || c == ',' || c == '!' || c == ' '; }

// The Unicode characters of a text that is well-formed UTF-8 and holds at
// least one character past ASCII; false otherwise, and the text is then read
// byte by byte through the font's character set, as files written in a code
// page are.
bool DecodeUtf8(const std::string &text, std::vector<unsigned> &characters)
{
    characters.clear();
    bool wide = false;
    for (size_t i = 0; i < text.size();) {
        const unsigned char lead = static_cast<unsigned char>(text[i]);
        int length = 1;
        unsigned character = lead;
        unsigned least = 0;
        if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4, character = lead & 0x07u, least = 0x10000;
        } else if (lead >= 0xE0) {
            length = 3, character = lead & 0x0Fu, least = 0x800;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2, character = lead & 0x1Fu, least = 0x80;
        } else if (lead >= 0x80) {
            return false;
        }
        if (lead >= 0xF5 || i + static_cast<size_t>(length) > text.size())
            return false;
        for (int k = 1; k < length; ++k) {
            const unsigned char next = static_cast<unsigned char>(text[i + static_cast<size_t>(k)]);
            if ((next & 0xC0u) != 0x80u)
                return false;
            character = (character << 6) | (next & 0x3Fu);
        }
        if (character < least || character > 0x10FFFF || (character >= 0xD800 && character <= 0xDFFF))
            return false;
        wide = wide || length > 1;
        characters.push_back(character);
        i += static_cast<size_t>(length);
    }
    return wide;
}
} // namespace

SgBText::SgBText()
{
    AddField(m_text, "text", std::string());
    AddField(m_sides, "sides", 3);
}

bool SgBText::CheckNumberFormat(const std::string &format, std::string &message)
{
    int conversions = 0;
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%')
            continue;
        ++i;
        if (i < format.size() && format[i] == '%')
            continue;
        while (i < format.size() && std::strchr("-+ #0", format[i]) && format[i] != '\0')
            ++i;
        int digits = 0;
        while (i < format.size() && std::isdigit(static_cast<unsigned char>(format[i])))
            ++i, ++digits;
        if (digits > 2) {
            message = "the width in \"" + format + "\" is too large";
            return false;
        }
        if (i < format.size() && format[i] == '.') {
            ++i;
            digits = 0;
            while (i < format.size() && std::isdigit(static_cast<unsigned char>(format[i])))
                ++i, ++digits;
            if (digits > 2) {
                message = "the precision in \"" + format + "\" is too large";
                return false;
            }
        }
        if (i >= format.size() || !std::strchr("difgeFGE", format[i]) || format[i] == '\0') {
            message = "\"" + format + "\" holds a conversion other than %d, %i, %f, %g or %e";
            return false;
        }
        ++conversions;
    }
    if (conversions != 1) {
        message = "\"" + format + "\" must hold exactly one numeric conversion";
        return false;
    }
    return true;
}

std::string SgBText::FormatNumber(const std::string &text, const std::string &format, double factor)
{
    if (format.empty() || int(text.size()) >= 20)
        return text;
    const double value = std::strtod(text.c_str(), nullptr);
    if (value == 0.0)
        return text;
    std::string message;
    if (!CheckNumberFormat(format, message)) {
        GeometryLog(ReportMngr::LEVEL_WARN, "Number format refused: %s; the text is shown as written",
                    message.c_str());
        return text;
    }
    // The one conversion is known to be integral or floating.
    const double scaled = value * factor;
    char buffer[kNumberBuffer];
    bool integral = false;
    for (size_t i = 0; i < format.size(); ++i)
        if (format[i] == '%' && i + 1 < format.size() && format[i + 1] == '%') {
            ++i;
        } else if (format[i] == '%') {
            const size_t c = format.find_first_of("difgeFGE", i + 1);
            integral = c != std::string::npos && (format[c] == 'd' || format[c] == 'i');
            break;
        }
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    if (integral) {
        const double clamped = std::clamp(scaled, -2147483648.0, 2147483647.0);
        std::snprintf(buffer, sizeof buffer, format.c_str(), int(clamped));
    } else {
        std::snprintf(buffer, sizeof buffer, format.c_str(), scaled);
    }
#pragma GCC diagnostic pop
    return buffer;
}

std::string SgBText::ReorderRightToLeft(const std::string &text, int charset)
{
    std::string out = text;
    if (charset != kHebrew || out.empty() || static_cast<unsigned char>(out[0]) < 128)
        return out;
    std::reverse(out.begin(), out.end());
    const size_t n = out.size();
    size_t i = 0;
    while (i < n) {
        const unsigned char c = static_cast<unsigned char>(out[i]);
        if (c >= 128 || IsPunctuation(c)) {
            ++i;
            continue;
        }
        size_t last = i;
        while (last + 1 < n && static_cast<unsigned char>(out[last + 1]) < 128)
            ++last;
        size_t end = last;
        if (end > i && IsPunctuation(static_cast<unsigned char>(out[end])))
            --end;
        std::reverse(out.begin() + long(i), out.begin() + long(end) + 1);
        i = last + 2;
    }
    return out;
}

void SgBText::DoExtrude(SgFaceSet *faceSet, SgAction *action)
{
    if (!faceSet)
        return;
    SgGenPolyLine *profile = GetProfile();
    const std::string text = m_text.Get(true);
    if (text.empty())
        return;
    SgState *state = action ? action->GetState() : nullptr;
    const std::string name = state ? FontNameElement::Get(state) : FontNameElement::s_DefaultValue;
    const int *size = state ? FontSizeElement::Get(state) : nullptr;
    const int *style = state ? FontStyleElement::Get(state) : nullptr;
    const int *charset = state ? FontCharsetElement::Get(state) : nullptr;
    const std::string format = state ? NumberFormatElement::Get(state) : NumberFormatElement::s_DefaultValue;
    const double *factor = state ? NumberFactorElement::Get(state) : nullptr;
    const double crease = CreaseAngle(action);
    const int sides = m_sides.Get(true);
    const int styleBits = style ? *style : FontStyleElement::s_DefaultValue;
    const int set = charset ? *charset : FontCharsetElement::s_DefaultValue;

    // The default face stands for the serif alias.
    const bool defaultFace = name == FontNameElement::s_DefaultValue;
    SgSysFont font(defaultFace ? "" : name.c_str(),
                   size ? *size : FontSizeElement::s_DefaultValue, (styleBits & kBold) ? 700 : 400,
                   (styleBits & kItalic) != 0, set);
    const std::string shown =
        FormatNumber(text, format, factor ? *factor : NumberFactorElement::s_DefaultValue);
    const std::string ordered = ReorderRightToLeft(shown, set);

    // Glyph outlines run counter-clockwise, so an open profile that climbs in
    // its y (towards the viewer), or a closed one that runs counter-clockwise,
    // sweeps walls facing out; the other ways round would turn the solid
    // inside out.
    bool flip = m_params.flip;
    if (profile) {
        profile->sample(-1);
        const int count = profile->NumLoops() > 0 ? profile->LoopSize(0) : 0;
        const Vec3 *points = count > 0 ? profile->GetLoop(0) : nullptr;
        const bool closed = profile->IsClosed() || (count > 2 && points[0] == points[count - 1]);
        if (points && count >= 2 && !closed && points[count - 1].y < points[0].y)
            flip = !flip;
        if (points && count >= 3 && closed) {
            double area = 0.0;
            for (int i = 0; i < count; ++i) {
                const Vec3 &a = points[i];
                const Vec3 &b = points[(i + 1) % count];
                area += a.x * b.y - b.x * a.y;
            }
            if (area < 0.0)
                flip = !flip;
        }
    }
    // Right-to-left reordering works on the bytes of its code page; any
    // other text that is UTF-8 is drawn character by character.
    std::vector<unsigned> characters;
    const bool utf8 = set != kHebrew && DecodeUtf8(ordered, characters);
    const size_t count = utf8 ? characters.size() : ordered.size();
    std::vector<HoledPolygon> outlines;
    for (size_t k = 0; k < count; ++k) {
        outlines.assign(SgSysFont::kMaxBoundaries, HoledPolygon());
        const int n = utf8 ? font.CharacterOutline(characters[k], sides, outlines.data(), SgSysFont::kMaxBoundaries)
                           : font.CharOutline(ordered[k], sides, outlines.data(), SgSysFont::kMaxBoundaries);
        if (!profile)
            continue;
        for (int i = 0; i < n; ++i) {
            ExtrudeParams params = m_params;
            params.cap0 = m_cap0.Get();
            params.cap1 = m_cap1.Get();
            params.capping = m_capping.Get();
            params.textureMapType = m_textureMapType.Get();
            params.flip = flip;
            extrude(faceSet, &params, profile, &outlines[size_t(i)], nullptr, nullptr, 0.0, crease, 10, nullptr,
                    nullptr, ExtrudeBuilder::kPathAuto);
        }
    }
}

SgText::SgText()
{
    m_point = new SgPolyLine;
    m_point->DisableUndo();
    m_point->m_coordinates.AddVal(Vec3(0.0, 0.0, 0.0));
}

SgText::~SgText() = default;

SgGenPolyLine *SgText::GetProfile()
{
    if (SgGenPolyLine *stored = GetPolyline(kProfileSlot))
        return stored;
    Update();
    if (SgGenPolyLine *read = GetPolyline(kProfileSlot))
        return read;
    return m_point.get();
}
