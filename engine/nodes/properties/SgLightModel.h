#pragma once
// The lighting model of the shapes after it. It writes no state: the render
// code reads the node itself.
#include "engine/core/SgNode.h"
#include "engine/core/SgTField.h"
#include "engine/core/NodaraExport.h"

class NODARA_API SgLightModel : public SgNode {
    SG_CLASS_HEADER(SgLightModel, SgFieldMngr)

    SgLightModel();

    bool IsPropertyNode() const override { return true; }

    SgFInt m_model;

protected:
    ~SgLightModel() override = default;
};
