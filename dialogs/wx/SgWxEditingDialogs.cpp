#include "dialogs/wx/SgWxEditingDialogs.h"

#include <algorithm>
#include <cmath>

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/dcclient.h>
#include <wx/dcmemory.h>
#include <wx/image.h>
#include <wx/fontenum.h>
#include <wx/panel.h>
#include <wx/radiobut.h>
#include <wx/sizer.h>
#include <wx/slider.h>
#include <wx/spinctrl.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/tglbtn.h>

#include "dialogs/CAlignDlg.h"
#include "dialogs/CAnimationDlg.h"
#include "dialogs/CColorDlg.h"
#include "dialogs/CDisplayDlg.h"
#include "dialogs/CFontDlg.h"
#include "dialogs/CLightDlg.h"
#include "platform/wx/SgWxControls.h"

namespace {

constexpr int kGap = 4;

// Number boxes that refuse letters and clamp what is out of range (the
// toolkit's spin control reads letters as 0).
SgWxNumberBox *DoubleSpin(wxWindow *parent, int id, double low, double high, double step, int digits)
{
    return new SgWxNumberBox(parent, id, low, high, step, digits);
}

SgWxNumberBox *IntSpin(wxWindow *parent, int id, int low, int high)
{
    return new SgWxNumberBox(parent, id, low, high, 1, 0);
}

// A row of the dialog's button bar: the buttons in order, right-aligned.
wxSizer *ButtonRow(wxWindow *parent, std::initializer_list<std::pair<int, const char *>> buttons)
{
    auto *row = new wxBoxSizer(wxHORIZONTAL);
    row->AddStretchSpacer();
    for (const auto &[id, label] : buttons) {
        auto *button = new wxButton(parent, id, wxString::FromUTF8(label));
        // Enter presses OK, as in a dialog box.
        if (id == wxID_OK)
            button->SetDefault();
        row->Add(button, 0, wxLEFT, kGap);
    }
    return row;
}

void SetIfChanged(SgWxNumberBox *spin, double value)
{
    if (spin && std::fabs(spin->GetValue() - value) > 1e-9)
        spin->SetValue(value);
}

} // namespace

// ---- Material colour ---------------------------------------------------------------------------

SgWxColorDialog::SgWxColorDialog(wxWindow *parent, CColorDlg *dialog)
    : SgWxCadDialog(parent, dialog, "Material"), m_pColor(dialog)
{
    auto *grid = new wxFlexGridSizer(3, kGap, kGap);
    grid->AddGrowableCol(1);
    static const char *const kChannels[] = {"Red", "Green", "Blue"};
    for (int c = 0; c < 3; ++c) {
        grid->Add(new wxStaticText(this, wxID_ANY, kChannels[c]), 0, wxALIGN_CENTER_VERTICAL);
        m_sliders[c] = new wxSlider(this, kIdRed + c, 0, 0, 255, wxDefaultPosition, wxSize(200, -1));
        m_sliders[c]->SetName(kChannels[c]);
        grid->Add(m_sliders[c], 1, wxEXPAND);
        m_edits[c] = IntSpin(this, kIdRedEdit + c, 0, 255);
        grid->Add(m_edits[c], 0);
    }
    struct Row {
        const char *label;
        int slider;
        int edit;
        wxSlider **sliderOut;
        SgWxNumberBox **editOut;
    };
    const Row rows[] = {{"Specular", kIdSpecular, kIdSpecularEdit, &m_pSpecular, &m_pSpecularEdit},
                        {"Shininess", kIdShininess, kIdShininessEdit, &m_pShininess, &m_pShininessEdit},
                        {"Transparent", kIdTransparent, kIdTransparentEdit, &m_pTransparent, &m_pTransparentEdit}};
    for (const Row &row : rows) {
        grid->Add(new wxStaticText(this, wxID_ANY, row.label), 0, wxALIGN_CENTER_VERTICAL);
        *row.sliderOut = new wxSlider(this, row.slider, 0, 0, 100);
        grid->Add(*row.sliderOut, 1, wxEXPAND);
        *row.editOut = DoubleSpin(this, row.edit, 0.0, 1.0, 0.01, 2);
        grid->Add(*row.editOut, 0);
    }
    m_pPreview = new wxPanel(this, kIdPreview, wxDefaultPosition, wxSize(96, 96), wxBORDER_SUNKEN);
    m_pPreview->Bind(wxEVT_PAINT, [this](wxPaintEvent &) { PaintPreview(); });

    m_pInstant = new wxCheckBox(this, kIdInstant, "&Instant update");
    m_pOverride = new wxCheckBox(this, kIdOverride, "Overide Color");
    m_pLink = new wxCheckBox(this, kIdLink, "Link Ambient to Diffuse");
    auto *checks = new wxBoxSizer(wxVERTICAL);
    checks->Add(m_pPreview, 0, wxALIGN_CENTER_HORIZONTAL | wxBOTTOM, kGap);
    checks->Add(new wxButton(this, kIdChoose, "&Choose Color..."), 0, wxEXPAND | wxBOTTOM, kGap);
    checks->Add(m_pInstant, 0, wxBOTTOM, kGap);
    checks->Add(m_pOverride, 0, wxBOTTOM, kGap);
    checks->Add(m_pLink, 0, wxBOTTOM, kGap);

    auto *body = new wxBoxSizer(wxHORIZONTAL);
    body->Add(grid, 1, wxEXPAND | wxALL, 2 * kGap);
    body->Add(checks, 0, wxALL, 2 * kGap);
    auto *top = new wxBoxSizer(wxVERTICAL);
    top->Add(body, 1, wxEXPAND);
    top->Add(ButtonRow(this, {{kIdApply, "Apply"}, {kIdDisconnect, "Disconnect"}, {kIdDelete, "Delete"},
                              {wxID_OK, "OK"}, {wxID_CANCEL, "Cancel"}}),
             0, wxEXPAND | wxALL, 2 * kGap);
    SetSizerAndFit(top);

    Bind(wxEVT_SLIDER, &SgWxColorDialog::OnSlider, this);
    Bind(wxEVT_SPINCTRL, &SgWxColorDialog::OnSpin, this);
    Bind(wxEVT_SPINCTRLDOUBLE, &SgWxColorDialog::OnSpinDouble, this);
    Bind(wxEVT_CHECKBOX, &SgWxColorDialog::OnCheck, this);
    for (int id : {kIdChoose, kIdApply, kIdDisconnect, kIdDelete})
        Bind(wxEVT_BUTTON, &SgWxColorDialog::OnButton, this, id);
    dialog->SetChangedCallback(&SgWxColorDialog::Changed, this);
    {
        CCadDlg::Acting acting(*dialog);
        dialog->OnInitDialog();
    }
    ShowValues();
    // The keyboard starts on the red slider once the window shows.
    CallAfter([this] { m_sliders[0]->SetFocus(); });
}

