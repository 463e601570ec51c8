#include "dialogs/wx/SgWxTextureDialog.h"
#include <algorithm>
#include <cmath>

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/gauge.h>
#include <wx/image.h>
#include <wx/imaglist.h>
#include <wx/listctrl.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/slider.h>
#include <wx/statbmp.h>
#include <wx/spinbutt.h>
#include <wx/spinctrl.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/filefn.h>

#include "engine/document/SgDocument.h"
#include "engine/handlers/SgSelectionHandler.h"
#include "platform/wx/SgWxControls.h"

namespace {

// The notices of the worker, as thread events of this id.
constexpr int kIdFillNotice = 2300;

// A thumbnail (blue, green, red, 0 bytes, bottom row first) as a bitmap.
wxBitmap ThumbnailBitmap(const CTextureDlg::Thumbnail &thumbnail)
{
    const int side = thumbnail.side;
    wxImage image(side, side, false);
    unsigned char *rgb = image.GetData();
    for (int y = 0; y < side; ++y) {
        const std::uint8_t *row = thumbnail.pixels.data() + std::size_t(side - 1 - y) * side * 4;
        for (int x = 0; x < side; ++x, rgb += 3) {
            rgb[0] = row[x * 4 + 2];
            rgb[1] = row[x * 4 + 1];
            rgb[2] = row[x * 4 + 0];
        }
    }
    return wxBitmap(image);
}

} // namespace

SgWxTextureDialog::SgWxTextureDialog(wxWindow *parent, std::unique_ptr<CTextureDlg> dialog)
    : SgWxCadDialog(parent, dialog.get(), "Texture Dialog"), m_texture(std::move(dialog))
{
    auto *top = new wxBoxSizer(wxVERTICAL);
    top->Add(MakeBrowser(), 0, wxALL | wxEXPAND, 8);
    top->Add(MakeEditing(), 0, wxLEFT | wxRIGHT | wxEXPAND, 8);
    top->Add(MakeChecks(), 0, wxALL, 8);
    top->Add(MakeButtons(), 0, wxLEFT | wxRIGHT | wxBOTTOM | wxEXPAND, 8);
    SetSizerAndFit(top);
    BindBrowser();
    BindEditing();
    ShowFolder();
    WriteControls();
}

wxSizer *SgWxTextureDialog::MakeBrowser()
{
    const int side = m_texture->GetThumbnailSide();
    m_images = std::make_unique<wxImageList>(side, side, false, 4);
    m_folder = new wxTextCtrl(this, kIdFolder, "", wxDefaultPosition, wxDefaultSize, wxTE_READONLY);
    m_type = new wxChoice(this, kIdType);
    for (const char *type : CTextureDlg::kTypes)
        m_type->Append(type);
    m_thumbnails = new wxListCtrl(this, kIdThumbnails, wxDefaultPosition, wxDefaultSize,
                                  wxLC_ICON | wxLC_SINGLE_SEL | wxBORDER_SUNKEN);
    m_thumbnails->SetImageList(m_images.get(), wxIMAGE_LIST_NORMAL);
    m_details = new wxListCtrl(this, kIdDetails, wxDefaultPosition, wxDefaultSize, wxLC_REPORT | wxLC_SINGLE_SEL);
    m_details->InsertColumn(0, "Image Name", wxLIST_FORMAT_LEFT, 160);
    m_details->InsertColumn(1, "Image Size", wxLIST_FORMAT_LEFT, 100);
    // Lists scroll: room for a row of thumbnails and a few names whatever
    // the folder holds.
    m_thumbnails->SetMinSize(wxSize(6 * (side + 16), side + 64));
    m_details->SetMinSize(wxSize(300, 180));
    m_progress = new wxGauge(this, kIdProgress, 1);
    m_total = new wxTextCtrl(this, kIdTotal, "", wxDefaultPosition, wxDefaultSize, wxTE_READONLY);
    // Wide enough for the count of a large folder, whatever the font.
    m_total->SetMinSize(wxSize(m_total->GetTextExtent("Total Image: 000000").x + 24, -1));

    auto *folderRow = new wxBoxSizer(wxHORIZONTAL);
    folderRow->Add(m_folder, 1, wxEXPAND | wxRIGHT, 4);
    folderRow->Add(new wxButton(this, kIdBrowse, "&Browse..."), 0, wxRIGHT, 4);
    folderRow->Add(m_type, 0);
    auto *countRow = new wxBoxSizer(wxHORIZONTAL);
    countRow->Add(m_progress, 1, wxALIGN_CENTER_VERTICAL | wxRIGHT, 6);
    countRow->Add(m_total, 0);
    auto *browser = new wxBoxSizer(wxVERTICAL);
    browser->Add(folderRow, 0, wxEXPAND | wxBOTTOM, 4);
    browser->Add(m_thumbnails, 0, wxEXPAND | wxBOTTOM, 4);
    browser->Add(m_details, 0, wxEXPAND | wxBOTTOM, 4);
    browser->Add(countRow, 0, wxEXPAND);
    return browser;
}

