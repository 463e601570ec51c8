#pragma once
// A range of the coordinates in force, drawn as points.
#include "engine/core/SgTField.h"
#include "engine/core/SgShape.h"
#include "engine/core/NodaraExport.h"

class NODARA_API SgPointSet : public SgShape {
    SG_CLASS_HEADER(SgPointSet, SgFieldMngr)

    SgPointSet();

    // The points of `available` coordinates that the fields select: from
    // "startIndex" on, "numPoints" of them (-1: all the rest), cut to what
    // exists. False, with count 0, when no point is selected.
    bool GetPointRange(int available, int &first, int &count) const;

    SgFInt m_startIndex;
    SgFInt m_numPoints;

protected:
    ~SgPointSet() override = default;
};
