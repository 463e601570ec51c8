#pragma once
// The toolkit's side of the multi-column tree list: a window that paints an
// SgTreeListModel (tree lines, expand buttons, state and normal images,
// labels, cells, grid lines, alternating rows, the focus column), a header
// for the columns, an in-place edit box or combo box, and a tip window for
// cut texts. Everything it decides is the model's; the window turns mouse,
// key, wheel and size events into model calls and paints what results.
//
//   auto *list = new CTreeListCtrl(panel, wxID_ANY);
//   list->SetOwner(&presenter);                  // the model's notifications
//   list->Model().InsertColumn(0, "Layer", SgTreeListModel::kAlignLeft, 120);  // the header follows
//   list->SetImageList(images);                  // shared, not owned
#include <memory>
#include <string>
#include <vector>

#include <wx/window.h>

#include "platform/controls/SgTreeListModel.h"
#include "platform/wx/PlatformWxExport.h"

class wxHeaderCtrl;
class wxHeaderCtrlEvent;
class wxTimer;
class wxTimerEvent;
class wxImageList;
class wxTextCtrl;
class wxComboBox;
class wxPopupWindow;
class wxDC;

class PLATFORMWX_API CTreeListCtrl : public wxWindow, private SgTreeListModel::Listener {
public:
    CTreeListCtrl(wxWindow *parent, wxWindowID id, const wxPoint &pos = wxDefaultPosition,
                  const wxSize &size = wxDefaultSize, long style = wxBORDER_SIMPLE);
    ~CTreeListCtrl() override;

    SgTreeListModel &Model() { return m_model; }
    const SgTreeListModel &Model() const { return m_model; }
    // Receives the model's notifications (selection, expansion, edits,
    // deletions); the window keeps the repaint and scroll ones.
    void SetOwner(SgTreeListModel::Listener *owner) { m_owner = owner; }

    // Not owned; null detaches.
    void SetImageList(wxImageList *images);
    void SetStateImageList(wxImageList *images);
    // The style bits of the model; check boxes bring their own state images.
    void SetTreeStyle(unsigned style);

    // Starts an in-place edit box over the cell (false when the owner
    // refused); with choices, a combo box (editable or a drop-down list).
    bool EditLabel(SgTreeListModel::Item item, int column);
    bool EditLabelCb(SgTreeListModel::Item item, int column, const std::vector<std::string> &choices,
                     bool editable);
    // The edit box or combo box while an edit runs, else null.
    wxWindow *GetEditControl() const { return m_editor; }
    // The tip window while it shows, else null.
    wxWindow *GetToolTipWindow() const;

    // Client rectangle of the rows (below the header).
    int GetHeaderHeight() const { return m_model.GetHeaderHeight(); }
    // The width `column` needs to show every item's cell whole (collapsed
    // ones too), as the rows draw it: indent, images and text.
    int WidestCell(int column);

private:
    // SgTreeListModel::Listener
    bool ItemExpanding(SgTreeListModel::Item, unsigned) override;
    void ItemExpanded(SgTreeListModel::Item, unsigned) override;
    bool SelChanging(SgTreeListModel::Item, SgTreeListModel::Item, int) override;
    void SelChanged(SgTreeListModel::Item, SgTreeListModel::Item, int) override;
    void DeleteItem(SgTreeListModel::Item) override;
    bool BeginLabelEdit(SgTreeListModel::Item, int) override;
    bool EndLabelEdit(SgTreeListModel::Item, int, const std::optional<std::string> &) override;
    void Invalidate(const SgTreeListModel::Rect &) override;
    void ScrollChanged() override;
    void ColumnsChanged() override;

    void OnPaint(wxPaintEvent &event);
    void OnSize(wxSizeEvent &event);
    void OnMouse(wxMouseEvent &event);
    void OnWheel(wxMouseEvent &event);
    void OnKey(wxKeyEvent &event);
    void OnScroll(wxScrollWinEvent &event);
    void OnFocus(wxFocusEvent &event);
    void OnHeaderResize(wxHeaderCtrlEvent &event);
    void OnTipTimer(wxTimerEvent &event);

    void PaintRow(wxDC &dc, int row, int y);
    void PaintTreePart(wxDC &dc, SgTreeListModel::Item item, int left, int y, wxColour fill);
    void ApplyFont();
    void PlaceHeader();
    void UpdateScrollBars();
    bool StartEditor(SgTreeListModel::Item item, int column, const std::vector<std::string> *choices,
                     bool editable);
    void FinishEdit(bool take);
    void ShowTip();
    void HideTip();
    void MakeCheckBoxImages();

    SgTreeListModel m_model;
    SgTreeListModel::Listener *m_owner = nullptr;
    wxHeaderCtrl *m_header = nullptr;
    wxImageList *m_images = nullptr;
    wxImageList *m_stateImages = nullptr;
    std::unique_ptr<wxImageList> m_checkImages;
    wxWindow *m_editor = nullptr;
    bool m_ending = false;
    wxPopupWindow *m_tip = nullptr;
    wxTimer *m_tipTimer = nullptr;
    bool m_painting = false;
    bool m_scrollPending = false;
};
