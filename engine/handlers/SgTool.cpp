#include "engine/handlers/SgTool.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "engine/nodes/properties/SgMaterial.h"
#include "platform/SgClock.h"
#include "platform/SgRandom.h"
#include "utilities/math/Color.h"

SG_CLASS_SOURCE(SgTool, SgEventHandler, SgFieldMngr, "SgTool")

namespace {
// Draws thrown away before each colour component: consecutive draws of the
// sequence right after seeding are too close to each other.
constexpr int kDiscardedDraws = 10;

float RandomComponent()
{
    for (int i = 0; i < kDiscardedDraws; ++i)
        SgRand();
    return static_cast<float>(SgRand() % 255) / 255.0f;
}
} // namespace

SgTool::SgTool() : SgTool(Plane(Vec3(0.0, 0.0, 1.0), 0.0)) {}

SgTool::SgTool(const Plane &plane) : m_basePlane(plane), m_workPlane(plane) {}

SgTool::~SgTool()
{
    ReleaseCapture();
}

void SgTool::Start(SgHandleEventAction *, PickedPointQuery *)
{
    if (m_iStarted)
        return;
    // Without a viewer's event action there is no cursor to pick under: the
    // start point, cursor and view angle keep their values, as for a tool
    // without an object path.
    m_workPlane = m_basePlane;
    m_iStarted = 1;
    s_bToolActive = true;
}

void SgTool::Finish(SgHandleEventAction *)
{
    m_workPlane = m_basePlane;
    m_iStarted = 0;
    s_bToolActive = false;
    ReleaseCapture();
}

void SgTool::ReleaseCapture()
{
    // The viewer's window gives the capture back when viewers exist; the
    // tool only forgets it.
    m_pCapturedViewer = nullptr;
}

void SgTool::SetPlane(const Plane &plane)
{
    m_workPlane = plane;
    if (!m_iStarted)
        m_basePlane = plane;
}

Vec3 SgTool::IntersectWorkPlane(const Vec3 &rayStart, const Vec3 &rayEnd) const
{
    const Vec3 direction = rayEnd - rayStart;
    const double denominator = m_workPlane.GetNormal().Dot(direction);
    if (denominator == 0.0)
        return Vec3();
    const double u = (m_workPlane.GetDistance() - m_workPlane.GetNormal().Dot(rayStart)) / denominator;
    return rayStart + direction * u;
}

double SgTool::ViewAngle(const Vec3 &rayStart, const Vec3 &rayEnd) const
{
    Vec3 direction = rayEnd - rayStart;
    direction.Normalize(kMinRayLength);
    const double cosine = std::clamp(m_basePlane.GetNormal().Dot(direction), -1.0, 1.0);
    return std::acos(cosine) / (std::numbers::pi / 180.0);
}

SgMaterial *SgTool::BuildRandomMaterial()
{
    SgSrand(static_cast<unsigned int>(GetClock().Seconds()));
    const float red = RandomComponent();
    const float green = RandomComponent();
    const float blue = RandomComponent();
    auto *material = new SgMaterial;
    material->m_diffuseColor.SetValue(0, Color(red, green, blue, 1.0));
    material->m_ambientColor = material->m_diffuseColor;
    material->m_specularColor.SetValue(0, Color(0.8, 0.8, 0.8, 1.0));
    material->m_shininess.SetValue(0, 1.0f);
    return material;
}
