#include "solids/modifiers/SgSliceModifier.h"

#include <cmath>
#include <exception>
#include <memory>
#include <string>

#include "engine/core/SgAction.h"
#include "engine/core/SgElementClasses.h"
#include "engine/core/SgGizmoGroup.h"
#include "engine/nodes/geometry/SgBox.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/nodes/properties/SgDrawStyle.h"
#include "engine/nodes/properties/SgTransform.h"
#include "platform/SgDiagnostics.h"
#include "solids/GmGeom.h"
#include "solids/GmValidity.h"
#include "solids/SgSolvane.h"
#include "solids/modifiers/GmMeshModifiers.h"

SG_CLASS_SOURCE(SgSliceModifier, SgObjSpaceModifier, SgFieldMngr, "SgSliceModifier")

SgSliceModifier::SgSliceModifier()
{
    AddField(m_sliceType, "sliceType", 1);
    AddField(m_rectSize, "rectSize", Vec3f(-1.0f, -1.0f, -1.0f));
}

SgShape *SgSliceModifier::ApplyModifier(SgAction *action, SgShape *shape, Transform3 *transform, bool)
{
    if (!shape)
        return nullptr;
    SgState *state = action ? action->GetState() : nullptr;
    // The sheet's frame in the shape's coordinates.
    Mat4 sheetToShape;
    if (m_localTransform.Get(true) == 0) {
        Mat4 toGizmo;
        const Mat4 model = state ? TransformElement::Get(state) : Mat4();
        if (!GizmoFrames(model, transform ? *transform : Transform3(), toGizmo, sheetToShape))
            return nullptr;
    }
    std::unique_ptr<solvane::GmGeom> source(SgSolvane::ConvertToGeom(shape, state));
    if (!source || source->faceCount() == 0)
        return nullptr;
    // Only a closed solid can be cut into a closed solid; the checker's
    // list of edges is for the kernel's developers, not the user.
    const solvane::GmValidityReport validity = solvane::check_validity(*source);
    if (!validity.ok) {
        SgDiagWarning("Modifiers", "SgSliceModifier%s%s: the shape is not a closed solid (%d problems found, such as "
                      "open edges); it is left whole",
                      GetName().empty() ? "" : " ", GetName().c_str(), int(validity.problems.size()));
        return nullptr;
    }
    // A sheet wide enough to span the shape from wherever the gizmo sits.
    const solvane::GmBox box = source->get_bbox();
    const Vec3 centre = (box.min + box.max) * 0.5;
    const Vec3 origin = sheetToShape.MultPoint(Vec3(0, 0, 0));
    const double size = 2.0 * ((box.max - box.min).Length() + (centre - origin).Length()) + 1e-3;
    try {
        std::unique_ptr<solvane::GmGeom> sliced(solvane::slice_geom(*source, sheetToShape, size, m_sliceType.Get(true)));
        return new SgSolvane(sliced.release());
    } catch (const std::exception &error) {
        // One line: the first of what the kernel says.
        std::string why = error.what();
        why = why.substr(0, why.find('\n'));
        SgDiagWarning("Modifiers", "SgSliceModifier%s%s: the cut could not be made (%s); the shape is left whole",
                      GetName().empty() ? "" : " ", GetName().c_str(), why.c_str());
        return nullptr;
    }
}

SgGroup *SgSliceModifier::CreateGizmoGroup(SgObject *object, bool fitToObject, bool centred)
{
    Vec3 translation;
    GizmoBox(object, fitToObject, centred, translation);
    SgTransform *transform = EnsureGizmoTransform(translation);

    SgRef<SgObject> gizmo(new SgObject(false, true));
    gizmo->AddPropertyNode(transform, false);
    SgRef<SgDrawStyle> style(new SgDrawStyle);
    style->m_style.Set(2);
    style->m_lineWidth.Set(1.0f);
    gizmo->AddPropertyNode(style.get(), false);
    // The sheet edge-on: as wide as the box's diagonal, 0.01 thick.
    const Vec3f s = m_boxSize.Get(true);
    const double diagonal = std::sqrt(double(s.x) * s.x + double(s.y) * s.y + double(s.z) * s.z);
    SgRef<SgBox> sheet(new SgBox);
    sheet->m_width.Set(diagonal);
    sheet->m_depth.Set(diagonal);
    sheet->m_height.Set(0.01);
    gizmo->AddChild(sheet.get());
    SgRef<SgControlModifier> control(new SgControlModifier);
    control->m_action.Set(static_cast<int>(SgControlModifier::kKeepReferenced));
    control->m_refNode.Set(NodePtr(sheet.get()));
    gizmo->AddPropertyNodeAfter(control.get(), style.get());

    SgAdopt<SgGizmoGroup> group(new SgGizmoGroup);
    group.get()->AddChild(this);
    group.get()->AddChild(gizmo.get());
    return group.release();
}
