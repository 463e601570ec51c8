#pragma once
// Switches texturing on or off for the shapes after it.
#include "engine/core/SgNode.h"
#include "engine/core/SgTField.h"
#include "engine/core/NodaraExport.h"

class SgAction;

class NODARA_API SgTextureEnable : public SgNode {
    SG_CLASS_HEADER(SgTextureEnable, SgFieldMngr)

    SgTextureEnable();

    void DoAction(SgAction *action) override;

    SgFUShort m_bEnable;

protected:
    ~SgTextureEnable() override = default;
};
