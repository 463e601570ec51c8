#include "engine/core/SgGroup.h"
#include "engine/core/SgNamedClass.h"

#include <algorithm>
#include <string>
#include <unordered_set>

#include "engine/core/SgAction.h"
#include "engine/core/SgDocumentLink.h"
#include "platform/SgDiagnostics.h"
#include "platform/SgError.h"
#include "utilities/StringUtil.h"

SG_CLASS_SOURCE(SgGroup, SgNode, SgFieldMngr, "SgGroup")

SgGroup::~SgGroup()
{
    // A record made now would name a group that is about to vanish, and its
    // undo would reach freed memory: a dying group deletes its children quietly.
    // Nothing holds it any more, so there are no fathers to tell, and the
    // children go from the back, so none has later siblings to tell either:
    // a group of many children goes in time in proportion to their number.
    DisableUndo();
    while (!m_children.empty()) {
        SgNode *child = m_children.back();
        SgDocumentLink::UpdateSceneManager(GetDocument(), child);
        child->DeleteFather(this);
        m_children.pop_back();
        child->LeaveDocumentIfDetached();
        SgFieldMngr::Release(child);
    }
}

SgNode *SgGroup::GetChild(int index) const
{
    if (index < 0 || index >= GetOwnChildCount())
        return nullptr;
    return m_children[index];
}

int SgGroup::IndexOf(const SgNode *child) const
{
    if (!child)
        return -1;
    for (int i = 0; i < GetOwnChildCount(); ++i) {
        if (m_children[i] == child)
            return i;
    }
    return -1;
}

int SgGroup::IndexAt(const Position &position) const
{
    if (position.m_group != this)
        return -1;
    const int count = GetOwnChildCount();
    if (position.m_index >= 0 && position.m_index < count &&
        m_entries[static_cast<size_t>(position.m_index)] == position.m_entry)
        return position.m_index;
    const auto found = std::find(m_entries.begin(), m_entries.end(), position.m_entry);
    return found == m_entries.end() ? -1 : static_cast<int>(found - m_entries.begin());
}

void SgGroup::InsertEntry(size_t at, SgNode *child)
{
    m_children.insert(m_children.begin() + static_cast<std::ptrdiff_t>(at), child);
    m_entries.insert(m_entries.begin() + static_cast<std::ptrdiff_t>(at), m_nextEntry++);
}

void SgGroup::EraseEntry(size_t at)
{
    m_children.erase(m_children.begin() + static_cast<std::ptrdiff_t>(at));
    m_entries.erase(m_entries.begin() + static_cast<std::ptrdiff_t>(at));
}

SgGroup::Position SgGroup::GetPosition(const SgNode *child) const
{
    const int at = IndexOf(child);
    return at < 0 ? Position() : PositionOf(at);
}

SgGroup::Position SgGroup::GetFirst() const
{
    return m_children.empty() ? Position() : PositionOf(0);
}

SgGroup::Position SgGroup::GetLast() const
{
    return m_children.empty() ? Position() : PositionOf(GetOwnChildCount() - 1);
}

SgNode *SgGroup::GetNext(Position &position) const
{
    const int at = IndexAt(position);
    if (at < 0) {
        position = Position();
        return nullptr;
    }
    position = at + 1 < GetOwnChildCount() ? PositionOf(at + 1) : Position();
    return m_children[at];
}

SgNode *SgGroup::GetPrev(Position &position) const
{
    const int at = IndexAt(position);
    if (at < 0) {
        position = Position();
        return nullptr;
    }
    position = at > 0 ? PositionOf(at - 1) : Position();
    return m_children[at];
}

SgNode *SgGroup::GetAt(Position position) const
{
    const int at = IndexAt(position);
    return at < 0 ? nullptr : m_children[at];
}

bool SgGroup::WouldMakeCycle(const SgNode *child) const
{
    // The child would hold this group below itself when it is this group or
    // one of the groups above it; a node that holds nothing cannot be above
    // anything, which spares the walk up for the common case of adding a
    // fresh node below a deep chain.
    if (child == this)
        return true;
    if (!child || child->GetNumChildren() == 0)
        return false;
    std::unordered_set<const SgNode *> seen;
    std::vector<const SgNode *> pending{this};
    while (!pending.empty()) {
        const SgNode *node = pending.back();
        pending.pop_back();
        if (node == child)
            return true;
        if (!seen.insert(node).second)
            continue;
        for (const SgNode *father : node->GetFatherList()) {
            if (father->IsGroup())
                pending.push_back(father);
        }
    }
    return false;
}

