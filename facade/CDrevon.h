#pragma once
// The engine facade: one object per host window. It owns the document, and
// through it the viewers, and the command families that own the rest: a
// caller runs a command on its family (`facade.GetFiles().OnSaveFile(0)`),
// a host's command id runs through the button table
// (`facade.GetButtons().ApplyButton(id)`), and a command record names its
// operation as `Operation<&SceneFiles::OnFile>` (facade/CommandRecord.h).
//
// The facade sees no toolkit: message boxes, choosers, timers and windows of
// its own go through the platform interfaces (platform/Notifier.h,
// platform/SgTimerService.h, platform/window/SgWindowFactory.h), which a
// host fills with the toolkit's versions; tests run on the headless defaults.
#include <memory>
#include <string>
#include <vector>

#include "facade/Annotations.h"
#include "facade/ButtonTable.h"
#include "facade/CDrevonDialogs.h"
#include "facade/CommandRecord.h"
#include "facade/Creation.h"
#include "facade/DialogTable.h"
#include "facade/DrevonExport.h"
#include "facade/FieldEditing.h"
#include "facade/HostEvents.h"
#include "facade/Modelling.h"
#include "facade/Playback.h"
#include "facade/SceneAccess.h"
#include "facade/SceneFiles.h"
#include "facade/SelectionEditing.h"
#include "facade/Shortcuts.h"
#include "facade/Viewing.h"

class SgDocument;
class SgPlatformWindow;
class SgSelectionHandler;
class SgSeparator;
class SgTextureManager;
class SgViewer;
class SgViewport;

namespace drevon {

class DREVON_API CDrevon {
public:
    CDrevon();
    ~CDrevon();
    // A copy would destroy the document, the tools and the timer twice.
    CDrevon(const CDrevon &) = delete;
    CDrevon &operator=(const CDrevon &) = delete;

    // ---- Document ------------------------------------------------------------------------------
    SgDocument *CreateDocument();
    // Installs a document made elsewhere; the facade destroys only documents
    // it made itself (the previous one when it was its own).
    void SetDocument(SgDocument *document);
    void DeleteDocument();
    SgDocument *GetDocument() const { return m_pDocument; }
    bool IsExternalDocument() const { return m_bExternalDocument; }
    SgSeparator *GetRoot() const;
    SgTextureManager *GetTextureMngr() const;
    int SetTexturePathes(const char *list);
    std::string GetCurrentFile() const;
    const std::string &GetPluginDir() const { return m_pluginDir; }
    const std::string &GetWorkingDir() const { return m_workingDir; }
    // 10 gives the stored string (empty), any other value "".
    std::string GetString(int which) const { return which == 10 ? m_string : std::string(); }
    // The current document's selection handler, or null.
    SgSelectionHandler *Selection() const;

    // ---- Viewers -------------------------------------------------------------------------------
    // A viewer on the host's window; it becomes the current viewer, grey.
    SgViewer *CreateViewer(SgPlatformWindow *window);
    // A window of its own ("fullscreen", any case, covers the screen); null
    // when the window factory cannot make one.
    SgPlatformWindow *CreateGraphicWindow(const char *name, int width, int height);
    // A viewer in a window of its own; "FullScreen" (any case) is the view
    // family's full-screen view (Viewing::OpenFullScreen).
    SgViewer *CreateWinViewer(const char *name, int width, int height);
    void DeleteViewer(SgViewer *viewer);
    // The first viewer; null with a message when there is none.
    SgViewer *GetDefaultViewer();
    SgViewer *GetCurrentViewer() const;
    // The first viewport of the current viewer, or null.
    SgViewport *CurrentViewport() const;
    // Draws the current view again (`whole`: the viewer's full redraw).
    void RedrawCurrent(bool whole);
    void Redraw() { RedrawCurrent(true); }
    // The document's views refreshed (`mode` as SgDocument::Refresh), then drawn.
    void Refresh(int mode);
    int GetRedrawCount() const { return m_iRedraws; }

    // ---- The command families ------------------------------------------------------------------
    ButtonTable &GetButtons() { return *m_buttons; }                         // host command ids, button states
    Shortcuts &GetShortcuts() { return *m_shortcuts; }                       // the keys of the viewers
    HostEvents &GetHostEvents() { return *m_hostEvents; }                    // what the facade tells its hosts
    SceneFiles &GetFiles() { return *m_files; }                              // open, save, import, export
    Playback &GetPlayback() { return *m_playback; }                          // playback and movies
    SelectionEditing &GetSelectionEditing() { return *m_selectionEditing; }  // selection, clipboard, undo
    Creation &GetCreation() { return *m_creation; }                          // tools, manipulators, creation
    Annotations &GetAnnotations() { return *m_annotations; }                 // rubber lines, annotations, tape
    Viewing &GetViewing() { return *m_viewing; }                             // views, navigation, full screen
    DialogTable &GetDialogs() { return *m_dialogs; }                         // the open dialogs
    Modelling &GetModelling() { return *m_modelling; }                       // modelling on the selection
    SceneAccess &GetSceneAccess() { return *m_sceneAccess; }                 // fields, nodes, layers by name
    FieldEditing &GetFieldEditing() { return *m_fieldEditing; }              // the numbers of the field under edit

private:
    // The document's close-dialog callback (facade, closing CCadDlg).
    static void CloseDialog(void *facade, void *dialog);
    // Takes this facade's hooks off the current document.
    void LeaveDocumentHooks();

    SgDocument *m_pDocument = nullptr;
    bool m_bExternalDocument = false;
    std::string m_workingDir;
    std::string m_pluginDir;
    std::string m_string;
    int m_iRedraws = 0;

    std::unique_ptr<ButtonTable> m_buttons;
    std::unique_ptr<Shortcuts> m_shortcuts;
    std::unique_ptr<FieldEditing> m_fieldEditing;
    std::unique_ptr<Playback> m_playback;
    std::unique_ptr<DialogTable> m_dialogs;
    std::unique_ptr<SceneFiles> m_files;
    std::unique_ptr<Annotations> m_annotations;
    std::unique_ptr<Viewing> m_viewing;
    std::unique_ptr<SelectionEditing> m_selectionEditing;
    std::unique_ptr<Creation> m_creation;
    std::unique_ptr<Modelling> m_modelling;
    std::unique_ptr<SceneAccess> m_sceneAccess;
    std::unique_ptr<HostEvents> m_hostEvents;
};

} // namespace drevon
