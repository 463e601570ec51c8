#pragma once
// What an owner-drawn push button with its own colours knows, without the
// toolkit: its foreground, background and disabled-text colours and a bevel
// whose sign says raised (positive) or sunken (negative) and whose size is
// the number of one-pixel rings of its frame. BevelRings says how each ring
// is drawn; the wx view (platform/wx/CSGColorButton) paints them.
#include <cstdint>
#include <vector>
#include "platform/PlatformExport.h"

class PLATFORM_API SgColorButtonModel {
public:
    struct Rgb {
        std::uint8_t r = 0;
        std::uint8_t g = 0;
        std::uint8_t b = 0;
        bool operator==(const Rgb &) const = default;
    };
    // One ring of the frame, outermost first: the colour of its top and left
    // edges and of its bottom and right edges.
    struct Ring {
        Rgb topLeft;
        Rgb bottomRight;
    };

    // The four values at once; true (the button keeps them).
    bool Attach(Rgb background, Rgb foreground, Rgb disabled, unsigned bevel);

    // Each setter answers whether the button must be drawn again (the flag).
    bool SetFGColor(Rgb colour, bool redraw) { m_foreground = colour; return redraw; }
    bool SetBGColor(Rgb colour, bool redraw) { m_background = colour; return redraw; }
    bool SetDisabledColor(Rgb colour, bool redraw) { m_disabled = colour; return redraw; }
    bool SetColor(Rgb foreground, Rgb background, Rgb disabled, bool redraw);
    Rgb GetFGColor() const { return m_foreground; }
    Rgb GetBGColor() const { return m_background; }
    Rgb GetDisabledColor() const { return m_disabled; }
    unsigned GetBevel() const { return m_bevel; }

    // The frame's rings for the bevel as it stands.
    std::vector<Ring> BevelRings() const;
    // The frame of a pressed button: one sunken ring.
    static Ring PressedRing();

private:
    Rgb m_foreground;
    Rgb m_background{192, 192, 192};
    Rgb m_disabled{128, 128, 128};
    unsigned m_bevel = 1;
};
