#pragma once
// Texture combiner settings. Its values are members only: they have no names,
// take no part in the field table and are neither read nor written with the
// scene; the render code reaches them through the node.
#include "engine/core/SgNode.h"
#include "engine/core/SgTField.h"
#include "engine/core/SgVecField.h"
#include "engine/core/NodaraExport.h"

class NODARA_API SgTextureCombine : public SgNode {
    SG_CLASS_HEADER(SgTextureCombine, SgFieldMngr)

    SgTextureCombine();

    SgVFInt m_values1;
    SgVFInt m_values2;
    SgVFInt m_values3;
    SgVFInt m_values4;
    SgFInt m_int1;
    SgFInt m_int2;
    SgFColor m_color;
    SgFFloat m_float1;
    SgFFloat m_float2;

protected:
    ~SgTextureCombine() override = default;
};
