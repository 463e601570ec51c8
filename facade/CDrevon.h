#pragma once
// The engine facade: one object per host window that owns the document and
// through it the viewers, keeps the state the commands share (active tool,
// manipulator kind, navigation, playback) and turns the host's command ids
// into operations with enable and check states.
//
// The facade sees no toolkit: message boxes and file choosers go through the
// Notifier and the file chooser (platform/Notifier.h), timers through the
// timer service (platform/SgTimerService.h), windows of its own through the
// window factory (platform/window/SgWindowFactory.h). A host installs the
// toolkit's versions of those; tests run on the headless defaults.
//
// Commands reach it as the host's command ids: the host registers a button
// entry per operation (SetButtonStateCB, or RegisterControlButtons for the
// standard table) and then calls ApplyButton and ApplyUpdate with its ids.
// Operations receive the button index, never the command id.
#include <array>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>

#include "engine/core/SgRef.h"
#include "engine/document/SgDocumentEvents.h"

class SgDocument;
class SgEventHandler;
class SgField;
class SgNode;
class SgObject;
class SgPath;
class SgPlatformWindow;
class SgSelectionHandler;
class SgSeparator;
class SgTextureManager;
class SgViewer;
class SgViewport;

namespace drevon {

class CDrevon {
public:
    // ---- Command table ------------------------------------------------------------
    using ApplyFn = void (CDrevon::*)(int button);
    using UpdateFn = bool (CDrevon::*)(int button);
    // A state change of a button, or (state -1) the request to set a
    // multi-state button up; 0 from an init callback stops postProcessButtons.
    using ButtonStateCallback = int (*)(int state, int commandId, void *data);
    // The host hears every state change: (its data, button index, state).
    using HostButtonStateCallback = void (*)(void *data, int button, int state);
    using CreateToolCallback = void (*)(void *owner, int code, void *object);

    struct ButtonData {
        ButtonStateCallback stateCallback = nullptr;
        ButtonStateCallback initCallback = nullptr;
        void *data = nullptr;
        int commandId = 0;  // 0: an unused entry
        int states = 0;
        int imageBase = 0;
        ApplyFn apply = nullptr;
        UpdateFn update = nullptr;
    };

    static constexpr int kButtonCount = 250;
    static constexpr int kButtonMapSize = 400;
    static constexpr uint16_t kUnmapped = 0xFFFF;
    // The standard table's command ids.
    static constexpr int kFirstCommandId = 32768;
    static constexpr int kLastCommandId = 32958;

    // One row of the standard button table (RegisterControlButtons).
    enum class StateKind { None, Check, Image };
    struct ControlButton {
        int button;
        int commandId;  // -1: reachable only through its index
        int states;
        StateKind stateKind;
        ApplyFn apply;  // null: the operation is not offered (disabled)
        UpdateFn update;
    };
    // The standard table in registration order.
    static const ControlButton *GetControlButtons(int &count);

    CDrevon();
    ~CDrevon();
    // A copy would destroy the document, the tools and the timer twice.
    CDrevon(const CDrevon &) = delete;
    CDrevon &operator=(const CDrevon &) = delete;

    // ---- Document ---------------------------------------------------------------
    SgDocument *CreateDocument();
    // Installs a document made elsewhere; the facade destroys only documents
    // it made itself (the previous one when it was its own).
    void SetDocument(SgDocument *document);
    void DeleteDocument();
    SgDocument *GetDocument() const { return m_pDocument; }
    SgSeparator *GetRoot() const;
    SgTextureManager *GetTextureMngr() const;
    const std::string &GetPluginDir() const { return m_pluginDir; }
    const std::string &GetWorkingDir() const { return m_workingDir; }
    void *GetComObject() const { return m_pOwner; }
    void SetComObject(void *owner) { m_pOwner = owner; }
    std::string GetCurrentFile() const;
    // 10 gives the stored string (empty), any other value "".
    std::string GetString(int which) const;
    bool IsExternalDocument() const { return m_bExternalDocument; }
    // Whether the scene changed since it was last read or written (the undo
    // list is elsewhere than it was then); MarkSaved says it is saved now.
    bool IsModified() const;
    void MarkSaved();

