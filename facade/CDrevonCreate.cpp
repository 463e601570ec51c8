// The facade's creation commands that go beyond the primitive and curve
// tools: the measure-tape tool, the curve editor, the camera object,
// particle effectors, and the generic calls a host uses to make and insert
// nodes by class name.
#include <cmath>
#include <cstdio>

#include "engine/core/SgKeyPoint.h"
#include "engine/core/SgSeparator.h"
#include "engine/document/SgDocument.h"
#include "engine/engines/SgEngine.h"
#include "engine/handlers/SgSelectionHandler.h"
#include "engine/nodes/geometry/SgCube.h"
#include "engine/nodes/geometry/SgCylinder.h"
#include "engine/nodes/geometry/SgPolyLine.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/nodes/properties/SgBillboard.h"
#include "engine/nodes/properties/SgLight.h"
#include "engine/nodes/properties/SgTransform.h"
#include "engine/nodes/properties/SgTransformSensor.h"
#include "engine/tools/GenericCreateHandler.h"
#include "engine/tools/SgCreateCylinderTool.h"
#include "engine/tools/SgEditPolyLineTool.h"
#include "facade/CDrevon.h"
#include "facade/CDrevonTape.h"
#include "platform/SgDiagnostics.h"
#include "utilities/math/Angles.h"
#include "facade/FacadePackage.h"

