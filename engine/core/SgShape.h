#pragma once
// Base of the nodes that draw something. What every shape answers: its box,
// its normal, whether it is a curve; what the traversal machinery needs of
// it: the record of what the modifier stack made of it last time, and the
// deformed points that point-moving modifiers hang on it.
#include "engine/core/SgNode.h"
#include "utilities/math/Range.h"
#include "utilities/math/Vec3.h"
#include "utilities/math/Vec3f.h"
#include "engine/core/NodaraExport.h"

class SgModifiersCache;

class NODARA_API SgShape : public SgNode {
    SG_CLASS_HEADER(SgShape, SgFieldMngr)

    SgShape() = default;

    bool IsShape() const override { return true; }
    bool AffectsState() const override { return false; }
    // A changed shape makes every modifier result derived from it stale.
    void OnChange(SgField *field) override;

    // Curves answer true.
    virtual bool IsGenPolyLine() const { return false; }
    // A shape that knows no extent reports the zero box (both corners at the
    // origin), not the empty one.
    virtual Range<Vec3f> BoundingBox();
    virtual Vec3 GetNormal(int, Vec3 &) { return Vec3(0.0, 0.0, 1.0); }

    // The setters store only: the previous record or array is neither freed
    // nor told.
    SgModifiersCache *GetModifierCache() const { return m_pModifierCache; }
    void SetModifierCache(SgModifiersCache *cache) { m_pModifierCache = cache; }
    // Not owned: the modifier result record owns the arrays.
    Vec3 *GetPointCache() const { return m_pPointCache; }
    void SetPointCache(Vec3 *points) { m_pPointCache = points; }

protected:
    // Frees the modifier result record, and with it the shapes and points the
    // modifiers made from this one.
    ~SgShape() override;

private:
    SgModifiersCache *m_pModifierCache = nullptr;
    Vec3 *m_pPointCache = nullptr;
};