bool SgGroup::CanAdopt(SgNode *child, const char *operation) const
{
    if (!child) {
        SgDiagError("SceneGraph", "%s: no child node given", operation);
        return false;
    }
    if (WouldMakeCycle(child)) {
        SgDiagError("SceneGraph", "%s: a group cannot be placed below itself", operation);
        return false;
    }
    return true;
}

void SgGroup::Adopt(SgNode *child, SgNode *sibling, bool recordForGroup)
{
    child->AddRef();
    child->AddFather(this);
    NotifyFathers(child);
    child->Invalidate();
    child->SetDocument(GetDocument());

    SgDocument *document = GetDocument();
    if (!document)
        return;
    if (recordForGroup && child->IsUndoEnabled())
        SgDocumentLink::RecordChild(document, true, this, child, sibling);
    SgDocumentLink::UpdateSceneManager(document, child);
}

bool SgGroup::AddChild(SgNode *child)
{
    if (!CanAdopt(child, "AddChild"))
        return false;
    SgNode *before = m_children.empty() ? nullptr : m_children.back();
    InsertEntry(m_children.size(), child);
    Adopt(child, before, IsUndoEnabled());
    return true;
}

bool SgGroup::AddChildAfter(SgNode *child, SgNode *sibling)
{
    if (!CanAdopt(child, "AddChildAfter"))
        return false;
    const int at = IndexOf(sibling);
    const size_t index = at < 0 ? m_children.size() : static_cast<size_t>(at) + 1;
    InsertEntry(index, child);
    // The record names the node the child now follows, so that a redo puts
    // it back there (an absent sibling appends, after the last child).
    Adopt(child, index > 0 ? m_children[index - 1] : nullptr, IsUndoEnabled());
    return true;
}

bool SgGroup::AddChildBefore(SgNode *child, SgNode *sibling)
{
    if (!CanAdopt(child, "AddChildBefore"))
        return false;
    const int at = std::max(IndexOf(sibling), 0);
    InsertEntry(static_cast<size_t>(at), child);
    SgNode *before = at > 0 ? m_children[at - 1] : nullptr;
    // Inserting in front records whenever the child's document records,
    // whatever this group's own undo flag says.
    Adopt(child, before, true);
    return true;
}

namespace {
// The transform node class lives in a higher layer.
const SgNamedClass kTransform(SgNamedClass::kNode, "SgTransform");
} // namespace

bool SgGroup::AddChildAfterTransform(SgNode *child)
{
    const int transformId = kTransform.ClassID();
    if (transformId) {
        for (SgNode *node : m_children) {
            if (node->GetClassID() == transformId)
                return AddChildAfter(child, node);
        }
    }
    return AddChildBefore(child, nullptr);
}

bool SgGroup::ReplaceChild(SgNode *oldChild, SgNode *newChild)
{
    if (IndexOf(oldChild) < 0) {
        SgDiagError("SceneGraph", "ReplaceChild: the node to replace is not a child");
        return false;
    }
    if (oldChild == newChild)
        return true;
    if (!AddChildBefore(newChild, oldChild))
        return false;
    DeleteChild(oldChild);
    return true;
}

int SgGroup::DeleteChild(SgNode *child)
{
    const int at = IndexOf(child);
    if (at < 0)
        return 0;
    SgDocument *document = GetDocument();
    SgDocumentLink::UpdateSceneManager(document, child);

    child->DeleteFather(this);
    NotifyFathers(child);
    SgNode *before = at > 0 ? m_children[at - 1] : nullptr;
    EraseEntry(static_cast<size_t>(at));

    if (document && IsUndoEnabled() && child->IsUndoEnabled()) {
        // The record's own reference keeps the child alive for a later undo.
        SgDocumentLink::RecordChild(document, false, this, child, before);
    }
    child->LeaveDocumentIfDetached();
    SgFieldMngr::Release(child);
    return 1;
}

int SgGroup::RemoveChild(SgNode *child)
{
    const int at = IndexOf(child);
    if (at < 0)
        return 0;
    EraseEntry(static_cast<size_t>(at));
    // Compiled lists here and above still hold the child's drawing: they go,
    // or the unlinked child would go on being drawn.
    ClearAllCaches();
    SgNode::NotifyFathers(this);
    return 1;
}

void SgGroup::Clear()
{
    // From the back: the child that leaves has no later siblings to tell
    // (from the front, each would tell all the others).
    while (!m_children.empty())
        DeleteChild(m_children.back());
}

