#include "engine/core/SgNode.h"
#include "engine/core/SgGroup.h"
#include "engine/core/SgSeparator.h"

#include <atomic>
#include <cstdio>
#include <mutex>
#include <set>
#include <typeinfo>
#include <cstdlib>
#include <cstring>
#include <ostream>

#include "engine/core/SgPath.h"
#include "engine/core/SgField.h"
#include "engine/core/SgTField.h"
#include "engine/core/SgVecField.h"
#include "engine/core/SgDocumentLink.h"
#include "engine/core/SgAttributeManager.h"

SG_CLASS_SOURCE(SgNode, SgFieldMngr, SgFieldMngr, "SgNode")

unsigned long SgNode::s_lNodeIDCounter = 1;

SgNode::SgNode() : m_lNodeID(s_lNodeIDCounter++) {}

SgNode::~SgNode()
{
    // The node part's own behaviour: a subclass's override no longer applies.
    SgNode::NotifyFathers(this);
    ForgetPendingNotices(this);
    const std::vector<SgNode *> fathers = m_fathers;
    for (SgNode *father : fathers) {
        if (father->IsGroup())
            father->RemoveChild(this);
    }
    for (Attribute &attribute : m_attributes)
        std::free(attribute.value);
}

SgNode *SgNode::Create(int classId)
{
    SgFieldMngr *object = SgFieldMngr::Create(classId);
    if (object && !object->IsNode()) {
        Destroy(object); // never counted, so Release would leave it alive
        return nullptr;
    }
    return static_cast<SgNode *>(object);
}

void SgNode::OnChange(SgField *)
{
    // The modifier result record of shapes is dropped here once shapes exist.
    NotifyFathers(this);
    AssignNodeID();
}

namespace {
// The names of the files nodes were read from, each kept once for the
// process: a node names its file by pointer, whatever happened to the read.
const std::string *KeptFileName(const std::string &file)
{
    // A read gives every node the same name: the last one answers at once.
    thread_local const std::string *last = nullptr;
    if (last && *last == file)
        return last;
    static std::mutex guard;
    static std::set<std::string> names;
    std::lock_guard<std::mutex> lock(guard);
    last = &*names.insert(file).first;
    return last;
}
} // namespace

void SgNode::SetReadPlace(const std::string &file, long long line)
{
    m_pReadFile = KeptFileName(file.empty() ? std::string("<scene>") : file);
    m_iReadLine = line > 0 && line < 0x7fffffff ? static_cast<int>(line) : 0;
}

std::string SgNode::GetReadPlace() const
{
    if (!m_pReadFile)
        return std::string();
    return m_iReadLine > 0 ? *m_pReadFile + ":" + std::to_string(m_iReadLine) : *m_pReadFile;
}

std::string SgNode::GetReadPlacePrefix() const
{
    return m_pReadFile ? GetReadPlace() + ": " : std::string();
}

void SgNode::NotifyFathers(SgNode *from)
{
    NotifyFathersOfNode(from);
}

namespace {
// Starts at 1, so that a new node (0) has told nobody yet.
std::atomic<uint64_t> g_traversalPeriod{1};
std::atomic<int> g_traversalsRunning{0};
} // namespace

thread_local int SgNode::s_viewPlacementChange = 0;

void SgNode::BeginTraversal()
{
    g_traversalPeriod.fetch_add(1, std::memory_order_relaxed);
    g_traversalsRunning.fetch_add(1, std::memory_order_relaxed);
}

void SgNode::EndTraversal()
{
    g_traversalPeriod.fetch_add(1, std::memory_order_relaxed);
    g_traversalsRunning.fetch_sub(1, std::memory_order_relaxed);
}

void SgNode::StartNoticePeriod()
{
    g_traversalPeriod.fetch_add(1, std::memory_order_relaxed);
}

