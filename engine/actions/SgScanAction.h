#pragma once
// The pass before drawing: records in every separator which kinds of special
// nodes (lights, billboards, translucent materials, transform sensors,
// dynamic effects) lie below it, so that the drawing passes skip subtrees
// that hold none, and brings every transform sensor's outputs up to its
// world placement.
//
//   SgScanAction scan;
//   scan.Apply(root);
//   if (SgScanCache::GetFlags(separator) & SgScanCache::kLight) ...
#include "engine/core/SgAction.h"
#include "engine/actions/SgScanCache.h"

class SgScanAction : public SgAction {
    SG_ACTION_HEADER(SgScanAction)

    SgScanAction() { InitState(); }
    ~SgScanAction() override = default;

    // As SgAction::Apply, after clearing the flags of any earlier scan.
    bool Apply(SgNode *node) override;

    // The flags of everything the last Apply met.
    int GetFlags() const { return m_cache.m_nFlags; }

    static void VisitSeparator(SgAction *action, SgNode *node);
    static void VisitLight(SgAction *action, SgNode *node);
    static void VisitBillboard(SgAction *action, SgNode *node);
    static void VisitMaterial(SgAction *action, SgNode *node);
    static void VisitTransformSensor(SgAction *action, SgNode *node);
    // For libraries that register these node classes after the start-up.
    static void VisitDynamicEffect(SgAction *action, SgNode *node);
    // Boolean shapes: their operands lie in the shape's internal separator.
    static void VisitShapeSeparator(SgAction *action, SgNode *node);

private:
    SgScanCache m_cache;
};
