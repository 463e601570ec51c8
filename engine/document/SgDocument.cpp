#include "engine/document/SgDocument.h"
#include "engine/document/SgDocumentFormulas.h"

#include "engine/core/SgDocumentLink.h"

#include <algorithm>
#include <new>
#include <set>

#include "engine/actions/SgFindAction.h"
#include "engine/core/SgField.h"
#include "engine/engines/lisp/Lisp.h"
#include "engine/core/SgFieldChange.h"
#include "engine/core/SgGroup.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/core/SgSeparator.h"
#include "engine/document/SgAnimationMngr.h"
#include "engine/document/SgCopy.h"
#include "engine/core/SgKeyPoint.h"
#include "engine/document/SgLayoutNode.h"
#include "engine/document/SgStorageManager.h"
#include "engine/document/SgUndoInfo.h"
#include "engine/nodes/geometry/SgGeometricShape.h"
#include "engine/nodes/properties/SgEnvironment.h"
#include "engine/nodes/properties/SgFont.h"
#include "engine/nodes/properties/SgLayers.h"
#include "engine/nodes/properties/SgMaterial.h"
#include "engine/nodes/properties/SgShapeHints.h"
#include "engine/handlers/SgEventHandler.h"
#include "engine/handlers/SgSelectionHandler.h"
#include "platform/SgError.h"
#include "utilities/math/Color.h"

namespace {
const char *const kRootName = "ROOT";
const char *const kLayersName = "Layers";
const char *const kFirstLayer = "Layer0";

// Exactly the name, nothing else (the everyday name search also takes class names).
class MatchName : public FindActionFunc {
public:
    explicit MatchName(const char *name) : m_name(name ? name : "") {}
    bool Match(SgNode *node) override { return node && node->GetName() == m_name; }

private:
    std::string m_name;
};

class MatchObject : public FindActionFunc {
public:
    bool Match(SgNode *node) override { return node && node->IsDerivedFrom(SgObject::ClassID()); }
};

bool IsEventHandler(SgNode *node)
{
    return node->IsDerivedFrom(SgEventHandler::ClassID());
}
} // namespace

// ---- Construction ---------------------------------------------------------------

SgDocument::SgDocument() = default;

void SgDocument::LinkObjectModel()
{
    SgDocumentLink::Calls calls;
    calls.isUndoRecording = [](const SgDocument *document) { return document->IsUndoRecording(); };
    calls.recordField = [](SgDocument *document, SgField *field, void *before, void *after,
                           SgDocumentLink::ReleaseFn release) {
        std::unique_ptr<void, SgDocumentLink::ReleaseFn> keepBefore(before, release);
        std::unique_ptr<void, SgDocumentLink::ReleaseFn> keepAfter(after, release);
        auto record = std::make_unique<SgUndoInfo>(SgUndoInfo::kField, field, before, after, release);
        keepBefore.release();
        keepAfter.release();
        document->AddUndoInfo(record.release());
    };
    calls.recordFieldChange = [](SgDocument *document, SgField *field, SgFieldChange *change) {
        std::unique_ptr<SgFieldChange> owned(change);
        document->AddUndoInfo(new SgUndoInfo(field, std::move(owned)));
    };
    calls.recordChild = [](SgDocument *document, bool added, SgNode *group, SgNode *child, SgNode *previous) {
        document->AddUndoInfo(new SgUndoInfo(added ? SgUndoInfo::kChildAdded : SgUndoInfo::kChildDeleted, group,
                                             child, previous));
    };
    calls.updateSceneManager = [](SgDocument *document, SgNode *node) { document->UpdateSceneManager(node); };
    calls.setUndoRecording = [](SgDocument *document, bool on) { document->SetUndoRecording(on); };
    calls.startKeyPoint = [](SgDocument *document) { return document->StartKeyPoint(); };
    calls.endKeyPoint = [](SgDocument *document) { document->EndKeyPoint(); };
    calls.currentLayer = [](const SgDocument *document) { return document->GetCurrentLayer(); };
    calls.selectionChanged = [](SgDocument *document) { document->NotifySelectionChanged(); };
    calls.nodeJoined = &SgBindFormulasToDocument;
    calls.shapeActionId = [](SgDocument *document, SgNode *shape) {
        const ShapeActionIdFn choose = document->GetShapeActionIdFunc();
        if (!choose || !shape || !shape->IsGeometricShape())
            return -1;
        return choose(static_cast<SgGeometricShape *>(shape), document->GetShapeActionIdData());
    };
    SgDocumentLink::Install(calls);
}

