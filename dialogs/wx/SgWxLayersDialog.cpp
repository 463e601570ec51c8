#include "dialogs/wx/SgWxLayersDialog.h"

#include <algorithm>

#include <array>

#include <wx/button.h>
#include <wx/dcmemory.h>
#include <wx/imaglist.h>
#include <wx/sizer.h>

#include "dialogs/CLayersDlg.h"
#include "platform/wx/SgWxTreeList.h"

namespace {

constexpr int kImageSize = 16;

// The list's strip, drawn here: a sheet for a layer (blue when selected),
// an empty and a filled mark for other and current layer, an open and a
// closed eye for visible and hidden, a cube for an object.
std::unique_ptr<wxImageList> MakeImages()
{
    auto images = std::make_unique<wxImageList>(kImageSize, kImageSize, true, CLayersList::kImageCount);
    for (int k = 0; k < CLayersList::kImageCount; ++k) {
        wxBitmap bitmap(kImageSize, kImageSize);
        {
            wxMemoryDC dc(bitmap);
            dc.SetBackground(*wxWHITE_BRUSH);
            dc.Clear();
            dc.SetPen(*wxBLACK_PEN);
            switch (k) {
            case CLayersList::kImgLayer:
            case CLayersList::kImgSelectedLayer:
                dc.SetBrush(k == CLayersList::kImgLayer ? *wxLIGHT_GREY_BRUSH : *wxBLUE_BRUSH);
                dc.DrawPolygon(4, std::array<wxPoint, 4>{wxPoint(1, 10), wxPoint(8, 13), wxPoint(14, 6), wxPoint(7, 3)}
                                      .data());
                break;
            case CLayersList::kImgOtherLayer:
                dc.SetBrush(*wxTRANSPARENT_BRUSH);
                dc.DrawCircle(8, 8, 4);
                break;
            case CLayersList::kImgCurrentLayer:
                dc.SetBrush(*wxGREEN_BRUSH);
                dc.DrawCircle(8, 8, 5);
                break;
            case CLayersList::kImgVisible:
            case CLayersList::kImgHidden:
                dc.SetBrush(*wxTRANSPARENT_BRUSH);
                dc.DrawEllipse(2, 5, 12, 7);
                dc.SetBrush(*wxBLACK_BRUSH);
                dc.DrawCircle(8, 8, 2);
                if (k == CLayersList::kImgHidden) {
                    dc.SetPen(wxPen(*wxRED, 2));
                    dc.DrawLine(2, 14, 14, 2);
                }
                break;
            case CLayersList::kImgObject:
                dc.SetBrush(*wxYELLOW_BRUSH);
                dc.DrawRectangle(3, 5, 9, 9);
                dc.DrawLine(3, 5, 6, 2);
                dc.DrawLine(12, 5, 15, 2);
                dc.DrawLine(6, 2, 15, 2);
                break;
            default:
                break;
            }
        }
        images->Add(bitmap, *wxWHITE);
    }
    return images;
}

} // namespace

SgWxLayersDialog::SgWxLayersDialog(wxWindow *parent, CLayersDlg *dialog)
    : SgWxCadDialog(parent, dialog, "Layers"), m_pLayers(dialog)
{
    m_pList = new CTreeListCtrl(this, kIdList, wxDefaultPosition, wxSize(240, 260));
    m_images = MakeImages();
    m_pList->SetImageList(m_images.get());
    CLayersList &list = dialog->GetList();
    list.Attach(m_pList->Model());
    list.SetEditStarter([this](CLayersList::Item item, int column) { return m_pList->EditLabel(item, column); });
    m_pList->SetOwner(&list);
    // Enter and Escape end a label edit instead of closing the dialog.
    dialog->SetProcessEnter(true);

    auto *buttons = new wxBoxSizer(wxVERTICAL);
    struct Button {
        int id;
        const char *label;
    };
    for (Button b : {Button{wxID_OK, "OK"}, Button{kIdAddLayer, "Add Layer"}, Button{kIdDelLayer, "Del Layer"},
                     Button{kIdAddToLayer, "Add to Layer"}, Button{kIdAddToSelect, "Add to Select"},
                     Button{kIdHideAll, "Hide All"}, Button{kIdRefresh, "Refresh"}})
        buttons->Add(new wxButton(this, b.id, b.label), 0, wxEXPAND | wxBOTTOM, 4);
    auto *top = new wxBoxSizer(wxHORIZONTAL);
    top->Add(m_pList, 1, wxEXPAND | wxALL, 6);
    top->Add(buttons, 0, wxALL, 6);
    SetSizerAndFit(top);
    for (int id : {kIdAddLayer, kIdDelLayer, kIdAddToLayer, kIdAddToSelect, kIdRefresh, kIdHideAll})
        Bind(wxEVT_BUTTON, &SgWxLayersDialog::OnCommand, this, id);
    {
        CCadDlg::Acting acting(*dialog);
        dialog->OnInitDialog();
    }
    // The columns' widths are the list's own; a column whose header or
    // cells ("Layer 2 (missing)") need more in this font is widened to show
    // them whole.
    SgTreeListModel &model = m_pList->Model();
    int total = 0;
    for (int column = 0; column < model.GetColumnCount(); ++column) {
        const int header = m_pList->GetTextExtent(wxString::FromUTF8(model.GetColumnText(column))).x + 16;
        const int needed = std::max(header, m_pList->WidestCell(column));
        if (model.GetColumnWidth(column) < needed)
            model.SetColumnWidth(column, needed);
        total += model.GetColumnWidth(column);
    }
    // Room for every column beside a vertical scroll bar.
    m_pList->SetMinSize(wxSize(std::max(240, total + 24), 260));
    Fit();
}

SgWxLayersDialog::~SgWxLayersDialog()
{
    // The list's window goes with this one; the logic must hear no more.
    m_pList->SetOwner(nullptr);
    m_pLayers->GetList().Detach();
    m_pLayers->GetList().SetEditStarter(nullptr);
    m_pList->SetImageList(nullptr);
}

void SgWxLayersDialog::OnCommand(wxCommandEvent &event)
{
    switch (event.GetId()) {
    case kIdAddLayer: m_pLayers->OnAddLayer(); break;
    case kIdDelLayer: m_pLayers->OnDelLayer(); break;
    case kIdAddToLayer: m_pLayers->OnAddToLayer(); break;
    case kIdAddToSelect: m_pLayers->OnAddToSelect(); break;
    case kIdRefresh: m_pLayers->OnRefresh(); break;
    default: break; // "Hide All" does nothing
    }
}
