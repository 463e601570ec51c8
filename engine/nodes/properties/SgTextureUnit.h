#pragma once
// Chooses the texture unit that the texture nodes after it address.
#include "engine/core/SgNode.h"
#include "engine/core/SgTField.h"
#include "engine/core/NodaraExport.h"

class SgAction;

class NODARA_API SgTextureUnit : public SgNode {
    SG_CLASS_HEADER(SgTextureUnit, SgFieldMngr)

    // The units a vertex array can set up; "unit" counts from 0.
    static constexpr int kMaxUnits = 8;
    static bool IsValidUnit(int unit) { return unit >= 0 && unit < kMaxUnits; }

    SgTextureUnit();

    // Makes "unit" the current unit. A unit outside 0..kMaxUnits-1 is
    // refused with a diagnostic and the unit in force stays.
    void DoAction(SgAction *action) override;

    SgFInt m_unit;
    SgFInt m_mapMethod;

protected:
    ~SgTextureUnit() override = default;
};