SgDocument::SgDocument(FullTag) : m_pStorage(std::make_unique<SgStorageManager>())
{
    m_bRecordUndo = false;

    SgRef<SgSeparator> root = new SgSeparator;
    root->SetRoot(true);
    root->SetName(kRootName);
    SetNodara(root.get());

    m_selectionHandler = new SgSelectionHandler;
    m_selectionHandler->SetDocumentHack(this);
    // Postponed: the handler is asked after everything else under the root,
    // so a manipulator inside an object and the running creation or fence
    // tool see a press first. Transform tools answer 0 on the press, so the
    // click still reaches the selection; a drag that starts on a gizmo makes
    // its tool the grabbing handler and keeps the following events.
    m_selectionHandler->SetPostponed(true);
    m_root->AddChild(m_selectionHandler.get());

    m_animationMngr = new SgAnimationMngr;
    m_animationMngr->SetDocumentHack(this);

    m_pCopy = std::make_unique<SgCopy>();
    m_pCopy->SetSelectionHandler(m_selectionHandler.get());

    SgRef<SgMaterial> material = new SgMaterial;
    const Color diffuse(0, 0.4, 1.0, 1.0);
    const Color specular(1, 1, 1, 1);
    const float shininess = 1.0f;
    material->m_diffuseColor.SetVals(1, &diffuse);
    material->m_specularColor.SetVals(1, &specular);
    material->m_ambientColor.SetVals(1, &diffuse);
    material->m_shininess.SetVals(1, &shininess);
    m_root->AddChild(material.get());

    m_root->AddChild(SgRef<SgEnvironment>(new SgEnvironment).get());

    SgRef<SgShapeHints> hints = new SgShapeHints;
    hints->m_shapeType = 1;
    m_root->AddChild(hints.get());

    m_layers = new SgLayers;
    m_layers->SetName(kLayersName);
    m_root->AddChildBefore(m_layers.get(), nullptr);
    AddLayer(CLayer{0, kFirstLayer});

    m_font = new SgFont;

    m_iCurrentLayer = 0;
    m_bRecordUndo = true;
    m_layout = std::make_unique<SgLayoutNode>();
    m_activeHandles[kMoveHandle] = 5;
    m_activeHandles[kTrackballHandle] = 2;
    m_activeHandles[kScaleHandle] = 6;
}

SgDocument *SgDocument::Create()
{
    try {
        return new SgDocument(FullTag{});
    } catch (const std::bad_alloc &) {
        return nullptr;
    } catch (const SgError &) {
        return nullptr;
    }
}

void SgDocument::Destroy(SgDocument *document)
{
    delete document;
}

SgDocument::~SgDocument()
{
    // Nothing done while the document goes away is an edit to remember.
    m_bRecordUndo = false;
    ResetUndo();
    m_selectedFields.clear();
    m_pCopy.reset();
    // Handlers keep the document they were given whatever graph they leave:
    // they are told explicitly.
    if (m_animationMngr)
        m_animationMngr->SetDocumentHack(nullptr);
    m_animationMngr.reset();
    m_pStorage.reset();
    DetachViewers();
    m_pActiveViewer = nullptr;
    // Nodes that the owner still holds must not call back into a dead document.
    if (m_root)
        m_root->ReleaseDocument();
    if (m_selectionHandler)
        m_selectionHandler->SetDocumentHack(nullptr);
    if (m_layers)
        m_layers->ReleaseDocument();
    m_root.reset();
    m_selectionHandler.reset();
    m_layers.reset();
    m_font.reset();
    m_unviewedTrees.clear();
    // What the scene's formulas kept goes with the document, also when
    // nodes of it live on elsewhere.
    LispCloseContext(m_lispContext);
}

