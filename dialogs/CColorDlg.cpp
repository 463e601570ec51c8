#include "dialogs/CColorDlg.h"

#include "platform/SgChoosers.h"

#include <algorithm>
#include <cmath>

#include "engine/core/SgSeparator.h"
#include "engine/document/SgDocument.h"
#include "engine/handlers/SgSelectionHandler.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/nodes/geometry/SgCube.h"
#include "engine/nodes/geometry/SgSphere.h"
#include "engine/nodes/properties/SgLight.h"
#include "engine/nodes/properties/SgMaterial.h"
#include "engine/nodes/properties/SgShapeHints.h"
#include "engine/nodes/properties/SgTransform.h"
#include "engine/render/SgViewport.h"
#include "engine/viewer/SgViewer.h"

namespace {

// Slider positions of a 0..1 value: truncated hundredths, kept on the slider.
int Hundredths(double value)
{
    if (!std::isfinite(value))
        return 0;
    return static_cast<int>(std::trunc(std::clamp(value, 0.0, 1.0) * 100.0));
}

double Unit(double value)
{
    return std::isfinite(value) ? std::clamp(value, 0.0, 1.0) : 0.0;
}

int Channel(double unit)
{
    if (!std::isfinite(unit))
        return 0;
    return static_cast<int>(std::trunc(std::clamp(unit, 0.0, 1.0) * 255.0));
}

} // namespace

CColorDlg::CColorDlg(SgDocument *document, void *parent) : CCadDlg(document, kDialogId, parent)
{
    if (document && document->GetSelectionHandler())
        SetPathList(document->GetSelectionHandler()->GetPathList());
}

CColorDlg::~CColorDlg()
{
    // The preview viewer is this dialog's own, never one of the document's.
    delete m_pPreviewViewer;
    m_pPreviewViewer = nullptr;
    // Destroyed without OK or Cancel (the window closed with its owner):
    // what was done stays, the key point is closed.
    EndKeyPoint();
}

void CColorDlg::SetPathList(const SgPathList &paths)
{
    m_paths = paths;
    m_objects.clear();
    for (POSITION at = m_paths.GetFirst(); at;) {
        const SgPath path = m_paths.GetNext(at);
        if (SgSeparator *object = path.IsEmpty() ? nullptr : path.GetObject(true))
            m_objects.emplace_back(object);
    }
}

void CColorDlg::Changed()
{
    if (m_fnChanged)
        m_fnChanged(m_pChangedData);
}

void CColorDlg::OnInitDialog()
{
    StartKeyPoint();
    SyncMaterial(false);
    UpdateSelection();
    m_link = true;
    Changed();
}

void CColorDlg::SyncMaterial(bool disconnect)
{
    bool first = true;
    for (const SgRef<SgSeparator> &held : m_objects) {
        auto *object = dynamic_cast<SgObject *>(held.get());
        if (!object)
            continue;
        if (first) {
            first = false;
            SgRef<SgMaterial> material(static_cast<SgMaterial *>(object->FindPropertyNode(SgMaterial::ClassID())));
            if (!material)
                material = new SgMaterial;
            else if (disconnect) {
                SgRef<SgMaterial> copy(new SgMaterial);
                *copy = *material;
                copy->SetOveride(material->IsOveride());
                object->DeletePropertyNode(material.get());
                material = copy;
            }
            m_material = material;
        }
        if (object->FindPropertyNode(SgMaterial::ClassID()) != m_material.get())
            object->AddPropertyNode(m_material.get(), true);
    }
    if (!m_material)
        return;
    SgMaterial &material = *m_material;
    const Color diffuse = material.m_diffuseColor.GetCount() > 0 ? material.m_diffuseColor.GetValue(0) : Color(0.8, 0.8, 0.8, 1.0);
    m_rgb[0] = Channel(diffuse.r);
    m_rgb[1] = Channel(diffuse.g);
    m_rgb[2] = Channel(diffuse.b);
    m_specular = Unit(material.m_specularColor.GetCount() > 0 ? material.m_specularColor.GetValue(0).r : 0.0);
    m_specularSlider = Hundredths(m_specular);
    m_shininess = Unit(material.m_shininess.GetCount() > 0 ? material.m_shininess.GetValue(0) : 0.2);
    m_shininessSlider = Hundredths(m_shininess);
    m_transparent = Unit(diffuse.a);
    m_transparentSlider = Hundredths(m_transparent);
    m_override = material.IsOveride();
}

void CColorDlg::UpdateSelection()
{
    if (m_material) {
        SgMaterial &material = *m_material;
        material.m_diffuseColor.SetValue(0, Color(m_rgb[0] / 255.0, m_rgb[1] / 255.0, m_rgb[2] / 255.0, m_transparent));
        material.m_shininess.SetValue(0, static_cast<float>(m_shininess));
        material.m_specularColor.SetValue(0, Color(m_specular, m_specular, m_specular, 1.0));
        material.SetOveride(m_override);
        if (m_link)
            material.m_ambientColor = material.m_diffuseColor;
    }
    if (m_instant)
        RedrawViewers();
    Changed();
}

void CColorDlg::SetChannel(int channel, int value)
{
    if (channel < 0 || channel > 2)
        return;
    m_rgb[channel] = std::clamp(value, 0, 255);
    UpdateSelection();
}