SgWxColorDialog::~SgWxColorDialog()
{
    m_pColor->SetChangedCallback(nullptr, nullptr);
}

void SgWxColorDialog::Changed(void *window)
{
    static_cast<SgWxColorDialog *>(window)->ShowValues();
}

void SgWxColorDialog::ShowValues()
{
    for (int c = 0; c < 3; ++c) {
        if (m_sliders[c]->GetValue() != m_pColor->GetChannel(c))
            m_sliders[c]->SetValue(m_pColor->GetChannel(c));
        if (m_edits[c]->GetValue() != m_pColor->GetChannel(c))
            m_edits[c]->SetValue(m_pColor->GetChannel(c));
    }
    m_pSpecular->SetValue(m_pColor->GetSpecularSlider());
    SetIfChanged(m_pSpecularEdit, m_pColor->GetSpecularEdit());
    m_pShininess->SetValue(m_pColor->GetShininessSlider());
    SetIfChanged(m_pShininessEdit, m_pColor->GetShininessEdit());
    m_pTransparent->SetValue(m_pColor->GetTransparentSlider());
    SetIfChanged(m_pTransparentEdit, m_pColor->GetTransparentEdit());
    m_pInstant->SetValue(m_pColor->GetInstantUpdate());
    m_pOverride->SetValue(m_pColor->GetOverride());
    m_pLink->SetValue(m_pColor->GetLinkAmbient());
    m_previewShown = wxBitmap();
    m_pPreview->Refresh(false);
}

void SgWxColorDialog::PaintPreview()
{
    wxPaintDC dc(m_pPreview);
    const wxSize size = m_pPreview->GetClientSize();
    if (size.x <= 0 || size.y <= 0)
        return;
    if (!m_previewShown.IsOk() || m_previewShown.GetSize() != size) {
        // The sphere as the engine draws it with the edited material.
        std::vector<unsigned char> rgb;
        if (m_pColor->RenderPreview(size.x, size.y, rgb)) {
            wxImage image(size.x, size.y, false);
            std::copy(rgb.begin(), rgb.end(), image.GetData());
            m_previewShown = wxBitmap(image);
        } else {
            // No offscreen drawing here: the colour alone.
            m_previewShown = wxBitmap(size.x, size.y);
            wxMemoryDC memory(m_previewShown);
            memory.SetBackground(wxBrush(wxColour(m_pColor->GetRed(), m_pColor->GetGreen(), m_pColor->GetBlue())));
            memory.Clear();
        }
    }
    dc.DrawBitmap(m_previewShown, 0, 0);
}