wxSizer *SgWxTextureDialog::MakeEditing()
{
    auto label = [this](const char *text) { return new wxStaticText(this, wxID_ANY, text); };
    auto choice = [this](wxWindowID id, const char *const *items, int count) {
        auto *c = new wxChoice(this, id);
        for (int i = 0; i < count; ++i)
            c->Append(items[i]);
        c->SetSelection(0);
        return c;
    };
    // Number boxes: letters are refused, values out of range clamped.
    m_rotation = new SgWxNumberBox(this, kIdRotation, -360, 360, 1, 2);
    m_unit = new SgWxNumberBox(this, kIdUnit, 0, TextureBundle::kUnits - 1, 1, 0);
    m_blend = new SgWxNumberBox(this, kIdBlend, 0, 100, 1, 0);
    m_scale = new SgWxNumberBox(this, kIdScale, -1000, 1000, 0.1, 3);
    m_moves[0] = new SgWxNumberBox(this, kIdMoveX, -1000, 1000, 0.01, 3);
    m_moves[1] = new SgWxNumberBox(this, kIdMoveY, -1000, 1000, 0.01, 3);
    for (SgWxNumberBox *box : {m_scale, m_moves[0], m_moves[1]})
        box->ShowArrows(false);
    m_scaleSlider = new wxSlider(this, kIdScaleSlider, 10, -100, 100, wxDefaultPosition, wxSize(120, -1));
    const int range = CTextureDlg::kMoveSliderRange;
    m_moveSliders[0] = new wxSlider(this, kIdMoveXSlider, 0, -range, range, wxDefaultPosition, wxSize(120, -1));
    m_moveSliders[1] = new wxSlider(this, kIdMoveYSlider, 0, -range, range, wxDefaultPosition, wxSize(120, -1));
    // Page keys move the texture a quarter of its width.
    for (wxSlider *slider : m_moveSliders)
        slider->SetPageSize(25);
    auto *controls = new wxFlexGridSizer(4, 4, 6);
    controls->Add(label("Rotation"), 0, wxALIGN_CENTER_VERTICAL);
    controls->Add(m_rotation, 0, wxEXPAND);
    controls->Add(label("Unit"), 0, wxALIGN_CENTER_VERTICAL);
    controls->Add(m_unit, 0, wxEXPAND);
    controls->Add(label("Scale"), 0, wxALIGN_CENTER_VERTICAL);
    controls->Add(m_scale, 0, wxEXPAND);
    controls->Add(m_scaleSlider, 0, wxEXPAND);
    controls->AddSpacer(0);
    static const char *const kMoveLabels[2] = {"Move X", "Move Y"};
    for (int axis = 0; axis < 2; ++axis) {
        controls->Add(label(kMoveLabels[axis]), 0, wxALIGN_CENTER_VERTICAL);
        controls->Add(m_moves[axis], 0, wxEXPAND);
        controls->Add(m_moveSliders[axis], 0, wxEXPAND);
        controls->AddSpacer(0);
    }
    controls->Add(label("Model"), 0, wxALIGN_CENTER_VERTICAL);
    controls->Add(choice(kIdModel, CTextureDlg::kModels, 6), 0, wxEXPAND);
    controls->Add(label("Blend %"), 0, wxALIGN_CENTER_VERTICAL);
    controls->Add(m_blend, 0, wxEXPAND);
    controls->Add(label("Function"), 0, wxALIGN_CENTER_VERTICAL);
    controls->Add(choice(kIdFunction, CTextureDlg::kFunctions, 7), 0, wxEXPAND);
    controls->Add(label("Boost"), 0, wxALIGN_CENTER_VERTICAL);
    controls->Add(choice(kIdBoost, CTextureDlg::kBoosts, 3), 0, wxEXPAND);
    m_preview = new wxStaticBitmap(this, kIdPreview, wxBitmap(kPreviewSide, kPreviewSide), wxDefaultPosition,
                                   wxSize(kPreviewSide, kPreviewSide), wxBORDER_SUNKEN);
    auto *editing = new wxBoxSizer(wxHORIZONTAL);
    editing->Add(controls, 1, wxEXPAND | wxRIGHT, 8);
    editing->Add(m_preview, 0);
    return editing;
}

