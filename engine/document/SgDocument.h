#pragma once
// The edited model: the scene graph under "ROOT" with its default nodes, the
// layer table, the selection handler, the animation manager, the copy buffer,
// the persistent-id table, the viewers that show the scene, the undo list and
// the layout tree that scene files keep. Nodes reach the whole model through
// SgNode::GetDocument.
//
// The object model calls four things of it: IsUndoRecording, SetUndoRecording,
// AddUndoInfo and UpdateSceneManager. A default-constructed document is bare
// (no scene, no members) so that the object model's own tests can stand one up
// without the rest of the engine; SgDocument::Create builds the full one.
#include <iosfwd>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/core/SgRef.h"
#include "engine/document/SgDocumentEvents.h"
#include "engine/core/NodaraExport.h"

struct LispState;

class SgAnimationMngr;
class SgCopy;
class SgField;
class SgFieldMngr;
class SgFont;
class SgGeometricShape;
class SgGroup;
class SgLayers;
class SgLayoutNode;
class SgNode;
class SgObject;
class SgSaveAction;
class SgPathList;
class SgSelectionHandler;
class SgSeparator;
class SgStorageManager;
class SgTextureManager;
class SgUndoInfo;
class SgViewer;
class Vrml1InStream;
class Vrml1Stream;

// One layer as the old "Layers" section and the layer dialogs pass it: only
// the name reaches the table; a new layer always starts with flags 0.
struct NODARA_API CLayer {
    int flags = 0;
    std::string name;
};

class NODARA_API SgDocument {
public:
    // Active-handle slots, one per transform-tool kind.
    enum HandleKind { kMoveHandle = 0, kTrackballHandle = 1, kScaleHandle = 2, kSpareHandle = 3 };
    static constexpr int kHandleKinds = 4;

    using TextureMngrFactory = SgTextureManager *(*)(void *context, int);
    using ViewerChangedFn = void (*)(void *context);
    using LayoutFn = void (*)(void *context);
    using ToolNotifyFn = void (*)(SgDocument *document, int code, void *tool);
    using ViewerVisitor = void (*)(SgViewer *viewer, void *user);

    // A bare document: no scene root, no members. Undo recording is off.
    SgDocument();
    SgDocument(const SgDocument &) = delete;
    SgDocument &operator=(const SgDocument &) = delete;
    virtual ~SgDocument();

    // The full document with its default scene; null when construction fails.
    static SgDocument *Create();
    static void Destroy(SgDocument *document);
    // Lets the object model record undo and report changes through documents;
    // called once at engine start-up.
    static void LinkObjectModel();

    // ---- What the object model calls ---------------------------------------
    bool IsUndoRecording() const { return m_bRecordUndo; }
    void SetUndoRecording(bool record) { m_bRecordUndo = record; }
    // Takes ownership of the record (deletes it when recording is off).
    virtual void AddUndoInfo(SgUndoInfo *info);
    // Passes a changed node on to the scene manager of every viewer.
    virtual void UpdateSceneManager(SgNode *node);

    // ---- Undo and redo ------------------------------------------------------
    // Key points group records: all records made between Start and End carry
    // the key point's number and are undone and redone together. Nested calls
    // join the key point that is open, so an operation that runs inside
    // another (a layer added while a file is read) belongs to it. Returns -1
    // when recording is off. Prefer SgKeyPoint, which always closes.
    // Each origin (below) has its key point of its own: a dialog that keeps
    // one open while it waits for the user does not draw the main window's
    // edits into it.
    int StartKeyPoint();
    void EndKeyPoint();
    bool IsInKeyPoint() const;
    int GetKeyPointCounter() const { return m_iKeyPointCounter; }
    void Undo();
    void Redo();
    bool IsUndoStackNonEmpty() const;
    bool IsRedoStackNonEmpty() const;
    // Undoes the last group when it carries `keyPoint`, then drops the redo part.
    void RevertToLastKeyPoint(int keyPoint);

