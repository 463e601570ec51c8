#include "engine/core/SgAction.h"

#include <algorithm>
#include <bitset>
#include <exception>
#include <string>
#include <string_view>
#include <limits>
#include <mutex>
#include <set>
#include <tuple>
#include <utility>
#include <unordered_set>
#include <vector>

#include "engine/core/SgElementClasses.h"
#include "engine/core/SgState.h"
#include "engine/core/SgFieldMngr.h"
#include "platform/SgDiagnostics.h"
#include "platform/SgError.h"

int SgAction::ClassIDCounter = SgAction::kFirstClassID;
const char *SgAction::s_csClassNames[SgAction::kMaxNamedClasses] = {};
SgAction::CreatorFn SgAction::s_pfnCreators[SgAction::kMaxNamedClasses] = {};
SgAction::VisitorFn *SgAction::maps[SgAction::kMaxClasses] = {};

int SgAction::s_iClassID = 0;
const char *const SgAction::s_lpszClassName = "SgAction";
SgAction::VisitorFn SgAction::s_pfnMethodsMap[SgAction::kVisitorTableSize] = {};
int SgAction::s_aiEnabledElements[SgAction::kMaxEnabledElements] = {};
int SgAction::s_iEnabledCount = 0;

namespace {

// The node class one step up, or -1 when the family keeps no parent for it.
int ParentOffset(int offset)
{
    try {
        return SgFieldMngr::GetParent(offset);
    } catch (const SgError &) {
        return -1;
    }
}

// The entry of the nearest ancestor that has one, or the root's entry (null
// when even the root has none).
SgAction::VisitorFn InheritedVisitor(const SgAction::VisitorFn *table, int offset)
{
    // Parents are registered before their children, so a chain is never
    // longer than the family; the bound only guards a corrupt parent table.
    for (int steps = 0; steps < SgFieldMngr::kMaxClasses; ++steps) {
        const int parent = ParentOffset(offset);
        if (parent < 0)
            return nullptr;
        const bool inTable = parent < SgAction::kVisitorTableSize;
        if (parent == offset)
            return inTable ? table[parent] : nullptr;
        if (inTable && table[parent])
            return table[parent];
        offset = parent;
    }
    return nullptr;
}

std::vector<std::string> &UnresolvedNames()
{
    static std::vector<std::string> s_names;
    return s_names;
}

// The package an action's failures are reported in: its class name without
// the "Sg" prefix ("SgGLRenderAction" reports as "GLRenderAction").
std::string DiagPackage(const char *className)
{
    std::string_view name = className ? className : "Action";
    if (name.size() > 2 && name.substr(0, 2) == "Sg")
        name.remove_prefix(2);
    return std::string(name);
}

} // namespace

SgAction *SgAction::Creator()
{
    return new (std::nothrow) SgAction;
}

void SgAction::InitClass()
{
    if (!RegisterActionClass(s_iClassID, s_lpszClassName, &Creator, s_pfnMethodsMap))
        return;
    SetVisitor(s_pfnMethodsMap, SgNode::ClassID(), VisitDefault);
    BuildVisitorsMap_(s_iClassID);
}

SgAction::SgAction() : m_pState(new SgState(this))
{
    // Virtual calls answer for SgAction here, which enables no element; a
    // derived class that enables some fills them in with InitState().
    m_pState->Init(nullptr);
}

SgAction::~SgAction()
{
    delete m_pState;
}

void SgAction::InitState()
{
    m_pState->Init(nullptr);
}

uint64_t SgAction::s_outermostApplies = 0;
int SgAction::s_applyNesting = 0;

namespace {

// The scenes whose passes stopped at the visit bound and were reported: the
// root (address and serial: a node made where a reported one was freed is
// another scene) and its count of distinct nodes. One command makes several
// passes and actions over its scene, and a window draws it frame after
// frame: the fault is said once per scene, and again when an edit has
// changed the scene's size (passes of other kinds, or along one path, go
// through such a scene, so their success tells nothing).
class SgActionStoppedScenes {
public:
    // True the first time this scene is stopped.
    bool Note(const SgNode *root, uint64_t distinct)
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        return m_scenes.emplace(root, root->GetNodeID(), distinct).second;
    }

private:
    std::mutex m_mutex;
    std::set<std::tuple<const SgNode *, unsigned long, uint64_t>> m_scenes;
};