    // ---- Viewers ----------------------------------------------------------------
    // A viewer on the host's window; it becomes the current viewer, grey.
    SgViewer *CreateViewer(SgPlatformWindow *window);
    // The first viewer; null with a message when there is none.
    SgViewer *GetDefaultViewer();
    void DeleteViewer(SgViewer *viewer);
    // A window of its own ("fullscreen", any case, covers the screen);
    // null when the window factory cannot make one.
    SgPlatformWindow *CreateGraphicWindow(const char *name, int width, int height);
    // A viewer in a window of its own; "FullScreen" (any case) takes over
    // the current viewer's view tree and needs a current viewer (else null
    // with a message).
    SgViewer *CreateWinViewer(const char *name, int width, int height);
    bool IsFullScreen() const { return m_bFullScreen; }

    // ---- Host callbacks and flags -----------------------------------------------------
    void SetHostButtonStateCallback(HostButtonStateCallback fn, void *data)
    {
        m_fnButtonStateChanged = fn;
        m_pButtonStateData = data;
    }
    // Lets a second listener (the control over a host's facade) chain to the host's.
    HostButtonStateCallback GetHostButtonStateCallback(void *&data) const
    {
        data = m_pButtonStateData;
        return m_fnButtonStateChanged;
    }
    void SetCreateToolCallbacks(CreateToolCallback start, CreateToolCallback finish)
    {
        m_fnCreateToolStart = start;
        m_fnCreateToolFinish = finish;
    }
    void SetPlugedIn() { m_bPlugedIn = true; }
    bool IsPlugedIn() const { return m_bPlugedIn; }
    void SetHtmlEmbeded() { m_bHtmlEmbeded = true; }
    bool IsHtmlEmbeded() const { return m_bHtmlEmbeded; }
    void SetLoadedUrlCache(bool on) { m_bUrlCache = on; }
    bool IsLoadedUrlCache() const { return m_bUrlCache; }
    int SetTexturePathes(const char *list);
    // The facade's keys (Esc leaving full screen, the shortcuts): a key
    // reaches this handler only when no running creation, drag or rubber
    // band takes it first. The handler answers whether it used the key.
    using KeyHandler = std::function<bool(int virtualKey)>;
    void SetKeyHandler(KeyHandler handler) { m_keyHandler = std::move(handler); }
    // A key pressed in a viewer: false when it is left to a running tool or
    // nobody used it.
    bool OnKeyDown(int virtualKey, bool windowCaptured);

    // ---- Command table -----------------------------------------------------------------
    void initButtonMap();
    void SetBaseCommandId(int base) { m_iBaseCommandId = base; }
    int GetBaseCommandId() const { return m_iBaseCommandId; }
    // Fills entry `button` (not its image base) and maps the command id to
    // it when the id is not negative; a later entry with the same id takes
    // the map slot. Indices and ids outside the table are refused (false).
    bool SetButtonStateCB(int button, ButtonStateCallback state, void *data, int commandId, int states,
                          ApplyFn apply, UpdateFn update, ButtonStateCallback init);
    // Registers the standard table: `check` for the two-state buttons,
    // `image` and `init` for the multi-state image buttons.
    void RegisterControlButtons(ButtonStateCallback check, ButtonStateCallback image, ButtonStateCallback init,
                                void *data);
    ButtonData *GetButtonData(int commandId);
    ButtonData *GetButtonDataByIndex(int button);
    // The button index a command id maps to, or -1.
    int GetButtonIndex(int commandId) const;
    // Ids outside the table and unmapped ids do nothing (false); true when
    // an operation ran.
    bool ApplyButton(int commandId);
    // False for ids outside the table, unmapped ids and entries without an
    // operation; otherwise the entry's predicate (none: true).
    bool ApplyUpdate(int commandId);
    // Re-initialises the multi-state buttons; an init callback that fails
    // is reported and the pass goes on.
    void postProcessButtons();
    void SetButtonState(int state, int button, bool remember);
    // The last state set on a button (0 before any).
    int GetButtonState(int button) const;
    int GetCheckedButton() const { return m_nCheckedButton; }