    // ---- Where records come from (SgDocumentUndoOrigins.cpp) ----------------
    // Every record carries the origin that was current when it was made:
    // kWindowOrigin for the main window and everything that does not say, or
    // a number a modeless dialog takes for its stay and sets (SgUndoOriginScope)
    // while its own code runs. What a dialog takes back or keeps is then
    // exactly what it did, whatever the user did in the window meanwhile.
    static constexpr int kWindowOrigin = 0;
    int NewUndoOrigin() { return ++m_iOriginCounter; }
    int GetUndoOrigin() const { return m_iUndoOrigin; }
    void SetUndoOrigin(int origin) { m_iUndoOrigin = origin; }
    // Undoes and forgets the records of `origin` (of its key point `keyPoint`
    // only, when that is not 0), newest first; the other origins' records
    // stay as they are. A record whose field, group or node another origin
    // changed afterwards is not taken back alone, which would undo that
    // later change too: it stays, now the window's, with every record of
    // the origin it rests on. Returns how many records stayed so.
    int TakeBackOrigin(int origin, int keyPoint = 0);
    // Gives the records of `origin` one key point of their own, so that one
    // Undo takes them back together, and makes them the window's. When none
    // of them touches what a later record of another origin touches, they
    // move after those records first (they commute), so that the next Undo
    // is theirs; otherwise they keep their places. Returns false then.
    bool JoinOrigin(int origin);
    // Drops every record; the recording flag stays.
    void ResetUndo();
    // How many undo steps are kept (the oldest go first); 0 keeps every one.
    // A step is one user command: the records of one key point, or one
    // record made outside any.
    static constexpr int kDefaultUndoLevels = 100;
    void SetUndoLevels(int levels);
    int GetUndoLevels() const { return m_iUndoLevels; }
    int GetUndoCount() const { return static_cast<int>(m_undo.size()); }
    int GetUndoCursor() const { return m_iUndoCursor; }
    const SgUndoInfo *GetUndoInfo(int index) const;

    // ---- Scene ----------------------------------------------------------------
    SgSeparator *GetNodara() const { return m_root.get(); }
    SgSeparator *GetRoot() const { return m_root.get(); }
    // Installs a new scene root (recording goes off; the previous root is released).
    void SetNodara(SgSeparator *root);
    SgNode *FindNode(const char *name, SgNode *start = nullptr);
    SgField *FindField(SgGroup *group, const char *nodeName, const char *fieldName);
    // Removes every child of the root but event handlers (and the layers node
    // when `keepLayers`), then clears the scenario from track 1 on. Without the
    // layers node the document has no layer table until EnsureLayersNode.
    void ClearScene(bool keepLayers);
    int RemoveChild(SgGroup *group, SgNode *node);
    void Refresh(int code);

    // ---- Layers ---------------------------------------------------------------
    SgLayers *GetLayers() const { return m_layers.get(); }
    // Makes the "Layers" node below the root the document's layer table, or,
    // when there is none, puts a new one with "Layer0" at the front of the root
    // (after a read that replaced the scene).
    SgLayers *EnsureLayersNode();
    int AddLayer(const CLayer &layer);
    void DeleteLayer(int index);
    int GetLayerCount() const;
    // Out of range raises SgInvalidArgument.
    const std::string &GetLayerName(int index) const;
    int GetLayerFlags(int index) const;
    void SetLayerName(int index, const char *name);
    void SetLayerFlags(int index, int flags);
    void SetLayerFlag(int layer, int bits, int on);
    int GetCurrentLayer() const { return m_iCurrentLayer; }
    void SetCurrentLayer(int layer) { m_iCurrentLayer = layer; }
    int GetLastAddedLayers() const { return m_iLastAddedLayers; }
    // The number of the next curve drawn in this document (its default
    // name is the class name and this number); counts from 1.
    int TakeCurveNumber() { return m_iCurveCounter++; }
    // The host's choice of engine for the Boolean nodes that join this
    // document without one of their own (SgBoolean asks when it joins); null
    // leaves them at their default. Another document has its own.
    using ShapeActionIdFn = int (*)(SgGeometricShape *shape, void *data);
    void SetShapeActionIdFunc(ShapeActionIdFn fn, void *data)
    {
        m_pfnShapeActionId = fn;
        m_pShapeActionIdData = data;
    }
    ShapeActionIdFn GetShapeActionIdFunc() const { return m_pfnShapeActionId; }
    void *GetShapeActionIdData() const { return m_pShapeActionIdData; }
    // Whether the solid booleans evaluated for this document check every
    // result (on unless a host turns it off, as benchmarks do).
    void SetValidateSolids(bool on) { m_bValidateSolids = on; }
    bool GetValidateSolids() const { return m_bValidateSolids; }
    // Layer indices of a file being inserted, mapped to the document's
    // (filled while "Layers" of an inserted file are merged).
    std::vector<int> &GetLayerMap() { return m_layerMap; }

    // ---- Members that other parts of the engine own -----------------------------
    SgStorageManager *GetStorageManager() const { return m_pStorage.get(); }
    SgSelectionHandler *GetSelectionHandler() const { return m_selectionHandler.get(); }
    SgAnimationMngr *GetAnimationMngr() const { return m_animationMngr.get(); }
    SgCopy *GetCopyBuffer() const { return m_pCopy.get(); }
    SgFont *GetDefaultFont() const { return m_font.get(); }
    std::vector<SgObject *> &GetObjectList() { return m_objectList; }