const std::shared_ptr<LispState> &SgDocument::GetLispContext()
{
    if (!m_lispContext)
        m_lispContext = LispNewContext(kLispDocumentHeapLimit);
    return m_lispContext;
}

void SgDocument::SetNodara(SgSeparator *root)
{
    // Installing a scene is no edit; recording stays off until the owner
    // switches it on again (the full document's constructor does).
    m_bRecordUndo = false;
    if (root == m_root.get())
        return;
    if (m_root)
        m_root->ReleaseDocument();
    m_root = root;
    if (m_root)
        m_root->SetDocument(this);
    NotifySceneChanged();
}

// ---- What the object model calls -----------------------------------------------

void SgDocument::AddUndoInfo(SgUndoInfo *info)
{
    std::unique_ptr<SgUndoInfo> record(info);
    if (!record || !m_bRecordUndo)
        return;
    DropRedo();
    record->SetOrigin(m_iUndoOrigin);
    if (const OpenKeyPoint *open = FindOpenKeyPoint(m_iUndoOrigin)) {
        const int number = open->number;
        record->SetKeyPoint(number);
        if (record->GetType() == SgUndoInfo::kField) {
            // Records of one key point stand together at the end of the list.
            for (int i = static_cast<int>(m_undo.size()) - 1; i >= 0; --i) {
                SgUndoInfo &older = *m_undo[i];
                if (older.GetKeyPoint() != number)
                    break;
                if (older.GetType() == SgUndoInfo::kField && older.GetField() == record->GetField()) {
                    // A change of part of a value is replayed on the value
                    // as it stood then: it stays its own step in order.
                    if (!older.HoldsWholeValues() || !record->HoldsWholeValues())
                        break;
                    older.TakeAfter(*record);
                    return;
                }
            }
        }
    }
    const bool startsStep = m_undo.empty() || record->GetKeyPoint() == 0 ||
                            record->GetKeyPoint() != m_undo.back()->GetKeyPoint();
    m_undo.push_back(std::move(record));
    m_iUndoCursor = static_cast<int>(m_undo.size()) - 1;
    // Once per step, not per record: a step of many records is counted once.
    if (startsStep)
        TrimUndo();
}

void SgDocument::SetUndoLevels(int levels)
{
    m_iUndoLevels = levels > 0 ? levels : 0;
    TrimUndo();
}

void SgDocument::TrimUndo()
{
    if (m_iUndoLevels <= 0 || static_cast<int>(m_undo.size()) <= m_iUndoLevels || m_iUndoCursor < 0)
        return;
    // The start of the oldest step that stays: the undo steps are counted
    // back from the cursor (a step is one record, or the records of one key
    // point); a redo part after the cursor is dropped whenever a step is
    // added, so it is never longer than the list.
    int steps = 0;
    int cut = 0;
    for (int i = m_iUndoCursor; i >= 0; --i) {
        const int keyPoint = m_undo[i]->GetKeyPoint();
        const bool first = i == 0 || keyPoint == 0 || m_undo[i - 1]->GetKeyPoint() != keyPoint;
        if (first && ++steps == m_iUndoLevels) {
            cut = i;
            break;
        }
    }
    // A dialog still open may yet take back what it did: its records, and
    // every later one its taking back is weighed against, stay until it
    // closes (JoinOrigin and TakeBackOrigin trim again).
    for (int i = 0; i < cut; ++i)
        if (m_undo[i]->GetOrigin() != kWindowOrigin) {
            cut = i;
            break;
        }
    if (cut <= 0)
        return;
    // Taken out of the list before they go, as DropRedo does.
    std::vector<std::unique_ptr<SgUndoInfo>> dropped(std::make_move_iterator(m_undo.begin()),
                                                     std::make_move_iterator(m_undo.begin() + cut));
    m_undo.erase(m_undo.begin(), m_undo.begin() + cut);
    m_iUndoCursor -= cut;
    SgUndoRecordingPause pause(this);
    dropped.clear();
}


// ---- Undo and redo -----------------------------------------------------------------

SgDocument::OpenKeyPoint *SgDocument::FindOpenKeyPoint(int origin)
{
    for (OpenKeyPoint &open : m_openKeyPoints)
        if (open.origin == origin)
            return &open;
    return nullptr;
}

