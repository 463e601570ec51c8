#pragma once
// The layers dialog's window: the tree list, the buttons "Add Layer",
// "Del Layer", "Add to Layer", "Add to Select", "Hide All", "Refresh" and
// "OK", each handed to the CLayersDlg it shows.
//
//   CLayersDlg logic(document);
//   auto *window = new SgWxLayersDialog(parent, &logic);
//   window->Open();
#include <memory>

#include "dialogs/wx/SgWxCadDialog.h"
#include "dialogs/wx/PallicoWxExport.h"

class CLayersDlg;
class CTreeListCtrl;
class wxImageList;

class PALLICOWX_API SgWxLayersDialog : public SgWxCadDialog {
public:
    // Control ids of the buttons and the list.
    enum { kIdAddLayer = 2107, kIdDelLayer = 2108, kIdAddToLayer = 2110, kIdAddToSelect = 2112,
           kIdRefresh = 2113, kIdHideAll = 2114, kIdList = 2116 };

    // `dialog` must outlive the window.
    SgWxLayersDialog(wxWindow *parent, CLayersDlg *dialog);
    ~SgWxLayersDialog() override;

    CTreeListCtrl *GetList() const { return m_pList; }

private:
    void OnCommand(wxCommandEvent &event);

    CLayersDlg *m_pLayers = nullptr;
    CTreeListCtrl *m_pList = nullptr;
    std::unique_ptr<wxImageList> m_images;
};
