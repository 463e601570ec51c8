#pragma once
// A terrain shape: a height function over the rectangle -width/2 .. width/2
// by -height/2 .. height/2, tessellated adaptively into an open triangulated
// sheet held by a solid node (its result). The function is the built-in test
// relief ("sampleType" 0) or a terrain map of measured points that a caller
// (the conform shape) fills through CreateAdaptiveGrid, InitSample,
// AddPointToGrid and SampleGrid.
#include <memory>

#include "engine/core/SgTField.h"
#include "engine/core/SgVecField.h"
#include "engine/nodes/geometry/SgGeometricShape.h"
#include "solids/SolvaneExport.h"

class DTMMap;
class PointUVFunc;

namespace solvane {
class GmGeom;
}

class SOLVANE_API SgElevation : public SgGeometricShape {
    SG_CLASS_HEADER(SgElevation, SgFieldMngr)

    SgElevation();

    void DoAction(SgAction *action) override;

    // A new tessellation of the height function the fields ask for (the
    // terrain map stays when "sampleType" is not 0 and there is one).
    solvane::GmGeom *CreateGeom();
    // A new terrain map over the rectangle (cells of 0.1, radius "gausSigma").
    void CreateAdaptiveGrid(SgAction *action);
    void InitSample();
    void AddPointToGrid(const Vec3 &p);
    void SampleGrid();
    // A new tessellation of the current height function; the caller owns it.
    // Null without a function.
    solvane::GmGeom *Tesselate();

    const PointUVFunc *GetFunction() const { return m_function.get(); }
    DTMMap *GetTerrainMap() const;

    SgFVec3 m_origin;
    SgFVec3 m_originLocation;
    SgFDouble m_width;
    SgFDouble m_height;
    SgFDouble m_cellSize;
    SgFDouble m_tolerance;
    SgFDouble m_gausSigma;
    SgFInt m_surfTessType;
    SgFInt m_sampleType;
    SgVFFloat m_grid;

protected:
    ~SgElevation() override;

private:
    Range<Vec3f> Rectangle();

    std::unique_ptr<PointUVFunc> m_function;
};
