#pragma once
// The cache that holds a result shape: a procedural shape's generated mesh or
// the solid library's boolean result.
#include "engine/core/SgCache.h"
#include "engine/core/SgRef.h"
#include "engine/core/NodaraExport.h"

class SgShape;

class NODARA_API SgBooleanCache : public SgCache {
public:
    SgBooleanCache() = default;
    ~SgBooleanCache() override;

    // Lets go of the shape (deleted unless someone else holds a reference).
    void DestroyCache() override;

    SgShape *GetShape() const { return m_pShape; }
    // The cache holds a reference to the shape; a different shape stored in
    // its place is let go, so forgetting DestroyCache first leaks nothing.
    void SetShape(SgShape *shape);

private:
    SgRef<SgShape> m_pShape;
};
