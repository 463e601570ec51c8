#include "platform/wx/SgWxControls.h"

#include <algorithm>
#include <cmath>

#include <wx/app.h>
#include <wx/dcclient.h>
#include <wx/sizer.h>
#include <wx/spinctrl.h>
#include <wx/renderer.h>
#include <wx/window.h>

#include "platform/Notifier.h"

namespace {

// The native arrows move around this position and are put back after each
// click, so that they never stop at an end nor wrap on their own.
constexpr int kNativeRange = 1000000;

wxRect ToRect(const SgVectorFieldModel::Box &box)
{
    return wxRect(box.left, box.top, box.right - box.left, box.bottom - box.top);
}

} // namespace

CNumEdit::CNumEdit(wxWindow *parent, wxWindowID id, const wxPoint &pos, const wxSize &size, long style)
    : wxTextCtrl(parent, id, wxEmptyString, pos, size, style | wxTE_PROCESS_ENTER)
{
    Bind(wxEVT_KEY_UP, &CNumEdit::OnKeyUp, this);
    Bind(wxEVT_KILL_FOCUS, &CNumEdit::OnKillFocus, this);
    // Enter is taken on its release; the press must not reach the dialog.
    Bind(wxEVT_TEXT_ENTER, [](wxCommandEvent &) {});
}

CNumEdit::~CNumEdit()
{
    if (m_pSpin && m_pSpin->m_pBuddy == this)
        m_pSpin->m_pBuddy = nullptr;
}

void CNumEdit::OnKeyUp(wxKeyEvent &event)
{
    const int key = event.GetKeyCode();
    if (m_pSpin && (key == WXK_RETURN || key == WXK_NUMPAD_ENTER || key == '\n'))
        m_pSpin->Commit();
    event.Skip();
}

void CNumEdit::OnKillFocus(wxFocusEvent &event)
{
    // A window that is closing takes the focus from its boxes: nothing is
    // committed then (a refusal would ask the user inside the closing).
    wxWindow *top = wxGetTopLevelParent(this);
    const bool closing = IsBeingDeleted() || (top && top->IsBeingDeleted()) || (wxTheApp && top && wxTheApp->IsScheduledForDestruction(top));
    if (m_pSpin && !closing)
        m_pSpin->Commit();
    event.Skip();
}

CNumSpinCtrl::CNumSpinCtrl(wxWindow *parent, wxWindowID id, const wxPoint &pos, const wxSize &size, long style)
    : wxSpinButton(parent, id, pos, size, style & ~long(wxSP_WRAP))
{
    m_ownModel.SetWrap((style & wxSP_WRAP) != 0);
    wxSpinButton::SetRange(-kNativeRange, kNativeRange);
    wxSpinButton::SetValue(0);
    Bind(wxEVT_SPIN_UP, &CNumSpinCtrl::OnSpin, this);
    Bind(wxEVT_SPIN_DOWN, &CNumSpinCtrl::OnSpin, this);
}

CNumSpinCtrl::~CNumSpinCtrl()
{
    if (m_pBuddy && m_pBuddy->m_pSpin == this)
        m_pBuddy->m_pSpin = nullptr;
}

void CNumSpinCtrl::UseModel(SgNumSpinModel *model)
{
    if (!model)
        model = &m_ownModel;
    model->SetWrap(m_pModel->GetWrap());
    m_pModel = model;
    ShowText();
}

void CNumSpinCtrl::SetRangeAndDelta(double minimum, double maximum, double delta)
{
    TakeText();
    m_pModel->SetRangeAndDelta(minimum, maximum, delta);
}

void CNumSpinCtrl::SetPos(double value)
{
    m_pModel->SetPos(value);
    ShowText();
}

CNumEdit *CNumSpinCtrl::SetBuddy(CNumEdit *edit)
{
    CNumEdit *previous = m_pBuddy;
    if (previous && previous->m_pSpin == this)
        previous->m_pSpin = nullptr;
    m_pBuddy = edit;
    if (edit) {
        edit->m_pSpin = this;
        ShowText();
    }
    return previous;
}

void CNumSpinCtrl::Commit()
{
    TakeText();
    m_pModel->Step(0);
    ShowText();
}

void CNumSpinCtrl::OnSpin(wxSpinEvent &event)
{
    // Vetoed: the native arrows go back to where they were.
    event.Veto();
    TakeText();
    m_pModel->Step(event.GetEventType() == wxEVT_SPIN_UP ? 1 : -1);
    ShowText();
}

void CNumSpinCtrl::TakeText()
{
    if (m_pBuddy)
        m_pModel->SetText(m_pBuddy->GetValue().utf8_string());
}