wxSizer *SgWxTextureDialog::MakeChecks()
{
    auto *checks = new wxBoxSizer(wxHORIZONTAL);
    m_wrapS = new wxCheckBox(this, kIdWrapS, "Repeat &H.");
    m_wrapT = new wxCheckBox(this, kIdWrapT, "Repeat &V.");
    m_instant = new wxCheckBox(this, kIdInstant, "Instant Update");
    checks->Add(m_wrapS, 0, wxRIGHT, 8);
    checks->Add(m_wrapT, 0, wxRIGHT, 8);
    checks->Add(new wxButton(this, kIdFlipH, "Horizontal"), 0, wxRIGHT, 4);
    checks->Add(new wxButton(this, kIdFlipV, "Vertical"), 0, wxRIGHT, 8);
    checks->Add(m_instant, 0, wxALIGN_CENTER_VERTICAL);
    return checks;
}

wxSizer *SgWxTextureDialog::MakeButtons()
{
    auto *unitButtons = new wxBoxSizer(wxHORIZONTAL);
    unitButtons->Add(new wxButton(this, kIdAddLayer, "Add Layer"), 0, wxRIGHT, 4);
    unitButtons->Add(new wxButton(this, kIdDelete, "Delete Texture"), 0, wxRIGHT, 4);
    unitButtons->Add(new wxButton(this, kIdDisconnectTexture, "Disconnect Texture"), 0, wxRIGHT, 4);
    unitButtons->Add(new wxButton(this, kIdDisconnectFunction, "Disconnect Function"), 0, wxRIGHT, 4);
    unitButtons->Add(new wxButton(this, kIdDisconnectTransform, "Disconnect Transform"), 0);
    auto *buttons = new wxBoxSizer(wxHORIZONTAL);
    auto *apply = new wxButton(this, kIdApply, "&Apply");
    apply->Disable();
    buttons->Add(apply, 0, wxRIGHT, 4);
    buttons->Add(new wxButton(this, kIdDefault, "De&fault"), 0, wxRIGHT, 12);
    buttons->Add(new wxButton(this, wxID_OK, "OK"), 0, wxRIGHT, 4);
    buttons->Add(new wxButton(this, wxID_CANCEL, "Cancel"), 0);
    auto *rows = new wxBoxSizer(wxVERTICAL);
    rows->Add(unitButtons, 0, wxBOTTOM, 8);
    rows->Add(buttons, 0, wxALIGN_RIGHT);
    return rows;
}

