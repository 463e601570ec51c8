#include "engine/actions/SgSaveAction.h"
#include "engine/core/SgModifier.h"

#include <ostream>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "engine/actions/Vrml1Format.h"
#include "engine/actions/Vrml1InStream.h"
#include "engine/actions/Vrml1Stream.h"
#include "engine/core/DxModule.h"
#include "engine/core/FieldModule.h"
#include "engine/core/SgField.h"
#include "engine/core/SgFieldMngr.h"
#include "engine/core/SgGizmoGroup.h"
#include "engine/core/SgGroup.h"
#include "engine/core/SgSeparator.h"
#include "engine/core/SgTField.h"
#include "engine/core/SgVecField.h"
#include "engine/nodes/geometry/SgFaceSet.h"
#include "engine/nodes/geometry/SgGeometricShape.h"
#include "engine/nodes/properties/SgCamera.h"
#include "engine/nodes/helpers/SgGrid.h"
#include "platform/SgError.h"

SG_ACTION_SOURCE(SgSaveAction, "SgSaveAction")

namespace {

// Names of classes that the writer passes over: editing machinery that lives
// in the graph but is no part of the scene. Looked up by name because their
// libraries register them, when at all, after this action.
const char *const kUnwrittenClasses[] = {"SgManipulator", "SgAxis", "SgEventHandler"};

// The camera block lists these first, in this order; perspective cameras give
// their height first, orthographic ones their height angle.
const char *const kCameraFieldsPerspective[] = {"position", "orientation", "farDistance", "nearDistance",
                                                 "height",   "heightAngle", "aspectRatio", "targetDistance"};
const char *const kCameraFieldsOrthographic[] = {"position", "orientation", "farDistance", "nearDistance",
                                                  "heightAngle", "height",  "aspectRatio", "targetDistance"};

// Fields whose value has no text that reads back: never written, so that the
// reader never takes the next line for their value.
bool HasNoText(SgField *field)
{
    const int type = field->GetTypeId();
    if (type == SgFieldR3FuncRef)
        return true;
    return field->IsVector() && type == SgFieldNodePtr;
}

// The modifier a gizmo group is written as (the rest of the group is the
// editor's gizmo geometry, built again when the gizmo is asked for).
SgNode *GizmoGroupModifier(SgNode *group)
{
    const int modifierId = SgModifier::ClassID();
    auto *asGroup = dynamic_cast<SgGroup *>(group);
    return asGroup && modifierId ? asGroup->FindFirstNode(modifierId, {}, nullptr, true) : nullptr;
}

// Whether the text leaves the node out as gizmo geometry: every way up from
// it ends beside the modifier of a gizmo group. depth bounds the walk over
// node references that lead in a circle.
bool IsGizmoGeometry(SgNode *node, int depth = 0)
{
    const std::vector<SgNode *> &fathers = node->GetFatherList();
    if (fathers.empty() || depth > 32)
        return false;
    for (SgNode *father : fathers) {
        if (father->GetClassID() == SgGizmoGroup::ClassID()) {
            if (node == GizmoGroupModifier(father))
                return false;
        } else if (!IsGizmoGeometry(father, depth + 1)) {
            return false;
        }
    }
    return true;
}

// Whether some way up from `from` reaches the node the text is written from
// or a scene root. A father that reaches neither belongs to nothing the text
// holds: an undone step kept for Redo, say, still holding its profile. Past a
// bound the walk gives up and counts the father, which only costs a name.
bool SaveReachesWrittenTop(SgNode *from, const SgNode *top, const std::unordered_set<const SgNode *> &also)
{
    constexpr size_t kMostNodesWalked = 4096;
    std::vector<SgNode *> work{from};
    std::unordered_set<const SgNode *> seen{from};
    while (!work.empty()) {
        SgNode *node = work.back();
        work.pop_back();
        if (node == top || node->IsRoot() || also.count(node))
            return true;
        for (SgNode *father : node->GetFatherList()) {
            if (!seen.insert(father).second)
                continue;
            if (seen.size() > kMostNodesWalked)
                return true;
            work.push_back(father);
        }
    }
    return false;
}

// Whether the node is met more than once in the text: its fathers that the
// text leaves out (a gizmo's wire box holding the modifier's gizmo
// transform, the gizmo's control of the modifier, whatever lies outside the
// graph being written) do not count.
bool SharedInText(SgNode *node, const SgNode *top, const std::unordered_set<const SgNode *> &also)
{
    const std::vector<SgNode *> &fathers = node->GetFatherList();
    if (fathers.size() < 2)
        return false;
    int written = 0;
    for (SgNode *father : fathers) {
        const bool left = father->GetClassID() == SgGizmoGroup::ClassID() ? node != GizmoGroupModifier(father)
                                                                            : IsGizmoGeometry(father);
        if (!left && SaveReachesWrittenTop(father, top, also) && ++written > 1)
            return true;
    }
    return false;
}

// A null function reference writes nothing of its own; the word that names
// no function class stands for it.
bool IsNullFunction(SgField *field)
{
    if (field->IsVector())
        return false;
    if (auto *f1 = dynamic_cast<SgFR1FuncRef *>(field))
        return !f1->Get(true).get();
    if (auto *f2 = dynamic_cast<SgFR2FuncRef *>(field))
        return !f2->Get(true).get();
    return false;
}

// True when one of the node's own fields leads straight back to it: a
// node-pointer field holding it, or a field driven by another of its fields.
// True when the block written for `node` refers to the node from inside:
// through a field that points at it or is driven by it, directly or through
// what the block writes inline (the sources of its connections, the nodes of
// its node fields, its children), which may lead back round a loop of any
// length. A node already written stands there as a USE and leads nowhere.
bool RefersToItself(SgNode *node, const std::unordered_map<const SgFieldMngr *, NodeID> &written)
{
    std::vector<SgFieldMngr *> pending{node};
    std::unordered_set<const SgFieldMngr *> seen{node};
    bool found = false;
    auto reach = [&](SgFieldMngr *next) {
        if (!next || found)
            return;
        if (next == node) {
            found = true;
            return;
        }
        if (!written.count(next) && seen.insert(next).second)
            pending.push_back(next);
    };
    while (!pending.empty() && !found) {
        SgFieldMngr *container = pending.back();
        pending.pop_back();
        const int count = container->GetFieldsCount();
        for (int i = 0; i < count && !found; ++i) {
            SgField *field = container->GetFieldAddress(i);
            if (!field)
                continue;
            if (!field->IsVector() && field->GetTypeId() == SgFieldNodePtr)
                reach(static_cast<SgFNodePtr *>(field)->Get(true).get());
            DxOutBase *source = field->GetModuleSource();
            DxModule *module = source ? source->GetModule() : nullptr;
            if (!module)
                continue;
            if (module->GetModuleKind() == DxModule::kField) {
                auto *fieldModule = dynamic_cast<GeneicFieldModule *>(module);
                SgField *sourceField = fieldModule ? fieldModule->GetFieldContainer() : nullptr;
                reach(sourceField ? sourceField->GetContainer() : nullptr);
            } else if (module->GetModuleKind() == DxModule::kEngine) {
                reach(dynamic_cast<SgFieldMngr *>(module));
            }
        }
        if (!container->IsNode())
            continue;
        auto *inner = static_cast<SgNode *>(container);
        if (inner->IsGroup() && !inner->IsBuiltinMacro()) {
            for (int i = 0; i < inner->GetNumChildren() && !found; ++i)
                reach(inner->GetChild(i));
        }
        if (auto *shape = inner->IsGeometricShape() ? dynamic_cast<SgGeometricShape *>(inner) : nullptr)
            reach(shape->GetSeparator());
    }
    return found;
}

// Plain cameras are written as camera blocks; taken at start-up, or on first
// use when the camera class registered later.
int s_iCameraClassID = 0;

int CameraClassID()
{
    if (!s_iCameraClassID)
        s_iCameraClassID = SgCamera::ClassID();
    return s_iCameraClassID;
}

} // namespace