void CNumSpinCtrl::ShowText()
{
    if (m_pBuddy)
        m_pBuddy->ChangeValue(wxString::FromUTF8(m_pModel->GetText()));
}

SgWxNumberBox::SgWxNumberBox(wxWindow *parent, wxWindowID id, double minimum, double maximum, double increment,
                             int digits)
    : wxControl(parent, id, wxDefaultPosition, wxDefaultSize, wxBORDER_NONE | wxTAB_TRAVERSAL), m_bInteger(digits == 0)
{
    m_pEdit = new CNumEdit(this, wxID_ANY);
    m_pSpin = new CNumSpinCtrl(this, wxID_ANY);
    m_pSpin->SetDecimalPlaces(digits);
    m_pSpin->SetRangeAndDelta(minimum, maximum, increment);
    m_pSpin->SetBuddy(m_pEdit);
    m_pSpin->SetPos(std::clamp(0.0, std::min(minimum, maximum), std::max(minimum, maximum)));
    // Wide enough for the range's longer end, a sign and every decimal the
    // box shows ("0.316" in a box of 0 to 100).
    const double longer = std::max(std::fabs(minimum), std::fabs(maximum));
    wxString widest = wxString::FromUTF8(Model().FormatValue(std::trunc(longer)));
    if (digits > 0)
        widest += "." + wxString('8', digits);
    const int width = m_pEdit->GetTextExtent("-" + widest + "0").x + 16;
    m_pEdit->SetMinSize(wxSize(std::max(width, 48), -1));
    auto *row = new wxBoxSizer(wxHORIZONTAL);
    row->Add(m_pEdit, 1, wxALIGN_CENTER_VERTICAL);
    row->Add(m_pSpin, 0, wxEXPAND);
    SetSizerAndFit(row);
    Model().SetAfterChange([this](SgNumSpinModel *model) {
        if (!model->WasRefused())
            Taken();
    });
    Model().SetRefused([this](SgNumSpinModel *, const std::string &message) { Refused(message); });
}

void SgWxNumberBox::SetValue(double value)
{
    m_pSpin->SetPos(std::clamp(value, GetMin(), GetMax()));
}

void SgWxNumberBox::SetRange(double minimum, double maximum)
{
    double low, high, delta;
    Model().GetRangeAndDelta(low, high, delta);
    m_pSpin->SetRangeAndDelta(minimum, maximum, delta);
}

double SgWxNumberBox::GetMin() const
{
    double low, high, delta;
    m_pSpin->Model().GetRangeAndDelta(low, high, delta);
    return std::min(low, high);
}

double SgWxNumberBox::GetMax() const
{
    double low, high, delta;
    m_pSpin->Model().GetRangeAndDelta(low, high, delta);
    return std::max(low, high);
}

void SgWxNumberBox::ShowArrows(bool show)
{
    m_pSpin->Show(show);
    Layout();
}

void SgWxNumberBox::Taken()
{
    if (m_bInteger) {
        wxSpinEvent event(wxEVT_SPINCTRL, GetId());
        event.SetEventObject(this);
        event.SetPosition(static_cast<int>(std::lround(GetValue())));
        ProcessWindowEvent(event);
    } else {
        wxSpinDoubleEvent event(wxEVT_SPINCTRLDOUBLE, GetId(), GetValue());
        event.SetEventObject(this);
        ProcessWindowEvent(event);
    }
}

void SgWxNumberBox::Refused(const std::string &message)
{
    // Not from inside the focus change that took the text: the message box
    // shows once the toolkit is done with it, and the edit has the focus
    // again afterwards, with its text chosen for typing over.
    CallAfter([this, message] {
        GetNotifier().Message(message, "Number", Notifier::Buttons::Ok, Notifier::Icon::Warning);
        if (wxWindow *top = wxGetTopLevelParent(this))
            top->Raise();
        m_pEdit->SetFocus();
        m_pEdit->SelectAll();
    });
}

VectorFieldUI *VectorFieldUI::CreateVectorFieldUI(wxWindow *parent, int count, const char *const *names)
{
    if (!parent)
        return nullptr;
    auto model = std::make_unique<SgVectorFieldModel>(count, names);
    auto *view = new VectorFieldUI(parent, model.get());
    view->m_ownModel = std::move(model);
    return view;
}

VectorFieldUI *VectorFieldUI::CreateVectorFieldUI(wxWindow *parent, SgVectorFieldModel *model)
{
    return parent && model ? new VectorFieldUI(parent, model) : nullptr;
}