namespace drevon {

namespace {

// The camera object's rows: kind, class name ("" for an empty row).
constexpr const char *kCameraClasses[] = {"", "SgCamera"};

// Particle kinds 1 to 9.
constexpr const char *kParticleClasses[] = {"",       "SgEmitter", "SgAttractor", "SgDeflector", "SgPointAttractor",
                                            "SgWind", "SgFriction", "SgRotation", "SgRotation",  "SgDestructor"};

// A new node of a registered class, or null.
SgNode *MakeNode(int classId)
{
    if (classId <= 0)
        return nullptr;
    SgFieldMngr *made = SgFieldMngr::Create(classId);
    if (!made)
        return nullptr;
    if (auto *node = dynamic_cast<SgNode *>(made))
        return node;
    SgFieldMngr::Destroy(made);
    return nullptr;
}

SgNode *MakeNode(const char *className)
{
    return MakeNode(SgFieldMngr::GetClassIDFromName(className));
}

SgCube *MakeCube(double width, double height, double depth)
{
    auto *cube = new SgCube;
    cube->m_width = width;
    cube->m_height = height;
    cube->m_depth = depth;
    return cube;
}

} // namespace

// ---- Creation tools ------------------------------------------------------------------------------

SgEventHandler *CDrevon::CreateShapedPrizm(const int *row, GenericCreateHandler *handler)
{
    if (!row || !m_pDocument)
        return nullptr;
    DeleteActiveTool();
    if (Selection())
        Selection()->DeselectAll();
    SgNode *made = MakeNode("SgCreateCylinderTool");
    auto *tool = dynamic_cast<SgCreateCylinderTool *>(made);
    if (!tool) {
        SgAdopt<SgNode> guard(made);
        SgDiagTellUser(SgDiagLevel::Error, kPackage, "The creation tool is not available", "Create");
        return nullptr;
    }
    if (handler)
        tool->Setup(handler);
    else
        tool->Setup(row[1], row + 2);
    m_iCreationButton = row[0];
    InstallActiveTool(tool);
    return tool;
}

void CDrevon::OnCreateCompoundTool(int kind)
{
    if (!m_pDocument)
        return;
    static constexpr int kParameters[GenericCreateHandler::kParameterCount] = {0, 0, 2, 0, 0, 0, 0, 0};
    // The tool that may still use the previous handler goes first.
    DeleteActiveTool();
    auto handler = std::make_shared<MeasureTapeToolHandler>(kParameters, this);
    int row[GenericCreateHandler::kParameterCount] = {kind, 0, 2, 0, 0, 0, 0, 0};
    // The button that shows the tool running is the one it is unchecked by.
    const int button = kind == 10 ? 76 : (kind == 11 ? 77 : 0);
    row[0] = button != 0 ? button : kind;
    m_createHandler = handler;
    if (!CreateShapedPrizm(row, handler.get()))
        return;
    if (button != 0)
        SetButtonState(1, button, false);
}

void CDrevon::OnEditPolyline(int)
{
    if (!m_pDocument)
        return;
    DeleteActiveTool();
    if (Selection())
        Selection()->DeselectAll();
    auto *tool = new SgEditPolyLineTool;
    tool->m_bSnapToObjects = m_bSnapSurface;
    InstallActiveTool(tool);
}

// ---- Ready-made objects ---------------------------------------------------------------------------

void CDrevon::OnCreateObject(int kind)
{
    SgSeparator *root = GetRoot();
    if (!root)
        return;
    const char *className = kind >= 0 && kind < static_cast<int>(std::size(kCameraClasses)) ? kCameraClasses[kind] : "";
    SgRef<SgNode> camera = MakeNode(className);
    if (!camera) {
        SgDiagTellUser(SgDiagLevel::Warning, kPackage, "No object of kind " + std::to_string(kind) + " can be created",
                       "Create");
        return;
    }
    SgKeyPoint step(m_pDocument);

    SgRef<SgDirLight> light = new SgDirLight;
    light->m_direction = Vec3(1, 0, -2);
    SgRef<SgObject> body = new SgObject(true, true);
    body->AddPropertyNode(light.get(), true);
    body->AddPropertyNode(camera.get(), true);
    body->AddChild(MakeCube(0.2, 0.8, 0.45));

    // Two reels on one shared cylinder.
    SgRef<SgCylinder> reel = new SgCylinder;
    reel->m_height = 0.08;
    reel->m_radius = 0.2;
    const Rotation quarter(Vec3(0, 1, 0), kPi / 2);
    for (double y : {0.21, 0.6}) {
        auto *object = new SgObject(true, true);
        object->AddChild(reel.get());
        SgTransform *transform = object->GetTransform(true);
        transform->m_rotation = quarter;
        transform->m_translation = Vec3(0, 0.42, y);
        body->AddChild(object);
    }

    SgRef<SgObject> anchor = new SgObject(true, true);
    anchor->AddChild(MakeCube(0.0001, 0.0001, 0.0001));
    SgRef<SgObject> target = new SgObject(true, true);
    target->AddChild(MakeCube(0.07, 0.07, 0.07));
    auto *targetSensor = dynamic_cast<SgTransformSensor *>(target->CreatePropertyNode(SgTransformSensor::ClassID()));
    root->AddChild(target.get());
    auto *anchorSensor = dynamic_cast<SgTransformSensor *>(anchor->CreatePropertyNode(SgTransformSensor::ClassID()));

    // The body turns to face the target.
    auto *billboard = new SgBillboard;
    body->AddPropertyNode(billboard, false);
    billboard->m_sizeType = 1;
    billboard->m_size = 50.0f;
    billboard->m_rotationType = 3;
    target->GetTransform(true)->m_translation = Vec3(1, 0, 0);
    billboard->m_sizeType = 1;
    if (targetSensor)
        PlugTo1(targetSensor, "translationOut", billboard, "targetPoint");

    // A line from the anchor on the body to the target.
    auto *line = new SgPolyLine;
    SgRef<SgComposeVector<Vec3>> compose = composeVec3();
    if (targetSensor && anchorSensor) {
        PlugTo1(targetSensor, "translationOut", compose.get(), "input1");
        PlugTo1(anchorSensor, "translationOut", compose.get(), "input2");
        PlugTo1(compose.get(), "0", line, "coordinates");
    }
    auto *lineObject = new SgObject(true, true);
    lineObject->AddChild(line);
    lineObject->m_selectMode = 0;
    root->AddChild(lineObject);

    anchor->GetTransform(true)->m_translation = Vec3(0, 0, 0.8 * 0.501);
    body->AddChild(anchor.get());
    root->AddChild(body.get());
}

void CDrevon::Particles(int kind)
{
    SgSeparator *root = GetRoot();
    if (!root || kind < 1 || kind >= static_cast<int>(std::size(kParticleClasses)))
        return;
    SgRef<SgNode> particle = MakeNode(kParticleClasses[kind]);
    if (!particle) {
        SgDiagTellUser(SgDiagLevel::Warning, kPackage,
                       std::string("This version cannot create ") + (kParticleClasses[kind] + 2) + " effects",
                       "Create");
        return;
    }
    SgKeyPoint step(m_pDocument);
    auto *object = new SgObject(true, true);
    object->AddChild(particle.get());
    root->AddChild(object);
}

// ---- Nodes by name ----------------------------------------------------------------------------------

void CDrevon::ClearScene()
{
    if (!m_pDocument)
        return;
    DeleteActiveTool();
    // The editor helpers go with the scene; the next press makes them anew.
    m_grid = nullptr;
    m_axis = nullptr;
    m_bGridShown = m_bAxisShown = false;
    m_pDocument->ClearScene(false);
    m_pDocument->SetFileName("");
    Redraw();
}

// ---- Menu forms ----------------------------------------------------------------------------------------

void CDrevon::OnCreateObjectButton(int)
{
    OnCreateObject(1);
    Redraw();
}

void CDrevon::OnParticlesButton(int button)
{
    Particles(button - kFirstParticleButton + 1);
    Redraw();
}

void CDrevon::OnCompoundToolButton(int button)
{
    OnCreateCompoundTool(button == 77 ? 11 : 10);
}

void CDrevon::OnAnnotationButton(int)
{
    OnAnnotation();
}

void CDrevon::OnRubberLineButton(int)
{
    TestRubber(0);
    Redraw();
}

bool CDrevon::OneObjectSelected(int)
{
    return Selection() && Selection()->GetSelCount() == 1;
}

bool CDrevon::TwoObjectsSelected(int)
{
    return Selection() && Selection()->GetSelCount() == 2;
}

} // namespace drevon
