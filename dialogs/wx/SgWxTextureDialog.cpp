#include "dialogs/wx/SgWxTextureDialog.h"
#include <algorithm>
#include <cmath>

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/dirdlg.h>
#include <wx/gauge.h>
#include <wx/image.h>
#include <wx/imaglist.h>
#include <wx/listctrl.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/slider.h>
#include <wx/statbmp.h>
#include <wx/spinbutt.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/filefn.h>

#include "engine/document/SgDocument.h"
#include "engine/handlers/SgSelectionHandler.h"
#include "engine/viewer/BmpUtils.h"
#include "engine/viewer/SgViewer.h"
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
    const int side = m_texture->GetThumbnailSide();
    m_images = std::make_unique<wxImageList>(side, side, false, 4);

    // The browser.
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

    // The texture of the current unit.
    auto label = [this](const char *text) { return new wxStaticText(this, wxID_ANY, text); };
    auto edit = [this](wxWindowID id) { return new wxTextCtrl(this, id, "0"); };
    auto choice = [this](wxWindowID id, const char *const *items, int count) {
        auto *c = new wxChoice(this, id);
        for (int i = 0; i < count; ++i)
            c->Append(items[i]);
        c->SetSelection(0);
        return c;
    };
    m_scale = edit(kIdScale);
    m_scale->ChangeValue("1");
    m_scaleSlider = new wxSlider(this, kIdScaleSlider, 10, -100, 100, wxDefaultPosition, wxSize(120, -1));
    auto *controls = new wxFlexGridSizer(4, 4, 6);
    controls->Add(label("Rotation"), 0, wxALIGN_CENTER_VERTICAL);
    controls->Add(edit(kIdRotation), 0, wxEXPAND);
    controls->Add(label("Unit"), 0, wxALIGN_CENTER_VERTICAL);
    controls->Add(edit(kIdUnit), 0, wxEXPAND);
    controls->Add(label("Scale"), 0, wxALIGN_CENTER_VERTICAL);
    controls->Add(m_scale, 0, wxEXPAND);
    controls->Add(m_scaleSlider, 0, wxEXPAND);
    controls->AddSpacer(0);
    controls->Add(label("Move X"), 0, wxALIGN_CENTER_VERTICAL);
    controls->Add(edit(kIdMoveX), 0, wxEXPAND);
    controls->Add(new wxSlider(this, kIdMoveXSlider, 0, -1000, 1000, wxDefaultPosition, wxSize(120, -1)), 0,
                  wxEXPAND);
    controls->AddSpacer(0);
    controls->Add(label("Move Y"), 0, wxALIGN_CENTER_VERTICAL);
    controls->Add(edit(kIdMoveY), 0, wxEXPAND);
    controls->Add(new wxSlider(this, kIdMoveYSlider, 0, -1000, 1000, wxDefaultPosition, wxSize(120, -1)), 0,
                  wxEXPAND);
    controls->AddSpacer(0);
    controls->Add(label("Model"), 0, wxALIGN_CENTER_VERTICAL);
    controls->Add(choice(kIdModel, CTextureDlg::kModels, 6), 0, wxEXPAND);
    controls->Add(label("Blend %"), 0, wxALIGN_CENTER_VERTICAL);
    controls->Add(edit(kIdBlend), 0, wxEXPAND);
    controls->Add(label("Function"), 0, wxALIGN_CENTER_VERTICAL);
    controls->Add(choice(kIdFunction, CTextureDlg::kFunctions, 7), 0, wxEXPAND);
    controls->Add(label("Boost"), 0, wxALIGN_CENTER_VERTICAL);
    controls->Add(choice(kIdBoost, CTextureDlg::kBoosts, 3), 0, wxEXPAND);
    auto *checks = new wxBoxSizer(wxHORIZONTAL);
    auto *wrapS = new wxCheckBox(this, kIdWrapS, "Repeat &H.");
    auto *wrapT = new wxCheckBox(this, kIdWrapT, "Repeat &V.");
    wrapS->SetValue(true);
    wrapT->SetValue(true);
    checks->Add(wrapS, 0, wxRIGHT, 8);
    checks->Add(wrapT, 0, wxRIGHT, 8);
    checks->Add(new wxButton(this, kIdFlipH, "Horizontal"), 0, wxRIGHT, 4);
    checks->Add(new wxButton(this, kIdFlipV, "Vertical"), 0, wxRIGHT, 8);
    checks->Add(new wxCheckBox(this, kIdInstant, "Instant Update"), 0);
    m_preview = new wxStaticBitmap(this, kIdPreview, wxBitmap(kPreviewSide, kPreviewSide), wxDefaultPosition,
                                   wxSize(kPreviewSide, kPreviewSide), wxBORDER_SUNKEN);
    auto *preview = m_preview;
    auto *editing = new wxBoxSizer(wxHORIZONTAL);
    editing->Add(controls, 1, wxEXPAND | wxRIGHT, 8);
    editing->Add(preview, 0);

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

    auto *top = new wxBoxSizer(wxVERTICAL);
    top->Add(browser, 0, wxALL | wxEXPAND, 8);
    top->Add(editing, 0, wxLEFT | wxRIGHT | wxEXPAND, 8);
    top->Add(checks, 0, wxALL, 8);
    top->Add(unitButtons, 0, wxLEFT | wxRIGHT, 8);
    top->Add(buttons, 0, wxALL | wxALIGN_RIGHT, 8);
    SetSizerAndFit(top);

    // The worker only queues events; this window's thread reads the list.
    m_texture->SetNotify([this](CTextureDlg::Notice notice, int value) {
        auto *event = new wxThreadEvent(wxEVT_THREAD, kIdFillNotice);
        event->SetInt(value);
        event->SetExtraLong(notice == CTextureDlg::Notice::Finished ? 1 : 0);
        wxQueueEvent(this, event);
    });
    Bind(wxEVT_THREAD, &SgWxTextureDialog::OnFill, this, kIdFillNotice);
    Bind(wxEVT_BUTTON, [this](wxCommandEvent &) {
        const wxString chosen = wxDirSelector("Folder of the pictures", m_folder->GetValue(), wxDD_DEFAULT_STYLE, wxDefaultPosition, this);
        if (chosen.empty())
            return;
        CTextureDlg::SetItemsDirectory(chosen.ToStdString());
        Refresh();
    }, kIdBrowse);
    m_type->Bind(wxEVT_CHOICE, [this](wxCommandEvent &) {
        CTextureDlg::SetItemsType(m_type->GetStringSelection().ToStdString());
        Refresh();
    });
    // Thumbnails and names put their image on the current unit.
    m_thumbnails->Bind(wxEVT_LIST_ITEM_SELECTED, [this](wxListEvent &event) {
        m_texture->PreviewItem(int(event.GetIndex()));
        EnableApply();
    });
    m_details->Bind(wxEVT_LIST_ITEM_SELECTED, [this](wxListEvent &event) {
        const int index = int(event.GetIndex());
        if (index < m_thumbnails->GetItemCount())
            m_thumbnails->SetItemState(index, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
    });
    auto number = [this](int id, auto apply) {
        auto *edit = static_cast<wxTextCtrl *>(FindWindow(id));
        edit->Bind(wxEVT_TEXT, [this, edit, apply](wxCommandEvent &) {
            double value = 0.0;
            if (edit->GetValue().ToDouble(&value) && std::isfinite(value)) {
                apply(value);
                EnableApply();
            }
        });
    };
    number(kIdRotation, [this](double v) { m_texture->SetRotation(v); m_texture->ApplyRotation(); });
    number(kIdMoveX, [this](double v) { m_texture->SetMove(v, m_texture->moveY); m_texture->ApplyMove(); });
    number(kIdMoveY, [this](double v) { m_texture->SetMove(m_texture->moveX, v); m_texture->ApplyMove(); });
    number(kIdBlend, [this](double v) { m_texture->SetBlend(int(v)); m_texture->ApplyBlend(); });
    number(kIdUnit, [this](double v) {
        m_texture->UpdateDialog(int(v));
        WriteControls();
    });
    auto chosen = [this](int id, auto apply) {
        auto *box = static_cast<wxChoice *>(FindWindow(id));
        box->Bind(wxEVT_CHOICE, [this, box, apply](wxCommandEvent &) {
            apply(box->GetSelection());
            EnableApply();
        });
    };
    chosen(kIdModel, [this](int i) { m_texture->model = i; m_texture->ApplyModel(); });
    chosen(kIdFunction, [this](int i) { m_texture->function = i; m_texture->ApplyFunction(); });
    chosen(kIdBoost, [this](int i) { m_texture->boost = i; m_texture->ApplyBoost(); });
    auto wraps = [this, wrapS, wrapT](wxCommandEvent &) {
        m_texture->wrapS = wrapS->GetValue();
        m_texture->wrapT = wrapT->GetValue();
        m_texture->ApplyWraps();
        EnableApply();
    };
    wrapS->Bind(wxEVT_CHECKBOX, wraps);
    wrapT->Bind(wxEVT_CHECKBOX, wraps);
    Bind(wxEVT_BUTTON, [this](wxCommandEvent &) { m_texture->FlipHorizontal(); EnableApply(); }, kIdFlipH);
    Bind(wxEVT_BUTTON, [this](wxCommandEvent &) { m_texture->FlipVertical(); EnableApply(); }, kIdFlipV);
    Bind(wxEVT_BUTTON, [this](wxCommandEvent &) { m_texture->OnDefault(); WriteControls(); }, kIdDefault);
    Bind(wxEVT_BUTTON, [this](wxCommandEvent &) { m_texture->OnAddLayer(); WriteControls(); }, kIdAddLayer);
    Bind(wxEVT_BUTTON, [this](wxCommandEvent &) { m_texture->OnDelete(); WriteControls(); }, kIdDelete);
    Bind(wxEVT_BUTTON, [this](wxCommandEvent &) {
        m_texture->OnApply();
        FindWindow(kIdApply)->Disable();
    }, kIdApply);
    m_scale->Bind(wxEVT_TEXT, [this](wxCommandEvent &) {
        double value = 0.0;
        if (!m_scale->GetValue().ToDouble(&value))
            return;
        m_texture->SetScale(value);
        if (m_texture->scale != value)
            m_scale->ChangeValue(wxString::Format("%g", m_texture->scale));
        m_scaleSlider->SetValue(std::clamp(m_texture->ScaleSliderPosition(), m_scaleSlider->GetMin(),
                                           m_scaleSlider->GetMax()));
        m_texture->ApplyScale();
        EnableApply();
    });
    m_scaleSlider->Bind(wxEVT_SLIDER, [this](wxCommandEvent &) {
        m_texture->SetScale(m_scaleSlider->GetValue() / 10.0);
        m_scale->ChangeValue(wxString::Format("%g", m_texture->scale));
        m_texture->ApplyScale();
        EnableApply();
    });
    ShowFolder();
    WriteControls();
}

