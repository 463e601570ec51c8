#pragma once
// The toolkit's side of the shared controls (models in platform/controls):
// a spin button that steps a double shown in its buddy edit, the edit, the
// vector editor's strip of labelled rows, and a push button with colours of
// its own. All logic is in the models; these only show it and pass clicks,
// keys and focus on.
//
//   auto *edit = new CNumEdit(panel, wxID_ANY);
//   auto *spin = new CNumSpinCtrl(panel, wxID_ANY, wxDefaultPosition, wxDefaultSize,
//                                 wxSP_VERTICAL | wxSP_WRAP);
//   spin->SetBuddy(edit);
//   spin->SetRangeAndDelta(0.0, 10.0, 0.5);
//   spin->SetPos(2.0);
#include <functional>
#include <memory>
#include <vector>

#include <wx/control.h>
#include <wx/spinbutt.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "platform/controls/SgColorButtonModel.h"
#include "platform/controls/SgNumSpinModel.h"
#include "platform/controls/SgVectorFieldModel.h"
#include "platform/wx/PlatformWxExport.h"

class CNumSpinCtrl;

// The buddy edit: Enter and focus loss hand the typed text to its spin.
class PLATFORMWX_API CNumEdit : public wxTextCtrl {
public:
    CNumEdit(wxWindow *parent, wxWindowID id, const wxPoint &pos = wxDefaultPosition,
             const wxSize &size = wxDefaultSize, long style = 0);
    ~CNumEdit() override;
    CNumSpinCtrl *GetSpin() const { return m_pSpin; }

private:
    friend class CNumSpinCtrl;
    void OnKeyUp(wxKeyEvent &event);
    void OnKillFocus(wxFocusEvent &event);
    CNumSpinCtrl *m_pSpin = nullptr;
};

// The spin arrows. With wxSP_WRAP a step past one end gives the other end;
// the native control never wraps by itself (the model decides).
class PLATFORMWX_API CNumSpinCtrl : public wxSpinButton {
public:
    CNumSpinCtrl(wxWindow *parent, wxWindowID id, const wxPoint &pos = wxDefaultPosition,
                 const wxSize &size = wxDefaultSize, long style = wxSP_VERTICAL);
    ~CNumSpinCtrl() override;

    SgNumSpinModel &Model() { return *m_pModel; }
    // Shows a model someone else keeps (a row of the vector editor's) instead
    // of its own; the model must outlive the control.
    void UseModel(SgNumSpinModel *model);
    void SetRangeAndDelta(double minimum, double maximum, double delta);
    void SetPos(double value);
    double GetPos() const { return m_pModel->GetPos(); }
    void SetDecimalPlaces(int places) { m_pModel->SetDecimalPlaces(places); }
    void SetFormatString(const char *format) { m_pModel->SetFormatString(format); }
    void SetTrimTrailingZeros(int trim) { m_pModel->SetTrimTrailingZeros(trim); }
    void SetUnitFactor(double factor) { m_pModel->SetUnitFactor(factor); }
    // Makes `edit` the buddy (null: none); returns the previous one.
    CNumEdit *SetBuddy(CNumEdit *edit);
    CNumEdit *GetBuddy() const { return m_pBuddy; }

    // The typed text taken (Enter, focus lost).
    void Commit();

private:
    friend class CNumEdit;
    void OnSpin(wxSpinEvent &event);
    void TakeText();
    void ShowText();

    SgNumSpinModel m_ownModel;
    SgNumSpinModel *m_pModel = &m_ownModel;
    CNumEdit *m_pBuddy = nullptr;
};

// A number box: the edit and its arrows side by side, over a model of its
// own, where a dialog would use the toolkit's spin control (whose typed
// letters become 0). What the user takes (Enter, focus lost, an arrow click)
// is sent as wxEVT_SPINCTRL (an integer box) or wxEVT_SPINCTRLDOUBLE with the
// box's id; a refused text sends nothing, shows the notifier's message with
// the box's range and gives the focus back to the edit.
//
//   auto *red = new SgWxNumberBox(dialog, kIdRedEdit, 0, 255, 1, 0);
//   red->Bind(wxEVT_SPINCTRL, ...);   // red->GetValue() is the number taken
class PLATFORMWX_API SgWxNumberBox : public wxControl {
public:
    // `digits` 0 makes an integer box.
    SgWxNumberBox(wxWindow *parent, wxWindowID id, double minimum, double maximum, double increment, int digits);