SgActionStoppedScenes &StoppedScenes()
{
    static SgActionStoppedScenes scenes;
    return scenes;
}

// The action whose pass the visit bound has just stopped and the distinct
// nodes of its scene, until its Apply has caught the failure.
struct SgActionStop {
    const SgAction *action = nullptr;
    uint64_t distinct = 0;
};
thread_local SgActionStop g_stoppedAtBound;

uint64_t SgActionDistinctNodes(SgNode *root, uint64_t enough);

} // namespace

bool SgAction::Apply(SgNode *node)
{
    if (s_applyNesting == 0)
        ++s_outermostApplies;
    struct Nesting {
        // What this traversal reads and builds is newer than any notice so far.
        Nesting()
        {
            ++s_applyNesting;
            SgNode::BeginTraversal();
        }
        ~Nesting()
        {
            SgNode::EndTraversal();
            --s_applyNesting;
        }
    } nesting;
    m_error.clear();
    const int depth = m_pState->GetDepth();
    const int pathCount = m_CurrentPath.GetCount();
    m_nPathCode = kNoTarget;
    // A new traversal starts unterminated; a nested one leaves its caller's
    // request to stop alone.
    if (pathCount == 0) {
        m_nTerminate = 0;
        m_visits = 0;
        m_visitLimit = kTraversalVisitFloor;
        m_visitLimitSized = false;
        m_passRoot = node;
    }
    bool failed = false;
    try {
        m_CurrentPath.Append(node);
        Traverse(node);
        m_CurrentPath.DeleteLast();
    } catch (const std::exception &error) {
        failed = true;
        m_error = error.what();
    } catch (const char *message) {
        failed = true;
        m_error = message ? message : "";
    }
    if (failed) {
        Unwind(depth, pathCount);
        if (m_error.empty())
            m_error = "action failed";
        const SgActionStop stop = g_stoppedAtBound;
        g_stoppedAtBound = SgActionStop();
        if (stop.action != this || !m_passRoot || StoppedScenes().Note(m_passRoot, stop.distinct))
            SgDiagError(DiagPackage(GetClassName()).c_str(), "%s", m_error.c_str());
    }
    // A nested Apply of this action that failed counts as a failure of this one.
    return m_error.empty();
}

namespace {

// The nodes reachable from the root, each counted once however often it is
// shared; stops counting at `enough`.
uint64_t SgActionDistinctNodes(SgNode *root, uint64_t enough)
{
    if (!root)
        return 0;
    std::unordered_set<const SgNode *> seen;
    std::vector<SgNode *> pending{root};
    seen.insert(root);
    while (!pending.empty() && seen.size() < enough) {
        SgNode *node = pending.back();
        pending.pop_back();
        const int count = node->GetNumChildren();
        for (int i = 0; i < count; ++i) {
            SgNode *child = node->GetChild(i);
            if (child && seen.insert(child).second)
                pending.push_back(child);
        }
    }
    return seen.size();
}

} // namespace

void SgAction::PassVisitLimit()
{
    if (!m_visitLimitSized) {
        m_visitLimitSized = true;
        const uint64_t ceiling = std::numeric_limits<uint64_t>::max() / kTraversalVisitsPerNode;
        const uint64_t distinct = SgActionDistinctNodes(m_passRoot, ceiling);
        m_visitLimit = std::max(kTraversalVisitFloor, distinct * kTraversalVisitsPerNode);
        if (m_visits <= m_visitLimit)
            return;
    }
    --m_visits;
    g_stoppedAtBound = {this, SgActionDistinctNodes(m_passRoot, std::numeric_limits<uint64_t>::max() /
                                                                   kTraversalVisitsPerNode)};
    throw SgStateError("One pass over the scene stopped after " + std::to_string(m_visits) +
                       " node visits: the scene repeats its shared nodes too often to traverse");
}

