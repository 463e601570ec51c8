#include "solids/modifiers/SgSimplifyModifier.h"

#include <exception>
#include <memory>

#include "engine/core/SgAction.h"
#include "platform/SgDiagnostics.h"
#include "solids/GmGeom.h"
#include "solids/GmTriangulate.h"
#include "solids/SgSolvane.h"
#include "solids/modifiers/GmMeshModifiers.h"

SG_CLASS_SOURCE(SgSimplifyModifier, SgModifier, SgFieldMngr, "SgSimplifyModifier")

SgSimplifyModifier::SgSimplifyModifier()
{
    AddField(m_epsilon, "epsilon", 0.03);
}

SgShape *SgSimplifyModifier::ApplyModifier(SgAction *action, SgShape *shape, Transform3 *, bool)
{
    std::unique_ptr<solvane::GmGeom> source(SgSolvane::ConvertToGeom(shape, action ? action->GetState() : nullptr));
    if (!source)
        return nullptr;
    try {
        return new SgSolvane(solvane::simplify_geom(*source, m_epsilon.Get(true)));
    } catch (const std::exception &error) {
        SgDiagWarning("Modifiers", "%s%s%s: %s; the shape is left as it was", GetClassName(),
                      GetName().empty() ? "" : " ", GetName().c_str(), error.what());
        return nullptr;
    }
}
