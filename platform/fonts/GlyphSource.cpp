#include "platform/fonts/GlyphSource.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <algorithm>
#include <cctype>
#include <cmath>
#include <mutex>

namespace {

// Windows-1252 positions 0x80..0x9F.
const unsigned short kWestern80[32] = {0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                       0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x8D,   0x017D, 0x8F,
                                       0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                       0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};

std::string Lower(std::string s)
{
    for (char &c : s)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// Contours of a FreeType outline in whole units (26.6 values floored).
struct OutlineReader {
    GlyphOutline *out = nullptr;

    static GlyphPoint Whole(const FT_Vector &v) { return {long(v.x) >> 6, long(v.y) >> 6}; }

    void Read(const FT_Outline &o)
    {
        int first = 0;
        for (int c = 0; c < o.n_contours; ++c) {
            const int last = o.contours[c];
            ReadContour(o, first, last);
            first = last + 1;
        }
    }

    void ReadContour(const FT_Outline &o, int first, int last)
    {
        const int n = last - first + 1;
        if (n < 2)
            return;
        auto tag = [&](int i) { return FT_CURVE_TAG(o.tags[first + ((i % n) + n) % n]); };
        auto pt = [&](int i) { return o.points[first + ((i % n) + n) % n]; };
        // Start on an on-curve point; a contour of off-curve points only
        // starts on the implied midpoint of its first two.
        int s = -1;
        for (int i = 0; i < n; ++i)
            if (tag(i) == FT_CURVE_TAG_ON) {
                s = i;
                break;
            }
        GlyphContour contour;
        FT_Vector startV;
        int i0;
        if (s >= 0) {
            startV = pt(s);
            i0 = s + 1;
        } else {
            startV.x = (pt(0).x + pt(1).x) / 2;
            startV.y = (pt(0).y + pt(1).y) / 2;
            i0 = 1;
        }
        contour.start = Whole(startV);
        FT_Vector current = startV;
        int i = i0;
        const int end = i0 + n - (s >= 0 ? 1 : 0);
        std::vector<FT_Vector> conic;
        auto addLine = [&](const GlyphPoint &p) {
            if (contour.runs.empty() || contour.runs.back().type != GlyphRun::kLine)
                contour.runs.push_back({GlyphRun::kLine, {}});
            contour.runs.back().points.push_back(p);
        };
        while (i <= end) {
            const bool closing = i == end;
            const FT_Vector p = closing ? startV : pt(i);
            const int t = closing ? FT_CURVE_TAG_ON : tag(i);
            if (t == FT_CURVE_TAG_CUBIC) {
                // Two controls then an end point: flattened to lines.
                const FT_Vector c1 = p;
                const FT_Vector c2 = pt(i + 1);
                const FT_Vector e = (i + 2 >= end) ? startV : pt(i + 2);
                for (int k = 1; k <= 8; ++k) {
                    const double u = k / 8.0, v = 1.0 - u;
                    FT_Vector q;
                    q.x = FT_Pos(std::lround(v * v * v * current.x + 3 * u * v * v * c1.x + 3 * u * u * v * c2.x +
                                             u * u * u * e.x));
                    q.y = FT_Pos(std::lround(v * v * v * current.y + 3 * u * v * v * c1.y + 3 * u * u * v * c2.y +
                                             u * u * u * e.y));
                    addLine(Whole(q));
                }
                current = e;
                i += 3;
                continue;
            }
            if (t == FT_CURVE_TAG_CONIC) {
                conic.push_back(p);
                ++i;
                continue;
            }
            if (!conic.empty()) {
                GlyphRun run{GlyphRun::kQSpline, {}};
                for (const FT_Vector &c : conic)
                    run.points.push_back(Whole(c));
                run.points.push_back(Whole(p));
                contour.runs.push_back(run);
                conic.clear();
            } else if (!closing) {
                addLine(Whole(p));
            }
            current = p;
            ++i;
        }
        out->contours.push_back(std::move(contour));
    }
};

class FreeTypeGlyphSource : public GlyphSource {
public:
    FreeTypeGlyphSource(FT_Library lib, FT_Face face, int charset, std::string family)
        : m_lib(lib), m_face(face), m_charset(charset), m_family(std::move(family))
    {
    }
    ~FreeTypeGlyphSource() override
    {
        FT_Done_Face(m_face);
        FT_Done_FreeType(m_lib);
    }

    bool Outline(unsigned char byte, GlyphOutline &out) override
    {
        return CharacterOutline(CharsetToUnicode(byte, m_charset), out);
    }

    bool CharacterOutline(unsigned character, GlyphOutline &out) override
    {
        out = GlyphOutline();
        const FT_UInt index = FT_Get_Char_Index(m_face, character);
        if (FT_Load_Glyph(m_face, index, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) != 0)
            return false;
        FT_GlyphSlot g = m_face->glyph;
        out.advanceX = long(g->advance.x) >> 6;
        out.advanceY = long(g->advance.y) >> 6;
        if (g->format != FT_GLYPH_FORMAT_OUTLINE)
            return false;
        OutlineReader reader;
        reader.out = &out;
        reader.Read(g->outline);
        return true;
    }

    const std::string &FamilyName() const override { return m_family; }

private:
    FT_Library m_lib;
    FT_Face m_face;
    int m_charset;
    std::string m_family;
};

// Font file and family for a pattern; empty when fontconfig finds none.
bool Match(const FontRequest &request, const std::string &family, std::string &file, int &index,
           std::string &matchedFamily)
{
    static std::mutex guard;
    std::lock_guard<std::mutex> lock(guard);
    if (!FcInit())
        return false;
    FcPattern *pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8 *>(family.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, request.weight >= 600 ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, request.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_OUTLINE, FcTrue);
    const char *lang = request.charset == 177   ? "he"
                       : request.charset == 161 ? "el"
                       : request.charset == 204 ? "ru"
                       : request.charset == 238 ? "cs"
                                                : nullptr;
    if (lang)
        FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8 *>(lang));
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern *match = FcFontMatch(nullptr, pattern, &result);
    bool found = false;
    if (match) {
        FcChar8 *path = nullptr;
        FcChar8 *fam = nullptr;
        if (FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch) {
            file = reinterpret_cast<const char *>(path);
            index = 0;
            FcPatternGetInteger(match, FC_INDEX, 0, &index);
            if (FcPatternGetString(match, FC_FAMILY, 0, &fam) == FcResultMatch)
                matchedFamily = reinterpret_cast<const char *>(fam);
            found = true;
        }
        FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
    return found;
}

} // namespace

unsigned CharsetToUnicode(unsigned char byte, int charset)
{
    if (byte < 0x80)
        return byte;
    switch (charset) {
    case 177: // Hebrew letters alef..tav sit at 0xE0..0xFA.
        if (byte >= 0xE0 && byte <= 0xFA)
            return 0x05D0 + (byte - 0xE0);
        break;
    case 161: // Greek capitals and small letters from 0xC1 on.
        if (byte >= 0xC1 && byte <= 0xFE)
            return 0x0391 + (byte - 0xC1);
        break;
    case 204: // Cyrillic А..я at 0xC0..0xFF.
        if (byte >= 0xC0)
            return 0x0410 + (byte - 0xC0);
        break;
    default:
        break;
    }
    if (byte < 0xA0)
        return kWestern80[byte - 0x80];
    return byte;
}

std::unique_ptr<GlyphSource> OpenGlyphSource(const FontRequest &request, std::string &note)
{
    note.clear();
    const std::string wanted = request.face.empty() ? std::string("serif") : request.face;
    std::string file, family;
    int index = 0;
    if (!Match(request, wanted, file, index, family)) {
        note = "no font matches \"" + wanted + "\"";
        return nullptr;
    }
    // fontconfig always answers with something; a family other than the one
    // asked for (aliases aside) means the face is not installed.
    const bool alias = request.face.empty() || Lower(wanted) == "serif" || Lower(wanted) == "sans-serif" ||
                       Lower(wanted) == "monospace";
    if (!alias && Lower(family) != Lower(wanted)) {
        std::string fallbackFile, fallbackFamily;
        int fallbackIndex = 0;
        if (Match(request, "serif", fallbackFile, fallbackIndex, fallbackFamily)) {
            file = fallbackFile;
            index = fallbackIndex;
            family = fallbackFamily;
        }
        note = "font \"" + wanted + "\" is not installed; \"" + family + "\" is used";
    }
    FT_Library lib = nullptr;
    if (FT_Init_FreeType(&lib) != 0) {
        note = "the font library could not start";
        return nullptr;
    }
    FT_Face face = nullptr;
    if (FT_New_Face(lib, file.c_str(), index, &face) != 0) {
        FT_Done_FreeType(lib);
        note = "font file \"" + file + "\" could not be read";
        return nullptr;
    }
    const int height = std::clamp(request.height, 1, 1 << 15);
    if (FT_Set_Pixel_Sizes(face, 0, FT_UInt(height)) != 0) {
        FT_Done_Face(face);
        FT_Done_FreeType(lib);
        note = "font \"" + family + "\" cannot be scaled to " + std::to_string(height);
        return nullptr;
    }
    return std::make_unique<FreeTypeGlyphSource>(lib, face, request.charset, family);
}