void SgSaveAction::InitClass()
{
    if (!RegisterActionClass(s_iClassID, s_lpszClassName, &Creator, s_pfnMethodsMap))
        return;
    SetVisitor(s_pfnMethodsMap, SgNode::ClassID(), VisitGeneric);
    SetVisitor(s_pfnMethodsMap, SgGizmoGroup::ClassID(), VisitGizmoGroup);
    SetVisitor(s_pfnMethodsMap, SgGrid::ClassID(), VisitGeneric);
    SetVisitorByName(s_pfnMethodsMap, "SgParametricModel", VisitParametric);
    SetVisitorByName(s_pfnMethodsMap, "SgParametricObject", VisitParametric);
    if (const int camera = CameraClassID())
        SetVisitor(s_pfnMethodsMap, camera, VisitCamera);
    for (const char *name : kUnwrittenClasses)
        SetVisitorByName(s_pfnMethodsMap, name, VisitNothing);
    BuildVisitorsMap_(s_iClassID);
}

SgSaveAction::SgSaveAction(bool skipRoots) : m_bSkipRoots(skipRoots) {}

SgSaveAction::~SgSaveAction() = default;

void SgSaveAction::WriteHeader(int version)
{
    if (!m_pStream)
        throw SgStateError("SgSaveAction: no stream to write the header to");
    *m_pStream << Vrml1Format::kHeaderPrefix << version << '\n';
}

