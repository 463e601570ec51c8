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
// entry per operation (SetButtonStateCB, or RegisterControlButtons for every
// facade command of the records in facade/CommandRecord) and then calls
// ApplyButton and ApplyUpdate with its ids. Operations receive the button
// index, never the command id. What the facade tells its hosts (button
// states, creation tools, keys, panes) reaches any number of subscribers.
#include <array>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "engine/core/SgRef.h"
#include "engine/core/SgSubscribers.h"
#include "engine/document/SgDocumentEvents.h"
#include "facade/CDrevonDialogs.h"
#include "facade/CommandRecord.h"
#include "facade/HostListeners.h"

class SgDocument;
class GenericCreateHandler;
class SgEventHandler;
class SgHandleEventAction;
class SgField;
class SgFieldMngr;
class SgNode;
class SgObject;
class SgPath;
class SgPlatformWindow;
class SgSelectionHandler;
class SgSeparator;
class SgTextureManager;
class SgTransform;

class SgVectorFieldModel;
class SgViewer;
class SgViewport;

namespace drevon {

class FieldEditing;

class CDrevon {
public:
    // ---- Command table ------------------------------------------------------------
    using ApplyFn = CommandApply;
    using UpdateFn = CommandUpdate;
    // A state change of a button, or (state -1) the request to set a
    // multi-state button up; 0 from an init callback stops postProcessButtons.
    using ButtonStateCallback = int (*)(int state, int commandId, void *data);

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
    // False again once the full-screen viewer's window has closed.
    bool IsFullScreen() const;

    // ---- Host callbacks and flags -----------------------------------------------------
    // Every state change of a button: (button index, state). Any number of
    // listeners (a window and the control attached over its facade); each
    // stays while its token is kept.
    using ButtonStateListener = std::function<void(int button, int state)>;
    [[nodiscard]] HostSubscription SubscribeButtonState(ButtonStateListener listener)
    {
        return m_buttonStateListeners.Subscribe(std::move(listener));
    }
    // Creation tools starting (started true) and finishing, with the tool's
    // code and the object it made; heard while the facade is plugged in.
    using ToolListener = std::function<void(bool started, int code, void *object)>;
    [[nodiscard]] HostSubscription SubscribeToolEvents(ToolListener listener)
    {
        return m_toolListeners.Subscribe(std::move(listener));
    }
    // A click reported by the selection handler: (picked path, the picked
    // object's name, 0, data).
    using EventCallback = void (*)(SgPath *picked, char *objectName, unsigned long long value, void *data);
    using CustomEventCallback = void (*)(const char *text, void *data);
    // Kind 3: the current viewer's event hook (its frame-statistics report)
    // is cleared and `data` kept as its user value; fn is not used. Other
    // kinds: the selection handler reports each click to fn with data, for
    // as long as the facade lives (another listener added so takes nothing
    // from this one; the same fn and data twice are one listener).
    // False (nothing changed) without a viewer for kind 3, without a
    // selection handler or a function for the others.
    bool AddEventCallback(int kind, EventCallback fn, void *data);
    // Clicks reach fn with data while the token is kept (the current
    // document's selection handler); an inactive token without a document
    // or a function.
    [[nodiscard]] SgSubscription SubscribeClicks(EventCallback fn, void *data);
    // The document's custom events (texts from the custom spline dialog and
    // the like) reach fn with data while the token is kept; any number of
    // listeners, and they stay subscribed when another document is installed.
    [[nodiscard]] SgDocumentSubscription SubscribeCustomEvent(CustomEventCallback fn, void *data);
    void SetPlugedIn() { m_bPlugedIn = true; }
    bool IsPlugedIn() const { return m_bPlugedIn; }
    void SetHtmlEmbeded() { m_bHtmlEmbeded = true; }
    bool IsHtmlEmbeded() const { return m_bHtmlEmbeded; }
    void SetLoadedUrlCache(bool on) { m_bUrlCache = on; }
    bool IsLoadedUrlCache() const { return m_bUrlCache; }
    int SetTexturePathes(const char *list);
    // The facade's keys (Esc leaving full screen, the shortcuts): a key
    // reaches these listeners only when no running creation, drag or rubber
    // band takes it first. Each answers whether it used the key; the first
    // that does keeps it from the later ones and the shortcuts.
    using KeyListener = std::function<bool(int virtualKey)>;
    [[nodiscard]] HostSubscription SubscribeKeys(KeyListener listener)
    {
        return m_keyListeners.Subscribe(std::move(listener));
    }
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
    // Registers the facade commands of the records: `check` for the two-state buttons,
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

