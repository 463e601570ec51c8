#pragma once
// Walks a scene graph and puts its nodes into the scene-tree panel: one node
// item per node under the current parent item. A node's fields and children
// are built when its item is expanded (BuildContents), so opening the tree of
// a large scene costs one item per top-level node. The visitors are
// registered by the library's start-up (arbelo::Arbelo::Init).
#include "engine/core/SgAction.h"
#include "treepanel/StTreeView.h"
#include "treepanel/ArbeloExport.h"

namespace arbelo {
class CArbeloCtrl;
}

class ARBELO_API StBuildTreeAction : public SgAction {
    SG_ACTION_HEADER(StBuildTreeAction)

    StBuildTreeAction() = default;
    StBuildTreeAction(arbelo::CArbeloCtrl *tree, bool showPointers) : m_pTree(tree), m_bShowPointers(showPointers) {}

    StItem GetParentItem() const { return m_parent; }
    void SetParentItem(StItem item) { m_parent = item; }
    // Puts the node's fields and children under `item`.
    void BuildContents(SgNode *node, StItem item);

    static void VisitNode(SgAction *action, SgNode *node);
    static void VisitGroup(SgAction *action, SgNode *node);

private:
    arbelo::CArbeloCtrl *m_pTree = nullptr;
    bool m_bShowPointers = false;
    StItem m_parent = 0;
};