NodeID SgSaveAction::GetWrittenID(const SgNode *node) const
{
    auto found = m_mapWritten.find(node);
    return found == m_mapWritten.end() ? NodeID() : found->second;
}

SgSaveAction::BlockScope::BlockScope(SgSaveAction &action, const SgFieldMngr *container, int levels)
    : m_action(action), m_container(container), m_levels(levels)
{
    // The reader refuses text nested deeper than this (a "DEF" prefix counts
    // as a level of its own there); such a graph, or one that holds itself
    // through its node-pointer fields, is refused here rather than written
    // into a file that cannot be read back.
    if (m_action.m_nDepth + levels > Vrml1InStream::kMaxNesting)
        throw SgError("SgSaveAction: the graph is nested deeper than " +
                      std::to_string(Vrml1InStream::kMaxNesting) + " levels and cannot be written");
    m_action.m_nDepth += levels;
    m_action.m_inProgress.insert(container);
}

SgSaveAction::BlockScope::~BlockScope()
{
    m_action.m_nDepth -= m_levels;
    m_action.m_inProgress.erase(m_container);
}

void SgSaveAction::WriteNodeName(Vrml1Stream &stream, SgNode *node)
{
    if (!node || node->GetName().empty())
        return;
    stream << "NodeName\t";
    Vrml1Format::WriteQuoted(stream.getStream(), node->GetName());
    stream << '\n';
}

// --- Visitors -----------------------------------------------------------------

void SgSaveAction::VisitGeneric(SgAction *action, SgNode *node)
{
    static_cast<SgSaveAction *>(action)->WriteNodeBlock(node, false);
}

namespace {
SgSaveAction::ParametricWriter s_parametricWriter = nullptr;
} // namespace

void SgSaveAction::SetParametricWriter(ParametricWriter writer)
{
    s_parametricWriter = writer;
}

void SgSaveAction::VisitParametric(SgAction *action, SgNode *node)
{
    auto *self = static_cast<SgSaveAction *>(action);
    if (!s_parametricWriter) {
        self->WriteNodeBlock(node, false);
        return;
    }
    if (!self->m_pStream)
        throw SgStateError("SgSaveAction: no stream to write to");
    if (!self->IsWritable(node))
        return;
    BlockScope scope(*self, node, 2);
    s_parametricWriter(self, node);
}

void SgSaveAction::WriteChildren(SgNode *node)
{
    if (auto *group = dynamic_cast<SgGroup *>(node))
        group->SgGroup::DoAction(this);
}

void SgSaveAction::VisitCamera(SgAction *action, SgNode *node)
{
    auto *self = static_cast<SgSaveAction *>(action);
    if (node->GetClassID() == CameraClassID())
        self->WriteCameraBlock(node, false);
    else
        self->WriteNodeBlock(node, false);
}

void SgSaveAction::VisitGizmoGroup(SgAction *action, SgNode *node)
{
    if (SgNode *modifier = GizmoGroupModifier(node))
        static_cast<SgSaveAction *>(action)->WriteNodeBlock(modifier, false);
}

// --- Blocks ---------------------------------------------------------------------

bool SgSaveAction::IsWritable(SgNode *node) const
{
    if (!node)
        return false;
    if (m_bSkipRoots && node->IsRoot())
        return false;
    // Tools and handlers are editing state, never scene content.
    if (node->IsTool())
        return false;
    const unsigned offset = static_cast<unsigned>(node->GetClassID() - kFirstNodeClassID);
    if (offset < static_cast<unsigned>(kVisitorTableSize) && s_pfnMethodsMap[offset] == VisitNothing)
        return false;
    return true;
}

