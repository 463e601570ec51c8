#include "engine/nodes/properties/SgLightModel.h"

SG_CLASS_SOURCE(SgLightModel, SgNode, SgFieldMngr, "SgLightModel")

SgLightModel::SgLightModel()
{
    AddField(m_model, "model", 1);
}
