#pragma once
// Gathers the points of the shapes below a node, each with the world matrix
// it lies under, for nodes that place things on other geometry (scattering).
// Face sets are taken as drawn (after the modifiers in force), curves as
// sampled, point sets as the coordinates in force; gizmo geometry is not
// part of the model and is left out.
//
//   SgCollectShapesAction collect;
//   if (collect.Apply(root))
//       for (int i = 0; i < collect.m_Items.GetSize(); ++i)
//           Walk(collect.m_Items[i]->transform, *collect.m_Items[i]->iterator);
#include <memory>
#include <vector>

#include "engine/core/SgAction.h"
#include "engine/actions/VertexIterator.h"
#include "engine/core/smarkArray.h"
#include "engine/nodes/geometry/SgScatter.h"
#include "utilities/math/Transform3.h"
#include "engine/core/NodaraExport.h"

struct NODARA_API CollectedItem {
    Transform3 transform;                     // world matrix of the shape
    std::unique_ptr<VertexIterator> iterator; // the shape's points
    bool radial = false;                      // a curve whose points lie about the origin
};

class NODARA_API SgCollectShapesAction : public SgAction {
    SG_ACTION_HEADER(SgCollectShapesAction)

    static constexpr int kInitialItems = 10;

    // Throws SgOutOfMemory ("smarkArray::smarkArray : out of memory") when
    // the item array cannot be allocated.
    SgCollectShapesAction();
    ~SgCollectShapesAction() override;

    // Appends an item for the iterator (taken over even when the append
    // fails) under the current transform. Visitors of shape classes that
    // other libraries register end here.
    void AddItem(std::unique_ptr<VertexIterator> iterator, bool radial);

    static void VisitFaceSet(SgAction *action, SgNode *node);
    static void VisitPolyLine(SgAction *action, SgNode *node);
    static void VisitPointSet(SgAction *action, SgNode *node);
    // The live particles of an emitter.
    static void VisitEmitter(SgAction *action, SgNode *node);
    static void VisitGizmoGroup(SgAction *action, SgNode *node);

    // The scatter node's collector (SgScatter::CollectFunction): the shapes
    // below the target in the caller's state, with the transform started
    // over at the scatter node.
    static bool CollectForScatter(SgAction *action, SgNode *scatter, SgNode *target,
                                  std::vector<SgScatter::Item> &items);

    // Owned, deleted with the action. Items accumulate over Apply calls.
    FlexArray<CollectedItem *> m_Items;
};
