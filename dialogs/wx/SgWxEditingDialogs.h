#pragma once
// The windows of the editing dialogs: material colour, light, alignment,
// animation, display and font. Each shows one dialog's logic (dialogs/),
// hands every control's change to it and shows its values back; the logic
// must outlive the window (the host's dialog instance destroys the window
// first).
//
//   CColorDlg logic(document);
//   auto *window = new SgWxColorDialog(parent, &logic);   // fills itself
//   window->Open();
#include <wx/bitmap.h>
#include <wx/timer.h>

#include "dialogs/wx/SgWxCadDialog.h"
#include "dialogs/wx/PallicoWxExport.h"

class CAlignDlg;
class CAnimationDlg;
class CColorDlg;
class CDisplayDlg;
class CFontDlg;
class CLightDlg;
class wxButton;
class wxCheckBox;
class wxChoice;
class wxPanel;
class wxRadioButton;
class wxSlider;
class SgWxNumberBox;
class wxSpinDoubleEvent;
class wxToggleButton;

class PALLICOWX_API SgWxColorDialog : public SgWxCadDialog {
public:
    // Control ids.
    enum { kIdRed = 1004, kIdGreen = 1005, kIdBlue = 1006, kIdRedEdit = 1007, kIdGreenEdit = 1008,
           kIdBlueEdit = 1009, kIdInstant = 1010, kIdSpecular = 1011, kIdSpecularEdit = 1012, kIdShininess = 1013,
           kIdShininessEdit = 1014, kIdTransparent = 1015, kIdTransparentEdit = 1016, kIdPreview = 1019,
           kIdOverride = 1023, kIdChoose = 1030, kIdLink = 1075, kIdApply = 3, kIdDelete = 4, kIdDisconnect = 5 };

    SgWxColorDialog(wxWindow *parent, CColorDlg *dialog);
    ~SgWxColorDialog() override;

private:
    static void Changed(void *window);
    void ShowValues();
    void OnSlider(wxCommandEvent &event);
    void OnSpin(wxCommandEvent &event);
    void OnSpinDouble(wxSpinDoubleEvent &event);
    void OnCheck(wxCommandEvent &event);
    void OnButton(wxCommandEvent &event);
    void PaintPreview();

    CColorDlg *m_pColor;
    wxSlider *m_sliders[3] = {};
    SgWxNumberBox *m_edits[3] = {};
    wxSlider *m_pSpecular = nullptr;
    SgWxNumberBox *m_pSpecularEdit = nullptr;
    wxSlider *m_pShininess = nullptr;
    SgWxNumberBox *m_pShininessEdit = nullptr;
    wxSlider *m_pTransparent = nullptr;
    SgWxNumberBox *m_pTransparentEdit = nullptr;
    wxCheckBox *m_pInstant = nullptr;
    wxCheckBox *m_pOverride = nullptr;
    wxCheckBox *m_pLink = nullptr;
    wxPanel *m_pPreview = nullptr;
    // The preview as last drawn; emptied by every change.
    wxBitmap m_previewShown;
};

class PALLICOWX_API SgWxLightDialog : public SgWxCadDialog {
public:
    enum { kIdDirX = 1046, kIdDirY = 1048, kIdDirZ = 1052, kIdLocX = 1051, kIdLocY = 1055, kIdLocZ = 1057,
           kIdCutOff = 1059, kIdDropOff = 1062, kIdAlpha = 1069, kIdBeta = 1071, kIdOn = 1073, kIdIntensity = 1074,
           kIdDelete = 1066, kIdRefresh = 1067, kIdColor = 1080 };

    SgWxLightDialog(wxWindow *parent, CLightDlg *dialog);
    ~SgWxLightDialog() override;

private:
    static void Changed(void *window);
    void ShowValues();
    void OnSpinDouble(wxSpinDoubleEvent &event);
    void OnCommand(wxCommandEvent &event);

    CLightDlg *m_pLight;
    wxRadioButton *m_radios[4] = {};
    SgWxNumberBox *m_direction[3] = {};
    SgWxNumberBox *m_location[3] = {};
    SgWxNumberBox *m_pAlpha = nullptr;
    SgWxNumberBox *m_pBeta = nullptr;
    SgWxNumberBox *m_pCutOff = nullptr;
    SgWxNumberBox *m_pDropOff = nullptr;
    SgWxNumberBox *m_pIntensity = nullptr;
    wxToggleButton *m_pOn = nullptr;
    wxButton *m_pColor = nullptr;
};

class PALLICOWX_API SgWxAlignDialog : public SgWxCadDialog {
public:
    enum { kIdPosX = 1024, kIdPosY = 1025, kIdPosZ = 1026, kIdObjects = 1028, kIdReference = 1029, kIdAxisX = 1031,
           kIdAxisY = 1032, kIdAxisZ = 1033, kIdPivot = 1034, kIdApply = 3 };

    SgWxAlignDialog(wxWindow *parent, CAlignDlg *dialog);

private:
    void ShowValues();
    void OnCommand(wxCommandEvent &event);

    CAlignDlg *m_pAlign;
    wxCheckBox *m_position[3] = {};
    wxCheckBox *m_axis[3] = {};
    wxCheckBox *m_pPivot = nullptr;
    wxChoice *m_pObjects = nullptr;
    wxChoice *m_pReference = nullptr;
};

class PALLICOWX_API SgWxAnimationDialog : public SgWxCadDialog {
public:
    enum { kIdPrev = 1078, kIdRecord = 1087, kIdPlay = 2066, kIdNext = 1080, kIdStop = 1081, kIdPath = 1090,
           kIdFrame = 1076, kIdFrameEdit = 1086, kIdResolutionSlider = 1104, kIdResolution = 1088,
           kIdAutoStep = 1089 };

    SgWxAnimationDialog(wxWindow *parent, CAnimationDlg *dialog);
    ~SgWxAnimationDialog() override;

private:
    static void Changed(void *window);
    void ShowValues();
    void OnCommand(wxCommandEvent &event);
    void OnTimer(wxTimerEvent &event);

    CAnimationDlg *m_pAnimation;
    wxSlider *m_pFrame = nullptr;
    SgWxNumberBox *m_pFrameEdit = nullptr;
    wxSlider *m_pResolutionSlider = nullptr;
    SgWxNumberBox *m_pResolution = nullptr;
    SgWxNumberBox *m_pAutoStep = nullptr;
    wxButton *m_pPlay = nullptr;
    wxTimer m_timer;
};

class PALLICOWX_API SgWxDisplayDialog : public SgWxCadDialog {
public:
    enum { kIdHideSelected = 2073, kIdHideUnselected = 2074, kIdUnhideAll = 2075, kIdHideByHit = 2076 };

    SgWxDisplayDialog(wxWindow *parent, CDisplayDlg *dialog);

private:
    void OnCommand(wxCommandEvent &event);

    CDisplayDlg *m_pDisplay;
};

class PALLICOWX_API SgWxFontDialog : public SgWxCadDialog {
public:
    enum { kIdFace = 1130, kIdSize = 1131, kIdBold = 1132, kIdItalic = 1133, kIdApply = 1026 };

    SgWxFontDialog(wxWindow *parent, CFontDlg *dialog);

private:
    void TakeValues();
    void OnCommand(wxCommandEvent &event);

    CFontDlg *m_pFont;
    wxChoice *m_pFace = nullptr;
    SgWxNumberBox *m_pSize = nullptr;
    wxCheckBox *m_pBold = nullptr;
    wxCheckBox *m_pItalic = nullptr;
};
