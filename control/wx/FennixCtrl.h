#pragma once
// The embeddable control's window: a panel any wx program puts where it
// likes. Inside, the toolkit's docking manager holds the GL canvas in the
// centre, the three toolbars of the command records (facade/CommandRecord)
// and the scene-tree pane, which docks on any side, floats and resizes; its
// three sizes (docked horizontally, docked vertically, floating) come back
// from the user's settings. The toolbar buttons follow the facade's states
// (each change at once, and an update every 100 ms). H toggles the panes,
// S shows them all.
//
//   auto *ctrl = new FennixCtrl(frame, properties);   // owns its facade
//   // about 100 ms later StartSession is fired once:
//   ctrl->Control().Events().Subscribe(...);
//
// A host that owns its facade (the modeller's window) gives it instead and
// makes the viewer on GetCanvas() itself.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include <wx/panel.h>
#include <wx/timer.h>

#include "control/FennixControl.h"
#include "control/FennixPanes.h"
#include "facade/CommandRecord.h"
#include "control/wx/FennixWxExport.h"

class SgWxDialogFactory;
class SgWxGLWindow;
class SgWxNotifier;
class SgWxTimerService;
class wxAuiManager;
class wxAuiManagerEvent;
class wxAuiPaneInfo;
class wxBitmap;
class wxChoice;
class wxToolBar;

namespace arbelo {
class SgWxSceneTree;
}

namespace drevon {
class CDrevon;
}

class FENNIXWX_API FennixCtrl : public wxPanel, public drevon::CommandWindow, private fennix::DockPanes::PaneView {
public:
    // The scene-tree pane's window id, part of the keys its sizes are kept under.
    static constexpr int kTreePaneId = 1234;
    static constexpr int kIconSize = 20;

    // Owns its control: makes the facade and its document, the windows, the
    // viewer on the canvas, opens properties.fileName (asks for a scene when
    // it is empty), turns on the rotate tool and fires StartSession once
    // about 100 ms later. IsReady() tells whether the facade could be made.
    FennixCtrl(wxWindow *parent, const fennix::FennixProperties &properties, wxWindowID id = wxID_ANY);
    // Serves the facade of a host that makes the viewer and reads the scene
    // itself; toolBarConfig as the property (0: every pane hidden), and the
    // scene-tree pane hidden at first unless treeShown.
    FennixCtrl(wxWindow *parent, drevon::CDrevon *facade, std::int32_t toolBarConfig, bool treeShown,
               wxWindowID id = wxID_ANY);
    ~FennixCtrl() override;

    bool IsReady() const { return m_pFacade != nullptr && m_canvas != nullptr; }
    fennix::FennixControl &Control() { return m_control; }
    drevon::CDrevon *GetFacade() const { return m_pFacade; }
    SgWxGLWindow *GetCanvas() const { return m_canvas; }
    arbelo::SgWxSceneTree *GetSceneTree() const { return m_tree; }
    wxToolBar *GetToolbar(int index) const;
    wxChoice *GetFrameChoice() const { return m_frameChoice; }
    wxAuiManager &Manager() { return *m_manager; }
    fennix::DockPanes &Panes() { return m_panes; }

    // Print, Exit and About go to the host's window when it gives its own.
    void SetHostActions(drevon::CommandWindow *actions) { m_pHost = actions; }
    // Told of every button state change after the toolbars (the host's menus).
    void SetButtonListener(std::function<void(int item, bool on)> listener) { m_buttonListener = std::move(listener); }
    // Told what each toolbar click did or why it could not ("Box: done"),
    // as the host's status line says it for its menus.
    void SetCommandReportListener(std::function<void(const std::string &text)> listener)
    {
        m_reportListener = std::move(listener);
    }
    // The scene-tree pane's sizes as kept now, and written to the settings
    // (also done when the control goes).
    fennix::BarSizes &TreeSizes() { return m_treeSizes; }
    // The settings profile the pane sizes are kept under (see
    // FennixProperties::settingsProfile).
    const std::string &GetProfile() const { return m_profile; }
    // The profile of a control without one given: the program's name, then
    // "-2", "-3", ... for the later controls of one window (`self`, the
    // control being made, not counted).
    static std::string DefaultProfile(wxWindow *parent, const wxWindow *self);
    bool SaveTreeSizes();
    // The small dialog of the persistent properties; modal. Only a control
    // that owns its facade has them (nothing happens otherwise).
    void ShowPropertyPage();

    // CommandWindow
    void Print() override;
    void Exit() override;
    void ShowToolbar(drevon::Toolbar toolbar, bool show) override;
    bool IsToolbarShown(drevon::Toolbar toolbar) const override;
    void About() override;
    void ShowSceneTree(bool show) override;
    bool IsSceneTreeShown() const override;

    // The toolkit takes item ids below 0x7fff only: commands travel as
    // items moved down, and back.
    static int ItemOf(int command);
    static int CommandOf(int item);
    // A command's picture, as its toolbar button and menu item show it.
    static wxBitmap IconOf(const drevon::CommandRecord &entry);

private:
    void BuildFrame(std::int32_t toolBarConfig);
    void BuildToolbars();
    void BuildTreePane();
    void ConnectFacade();
    void OnCommand(wxCommandEvent &event);
    void OnUpdate(wxUpdateUIEvent &event);
    void OnPaneClose(wxAuiManagerEvent &event);
    void UpdateToolbars();
    // The tree pane moved to another side or floated: it takes the size it
    // had there; where it stays, its size is taken as the user's.
    void FollowTreePlace();
    void TakeTreeSize();
    // The tree's pane while it stands on screen, else null.
    wxAuiPaneInfo *ShownTreePane() const;
    void OnButtonState(int button, int state);

    // DockPanes::PaneView
    bool HasPane(int slot) const override;
    bool IsPaneShown(int slot) const override;
    void ShowPane(int slot, bool show) override;
    void PanesChanged() override;

    fennix::FennixControl m_control;
    drevon::CDrevon *m_pFacade = nullptr;
    bool m_owning = false;
    std::unique_ptr<wxAuiManager> m_manager;
    SgWxGLWindow *m_canvas = nullptr;
    std::array<wxToolBar *, drevon::kToolbarCount> m_toolbars{};
    // The handles' frame (local, parent, world, ...) on the first toolbar of
    // a control that owns its facade.
    wxChoice *m_frameChoice = nullptr;
    arbelo::SgWxSceneTree *m_tree = nullptr;
    bool m_treeAttached = false;
    bool m_building = false;
    int m_treePlace = -1;
    fennix::DockPanes m_panes{*this};
    fennix::BarSizes m_treeSizes;
    std::string m_profile;
    drevon::CommandWindow *m_pHost = nullptr;
    std::function<void(int, bool)> m_buttonListener;
    std::function<void(const std::string &)> m_reportListener;
    drevon::HostSubscription m_buttonStates;
    drevon::HostSubscription m_dockable;
    drevon::HostSubscription m_dockableSlot;
    wxTimer m_idleTimer;
    wxTimer m_startTimer;
    // What an owning control installs for its facade while it stands.
    std::unique_ptr<SgWxDialogFactory> m_dialogs;
    // One for every control of the program: each control's own would put
    // back, when it goes, a service another control may have freed.
    std::shared_ptr<SgWxTimerService> m_timers;
};