const SgDocument::OpenKeyPoint *SgDocument::FindOpenKeyPoint(int origin) const
{
    for (const OpenKeyPoint &open : m_openKeyPoints)
        if (open.origin == origin)
            return &open;
    return nullptr;
}

bool SgDocument::IsInKeyPoint() const
{
    return FindOpenKeyPoint(m_iUndoOrigin) != nullptr;
}

int SgDocument::StartKeyPoint()
{
    if (!m_bRecordUndo)
        return -1;
    if (OpenKeyPoint *open = FindOpenKeyPoint(m_iUndoOrigin)) {
        ++open->depth;
        return open->number;
    }
    m_openKeyPoints.push_back({m_iUndoOrigin, ++m_iKeyPointCounter, 1});
    return m_iKeyPointCounter;
}

void SgDocument::EndKeyPoint()
{
    OpenKeyPoint *open = FindOpenKeyPoint(m_iUndoOrigin);
    if (open && --open->depth == 0)
        m_openKeyPoints.erase(m_openKeyPoints.begin() + (open - m_openKeyPoints.data()));
}

void SgDocument::ApplyRecord(SgUndoInfo &record, bool forward)
{
    SgUndoRecordingPause pause(this);
    if (forward)
        record.Redo();
    else
        record.Undo();
}

void SgDocument::Undo()
{
    while (m_iUndoCursor >= 0 && m_iUndoCursor < static_cast<int>(m_undo.size())) {
        SgUndoInfo &record = *m_undo[m_iUndoCursor];
        --m_iUndoCursor;
        ApplyRecord(record, false);
        const int keyPoint = record.GetKeyPoint();
        if (keyPoint == 0 || m_iUndoCursor < 0 || m_undo[m_iUndoCursor]->GetKeyPoint() != keyPoint)
            break;
    }
}

void SgDocument::Redo()
{
    if (!IsRedoStackNonEmpty())
        return;
    SgUndoInfo &first = *m_undo[++m_iUndoCursor];
    ApplyRecord(first, true);
    const int keyPoint = first.GetKeyPoint();
    if (keyPoint == 0)
        return;
    while (IsRedoStackNonEmpty() && m_undo[m_iUndoCursor + 1]->GetKeyPoint() == keyPoint)
        ApplyRecord(*m_undo[++m_iUndoCursor], true);
}

bool SgDocument::IsUndoStackNonEmpty() const
{
    return m_iUndoCursor >= 0 && m_iUndoCursor < static_cast<int>(m_undo.size());
}

bool SgDocument::IsRedoStackNonEmpty() const
{
    return m_iUndoCursor + 1 < static_cast<int>(m_undo.size());
}

void SgDocument::DropRedo()
{
    if (!IsRedoStackNonEmpty())
        return;
    // Taken out of the list before they go: a dying record may release the
    // last reference of a subtree, and nothing may reach the list meanwhile.
    std::vector<std::unique_ptr<SgUndoInfo>> dropped;
    while (static_cast<int>(m_undo.size()) > m_iUndoCursor + 1) {
        dropped.push_back(std::move(m_undo.back()));
        m_undo.pop_back();
    }
    SgUndoRecordingPause pause(this);
    dropped.clear();
}

void SgDocument::RevertToLastKeyPoint(int keyPoint)
{
    if (IsUndoStackNonEmpty() && m_undo[m_iUndoCursor]->GetKeyPoint() == keyPoint)
        Undo();
    DropRedo();
}

void SgDocument::ResetUndo()
{
    std::vector<std::unique_ptr<SgUndoInfo>> dropped = std::move(m_undo);
    m_undo.clear();
    m_iUndoCursor = -1;
    m_iKeyPointCounter = 0;
    m_openKeyPoints.clear();
    SgUndoRecordingPause pause(this);
    while (!dropped.empty())
        dropped.pop_back();
}

const SgUndoInfo *SgDocument::GetUndoInfo(int index) const
{
    return index >= 0 && index < static_cast<int>(m_undo.size()) ? m_undo[index].get() : nullptr;
}

