#pragma once
// Keeps what follows it at a size and orientation relative to the window. The
// node only carries the settings: the window-aligned render action reads them
// directly and applies the display, rotation, size and position modes.
#include "engine/core/SgNode.h"
#include "engine/core/SgTField.h"
#include "engine/core/NodaraExport.h"

class NODARA_API SgBillboard : public SgNode {
    SG_CLASS_HEADER(SgBillboard, SgFieldMngr)

    SgBillboard();

    bool IsPropertyNode() const override { return true; }

    SgFInt m_displayMode;
    SgFInt m_conditionalDisplay;
    SgFInt m_rotationType;
    SgFInt m_sizeType;
    SgFInt m_positionType;
    SgFInt m_selectable;
    SgFFloat m_size;
    // Screen position.
    SgFFloat m_x;
    SgFFloat m_y;
    SgFFloat m_z;
    SgFVec3 m_targetPoint;
    SgFRotation m_targetRotation;

protected:
    ~SgBillboard() override = default;
};
