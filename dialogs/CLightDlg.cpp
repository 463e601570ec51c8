#include "dialogs/CLightDlg.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "engine/core/SgPath.h"
#include "engine/core/SgSeparator.h"
#include "engine/document/SgDocument.h"
#include "engine/handlers/SgSelectionHandler.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/nodes/properties/SgLight.h"
#include "engine/render/SgViewport.h"
#include "engine/viewer/SgViewer.h"
#include "platform/SgChoosers.h"

namespace {

constexpr double kDegree = std::numbers::pi / 180.0;

double Finite(double value, double low, double high)
{
    return std::isfinite(value) ? std::clamp(value, low, high) : 0.0;
}

// Depth first, the first node below `node` (itself included) that the test accepts.
SgNode *FindBelow(SgNode *node, bool (*accept)(SgNode *), int depth = 0)
{
    if (!node || depth > 256)
        return nullptr;
    if (accept(node))
        return node;
    auto *group = dynamic_cast<SgGroup *>(node);
    if (!group)
        return nullptr;
    for (SgGroup::Position at = group->GetFirst(); at;)
        if (SgNode *found = FindBelow(group->GetNext(at), accept, depth + 1))
            return found;
    return nullptr;
}

int ClassOfKind(int kind)
{
    switch (kind) {
    case CLightDlg::kDirectional: return SgDirLight::ClassID();
    case CLightDlg::kSpot: return SgSpotLight::ClassID();
    case CLightDlg::kPoint: return SgPointLight::ClassID();
    default: return 0;
    }
}

// The first viewport of the document's first viewer: the view a new light
// is made the light of.
SgViewport *LightDialogFirstViewport(SgDocument *document)
{
    SgViewer *viewer = document && document->GetViewerCount() > 0 ? document->GetViewer(0) : nullptr;
    return viewer && viewer->GetViewportCount() > 0 ? viewer->GetViewport(0) : nullptr;
}

} // namespace

CLightDlg::CLightDlg(SgDocument *document, void *parent) : CCadDlg(document, kDialogId, parent)
{
    if (SgViewport *view = LightDialogFirstViewport(document))
        m_openingViewLight = view->GetHeadLight();
}

CLightDlg::~CLightDlg()
{
    EndKeyPoint();
}

SgLight *CLightDlg::FindLightNode(SgDocument *document, SgSeparator **holder)
{
    SgSeparator *found = nullptr;
    SgSelectionHandler *selection = document ? document->GetSelectionHandler() : nullptr;
    const int count = selection ? selection->GetSelCount() : 0;
    if (count == 1) {
        POSITION at = selection->GetPathList().GetFirst();
        const SgPath path = selection->GetPathList().GetNext(at);
        found = path.IsEmpty() ? nullptr : path.GetObject(true);
    } else if (count == 0 && document) {
        SgViewer *viewer = document->GetActiveViewer();
        if (!viewer && document->GetViewerCount() > 0)
            viewer = document->GetViewer(0);
        SgViewport *viewport = viewer && viewer->GetViewportCount() > 0 ? viewer->GetViewport(0) : nullptr;
        SgNode *scene = viewport ? viewport->GetNodara() : document->GetRoot();
        SgNode *node = FindBelow(scene, [](SgNode *n) { return dynamic_cast<SgObject *>(n) != nullptr; });
        if (!node)
            node = FindBelow(scene, [](SgNode *n) { return dynamic_cast<SgSeparator *>(n) != nullptr; });
        found = static_cast<SgSeparator *>(node);
    }
    if (holder)
        *holder = found;
    if (!found)
        return nullptr;
    for (SgGroup::Position at = found->GetFirst(); at;) {
        SgNode *child = found->GetNext(at);
        if (child && child->IsDerivedFrom(SgLight::ClassID()))
            return static_cast<SgLight *>(child);
    }
    return nullptr;
}

