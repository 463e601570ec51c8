#include "engine/nodes/properties/SgTextureUnit.h"

#include "engine/core/SgAction.h"
#include "engine/core/SgElementClasses.h"
#include "platform/SgDiagnostics.h"

SG_CLASS_SOURCE(SgTextureUnit, SgNode, SgFieldMngr, "SgTextureUnit")

SgTextureUnit::SgTextureUnit()
{
    AddField(m_unit, "unit", 0);
    AddField(m_mapMethod, "mapMethod", 0);
}

void SgTextureUnit::DoAction(SgAction *action)
{
    if (m_unit.IsIgnored())
        return;
    const int unit = m_unit.Get();
    if (!IsValidUnit(unit)) {
        SgDiagWarning("Texture", "SgTextureUnit \"%s\": texture unit %d is outside 0..%d; the unit in force stays",
                      GetName().c_str(), unit, kMaxUnits - 1);
        return;
    }
    TextureUnitElement::Set(action->GetState(), this, unit);
}
