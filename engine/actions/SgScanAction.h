#pragma once
// The pass before drawing: records in every separator which kinds of special
// nodes (lights, billboards, translucent materials, transform sensors,
// dynamic effects) lie below it, so that the drawing passes skip subtrees
// that hold none, and brings every transform sensor's outputs up to its
// world placement. Asked to, it also makes ahead the vertex normals that
// the drawing will need, several meshes at a time.
//
//   SgScanAction scan;
//   scan.Apply(root);
//   if (SgScanCache::GetFlags(separator) & SgScanCache::kLight) ...
#include <unordered_set>
#include <vector>

#include "engine/core/SgAction.h"
#include "engine/core/SgRef.h"
#include "engine/actions/SgScanCache.h"
#include "engine/nodes/geometry/SgIndexedFaceSet.h"
#include "engine/core/NodaraExport.h"

class SgNormalGenerator;

class NODARA_API SgScanAction : public SgAction {
    SG_ACTION_HEADER(SgScanAction)

    SgScanAction() { InitState(); }
    ~SgScanAction() override = default;

    // As SgAction::Apply, after clearing the flags of any earlier scan.
    bool Apply(SgNode *node) override;

    // The flags of everything the last Apply met.
    int GetFlags() const { return m_cache.m_nFlags; }

    // With `prepare`, Apply also makes the vertex normals of the indexed
    // face sets it meets that have none for the points and crease angle in
    // force, as drawing them would, spread over threads when there are
    // enough of them: a scene's first frame then waits for the largest share
    // of one thread rather than for all of them in turn. Each mesh is made
    // by one thread as it would be alone, so the normals are the same.
    // Meshes that the drawing deforms (under a modifier) are left to it.
    void SetPrepareNormals(bool prepare) { m_bPrepareNormals = prepare; }
    // The meshes the last Apply made normals for.
    int GetPreparedCount() const { return m_nPrepared; }

    static void VisitSeparator(SgAction *action, SgNode *node);
    static void VisitLight(SgAction *action, SgNode *node);
    static void VisitBillboard(SgAction *action, SgNode *node);
    static void VisitMaterial(SgAction *action, SgNode *node);
    static void VisitTransformSensor(SgAction *action, SgNode *node);
    // For libraries that register these node classes after the start-up.
    static void VisitDynamicEffect(SgAction *action, SgNode *node);
    // Boolean shapes: their operands lie in the shape's internal separator.
    static void VisitShapeSeparator(SgAction *action, SgNode *node);
    static void VisitIndexedFaceSet(SgAction *action, SgNode *node);
    static void VisitModifier(SgAction *action, SgNode *node);
    // Parametric objects change their meshes with every instance drawn.
    static void VisitParametricObject(SgAction *action, SgNode *node);

private:
    void PrepareNormals();

    SgScanCache m_cache;
    bool m_bPrepareNormals = false;
    // Modifiers met in the separators being scanned, and parametric objects
    // entered: either keeps the meshes below from being prepared.
    int m_nModifiers = 0;
    int m_nParametric = 0;
    std::unordered_set<const SgIndexedFaceSet *> m_met;
    // The meshes waiting, held so that none goes while the scan runs, each
    // with the generator it had then.
    struct Pending {
        SgRef<SgIndexedFaceSet> mesh;
        SgNormalGenerator *normals;
    };
    std::vector<Pending> m_pending;
    long long m_nPendingIndexes = 0;
    int m_nPrepared = 0;
};