// ---- Scene ----------------------------------------------------------------------------

SgNode *SgDocument::FindNode(const char *name, SgNode *start)
{
    SgNode *from = start ? start : m_root.get();
    if (!name || !from)
        return nullptr;
    MatchName match(name);
    SgFindAction find(&match);
    find.Apply(from);
    return find.m_Found.empty() ? nullptr : find.m_Found.front();
}

SgField *SgDocument::FindField(SgGroup *group, const char *nodeName, const char *fieldName)
{
    SgNode *node = FindNode(nodeName, group);
    return node && fieldName ? node->GetFieldAddressByName(fieldName) : nullptr;
}

void SgDocument::ClearScene(bool keepLayers)
{
    if (m_root) {
        const std::vector<SgNode *> children = m_root->GetChildList();
        for (SgNode *child : children) {
            if (IsEventHandler(child))
                continue;
            if (keepLayers && child->IsDerivedFrom(SgLayers::ClassID()))
                continue;
            // A table that left the scene is no longer the document's: the
            // next one is found (or made) by EnsureLayersNode.
            if (child == m_layers.get())
                m_layers.reset();
            m_root->DeleteChild(child);
        }
    }
    if (m_animationMngr)
        m_animationMngr->GetScenario().Clear(true);
    NotifySceneChanged();
}

int SgDocument::RemoveChild(SgGroup *group, SgNode *node)
{
    if (group && node) {
        if (group->IndexOf(node) < 0)
            return 0;
        return group->DeleteChild(node);
    }
    if (group) {
        const int count = group->GetOwnChildCount();
        group->Clear();
        return count;
    }
    if (node) {
        int removed = 0;
        // Held for the loop: the last removal may release the node.
        SgRef<SgNode> keep(node);
        const std::vector<SgNode *> fathers = node->GetFatherList();
        for (SgNode *father : fathers) {
            if (!father->IsGroup())
                continue;
            auto *parent = static_cast<SgGroup *>(father);
            while (parent->IndexOf(node) >= 0 && parent->DeleteChild(node))
                ++removed;
        }
        return removed;
    }
    ClearScene(true);
    return 1;
}

void SgDocument::Refresh(int)
{
    if (m_root)
        m_root->NotifyFathers(m_root.get());
    // The view scenes' own refresh follows once viewers draw them.
}

// ---- Layers ------------------------------------------------------------------------------

SgLayers *SgDocument::EnsureLayersNode()
{
    if (!m_root)
        return m_layers.get();
    SgNode *found = FindNode(kLayersName, m_root.get());
    if (!found || !found->IsDerivedFrom(SgLayers::ClassID())) {
        // A file's table may carry a name of its own; it is still the table.
        found = nullptr;
        for (SgNode *child : m_root->GetChildList()) {
            if (child->IsDerivedFrom(SgLayers::ClassID())) {
                found = child;
                break;
            }
        }
    }
    if (found) {
        m_layers = static_cast<SgLayers *>(found);
        return m_layers.get();
    }
    m_layers = new SgLayers;
    m_layers->SetName(kLayersName);
    m_root->AddChildBefore(m_layers.get(), nullptr);
    AddLayer(CLayer{0, kFirstLayer});
    return m_layers.get();
}

int SgDocument::AddLayer(const CLayer &layer)
{
    if (!m_layers)
        return -1;
    SgKeyPoint keyPoint(this);
    const int existing = m_layers->FindLayer(layer.name);
    if (existing >= 0)
        return existing;
    const int index = m_layers->AddLayer(layer.name);
    m_iLastAddedLayers = m_layers->GetLayerCount();
    return index;
}

void SgDocument::DeleteLayer(int index)
{
    if (!m_layers || index < 0 || index >= m_layers->GetLayerCount())
        return;
    if (m_iCurrentLayer >= index && m_iCurrentLayer > 0)
        --m_iCurrentLayer;
    SgKeyPoint keyPoint(this);
    m_layers->DeleteLayer(index);
    if (!m_root)
        return;
    MatchObject match;
    SgFindAction find(&match);
    find.m_bFirstOnly = false;
    find.Apply(m_root.get());
    // A node shared in several places is found once per place but moves once.
    std::set<SgNode *> moved;
    for (SgNode *node : find.m_Found) {
        if (!moved.insert(node).second)
            continue;
        auto *object = static_cast<SgObject *>(node);
        const int layer = object->m_layer.Get(false);
        if (layer == index)
            object->m_layer = 0;
        else if (layer > index)
            object->m_layer = layer - 1;
    }
}

