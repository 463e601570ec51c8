#include "engine/document/SgLayoutNode.h"

SgLayoutNode *SgLayoutNode::AddChild()
{
    if (m_iChildCount >= kMaxChildren)
        return nullptr;
    m_children[m_iChildCount] = std::make_unique<SgLayoutNode>(this);
    return m_children[m_iChildCount++].get();
}

void SgLayoutNode::FreeChildren()
{
    for (int i = 0; i < m_iChildCount; ++i) {
        m_children[i]->FreeChildren();
        m_children[i].reset();
    }
    m_iChildCount = 0;
}

SgLayoutNode *SgLayoutNode::GetChild(int index) const
{
    return index >= 0 && index < m_iChildCount ? m_children[index].get() : nullptr;
}

int SgLayoutNode::GetLeafCount() const
{
    if (m_iChildCount == 0)
        return 1;
    int leaves = 0;
    for (int i = 0; i < m_iChildCount; ++i)
        leaves += m_children[i]->GetLeafCount();
    return leaves;
}