void SgWxColorDialog::OnSlider(wxCommandEvent &event)
{
    const int value = event.GetInt();
    switch (event.GetId()) {
    case kIdRed:
    case kIdGreen:
    case kIdBlue: m_pColor->SetChannel(event.GetId() - kIdRed, value); break;
    case kIdSpecular: m_pColor->SetSpecularSlider(value); break;
    case kIdShininess: m_pColor->SetShininessSlider(value); break;
    case kIdTransparent: m_pColor->SetTransparentSlider(value); break;
    default: event.Skip(); break;
    }
}

void SgWxColorDialog::OnSpin(wxCommandEvent &event)
{
    const int id = event.GetId();
    if (id >= kIdRedEdit && id <= kIdBlueEdit)
        m_pColor->SetChannel(id - kIdRedEdit, m_edits[id - kIdRedEdit]->GetValue());
    else
        event.Skip();
}

void SgWxColorDialog::OnSpinDouble(wxSpinDoubleEvent &event)
{
    switch (event.GetId()) {
    case kIdSpecularEdit: m_pColor->SetSpecularEdit(event.GetValue()); break;
    case kIdShininessEdit: m_pColor->SetShininessEdit(event.GetValue()); break;
    case kIdTransparentEdit: m_pColor->SetTransparentEdit(event.GetValue()); break;
    default: event.Skip(); break;
    }
}

void SgWxColorDialog::OnCheck(wxCommandEvent &event)
{
    const bool on = event.IsChecked();
    switch (event.GetId()) {
    case kIdInstant: m_pColor->SetInstantUpdate(on); break;
    case kIdOverride: m_pColor->SetOverride(on); break;
    case kIdLink: m_pColor->SetLinkAmbient(on); break;
    default: event.Skip(); break;
    }
}

void SgWxColorDialog::OnButton(wxCommandEvent &event)
{
    switch (event.GetId()) {
    case kIdChoose: m_pColor->OnChooseColor(); break;
    case kIdApply: m_pColor->OnApply(); break;
    case kIdDisconnect: m_pColor->OnDisconnect(); break;
    default: break;  // "Delete" does nothing
    }
}

// ---- Light -------------------------------------------------------------------------------------

