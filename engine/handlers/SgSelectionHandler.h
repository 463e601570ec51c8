#pragma once
// The selection of a document: the list of selected paths in selection
// order, the paths of the last click, and the callbacks through which the
// rest of the system reacts to selecting and deselecting (attaching a
// manipulator, highlighting, telling the host). The document makes it the
// first child of its scene root, so every click in a viewer reaches it.
//
// Selected paths stay valid while they are selected: the handler holds a
// reference on every node they name (but on the groups that hold the
// handler itself, which would then never be freed), so a selected object
// deleted from the scene without being deselected is kept until it leaves
// the selection.
#include <functional>
#include <vector>

#include "engine/core/SgPathList.h"
#include "engine/actions/SgSelectionHandlerInterface.h"
#include "engine/core/SgRef.h"
#include "engine/core/SgSubscribers.h"
#include "engine/handlers/SgEventHandler.h"
#include "engine/core/NodaraExport.h"

class SgDrawStyle;
class SgMaterial;
class SgObject;
class SgPickedPoint;
class SgSeparator;
class SgTool;
struct Color;

// An operation run on nodes by the apply family. With m_iRecurse 0 the
// subtree below an object it is run on is not visited.
struct NODARA_API SelectOp {
    explicit SelectOp(int recurse = 1) : m_iRecurse(recurse) {}
    virtual ~SelectOp() = default;
    virtual void operator()(SgNode *node) = 0;

    int m_iRecurse;
};

// Runs another operation on objects that are not selected only.
struct NODARA_API ApplyOnUnselctedOp : SelectOp {
    explicit ApplyOnUnselctedOp(SelectOp *op) : SelectOp(0), m_pOp(op) {}
    void operator()(SgNode *node) override;

    SelectOp *m_pOp;
};

// Answers the interface's selectability query with the handler's static
// test; kept apart so that in the handler's own scope the name stays the
// static one, which callers without a handler call as
// SgSelectionHandler::IsSelectable(path).
class NODARA_API SgSelectionHandlerInterfaceBase : public SgSelectionHandlerInterface {
public:
    bool IsSelectable(SgPath &path) override;
};

class NODARA_API SgSelectionHandler : public SgEventHandler, public SgSelectionHandlerInterfaceBase {
    SG_CLASS_HEADER(SgSelectionHandler, SgFieldMngr)

    enum Policy : int { kByModifier = 0, kReplace = 1, kToggle = 2 };
    // The selection callback (a manipulator, a highlight) runs for the first
    // this many selected objects only, so that selecting thousands stays
    // linear and their frames stay interactive.
    static constexpr int kMaxSelectionTools = 16;

    using PathCB = void (*)(SgPath &path, void *data);
    using MemberCB = void (SgSelectionHandler::*)(SgPath &path, int, int);
    using AfterMoveCB = void (*)(SgHandleEventAction *action, void *data);
    // A selection as click listeners hear it: the path selected (after the
    // pick filter) and the object's name.
    using ClickListener = std::function<void(SgPath &path, const char *name)>;

    SgSelectionHandler();

    using SgNode::IsSelectable;

    // ---- Selection ------------------------------------------------------------
    // The policy decision of a click (flag non-zero) or an addition (flag 0).
    void Select(const SgPath &path, int flag) override;
    void Select(SgPathList &list, int flag);
    // Every path from the root to the node.
    void Select(SgNode *node, int flag);
    // Unconditional: the pick filter, then the object's flag, the callbacks
    // and the list. A path without nodes raises SgInvalidArgument.
    void DoSelect(SgPath path);
    void Deselect(SgPath &path, bool lookUp) override;
    void DeselectAll();
    void SelectNone() { DeselectAll(); }
    void RemoveSelection(SgPath &) {}
    // Non-zero when a selected object lies on the path.
    int IsSelected(SgPath &path);
    // An object-less path is not selectable; otherwise the object and the
    // path's last node must both be pickable and the object's "selectMode" 1.
    // A path without nodes raises SgInvalidArgument.
    static bool IsSelectable(const SgPath &path);
    static bool _PickedPointFilter(SgPickedPoint &hit);
    // Deselects and selects every path again, so every callback runs again.
    void ReselectAll();
    void SelectAll(SgSeparator *root);
    void SelectInvert(SgSeparator *root);
    void FixSelectionPath(SgPath &path);
    // Up to `max` entries in selection order; the number stored.
    int GetSelectedObjects(int max, SgObject **objects, SgPath *paths);

    SgPathList &GetPathList() { return m_SelectedPaths; }
    int GetSelCount() const { return m_SelectedPaths.GetCount(); }

    // ---- Apply family -----------------------------------------------------------
    // The op on the object of every selected path.
    void ApplyToSelection(SelectOp *op);
    // The op on every object of the scene the handler is in; the handler
    // must have a parent (else SgInvalidArgument).
    void ApplyToAll(SelectOp *op);
    void ApplyToUnSelected(SelectOp *op);

