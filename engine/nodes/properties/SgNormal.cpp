#include "engine/nodes/properties/SgNormal.h"

#include "engine/core/SgAction.h"
#include "engine/core/SgElementClasses.h"

SG_CLASS_SOURCE(SgNormal, SgNode, SgFieldMngr, "SgNormal")

SgNormal::SgNormal()
{
    AddField(m_vector, "vector");
}

void SgNormal::DoAction(SgAction *action)
{
    // The shapes read the array through the element without evaluating it.
    m_vector.EvaluateAll();
    if (m_vector.IsIgnored())
        return;
    SgVecField<Vec3f, 14> *normals = &m_vector;
    NormalElement::Set(action->GetState(), this, normals);
}