SgWxLightDialog::SgWxLightDialog(wxWindow *parent, CLightDlg *dialog)
    : SgWxCadDialog(parent, dialog, "Light"), m_pLight(dialog)
{
    auto *kinds = new wxStaticBoxSizer(wxVERTICAL, this, "Light");
    static const char *const kKinds[] = {"Directional Light", "Spot Light", "Point Light", "No Light"};
    for (int k = 0; k < 4; ++k) {
        m_radios[k] = new wxRadioButton(kinds->GetStaticBox(), CLightDlg::kDirectional + k, kKinds[k],
                                        wxDefaultPosition, wxDefaultSize, k == 0 ? wxRB_GROUP : 0);
        kinds->Add(m_radios[k], 0, wxALL, 2);
    }
    auto *values = new wxFlexGridSizer(4, kGap, kGap);
    auto label = [&](const char *text) { values->Add(new wxStaticText(this, wxID_ANY, text), 0, wxALIGN_CENTER_VERTICAL); };
    label("Direction");
    const int directionIds[] = {kIdDirX, kIdDirY, kIdDirZ};
    for (int a = 0; a < 3; ++a) {
        m_direction[a] = DoubleSpin(this, directionIds[a], -1000, 1000, 0.1, 3);
        // The direction's own arrows stay hidden: the angles below turn it.
        m_direction[a]->ShowArrows(false);
        values->Add(m_direction[a], 0, wxEXPAND);
    }
    label("Direction(a,b)");
    m_pAlpha = DoubleSpin(this, kIdAlpha, -360, 360, 1, 1);
    m_pBeta = DoubleSpin(this, kIdBeta, -360, 360, 1, 1);
    values->Add(m_pAlpha, 0, wxEXPAND);
    values->Add(m_pBeta, 0, wxEXPAND);
    values->AddSpacer(0);
    label("Location");
    const int locationIds[] = {kIdLocX, kIdLocY, kIdLocZ};
    for (int a = 0; a < 3; ++a) {
        m_location[a] = DoubleSpin(this, locationIds[a], -1000, 1000, 0.1, 3);
        values->Add(m_location[a], 0, wxEXPAND);
    }
    label("Cut Off Angle");
    m_pCutOff = DoubleSpin(this, kIdCutOff, 0, 360, 1, 1);
    values->Add(m_pCutOff, 0, wxEXPAND);
    values->Add(new wxStaticText(this, wxID_ANY, "Drop Off Rate"), 0, wxALIGN_CENTER_VERTICAL);
    m_pDropOff = DoubleSpin(this, kIdDropOff, 0, 128, 1, 1);
    values->Add(m_pDropOff, 0, wxEXPAND);
    label("Intensity (%)");
    m_pIntensity = IntSpin(this, kIdIntensity, 0, 100);
    values->Add(m_pIntensity, 0, wxEXPAND);
    m_pOn = new wxToggleButton(this, kIdOn, "Light ON");
    values->Add(m_pOn, 0, wxEXPAND);
    m_pColor = new wxButton(this, kIdColor, "Color");
    values->Add(m_pColor, 0, wxEXPAND);

    auto *body = new wxBoxSizer(wxHORIZONTAL);
    body->Add(kinds, 0, wxALL, 2 * kGap);
    body->Add(values, 1, wxALL, 2 * kGap);
    auto *top = new wxBoxSizer(wxVERTICAL);
    top->Add(body, 1, wxEXPAND);
    top->Add(ButtonRow(this, {{kIdDelete, "&Delete Light"}, {kIdRefresh, "&Refresh"}, {wxID_OK, "OK"},
                              {wxID_CANCEL, "Cancel"}}),
             0, wxEXPAND | wxALL, 2 * kGap);
    SetSizerAndFit(top);

    Bind(wxEVT_SPINCTRLDOUBLE, &SgWxLightDialog::OnSpinDouble, this);
    Bind(wxEVT_SPINCTRL, &SgWxLightDialog::OnCommand, this);
    Bind(wxEVT_RADIOBUTTON, &SgWxLightDialog::OnCommand, this);
    Bind(wxEVT_TOGGLEBUTTON, &SgWxLightDialog::OnCommand, this);
    for (int id : {kIdColor, kIdDelete, kIdRefresh})
        Bind(wxEVT_BUTTON, &SgWxLightDialog::OnCommand, this, id);
    dialog->SetChangedCallback(&SgWxLightDialog::Changed, this);
    {
        CCadDlg::Acting acting(*dialog);
        dialog->OnInitDialog();
    }
    ShowValues();
}

SgWxLightDialog::~SgWxLightDialog()
{
    m_pLight->SetChangedCallback(nullptr, nullptr);
}

void SgWxLightDialog::Changed(void *window)
{
    static_cast<SgWxLightDialog *>(window)->ShowValues();
}

void SgWxLightDialog::ShowValues()
{
    for (int k = 0; k < 4; ++k)
        m_radios[k]->SetValue(m_pLight->GetActiveID() == CLightDlg::kDirectional + k);
    for (int a = 0; a < 3; ++a) {
        SetIfChanged(m_direction[a], m_pLight->GetDirection()[a]);
        SetIfChanged(m_location[a], m_pLight->GetLocation()[a]);
    }
    SetIfChanged(m_pAlpha, m_pLight->GetAlpha());
    SetIfChanged(m_pBeta, m_pLight->GetBeta());
    SetIfChanged(m_pCutOff, m_pLight->GetCutOffAngle());
    SetIfChanged(m_pDropOff, m_pLight->GetDropOffRate());
    if (m_pIntensity->GetValue() != m_pLight->GetIntensity())
        m_pIntensity->SetValue(m_pLight->GetIntensity());
    m_pOn->SetValue(m_pLight->GetOn());
    m_pOn->SetLabel(m_pLight->GetOnCaption());
    const Color &colour = m_pLight->GetColor();
    m_pColor->SetBackgroundColour(wxColour(static_cast<unsigned char>(colour.r * 255),
                                           static_cast<unsigned char>(colour.g * 255),
                                           static_cast<unsigned char>(colour.b * 255)));
    const CLightDlg::Groups groups = m_pLight->GetGroups();
    for (int a = 0; a < 3; ++a) {
        m_direction[a]->Enable(groups.direction);
        m_location[a]->Enable(groups.location);
    }
    m_pAlpha->Enable(groups.direction);
    m_pBeta->Enable(groups.direction);
    m_pCutOff->Enable(groups.cutOff);
    m_pDropOff->Enable(groups.dropOff);
}