// A change goes up through every father, their fathers and so on, depth
// first, exactly as a recursive walk would, but each level's place is kept
// in a frame of a work list: a chain tens of thousands of levels deep needs
// no more C++ stack than a chain of one. A father's NotifyFathers (which a
// subclass may override) runs from the list's loop; when it passes the
// change on through NotifyFathersOfNode, its own frame goes on the list and
// the loop takes it up next. Any other notice (a destructor's, one started
// while a father is told) is finished before its call returns, as callers
// expect.
struct SgNode::NoticeFrame {
    SgNode *node;  // whose fathers are told; null once it is gone
    SgNode *from;  // the node that told it, never told back
    SgNode *single; // the one father, when there is one (no heap copy)
    std::vector<SgNode *> fathers; // a copy otherwise: a father told may change the list
    size_t next;
    SgNode *assignAfter; // a told father that is not a group takes a new id once its notice ends
    uint64_t period;
    int viewPlacement; // s_viewPlacementChange as it was when this notice began
    bool toldAlready;
    bool full;

    size_t Count() const { return single ? 1 : fathers.size(); }
    SgNode *&At(size_t i) { return single ? single : fathers[i]; }
};

namespace {
// The father the running loop is telling right now: its notice joins the
// list instead of starting a loop of its own.
thread_local SgNode *t_noticeFatherBeingTold = nullptr;
thread_local bool t_noticeLoopRunning = false;

// Exactly a group or a separator (a derived class may act on each notice,
// whatever class id it answers with).
bool IsPlainGroup(const SgNode *node)
{
    const std::type_info &type = typeid(*node);
    return type == typeid(SgGroup) || type == typeid(SgSeparator);
}
} // namespace

void SgNode::NotifyFathersOfNode(SgNode *from)
{
    // A node-pointer field may point back up the graph; a change passes each
    // node once per notice.
    if (m_bNotifying)
        return;
    // Read before telling: a traversal that runs while the fathers are told
    // starts a new period, and the next notice goes up again.
    const uint64_t period = g_traversalPeriod.load(std::memory_order_relaxed);
    const bool traversing = g_traversalsRunning.load(std::memory_order_relaxed) > 0;
    NoticeFrame frame{};
    frame.node = this;
    frame.from = from;
    frame.period = period;
    frame.viewPlacement = s_viewPlacementChange;
    // A plain group or separator told by this node in this period has
    // nothing more to drop; fathers of any other class hear every notice
    // (they may act on each one).
    frame.toldAlready = !traversing && m_uFathersToldIn == period;
    frame.full = s_viewPlacementChange == 0 && !traversing;
    // Most nodes have one father, and a change deep in a chain passes every
    // node above it, so that case copies nothing to the heap.
    if (m_fathers.size() == 1)
        frame.single = m_fathers.front();
    else
        frame.fathers = m_fathers;
    m_bNotifying = true;
    std::vector<NoticeFrame> &notices = Notices();
    notices.push_back(std::move(frame));
    if (t_noticeFatherBeingTold == this) {
        t_noticeFatherBeingTold = nullptr;
        return; // the loop that told this node goes on with its frame
    }
    RunNotices(notices.size() - 1);
}

std::vector<SgNode::NoticeFrame> &SgNode::Notices()
{
    // Never destroyed: nodes freed by static destructors after the thread's
    // own objects are gone still tell their fathers through it.
    thread_local auto *notices = new std::vector<NoticeFrame>();
    return *notices;
}

void SgNode::EndNotice(const NoticeFrame &frame)
{
    m_bNotifying = false;
    if (frame.full)
        m_uFathersToldIn = frame.period;
    Invalidate();
}

