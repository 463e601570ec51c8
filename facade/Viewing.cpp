// The view family: navigation, the standard views, the current view's
// camera, style and colours, and cameras of the scene attached to it.
#include "facade/Viewing.h"

#include <cmath>

#include "engine/actions/SgFindAction.h"
#include "engine/core/SgPathList.h"
#include "engine/core/SgSeparator.h"
#include "engine/document/SgDocument.h"
#include "engine/handlers/SgSelectionHandler.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/nodes/properties/SgBackground.h"
#include "engine/nodes/properties/SgCamera.h"
#include "engine/nodes/properties/SgDrawStyle.h"
#include "engine/nodes/properties/SgLightModel.h"
#include "engine/nodes/properties/SgMaterial.h"
#include "engine/nodes/properties/SgTransform.h"
#include "engine/render/SgViewport.h"
#include "engine/tools/SgExamineViewHandler.h"
#include "engine/viewer/SgViewer.h"
#include "facade/CDrevon.h"
#include "platform/SgDiagnostics.h"
#include "utilities/math/Angles.h"
#include "facade/FacadePackage.h"

namespace drevon {

namespace {

constexpr const char *kViewingToolName = "ViewingTool";

struct FlipRow {
    double x, y, z, angle;
};
constexpr FlipRow kFlips[3] = {{1, 0, 0, kPi / 2}, {0, 1, 0, kPi / 2}, {0, 0, 1, 0}};

constexpr Color kOverrideColors[3] = {Color(-1, 0, 0, 1), Color(1, 1, 1, 1), Color(0, 0, 0, 1)};

} // namespace

Viewing::Viewing(CDrevon &facade) : m_facade(facade) {}

Viewing::~Viewing() = default;

void Viewing::ForgetAttachedCamera()
{
    m_attachedCamera = nullptr;
    m_attachedCameraTransform = nullptr;
}

// ---- Navigation -----------------------------------------------------------------------------------------

SgNode *Viewing::ViewingTool()
{
    SgViewport *viewport = m_facade.CurrentViewport();
    SgSeparator *view = viewport ? viewport->GetNodara() : nullptr;
    if (!view)
        return nullptr;
    if (SgNode *found = FindNodeByName::Lookup(kViewingToolName, view))
        if (found->IsDerivedFrom(SgExamineViewHandler::ClassID()))
            return found;
    // In front of the scene, so that it sees the mouse first; a left click
    // over the scene still goes to the scene, so that it selects.
    auto *examine = new SgExamineViewHandler;
    examine->SetName(kViewingToolName);
    examine->SetLeftClickToScene(true);
    view->AddChildBefore(examine, nullptr);
    return examine;
}

int Viewing::GetNavigationMode() const
{
    SgViewport *viewport = m_facade.CurrentViewport();
    SgSeparator *view = viewport ? viewport->GetNodara() : nullptr;
    SgNode *found = view ? FindNodeByName::Lookup(kViewingToolName, view) : nullptr;
    auto *examine = dynamic_cast<SgExamineViewHandler *>(found);
    return examine ? examine->GetMainMode() : 0;
}

void Viewing::SetNavigation(int mode, int button, bool keep)
{
    m_viewToolKeep = keep;
    if (auto *examine = dynamic_cast<SgExamineViewHandler *>(ViewingTool()))
        examine->SetMainMode(static_cast<SgExamineViewHandler::ViewerMode>(mode));
    // A running creation keeps its record; its button only shows that the
    // mouse navigates now.
    if (m_facade.GetCreation().GetCreationButton() != 0)
        m_facade.GetButtons().SetButtonState(0, m_facade.GetCreation().GetCreationButton(), false);
    for (int other = 50; other <= 53; ++other)
        if (other != button && m_facade.GetButtons().GetButtonState(other) != 0)
            m_facade.GetButtons().SetButtonState(0, other, false);
    m_facade.GetButtons().SetButtonState(1, button, false);
}

void Viewing::OnRotateScene(int keep)
{
    SgSelectionHandler *selection = m_facade.Selection();
    if (selection && selection->m_bSubObject) {
        selection->m_bSubObject = false;
        m_facade.GetCreation().DeleteActiveTool();
    }
    SetNavigation(1, 50, keep == 0);
}

void Viewing::OnPan()
{
    SetNavigation(2, 52, false);
}

void Viewing::OnZoom()
{
    SetNavigation(4, 53, false);
}

void Viewing::OnFlyThrough()
{
    SetNavigation(3, 51, false);
}

void Viewing::OnViewTool(int button)
{
    int mode = button;
    switch (button) {
    case 50:
        mode = 1;
        break;
    case 51:
        mode = 3;
        break;
    case 52:
        mode = 2;
        break;
    case 53:
        mode = 4;
        break;
    default:
        break;
    }
    SetNavigation(mode, button, false);
}

// ---- Views ------------------------------------------------------------------------------------------------

void Viewing::ChangeView(int button)
{
    SgViewport *viewport = m_facade.CurrentViewport();
    if (!viewport)
        return;
    double a = 90;
    double b = 0;
    switch (button % 54) {
    case 0:
        a = 180;
        break;
    case 1:
        a = 0;
        break;
    case 2:
        b = 90;
        break;
    case 3:
        b = -90;
        break;
    case 4:
        b = -180;
        break;
    default:
        break;
    }
    if (SgTransform *camera = viewport->GetCameraTransform())
        camera->m_rotation = Rotation(Vec3(1, 0, 0), a * kDegree);
    if (SgTransform *scene = viewport->GetGraphTransform1())
        scene->m_rotation = Rotation(Vec3(0, 0, 1), b * kDegree);
    viewport->Focus(nullptr, 1.0);
    m_facade.Redraw();
}

void Viewing::FlipViewDir(int which)
{
    SgViewport *viewport = m_facade.CurrentViewport();
    if (!viewport)
        return;
    const int chosen = which == -1 ? m_flipIndex + 1 : which;
    if (chosen < 0)
        return;
    m_flipIndex = chosen % 3;
    const FlipRow &row = kFlips[m_flipIndex];
    viewport->SetViewDirection(row.x, row.y, row.z, row.angle);
    viewport->RotateScene(0, 0, true);
    m_facade.Redraw();
}

void Viewing::StraightenUp()
{
    if (SgViewport *viewport = m_facade.CurrentViewport())
        viewport->RotateScene(0, 0, true);
    m_facade.Redraw();
}

void Viewing::Focus(bool selected)
{
    SgViewport *viewport = m_facade.CurrentViewport();
    if (!viewport)
        return;
    const SgPathList *paths = selected && m_facade.Selection() ? &m_facade.Selection()->GetPathList() : nullptr;
    viewport->Focus(paths, 1.0);
    m_facade.RedrawCurrent(false);
}

void Viewing::FocusAllViewer(double scale)
{
    SgDocument *document = m_facade.GetDocument();
    if (!document)
        return;
    for (int i = 0; i < document->GetViewerCount(); ++i) {
        SgViewer *viewer = document->GetViewer(i);
        if (viewer->GetViewportCount() == 0)
            continue;
        viewer->GetViewport(0)->Focus(nullptr, scale);
        viewer->Redraw(false);
    }
}

void Viewing::ModifyView(int op, double a, double b)
{
    SgViewport *viewport = m_facade.CurrentViewport();
    SgTransform *camera = viewport ? viewport->GetCameraTransform() : nullptr;
    if (camera) {
        switch (op) {
        case 1:
            camera->MoveBackward(-a);
            break;
        case 2:
            camera->MoveRight(a);
            break;
        case 8:
            viewport->RotateScene(a, b, false);
            break;
        case 16:
            camera->MoveRight(a);
            camera->MoveUp(b);
            break;
        default:
            break;
        }
    }
    m_facade.Redraw();
}

bool Viewing::SetCameraLocation(double x, double y, double z, SgViewer *viewer)
{
    SgViewer *target = viewer ? viewer : m_facade.GetCurrentViewer();
    if (!target || target->GetViewportCount() == 0 || !target->GetViewport(0)->GetCameraTransform()) {
        SgDiagWarning(kPackage, "SetCameraLocation: the view has no camera");
        return false;
    }
    target->GetViewport(0)->GetCameraTransform()->m_translation = Vec3(x, y, z);
    return true;
}

void Viewing::ViewPerspective(int how)
{
    SgViewport *viewport = m_facade.CurrentViewport();
    SgCamera *camera = viewport ? viewport->GetCamera() : nullptr;
    if (!camera)
        return;
    unsigned short perspective = camera->m_perspective.Get();
    if (how == 72 || how == -1)
        perspective = perspective == 0 ? 1 : 0;
    else if (how == 0 || how == 1)
        perspective = static_cast<unsigned short>(how);
    if (perspective != camera->m_perspective.Get())
        camera->m_perspective = perspective;
    m_facade.GetButtons().SetButtonState(perspective != 0 ? 1 : 0, 72, false);
    m_facade.Redraw();
}

void Viewing::ToggleStyle(int style)
{
    SgViewport *viewport = m_facade.CurrentViewport();
    SgDrawStyle *drawStyle = viewport ? viewport->GetDrawStyle() : nullptr;
    if (!drawStyle)
        return;
    int next = drawStyle->m_style.Get();
    if (style <= 6)
        next = style;
    else if (next == 2)
        next = 6;
    else if (next == 6)
        next = 4;
    else if (next == 4)
        next = 2;
    if (next != drawStyle->m_style.Get())
        drawStyle->m_style = next;
    m_facade.Redraw();
}

void Viewing::TogleLightModel(int)
{
    SgViewport *viewport = m_facade.CurrentViewport();
    SgLightModel *model = viewport ? viewport->GetLightModel() : nullptr;
    if (!model)
        return;
    const int current = model->m_model.Get();
    if (current == 0 || current == 1)
        model->m_model = 1 - current;
    m_facade.Redraw();
}

void Viewing::ToggleFilledWire(int which)
{
    SgViewport *viewport = m_facade.CurrentViewport();
    SgMaterial *material = viewport ? viewport->GetMaterial() : nullptr;
    if (!material)
        return;
    int found = 3;
    if (material->m_diffuseColor.GetCount() > 0) {
        const Color current = material->m_diffuseColor[0];
        for (int i = 0; i < 3; ++i) {
            const Color &entry = kOverrideColors[i];
            const double d = std::sqrt(double(current.r - entry.r) * (current.r - entry.r) +
                                       double(current.g - entry.g) * (current.g - entry.g) +
                                       double(current.b - entry.b) * (current.b - entry.b));
            if (d < 0.0001) {
                found = i;
                break;
            }
        }
    }
    int chosen = -1;
    if (which == 0)
        chosen = (found + 1) % 3;
    else if (which >= 1 && which <= 3)
        chosen = which - 1;
    if (chosen >= 0)
        material->m_diffuseColor.SetVals(1, &kOverrideColors[chosen]);
    m_facade.Redraw();
}

bool Viewing::SetViewerBGColor(SgViewer *viewer, const float *rgb)
{
    if (!viewer || !rgb || viewer->GetViewportCount() == 0)
        return false;
    SgBackground *background = viewer->GetViewport(0)->GetBackground();
    if (!background)
        return false;
    background->m_color1 = Color(rgb[0], rgb[1], rgb[2], 1.0);
    return true;
}

// ---- Cameras of the scene ----------------------------------------------------------------------

void Viewing::AttachCameraToCurrView()
{
    SgSelectionHandler *selection = m_facade.Selection();
    if (!selection || selection->GetSelCount() == 0)
        return;
    SgObject *object = nullptr;
    SgPath path;
    if (selection->GetSelectedObjects(1, &object, &path) != 1 || !object)
        return;
    SgNode *camera = FindNodeByClassID::Lookup(SgCamera::ClassID(), object);
    // Made when missing, camera or not.
    SgTransform *transform = object->GetTransform(true);
    SgViewport *viewport = m_facade.CurrentViewport();
    if (!camera || !transform || !viewport)
        return;
    m_attachedCamera = camera;
    m_attachedCameraTransform = transform;
    auto *sceneCamera = static_cast<SgCamera *>(camera);
    // The view turns this camera now, not the scene.
    sceneCamera->SetOrbit(true);
    viewport->SetCamera(sceneCamera);
    viewport->SetCameraTransform(transform);
    m_facade.Redraw();
}

} // namespace drevon