bool SgSaveAction::WriteDefUse(SgNode *node, bool mustName)
{
    Vrml1Stream &out = *m_pStream;
    // Whatever made the node need a name the first time, once it is in the
    // text under a name every later meeting refers to that block.
    auto written = m_mapWritten.find(node);
    if (written != m_mapWritten.end()) {
        out << "USE " << written->second << ' ';
        return false;
    }
    const SgNode *top = m_CurrentPath.GetCount() > 0 ? m_CurrentPath.GetNodes().front() : node;
    const bool needsName = mustName || SharedInText(node, top, m_alsoWritten) || node->IsConnected();
    if (!needsName)
        return true;
    // A node copied from another, or a file read in twice, carries an id that
    // another node of this graph may already have been written under: the
    // later one takes a new id of its own (and keeps it, so that everything
    // that names it by id afterwards names the right node).
    NodeID &id = node->GetID();
    for (int attempt = 0; id.IsNull() || m_idsWritten.count(id); ++attempt) {
        if (attempt > 1000000)
            throw SgError("SgSaveAction: no free persistent id for a shared node");
        node->AssignID();
    }
    m_mapWritten.emplace(node, id);
    m_idsWritten.emplace(id, node);
    out << "DEF " << id << ' ';
    return true;
}

SgFieldMngr *SgSaveAction::FreshOfClass(int classId)
{
    auto found = m_fresh.find(classId);
    if (found != m_fresh.end())
        return found->second.get();
    SgRef<SgFieldMngr> fresh(SgFieldMngr::Create(classId));
    SgFieldMngr *raw = fresh.get();
    m_fresh.emplace(classId, std::move(fresh));
    return raw;
}

void SgSaveAction::WriteContainer(SgFieldMngr *container)
{
    if (!container)
        return;
    if (container->IsNode()) {
        WriteNodeBlock(static_cast<SgNode *>(container), false);
        return;
    }
    if (!m_pStream)
        throw SgStateError("SgSaveAction: no stream to write to");
    BlockScope scope(*this, container, 1);
    *m_pStream << Vrml1Format::KeywordForContainer(container) << " {\n";
    WriteFields(container);
    *m_pStream << "}\n";
}

void SgSaveAction::WriteNodeBlock(SgNode *node, bool mustName)
{
    if (!m_pStream)
        throw SgStateError("SgSaveAction: no stream to write to");
    if (!IsWritable(node))
        return;
    if (node->GetClassID() == CameraClassID()) {
        WriteCameraBlock(node, mustName);
        return;
    }
    auto *shape = node->IsGeometricShape() ? dynamic_cast<SgGeometricShape *>(node) : nullptr;
    if (shape && m_nExportCaches > 0) {
        // Exported for other programs: the built mesh stands for the shape.
        if (SgShape *result = shape->GetResultCache()) {
            Traverse(result);
            return;
        }
    }
    const size_t named = m_mapWritten.size();
    if (!WriteDefUse(node, mustName))
        return;
    const bool defined = m_mapWritten.size() > named;
    BlockScope scope(*this, node, defined ? 2 : 1);
    Vrml1Stream &out = *m_pStream;
    out << Vrml1Format::KeywordForContainer(node) << " {\n";
    // The name after "DEF" is known to the reader only once the block is
    // done; a reference to the node from inside its own block needs the id
    // line at the top.
    if (defined && RefersToItself(node, m_mapWritten))
        out << "NodeID " << node->GetID() << '\n';
    WriteNodeName(out, node);
    WriteFields(node);
    if (shape && !node->IsBuiltinMacro()) {
        if (SgSeparator *separator = shape->GetSeparator())
            WriteNodeBlock(separator, false);
    } else if (shape) {
        WriteAddedToPrimitive(shape);
    }
    if (node->IsGroup() && !node->IsBuiltinMacro()) {
        // Every child, whatever a switch has chosen or the node's own
        // traversal would visit: the file holds the whole content.
        if (auto *group = dynamic_cast<SgGroup *>(node)) {
            group->SgGroup::DoAction(this);
        } else {
            for (int i = 0; i < node->GetNumChildren(); ++i) {
                SgNode *child = node->GetChild(i);
                m_CurrentPath.Append(child);
                Traverse(child);
                m_CurrentPath.DeleteLast();
            }
        }
    }
    out << "}\n";
}

