#include "engine/nodes/properties/SgInfo.h"

SG_CLASS_SOURCE(SgInfo, SgNode, SgFieldMngr, "SgInfo")

SgInfo::SgInfo()
{
    AddField(m_data, "data", std::string());
    AddField(m_realData, "realData");
    AddField(m_intData, "intData");
}