    // ---- Selection and selected fields -------------------------------------------
    SgPathList *GetSelectionList() const;
    void DeselectAll();
    // A selected field keeps its node alive while it is listed.
    struct SelectedField {
        SgField *field = nullptr;
        int value = 0;
        SgRef<SgFieldMngr> keep;
    };
    void AddToSelectedFieldsList(SgField *field, int value);
    const std::vector<SelectedField> &GetSelectedFields() const { return m_selectedFields; }
    void ClearSelectedFields();

    // ---- Viewers (SgDocumentViewers.cpp) ---------------------------------------------
    // A new viewer of `scene` (the root when null) with its default view,
    // listed once and attached to the window (none: a windowless viewer that
    // draws into the current GL context). The document does not own it: a
    // viewer leaves the list when it is deleted.
    SgViewer *CreateDefaultViewer(void *window, SgSeparator *scene);
    int GetViewerCount() const { return static_cast<int>(m_viewers.size()); }
    // Out of range raises SgInvalidArgument.
    SgViewer *GetViewer(int index) const;
    SgViewer *GetActiveViewer() const { return m_pActiveViewer; }
    void SetActiveViewer(SgViewer *viewer);
    // Appends once; false when already listed.
    bool AddViewer(SgViewer *viewer);
    bool RemoveViewer(SgViewer *viewer);
    void RedrawAllViewers(SgViewer *viewer = nullptr);
    void EnumViewers(ViewerVisitor visit, void *user) const;
    // Makes `tree` the view tree of the viewer (the current one when null);
    // takes the tree over, and frees it when there is no viewer to take it.
    void ReplaceViewTree(SgSeparator *tree, SgViewer *viewer, int version);

    // ---- Files (SgDocumentFiles.cpp) ------------------------------------------------
    // Results as SgDocumentFiles::Result lists them (engine/document/SgDocumentFiles.h).
    int OpenFile(const char *name, bool replace, SgNode *parent = nullptr);
    int ReadFile(const char *path, bool replace, SgNode *parent = nullptr);
    int ReadFileStream(std::istream &stream, const char *name, bool replace, SgSeparator *target = nullptr);
    int ReadView(Vrml1InStream &stream, SgRef<SgSeparator> *trees, bool keyword);
    int Save(const char *path, const char *kind);
    int SaveStream(SgNode *root, std::ostream *stream, const char *kind);
    // `scene`, when given, is the action that wrote the scene before it: a
    // scene node a view tree shares is named by USE, not written again.
    void SaveView(Vrml1Stream &stream, bool allViewers, const SgSaveAction *scene = nullptr);
    // View trees read when no viewer can show them; written back by SaveView.
    void KeepUnviewedTrees(std::vector<SgRef<SgNode>> trees);
    int SaveSelection(SgSelectionHandler *handler, const char *path);

    const std::string &GetFileName() const { return m_fileName; }
    void SetFileName(const std::string &name) { m_fileName = name; }
    // 1: downloads may come from the cache; 0: every download bypasses it.
    unsigned char GetCachedDownload() const { return m_bCachedDownload; }
    void SetCachedDownload(unsigned char cached) { m_bCachedDownload = cached; }
    // Whether scene content may reach the network (external files named by
    // an address); off unless the host allows it.
    bool IsRemoteContentAllowed() const { return m_bAllowRemoteContent; }
    void SetRemoteContentAllowed(bool allowed) { m_bAllowRemoteContent = allowed; }
    // The file that a cabinet scene was unpacked to while it is read.
    std::string &GetCabinetPath() { return m_cabinetPath; }

    // ---- Layout ---------------------------------------------------------------------
    SgLayoutNode *GetLayoutRoot() const { return m_layout.get(); }
    // Empties the layout to a single new node (kind 1).
    void ResetLayout();

    // ---- Listeners -----------------------------------------------------------------
    // Any number of panels, dialogs and controls listen to one document; see
    // engine/document/SgDocumentEvents.h. Keep the token as long as the
    // listener should hear.
    [[nodiscard]] SgDocumentSubscription Subscribe(SgDocumentEventKind kind, SgDocumentEvents::Listener listener,
                                                   void *context)
    {
        return m_events.Subscribe(kind, listener, context);
    }
    [[nodiscard]] SgDocumentSubscription Subscribe(SgDocumentEventKind kind,
                                                   std::function<void(const SgDocumentEvent &)> listener)
    {
        return m_events.Subscribe(kind, std::move(listener));
    }
    SgDocumentEvents &GetEvents() { return m_events; }
    // The selection handler calls this after each change of the selection
    // (once per operation, however many paths it changed).
    void NotifySelectionChanged();
    // Tells the listeners which viewer is active now.
    void NotifyViewerChanged();
    // The whole scene changed (a new root, a cleared scene, a file read into it).
    void NotifySceneChanged(SgNode *node = nullptr);
    // Passes a text (and a number) to whoever hosts the document: the
    // custom-event listeners (kCustomEvent).
    void NotifyCustomEvent(const std::string &text, int value = 0);

