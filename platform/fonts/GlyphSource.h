#pragma once
// Glyph outlines of installed fonts. A font is asked for by face name,
// height, weight, italic flag and character set; a glyph's contours come as
// straight-line runs and quadratic B-spline runs (consecutive off-curve
// points with implied on-curve midpoints, the last point on the curve), in
// whole units of the requested height, Y up. Cubic outlines are flattened to
// line runs.
#include <memory>
#include <string>
#include <vector>
#include "platform/PlatformExport.h"

struct PLATFORM_API GlyphPoint {
    long x = 0;
    long y = 0;
    bool operator==(const GlyphPoint &o) const { return x == o.x && y == o.y; }
};

struct PLATFORM_API GlyphRun {
    enum Type : int { kLine = 1, kQSpline = 2 };
    int type = kLine;
    std::vector<GlyphPoint> points;
};

struct PLATFORM_API GlyphContour {
    GlyphPoint start;
    std::vector<GlyphRun> runs;
};

struct PLATFORM_API GlyphOutline {
    std::vector<GlyphContour> contours;
    // How far the pen moves after the glyph, in the same units.
    long advanceX = 0;
    long advanceY = 0;
};

struct PLATFORM_API FontRequest {
    // Empty: the default face, the "serif" alias.
    std::string face;
    int height = 1000;
    int weight = 400;
    bool italic = false;
    // Windows-style character set number: 177 Hebrew, 161 Greek, 204
    // Cyrillic, 238 Central European; anything else reads Western bytes.
    int charset = 0;
};

class PLATFORM_API GlyphSource {
public:
    virtual ~GlyphSource() = default;
    // The outline of one byte of text, mapped to a character through the
    // request's character set. False when the font has no outline for it.
    virtual bool Outline(unsigned char byte, GlyphOutline &out) = 0;
    // The outline of one Unicode character, whatever the character set.
    virtual bool CharacterOutline(unsigned character, GlyphOutline &out) = 0;
    // The family actually in use.
    virtual const std::string &FamilyName() const = 0;
};

// Opens the best match for the request. When the requested face is not
// installed the default face stands in and `note` says so; null (with
// `note` saying why) only when no font can be loaded at all.
PLATFORM_API std::unique_ptr<GlyphSource> OpenGlyphSource(const FontRequest &request, std::string &note);

// The Unicode character a byte stands for in a character set.
PLATFORM_API unsigned CharsetToUnicode(unsigned char byte, int charset);