void SgWxLightDialog::OnSpinDouble(wxSpinDoubleEvent &event)
{
    const double value = event.GetValue();
    switch (event.GetId()) {
    case kIdDirX: m_pLight->SetDirection(0, value); break;
    case kIdDirY: m_pLight->SetDirection(1, value); break;
    case kIdDirZ: m_pLight->SetDirection(2, value); break;
    case kIdLocX: m_pLight->SetLocation(0, value); break;
    case kIdLocY: m_pLight->SetLocation(1, value); break;
    case kIdLocZ: m_pLight->SetLocation(2, value); break;
    case kIdAlpha: m_pLight->SetAlpha(value); break;
    case kIdBeta: m_pLight->SetBeta(value); break;
    case kIdCutOff: m_pLight->SetCutOffAngle(value); break;
    case kIdDropOff: m_pLight->SetDropOffRate(value); break;
    default: event.Skip(); break;
    }
}

void SgWxLightDialog::OnCommand(wxCommandEvent &event)
{
    const int id = event.GetId();
    if (id >= CLightDlg::kDirectional && id <= CLightDlg::kNoLight) {
        m_pLight->OnLight(id);
        return;
    }
    switch (id) {
    case kIdIntensity: m_pLight->SetIntensity(m_pIntensity->GetValue()); break;
    case kIdOn: m_pLight->SetOn(m_pOn->GetValue()); break;
    case kIdDelete: m_pLight->OnDeleteLight(); break;
    case kIdRefresh: m_pLight->InitLightSelection(); break;
    case kIdColor: m_pLight->OnChooseColor(); break;
    default: event.Skip(); break;
    }
}

// ---- Alignment ---------------------------------------------------------------------------------

SgWxAlignDialog::SgWxAlignDialog(wxWindow *parent, CAlignDlg *dialog)
    : SgWxCadDialog(parent, dialog, "Align"), m_pAlign(dialog)
{
    auto *position = new wxStaticBoxSizer(wxHORIZONTAL, this, "Align Position (World)");
    static const char *const kPositions[] = {"X Position", "Y Position", "Z Position"};
    for (int a = 0; a < 3; ++a) {
        m_position[a] = new wxCheckBox(position->GetStaticBox(), kIdPosX + a, kPositions[a]);
        position->Add(m_position[a], 0, wxALL, kGap);
    }
    auto *points = new wxBoxSizer(wxHORIZONTAL);
    auto *objects = new wxStaticBoxSizer(wxVERTICAL, this, "Object(s) To Align");
    auto *reference = new wxStaticBoxSizer(wxVERTICAL, this, "Reference Object");
    m_pObjects = new wxChoice(objects->GetStaticBox(), kIdObjects);
    m_pReference = new wxChoice(reference->GetStaticBox(), kIdReference);
    for (int p = 0; p < 5; ++p) {
        if (p < 4)
            m_pObjects->Append(CAlignDlg::kPointNames[p]);
        m_pReference->Append(CAlignDlg::kPointNames[p]);
    }
    objects->Add(m_pObjects, 0, wxEXPAND | wxALL, kGap);
    reference->Add(m_pReference, 0, wxEXPAND | wxALL, kGap);
    points->Add(objects, 1, wxRIGHT, kGap);
    points->Add(reference, 1);
    auto *orientation = new wxStaticBoxSizer(wxHORIZONTAL, this, "Align Orientation (Local)");
    static const char *const kAxes[] = {"X Axis", "Y Axis", "Z Axis"};
    for (int a = 0; a < 3; ++a) {
        m_axis[a] = new wxCheckBox(orientation->GetStaticBox(), kIdAxisX + a, kAxes[a]);
        orientation->Add(m_axis[a], 0, wxALL, kGap);
    }
    m_pPivot = new wxCheckBox(this, kIdPivot, "Affect Pivot");

    auto *top = new wxBoxSizer(wxVERTICAL);
    top->Add(position, 0, wxEXPAND | wxALL, 2 * kGap);
    top->Add(points, 0, wxEXPAND | wxLEFT | wxRIGHT, 2 * kGap);
    top->Add(orientation, 0, wxEXPAND | wxALL, 2 * kGap);
    top->Add(m_pPivot, 0, wxLEFT | wxRIGHT, 2 * kGap);
    top->Add(ButtonRow(this, {{kIdApply, "&Apply"}, {wxID_OK, "OK"}, {wxID_CANCEL, "Cancel"}}), 0,
             wxEXPAND | wxALL, 2 * kGap);
    SetSizerAndFit(top);

    Bind(wxEVT_CHECKBOX, &SgWxAlignDialog::OnCommand, this);
    Bind(wxEVT_CHOICE, &SgWxAlignDialog::OnCommand, this);
    Bind(wxEVT_BUTTON, &SgWxAlignDialog::OnCommand, this, kIdApply);
    {
        CCadDlg::Acting acting(*dialog);
        dialog->OnInitDialog();
    }
    ShowValues();
}

