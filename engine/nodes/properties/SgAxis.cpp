#include "engine/nodes/properties/SgAxis.h"

#include "engine/core/SgRef.h"
#include "engine/nodes/geometry/SgCone.h"
#include "engine/nodes/geometry/SgPolyLine.h"
#include "engine/nodes/geometry/SgSphere.h"
#include "engine/nodes/properties/SgBillboard.h"
#include "engine/nodes/properties/SgMaterial.h"
#include "engine/nodes/properties/SgTransform.h"
#include "utilities/math/Color.h"

SG_CLASS_SOURCE(SgAxis, SgHelper, SgFieldMngr, "SgAxis")

namespace {

constexpr double kHalfPi = 1.5707963267948966;
// Where the billboard keeps the cross on the screen.
constexpr float kScreenPosition = 40.0f;

SgRef<SgMaterial> Coloured(const Color &color)
{
    SgRef<SgMaterial> material = new SgMaterial;
    material->m_diffuseColor.SetValue(0, color);
    return material;
}

} // namespace

SgObject *SgAxis::CreateArm(double length)
{
    auto *arm = new SgObject(true, true);
    auto *line = new SgPolyLine;
    const Vec3 points[2] = {{0.0, 0.0, 0.0}, {length, 0.0, 0.0}};
    line->AddLoop(2, points);
    arm->AddChild(line);
    arm->SetName("arm");
    return arm;
}

SgObject *SgAxis::CreateArrow(double radius, double height)
{
    auto *arrow = new SgObject(true, true);
    auto *cone = new SgCone;
    cone->m_bottomRadius.Set(radius);
    cone->m_height.Set(height);
    arrow->AddChild(cone);
    arrow->SetName("arrow");
    return arrow;
}

SgObject *SgAxis::CreateCenter(double radius)
{
    auto *ball = new SgObject(true, true);
    auto *sphere = new SgSphere;
    sphere->m_radius.Set(radius);
    ball->AddChild(sphere);
    ball->SetName("ball");
    return ball;
}

void SgAxis::Create(double armLength, double arrowRadius, double arrowHeight)
{
    SgRef<SgObject> x = new SgObject(true, true);
    SgRef<SgObject> y = new SgObject(true, true);
    SgRef<SgObject> z = new SgObject(true, true);

    SgRef<SgBillboard> billboard = new SgBillboard;
    billboard->m_displayMode.Set(1);
    billboard->m_sizeType.Set(1);
    billboard->m_positionType.Set(1);
    billboard->m_y.Set(kScreenPosition);
    billboard->m_x.Set(billboard->m_y.Get());
    AddChild(billboard.get());

    // One arm and one arrow head serve all three directions.
    SgRef<SgObject> arm = CreateArm(armLength);
    SgRef<SgObject> arrow = CreateArrow(arrowRadius, arrowHeight);

    x->AddChild(arm.get());
    x->AddChild(arrow.get());
    x->AddPropertyNode(Coloured(Color(1.0, 0.0, 0.0, 1.0)).get(), true);
    x->SetName("X-Axis");
    if (SgTransform *head = arrow->GetTransform(true)) {
        head->m_translation.Set(Vec3(armLength, 0.0, 0.0));
        // The cone points along z; the head points along the arm.
        head->TurnRight(-kHalfPi);
    }
    AddChild(x.get());

    y->AddChild(arm.get());
    y->AddChild(arrow.get());
    y->AddPropertyNode(Coloured(Color(0.0, 1.0, 0.0, 1.0)).get(), true);
    if (SgTransform *turn = y->GetTransform(true))
        turn->TurnZRight(-kHalfPi);
    y->SetName("Y-Axis");
    AddChild(y.get());

    z->AddChild(arm.get());
    z->AddChild(arrow.get());
    z->AddPropertyNode(Coloured(Color(0.0, 0.0, 1.0, 1.0)).get(), true);
    if (SgTransform *turn = z->GetTransform(true))
        turn->TurnRight(kHalfPi);
    z->SetName("Z-Axis");
    AddChild(z.get());

    m_selectMode.Set(0);
}