void SgWxTextureDialog::BindBrowser()
{
    // The worker only queues events; this window's thread reads the list.
    m_texture->SetNotify([this](CTextureDlg::Notice notice, int value) {
        auto *event = new wxThreadEvent(wxEVT_THREAD, kIdFillNotice);
        event->SetInt(value);
        event->SetExtraLong(notice == CTextureDlg::Notice::Finished ? 1 : 0);
        wxQueueEvent(this, event);
    });
    Bind(wxEVT_THREAD, &SgWxTextureDialog::OnFill, this, kIdFillNotice);
    Bind(wxEVT_BUTTON, [this](wxCommandEvent &) {
        ClearList();
        if (!m_texture->OnBrowse())
            m_texture->RefreshListCtrl();
        StartShowingScan();
    }, kIdBrowse);
    Bind(wxEVT_CHOICE, [this](wxCommandEvent &) {
        ClearList();
        m_texture->OnTypeChosen(m_type->GetStringSelection().utf8_string());
        StartShowingScan();
    }, m_type->GetId());
    // Thumbnails and names put their image on the current unit.
    Bind(wxEVT_LIST_ITEM_SELECTED, [this](wxListEvent &event) {
        m_texture->OnThumbnail(int(event.GetIndex()));
        ShowChange();
    }, m_thumbnails->GetId());
    Bind(wxEVT_LIST_ITEM_SELECTED, [this](wxListEvent &event) {
        const int index = int(event.GetIndex());
        if (index < m_thumbnails->GetItemCount())
            m_thumbnails->SetItemState(index, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
    }, m_details->GetId());
}

void SgWxTextureDialog::BindEditing()
{
    // Every control hands its value to the dialog's logic; the controls then
    // show the values as the logic kept them.
    Bind(wxEVT_SPINCTRLDOUBLE, [this](wxSpinDoubleEvent &event) {
        const double value = event.GetValue();
        switch (event.GetId()) {
        case kIdRotation: m_texture->OnRotation(value); break;
        case kIdScale: m_texture->OnScaleEdit(value); break;
        case kIdMoveX: m_texture->OnMoveEdit(0, value); break;
        case kIdMoveY: m_texture->OnMoveEdit(1, value); break;
        default: event.Skip(); return;
        }
        ShowChange();
    });
    Bind(wxEVT_SPINCTRL, [this](wxSpinEvent &event) {
        switch (event.GetId()) {
        case kIdBlend: m_texture->OnBlendEdit(event.GetPosition()); break;
        case kIdUnit: m_texture->OnUnitEdit(event.GetPosition()); break;
        default: event.Skip(); return;
        }
        ShowChange();
    });
    Bind(wxEVT_SLIDER, [this](wxCommandEvent &event) {
        switch (event.GetId()) {
        case kIdScaleSlider: m_texture->OnScaleSlider(m_scaleSlider->GetValue()); break;
        case kIdMoveXSlider: m_texture->OnMoveSlider(0, m_moveSliders[0]->GetValue()); break;
        case kIdMoveYSlider: m_texture->OnMoveSlider(1, m_moveSliders[1]->GetValue()); break;
        default: event.Skip(); return;
        }
        ShowChange();
    });
    Bind(wxEVT_CHOICE, [this](wxCommandEvent &event) {
        const int index = event.GetSelection();
        switch (event.GetId()) {
        case kIdModel: m_texture->OnModel(index); break;
        case kIdFunction: m_texture->OnFunction(index); break;
        case kIdBoost: m_texture->OnBoost(index); break;
        default: event.Skip(); return;
        }
        ShowChange();
    });
    Bind(wxEVT_CHECKBOX, [this](wxCommandEvent &event) {
        if (event.GetId() == kIdInstant)
            m_texture->OnInstantUpdate(m_instant->GetValue());
        else
            m_texture->OnWraps(m_wrapS->GetValue(), m_wrapT->GetValue());
        ShowChange();
    });
    const std::pair<int, void (CTextureDlg::*)()> buttons[] = {
        {kIdFlipH, &CTextureDlg::FlipHorizontal}, {kIdFlipV, &CTextureDlg::FlipVertical},
        {kIdDefault, &CTextureDlg::OnDefault},    {kIdAddLayer, &CTextureDlg::OnAddLayer},
        {kIdDelete, &CTextureDlg::OnDelete},      {kIdApply, &CTextureDlg::OnApply}};
    for (const auto &[id, action] : buttons)
        Bind(wxEVT_BUTTON, [this, action = action](wxCommandEvent &) {
            (m_texture.get()->*action)();
            ShowChange();
        }, id);
}

void SgWxTextureDialog::ShowChange()
{
    WriteControls();
}

void SgWxTextureDialog::EnableApply()
{
    FindWindow(kIdApply)->Enable(m_texture->IsApplyEnabled());
    if (m_shownChange != m_texture->GetChangeCount() || m_previewRenders == 0) {
        m_shownChange = m_texture->GetChangeCount();
        ShowPreview();
    }
}

void SgWxTextureDialog::ShowPreview()
{
    // The logic draws the picture; the window only shows it.
    std::vector<unsigned char> rgb;
    if (!m_texture->RenderPreview(kPreviewSide, rgb))
        return;
    wxImage image(kPreviewSide, kPreviewSide, false);
    std::copy(rgb.begin(), rgb.end(), image.GetData());
    m_preview->SetBitmap(wxBitmap(image));
    m_previewRenders++;
}

wxBitmap SgWxTextureDialog::GetPreviewBitmap() const
{
    return m_preview->GetBitmap();
}

void SgWxTextureDialog::WriteControls()
{
    const CTextureDlg &t = *m_texture;
    m_rotation->SetValue(t.rotation);
    m_moves[0]->SetValue(t.moveX);
    m_moves[1]->SetValue(t.moveY);
    m_blend->SetValue(t.blend);
    m_unit->SetValue(t.GetCurrentUnit());
    m_scale->SetValue(t.scale);
    m_scaleSlider->SetValue(std::clamp(t.ScaleSliderPosition(), m_scaleSlider->GetMin(), m_scaleSlider->GetMax()));
    for (int axis = 0; axis < 2; ++axis)
        m_moveSliders[axis]->SetValue(t.MoveSliderPosition(axis));
    static_cast<wxChoice *>(FindWindow(kIdModel))->SetSelection(t.model >= 0 && t.model < 6 ? t.model : wxNOT_FOUND);
    static_cast<wxChoice *>(FindWindow(kIdFunction))->SetSelection(t.function >= 0 && t.function < 7 ? t.function : wxNOT_FOUND);
    static_cast<wxChoice *>(FindWindow(kIdBoost))->SetSelection(t.boost >= 0 && t.boost < 3 ? t.boost : wxNOT_FOUND);
    m_wrapS->SetValue(t.wrapS);
    m_wrapT->SetValue(t.wrapT);
    m_instant->SetValue(t.instantUpdate);
    EnableApply();
}

SgWxTextureDialog::~SgWxTextureDialog()
{
    // No notice may reach a window that is going.
    m_texture->TerminateThread();
    m_texture->SetNotify(nullptr);
    Detach();
}

void SgWxTextureDialog::ShowFolder()
{
    m_folder->ChangeValue(wxString::FromUTF8(CTextureDlg::GetItemsDirectory()));
    m_type->SetStringSelection(CTextureDlg::GetItemsType());
}

void SgWxTextureDialog::ClearList()
{
    m_texture->TerminateThread();
    // Notices of the stopped fill may still wait in the queue.
    DeletePendingEvents();
    m_thumbnails->DeleteAllItems();
    m_details->DeleteAllItems();
    m_images->RemoveAll();
    m_shown = 0;
}

void SgWxTextureDialog::Refresh()
{
    ClearList();
    m_texture->RefreshListCtrl();
    StartShowingScan();
}

void SgWxTextureDialog::StartShowingScan()
{
    ShowFolder();
    m_progress->SetRange(std::max(1, m_texture->GetProgressRange()));
    m_progress->SetValue(0);
    m_progress->Show();
    m_total->ChangeValue("Total Image: 0");
    Layout();
}

void SgWxTextureDialog::OnFill(wxThreadEvent &event)
{
    // Add what the worker appended since the last notice.
    const std::vector<CTextureDlg::Thumbnail> thumbnails = m_texture->GetThumbnails();
    for (; m_shown < int(thumbnails.size()); ++m_shown) {
        const CTextureDlg::Thumbnail &thumbnail = thumbnails[m_shown];
        const int image = m_images->Add(ThumbnailBitmap(thumbnail));
        m_thumbnails->InsertItem(m_shown, "", image);
        const long row = m_details->InsertItem(m_shown, wxString::FromUTF8(thumbnail.name));
        m_details->SetItem(row, 1, thumbnail.sizeText);
    }
    m_progress->SetValue(std::min(m_shown, m_progress->GetRange()));
    if (event.GetExtraLong() == 1) {
        m_texture->OnFinishThread();
        m_progress->Hide();
        Layout();
    }
    m_total->ChangeValue(wxString::Format("Total Image: %d", m_shown));
}

wxString SgWxTextureDialog::GetTotalText() const
{
    return m_total->GetValue();
}

int SgWxTextureDialog::GetThumbnailCount() const
{
    return m_thumbnails->GetItemCount();
}

SgWxCadDialog *CreateTextureDialog(wxWindow *parent, SgDocument *document)
{
    // Until the user browses, the pictures of the working folder show.
    if (CTextureDlg::GetItemsDirectory().empty())
        CTextureDlg::SetItemsDirectory(wxGetCwd().utf8_string());
    auto texture = std::make_unique<CTextureDlg>(document, parent);
    // The dialog edits the objects selected when it opens.
    if (document && document->GetSelectionHandler()) {
        texture->SetPathList(document->GetSelectionHandler()->GetPathList());
        CCadDlg::Acting acting(*texture);
        texture->InitTextureSelection(0);
    }
    auto *window = new SgWxTextureDialog(parent, std::move(texture));
    window->Refresh();
    return window;
}