// A camera field fed by a connection: the camera block has plain values only.
static bool HasConnectedField(SgNode *node)
{
    const int count = node->GetFieldsCount();
    for (int i = 0; i < count; ++i) {
        SgField *field = node->GetFieldAddress(i);
        DxOutBase *source = field ? field->GetModuleSource() : nullptr;
        if (source && source->GetModule())
            return true;
    }
    return false;
}

void SgSaveAction::WriteAddedToPrimitive(SgGeometricShape *shape)
{
    // A primitive builds itself from the first nodes of its separator, which
    // a new one of its class holds too; only what follows them is content.
    SgSeparator *separator = shape->GetSeparator();
    auto *fresh = dynamic_cast<SgGeometricShape *>(FreshOfClass(shape->GetClassID()));
    SgSeparator *freshSeparator = fresh ? fresh->GetSeparator() : nullptr;
    const int own = freshSeparator ? freshSeparator->GetNumChildren() : 0;
    if (!separator || separator->GetNumChildren() <= own)
        return;
    BlockScope scope(*this, separator, 1);
    *m_pStream << "Separator {\n";
    for (int i = own; i < separator->GetNumChildren(); ++i) {
        SgNode *child = separator->GetChild(i);
        m_CurrentPath.Append(child);
        Traverse(child);
        m_CurrentPath.DeleteLast();
    }
    *m_pStream << "}\n";
}

void SgSaveAction::WriteCameraBlock(SgNode *camera, bool mustName)
{
    auto *plain = dynamic_cast<SgCamera *>(camera);
    if (plain && !HasConnectedField(camera)) {
        Vrml1Stream &out = *m_pStream;
        auto written = m_mapWritten.find(camera);
        if (written != m_mapWritten.end()) {
            out << "USE " << written->second << ' ';
            return;
        }
        // Shared through the id line inside the block rather than "DEF".
        const bool needsName = mustName || camera->GetFatherList().size() > 1 || camera->IsConnected();
        if (needsName) {
            NodeID &id = camera->GetID();
            for (int attempt = 0; id.IsNull() || m_idsWritten.count(id); ++attempt) {
                if (attempt > 1000000)
                    throw SgError("SgSaveAction: no free persistent id for a shared node");
                camera->AssignID();
            }
            m_mapWritten.emplace(camera, id);
            m_idsWritten.emplace(id, camera);
        }
        BlockScope scope(*this, camera, 1);
        out.WriteCamera(*plain, needsName);
        out << '\n';
        return;
    }
    const size_t named = m_mapWritten.size();
    if (!WriteDefUse(camera, mustName))
        return;
    BlockScope scope(*this, camera, m_mapWritten.size() > named ? 2 : 1);
    Vrml1Stream &out = *m_pStream;
    out << Vrml1Format::KeywordForContainer(camera) << " {\n";
    WriteNodeName(out, camera);
    // Every field, defaults included, in the camera block's order; the
    // keyword carries "perspective", which is written only when driven.
    auto *perspective = dynamic_cast<SgFUShort *>(camera->GetFieldAddressByName("perspective"));
    const bool isPerspective = !perspective || perspective->Get(true) != 0;
    const auto &order = isPerspective ? kCameraFieldsPerspective : kCameraFieldsOrthographic;
    for (const char *name : order) {
        if (SgField *field = camera->GetFieldAddressByName(name))
            WriteFieldLine(camera, field, name, nullptr, false);
    }
    const int count = camera->GetFieldsCount();
    for (int i = 0; i < count; ++i) {
        const char *name = camera->GetFieldName(i);
        SgField *field = camera->GetFieldAddress(i);
        if (!field || !name)
            continue;
        bool listed = false;
        for (const char *orderName : order)
            listed = listed || std::string_view(orderName) == name;
        if (listed)
            continue;
        if (field == perspective) {
            DxOutBase *source = field->GetModuleSource();
            if (!source || !source->GetModule())
                continue;
        }
        WriteFieldLine(camera, field, name, nullptr, false);
    }
    out << "}\n";
}

// --- Fields -----------------------------------------------------------------------