    // ---- Deletion ---------------------------------------------------------------
    // Deselects the path's object and deletes it from the node before it on
    // the path; an object that is not on the path below some node raises
    // SgInvalidArgument.
    void Delete(SgPath &path);
    void Delete(SgPathList &paths);
    void Delete();

    // ---- Grouping -----------------------------------------------------------------
    // Moves the selected objects into a new group placed before the first of
    // them, centred on their bounding box, so that none of them moves in the
    // world; selects the group and returns its path (the first pick path
    // when nothing is selected). One undo step.
    SgPath GroupSelection();
    // Takes every selected group apart (its members take its place, each
    // keeping its place in the world) and selects the members; selected
    // objects that are no group stay selected. One undo step for all.
    void UnGroupSelection();
    // Attaches the second and later selected objects to the first: into it
    // when it is a group (or ends with a bone or a Boolean), else into a new
    // object that takes the first one's place and transform. With `keep`
    // the attached objects stay linked where they were. Needs two selected
    // objects; when a selected path ends at no object nothing is moved. The
    // selection is cleared either way. One undo step, closed on every way out.
    void AttachToGroupSelection(bool keep);
    // Moves every selected object out of its group into the scene root.
    void DetachGroupSelection();

    // ---- Path fix-ups -------------------------------------------------------------
    // Cuts the path to the top-most object below the context parent (when it
    // lies on the path), else to the path's first object.
    static void MostTopObject(SgPath &path, void *handler);
    static void LowestObject(SgPath &path, void *);

    // ---- Selection and deselection callbacks ------------------------------------------
    // The manipulator of the selection; it comes with the transform tools.
    void TransformTool(SgPath &path, int kind, int frame);
    // The selection shows its bounding box (a constraint tool that may not
    // drag); a program's choice, so the object's behaviour node does not
    // change it and the current tool stays.
    void BoundBoxTool(SgPath &path, int, int);
    // Takes the first manipulator out of the path's object and keeps it
    // until the next call.
    void RemoveTool(SgPath &path, int, int);
    // Tells every click listener about the path (see SubscribeClicks).
    void MouseClickEvent(SgPath &path, int, int);
    // The current tool carries the selected object with the mouse until the
    // button comes up (an object dragged in from outside the view); false
    // without a current tool, a selection, or a tool that can.
    bool ActivateDragAndDrop();
    // Marks the path's object with the highlight material (and draw style),
    // hung into the object after its transform in a manipulator, so that the
    // deselection callback RemoveTool takes it out again.
    void HighlightSelect(SgPath &path, int, int);

    // ---- Clicks ---------------------------------------------------------------------
    // The press remembers what lies under the cursor; the release selects it
    // when it hits the same path (so a press and a release on different
    // objects select nothing, and a click on empty space selects the empty
    // path, which the policy turns into a deselection).
    int OnLButtonDown(SgHandleEventAction *action) override;
    int OnLButtonUp(SgHandleEventAction *action) override;
    int OnLButtonDblClk(SgHandleEventAction *) override { return 0; }

    // ---- Highlight ----------------------------------------------------------------
    SgMaterial *GetHighlightMaterial() const { return m_pMaterial.get(); }
    SgDrawStyle *GetHighlightDrawStyle() const { return m_pDrawStyle.get(); }
    void SetMaterial(const SgMaterial &material);
    void SetColor(const Color &color);
    void SetDrawStyle(const SgDrawStyle &style);

    // ---- Members and callbacks ----------------------------------------------------------
    // Set by the sub-object tool while it runs: clicks then select nothing and
    // the animation manager records the edited object.
    bool m_bSubObject = false;
    bool GetSubObjectState() const { return m_bSubObjectState; }
    void SetSubObjectState(bool on) { m_bSubObjectState = on; }
    SgPath &GetEditedObject() { return m_EditedObject; }
    void SetEditedObject(const SgPath &path) { m_EditedObject = path; }
    AfterMoveCB GetAfterMoveCB() const { return m_pfnAfterMove; }
    void SetAfterMoveCB(AfterMoveCB cb) { m_pfnAfterMove = cb; }
    void *GetAfterMoveData() const { return m_pAfterMoveData; }
    void SetAfterMoveData(void *data) { m_pAfterMoveData = data; }
    Policy GetPolicy() const { return m_ePolicy; }
    void SetPolicy(Policy policy) { m_ePolicy = policy; }
    bool GetCtrlDown() const { return m_bCtrlDown; }
    void SetCtrlDown(bool down) { m_bCtrlDown = down; }
    SgPath &GetFirstPickPath() { return m_FirstPickPath; }
    void SetFirstPickPath(const SgPath &path) { m_FirstPickPath = path; }
    SgPath &GetLastPickPath() { return m_LastPickPath; }
    void SetLastPickPath(const SgPath &path) { m_LastPickPath = path; }
    SgTool *GetCurentTool() const { return m_pCurrentTool; }
    void SetCurentTool(SgTool *tool) { m_pCurrentTool = tool; }
    SgHandleEventAction *GetCurentAction() const { return m_pCurrentAction; }
    void SetCurentAction(SgHandleEventAction *action) { m_pCurrentAction = action; }

