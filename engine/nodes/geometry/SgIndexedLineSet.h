#pragma once
// Polylines as the scene files give them: runs of coordinate indexes ended
// by -1, over the coordinates in force.
#include "engine/core/SgTField.h"
#include "engine/core/SgVecField.h"
#include "engine/core/SgShape.h"
#include "engine/core/NodaraExport.h"

class NODARA_API SgIndexedLineSet : public SgShape {
    SG_CLASS_HEADER(SgIndexedLineSet, SgFieldMngr)

    SgIndexedLineSet();

    SgVFInt m_coordIndex;
    SgFInt m_colorPerVertex;

protected:
    ~SgIndexedLineSet() override = default;
};