void SgWxTextureDialog::EnableApply()
{
    FindWindow(kIdApply)->Enable(m_texture->IsApplyEnabled());
    RenderPreview();
}

void SgWxTextureDialog::RenderPreview()
{
    // The preview scene drawn offscreen and shown as a picture.
    SgViewer *viewer = m_texture->GetPreviewViewer();
    if (!viewer)
        return;
    m_texture->GetPreviewScene();
    viewer->SetSize(kPreviewSide, kPreviewSide);
    struct Sink {
        wxImage image;
        static int Take(const BmpImage &bitmap, void *data)
        {
            const int width = bitmap.header.width, height = std::abs(bitmap.header.height);
            wxImage image(width, height, false);
            unsigned char *rgb = image.GetData();
            for (int y = 0; y < height; ++y) {
                const std::uint8_t *row = bitmap.pixels.data() + std::size_t(height - 1 - y) * bitmap.BytesPerRow();
                for (int x = 0; x < width; ++x, rgb += 3) {
                    rgb[0] = row[x * 3 + 2];
                    rgb[1] = row[x * 3 + 1];
                    rgb[2] = row[x * 3];
                }
            }
            static_cast<Sink *>(data)->image = image;
            return 1;
        }
    } sink;
    if (BmpUtils::DrawToBuffer(viewer, kPreviewSide, kPreviewSide, &Sink::Take, &sink) && sink.image.IsOk()) {
        m_preview->SetBitmap(wxBitmap(sink.image));
        m_previewRenders++;
    }
}