void CLightDlg::AngleToDirection(Vec3 &direction, double alpha, double beta)
{
    direction = Vec3(std::sin(alpha * kDegree), std::tan(beta * kDegree), std::cos(alpha * kDegree));
}

void CLightDlg::DirectionToAngle(const Vec3 &direction, double &alpha, double &beta)
{
    alpha = std::atan2(direction.x, direction.z) / kDegree;
    const double length = direction.Length();
    const double sine = length < 1e-5 ? direction.y : direction.y / length;
    beta = std::asin(std::clamp(sine, -1.0, 1.0)) / kDegree;
}

int CLightDlg::GetLightID(const SgLight *light)
{
    if (!light)
        return -1;
    const int id = light->GetClassID();
    if (id == SgDirLight::ClassID())
        return kDirectional;
    if (id == SgSpotLight::ClassID())
        return kSpot;
    if (id == SgPointLight::ClassID())
        return kPoint;
    return -1;
}

void CLightDlg::Changed()
{
    if (m_fnChanged)
        m_fnChanged(m_pChangedData);
}

void CLightDlg::OnInitDialog()
{
    InitLightSelection();
}

void CLightDlg::InitLightSelection()
{
    StartKeyPoint();
    SgLight *light = FindLightNode(GetDocument(), nullptr);
    m_light = light;
    if (light) {
        m_activeId = GetLightID(light);
        if (auto *dir = dynamic_cast<SgDirLight *>(light)) {
            m_direction = dir->m_direction.Get();
        } else if (auto *spot = dynamic_cast<SgSpotLight *>(light)) {
            m_direction = spot->m_direction.Get();
            m_location = spot->m_location.Get();
            m_cutOff = spot->m_cutOffAngle.Get();
            m_dropOff = spot->m_dropOffRate.Get();
        } else if (auto *point = dynamic_cast<SgPointLight *>(light)) {
            m_location = point->m_location.Get();
        }
        DirectionToAngle(m_direction, m_alpha, m_beta);
        m_on = light->m_on.Get() != 0;
        m_color = light->m_color.Get();
        m_intensity = static_cast<int>(std::trunc(Finite(light->m_intensity.Get() * 100.0, 0.0, 100.0)));
    } else {
        m_activeId = kNoLight;
    }
    UpdateLightNode();
}

CLightDlg::Groups CLightDlg::GetGroups() const
{
    Groups groups;
    switch (m_activeId) {
    case kDirectional: groups.direction = true; break;
    case kSpot: groups.direction = groups.location = groups.cutOff = groups.dropOff = true; break;
    case kPoint: groups.location = true; break;
    default: break;
    }
    return groups;
}

void CLightDlg::UpdateLightNode()
{
    if (SgLight *light = m_light.get()) {
        if (auto *dir = dynamic_cast<SgDirLight *>(light)) {
            dir->m_direction = m_direction;
        } else if (auto *spot = dynamic_cast<SgSpotLight *>(light)) {
            spot->m_direction = m_direction;
            spot->m_location = m_location;
            spot->m_cutOffAngle = static_cast<float>(m_cutOff);
            spot->m_dropOffRate = static_cast<float>(m_dropOff);
        } else if (auto *point = dynamic_cast<SgPointLight *>(light)) {
            point->m_location = m_location;
        }
        light->m_on = static_cast<unsigned short>(m_on ? 1 : 0);
        light->m_color = m_color;
        light->m_intensity = static_cast<float>(m_intensity / 100.0);
    }
    RedrawViewers();
    Changed();
}

void CLightDlg::SetDirection(int axis, double value)
{
    if (axis < 0 || axis > 2)
        return;
    m_direction[axis] = Finite(value, -1000.0, 1000.0);
    DirectionToAngle(m_direction, m_alpha, m_beta);
    UpdateLightNode();
}

void CLightDlg::SetAlpha(double alpha)
{
    m_alpha = Finite(alpha, -360.0, 360.0);
    AngleToDirection(m_direction, m_alpha, m_beta);
    UpdateLightNode();
}