void SgNode::RunNotices(size_t base)
{
    std::vector<NoticeFrame> &notices = Notices();
    SgNode *const outerTold = t_noticeFatherBeingTold;
    const bool outerRunning = t_noticeLoopRunning;
    const int outerViewPlacement = s_viewPlacementChange;
    t_noticeLoopRunning = true;
    try {
        while (notices.size() > base) {
            const size_t at = notices.size() - 1;
            if (SgNode *father = notices[at].assignAfter) {
                notices[at].assignAfter = nullptr;
                father->AssignNodeID();
                continue;
            }
            NoticeFrame &top = notices[at];
            if (!top.node || top.next >= top.Count()) {
                NoticeFrame done = std::move(top);
                notices.pop_back();
                if (done.node)
                    done.node->EndNotice(done);
                continue;
            }
            SgNode *father = top.At(top.next++);
            if (!father || father == top.from || (top.toldAlready && IsPlainGroup(father)))
                continue;
            SgNode *teller = top.node;
            s_viewPlacementChange = top.viewPlacement;
            t_noticeFatherBeingTold = father;
            father->NotifyFathers(teller); // may add frames: `top` is not used after
            t_noticeFatherBeingTold = nullptr;
            if (!father->IsGroup())
                notices[at].assignAfter = father;
        }
    } catch (...) {
        // What was still to be told is dropped, and no node stays marked as
        // passing a notice (it would ignore every later change).
        while (notices.size() > base) {
            if (SgNode *node = notices.back().node)
                node->m_bNotifying = false;
            notices.pop_back();
        }
        t_noticeFatherBeingTold = outerTold;
        t_noticeLoopRunning = outerRunning;
        s_viewPlacementChange = outerViewPlacement;
        throw;
    }
    t_noticeFatherBeingTold = outerTold;
    t_noticeLoopRunning = outerRunning;
    s_viewPlacementChange = outerViewPlacement;
    // A very deep chain leaves a big list behind; keep what ordinary graphs use.
    if (notices.empty() && notices.capacity() > 4096)
        std::vector<NoticeFrame>().swap(notices);
}

void SgNode::ForgetPendingNotices(SgNode *gone)
{
    if (!t_noticeLoopRunning)
        return;
    for (NoticeFrame &frame : Notices()) {
        if (frame.node == gone)
            frame.node = nullptr;
        if (frame.assignAfter == gone)
            frame.assignAfter = nullptr;
        for (size_t i = frame.next; i < frame.Count(); ++i)
            if (frame.At(i) == gone)
                frame.At(i) = nullptr;
    }
}

void SgNode::NotifySons(SgNode *)
{
    Invalidate();
}

void SgNode::SetOveride(bool on)
{
    if (IsOveride() == on)
        return;
    m_wState = on ? (m_wState | kOverride) : (m_wState & ~kOverride);
    NotifyFathers(this);
    AssignNodeID();
}

bool SgNode::IsUndoEnabled() const
{
    return (m_wState & kUndoEnabled) && SgDocumentLink::IsUndoRecording(m_pDocument);
}

void SgNode::SetDocument(SgDocument *document)
{
    // A node joins the document of the graph it was last placed in; one that
    // already belongs has passed it on to everything below.
    if (!document || document == m_pDocument || m_bSettingDocument)
        return;
    m_pDocument = document;
    m_bSettingDocument = true;
    SgDocumentLink::NodeJoined(document, this);
    for (SgNode *node : ReferencedNodes(true))
        node->SetDocument(document);
    m_bSettingDocument = false;
}

void SgNode::AppendDocumentMembers(std::vector<SgNode *> &members)
{
    for (SgNode *node : ReferencedNodes(true))
        members.push_back(node);
}

void SgNode::LeaveDocumentIfDetached()
{
    // A work list, not recursion: a chain can be deeper than the stack.
    std::vector<SgNode *> pending{this};
    while (!pending.empty()) {
        SgNode *node = pending.back();
        pending.pop_back();
        SgDocument *document = node->m_pDocument;
        if (!document || node->IsRoot() || !node->FollowsGraphDocument())
            continue;
        bool held = false;
        for (const SgNode *father : node->m_fathers)
            held = held || father->m_pDocument == document;
        if (held)
            continue;
        node->m_pDocument = nullptr;
        node->AppendDocumentMembers(pending);
    }
}

