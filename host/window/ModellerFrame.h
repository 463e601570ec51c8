#pragma once
// The modeller's main window: the menu bar, the three toolbars and the GL
// canvas, all built from the host command table (host/modeller). Every
// command goes through modeller::RunCommand (the facade's through
// ApplyButton); enable and check states come from the facade when the
// toolkit asks (and at once when the facade reports a state change).
#include <array>
#include <memory>
#include <vector>

#include <wx/frame.h>

#include "host/modeller/HostCommandTable.h"

class SgWxGLWindow;
class VectorFieldUI;
class wxPanel;
class wxBoxSizer;
class wxSplitterWindow;
class wxToolBar;

namespace arbelo {
class SgWxSceneTree;
}

namespace drevon {
class CDrevon;
}

class ModellerFrame : public wxFrame, public modeller::HostActions {
public:
    ModellerFrame(const wxString &title, drevon::CDrevon *facade);
    ~ModellerFrame() override;

    // Makes the GL canvas below the toolbars; null without a GL visual.
    SgWxGLWindow *CreateCanvas();
    SgWxGLWindow *GetCanvas() const { return m_canvas; }
    // Sizes the window so that the canvas gets this size below the toolbars.
    void SetCanvasSize(int width, int height);

    // HostActions
    void Print() override;
    void Exit() override;
    void ShowToolbar(modeller::Toolbar toolbar, bool show) override;
    bool IsToolbarShown(modeller::Toolbar toolbar) const override;
    void About() override;
    // The scene tree in a pane left of the view, built when first shown.
    void ShowSceneTree(bool show) override;
    bool IsSceneTreeShown() const override;
    arbelo::SgWxSceneTree *GetSceneTree() const { return m_tree; }

    // The facade reports a button's new state.
    static void OnButtonState(void *frame, int button, int state);
    // The toolkit's item id of a command, and back.
    static int ItemOf(int command);
    // The strip of numbers of the field a tool edits (the facade's editor),
    // below the toolbars.
    VectorFieldUI *GetFieldEditor() const { return m_fieldEditor.get(); }

private:
    void BuildMenus();
    void BuildToolbars();
    void OnCommand(wxCommandEvent &event);
    void OnUpdate(wxUpdateUIEvent &event);
    void BuildFieldEditor();
    // The facade changed the editor's numbers: show them.
    static void OnFieldEditorShown(void *frame);
    // The user took a number in the editor: it goes into the field.
    void OnFieldEditorTaken();
    void RememberFieldEditor();

    drevon::CDrevon *m_facade;
    SgWxGLWindow *m_canvas = nullptr;
    wxSplitterWindow *m_split = nullptr;
    arbelo::SgWxSceneTree *m_tree = nullptr;
    wxBoxSizer *m_sizer = nullptr;
    wxSizer *m_toolRow = nullptr;
    std::array<wxToolBar *, modeller::kToolbarCount> m_toolbars{};
    wxPanel *m_fieldPanel = nullptr;
    std::unique_ptr<VectorFieldUI> m_fieldEditor;
    // The numbers as last shown, so that a focus passing through the
    // editor without a change writes nothing.
    std::vector<double> m_fieldNumbers;
};
