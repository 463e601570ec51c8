#include "engine/core/SgPath.h"

#include "engine/core/SgGroup.h"
#include "engine/core/SgSeparator.h"
#include "engine/core/SgTField.h"
#include "platform/SgError.h"

namespace {

SgSeparator *AsObject(SgNode *node)
{
    if (!node || !node->IsObject())
        return nullptr;
    return dynamic_cast<SgSeparator *>(node);
}

// The current value of an object's int field, an attached input evaluated
// first; `fallback` when the object has no such field.
int IntField(SgNode *node, const char *name, int fallback)
{
    auto *field = dynamic_cast<SgFInt *>(node->GetFieldAddressByName(name));
    return field ? field->Get(true) : fallback;
}

// An object keeps its content in an inner separator of its own child list,
// the one flagged as holder.
SgSeparator *InnerGroupOf(SgSeparator *object)
{
    for (SgNode *child : object->GetChildList()) {
        if (child->IsHolder() && child->IsSeparator()) {
            if (auto *inner = dynamic_cast<SgSeparator *>(child))
                return inner;
        }
    }
    return nullptr;
}

} // namespace

SgPath::SgPath(SgNode &node) : m_Nodes{&node} {}

SgPath &SgPath::operator=(const SgPath &other)
{
    if (!(*this == other))
        m_Nodes = other.m_Nodes;
    return *this;
}

bool SgPath::operator==(const SgPath &other) const
{
    return m_Nodes == other.m_Nodes;
}

void SgPath::CheckIndex(int index) const
{
    if (index < 0 || index >= GetCount())
        throw SgInvalidArgument("SgPath: index " + std::to_string(index) + " outside a path of " +
                                std::to_string(GetCount()) + " nodes");
}

SgNode *SgPath::operator[](int index) const
{
    CheckIndex(index);
    return m_Nodes[index];
}

SgNode *&SgPath::operator[](int index)
{
    CheckIndex(index);
    return m_Nodes[index];
}

SgNode *&SgPath::GetAt(POSITION position)
{
    return (*this)[FromPosition(position)];
}

SgNode *&SgPath::GetNext(POSITION &position)
{
    const int index = FromPosition(position);
    position = ToPosition(index + 1);
    return (*this)[index];
}

SgNode *&SgPath::GetPrev(POSITION &position)
{
    const int index = FromPosition(position);
    position = ToPosition(index - 1);
    return (*this)[index];
}

SgNode *&SgPath::GetFirstElement()
{
    return (*this)[0];
}

SgNode *&SgPath::GetLastElement()
{
    return (*this)[GetCount() - 1];
}

SgNode *&SgPath::GetLastParent(int n)
{
    CheckIndex(0);
    int index = GetCount() - 1 - n;
    if (index < 0)
        index = 0;
    return (*this)[index];
}

int SgPath::GetPosition(SgNode *node) const
{
    for (int i = 0; i < GetCount(); ++i) {
        if (m_Nodes[i] == node)
            return i;
    }
    return -1;
}

void SgPath::Append(const SgPath &other)
{
    if (&other == this)
        throw SgInvalidArgument("SgPath: a path cannot be appended to itself");
    m_Nodes.insert(m_Nodes.end(), other.m_Nodes.begin(), other.m_Nodes.end());
}

void SgPath::Insert(int index, SgNode *node)
{
    if (index < 0)
        throw SgInvalidArgument("SgPath: negative insert index " + std::to_string(index));
    if (index > GetCount())
        m_Nodes.resize(index, nullptr);
    m_Nodes.insert(m_Nodes.begin() + index, node);
}

void SgPath::Delete(int index)
{
    CheckIndex(index);
    m_Nodes.erase(m_Nodes.begin() + index);
}

void SgPath::DeleteLast()
{
    CheckIndex(0);
    m_Nodes.pop_back();
}

void SgPath::ReplaceLast(SgNode *node)
{
    DeleteLast();
    m_Nodes.push_back(node);
}

void SgPath::Truncate(int count)
{
    if (count >= 0 && count < GetCount())
        m_Nodes.resize(count);
}

SgNode *SgPath::FirstHoldingFather(const SgNode *node)
{
    if (!node)
        return nullptr;
    for (SgNode *father : node->GetFatherList()) {
        if (SgNode::HoldsInGraph(father, node))
            return father;
    }
    return nullptr;
}

void SgPath::CreateFromNode(SgNode *node)
{
    InsertFirst(node);
    // Up through the first father that holds the node in the graph: a node
    // that only references it through a field is no place on a path. The
    // guard stops a walk that would meet a node twice.
    for (SgNode *father = FirstHoldingFather(node); father; father = FirstHoldingFather(father)) {
        if (GetPosition(father) >= 0)
            break;
        InsertFirst(father);
    }
}

