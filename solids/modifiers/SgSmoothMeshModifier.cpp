#include "solids/modifiers/SgSmoothMeshModifier.h"

#include <exception>
#include <memory>

#include "engine/core/SgAction.h"
#include "platform/SgDiagnostics.h"
#include "solids/GmGeom.h"
#include "solids/GmTriangulate.h"
#include "solids/SgSolvane.h"
#include "solids/modifiers/GmMeshModifiers.h"

SG_CLASS_SOURCE(SgSmoothMeshModifier, SgModifier, SgFieldMngr, "SgSmoothMeshModifier")

SgSmoothMeshModifier::SgSmoothMeshModifier()
{
    AddField(m_iterations, "iterations", 1);
}

SgShape *SgSmoothMeshModifier::ApplyModifier(SgAction *action, SgShape *shape, Transform3 *, bool)
{
    std::unique_ptr<solvane::GmGeom> source(SgSolvane::ConvertToGeom(shape, action ? action->GetState() : nullptr));
    if (!source)
        return nullptr;
    try {
        const int passes = m_iterations.Get(true);
        if (passes < 0)
            SgDiagWarning("Modifiers", "SgSmoothMeshModifier: \"iterations\" %d is taken as 0", passes);
        int made = 0;
        SgSolvane *result = new SgSolvane(solvane::smooth_geom(*source, passes, &made));
        if (made < passes)
            SgDiagWarning("Modifiers",
                          "%s%s%s: \"iterations\" %d would make more than %zu faces; %d %s made",
                          GetClassName(), GetName().empty() ? "" : " ", GetName().c_str(), passes,
                          solvane::kMaxSmoothFaces, made, made == 1 ? "pass was" : "passes were");
        return result;
    } catch (const std::exception &error) {
        SgDiagWarning("Modifiers", "%s%s%s: %s; the shape is left as it was", GetClassName(),
                      GetName().empty() ? "" : " ", GetName().c_str(), error.what());
        return nullptr;
    }
}
