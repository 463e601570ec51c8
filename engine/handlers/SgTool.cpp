#include "engine/handlers/SgTool.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include <set>

#include "engine/actions/PickedPointQuery.h"
#include "engine/actions/SgPickedPoint.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/handlers/SgToolLink.h"
#include "engine/nodes/properties/SgMaterial.h"
#include "platform/SgClock.h"
#include "platform/SgRandom.h"
#include "utilities/math/Color.h"

SG_CLASS_SOURCE(SgTool, SgEventHandler, SgFieldMngr, "SgTool")

namespace {
// Draws thrown away before each colour component: consecutive draws of the
// sequence right after seeding are too close to each other.
constexpr int kDiscardedDraws = 10;

// Tools that hold a viewer's capture, so that a viewer going away can be
// forgotten by them before they try to give it back.
std::set<SgTool *> &CapturingTools()
{
    static std::set<SgTool *> tools;
    return tools;
}

// The pick region of a point pick, in pixels.
constexpr double kPointPickRadius = 1.0;
// The pick region of a path pick, in pixels.
constexpr double kPathPickRadius = 5.0;
// A ray whose direction has less than this share along the plane's normal
// counts as parallel to the plane.
constexpr double kParallelTolerance = 1e-12;

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

void SgTool::Start(SgHandleEventAction *action, PickedPointQuery *query)
{
    if (m_iStarted)
        return;
    int x = 0;
    int y = 0;
    if (SgToolLink::EventPoint(action, x, y) && !m_ObjectPath.IsEmpty()) {
        m_startPoint = PickPoint(action, query);
        m_iCursorX = x;
        m_iCursorY = y;
        Vec3 start;
        Vec3 end;
        if (SgToolLink::ObjectRay(action, x, y, m_ObjectPath, start, end))
            m_dViewAngle = ViewAngle(start, end);
    }
    m_workPlane = m_basePlane;
    m_iStarted = 1;
    s_bToolActive = true;
    if (SgViewer *viewer = SgToolLink::Viewer(action))
        HoldCapture(viewer);
}

void SgTool::Finish(SgHandleEventAction *)
{
    m_workPlane = m_basePlane;
    m_iStarted = 0;
    s_bToolActive = false;
    ReleaseCapture();
}

Vec3 SgTool::PickPoint(SgHandleEventAction *action, PickedPointQuery *query)
{
    int x = 0;
    int y = 0;
    if (!SgToolLink::EventPoint(action, x, y))
        return m_currentPoint;
    if (m_bProjectOnPlane) {
        Vec3 start;
        Vec3 end;
        if (SgToolLink::ObjectRay(action, x, y, m_ObjectPath, start, end))
            m_currentPoint = IntersectWorkPlane(start, end, m_currentPoint);
        return m_currentPoint;
    }
    SgPickedPoint hit;
    Vec3 local;
    if (SgToolLink::PickNearest(action, kPointPickRadius, query, hit) &&
        SgToolLink::WorldToObject(action, hit.m_Point, m_ObjectPath, local))
        m_currentPoint = local;
    return m_currentPoint;
}

Vec3 SgTool::ProjectOnLine(SgHandleEventAction *action, const Vec3 &lineStart, const Vec3 &lineEnd)
{
    int x = 0;
    int y = 0;
    Vec3 rayStart;
    Vec3 rayEnd;
    if (!SgToolLink::EventPoint(action, x, y) || !SgToolLink::ObjectRay(action, x, y, m_ObjectPath, rayStart, rayEnd))
        return m_currentPoint;
    // Closest points of the line A + s u and the ray B + t v.
    const Vec3 u = lineEnd - lineStart;
    const Vec3 v = rayEnd - rayStart;
    const Vec3 w = lineStart - rayStart;
    const double a = u.Dot(u);
    const double b = u.Dot(v);
    const double c = v.Dot(v);
    const double d = u.Dot(w);
    const double e = v.Dot(w);
    const double denominator = a * c - b * b;
    if (a <= 0.0 || std::abs(denominator) <= kParallelTolerance * a * c)
        return m_currentPoint;
    m_currentPoint = lineStart + u * ((b * e - c * d) / denominator);
    return m_currentPoint;
}

bool SgTool::SnapPoint(SgHandleEventAction *action, Vec3 &point)
{
    // The tool's own object is not a target: it leaves the pick for its duration.
    SgSeparator *own = m_ObjectPath.IsEmpty() ? nullptr : m_ObjectPath.GetObject(true);
    auto *object = own && own->IsDerivedFrom(SgObject::ClassID()) ? static_cast<SgObject *>(own) : nullptr;
    struct SelectModeScope {
        SgObject *object;
        int saved;
        // Quietly and without undo: the pick is no edit of the scene.
        explicit SelectModeScope(SgObject *o) : object(o), saved(o ? o->m_selectMode.Get(true) : 0)
        {
            const int none = 0;
            if (object)
                object->m_selectMode.SetValuePtr(&none, -1, false, true);
        }
        ~SelectModeScope()
        {
            if (object)
                object->m_selectMode.SetValuePtr(&saved, -1, false, true);
        }
    } scope(object);

    PickedPointQuerySnapable snapable;
    SgPickedPoint hit;
    if (!SgToolLink::PickNearest(action, kPointPickRadius, &snapable, hit))
        return false;
    point = hit.m_Point;
    return true;
}

SgPath SgTool::PickPath(SgHandleEventAction *action)
{
    SgPickedPoint hit;
    if (!SgToolLink::PickNearest(action, kPathPickRadius, nullptr, hit))
        return SgPath();
    return hit.m_Path;
}

void SgTool::HoldCapture(SgViewer *viewer)
{
    ReleaseCapture();
    m_pCapturedViewer = viewer;
    CapturingTools().insert(this);
    SgToolLink::SetCapture(viewer);
}

void SgTool::ReleaseCapture()
{
    CapturingTools().erase(this);
    SgViewer *viewer = m_pCapturedViewer;
    m_pCapturedViewer = nullptr;
    SgToolLink::ReleaseCapture(viewer);
}

void SgTool::ViewerGone(SgViewer *viewer)
{
    for (SgTool *tool : CapturingTools()) {
        if (tool->m_pCapturedViewer == viewer)
            tool->m_pCapturedViewer = nullptr;
    }
}

void SgTool::SetPlane(const Plane &plane)
{
    m_workPlane = plane;
    if (!m_iStarted)
        m_basePlane = plane;
}

Vec3 SgTool::IntersectWorkPlane(const Vec3 &rayStart, const Vec3 &rayEnd, const Vec3 &parallel) const
{
    const Vec3 direction = rayEnd - rayStart;
    const double denominator = m_workPlane.GetNormal().Dot(direction);
    // A ray that grazes the plane meets it too far away to mean anything.
    if (std::abs(denominator) <= kParallelTolerance * direction.Length())
        return parallel;
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

bool SgTool::s_bToolActive = false;