    // The filter that rewrites a path before it is selected; it is called
    // with the handler as its data. Null selects paths as given.
    PathCB GetPickFilterCB() const { return m_pfnPickFilter; }
    void SetPickFilterCB(PathCB cb);
    void SetStartCB(PathCB cb, void *data)
    {
        m_pfnStart = cb;
        m_pStartData = data;
    }
    void RemoveStartCB() { m_pfnStart = nullptr; }
    void SetFinishCB(PathCB cb, void *data)
    {
        m_pfnFinish = cb;
        m_pFinishData = data;
    }
    void RemoveFinishCB() { m_pfnFinish = nullptr; }
    void AddSelectionCB(MemberCB cb, int value)
    {
        m_pfnSelection = cb;
        m_iSelectionValue = value;
    }
    void AddDeselectionCB(MemberCB cb) { m_pfnDeselection = cb; }
    // Any number of listeners hear each object that is selected (a click's
    // or a program's), after its selection callback ran; none takes the
    // clicks from another. The token takes the listener off when it goes.
    [[nodiscard]] SgSubscription SubscribeClicks(ClickListener listener)
    {
        return m_clickListeners.Subscribe(std::move(listener));
    }
    int GetClickListenerCount() const { return m_clickListeners.GetCount(); }
    // The group inside which clicks pick the top-most object; null for the scene.
    SgNode *GetContextParent() const { return m_pContextParent.get(); }
    int GetTransformToolFrame() const { return m_iTransformToolFrame; }
    void SetTransformToolFrame(int frame) { m_iTransformToolFrame = frame; }
    SgNode *GetHeldManipulator() const { return m_pHeldManipulator.get(); }

    // ---- What navigation asks of the handler ---------------------------------------------
    PathFixup GetPathFixup() const override { return m_fixup; }
    void SetPathFixup(PathFixup fixup) override { m_fixup = std::move(fixup); }
    void ClearCurrentManipulator() override { m_pCurrentTool = nullptr; }
    void SetContextParent(SgObject *parent) override;

protected:
    ~SgSelectionHandler() override;

private:
    // The selection callback's default int: the move tool's class id, once
    // that class is registered.
    static int MoveToolClassID();
    void RunMember(MemberCB cb, SgPath &path, int a, int b);
    // Holds the nodes of the selected paths alive (see the header comment).
    void KeepSelectedAlive();
    // Open over each operation that may change the selection: the document
    // hears once, when the outermost one ends, if anything changed.
    class ChangeBatch {
    public:
        explicit ChangeBatch(SgSelectionHandler &handler) : m_handler(handler) { ++m_handler.m_iChangeDepth; }
        ChangeBatch(const ChangeBatch &) = delete;
        ChangeBatch &operator=(const ChangeBatch &) = delete;
        ~ChangeBatch();

    private:
        SgSelectionHandler &m_handler;
    };
    int m_iChangeDepth = 0;
    bool m_bSelectionChanged = false;
    bool m_bKeepAliveStale = false;

    bool m_bSubObjectState = false;
    SgPath m_EditedObject;
    AfterMoveCB m_pfnAfterMove = nullptr;
    void *m_pAfterMoveData = nullptr;
    Policy m_ePolicy = kByModifier;
    bool m_bCtrlDown = false;
    SgPathList m_SelectedPaths;
    SgPath m_FirstPickPath;
    SgPath m_LastPickPath;
    void *m_pStartData = nullptr;
    void *m_pFinishData = nullptr;
    SgTool *m_pCurrentTool = nullptr;
    SgHandleEventAction *m_pCurrentAction = nullptr;
    SgRef<SgMaterial> m_pMaterial;
    SgRef<SgDrawStyle> m_pDrawStyle;
    PathCB m_pfnPickFilter = &MostTopObject;
    PathFixup m_fixup;
    PathCB m_pfnStart = nullptr;
    PathCB m_pfnFinish = nullptr;
    MemberCB m_pfnSelection = &SgSelectionHandler::TransformTool;
    int m_iSelectionValue;
    MemberCB m_pfnDeselection = &SgSelectionHandler::RemoveTool;
    SgSubscribers<SgPath &, const char *> m_clickListeners;
    SgRef<SgNode> m_pContextParent;
    SgRef<SgNode> m_pHeldManipulator;
    int m_iTransformToolFrame = 0;
    std::vector<SgRef<SgNode>> m_keepAlive;
};