void CColorDlg::SetRed(int value)
{
    SetChannel(0, value);
}

void CColorDlg::SetGreen(int value)
{
    SetChannel(1, value);
}

void CColorDlg::SetBlue(int value)
{
    SetChannel(2, value);
}

void CColorDlg::SetColor(int red, int green, int blue)
{
    m_rgb[0] = std::clamp(red, 0, 255);
    m_rgb[1] = std::clamp(green, 0, 255);
    m_rgb[2] = std::clamp(blue, 0, 255);
    UpdateSelection();
}

void CColorDlg::SetSpecularSlider(int position)
{
    m_specularSlider = std::clamp(position, 0, 100);
    m_specular = m_specularSlider / 100.0;
    UpdateSelection();
}

void CColorDlg::SetSpecularEdit(double value)
{
    // The slider does not follow a typed value.
    m_specular = Unit(value);
    UpdateSelection();
}

void CColorDlg::SetShininessSlider(int position)
{
    m_shininessSlider = std::clamp(position, 0, 100);
    m_shininess = m_shininessSlider / 100.0;
    UpdateSelection();
}

void CColorDlg::SetShininessEdit(double value)
{
    m_shininess = Unit(value);
    UpdateSelection();
}

void CColorDlg::SetTransparentSlider(int position)
{
    m_transparentSlider = std::clamp(position, 0, 100);
    m_transparent = m_transparentSlider / 100.0;
    UpdateSelection();
}

void CColorDlg::SetTransparentEdit(double value)
{
    m_transparent = Unit(value);
    m_transparentSlider = Hundredths(m_transparent);
    UpdateSelection();
}

void CColorDlg::SetOverride(bool on)
{
    // Used at the next application; clicking only redraws.
    m_override = on;
    RedrawViewers();
}

void CColorDlg::SetLinkAmbient(bool on)
{
    m_link = on;
    UpdateSelection();
}

void CColorDlg::SetInstantUpdate(bool on)
{
    m_instant = on;
    if (on)
        RedrawViewers();
}

void CColorDlg::OnApply()
{
    // What was done so far stays on Cancel.
    StartKeyPoint();
    RedrawViewers();
}

void CColorDlg::OnDisconnect()
{
    SyncMaterial(true);
    UpdateSelection();
    RedrawViewers();
}

void CColorDlg::OnOK()
{
    EndKeyPoint();
    RedrawViewers();
    CCadDlg::OnOK();
}

void CColorDlg::OnCancel()
{
    RevertKeyPoint();
    RedrawViewers();
    CCadDlg::OnCancel();
}

bool CColorDlg::BuildPreview()
{
    SgDocument *document = GetDocument();
    if (m_pPreviewViewer)
        return true;
    if (!document || !m_material)
        return false;
    SgRef<SgSeparator> root(new SgSeparator);
    auto *light = new SgDirLight;
    light->m_direction = Vec3(-2, 2, 5);
    root->AddChild(light);
    // Black quarters behind the sphere, top left and bottom right.
    auto *background = new SgSeparator;
    auto *black = new SgMaterial;
    black->m_diffuseColor.SetValue(0, Color(0, 0, 0, 1));
    background->AddChild(black);
    for (const Vec3 &at : {Vec3(-50, 50, -5), Vec3(50, -50, -5)}) {
        auto *quarter = new SgSeparator;
        auto *place = new SgTransform;
        place->m_translation = at;
        auto *square = new SgCube;
        square->m_width.Set(100.0);
        square->m_height.Set(100.0);
        square->m_depth.Set(0.01);
        quarter->AddChild(place);
        quarter->AddChild(square);
        background->AddChild(quarter);
    }
    root->AddChild(background);
    auto *object = new SgSeparator;
    object->SetObject(true);
    object->AddChild(m_material.get());
    auto *inner = new SgSeparator;
    auto *hints = new SgShapeHints;
    hints->m_shapeType = 1;
    auto *sphere = new SgSphere;
    sphere->m_radius.Set(1.5);
    sphere->m_complexity.Set(4);
    inner->AddChild(hints);
    inner->AddChild(sphere);
    object->AddChild(inner);
    root->AddChild(object);

    SgViewer *viewer = document->CreateDefaultViewer(nullptr, root.get());
    if (!viewer)
        return false;
    // Drawn only when asked, never by the document's redraws.
    document->RemoveViewer(viewer);
    viewer->SetRefineEnabled(false);
    if (SgViewport *viewport = viewer->GetViewportCount() > 0 ? viewer->GetViewport(0) : nullptr) {
        SgPathList framed;
        SgPath path;
        path.CreateFromNode(sphere);
        framed.Add(path);
        viewport->Focus(&framed, 1.1);
    }
    m_previewRoot = root;
    m_pPreviewViewer = viewer;
    return true;
}

bool CColorDlg::RenderPreview(int width, int height, std::vector<unsigned char> &rgb)
{
    if (width <= 0 || height <= 0 || !BuildPreview())
        return false;
    return RenderViewerRgb(m_pPreviewViewer, width, height, rgb);
}

void CColorDlg::OnChooseColor()
{
    const SgRgb8 present{std::uint8_t(GetRed()), std::uint8_t(GetGreen()), std::uint8_t(GetBlue())};
    if (const std::optional<SgRgb8> chosen = ChooseColor(present))
        SetColor(chosen->r, chosen->g, chosen->b);
}