    // ---- Movies (CDrevonMovie.cpp) ------------------------------------------------------
    // Called after each frame with 0..100; 0 back stops the recording.
    using MovieProgress = int (*)(void *data, int position);
    // The whole animation into `name` in format 1..7 (AVI, 3GP, MPG, FLV, WMV,
    // MOV, GIF) at width x height (0: the view's size); a movie longer than the
    // animation holds its last picture. 1 when the file was written; 0 after
    // one message through the Notifier, with no file left behind.
    int CreateMovie(const char *name, int format, int width, int height, double animationLength,
                    int framesPerSecond, double movieLength);
    // What the movie dialog calls: as CreateMovie, over the part `clipRange`
    // (start, end in percent of the animation; null: all) at `quality`
    // (clamped to 0..100), reporting to `progress`, which can stop it (0,
    // the partial file removed, no message).
    int RecordMovie(SgDocument *document, const char *name, int format, int width, int height, double duration,
                    int framesPerSecond, double movieLength, const float *clipRange, int quality,
                    MovieProgress progress, void *data);
    // Pictures of an animation of `length` seconds at `framesPerSecond`: one
    // per whole frame interval and the last one.
    static int MovieFrameCount(double length, int framesPerSecond);

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

    // ---- Creation commands ------------------------------------------------------------------------
    // A creation tool on the row (button, class id, stage codes ending in 0)
    // or, with a handler, driven by the handler; the new tool node.
    SgEventHandler *CreateShapedPrizm(const int *row, GenericCreateHandler *handler);
    // Kind 10 and 11: the measure tape (buttons 76 and 77 show it running).
    void OnCreateCompoundTool(int kind);
    void OnEditPolyline(int button);
    // Kind 1: the camera object (a camera body looking at a target it is
    // joined to by a line). A kind no class can be made for does nothing
    // and says so.
    void OnCreateObject(int kind);
    // 1 emitter, 2 attractor, 3 deflector, 4 point attractor, 5 wind,
    // 6 friction, 7 and 8 rotation, 9 destructor; others do nothing.
    void Particles(int kind);
    // CreateNode, InsertNode and RemoveChild: with the host access below.
    void ClearScene();
    // The menu and toolbar forms of the operations above that take no
    // button index: each maps its button to the kind.
    void OnCreateObjectButton(int button);
    void OnParticlesButton(int button);
    void OnCompoundToolButton(int button);
    void OnAnnotationButton(int button);
    void OnRubberLineButton(int button);
    bool OneObjectSelected(int button);
    bool TwoObjectsSelected(int button);
    static constexpr int kCameraButton = 200;
    static constexpr int kFirstParticleButton = 201;  // 201..209: kinds 1..9
    static constexpr int kAnnotationButton = 210;
    static constexpr int kRubberLineButton = 211;

    // ---- Measure tape, rubber lines, annotations ---------------------------------------------------
    // A line object (not inserted) that stays stretched between a and b:
    // with sensors it follows where they are drawn, without it follows the
    // translations of their transforms.
    SgObject *CreateRubberLine(SgObject *a, SgObject *b, bool useSensors);
    // A label "Annotation" tied to the target by a rubber line; both join
    // the scene root. The rubber line.
    SgObject *CreateAnnotation(SgObject *target);
    void OnAnnotation();
    // The tape object: two tips, the band between them and a label showing
    // their distance; mode 1 adds the dimension lines. transforms[0..1] get
    // the tips' transforms, objects[0..3] the tips, the band and the label.
    SgObject *CreateMeasureTape(SgTransform **transforms, SgObject **objects, int mode);
    // With exactly two objects A, B selected: 0 a rubber line between them,
    // 1 A's colour follows B's, 2 B's colour follows A's position, 3 B magenta.
    void TestRubber(int mode);