void SgWxAlignDialog::ShowValues()
{
    for (int a = 0; a < 3; ++a) {
        m_position[a]->SetValue(m_pAlign->GetPosition(a));
        m_axis[a]->SetValue(m_pAlign->GetOrientation(a));
    }
    m_pPivot->SetValue(m_pAlign->GetAffectPivot());
    m_pObjects->SetSelection(m_pAlign->GetObjectsPoint());
    m_pReference->SetSelection(m_pAlign->GetReferencePoint());
}

void SgWxAlignDialog::OnCommand(wxCommandEvent &event)
{
    const int id = event.GetId();
    if (id >= kIdPosX && id <= kIdPosZ)
        m_pAlign->SetPosition(id - kIdPosX, event.IsChecked());
    else if (id >= kIdAxisX && id <= kIdAxisZ)
        m_pAlign->SetOrientation(id - kIdAxisX, event.IsChecked());
    else if (id == kIdPivot)
        m_pAlign->SetAffectPivot(event.IsChecked());
    else if (id == kIdObjects)
        m_pAlign->SetObjectsPoint(m_pObjects->GetSelection());
    else if (id == kIdReference)
        m_pAlign->SetReferencePoint(m_pReference->GetSelection());
    else if (id == kIdApply)
        m_pAlign->OnApply();
    else {
        event.Skip();
        return;
    }
    ShowValues();
}

// ---- Animation ---------------------------------------------------------------------------------

SgWxAnimationDialog::SgWxAnimationDialog(wxWindow *parent, CAnimationDlg *dialog)
    : SgWxCadDialog(parent, dialog, "Animation"), m_pAnimation(dialog), m_timer(this)
{
    auto *buttons = new wxBoxSizer(wxHORIZONTAL);
    struct Button {
        int id;
        const char *label;
        const char *tip;
    };
    for (Button b : {Button{kIdPrev, "|<", "Previous key"}, Button{kIdRecord, "Rec", "Record the selection"},
                     Button{kIdPlay, "Play", "Play or pause"}, Button{kIdNext, ">|", "Next key"},
                     Button{kIdStop, "Stop", "Stop"}, Button{kIdPath, "path", "Make an object follow a curve"}}) {
        auto *button = new wxButton(this, b.id, b.label, wxDefaultPosition, wxDefaultSize, wxBU_EXACTFIT);
        button->SetToolTip(b.tip);
        if (b.id == kIdPlay)
            m_pPlay = button;
        buttons->Add(button, 0, wxRIGHT, kGap);
    }
    m_pFrame = new wxSlider(this, kIdFrame, 0, 0, CAnimationDlg::kFrameMax, wxDefaultPosition, wxSize(260, -1),
                            wxSL_HORIZONTAL | wxSL_AUTOTICKS);
    m_pFrame->SetPageSize(3);
    m_pFrameEdit = IntSpin(this, kIdFrameEdit, -100000, 100000);
    auto *frameRow = new wxBoxSizer(wxHORIZONTAL);
    frameRow->Add(m_pFrame, 1, wxEXPAND | wxRIGHT, kGap);
    frameRow->Add(m_pFrameEdit, 0);

    m_pResolutionSlider = new wxSlider(this, kIdResolutionSlider, 50, 0, CAnimationDlg::kResolutionMax);
    m_pResolution = DoubleSpin(this, kIdResolution, 0.0, 100.0, 0.01, 3);
    m_pAutoStep = IntSpin(this, kIdAutoStep, 0, 100000);
    auto *settings = new wxBoxSizer(wxHORIZONTAL);
    settings->Add(m_pResolutionSlider, 1, wxEXPAND | wxRIGHT, kGap);
    settings->Add(new wxStaticText(this, wxID_ANY, "Resolution:"), 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, kGap);
    settings->Add(m_pResolution, 0, wxRIGHT, 2 * kGap);
    settings->Add(new wxStaticText(this, wxID_ANY, "Auto Step:"), 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, kGap);
    settings->Add(m_pAutoStep, 0);

    auto *top = new wxBoxSizer(wxVERTICAL);
    top->Add(buttons, 0, wxALL, 2 * kGap);
    top->Add(frameRow, 0, wxEXPAND | wxLEFT | wxRIGHT, 2 * kGap);
    top->Add(settings, 0, wxEXPAND | wxALL, 2 * kGap);
    SetSizerAndFit(top);

    for (int id : {kIdPrev, kIdRecord, kIdPlay, kIdNext, kIdStop, kIdPath})
        Bind(wxEVT_BUTTON, &SgWxAnimationDialog::OnCommand, this, id);
    Bind(wxEVT_SLIDER, &SgWxAnimationDialog::OnCommand, this);
    Bind(wxEVT_SPINCTRL, &SgWxAnimationDialog::OnCommand, this);
    Bind(wxEVT_SPINCTRLDOUBLE, [this](wxSpinDoubleEvent &event) {
        if (event.GetId() == kIdResolution)
            m_pAnimation->SetResolution(event.GetValue());
    });
    Bind(wxEVT_TIMER, &SgWxAnimationDialog::OnTimer, this);
    dialog->SetChangedCallback(&SgWxAnimationDialog::Changed, this);
    {
        CCadDlg::Acting acting(*dialog);
        dialog->OnInitDialog();
    }
    dialog->OnResolutionSlider(m_pResolutionSlider->GetValue());
    // The bar sits at the bottom-left corner of its parent.
    if (parent) {
        const wxRect area = parent->GetScreenRect();
        Move(area.GetLeft(), std::max(area.GetTop(), area.GetBottom() - GetSize().y));
    }
    ShowValues();
}