void SgAction::Unwind(int depth, int pathCount)
{
    while (m_pState->GetDepth() > depth) {
        try {
            PopState();
        } catch (const std::exception &) {
            break;
        }
    }
    m_CurrentPath.Truncate(pathCount);
}

bool SgAction::ApplyToPath(const SgPath &path)
{
    m_TargetPath = path;
    if (m_TargetPath.IsEmpty())
        throw SgInvalidArgument("SgAction::ApplyToPath: the target path is empty");
    return Apply(m_TargetPath[0]);
}

void SgAction::PushState()
{
    m_pState->Push();
}

void SgAction::PopState()
{
    m_pState->Pop();
}

int SgAction::GetPathCode()
{
    if (m_TargetPath.IsEmpty())
        return kNoTarget;
    if (m_nPathCode == kInTarget)
        return kInTarget;
    const int count = m_CurrentPath.GetCount();
    const int d = count - 1;
    if (d < 0)
        throw SgInvalidArgument("SgAction::GetPathCode: the current path is empty");
    if (d >= m_TargetPath.GetCount())
        return kOffTarget;
    // The whole chain must match, not only the last node: a node shared by a
    // branch off the target (visited there because it affects state) is not
    // the target's occurrence of it.
    const std::vector<SgNode *> &target = m_TargetPath.GetNodes();
    const std::vector<SgNode *> &current = m_CurrentPath.GetNodes();
    for (int i = d; i >= 0; --i) {
        if (target[i] != current[i])
            return kOffTarget;
    }
    m_nPathCode = m_TargetPath.GetCount() <= count ? kInTarget : kAboveTarget;
    return m_nPathCode;
}

SgNode *SgAction::GetStopNode(const SgNode *group) const
{
    // Only the group's occurrence on the target stops early: the current
    // path, which ends at the group, must be the target's beginning. The same
    // group met elsewhere (shared) is traversed whole.
    const std::vector<SgNode *> &target = m_TargetPath.GetNodes();
    const std::vector<SgNode *> &current = m_CurrentPath.GetNodes();
    const size_t count = current.size();
    if (count == 0 || count >= target.size() || current.back() != group)
        return nullptr;
    if (!std::equal(current.begin(), current.end(), target.begin()))
        return nullptr;
    return target[count];
}

SgAction *SgAction::Create(int classId)
{
    const int offset = classId - kFirstClassID;
    if (offset < 0 || offset >= kMaxNamedClasses || !s_pfnCreators[offset])
        return nullptr;
    return s_pfnCreators[offset]();
}

SgAction::VisitorFn *SgAction::GetVisitorTable(int actionClassId)
{
    const int offset = actionClassId - kFirstClassID;
    if (offset < 0 || offset >= kMaxClasses)
        return nullptr;
    return maps[offset];
}

void SgAction::BuildVisitorsMap_(int actionClassId)
{
    VisitorFn *table = GetVisitorTable(actionClassId);
    if (!table)
        return;
    int count = SgFieldMngr::GetClassCount();
    if (count > kVisitorTableSize)
        count = kVisitorTableSize;
    // Increasing offsets meet parents before their children, so an ancestor's
    // entry is complete when its descendants copy it; entries already set,
    // by the class or by an earlier build, are kept.
    for (int offset = 0; offset < count; ++offset) {
        if (!table[offset])
            table[offset] = InheritedVisitor(table, offset);
    }
}

void SgAction::ReBuildVisitorsMaps()
{
    for (int id = kFirstClassID; id < ClassIDCounter; ++id)
        BuildVisitorsMap_(id);
}