void SgPath::CutToRoot(int)
{
    for (int k = GetCount() - 1; k >= 0; --k) {
        if (m_Nodes[k] && m_Nodes[k]->IsRoot()) {
            m_Nodes.erase(m_Nodes.begin(), m_Nodes.begin() + k);
            return;
        }
    }
}

void SgPath::CutToFirstNode()
{
    for (int k = 0; k < GetCount(); ++k) {
        if (!m_Nodes[k] || !m_Nodes[k]->IsDerivedFrom(SgGroup::ClassID())) {
            m_Nodes.resize(k + 1);
            return;
        }
    }
}

void SgPath::CutToObject(int offset, bool fromEnd, bool stopAtLinked)
{
    int k;
    if (fromEnd) {
        k = GetCount() - 1;
        while (k >= 0 && !AsObject(m_Nodes[k]))
            --k;
    } else {
        k = 0;
        while (k < GetCount() && !AsObject(m_Nodes[k]))
            ++k;
    }
    const int limit = k + offset;
    while (GetCount() - 1 > limit) {
        SgNode *last = m_Nodes.back();
        if (stopAtLinked && AsObject(last) && IntField(last, "link", 0) != 0)
            return;
        m_Nodes.pop_back();
    }
}

void SgPath::LeaveToObject()
{
    const int at = GetObjectPos();
    if (at > 0)
        m_Nodes.erase(m_Nodes.begin(), m_Nodes.begin() + at);
}

bool SgPath::ExtendToShape()
{
    if (!IsEmpty() && m_Nodes.back() && m_Nodes.back()->IsShape())
        return true;
    CutToObject(0, true, false);
    SgNode *last = GetLastElement();
    SgSeparator *object = AsObject(last);
    if (!object)
        return false;

    const std::vector<SgNode *> *children;
    if (SgSeparator *inner = InnerGroupOf(object)) {
        Append(inner);
        if (object->IsObjectsGroup())
            return true;
        children = &inner->GetChildList();
        for (auto it = children->rbegin(); it != children->rend(); ++it) {
            if ((*it)->IsShape()) {
                Append(*it);
                return true;
            }
        }
        return false;
    }
    // Without an inner group only the object's first child is examined.
    children = &object->GetChildList();
    if (!children->empty() && children->front()->IsShape()) {
        Append(children->front());
        return true;
    }
    return false;
}

SgPath SgPath::GetFromTo(SgNode *to, SgNode *from) const
{
    SgPath result;
    int start = 0;
    if (from) {
        start = GetPosition(from);
        if (start < 0)
            return result;
    }
    for (int i = start; i < GetCount(); ++i) {
        result.m_Nodes.push_back(m_Nodes[i]);
        if (m_Nodes[i] == to)
            return result;
    }
    // `to` lies above `from` (or nowhere below it): nothing leads from one to the other.
    if (to && GetPosition(to) >= 0 && GetPosition(to) < start)
        result.Clear();
    return result;
}

SgSeparator *SgPath::GetObject(bool fromEnd) const
{
    if (fromEnd) {
        for (int i = GetCount() - 1; i >= 0; --i) {
            if (SgSeparator *object = AsObject(m_Nodes[i]))
                return object;
        }
        return nullptr;
    }
    for (SgNode *node : m_Nodes) {
        if (SgSeparator *object = AsObject(node))
            return object;
    }
    return nullptr;
}

int SgPath::GetObjectPos() const
{
    for (int i = 0; i < GetCount(); ++i) {
        if (AsObject(m_Nodes[i]))
            return i;
    }
    return -1;
}

SgSeparator *SgPath::FindSelected() const
{
    for (SgNode *node : m_Nodes) {
        SgSeparator *object = AsObject(node);
        if (object && object->isSelected())
            return object;
    }
    return nullptr;
}

bool SgPath::IsGroup() const
{
    for (SgNode *node : m_Nodes) {
        auto *separator = dynamic_cast<SgSeparator *>(node);
        if (separator && separator->IsObjectsGroup())
            return true;
    }
    return false;
}

bool SgPath::IsSnapable() const
{
    for (SgNode *node : m_Nodes) {
        if (!node || !node->IsSelectable())
            return false;
        if (AsObject(node) && IntField(node, "selectMode", 1) < 1)
            return false;
    }
    return true;
}

void *SgPath::FindInPath(void *(*fn)(SgNode *)) const
{
    if (!fn)
        return nullptr;
    for (SgNode *node : m_Nodes) {
        if (void *result = fn(node))
            return result;
    }
    return nullptr;
}

SgDocument *SgPath::FindDocInPath() const
{
    return static_cast<SgDocument *>(FindInPath(&SgPath::hasDoc));
}

void *SgPath::hasDoc(SgNode *node)
{
    return node ? static_cast<void *>(node->GetDocument()) : nullptr;
}
