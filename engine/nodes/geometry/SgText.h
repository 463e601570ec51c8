#pragma once
// Extruded text: the glyph outlines of "text" in the font in effect, each
// outer boundary with its holes swept by the node's profile. SgText carries
// its own one-point profile.
#include <string>

#include "engine/core/SgTField.h"
#include "engine/nodes/geometry/SgExtrude.h"
#include "engine/core/NodaraExport.h"

class SgPolyLine;

class NODARA_API SgBText : public SgExtrude {
    SG_CLASS_HEADER(SgBText, SgFieldMngr)

    // Numeric text longer than this is shown as written; formatted text is
    // cut to it.
    static constexpr int kNumberBuffer = 64;

    SgBText();
    void DoExtrude(SgFaceSet *faceSet, SgAction *action) override;

    // The text as shown: the number reformatted when `format` is a usable
    // single numeric conversion (see CheckNumberFormat), else as given.
    static std::string FormatNumber(const std::string &text, const std::string &format, double factor);
    // True for exactly one numeric conversion (%d %i %f %g %e and their
    // capitals, optional flags, width and precision) and plain text around
    // it ("%%" allowed); `message` says what is wrong otherwise.
    static bool CheckNumberFormat(const std::string &format, std::string &message);
    // Right-to-left reordering of Hebrew text (charset 177): whole string
    // reversed, embedded Latin runs turned back.
    static std::string ReorderRightToLeft(const std::string &text, int charset);

    SgFStr m_text;
    SgFInt m_sides;

protected:
    ~SgBText() override = default;
};

class NODARA_API SgText : public SgBText {
    SG_CLASS_HEADER(SgText, SgFieldMngr)

    SgText();
    // The stored profile; a node read from a file takes the first curve of
    // its separator; without any curve the node's own one-point profile
    // (flat glyphs).
    SgGenPolyLine *GetProfile() override;

protected:
    ~SgText() override;

private:
    SgRef<SgPolyLine> m_point;
};
