#pragma once
// Free data kept in the scene: a text, numbers and integers. It writes no state.
#include "engine/core/SgNode.h"
#include "engine/core/SgTField.h"
#include "engine/core/SgVecField.h"
#include "engine/core/NodaraExport.h"

class NODARA_API SgInfo : public SgNode {
    SG_CLASS_HEADER(SgInfo, SgFieldMngr)

    SgInfo();

    SgFStr m_data;
    SgVFDouble m_realData;
    SgVFInt m_intData;

protected:
    ~SgInfo() override = default;
};