void CLightDlg::SetBeta(double beta)
{
    m_beta = Finite(beta, -360.0, 360.0);
    AngleToDirection(m_direction, m_alpha, m_beta);
    UpdateLightNode();
}

void CLightDlg::SetLocation(int axis, double value)
{
    if (axis < 0 || axis > 2)
        return;
    m_location[axis] = Finite(value, -1000.0, 1000.0);
    UpdateLightNode();
}

void CLightDlg::SetCutOffAngle(double degrees)
{
    m_cutOff = Finite(degrees, 0.0, 360.0);
    UpdateLightNode();
}

void CLightDlg::SetDropOffRate(double rate)
{
    m_dropOff = Finite(rate, 0.0, 128.0);
    UpdateLightNode();
}

void CLightDlg::SetIntensity(int percent)
{
    m_intensity = std::clamp(percent, 0, 100);
    UpdateLightNode();
}

void CLightDlg::SetOn(bool on)
{
    m_on = on;
    UpdateLightNode();
}

void CLightDlg::SetColor(int red, int green, int blue)
{
    m_color = Color(std::clamp(red, 0, 255) / 255.0, std::clamp(green, 0, 255) / 255.0,
                    std::clamp(blue, 0, 255) / 255.0, 1.0);
    UpdateLightNode();
}

bool CLightDlg::AddLight(int kind)
{
    StartKeyPoint();
    SgSeparator *holder = nullptr;
    SgLight *old = FindLightNode(GetDocument(), &holder);
    const int classId = ClassOfKind(kind);
    SgLight *made = nullptr;
    if (auto *object = dynamic_cast<SgObject *>(holder)) {
        made = object->AddLight(nullptr, classId);
    } else if (holder && classId > 0) {
        // A plain separator holds its light at the front.
        SgRef<SgLight> light;
        if (kind == kDirectional)
            light = new SgDirLight;
        else if (kind == kSpot)
            light = new SgSpotLight;
        else
            light = new SgPointLight;
        if (old)
            holder->DeleteChild(old);
        if (holder->AddChildBefore(light.get(), nullptr))
            made = light.get();
    }
    m_light = made;
    if (SgViewport *view = LightDialogFirstViewport(GetDocument()))
        view->SetHeadLight(made);
    return made != nullptr;
}

void CLightDlg::DeleteActiveLight()
{
    SgSeparator *holder = nullptr;
    SgLight *light = FindLightNode(GetDocument(), &holder);
    if (light && holder) {
        SgRef<SgLight> keep(light);
        if (holder->DeletePropertyNode(light) == 0)
            holder->DeleteChild(light);
    }
    m_light = nullptr;
}

void CLightDlg::OnLight(int kind)
{
    if (kind != kDirectional && kind != kSpot && kind != kPoint && kind != kNoLight)
        return;
    if (kind == m_activeId)
        return;
    if (m_light)
        DeleteActiveLight();
    m_activeId = kind;
    if (kind != kNoLight)
        AddLight(kind);
    InitLightSelection();
}

void CLightDlg::OnDeleteLight()
{
    if (FindLightNode(GetDocument(), nullptr))
        DeleteActiveLight();
    InitLightSelection();
}

void CLightDlg::OnOK()
{
    EndKeyPoint();
    CCadDlg::OnOK();
    RedrawViewers();
}

void CLightDlg::OnCancel()
{
    RevertKeyPoint();
    if (SgViewport *view = LightDialogFirstViewport(GetDocument()))
        view->SetHeadLight(m_openingViewLight.get());
    CCadDlg::OnCancel();
    RedrawViewers();
}

void CLightDlg::OnChooseColor()
{
    auto byte = [](float component) { return std::uint8_t(std::clamp(component, 0.0f, 1.0f) * 255.0f); };
    const SgRgb8 present{byte(m_color.r), byte(m_color.g), byte(m_color.b)};
    if (const std::optional<SgRgb8> chosen = ChooseColor(present))
        SetColor(chosen->r, chosen->g, chosen->b);
}