void SgAction::ReportNoVisitor(const SgAction *action, const SgNode *node)
{
    static std::bitset<kMaxClasses * kVisitorTableSize> s_reported;
    const int actionOffset = action->GetOffset();
    const int nodeOffset = node->GetClassID() - kFirstNodeClassID;
    if (actionOffset >= 0 && actionOffset < kMaxClasses && nodeOffset >= 0 && nodeOffset < kVisitorTableSize) {
        const size_t bit = static_cast<size_t>(actionOffset) * kVisitorTableSize + nodeOffset;
        if (s_reported.test(bit))
            return;
        s_reported.set(bit);
    }
    SgDiagWarning("Actions",
                  "%s: no visitor for node class %s; its nodes are skipped until the visitor "
                  "tables are rebuilt",
                  action->GetClassName(), node->GetClassName());
}

void SgAction::VisitDefault(SgAction *action, SgNode *node)
{
    node->DoAction(action);
}

bool SgAction::SetVisitor(VisitorFn *table, int nodeClassId, VisitorFn visitor)
{
    const int offset = nodeClassId - kFirstNodeClassID;
    if (!table || offset < 0 || offset >= kVisitorTableSize) {
        SgDiagError("Actions", "SgAction::SetVisitor: node class id %d has no place in a visitor table",
                    nodeClassId);
        return false;
    }
    table[offset] = visitor;
    return true;
}

bool SgAction::SetVisitor(int actionClassId, int nodeClassId, VisitorFn visitor)
{
    VisitorFn *table = GetVisitorTable(actionClassId);
    if (!table) {
        SgDiagError("Actions", "SgAction::SetVisitor: no action class with id %d", actionClassId);
        return false;
    }
    return SetVisitor(table, nodeClassId, visitor);
}

bool SgAction::SetVisitorByName(VisitorFn *table, const char *nodeClassName, VisitorFn visitor)
{
    if (const int id = SgFieldMngr::GetClassIDFromName(nodeClassName))
        return SetVisitor(table, id, visitor);
    const std::string name = nodeClassName ? nodeClassName : "";
    std::vector<std::string> &unresolved = UnresolvedNames();
    if (std::find(unresolved.begin(), unresolved.end(), name) == unresolved.end())
        unresolved.push_back(name);
    return false;
}

const std::vector<std::string> &SgAction::GetUnresolvedVisitorNames()
{
    return UnresolvedNames();
}

bool SgAction::RegisterActionClass(int &classId, const char *name, CreatorFn creator, VisitorFn *table)
{
    if (classId)
        return false;
    if (ClassIDCounter - kFirstClassID >= kMaxClasses) {
        SgDiagError("Actions", "SgAction: no room for action class %s (at most %d)", name ? name : "",
                    kMaxClasses);
        return false;
    }
    classId = ClassIDCounter++;
    const int offset = classId - kFirstClassID;
    s_csClassNames[offset] = name;
    s_pfnCreators[offset] = creator;
    maps[offset] = table;
    return true;
}

void SgAction::EnableElementSlot(int *list, int &count, int elementClassId, ElementCreatorFn create)
{
    const int slot = elementClassId - kFirstElementClassID;
    if (slot < 0 || slot >= SgState::kMaxSlots) {
        SgDiagError("Actions", "SgAction: element class id %d is not registered", elementClassId);
        return;
    }
    if (count >= kMaxEnabledElements) {
        SgDiagError("Actions", "SgAction: an action enables at most %d elements", kMaxEnabledElements);
        return;
    }
    list[count++] = slot;
    SgState::SetElementCreator(slot, create);
}

void SgAction::EnableShapeBuildElements(int *list, int &count)
{
    EnableElement<TransformElement>(list, count);
    EnableElement<DrawStyleElement>(list, count);
    EnableElement<FontNameElement>(list, count);
    EnableElement<FontSizeElement>(list, count);
    EnableElement<FontStyleElement>(list, count);
    EnableElement<FontCharsetElement>(list, count);
    EnableElement<CreaseAngleElement>(list, count);
    EnableElement<SmoothTypeElement>(list, count);
    EnableElement<ShapeTypeElement>(list, count);
    EnableElement<PointElement>(list, count);
    EnableElement<ModifierStackElement>(list, count);
    EnableElement<NumberFormatElement>(list, count);
    EnableElement<NumberFactorElement>(list, count);
}