    // ---- Scene files -------------------------------------------------------------------
    static constexpr double kStlTolerance = 0.0003;
    // A path or an "http://" address; a failed download of a server-side
    // model script ("get_url.php?g=G&s=S") falls back to Models/ModelG_S.kvrx
    // beside it. The reader's result (SgDocumentFiles::Result).
    int OpenFile(const char *name, bool deleteScene, SgNode *root = nullptr);
    // The address OpenFile asks for, without the URL cache: the address with
    // the cache-bypassing query.
    std::string RequestAddress(const std::string &url) const;
    // The fallback address of a model script, or "" when the address is none.
    static std::string FallbackAddress(const std::string &url);
    void OnOpenFile(bool deleteScene);
    void OnFile(int button);
    int ReadFileStream(std::istream &in, bool deleteScene, const char *name);
    void ImportFile(bool);
    // Adds the STL file as a new object under the root; false when nothing
    // could be read.
    bool ImportStl(const char *path);
    int Save(const char *path);
    int SaveStream(SgNode *root, std::ostream *out, const char *format);
    std::string SaveToStringFix();
    // The bytes after the last line that closes a block (reported when
    // there are any); 0 for texts under 100 characters.
    static size_t StrayBytesAfterLastBlock(const std::string &text);
    // Saving to an address is not offered: 0 with a message.
    int SaveToUrl(const char *url, const char *id);
    void OnSaveFile(int mode);
    void OnLoadLayout();
    std::string ModelInfo(int what, SgNode *root);
    // A BMP of the default viewer's picture at that size; false (with a
    // message) without a viewer or when it cannot be drawn.
    bool CreateThumbnail(int width, int height, std::ostream &out);
    // False (with a message) when the file cannot be written.
    bool ExportSelection(const char *path, const char *format);

    // ---- Playback -------------------------------------------------------------------
    void Play(int);
    bool IsPlaying() const { return m_iPlaybackTimer != 0; }
    double GetCurrentFrame() const { return m_dFrame; }
    // One round of the playback timer.
    void PlaybackTick();
    int SetAnimationRecord(const char *nodeName, const char *fieldName, double time, const char *value);
    void SetMusicFile(const char *path);
    const std::string &GetMusicFile() const { return m_musicFile; }

    // ---- Selection, grouping, clipboard, undo -------------------------------------------------
    void ChangeSelection(int how);
    bool MoreThanOneSelected(int button);
    bool NonemptySelection(int button);
    void GroupSelection();
    void UnGroupSelection();
    int AttachToGroup(SgObject *group, SgObject *object, bool link);
    void AttachToGroupSelection(bool link);
    int DetachFromGroup(SgObject *object);
    void DetachSelection();
    void OnDeleteSelection();
    void OnClone(bool deep);
    void OnPasteClone();
    bool UpdateClonePaste(int button);
    void OnEdit(int button);
    void Undo(bool redo);
    void UndoOp(int op);
    bool UpdateUndo(int button);
    void Navigate(int button);
    bool OnUpdateNavigate(int button);

    // ---- Tools, manipulators, snapping -----------------------------------------------------
    SgEventHandler *GetActiveTool() const { return m_activeTool.get(); }
    void SetActiveTool(SgEventHandler *tool);
    void DeleteActiveTool();
    void AddSelectionManip(int kind);
    int GetManipulatorKind() const { return m_iManipulatorKind; }
    void OnTransformTool(int button);
    void OnSelect();
    void OnSelectByFence();
    // The host's frame chooser: its choice ("Local", "Parent", "Parent+1",
    // "World", "Screen"), -1 when it has none.
    void SetFrameChoice(int choice) { m_iFrameChoice = choice; }
    static const char *const *GetFrameNames(int &count);
    void OnChangeToolFrame(int button);
    void SetTransformToolFrame(int frame);
    int GetTransformToolFrame() const;
    float RescaleManipulator(float percent);
    void TogleTransformToolMode(int mode);
    void ToggleSnapAngle(int button);
    void ToggleSnapSurface(int button);
    bool GetSnapAngle() const { return m_bSnapAngle; }
    bool GetSnapSurface() const { return m_bSnapSurface; }
    void OnToggleMetaball(int button);
    bool GetMetaball() const { return m_bMetaball; }
    void NullTool(int button);
    // With exactly two objects selected, the first turns with the second
    // (its billboard follows the second's rotation). False otherwise.
    bool GimbalConnect();
    void OnCreateTool(int button);
    void OnCreatePolyline(int button);
    void OnCreateGrid(int button);
    void OnCreateAxis(int button);
    int GetCreationButton() const { return m_iCreationButton; }