    // ---- Owner's callbacks and context ---------------------------------------------
    // The single callbacks below are listeners like any other: setting one
    // replaces only what was set through the same call before.
    void *GetContext() const { return m_pContext; }
    void SetContext(void *context) { m_pContext = context; }
    void SetTextureMngrFactory(TextureMngrFactory factory) { m_pfnTextureMngr = factory; }
    SgTextureManager *GetTextureMngr() const;
    // Called with the document's context.
    void SetViewerChangedCallback(ViewerChangedFn fn);
    ViewerChangedFn GetViewerChangedCallback() const { return m_pfnViewerChanged; }
    void SetLayoutCallbacks(LayoutFn before, LayoutFn after, void *context);
    LayoutFn GetLayoutBefore() const { return m_pfnLayoutBefore; }
    LayoutFn GetLayoutAfter() const { return m_pfnLayoutAfter; }
    void *GetLayoutContext() const { return m_pLayoutContext; }
    // What a tool reports after each step of an edit, so that the owner can
    // show the values as they change: the values, how many there are, their
    // kind, the edited fields, the index of the edited value in an array
    // field (0 for single-value fields) and the tool's frame mode. Kind
    // kEditFieldValue: the components of one field's value (a vector, a
    // rotation as axis and angle); kEditDoubleFields: one double per field.
    // The values may be null: the fields then hold them.
    enum FieldEditKind : int { kEditFieldValue = 0, kEditDoubleFields = 4 };
    using FieldEditFn = void (*)(SgDocument *document, const double *values, int valueCount, int kind,
                                 int fieldCount, SgField *const *fields, int index, int mode);
    void SetFieldEditCallback(FieldEditFn fn);
    FieldEditFn GetFieldEditCallback() const { return m_pfnFieldEdit; }
    // Tells the field-edit listeners.
    void ReportFieldEdit(const double *values, int valueCount, int kind, int fieldCount, SgField *const *fields,
                         int index = 0, int mode = 0);
    // An editing dialog reports that it closes (OK, Cancel, its close box) by
    // calling this with the owner given here and itself, once per closing;
    // the owner (the facade) frees its slot. Null: nobody listens.
    using CloseDialogFn = void (*)(void *owner, void *dialog);
    void SetCloseDialogCallback(CloseDialogFn fn, void *owner)
    {
        m_pfnCloseDialog = fn;
        m_pCloseDialogOwner = owner;
    }
    CloseDialogFn GetCloseDialogCallback() const { return m_pfnCloseDialog; }
    void *GetCloseDialogOwner() const { return m_pCloseDialogOwner; }
    // Creation tools call these when they start (slot 0) or finish (slot 1)
    // an object; a finished one that was dropped comes with no object.
    void SetToolNotify(int slot, ToolNotifyFn fn);
    ToolNotifyFn GetToolNotify(int slot) const;
    void NotifyTool(int slot, int code, void *tool);

    // ---- Active handles, GL context -------------------------------------------------
    // An index of 4 or more reads -1 and writes nothing.
    int GetActiveHandle(int kind) const;
    void SetActiveHandle(int kind, int handle);
    // What a transform tool's drag acts on: 0 the object, 1 and 2 its pivot
    // (the transform's "center"; 2 moves it against the drag).
    int GetPivotMode() const { return m_iPivotMode; }
    void SetPivotMode(int mode) { m_iPivotMode = mode; }
    void *GetRenderContext() const { return m_pRenderContext; }
    void SetRenderContext(void *context) { m_pRenderContext = context; }
    bool GetShareContext() const { return m_bShareContext; }
    void SetShareContext(bool share) { m_bShareContext = share; }
    // The GL context the document's viewers draw with, as the key their
    // windows take: null for the process's shared one, else the document's
    // own, made for the first of its windows that draws.
    const void *GetContextKey() const { return m_bShareContext ? nullptr : this; }

