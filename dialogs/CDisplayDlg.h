#pragma once
// The display dialog without the toolkit: hides the selected objects, the
// unselected ones, unhides all, or arms hiding of the object clicked next.
//
//   CDisplayDlg dialog(document);
//   dialog.OnHideUnselected();     // every object not selected: hide = 1
#include <functional>

#include "dialogs/CCadDlg.h"
#include "engine/handlers/SgSelectionHandler.h"
#include "dialogs/PallicoExport.h"

// Sets an object's "hide" field to its value.
struct PALLICO_API HideOp : SelectOp {
    explicit HideOp(int value = 1) : m_value(value) {}
    void operator()(SgNode *node) override;
    int m_value;
};

// Shows an object whose "hide" field equals its value; others stay.
struct PALLICO_API UnhideOp : SelectOp {
    explicit UnhideOp(int value = 1) : m_value(value) {}
    void operator()(SgNode *node) override;
    int m_value;
};

class PALLICO_API CDisplayDlg : public CCadDlg {
public:
    static constexpr unsigned kDialogId = 2039;

    explicit CDisplayDlg(SgDocument *document, void *parent = nullptr);

    // What removes the facade's active tool before hiding by click is armed.
    void SetDeleteActiveTool(std::function<void()> remove) { m_deleteActiveTool = std::move(remove); }

    void OnHideSelected();
    void OnHideUnselected();
    void OnUnhideAll();
    // Deselects all and makes the next click on an object hide it; the
    // dialog then listens no more. Closing the dialog disarms it too. Other
    // listeners of clicks hear that click as well.
    void OnHideByHit();
    bool IsHideByHitArmed() const { return m_hideByHit.IsActive(); }
    // Hides the clicked object; false when the path holds none.
    static bool HideByHit(SgPath *path);

    void OnOK() override;
    void OnCancel() override;
    void OnClose() override;

private:
    std::function<void()> m_deleteActiveTool;
    SgSubscription m_hideByHit;
};