VectorFieldUI::VectorFieldUI(wxWindow *parent, SgVectorFieldModel *model)
    : m_pModel(model)
{
    for (int i = 0; i < m_pModel->GetRowCount(); ++i) {
        SgVectorFieldModel::Row &row = *m_pModel->GetRow(i);
        m_labels.push_back(new wxStaticText(parent, wxID_ANY, wxString::FromUTF8(row.name), wxDefaultPosition,
                                            wxDefaultSize, wxALIGN_RIGHT | wxST_NO_AUTORESIZE));
        m_edits.push_back(new CNumEdit(parent, wxID_ANY));
        m_spins.push_back(new CNumSpinCtrl(parent, wxID_ANY));
        m_spins.back()->UseModel(&row.spin);
        m_spins.back()->SetBuddy(m_edits.back());
    }
    PlaceRows();
    ShowRows();
}

void VectorFieldUI::PlaceRows()
{
    // The toolkit's arrows refuse less room than their own size, which can
    // be more than the model gives them: each row's parts take the arrows'
    // height, and the rows after them move right by the width they lack.
    // The first label takes the room of its text only.
    int shift = 0;
    for (int i = 0; i < m_pModel->GetRowCount() && i < int(m_labels.size()); ++i) {
        SgVectorFieldModel::Row &row = *m_pModel->GetRow(i);
        wxStaticText *text = m_labels[i];
        wxRect label = ToRect(row.label);
        if (i == 0)
            shift = -std::max(0, label.width - text->GetBestSize().x - 8);
        wxRect edit = ToRect(row.edit);
        const wxRect modelSpin = ToRect(row.spinBox);
        const wxSize best = m_spins[i]->GetBestSize();
        const wxSize spin(std::max(modelSpin.width, best.x), std::max(modelSpin.height, best.y));
        label.x = std::max(0, label.x + shift);
        label.width = std::max(0, row.label.right + shift - label.x);
        edit.x += shift;
        const int textHeight = text->GetBestSize().y;
        text->SetSize(label.x, std::max(0, (spin.y - textHeight) / 2), label.width, textHeight);
        m_edits[i]->SetSize(edit.x, 0, edit.width, spin.y);
        m_spins[i]->SetSize(edit.GetRight() + 1, 0, spin.x, spin.y);
        shift += spin.x - modelSpin.width;
    }
}

void VectorFieldUI::ShowRows()
{
    for (int i = 0; i < m_pModel->GetRowCount(); ++i) {
        const bool shown = m_pModel->GetRow(i)->shown;
        m_labels[i]->Show(shown);
        m_edits[i]->Show(shown);
        m_spins[i]->Show(shown);
        m_spins[i]->SetPos(m_spins[i]->Model().GetPos());
        if (shown)
            m_edits[i]->Update();
    }
}

void VectorFieldUI::SetVector(const double *values, int count, int first)
{
    m_pModel->SetVector(values, count, first);
    ShowRows();
}

void VectorFieldUI::ShowModel()
{
    for (int i = 0; i < m_pModel->GetRowCount() && i < int(m_labels.size()); ++i)
        m_labels[i]->SetLabel(wxString::FromUTF8(m_pModel->GetRow(i)->name));
    // Renamed rows may take more or less room.
    PlaceRows();
    ShowRows();
}

void VectorFieldUI::SetChangeCallback(std::function<void()> changed)
{
    for (int i = 0; i < m_pModel->GetRowCount(); ++i) {
        SgNumSpinModel::Notify notify;
        if (changed)
            notify = [changed](SgNumSpinModel *) { changed(); };
        m_pModel->GetRow(i)->spin.SetAfterChange(std::move(notify));
    }
}

int VectorFieldUI::GetShownWidth()
{
    int width = 0;
    for (int i = 0; i < m_pModel->GetRowCount() && i < int(m_spins.size()); ++i)
        if (m_pModel->GetRow(i)->shown)
            width = std::max(width, m_spins[i]->GetRect().GetRight() + 1);
    return width;
}

int VectorFieldUI::GetVector(double *values)
{
    for (CNumSpinCtrl *spin : m_spins)
        spin->Commit();
    return m_pModel->GetVector(values);
}

CNumSpinCtrl *VectorFieldUI::GetNumSpin(int index)
{
    return index >= 0 && index < int(m_spins.size()) ? m_spins[index] : nullptr;
}

CNumEdit *VectorFieldUI::GetEdit(int index)
{
    return index >= 0 && index < int(m_edits.size()) ? m_edits[index] : nullptr;
}

void VectorFieldUI::SetParamName(int index, const char *name)
{
    m_pModel->SetParamName(index, name);
    if (index >= 0 && index < int(m_labels.size()))
        m_labels[index]->SetLabel(wxString::FromUTF8(m_pModel->GetRow(index)->name));
    PlaceRows();
}

