#pragma once
// The texture dialog's window: the image browser (folder, type, thumbnails,
// names and sizes, progress, count) above the texture controls. The folder
// scan runs on the CTextureDlg's worker; each of its notices reaches this
// window as a thread event, so only the window's thread touches the lists.
// The worker is joined before the window goes.
//
//   SgWxCadDialog *window = CreateTextureDialog(parent, document);
//   window->Open();
#include <memory>

#include <wx/bitmap.h>

#include "dialogs/CTextureDlg.h"
#include "dialogs/wx/SgWxCadDialog.h"
#include "dialogs/wx/PallicoWxExport.h"

class SgWxNumberBox;
class wxCheckBox;
class wxChoice;
class wxGauge;
class wxImageList;
class wxListCtrl;
class wxSizer;
class wxSlider;
class wxStaticBitmap;
class wxTextCtrl;
class wxThreadEvent;

class PALLICOWX_API SgWxTextureDialog : public SgWxCadDialog {
public:
    enum { kIdThumbnails = 2000, kIdBrowse = 2001, kIdPreview = 2004, kIdApply = 2013, kIdFolder = 2020,
           kIdTotal = 2021, kIdProgress = 2022, kIdRotation = 2031, kIdModel = 2035, kIdBoost = 2036,
           kIdFunction = 2037, kIdWrapS = 2039, kIdWrapT = 2042, kIdScale = 2044, kIdMoveY = 2045,
           kIdFlipH = 2046, kIdFlipV = 2047, kIdInstant = 2048, kIdMoveX = 2049, kIdDelete = 2055,
           kIdDefault = 2056, kIdDisconnectTexture = 2057, kIdDisconnectFunction = 2058,
           kIdDisconnectTransform = 2059, kIdAddLayer = 2060, kIdDetails = 2061, kIdType = 2063,
           kIdUnit = 2085, kIdBlend = 2087, kIdScaleSlider = 1004, kIdMoveYSlider = 1005, kIdMoveXSlider = 1006 };

    SgWxTextureDialog(wxWindow *parent, std::unique_ptr<CTextureDlg> dialog);
    ~SgWxTextureDialog() override;

    CTextureDlg &GetTexture() { return *m_texture; }
    // Starts a new scan of the items folder.
    void Refresh();
    // The count edit's text, "Total Image: <n>".
    wxString GetTotalText() const;
    int GetThumbnailCount() const;
    // How often the preview picture was drawn.
    int GetPreviewRenders() const { return m_previewRenders; }
    // The preview's picture as shown.
    wxBitmap GetPreviewBitmap() const;
    static constexpr int kPreviewSide = 128;

private:
    // The parts of the window, top to bottom, and what their controls do.
    wxSizer *MakeBrowser();
    wxSizer *MakeEditing();
    wxSizer *MakeChecks();
    wxSizer *MakeButtons();
    void BindBrowser();
    void BindEditing();

    void OnFill(wxThreadEvent &event);
    void ShowFolder();
    // Stops the scan and empties the lists; then the new scan's progress.
    void ClearList();
    void StartShowingScan();
    // The logic's values into the controls, after every change.
    void ShowChange();
    void WriteControls();
    void EnableApply();
    // The picture the logic draws, shown when a change came.
    void ShowPreview();

    std::unique_ptr<CTextureDlg> m_texture;
    std::unique_ptr<wxImageList> m_images;
    wxListCtrl *m_thumbnails = nullptr;
    wxListCtrl *m_details = nullptr;
    wxGauge *m_progress = nullptr;
    wxTextCtrl *m_folder = nullptr;
    wxTextCtrl *m_total = nullptr;
    wxChoice *m_type = nullptr;
    SgWxNumberBox *m_rotation = nullptr;
    SgWxNumberBox *m_unit = nullptr;
    SgWxNumberBox *m_blend = nullptr;
    SgWxNumberBox *m_scale = nullptr;
    SgWxNumberBox *m_moves[2] = {};
    wxSlider *m_scaleSlider = nullptr;
    wxSlider *m_moveSliders[2] = {};
    wxCheckBox *m_wrapS = nullptr;
    wxCheckBox *m_wrapT = nullptr;
    wxCheckBox *m_instant = nullptr;
    int m_shown = 0;
    int m_previewRenders = 0;
    int m_shownChange = -1;
    wxStaticBitmap *m_preview = nullptr;
};

// Makes the window on a new CTextureDlg and starts its first scan; the
// window owns it.
PALLICOWX_API SgWxCadDialog *CreateTextureDialog(wxWindow *parent, SgDocument *document);
