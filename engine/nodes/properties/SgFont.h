#pragma once
// The font of the text shapes after it, and its exchange with the system's
// font description record, which the font dialogs of the host fill.
#include <cstdint>

#include "engine/core/SgNode.h"
#include "engine/core/SgTField.h"
#include "engine/core/NodaraExport.h"

class SgAction;

// Room for a face name in the font record, the terminating zero included.
constexpr int LF_FACESIZE = 32;

// The system's logical-font record, with its field layout.
struct NODARA_API LOGFONTA {
    int32_t lfHeight;
    int32_t lfWidth;
    int32_t lfEscapement;
    int32_t lfOrientation;
    int32_t lfWeight;
    uint8_t lfItalic;
    uint8_t lfUnderline;
    uint8_t lfStrikeOut;
    uint8_t lfCharSet;
    uint8_t lfOutPrecision;
    uint8_t lfClipPrecision;
    uint8_t lfQuality;
    uint8_t lfPitchAndFamily;
    char lfFaceName[LF_FACESIZE];
};

class NODARA_API SgFont : public SgNode {
    SG_CLASS_HEADER(SgFont, SgFieldMngr)

    // Bits of "style".
    enum Style { kBold = 1, kItalic = 2 };
    // Record weights: above kNormalWeight counts as bold; bold is stored as kBoldWeight.
    static constexpr int kNormalWeight = 400;
    static constexpr int kBoldWeight = 700;

    SgFont();

    void DoAction(SgAction *action) override;
    bool IsPropertyNode() const override { return true; }

    // Takes name, size (height x 100), style and character set from the
    // record. The face name is read up to its terminating zero or the end of
    // its room, whichever comes first. A null record changes nothing.
    void LoadSystemFont(const LOGFONTA *font);
    // Fills a zeroed record from the fields. A face name longer than the
    // record's room is cut so that it still ends with its zero. A null record
    // is ignored.
    void StoreSystemFont(LOGFONTA *font) const;

    SgFStr m_name;
    SgFInt m_size;
    SgFInt m_style;
    SgFInt m_charset;

protected:
    ~SgFont() override = default;
};
