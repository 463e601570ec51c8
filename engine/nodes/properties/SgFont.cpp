#include "engine/nodes/properties/SgFont.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <string>

#include "engine/core/SgAction.h"
#include "engine/core/SgElementClasses.h"
#include "platform/SgError.h"

SG_CLASS_SOURCE(SgFont, SgNode, SgFieldMngr, "SgFont")

namespace {
// "size" holds the height times this.
constexpr int kSizeScale = 100;
} // namespace

SgFont::SgFont()
{
    AddField(m_name, "name", std::string("Times New Roman"));
    AddField(m_size, "size", 1000);
    AddField(m_style, "style", 0);
    AddField(m_charset, "charset", 0);
}

void SgFont::DoAction(SgAction *action)
{
    SgState *state = action->GetState();
    if (!m_name.IsIgnored())
        FontNameElement::Set(state, this, m_name.Get());
    if (!m_size.IsIgnored())
        FontSizeElement::Set(state, this, m_size.Get());
    if (!m_style.IsIgnored())
        FontStyleElement::Set(state, this, m_style.Get());
    if (!m_charset.IsIgnored())
        FontCharsetElement::Set(state, this, m_charset.Get());
}

void SgFont::LoadSystemFont(const LOGFONTA *font)
{
    if (!font)
        return;
    // Checked before anything changes, so a record that cannot be held
    // leaves the node as it was.
    const int64_t size = static_cast<int64_t>(font->lfHeight) * kSizeScale;
    if (size < INT_MIN || size > INT_MAX)
        throw SgInvalidArgument("font height " + std::to_string(font->lfHeight) + " is too large");
    // A record filled by foreign code need not end its face name with a zero.
    const std::string face(font->lfFaceName, strnlen(font->lfFaceName, LF_FACESIZE));
    m_size = static_cast<int>(size);
    m_name = face;
    m_style = (font->lfWeight > kNormalWeight ? kBold : 0) | (font->lfItalic ? kItalic : 0);
    m_charset = static_cast<int>(font->lfCharSet);
}

void SgFont::StoreSystemFont(LOGFONTA *font) const
{
    if (!font)
        return;
    std::memset(font, 0, sizeof *font);
    const std::string &face = m_name.Get();
    const size_t length = std::min(face.size(), static_cast<size_t>(LF_FACESIZE - 1));
    std::memcpy(font->lfFaceName, face.data(), length);
    // Halves round away from zero, so that negative heights (character
    // heights rather than cell heights) round like positive ones.
    const int64_t size = m_size.Get();
    const int64_t magnitude = (size < 0 ? -size : size) + kSizeScale / 2;
    font->lfHeight = static_cast<int32_t>(size < 0 ? -(magnitude / kSizeScale) : magnitude / kSizeScale);
    const int style = m_style.Get();
    font->lfWeight = (style & kBold) ? kBoldWeight : kNormalWeight;
    font->lfCharSet = static_cast<uint8_t>(m_charset.Get() & 0xFF);
    font->lfItalic = (style & kItalic) ? 1 : 0;
}
