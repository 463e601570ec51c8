#pragma once
// One node of the screen layout of the viewers that a scene file keeps: a leaf
// stands for one viewer, an inner node splits its area among up to eight
// children. The numbers after the scale are kept as the file gives them.
#include <array>
#include <memory>
#include "engine/core/NodaraExport.h"

class NODARA_API SgLayoutNode {
public:
    static constexpr int kMaxChildren = 8;

    SgLayoutNode() = default;
    explicit SgLayoutNode(SgLayoutNode *parent) : m_pParent(parent) {}
    SgLayoutNode(const SgLayoutNode &) = delete;
    SgLayoutNode &operator=(const SgLayoutNode &) = delete;

    // Appends a new child (kind 1) and returns it; null when all eight slots are taken.
    SgLayoutNode *AddChild();
    // Frees the children depth-first; the count becomes 0.
    void FreeChildren();

    int GetChildCount() const { return m_iChildCount; }
    // Null outside 0 .. count - 1.
    SgLayoutNode *GetChild(int index) const;
    SgLayoutNode *GetParent() const { return m_pParent; }
    // The number of viewers the layout describes: 1 for a leaf, else the sum
    // over the children.
    int GetLeafCount() const;

    int m_iKind = 1;
    double m_dScale = 1.0;
    double m_dRect[4] = {0, 0, 0, 0};
    double m_dValue0 = 0.0;
    double m_dValue1 = 5.0;
    int m_iValue0 = 10;
    int m_iValue1 = 0;

private:
    int m_iChildCount = 0;
    std::array<std::unique_ptr<SgLayoutNode>, kMaxChildren> m_children;
    SgLayoutNode *m_pParent = nullptr;
};