std::vector<SgNode *> SgNode::ReferencedNodes(bool arrays)
{
    std::vector<SgNode *> nodes;
    const int count = GetFieldsCount();
    for (int i = 0; i < count; ++i) {
        SgField *field = GetFieldAddress(i);
        if (auto *single = dynamic_cast<SgFNodePtr *>(field)) {
            if (SgNode *node = single->Get(true).get())
                nodes.push_back(node);
        } else if (auto *array = arrays ? dynamic_cast<SgVFNodePtr *>(field) : nullptr) {
            for (const NodePtr &element : array->GetValues()) {
                if (SgNode *node = element.get())
                    nodes.push_back(node);
            }
        }
    }
    return nodes;
}

void SgNode::UpdateSceneManager(void *)
{
    SgDocumentLink::UpdateSceneManager(m_pDocument, this);
}

int SgNode::DeleteFather(SgNode *father)
{
    for (auto it = m_fathers.begin(); it != m_fathers.end(); ++it) {
        if (*it == father) {
            m_fathers.erase(it);
            return 1;
        }
    }
    return 0;
}

bool SgNode::HoldsInGraph(const SgNode *father, const SgNode *node)
{
    if (!father || !node)
        return false;
    if (static_cast<const SgNode *>(father->GetHeldGroup()) == node)
        return true;
    if (!father->IsGroup())
        return false;
    const int count = father->GetNumChildren();
    for (int i = 0; i < count; ++i) {
        if (father->GetChild(i) == node)
            return true;
    }
    return false;
}

void SgNode::AddNodeFieldChild(SgNode *referenced)
{
    if (!referenced)
        return;
    if (!referenced->IsNoFather())
        referenced->AddFather(this);
    NotifyFathers(referenced);
    referenced->Invalidate();
    referenced->SetDocument(m_pDocument);
    SgDocumentLink::UpdateSceneManager(m_pDocument, referenced);
}

SgNode *SgNode::Copy(CopyDepth) const
{
    auto *self = const_cast<SgNode *>(this);
    SgNode *copy = Create(GetClassID());
    if (!copy)
        return nullptr;
    const int count = self->GetFieldsCount();
    for (int i = 0; i < count; ++i) {
        SgField *from = self->GetFieldAddress(i);
        SgField *to = copy->GetFieldAddress(i);
        if (!from || !to)
            continue;
        // Arrays go whole, so a shorter source leaves none of the copy's
        // default elements behind.
        if (!from->IsVector())
            to->SetValuePtr(from->GetValuePtr(0, true), 0, true, false);
        else
            to->SetValuePtr(from->GetValuePtr(-1, true), -1, true, false);
    }
    return copy;
}

SgNode *SgNode::FindAffecting(int classId, int levels)
{
    SgNode *current = this;
    SgNode *group = GetFirstFather();
    for (int level = 0; group && (levels == -1 || level <= levels); ++level) {
        const int count = group->GetNumChildren();
        int at = count - 1;
        while (at >= 0 && group->GetChild(at) != current)
            --at;
        for (; at >= 0; --at) {
            SgNode *child = group->GetChild(at);
            if (child && child->GetClassID() == classId)
                return child;
        }
        current = group;
        group = group->GetFirstFather();
    }
    return nullptr;
}

SgNode *SgNode::FindAffecting(const SgPath &path, int classId, int levels)
{
    const int count = path.GetCount();
    if (count == 0)
        return nullptr;
    SgNode *current = this;
    int at = count - 1;
    if (path[at] == this) {
        --at;
    } else {
        SgNode *last = path[at];
        bool holds = false;
        for (int i = 0; last && i < last->GetNumChildren() && !holds; ++i)
            holds = last->GetChild(i) == this;
        if (!holds)
            return nullptr;
    }
    for (int steps = 0; at >= 0 && (levels == -1 || steps < levels); ++steps, --at) {
        SgNode *group = path[at];
        if (!group)
            return nullptr;
        int child = group->GetNumChildren() - 1;
        while (child >= 0 && group->GetChild(child) != current)
            --child;
        for (; child >= 0; --child) {
            SgNode *node = group->GetChild(child);
            if (node && node->GetClassID() == classId)
                return node;
        }
        current = group;
    }
    return nullptr;
}