namespace {

wxColour ToColour(const SgColorButtonModel::Rgb &rgb)
{
    return wxColour(rgb.r, rgb.g, rgb.b);
}

// One ring: the top and left edges in one colour, the bottom and right in
// the other, on the rectangle's outermost pixels.
void DrawRing(wxDC &dc, const wxRect &box, const SgColorButtonModel::Ring &ring)
{
    const int right = box.GetRight();
    const int bottom = box.GetBottom();
    dc.SetPen(wxPen(ToColour(ring.topLeft)));
    dc.DrawLine(box.x, box.y, right, box.y);
    dc.DrawLine(box.x, box.y, box.x, bottom);
    dc.SetPen(wxPen(ToColour(ring.bottomRight)));
    dc.DrawLine(box.x, bottom, right + 1, bottom);
    dc.DrawLine(right, box.y, right, bottom);
}

void DrawCaption(wxDC &dc, const wxString &text, const wxRect &box, const wxColour &colour, int offset)
{
    dc.SetTextForeground(colour);
    dc.SetBackgroundMode(wxBRUSHSTYLE_TRANSPARENT);
    wxRect shifted = box;
    shifted.Offset(offset, offset);
    dc.DrawLabel(text, shifted, wxALIGN_CENTER);
}

} // namespace

CSGColorButton::CSGColorButton(wxWindow *parent, wxWindowID id, const wxString &label, const wxPoint &pos,
                               const wxSize &size)
    : wxControl(parent, id, pos, size, wxBORDER_NONE | wxWANTS_CHARS)
{
    SetLabel(label);
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    Bind(wxEVT_PAINT, &CSGColorButton::OnPaint, this);
    Bind(wxEVT_LEFT_DOWN, &CSGColorButton::OnMouse, this);
    Bind(wxEVT_LEFT_UP, &CSGColorButton::OnMouse, this);
    Bind(wxEVT_MOUSE_CAPTURE_LOST, [this](wxMouseCaptureLostEvent &) {
        m_bPressed = false;
        Refresh();
    });
    Bind(wxEVT_SET_FOCUS, [this](wxFocusEvent &event) { Refresh(); event.Skip(); });
    Bind(wxEVT_KILL_FOCUS, [this](wxFocusEvent &event) { Refresh(); event.Skip(); });
}

bool CSGColorButton::Attach(Rgb background, Rgb foreground, Rgb disabled, unsigned bevel)
{
    const bool attached = m_model.Attach(background, foreground, disabled, bevel);
    Refresh();
    return attached;
}

void CSGColorButton::Redraw(bool now)
{
    if (now)
        Refresh();
}

wxSize CSGColorButton::DoGetBestSize() const
{
    const wxSize text = GetTextExtent(GetLabel());
    return wxSize(text.x + 16, text.y + 12);
}

void CSGColorButton::OnPaint(wxPaintEvent &)
{
    wxPaintDC dc(this);
    wxRect box(GetClientSize());
    const wxRect focus = wxRect(box).Deflate(4);
    dc.SetFont(GetFont());
    dc.SetBrush(wxBrush(ToColour(m_model.GetBGColor())));
    dc.SetPen(*wxTRANSPARENT_PEN);
    dc.DrawRectangle(box);
    if (m_bPressed && HasFocus()) {
        DrawRing(dc, box, SgColorButtonModel::PressedRing());
        DrawCaption(dc, GetLabel(), wxRect(box).Deflate(1), ToColour(m_model.GetFGColor()), 1);
    } else {
        for (const SgColorButtonModel::Ring &ring : m_model.BevelRings()) {
            DrawRing(dc, box, ring);
            box.Deflate(1);
        }
        DrawCaption(dc, GetLabel(), box, ToColour(IsEnabled() ? m_model.GetFGColor() : m_model.GetDisabledColor()), 0);
    }
    if (HasFocus())
        wxRendererNative::Get().DrawFocusRect(this, dc, focus);
}

void CSGColorButton::OnMouse(wxMouseEvent &event)
{
    if (event.LeftDown()) {
        SetFocus();
        m_bPressed = true;
        if (!HasCapture())
            CaptureMouse();
    } else if (m_bPressed) {
        m_bPressed = false;
        if (HasCapture())
            ReleaseMouse();
        if (wxRect(GetClientSize()).Contains(event.GetPosition())) {
            wxCommandEvent click(wxEVT_BUTTON, GetId());
            click.SetEventObject(this);
            ProcessWindowEvent(click);
        }
    }
    Refresh();
}