    double GetValue() const { return m_pSpin->GetPos(); }
    // Shows `value` clamped to the range; sends nothing.
    void SetValue(double value);
    void SetRange(double minimum, double maximum);
    double GetMin() const;
    double GetMax() const;
    // The arrows can be hidden, leaving the edit alone.
    void ShowArrows(bool show);
    CNumEdit *GetEdit() const { return m_pEdit; }
    CNumSpinCtrl *GetSpin() const { return m_pSpin; }
    SgNumSpinModel &Model() { return m_pSpin->Model(); }

private:
    void Taken();
    void Refused(const std::string &message);
    bool m_bInteger = false;
    CNumEdit *m_pEdit = nullptr;
    CNumSpinCtrl *m_pSpin = nullptr;
};

// The vector editor: one label, edit and spin per row of the model, at the
// model's rectangles, in `parent`.
class PLATFORMWX_API VectorFieldUI {
public:
    static VectorFieldUI *CreateVectorFieldUI(wxWindow *parent, int count, const char *const *names);
    // A view of a model someone else keeps (the facade's editor); the model
    // must outlive the view.
    static VectorFieldUI *CreateVectorFieldUI(wxWindow *parent, SgVectorFieldModel *model);
    VectorFieldUI(const VectorFieldUI &) = delete;
    VectorFieldUI &operator=(const VectorFieldUI &) = delete;

    SgVectorFieldModel &Model() { return *m_pModel; }
    void SetVector(const double *values, int count, int first);
    int GetVector(double *values);
    CNumSpinCtrl *GetNumSpin(int index);
    CNumEdit *GetEdit(int index);
    void SetParamName(int index, const char *name);
    void SetCurrentField(void *field, int slot) { m_pModel->SetCurrentField(field, slot); }
    // Shows the model's rows, names and values again after its keeper
    // changed them.
    void ShowModel();
    // Runs after the user took a number (Enter, focus lost, an arrow click)
    // in any row; null: nothing runs.
    void SetChangeCallback(std::function<void()> changed);
    // The right end of the last shown row, in the parent's pixels.
    int GetShownWidth();

private:
    VectorFieldUI(wxWindow *parent, SgVectorFieldModel *model);
    void PlaceRows();
    void ShowRows();

    std::unique_ptr<SgVectorFieldModel> m_ownModel;
    SgVectorFieldModel *m_pModel;
    // Children of the parent window, which deletes them.
    std::vector<wxStaticText *> m_labels;
    std::vector<CNumEdit *> m_edits;
    std::vector<CNumSpinCtrl *> m_spins;
};

// A push button painted in its own colours with a bevelled frame (raised for
// a positive bevel, sunken for a negative one); a click sends wxEVT_BUTTON.
class PLATFORMWX_API CSGColorButton : public wxControl {
public:
    using Rgb = SgColorButtonModel::Rgb;

    CSGColorButton(wxWindow *parent, wxWindowID id, const wxString &label, const wxPoint &pos = wxDefaultPosition,
                   const wxSize &size = wxDefaultSize);

    // The four values at once, as a dialog item gets them.
    bool Attach(Rgb background, Rgb foreground, Rgb disabled, unsigned bevel);
    void SetFGColor(Rgb colour, bool redraw = true) { Redraw(m_model.SetFGColor(colour, redraw)); }
    void SetBGColor(Rgb colour, bool redraw = true) { Redraw(m_model.SetBGColor(colour, redraw)); }
    void SetDisabledColor(Rgb colour, bool redraw = true) { Redraw(m_model.SetDisabledColor(colour, redraw)); }
    void SetColor(Rgb foreground, Rgb background, Rgb disabled, bool redraw = true)
    {
        Redraw(m_model.SetColor(foreground, background, disabled, redraw));
    }
    const SgColorButtonModel &Model() const { return m_model; }

private:
    void Redraw(bool now);
    void OnPaint(wxPaintEvent &event);
    void OnMouse(wxMouseEvent &event);
    wxSize DoGetBestSize() const override;

    SgColorButtonModel m_model;
    bool m_bPressed = false;
};