int SgDocument::GetLayerCount() const
{
    return m_layers ? m_layers->GetLayerCount() : 0;
}

const std::string &SgDocument::GetLayerName(int index) const
{
    if (!m_layers)
        throw SgInvalidArgument();
    return m_layers->GetLayerName(index);
}

int SgDocument::GetLayerFlags(int index) const
{
    if (!m_layers)
        throw SgInvalidArgument();
    return m_layers->GetLayerFlags(index);
}

void SgDocument::SetLayerName(int index, const char *name)
{
    if (!m_layers)
        throw SgInvalidArgument();
    m_layers->SetLayerName(index, name ? name : "");
}

void SgDocument::SetLayerFlags(int index, int flags)
{
    if (!m_layers)
        throw SgInvalidArgument();
    m_layers->SetLayerFlags(index, flags);
}

void SgDocument::SetLayerFlag(int layer, int bits, int on)
{
    if (!m_layers)
        throw SgInvalidArgument();
    m_layers->SetLayerFlag(layer, bits, on != 0);
}

// ---- Selection and selected fields -------------------------------------------------

SgPathList *SgDocument::GetSelectionList() const
{
    return m_selectionHandler ? &m_selectionHandler->GetPathList() : nullptr;
}

void SgDocument::DeselectAll()
{
    if (m_selectionHandler)
        m_selectionHandler->DeselectAll();
}

void SgDocument::AddToSelectedFieldsList(SgField *field, int value)
{
    if (!field)
        return;
    SelectedField entry;
    entry.field = field;
    entry.value = value;
    if (SgFieldMngr *container = field->GetContainer(); container && container->GetRefCount() > 0)
        entry.keep = container;
    m_selectedFields.push_back(std::move(entry));
}

void SgDocument::ClearSelectedFields()
{
    m_selectedFields.clear();
}

// ---- Viewers ------------------------------------------------------------------------------

SgViewer *SgDocument::GetViewer(int index) const
{
    if (index < 0 || index >= static_cast<int>(m_viewers.size()))
        throw SgInvalidArgument();
    return m_viewers[index];
}

void SgDocument::SetActiveViewer(SgViewer *viewer)
{
    if (viewer == m_pActiveViewer)
        return;
    m_pActiveViewer = viewer;
    NotifyViewerChanged();
}

bool SgDocument::AddViewer(SgViewer *viewer)
{
    if (!viewer || std::find(m_viewers.begin(), m_viewers.end(), viewer) != m_viewers.end())
        return false;
    m_viewers.push_back(viewer);
    if (!m_pActiveViewer)
        m_pActiveViewer = viewer;
    return true;
}

bool SgDocument::RemoveViewer(SgViewer *viewer)
{
    auto it = std::find(m_viewers.begin(), m_viewers.end(), viewer);
    if (it == m_viewers.end())
        return false;
    m_viewers.erase(it);
    if (m_pActiveViewer == viewer)
        m_pActiveViewer = m_viewers.empty() ? nullptr : m_viewers.front();
    return true;
}


void SgDocument::EnumViewers(ViewerVisitor visit, void *user) const
{
    if (!visit)
        return;
    const std::vector<SgViewer *> viewers = m_viewers;
    for (SgViewer *viewer : viewers)
        visit(viewer, user);
}


// ---- Layout, callbacks, handles -------------------------------------------------------

void SgDocument::ResetLayout()
{
    m_layout = std::make_unique<SgLayoutNode>();
}

SgTextureManager *SgDocument::GetTextureMngr() const
{
    return m_pfnTextureMngr ? m_pfnTextureMngr(m_pContext, 1) : nullptr;
}