SgNode::Attribute *SgNode::GetAttribute(int index)
{
    for (Attribute &attribute : m_attributes) {
        if (attribute.index == index)
            return &attribute;
    }
    return nullptr;
}

const void *SgNode::GetNodeAttributeValue(int index)
{
    if (Attribute *attribute = GetAttribute(index))
        return attribute->value;
    return SgAttributeManager::GetAttributeManager()->GetAttributeDefaultValue(index);
}

std::string SgNode::GetNodeAttributeValueAsString(int index)
{
    const void *value = GetNodeAttributeValue(index);
    if (!value)
        return {};
    char buffer[64];
    switch (SgAttributeManager::GetAttributeManager()->GetAttributeType(index)) {
    case 0: {
        float f;
        std::memcpy(&f, value, sizeof f);
        std::snprintf(buffer, sizeof buffer, "%f", f);
        return buffer;
    }
    case 1:
    case 2: {
        int32_t i;
        std::memcpy(&i, value, sizeof i);
        std::snprintf(buffer, sizeof buffer, "%d", i);
        return buffer;
    }
    case 3: {
        int16_t s;
        std::memcpy(&s, value, sizeof s);
        std::snprintf(buffer, sizeof buffer, "%d", s);
        return buffer;
    }
    case 4:
        return static_cast<const char *>(value);
    default:
        return {};
    }
}

void SgNode::SetAttribute(int index, const void *value)
{
    SgAttributeManager *manager = SgAttributeManager::GetAttributeManager();
    if (!value || !manager->IsExist(index))
        return;
    const int type = manager->GetAttributeType(index);
    const size_t size = type == 4 ? std::strlen(static_cast<const char *>(value)) + 1
                                  : static_cast<size_t>(manager->GetAttributeSize(index));
    if (Attribute *attribute = GetAttribute(index)) {
        if (type == 4) {
            std::free(attribute->value);
            attribute->value = std::malloc(size);
        }
        if (attribute->value)
            std::memcpy(attribute->value, value, size);
        return;
    }
    void *copy = std::malloc(size);
    if (!copy)
        return;
    std::memcpy(copy, value, size);
    m_attributes.push_back({index, copy});
}

void SgNode::SetAttribute(int index, const std::string &text)
{
    SgAttributeManager *manager = SgAttributeManager::GetAttributeManager();
    if (!manager->IsExist(index))
        return;
    switch (manager->GetAttributeType(index)) {
    case 0: {
        const float f = static_cast<float>(std::atof(text.c_str()));
        SetAttribute(index, static_cast<const void *>(&f));
        break;
    }
    case 1:
    case 2: {
        const int32_t i = static_cast<int32_t>(std::strtol(text.c_str(), nullptr, 10));
        SetAttribute(index, static_cast<const void *>(&i));
        break;
    }
    case 3: {
        const int16_t s = static_cast<int16_t>(std::strtol(text.c_str(), nullptr, 10));
        SetAttribute(index, static_cast<const void *>(&s));
        break;
    }
    case 4:
        SetAttribute(index, static_cast<const void *>(text.c_str()));
        break;
    default:
        break;
    }
}

void SgNode::RemoveNodeAttribute(int index)
{
    for (auto it = m_attributes.begin(); it != m_attributes.end(); ++it) {
        if (it->index == index) {
            std::free(it->value);
            m_attributes.erase(it);
            return;
        }
    }
}

void SgNode::PrintTree(SgNode *node, int indent, std::ostream &out)
{
    if (!node || !node->IsGroup())
        return;
    for (int i = 0; i < node->GetNumChildren(); ++i) {
        SgNode *child = node->GetChild(i);
        if (!child)
            continue;
        char line[64];
        std::snprintf(line, sizeof line, "[%lx] - ", reinterpret_cast<unsigned long>(child));
        out << std::string(indent + 4, '.') << line << child->GetClassName() << '\n';
        PrintTree(child, indent + 4, out);
    }
}
