#pragma once
// A group through which a traversal visits one chosen child only: "whichChild"
// counts from 0; -3 visits every child, any other value out of range none.
#include "engine/core/SgGroup.h"
#include "engine/core/SgTField.h"
#include "engine/core/NodaraExport.h"

class NODARA_API SgSwitch : public SgGroup {
    SG_CLASS_HEADER(SgSwitch, SgFieldMngr)

    // The value that makes the switch visit every child.
    static constexpr int kAllChildren = -3;

    SgSwitch();

    void DoAction(SgAction *action) override;

    SgFInt m_whichChild;

protected:
    ~SgSwitch() override = default;
};