void SgWxTextureDialog::WriteControls()
{
    const CTextureDlg &t = *m_texture;
    auto text = [this](int id, double value) { static_cast<wxTextCtrl *>(FindWindow(id))->ChangeValue(wxString::Format("%g", value)); };
    text(kIdRotation, t.rotation);
    text(kIdMoveX, t.moveX);
    text(kIdMoveY, t.moveY);
    text(kIdBlend, t.blend);
    text(kIdUnit, t.GetCurrentUnit());
    m_scale->ChangeValue(wxString::Format("%g", t.scale));
    m_scaleSlider->SetValue(std::clamp(t.ScaleSliderPosition(), m_scaleSlider->GetMin(), m_scaleSlider->GetMax()));
    static_cast<wxChoice *>(FindWindow(kIdModel))->SetSelection(t.model >= 0 && t.model < 6 ? t.model : wxNOT_FOUND);
    static_cast<wxChoice *>(FindWindow(kIdFunction))->SetSelection(t.function >= 0 && t.function < 7 ? t.function : wxNOT_FOUND);
    static_cast<wxChoice *>(FindWindow(kIdBoost))->SetSelection(t.boost >= 0 && t.boost < 3 ? t.boost : wxNOT_FOUND);
    static_cast<wxCheckBox *>(FindWindow(kIdWrapS))->SetValue(t.wrapS);
    static_cast<wxCheckBox *>(FindWindow(kIdWrapT))->SetValue(t.wrapT);
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

void SgWxTextureDialog::Refresh()
{
    m_texture->TerminateThread();
    // Notices of the stopped fill may still wait in the queue.
    DeletePendingEvents();
    m_thumbnails->DeleteAllItems();
    m_details->DeleteAllItems();
    m_images->RemoveAll();
    m_shown = 0;
    ShowFolder();
    m_texture->RefreshListCtrl();
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
        texture->InitTextureSelection(0);
    }
    auto *window = new SgWxTextureDialog(parent, std::move(texture));
    window->Refresh();
    return window;
}