SgWxAnimationDialog::~SgWxAnimationDialog()
{
    m_timer.Stop();
    m_pAnimation->SetChangedCallback(nullptr, nullptr);
}

void SgWxAnimationDialog::Changed(void *window)
{
    static_cast<SgWxAnimationDialog *>(window)->ShowValues();
}

void SgWxAnimationDialog::ShowValues()
{
    if (m_pFrame->GetValue() != m_pAnimation->GetFrameSlider())
        m_pFrame->SetValue(m_pAnimation->GetFrameSlider());
    if (m_pFrameEdit->GetValue() != m_pAnimation->GetFrameNumber())
        m_pFrameEdit->SetValue(m_pAnimation->GetFrameNumber());
    if (m_pResolutionSlider->GetValue() != m_pAnimation->GetResolutionSlider())
        m_pResolutionSlider->SetValue(m_pAnimation->GetResolutionSlider());
    SetIfChanged(m_pResolution, m_pAnimation->GetResolution());
    if (m_pAutoStep->GetValue() != m_pAnimation->GetAutoStep())
        m_pAutoStep->SetValue(m_pAnimation->GetAutoStep());
    const wxString play = m_pAnimation->IsPlaying() ? "Pause" : "Play";
    if (m_pPlay->GetLabel() != play)
        m_pPlay->SetLabel(play);
}

void SgWxAnimationDialog::OnCommand(wxCommandEvent &event)
{
    switch (event.GetId()) {
    case kIdPrev: m_pAnimation->OnPrevKey(); break;
    case kIdNext: m_pAnimation->OnNextKey(); break;
    case kIdRecord: m_pAnimation->OnRecord(); break;
    case kIdPath: m_pAnimation->OnAnimationAlongPath(); break;
    case kIdPlay:
        m_pAnimation->OnPlayPause();
        if (m_pAnimation->IsPlaying())
            m_timer.Start(30);
        else
            m_timer.Stop();
        break;
    case kIdFrame: m_pAnimation->OnFrameSlider(m_pFrame->GetValue()); break;
    case kIdFrameEdit: m_pAnimation->OnFrameEdit(m_pFrameEdit->GetValue()); break;
    case kIdResolutionSlider: m_pAnimation->OnResolutionSlider(m_pResolutionSlider->GetValue()); break;
    case kIdAutoStep: m_pAnimation->SetAutoStep(m_pAutoStep->GetValue()); break;
    default: event.Skip(); break;  // "Stop" does nothing
    }
}

void SgWxAnimationDialog::OnTimer(wxTimerEvent &)
{
    if (m_pAnimation->IsPlaying() && IsShown())
        m_pAnimation->OnTimer();
    else
        m_timer.Stop();
}

// ---- Display -----------------------------------------------------------------------------------