void SgSaveAction::WriteFields(SgFieldMngr *container)
{
    // A class without a creator has no defaults to leave out: every field is written.
    SgFieldMngr *fresh = FreshOfClass(container->GetClassID());
    const int count = container->GetFieldsCount();
    // Surface ids a reader supplied in place of none stay out of the text.
    auto *faceSet = dynamic_cast<SgFaceSet *>(container);
    const SgField *implied = faceSet && faceSet->SurfacesImplied() ? &faceSet->m_surfID : nullptr;
    for (int i = 0; i < count; ++i) {
        SgField *field = container->GetFieldAddress(i);
        const char *name = container->GetFieldName(i);
        if (field && field == implied)
            continue;
        if (field && name)
            WriteFieldLine(container, field, name, fresh ? fresh->GetFieldAddress(i) : nullptr, true);
    }
}

void SgSaveAction::WriteFieldLine(SgFieldMngr *container, SgField *field, const char *name, SgField *fresh,
                                  bool skipDefault)
{
    Vrml1Stream &out = *m_pStream;
    const std::string prefix = std::string("\t") + name + " ";
    const bool isNode = container->IsNode();
    // An engine's inputs are ports without a value of their own: only a
    // connection gives them one.
    auto *inputPort = dynamic_cast<DxInBase *>(field);
    DxOutBase *source = (!isNode && inputPort) ? inputPort->GetSource() : field->GetModuleSource();
    if (source && source->GetModule() && WriteConnection(source, prefix)) {
        out << '\n';
        return;
    }
    if (!isNode && inputPort) {
        out << '\n';
        return;
    }
    if (!field->IsVector() && field->GetTypeId() == SgFieldNodePtr) {
        SgNode *target = static_cast<SgFNodePtr *>(field)->Get(true).get();
        if (target && IsWritable(target)) {
            out << prefix;
            WriteNodeBlock(target, false);
        }
        out << '\n';
        return;
    }
    if (field->IsVector() && field->GetTypeId() == SgFieldNodePtr && field->GetCount() > 0) {
        // The text has no form for a list of nodes: leaving it out would read
        // back as an empty list, so the save stops rather than lose it.
        throw SgError(std::string("SgSaveAction: the node-pointer array \"") + name + "\" of " +
                      container->GetClassName() + " has no text form; the scene is not saved");
    }
    if (field->IsOutputOnly() || HasNoText(field))
        return;
    if (skipDefault && fresh && field->Compare(field, fresh))
        return;
    out << prefix;
    if (IsNullFunction(field))
        out << SgVecFieldText::kNullFunctionWord;
    else
        Vrml1Format::WriteFieldValue(out.getStream(), field);
    out << '\n';
}

bool SgSaveAction::WriteConnection(DxOutBase *output, const std::string &prefix)
{
    DxModule *module = output->GetModule();
    SgFieldMngr *source = nullptr;
    std::string sourceName;
    switch (module->GetModuleKind()) {
    case DxModule::kField: {
        auto *fieldModule = dynamic_cast<GeneicFieldModule *>(module);
        SgField *sourceField = fieldModule ? fieldModule->GetFieldContainer() : nullptr;
        const char *name = sourceField ? sourceField->GetFieldName() : nullptr;
        source = sourceField ? sourceField->GetContainer() : nullptr;
        if (!source || !name)
            return false;
        sourceName = name;
        break;
    }
    case DxModule::kEngine: {
        source = dynamic_cast<SgFieldMngr *>(module);
        const int position = module->FindOutputPos(output);
        if (!source || position < 0)
            return false;
        sourceName = std::to_string(position);
        break;
    }
    default:
        // A plain module has no name in the text: the field keeps its value.
        return false;
    }
    if (source->IsNode()) {
        auto *node = static_cast<SgNode *>(source);
        // A source that is not written, or that is being written right now
        // without a name to refer to it by, cannot be named.
        if (!IsWritable(node) || (m_inProgress.count(node) && !m_mapWritten.count(node)))
            return false;
        *m_pStream << prefix << " = ";
        WriteNodeBlock(node, true);
    } else {
        if (m_inProgress.count(source))
            return false;
        *m_pStream << prefix << " = ";
        WriteContainer(source);
    }
    *m_pStream << " . " << sourceName;
    return true;
}
