#include "platform/controls/SgColorButtonModel.h"

#include <algorithm>
#include <cstdlib>

namespace {

using Rgb = SgColorButtonModel::Rgb;

Rgb Grey(int level)
{
    const auto value = static_cast<std::uint8_t>(((level % 256) + 256) % 256);
    return {value, value, value};
}

constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kDarkGrey{128, 128, 128};
// The innermost shadow of a deep sunken frame: near black.
constexpr Rgb kInnermostShadow{1, 1, 1};
// Frames deeper than this are drawn as this deep: a bevel stored unsigned
// and read signed must not draw millions of rings.
constexpr int kMaxRings = 64;

} // namespace

bool SgColorButtonModel::Attach(Rgb background, Rgb foreground, Rgb disabled, unsigned bevel)
{
    m_background = background;
    m_foreground = foreground;
    m_disabled = disabled;
    m_bevel = bevel;
    return true;
}

bool SgColorButtonModel::SetColor(Rgb foreground, Rgb background, Rgb disabled, bool redraw)
{
    m_foreground = foreground;
    m_background = background;
    m_disabled = disabled;
    return redraw;
}

std::vector<SgColorButtonModel::Ring> SgColorButtonModel::BevelRings() const
{
    // The bevel is a signed count stored unsigned; INT_MIN has no int magnitude.
    const int bevel = static_cast<int>(m_bevel);
    const int count = static_cast<int>(std::min<int64_t>(std::abs(static_cast<int64_t>(bevel)), kMaxRings));
    std::vector<Ring> rings;
    for (int i = 0; i < count; ++i) {
        Rgb light = kWhite;
        Rgb dark = kDarkGrey;
        if (count != 1) {
            light = Grey(63 / (i + 1) - 64);
            dark = Grey(255 / (i + 2));
        }
        Ring ring = bevel > 0 ? Ring{light, dark} : Ring{dark, light};
        if (bevel < 0 && count > 1 && i == count - 1)
            ring.bottomRight = kInnermostShadow;
        rings.push_back(ring);
    }
    return rings;
}

SgColorButtonModel::Ring SgColorButtonModel::PressedRing()
{
    return {kDarkGrey, kWhite};
}