SgWxDisplayDialog::SgWxDisplayDialog(wxWindow *parent, CDisplayDlg *dialog)
    : SgWxCadDialog(parent, dialog, "Display"), m_pDisplay(dialog)
{
    auto *hide = new wxStaticBoxSizer(wxVERTICAL, this, "Hide");
    struct Button {
        int id;
        const char *label;
    };
    for (Button b : {Button{kIdHideSelected, "Hide Selected"}, Button{kIdHideUnselected, "Hide Unselected"},
                     Button{kIdUnhideAll, "Unhide All"}, Button{kIdHideByHit, "Hide by Hit"}}) {
        hide->Add(new wxButton(hide->GetStaticBox(), b.id, b.label), 0, wxEXPAND | wxALL, kGap);
        Bind(wxEVT_BUTTON, &SgWxDisplayDialog::OnCommand, this, b.id);
    }
    auto *top = new wxBoxSizer(wxVERTICAL);
    top->Add(hide, 0, wxEXPAND | wxALL, 2 * kGap);
    top->Add(ButtonRow(this, {{wxID_OK, "Exit"}}), 0, wxEXPAND | wxALL, 2 * kGap);
    SetSizerAndFit(top);
}

void SgWxDisplayDialog::OnCommand(wxCommandEvent &event)
{
    switch (event.GetId()) {
    case kIdHideSelected: m_pDisplay->OnHideSelected(); break;
    case kIdHideUnselected: m_pDisplay->OnHideUnselected(); break;
    case kIdUnhideAll: m_pDisplay->OnUnhideAll(); break;
    case kIdHideByHit: m_pDisplay->OnHideByHit(); break;
    default: event.Skip(); break;
    }
}

// ---- Font --------------------------------------------------------------------------------------

SgWxFontDialog::SgWxFontDialog(wxWindow *parent, CFontDlg *dialog)
    : SgWxCadDialog(parent, dialog, "Font"), m_pFont(dialog)
{
    {
        CCadDlg::Acting acting(*dialog);
        dialog->OnInitDialog();
    }
    wxArrayString faces = wxFontEnumerator::GetFacenames();
    faces.Sort();
    const wxString current = wxString::FromUTF8(dialog->GetFace());
    if (!current.empty() && faces.Index(current) == wxNOT_FOUND)
        faces.Insert(current, 0);
    m_pFace = new wxChoice(this, kIdFace, wxDefaultPosition, wxDefaultSize, faces);
    m_pFace->SetStringSelection(current);
    m_pSize = IntSpin(this, kIdSize, 1, 1000);
    m_pSize->SetValue(dialog->GetPointSize());
    m_pBold = new wxCheckBox(this, kIdBold, "Bold");
    m_pBold->SetValue(dialog->GetBold());
    m_pItalic = new wxCheckBox(this, kIdItalic, "Italic");
    m_pItalic->SetValue(dialog->GetItalic());

    auto *grid = new wxFlexGridSizer(2, kGap, kGap);
    grid->AddGrowableCol(1);
    grid->Add(new wxStaticText(this, wxID_ANY, "Font"), 0, wxALIGN_CENTER_VERTICAL);
    grid->Add(m_pFace, 1, wxEXPAND);
    grid->Add(new wxStaticText(this, wxID_ANY, "Size"), 0, wxALIGN_CENTER_VERTICAL);
    grid->Add(m_pSize, 0);
    grid->AddSpacer(0);
    auto *styles = new wxBoxSizer(wxHORIZONTAL);
    styles->Add(m_pBold, 0, wxRIGHT, 2 * kGap);
    styles->Add(m_pItalic, 0);
    grid->Add(styles, 0);
    auto *top = new wxBoxSizer(wxVERTICAL);
    top->Add(grid, 1, wxEXPAND | wxALL, 2 * kGap);
    top->Add(ButtonRow(this, {{kIdApply, "Apply"}, {wxID_OK, "OK"}, {wxID_CANCEL, "Cancel"}}), 0,
             wxEXPAND | wxALL, 2 * kGap);
    SetSizerAndFit(top);

    Bind(wxEVT_CHOICE, &SgWxFontDialog::OnCommand, this);
    Bind(wxEVT_SPINCTRL, &SgWxFontDialog::OnCommand, this);
    Bind(wxEVT_CHECKBOX, &SgWxFontDialog::OnCommand, this);
    Bind(wxEVT_BUTTON, &SgWxFontDialog::OnCommand, this, kIdApply);
}

void SgWxFontDialog::TakeValues()
{
    m_pFont->SetFace(m_pFace->GetStringSelection().utf8_string());
    m_pFont->SetPointSize(m_pSize->GetValue());
    m_pFont->SetBold(m_pBold->GetValue());
    m_pFont->SetItalic(m_pItalic->GetValue());
}

void SgWxFontDialog::OnCommand(wxCommandEvent &event)
{
    TakeValues();
    if (event.GetId() == kIdApply)
        m_pFont->OnApply();
}
