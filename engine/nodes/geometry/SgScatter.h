#pragma once
// Copies of one object placed at the points of another. The shape's internal
// separator holds two objects: the source, drawn once per placement, and the
// target, whose shapes give the places (and, through their normals or their
// radial layout, the turn of each copy). Nothing is copied into the scene:
// each traversal visits the source again under a transform of its own for
// every place.
#include <functional>
#include <vector>

#include "engine/core/SgTField.h"
#include "engine/nodes/geometry/SgGeometricShape.h"
#include "engine/core/NodaraExport.h"

class NODARA_API SgScatter : public SgGeometricShape {
    SG_CLASS_HEADER(SgScatter, SgFieldMngr)

    // One point of a collected shape: where it lies in the shape's own
    // coordinates and relative to the scatter node, with the normals of the
    // surfaces that meet there summed (when the shape has normals).
    struct Place {
        Vec3 local;
        Vec3 world;
        int normals = 0;
        Vec3 normalSum;
    };
    // The points of one collected shape, in its iterator's order.
    struct Item {
        bool radial = false;
        bool hasNormals = false;
        std::vector<Place> places;
    };
    // Gathers the shapes below `target` with the traversal state of `action`
    // (the transform started over at `scatter`); false when that failed. The
    // shape-collecting pass lives in a higher layer, which installs it at
    // start-up.
    using CollectFunction = bool (*)(SgAction *action, SgNode *scatter, SgNode *target, std::vector<Item> &items);
    static void SetCollectFunction(CollectFunction collect);
    static CollectFunction GetCollectFunction();

    SgScatter();

    // Exploded: both objects where they stand. Otherwise the target (with
    // "showTarget") and one copy of the source per place. A box pass stops
    // after the first copy, an event pass after the third.
    void DoAction(SgAction *action) override { PlaceCopies(action, nullptr); }
    // What DoAction does, with each copy (its transform and the source)
    // traversed inside `scope` when one is given: a renderer saves there
    // what the traversal state does not hold (its matrix and attributes).
    using PlacementScope = std::function<void(const std::function<void()> &)>;
    void PlaceCopies(SgAction *action, const PlacementScope &scope);

    SgFInt m_mode;
    SgFInt m_count;
    SgFInt m_skip;
    SgFUShort m_showTarget;

protected:
    ~SgScatter() override = default;
};