void SgDocument::SetLayoutCallbacks(LayoutFn before, LayoutFn after, void *context)
{
    m_pfnLayoutBefore = before;
    m_pfnLayoutAfter = after;
    m_pLayoutContext = context;
}

namespace {

SgDocumentEventKind ToolEventKind(int slot)
{
    switch (slot) {
    case 0:
        return SgDocumentEventKind::kToolStarted;
    case 1:
        return SgDocumentEventKind::kToolFinished;
    default:
        return SgDocumentEventKind::kToolNotice;
    }
}

} // namespace

void SgDocument::SetToolNotify(int slot, ToolNotifyFn fn)
{
    if (slot < 0 || slot >= kToolNotifySlots)
        return;
    m_toolNotify[slot] = fn;
    m_toolNotifyTokens[slot].Reset();
    if (!fn)
        return;
    m_toolNotifyTokens[slot] = m_events.Subscribe(ToolEventKind(slot), [fn, slot](const SgDocumentEvent &event) {
        if (event.slot == slot)
            fn(event.document, event.code, event.tool);
    });
}

SgDocument::ToolNotifyFn SgDocument::GetToolNotify(int slot) const
{
    return slot >= 0 && slot < kToolNotifySlots ? m_toolNotify[slot] : nullptr;
}

void SgDocument::NotifyTool(int slot, int code, void *tool)
{
    SgDocumentEvent event;
    event.kind = ToolEventKind(slot);
    event.document = this;
    event.tool = tool;
    event.code = code;
    event.slot = slot;
    m_events.Publish(event);
}

void SgDocument::SetViewerChangedCallback(ViewerChangedFn fn)
{
    m_pfnViewerChanged = fn;
    m_viewerChangedToken.Reset();
    if (fn)
        m_viewerChangedToken = m_events.Subscribe(SgDocumentEventKind::kViewerChanged,
                                                  [fn](const SgDocumentEvent &event) { fn(event.document->GetContext()); });
}

void SgDocument::NotifyViewerChanged()
{
    SgDocumentEvent event;
    event.kind = SgDocumentEventKind::kViewerChanged;
    event.document = this;
    event.viewer = m_pActiveViewer;
    m_events.Publish(event);
}

void SgDocument::NotifySelectionChanged()
{
    SgDocumentEvent event;
    event.kind = SgDocumentEventKind::kSelectionChanged;
    event.document = this;
    m_events.Publish(event);
}

void SgDocument::NotifySceneChanged(SgNode *node)
{
    SgDocumentEvent event;
    event.kind = SgDocumentEventKind::kSceneChanged;
    event.document = this;
    event.node = node;
    m_events.Publish(event);
}

void SgDocument::NotifyCustomEvent(const std::string &text, int value)
{
    SgDocumentEvent event;
    event.kind = SgDocumentEventKind::kCustomEvent;
    event.document = this;
    event.text = text.c_str();
    event.code = value;
    m_events.Publish(event);
}

void SgDocument::SetFieldEditCallback(FieldEditFn fn)
{
    m_pfnFieldEdit = fn;
    m_fieldEditToken.Reset();
    if (fn)
        m_fieldEditToken = m_events.Subscribe(SgDocumentEventKind::kFieldEdited, [fn](const SgDocumentEvent &event) {
            const SgFieldEdit &edit = *event.edit;
            fn(event.document, edit.values, edit.valueCount, edit.kind, edit.fieldCount, edit.fields, edit.index,
               edit.mode);
        });
}

void SgDocument::ReportFieldEdit(const double *values, int valueCount, int kind, int fieldCount,
                                 SgField *const *fields, int index, int mode)
{
    const SgFieldEdit edit{values, valueCount, kind, fieldCount, fields, index, mode};
    SgDocumentEvent event;
    event.kind = SgDocumentEventKind::kFieldEdited;
    event.document = this;
    event.edit = &edit;
    m_events.Publish(event);
}

int SgDocument::GetActiveHandle(int kind) const
{
    return kind >= 0 && kind < kHandleKinds ? m_activeHandles[kind] : -1;
}

void SgDocument::SetActiveHandle(int kind, int handle)
{
    if (kind >= 0 && kind < kHandleKinds)
        m_activeHandles[kind] = handle;
}
