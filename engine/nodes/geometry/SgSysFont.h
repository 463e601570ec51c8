#pragma once
// One character of an installed font as planar outer boundaries with their
// holes, ready for extrusion. The font keeps a pen that moves on by each
// glyph's advance, so successive characters lay out a line of text.
#include <memory>
#include <string>

#include "engine/core/CPolygon.h"
#include "platform/fonts/GlyphSource.h"
#include "engine/core/NodaraExport.h"

class NODARA_API SgSysFont {
public:
    // Most outer boundaries one character hands out; CharOutline stops there.
    static constexpr int kMaxBoundaries = 100;
    // Glyph units to scene units.
    static constexpr double kUnit = 0.001;

    SgSysFont(const char *face, int height, int weight, bool italic, int charset);
    ~SgSysFont();

    // Fills out[0 ..] with one polygon per outer boundary (at most
    // `capacity`, holes attached) and returns their number; 0 when the font
    // or the glyph cannot be had. The pen advances even for blank glyphs.
    int CharOutline(char c, int curveSteps, HoledPolygon *out, int capacity = kMaxBoundaries);
    // The same for a Unicode character, whatever the font's character set.
    int CharacterOutline(unsigned character, int curveSteps, HoledPolygon *out, int capacity = kMaxBoundaries);

    Vec3 GetPen() const { return m_pen; }
    void SetPen(const Vec3 &pen) { m_pen = pen; }
    // The family in use once a glyph was asked for; empty before.
    std::string FamilyName() const;

private:
    // Opens the font on first use; a missing face falls back to the default
    // with a diagnostic, and a font that cannot be had at all is reported
    // once.
    bool Prepare();

    Vec3 m_pen;
    FontRequest m_request;
    bool m_bNeedsCreating = true;
    std::unique_ptr<GlyphSource> m_source;
};