// While the change of a view's placement of its scene goes up the graph
// (s_viewPlacementChange), the groups on the way clear their own caches but
// leave the nodes after them alone, since where the scene is seen from
// changes none of them.

void SgGroup::NotifyFathers(SgNode *from)
{
    const bool viewPlacement =
        s_viewPlacementChange > 0 || (from && from->IsTransform() && !from->ChangeReachesLaterSiblings());
    if (viewPlacement) {
        ClearAllCaches();
        ++s_viewPlacementChange;
        SgNode::NotifyFathers(this);
        --s_viewPlacementChange;
        return;
    }
    if (from && from->ChangeReachesLaterSiblings()) {
        const int at = IndexOf(from);
        if (at >= 0) {
            // A child may drop a later sibling while it is told; work on a copy.
            const std::vector<SgNode *> later(m_children.begin() + at + 1, m_children.end());
            for (SgNode *sibling : later)
                sibling->NotifySons(this);
        }
    }
    ClearAllCaches();
    SgNode::NotifyFathers(this);
}

bool SgGroup::ChangeReachesLaterSiblings() const
{
    if (!AffectsState())
        return false;
    if (m_children.empty())
        return true;
    for (const SgNode *child : m_children)
        if (!child || !child->IsTransform() || child->ChangeReachesLaterSiblings())
            return true;
    return false;
}

// A notice goes down to every child, their children and so on, depth first,
// each group invalidated after its children, as a recursive walk would; but
// each group's place is kept in a frame of a work list, so that a chain tens
// of thousands of levels deep needs no more stack than one level. A child's
// NotifySons (which a subclass may override) runs from the list's loop; a
// group it reaches that way adds its frame and returns, and the loop takes
// the frame up next. Any other call is finished before it returns.
struct SgGroup::SonsNotice {
    SgGroup *group;
    std::vector<SgNode *> children; // a copy: a child told may change the list
    size_t next = 0;
};

namespace {
thread_local SgNode *t_sonBeingTold = nullptr;
} // namespace

std::vector<SgGroup::SonsNotice> &SgGroup::SonsNotices()
{
    // Never destroyed, as the fathers' list (SgNode::Notices).
    thread_local auto *notices = new std::vector<SonsNotice>();
    return *notices;
}

void SgGroup::NotifySons(SgNode *)
{
    std::vector<SonsNotice> &notices = SonsNotices();
    notices.push_back(SonsNotice{this, m_children, 0});
    if (t_sonBeingTold == this) {
        t_sonBeingTold = nullptr;
        return; // the loop that told this group goes on with its frame
    }
    const size_t base = notices.size() - 1;
    SgNode *const outerTold = t_sonBeingTold;
    // A node held in several places is told once by this loop: whatever is
    // shared below it would otherwise be told once per path, and a few lines
    // that share each level twice make 2^lines paths. A node with one father
    // is reached again only through that father, which is told once already.
    std::unordered_set<const SgNode *> toldShared;
    try {
        while (notices.size() > base) {
            SonsNotice &top = notices.back();
            if (top.next >= top.children.size()) {
                SgGroup *done = top.group;
                notices.pop_back();
                done->Invalidate();
                continue;
            }
            SgNode *child = top.children[top.next++];
            if (child && child->GetFatherList().size() > 1 && !toldShared.insert(child).second)
                continue;
            SgGroup *teller = top.group;
            t_sonBeingTold = child;
            child->NotifySons(teller); // may add a frame: `top` is not used after
            t_sonBeingTold = nullptr;
        }
    } catch (...) {
        notices.resize(base);
        t_sonBeingTold = outerTold;
        throw;
    }
    t_sonBeingTold = outerTold;
    if (notices.empty() && notices.capacity() > 4096)
        std::vector<SonsNotice>().swap(notices);
}

void SgGroup::Refresh(int code)
{
    const std::vector<SgNode *> children = m_children;
    for (SgNode *child : children)
        child->Refresh(code);
}

void SgGroup::SetDocument(SgDocument *document)
{
    if (!document || document == GetDocument())
        return;
    SgNode::SetDocument(document);
    for (SgNode *child : m_children)
        child->SetDocument(document);
}

void SgGroup::AppendDocumentMembers(std::vector<SgNode *> &members)
{
    SgNode::AppendDocumentMembers(members);
    members.insert(members.end(), m_children.begin(), m_children.end());
}

void SgGroup::ReleaseDocument()
{
    SgNode::ReleaseDocument();
    for (SgNode *child : m_children) {
        // A child held in several places and released through one of them is
        // not walked again: a few shared levels make 2^levels ways down.
        if (child->GetFatherList().size() > 1 && !child->GetDocument())
            continue;
        child->ReleaseDocument();
    }
}