    // ---- View and navigation ----------------------------------------------------------------
    void OnRotateScene(int keep);
    void OnPan();
    void OnZoom();
    void OnFlyThrough();
    void OnViewTool(int button);
    // The navigation mode of the viewing tool (0 before one exists).
    int GetNavigationMode() const;
    void ChangeView(int button);
    void FlipViewDir(int which);
    int GetFlipIndex() const { return m_iFlipIndex; }
    void StraightenUp();
    void Focus(bool selected);
    void FocusAllViewer(double scale);
    void ModifyView(int op, double a, double b);
    bool SetCameraLocation(double x, double y, double z, SgViewer *viewer);
    void ViewPerspective(int how);
    void ToggleStyle(int style);
    void TogleLightModel(int button);
    void ToggleFilledWire(int which);
    bool SetViewerBGColor(SgViewer *viewer, const float *rgb);
    void Redraw();
    void Refresh(int mode);
    int GetRedrawCount() const { return m_iRedraws; }
    SgViewer *GetCurrentViewer() const;

private:
    // The first viewport of the current viewer, or null.
    SgViewport *CurrentViewport() const;
    SgSelectionHandler *Selection() const;
    // Entry of a command id, or -1 when the id is outside the table or unmapped.
    int MapCommand(int commandId) const;
    // Finds or makes the viewing tool of the current viewer.
    SgNode *ViewingTool();
    void SetNavigation(int mode, int button, bool keep);
    void StartCreation(int button, int classId, const int *codes, bool cornerToCorner);
    void InstallActiveTool(SgEventHandler *tool);
    void StopPlayback();
    // Creation tools starting and finishing reach the host's callbacks
    // while the facade is plugged in.
    static void OnToolEvent(const SgDocumentEvent &event, void *facade);
    // Asks for a file and opens it; a cancelled request opens nothing.
    void OpenChosenFile(const char *title, const char *extension, const char *filter, bool deleteScene);
    bool DownloadTo(const std::string &url, bool withProgress, std::string &file, bool &failed);

    SgDocument *m_pDocument = nullptr;
    bool m_bExternalDocument = false;
    void *m_pOwner = nullptr;
    bool m_bFullScreen = false;
    SgViewer *m_pFullScreenPrevious = nullptr;
    SgRef<SgEventHandler> m_activeTool;
    SgRef<SgSeparator> m_editorObjects;
    SgTextureManager *m_pTextureMngr = nullptr;
    std::string m_workingDir;
    std::string m_pluginDir;
    std::string m_musicFile;
    std::string m_string;
    double m_dFrame = 0.0;
    int m_iPlaybackTimer = 0;
    int m_nCheckedButton = 0;
    int m_iManipulatorKind = 5;
    int m_iCreationButton = 0;
    int m_iFrameChoice = -1;
    int m_iFlipIndex = 0;
    bool m_bSnapAngle = false;
    bool m_bSnapSurface = false;
    bool m_bMetaball = false;
    bool m_bGridShown = false;
    bool m_bAxisShown = false;
    SgRef<SgNode> m_grid;
    SgRef<SgNode> m_axis;
    bool m_bViewToolKeep = false;
    bool m_bPlugedIn = false;
    bool m_bHtmlEmbeded = false;
    bool m_bUrlCache = false;
    int m_iRedraws = 0;
    int m_iSavedUndoCursor = 0;
    int m_iSavedUndoCount = 0;

    int m_iBaseCommandId = kFirstCommandId;
    std::array<uint16_t, kButtonMapSize> m_buttonMap{};
    std::array<ButtonData, kButtonCount> m_buttons{};
    std::array<int, kButtonCount> m_buttonStates{};
    HostButtonStateCallback m_fnButtonStateChanged = nullptr;
    void *m_pButtonStateData = nullptr;
    CreateToolCallback m_fnCreateToolStart = nullptr;
    CreateToolCallback m_fnCreateToolFinish = nullptr;
    KeyHandler m_keyHandler;
    SgDocumentSubscription m_toolStarted;
    SgDocumentSubscription m_toolFinished;
};

} // namespace drevon
