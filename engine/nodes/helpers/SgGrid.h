#pragma once
// The construction grid: a square of reference lines in the XY plane, major
// lines every "space" units and minor ones between. One quarter of the lines
// (parallel to y, at x >= 0) is computed; the graph draws it as built,
// mirrored in x, and both again turned a quarter about z.
#include "engine/core/SgRef.h"
#include "engine/core/SgTField.h"
#include "engine/nodes/object/SgHelper.h"
#include "engine/core/NodaraExport.h"

class SgPolyLine;
class SgMaterial;

class NODARA_API SgGrid : public SgHelper {
    SG_CLASS_HEADER(SgGrid, SgFieldMngr)

    // More lines per quarter than this are not drawn; the grid is capped
    // there with a diagnostic.
    static constexpr int kMaxLines = 10000;

    SgGrid();

    // Rebuilds both polylines from the fields. "subdivision" below 1 counts
    // as 1, a non-positive or non-finite "space" leaves the grid empty.
    virtual void Update();

    SgPolyLine *GetMajorLines() const { return m_major.get(); }
    SgPolyLine *GetMinorLines() const { return m_minor.get(); }

    SgFDouble m_dimension;
    SgFDouble m_space;
    SgFInt m_subdivision;

protected:
    ~SgGrid() override;
    void OnChange(SgField *field) override;

private:
    SgRef<SgPolyLine> m_major;
    SgRef<SgPolyLine> m_minor;
    SgRef<SgMaterial> m_majorMaterial;
    SgRef<SgMaterial> m_minorMaterial;
    bool m_bUpdating = false;
};