    // ---- Keys ---------------------------------------------------------------------------------------
    // The document's key handler: key presses without Ctrl or Alt run the
    // shortcuts. Always 0: the event goes on to the other handlers.
    static int KeyEvent(SgHandleEventAction *action, void *facade);
    // Keys whose presses the host's menus run themselves (Delete in the
    // modeller): the shortcut leaves them, so that they run once.
    void SetMenuKeys(std::vector<int> keys) { m_menuKeys = std::move(keys); }
    // The docking panes (H toggles, S shows all): the host's, through this.
    [[nodiscard]] HostSubscription SubscribeDockable(std::function<void(int how)> listener)
    {
        return m_dockableListeners.Subscribe(std::move(listener));
    }
    void ShowAllDocable(int how);
    // One pane (slots 0-2 the toolbars, 3 the scene tree; show -1 toggles,
    // 0 hides, else shows); false when no host with panes listens.
    [[nodiscard]] HostSubscription SubscribeDockableSlot(std::function<void(int slot, int show)> listener)
    {
        return m_dockableSlotListeners.Subscribe(std::move(listener));
    }
    bool ShowDockable(int slot, int show);
    // Runs the shortcut of a key; false when the key has none. The action
    // (may be null) is the one that brought the key.
    bool RunShortcut(int virtualKey, SgHandleEventAction *action);
    // Esc's and B's: leaves full screen (closing the window of the key being
    // handled) or goes to it.
    void ToggleFullScreen();

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

    // ---- Dialogs (CDrevonDialogs.cpp) ----------------------------------------------------
    // At most this many dialogs are open at once.
    static constexpr int kDialogSlots = 16;
    // The host's maker of dialog windows; none: every dialog command shows
    // disabled. The factory must stay until the facade goes or another is set.
    void SetDialogFactory(DialogFactory *factory) { m_pDialogFactory = factory; }
    DialogFactory *GetDialogFactory() const { return m_pDialogFactory; }
    // Opens the dialog of a dialog button (80 colour, 81 texture, 82 light,
    // 83 alignment, 84 and 93 scene tree, 85 animation, 87 display, 88 font,
    // 89 and 92 text along a path, 90 layers, 91 movie, 94 model builder, 95
    // custom with its name) modeless. 1 when it opened, and when too few
    // objects are selected (nothing opens then); 0 when it was refused (open
    // already: brought to the front with a message; all slots taken; no
    // dialog of that kind; its window could not be made).
    int OpenDialog(int button, const char *name = nullptr);
    void OnDialogCommand(int button);
    // Whether the button's dialog can open now.
    bool UpdateDialog(int button);
    void OnCustomDlg(const char *name) { OpenDialog(kCustomDialog, name); }
    // The document's close-dialog callback: frees the dialog's slot and
    // turns its button off; the object stays until the next opening.
    static void CloseDialog(void *facade, void *dialog);
    // Frees every slot, turns the buttons off and destroys the windows.
    void CloseAllDialogs();
    // Whether a dialog opened by this button is open.
    bool IsDialogOpen(int button) const;
    int GetOpenDialogCount() const;
    // The open dialog the button opened, or null.
    DialogInstance *FindOpenDialog(int button) const;
    // ---- Highlight colour, attached cameras, test menus -------------------------------------
    // Asks for a colour (platform/SgChoosers.h) starting at the highlight's;
    // the chosen one becomes the selection's highlight. Cancel changes nothing.
    void OnChangeSelectionColor();
    // The first camera inside the first selected object becomes the current
    // view's camera, placed by the object's transform (made when missing).
    // Without a camera only the transform is made; without a selection
    // nothing happens.
    void AttachCameraToCurrView();
    // Pops up a menu over the default viewer with two checked items under
    // the next number of a counter that starts at 15; the chosen item's id,
    // 0 for none (and without a viewer).
    int TestPopup();
    int GetPopupCounter() const { return m_iPopupCounter; }
    // Adds a handler named "RightMouseMenu" to the scene root: a right
    // button release picks at the cursor and is consumed; no menu shows.
    void ActivateRightMouseMenu();