    // The interpreter of this document's scene formulas (made on first
    // use): models and scripts read into the document run in it, apart from
    // every other document's; it is given back when the document goes. Code
    // that makes formula nodes for the document puts it in force first
    // (LispContextScope).
    const std::shared_ptr<LispState> &GetLispContext();

private:
    struct FullTag {};
    explicit SgDocument(FullTag);
    // Viewers outlive the document: each forgets it.
    void DetachViewers();
    void DropRedo();
    // Applies one record with recording paused, so replay records nothing.
    void ApplyRecord(SgUndoInfo &record, bool forward);
    // Drops the oldest steps past the undo levels.
    void TrimUndo();

    std::unique_ptr<SgStorageManager> m_pStorage;
    std::vector<SgObject *> m_objectList;
    SgRef<SgSeparator> m_root;

    std::vector<std::unique_ptr<SgUndoInfo>> m_undo;
    int m_iUndoCursor = -1;
    int m_iUndoLevels = kDefaultUndoLevels;
    int m_iKeyPointCounter = 0;
    // The key point open in each origin: its number and how deep it nests.
    struct OpenKeyPoint {
        int origin = 0;
        int number = 0;
        int depth = 0;
    };
    std::vector<OpenKeyPoint> m_openKeyPoints;
    OpenKeyPoint *FindOpenKeyPoint(int origin);
    const OpenKeyPoint *FindOpenKeyPoint(int origin) const;
    int m_iUndoOrigin = kWindowOrigin;
    int m_iOriginCounter = 0;
    bool m_bRecordUndo = false;

    std::vector<SgViewer *> m_viewers;
    SgViewer *m_pActiveViewer = nullptr;
    std::vector<SelectedField> m_selectedFields;
    SgRef<SgSelectionHandler> m_selectionHandler;
    std::string m_fileName;
    SgRef<SgAnimationMngr> m_animationMngr;
    std::unique_ptr<SgCopy> m_pCopy;
    SgRef<SgFont> m_font;
    int m_activeHandles[kHandleKinds] = {5, 2, 6, 0};
    int m_iCurrentLayer = 0;
    int m_iPivotMode = 0;
    int m_iLastAddedLayers = 0;
    int m_iCurveCounter = 1;
    ShapeActionIdFn m_pfnShapeActionId = nullptr;
    void *m_pShapeActionIdData = nullptr;
    bool m_bValidateSolids = true;
    SgRef<SgLayers> m_layers;
    std::vector<int> m_layerMap;
    std::unique_ptr<SgLayoutNode> m_layout;
    // View trees read while no viewer could take them (a conversion): kept
    // as read, so that saving writes back what was read.
    std::vector<SgRef<SgNode>> m_unviewedTrees;
    std::shared_ptr<LispState> m_lispContext;

    void *m_pContext = nullptr;
    TextureMngrFactory m_pfnTextureMngr = nullptr;
    ViewerChangedFn m_pfnViewerChanged = nullptr;
    CloseDialogFn m_pfnCloseDialog = nullptr;
    void *m_pCloseDialogOwner = nullptr;
    LayoutFn m_pfnLayoutBefore = nullptr;
    LayoutFn m_pfnLayoutAfter = nullptr;
    void *m_pLayoutContext = nullptr;
    std::string m_cabinetPath;
    unsigned char m_bCachedDownload = 1;
    bool m_bAllowRemoteContent = false;
    static constexpr int kToolNotifySlots = 8;
    ToolNotifyFn m_toolNotify[kToolNotifySlots] = {};
    FieldEditFn m_pfnFieldEdit = nullptr;
    // Declared before the tokens of the single callbacks, which it outlives.
    SgDocumentEvents m_events;
    SgDocumentSubscription m_viewerChangedToken;
    SgDocumentSubscription m_fieldEditToken;
    SgDocumentSubscription m_toolNotifyTokens[kToolNotifySlots];
    void *m_pRenderContext = nullptr;
    bool m_bShareContext = true;
};

// Makes `origin` the document's undo origin for its lifetime, then restores
// the previous one (no document: nothing).
class NODARA_API SgUndoOriginScope {
public:
    SgUndoOriginScope(SgDocument *document, int origin)
        : m_pDocument(document), m_iPrevious(document ? document->GetUndoOrigin() : 0)
    {
        if (m_pDocument)
            m_pDocument->SetUndoOrigin(origin);
    }
    ~SgUndoOriginScope()
    {
        if (m_pDocument)
            m_pDocument->SetUndoOrigin(m_iPrevious);
    }
    SgUndoOriginScope(const SgUndoOriginScope &) = delete;
    SgUndoOriginScope &operator=(const SgUndoOriginScope &) = delete;

private:
    SgDocument *m_pDocument;
    int m_iPrevious;
};
