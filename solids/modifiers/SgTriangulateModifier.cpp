#include "solids/modifiers/SgTriangulateModifier.h"

#include <exception>
#include <memory>

#include "engine/core/SgAction.h"
#include "platform/SgDiagnostics.h"
#include "solids/GmGeom.h"
#include "solids/GmMeshBuilder.h"
#include "solids/GmTriangulate.h"
#include "solids/SgSolvane.h"
#include "solids/modifiers/GmMeshModifiers.h"

SG_CLASS_SOURCE(SgTriangulateModifier, SgModifier, SgFieldMngr, "SgTriangulateModifier")

SgTriangulateModifier::SgTriangulateModifier()
{
    AddField(m_epsilon, "epsilon", 1e-07);
}

SgShape *SgTriangulateModifier::ApplyModifier(SgAction *action, SgShape *shape, Transform3 *, bool)
{
    std::unique_ptr<solvane::GmGeom> source(SgSolvane::ConvertToGeom(shape, action ? action->GetState() : nullptr));
    if (!source)
        return nullptr;
    try {
        solvane::triangulate(*source, m_epsilon.Get(true));
        // Solids made from the closed shells, as the other rebuilds make them.
        // The nodes keep their marks (a face set's held corners) through the
        // rebuild.
        solvane::GmGeom *rebuilt = solvane::geomFromMesh(solvane::meshFromGeom(*source), source->tolerance(), true);
        solvane::carry_node_attributes(*source, *rebuilt);
        return new SgSolvane(rebuilt);
    } catch (const std::exception &error) {
        SgDiagWarning("Modifiers", "%s%s%s: %s; the shape is left as it was", GetClassName(),
                      GetName().empty() ? "" : " ", GetName().c_str(), error.what());
        return nullptr;
    }
}