    // ---- Modelling on the selection ----------------------------------------------------------
    // Each asks for the selection it needs (count, kinds, order) and does
    // nothing with any other; each change is one undo step. Runs of buttons
    // take the button index or the value within the run (booleans from 109,
    // extrusions from 113, sub-object modes from 124).
    void BooleanOperation(int button);
    void Conform(int button);
    void Scatter(int button);
    // The object selected first wrapped along the curve selected second.
    void WrapAlongSpline(int button);
    bool UpdateExtrude(int button);
    // 0 (113) revolves one profile or extrudes several, 1 (114) a roof,
    // 2 (115) an offset, 4 (117) a capped extrusion; the profiles (polylines
    // and offsets, in selection order) stay in the scene.
    void OnExtrude(int button);
    // Modifier kinds: 1 smooth, 2 simplify, 3 melt, 4 wave, 5 twist, 6 bend,
    // 7 free-form box, 8 slice, 9 triangulate. Any other value does nothing.
    enum ModifierKind : int { kFirstModifier = 1, kLastModifier = 9 };
    void OnAddModifier(int kind);
    // The modifier after the selected gizmo's group, or null.
    SgNode *OnEditModifier();
    // A new mesh object beside the selected one, made of what its shape
    // evaluates to; the source stays as it was.
    void ConvertToMesh(int button);
    bool UpdateSelectedOne(int button);
    void EditSubObject(int button);
    bool IsEditingSubObjects() const;
    void BridgeSubObject(int button);
    void CreaseSubObject(int button);
    void ExtrudeSubObject(int button);
    void CreateBone();
    void SkinSkeleton(int button);
    void BackToSkin(int button);

    // ---- Fields, nodes and layers for the host ------------------------------------------------------
    // Field values travel as the scene text of the field ("1.5", "(1,2,3)").
    static SgField *GetField(SgNode *node, const char *name);
    static std::string GetFieldStr(SgNode *node, const char *name);
    SgField *FindField(const char *nodeName, const char *fieldName, SgViewer *viewer = nullptr);
    std::string GetFieldValue(const char *nodeName, const char *fieldName);
    // 0.0 when the value does not begin with a number.
    double GetFieldDouble(const char *nodeName, const char *fieldName);
    // 0, with the field as it was, for a null field or a text that does not
    // parse as the field's value.
    static int SetFieldValue1(SgField *field, const char *text);
    // "name" (exactly) renames the node. 0 for a missing node or field or a
    // text that does not parse; the field keeps its value then.
    int SetFieldValue(SgNode *node, const char *fieldName, const char *text);
    int SetFieldValue(const char *nodeName, const char *fieldName, const char *text);
    // The input field follows the output from now on; false when either is
    // missing or they cannot be connected.
    static bool PlugTo(SgFieldMngr *output, const char *outName, SgFieldMngr *input, const char *inName);
    // Where FindNode looks besides below a node: values of their own, never
    // addresses. 3 to 9 are reserved and find nothing.
    enum class NodeRoot : int { Document = 0, Selection = 1, SelectionWalk = 2, LastReserved = 9 };
    // By name below the node (null: the scene root).
    SgNode *FindNode(const char *name, SgNode *root);
    // Selection: the first selected node, whatever the name, and the walk
    // starts after it; SelectionWalk: the next selected node of the walk.
    SgNode *FindNode(const char *name, NodeRoot root);
    // A new node of the class "Sg" + name, unreferenced; null for a name no
    // node class has.
    static SgNode *CreateNode(const char *className);
    // Parent null: the scene root. A property node given to an object joins
    // its properties; otherwise mode 1 puts it after the reference, other
    // modes before (no reference: at the end or the front). 0 when the
    // parent holds no children, the node would hold its parent, or the
    // parent refuses it.
    int InsertNode(SgNode *parent, SgNode *node, int mode, SgNode *reference);
    int RemoveChild(SgNode *parent, SgNode *child);
    // Minimum x, y, z then maximum x, y, z; 0 for a null node or out.
    int GetBoundingBox(SgNode *node, float *box);
    // Layer requests (what): 1 flags, 8 name, 0x100001 add, 0x100003 current.
    static constexpr int kLayerFlags = 1;
    static constexpr int kLayerName = 8;
    static constexpr int kLayerAdd = 0x100001;
    static constexpr int kLayerCurrent = 0x100003;
    // Room the name request assumes when the caller gives no size.
    static constexpr size_t kLayerNameRoom = 256;
    // The name is cut to fit `outSize` bytes with its terminating zero.
    int GetLayerValue(int layer, int what, void *out, size_t outSize = kLayerNameRoom);
    int SetLayerValue(int layer, int what, const void *value);

