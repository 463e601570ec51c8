#pragma once
// The font dialog without the toolkit: the font of the first selected
// object (its first font node), else the document's default font, edited as
// a face name, a size and a style. Apply gives the first selected object a
// new font node of the chosen font (replacing its own); OK loads the chosen
// font into the edited node; Cancel leaves it.
//
//   CFontDlg dialog(document);
//   dialog.OnInitDialog();          // the font to start from
//   dialog.SetFace("Serif");
//   dialog.OnApply();               // the selected object's font node
#include <string>

#include "dialogs/CCadDlg.h"
#include "engine/core/SgRef.h"
#include "dialogs/PallicoExport.h"

class SgFont;

class PALLICO_API CFontDlg : public CCadDlg {
public:
    static constexpr unsigned kDialogId = 2041;

    explicit CFontDlg(SgDocument *document, void *parent = nullptr);
    ~CFontDlg() override;

    void OnInitDialog();
    // Face names are cut to what a font node keeps (31 bytes); sizes within
    // 1..1000 points.
    void SetFace(const std::string &face);
    void SetPointSize(int points);
    void SetBold(bool on) { m_bold = on; }
    void SetItalic(bool on) { m_italic = on; }
    void OnApply();
    void OnOK() override;

    const std::string &GetFace() const { return m_face; }
    int GetPointSize() const { return m_points; }
    bool GetBold() const { return m_bold; }
    bool GetItalic() const { return m_italic; }
    SgFont *GetEditedFont() const { return m_font.get(); }

private:
    void Store(SgFont &font) const;

    SgRef<SgFont> m_font;
    std::string m_face;
    int m_points = 12;
    bool m_bold = false;
    bool m_italic = false;
};
