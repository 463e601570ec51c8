#pragma once
// The modeller's main window: the menu bar, built from the command
// records (facade/CommandRecord), over the embeddable control (FennixCtrl) that
// holds the GL canvas, the three toolbars and the scene tree's pane. Every
// command goes through drevon::RunCommand (the facade's through
// ApplyButton); enable and check states come from the facade when the
// toolkit asks (and at once when the facade reports a state change).
#include <memory>
#include <string>
#include <vector>

#include <wx/frame.h>

#include "facade/CommandRecord.h"
#include "facade/HostListeners.h"
#include "platform/SgProgress.h"

class FennixCtrl;
class SgWxGLWindow;
class VectorFieldUI;
class wxPanel;
class wxBoxSizer;

namespace arbelo {
class SgWxSceneTree;
}

namespace drevon {
class CDrevon;
}

class ModellerFrame : public wxFrame, public drevon::CommandWindow {
public:
    ModellerFrame(const wxString &title, drevon::CDrevon *facade);
    ~ModellerFrame() override;

    // The control's GL canvas below the toolbars; null without a GL visual.
    SgWxGLWindow *CreateCanvas();
    SgWxGLWindow *GetCanvas() const;
    FennixCtrl *GetControl() const { return m_ctrl; }
    // Sizes the window so that the canvas gets this size below the toolbars.
    void SetCanvasSize(int width, int height);

    // CommandWindow
    void Print() override;
    void Exit() override;
    void ShowToolbar(drevon::Toolbar toolbar, bool show) override;
    bool IsToolbarShown(drevon::Toolbar toolbar) const override;
    void About() override;
    // The scene tree in a pane left of the view, built when first shown.
    void ShowSceneTree(bool show) override;
    bool IsSceneTreeShown() const override;
    arbelo::SgWxSceneTree *GetSceneTree() const;

    // The status bar's text, which the window's scripts hear as StatusText.
    void ShowStatus(const std::string &text);
    // Long work (a big scene read, a boolean of many operands, a movie
    // recorded) shows how far it got on the status bar, cleared at its end.
    void ShowWorkProgress(const SgProgressReport &report);
    // A highlighted menu entry's help on the status bar; scripts hear it too.
    void DoGiveHelp(const wxString &text, bool show) override;

    // The toolkit's item id of a command.
    static int ItemOf(int command);
    // The strip of numbers of the field a tool edits (the facade's editor),
    // below the toolbars.
    VectorFieldUI *GetFieldEditor() const { return m_fieldEditor.get(); }

private:
    static constexpr int kMinimumWidth = 440;
    static constexpr int kMinimumHeight = 280;
    // A toolbar pane's gripper and border beside its buttons.
    static constexpr int kToolbarChrome = 14;

    void BuildMenus();
    // The toolbars in as few rows as `width` holds, the number strip below;
    // nothing changes while the rows stay as they are.
    void ArrangeToolbars(int width);
    void OnCommand(wxCommandEvent &event);
    void OnUpdate(wxUpdateUIEvent &event);
    void BuildFieldEditor();
    // The facade changed the editor's numbers: show them.
    void OnFieldEditorShown();
    // The user took a number in the editor: it goes into the field.
    void OnFieldEditorTaken();
    void RememberFieldEditor();
    // The title names the document as it is now called (after a Save As)
    // and marks unsaved changes with " *".
    void UpdateTitle();

    drevon::CDrevon *m_facade;
    // The name the window opened with: the title while the document has no
    // file name of its own (a scene read from an address).
    wxString m_openedName;
    FennixCtrl *m_ctrl = nullptr;
    wxBoxSizer *m_sizer = nullptr;
    wxPanel *m_fieldPanel = nullptr;
    int m_toolbarRows = 1;
    // The row of each toolbar as last arranged (-1: none).
    std::vector<int> m_toolbarRowOf;
    std::unique_ptr<VectorFieldUI> m_fieldEditor;
    // The numbers as last shown, so that a focus passing through the
    // editor without a change writes nothing.
    std::vector<double> m_fieldNumbers;
    drevon::HostSubscription m_fieldEditorShown;
    SgProgressSubscription m_workProgress;
};