    // ---- The vector editor of the field under edit (FieldEditing) ----------------------------------
    // The numbers of the field a tool edits, shown while it edits (tools
    // report each step through the document) and written back when the
    // user changes them (UpdateCurrentField, the editor's change callback).
    // The facade keeps the editor's values; a host's view shows them.
    FieldEditing &GetFieldEditing() { return *m_fieldEditing; }
    SgVectorFieldModel *CreateVectorFieldEdit(int count, const char *const *names);
    SgVectorFieldModel *FiledEditUI_Get() const;
    void FiledEditUI_SetVector(const double *values, int count, int first);
    // Shows the fields' numbers (values null: read from the fields) from
    // `position` on and records the fields as the ones under edit. With
    // `absolute` the editor's numbers are new values, else offsets.
    static void UpdateCurrentNumericParam(void *facade, const double *values, int count, int position,
                                          int fieldCount, SgField *const *fields, int index, int absolute);
    // A rotation under relative edit shows as axis and angle.
    static void PreUpdateCurrentField(void *facade);
    static void UpdateCurrentField(void *facade);
    // Called after the facade changed the editor's numbers or rows (a tool's
    // edit step, the user's numbers taken), so that a view shows them again.
    [[nodiscard]] HostSubscription SubscribeVectorEditorChanged(std::function<void()> listener);

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
    // Takes this facade's hooks off the current document.
    void LeaveDocumentHooks();
    // Creation tools starting and finishing reach the host's callbacks
    // while the facade is plugged in.
    static void OnToolEvent(const SgDocumentEvent &event, void *facade);
    // Asks for a file and opens it; a cancelled request opens nothing.
    void OpenChosenFile(const char *title, const char *extension, const char *filter, bool deleteScene);
    bool DownloadTo(const std::string &url, bool withProgress, std::string &file, bool &failed);

    SgDocument *m_pDocument = nullptr;
    bool m_bExternalDocument = false;
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
    // The measure tape's creation handler while its tool may use it.
    std::shared_ptr<GenericCreateHandler> m_createHandler;
    std::vector<int> m_menuKeys;
    // The event action of the key being handled, while it is.
    SgHandleEventAction *m_pKeyAction = nullptr;
    HostListeners<void(int)> m_dockableListeners;
    HostListeners<void(int, int)> m_dockableSlotListeners;
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
    HostListeners<void(int, int)> m_buttonStateListeners;
    HostListeners<void(bool, int, void *)> m_toolListeners;
    HostListeners<bool(int)> m_keyListeners;
    struct DialogSlot {
        unsigned id = 0;  // 0: free
        int button = 0;
        std::unique_ptr<DialogInstance> instance;  // kept after closing until reaped
    };
    // Deletes the objects of freed slots (`all`: closes and deletes every one).
    void ReapDialogs(bool all);
    std::array<DialogSlot, kDialogSlots> m_dialogs;
    DialogFactory *m_pDialogFactory = nullptr;
    SgDocumentSubscription m_toolStarted;
    SgDocumentSubscription m_toolFinished;
    // The full-screen viewer; when it goes (its window closed) the view is
    // the previous viewer's again.
    SgViewer *m_pFullScreenViewer = nullptr;
    SgDocumentSubscription m_viewerChanged;
    static void OnViewerEvent(const SgDocumentEvent &event, void *facade);
    int m_iPopupCounter = 15;
    // What an attached camera's view holds on to, so that deleting the
    // object leaves the view nothing freed.
    SgRef<SgNode> m_attachedCamera;
    SgRef<SgNode> m_attachedCameraTransform;

    // The families of commands that own their state.
    std::unique_ptr<FieldEditing> m_fieldEditing;
    // The selection walk of FindNode: the index of the next selected path.
    int m_iSelectionWalk = -1;
    // The selected objects moved under a new object holding `node` (their
    // compound): one undo step; false (nothing changed) for a selection of
    // fewer than `minimum` or more than `maximum` objects.
    bool BuildCompoundTree(SgNode *node, int minimum, int maximum);
    // The sub-object mode buttons show no mode (editing ended).
    void ClearSubObjectButtons();
    // The selected paths cut to their objects, in selection order.
    std::vector<SgPath> SelectedObjectPaths() const;
    // The host's listeners of custom events, fed from whichever document is
    // installed (m_customEvent listens to it).
    SgDocumentEvents m_hostEvents;
    SgDocumentSubscription m_customEvent;
    // The click listeners AddEventCallback made, with what they call.
    struct ClickHook {
        EventCallback fn;
        void *data;
        SgSubscription token;
    };
    std::vector<ClickHook> m_clickHooks;
    // Whether playing would move anything: recorded tracks or particles.
    bool HasSomethingToPlay();
    static void OnCustomEvent(const SgDocumentEvent &event, void *facade);
};

} // namespace drevon