SgNode *SgGroup::FindFirstNode(int classId, Position start, const char *name, bool derived) const
{
    int from = 0;
    if (start) {
        // A position of another list, or one past this list's end, starts nowhere.
        from = IndexAt(start);
        if (from < 0)
            return nullptr;
    }
    for (int i = from; i < GetOwnChildCount(); ++i) {
        SgNode *child = m_children[i];
        const bool classMatches = derived ? child->IsDerivedFrom(classId) : child->GetClassID() == classId;
        if (!classMatches)
            continue;
        if (name && SgStrICmp(child->GetName().c_str(), name) != 0)
            continue;
        return child;
    }
    return nullptr;
}

SgNode *SgGroup::FindFirstNodeCond(bool (*predicate)(SgNode *)) const
{
    if (!predicate)
        return nullptr;
    for (SgNode *child : m_children) {
        if (predicate(child))
            return child;
    }
    return nullptr;
}

namespace {
// How deep a traversal goes: it goes down the graph on the C++ stack, and
// groups (unlike separators) take no state frame that would bound it, so a
// chain of groups built through shared nodes could be deep enough to
// overflow the stack. Deeper is refused like a full state (SgStateError):
// the action's Apply fails with the message.
constexpr int kSgMaxTraversalDepth = 1024;
} // namespace

void SgGroup::DoAction(SgAction *action)
{
    SgTraversalHold self(this);
    SgNode *stop = action->GetStopNode(this);
    const int code = action->GetPathCode();
    SgPath &path = action->m_CurrentPath;
    if (path.GetCount() >= kSgMaxTraversalDepth)
        throw SgStateError("The scene is nested deeper than " + std::to_string(kSgMaxTraversalDepth) +
                           " levels and cannot be traversed");
    // Only a group that its path's parent holds can be taken out of it.
    const bool heldOnPath = !path.IsEmpty() && path.GetNodes().back() == this && path.GetCount() > 1 &&
                            StillOnPath(action);
    for (size_t i = 0; i < m_children.size();) {
        if (action->m_nTerminate)
            return;
        if (action->m_bLeaveSeparator && IsSeparator()) {
            action->m_bLeaveSeparator = false;
            return;
        }
        SgNode *child = m_children[i];
        SgNode *next = i + 1 < m_children.size() ? m_children[i + 1] : nullptr;
        // Held, so that the entries compared after the visit are never freed
        // memory that a new node may have taken.
        SgTraversalHold holdChild(child);
        SgTraversalHold holdNext(next);
        path.Append(child);
        // Off the target a child still runs when it affects state, so that
        // properties on the way to the target take effect.
        const bool visit = (action->GetPathCode() != SgAction::kOffTarget || child->AffectsState()) &&
                           (child->IsSelectable() || action->m_bVisitAll);
        if (visit)
            action->Traverse(child);
        path.DeleteLast();
        action->m_nPathCode = code;
        if (visit && child == stop)
            return;
        if (heldOnPath && !StillOnPath(action))
            return;
        if (i < m_children.size() && m_children[i] == child)
            ++i;
        else
            i = ResumeAfter(i, child, next);
    }
}

size_t SgGroup::ResumeAfter(size_t index, const SgNode *child, const SgNode *next) const
{
    const size_t count = m_children.size();
    // The visited entry was deleted: its follower took its place.
    if (index < count && m_children[index] == next)
        return index;
    // Entries before it were deleted or added: find it nearest its old place.
    for (size_t back = std::min(index, count); back-- > 0;) {
        if (m_children[back] == child)
            return back + 1;
    }
    for (size_t ahead = index + 1; ahead < count; ++ahead) {
        if (m_children[ahead] == child)
            return ahead + 1;
    }
    // Gone together with others: go on at its follower when that is left.
    if (next) {
        const auto at = std::find(m_children.begin(), m_children.end(), next);
        if (at != m_children.end())
            return static_cast<size_t>(at - m_children.begin());
    }
    return std::min(index, count);
}

bool SgGroup::StillOnPath(SgAction *action) const
{
    const std::vector<SgNode *> &nodes = action->m_CurrentPath.GetNodes();
    if (nodes.size() < 2 || nodes.back() != this)
        return true;
    const SgNode *parent = nodes[nodes.size() - 2];
    const std::vector<SgNode *> &fathers = GetFatherList();
    return std::find(fathers.begin(), fathers.end(), parent) != fathers.end();
}
