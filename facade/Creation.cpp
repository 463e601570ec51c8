// The creation family: the active tool, the manipulators and snapping, the
// primitive and curve creation tools, the curve editor, the grid and axis
// helpers, the camera object and particle effectors.
#include "facade/Creation.h"

#include <cmath>
#include <cstdio>

#include "engine/actions/SgFindAction.h"
#include "engine/core/DxModule.h"
#include "engine/core/SgField.h"
#include "engine/core/SgKeyPoint.h"
#include "engine/core/SgPathList.h"
#include "engine/core/SgSeparator.h"
#include "engine/core/SgStateAccessors.h"
#include "engine/document/SgDocument.h"
#include "engine/engines/SgEngine.h"
#include "engine/handlers/SgSelectionHandler.h"
#include "engine/nodes/geometry/SgCube.h"
#include "engine/nodes/geometry/SgCylinder.h"
#include "engine/nodes/geometry/SgPolyLine.h"
#include "engine/nodes/helpers/SgGrid.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/nodes/properties/SgAxis.h"
#include "engine/nodes/properties/SgBillboard.h"
#include "engine/nodes/properties/SgLight.h"
#include "engine/nodes/properties/SgTransform.h"
#include "engine/nodes/properties/SgTransformSensor.h"
#include "engine/render/SgViewport.h"
#include "engine/tools/GenericCreateHandler.h"
#include "engine/tools/SgCreateBezierTool.h"
#include "engine/tools/SgCreateCylinderTool.h"
#include "engine/tools/SgCreatePolyLineTool.h"
#include "engine/tools/SgCreatePolygonTool.h"
#include "engine/tools/SgEditPolyLineTool.h"
#include "engine/tools/SgExamineViewHandler.h"
#include "engine/tools/SgSelectByFenceTool.h"
#include "engine/tools/SgTransformTool.h"
#include "engine/viewer/SgViewer.h"
#include "facade/CDrevon.h"
#include "facade/CDrevonTape.h"
#include "facade/FacadePackage.h"
#include "platform/SgDiagnostics.h"
#include "utilities/math/Angles.h"

namespace drevon {

namespace {

// Manipulator kinds: the button that shows each, whether the selection
// shows a transform tool (and which), a highlight or a bounding box.
enum class Attach { Transform, Highlight, BoundBox };
struct ManipulatorKind {
    int button;  // 0: no button
    Attach attach;
    int toolIndex;  // into the engine's manipulator tool table
};
constexpr ManipulatorKind kManipulators[8] = {
    {30, Attach::Transform, 0}, {31, Attach::Transform, 2}, {32, Attach::Highlight, 0},
    {0, Attach::Transform, 4},  {34, Attach::BoundBox, 0},  {35, Attach::Transform, 1},
    {36, Attach::Transform, 3}, {37, Attach::Transform, 5},
};

const char *const kFrameNames[] = {"Local", "Parent", "Parent+1", "World", "Screen"};
constexpr int kFrameValues[] = {0, 1, 2, 200, -1};

// Creation buttons: the class the tool makes (by name, so that classes of
// later work join by registering) and its stage codes.
struct CreationRow {
    int button;
    const char *className;
    int codes[3];
    bool cornerToCorner;
};
constexpr CreationRow kCreations[] = {
    {1, "SgSphere", {2, 0, 0}, false},   {2, "SgBox", {2, 3, 0}, true},      {3, "SgCylinder", {2, 3, 0}, false},
    {4, "SgCone", {2, 3, 0}, false},     {5, "SgNGon", {2, 2, 0}, false},    {6, "SgNStar", {2, 2, 0}, false},
    {7, "SgCircle", {2, 0, 0}, false},   {8, "SgArc", {2, 2, 0}, false},     {9, "SgHelix", {2, 3, 0}, false},
    {10, "SgTorus", {2, 2, 0}, false},   {11, "SgTorusKnot", {2, 2, 0}, false}, {15, "SgPlane", {2, 0, 0}, true},
    {20, "SgGeoSphere", {2, 0, 0}, false}, {21, "SgPrizm", {1, 3, 0}, false},
};

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

Creation::Creation(CDrevon &facade) : m_facade(facade) {}

Creation::~Creation() = default;

SgSelectionHandler *Creation::Selection() const
{
    return m_facade.Selection();
}

void Creation::ReleaseActiveTool()
{
    m_activeTool = nullptr;
}

void Creation::ForgetDocument()
{
    m_activeTool = nullptr;
    m_creationButton = 0;
    m_grid = nullptr;
    m_axis = nullptr;
    m_gridShown = m_axisShown = false;
}

// ---- Active tool and manipulators -----------------------------------------------------------------

void Creation::SetActiveTool(SgEventHandler *tool)
{
    m_activeTool = tool;
}

void Creation::InstallActiveTool(SgEventHandler *tool)
{
    SgDocument *document = m_facade.GetDocument();
    m_activeTool = tool;
    // A tool coming and going is no step of the user's to undo.
    if (SgSeparator *root = m_facade.GetRoot()) {
        SgUndoRecordingPause pause(document);
        root->AddChild(tool);
    }
    // The tool takes the left button whole; the other buttons and the wheel
    // still move the view.
    if (auto *examine = dynamic_cast<SgExamineViewHandler *>(m_facade.GetViewing().ViewingTool()))
        examine->SetLeftToScene(true);
}

void Creation::DeleteActiveTool()
{
    SgDocument *document = m_facade.GetDocument();
    m_facade.GetViewing().OnRotateScene(0);
    if (auto *examine = dynamic_cast<SgExamineViewHandler *>(m_facade.GetViewing().ViewingTool()))
        examine->SetLeftToScene(false);
    if (m_activeTool) {
        SgRef<SgEventHandler> tool = m_activeTool;
        m_activeTool = nullptr;
        // Out of the scene: a tool in the middle of a drag gives back its
        // capture and undo step as it goes.
        if (SgSeparator *root = m_facade.GetRoot()) {
            SgUndoRecordingPause pause(document);
            root->DeleteChild(tool.get());
        }
    }
    if (m_creationButton != 0) {
        const int button = m_creationButton;
        m_creationButton = 0;
        m_facade.GetButtons().SetButtonState(0, button, false);
    }
    m_facade.GetModelling().ClearSubObjectButtons();
}

void Creation::AddSelectionManip(int kind)
{
    SgSelectionHandler *selection = Selection();
    if (!selection || kind < 0 || kind > 7)
        return;
    if (!selection->m_bSubObject && m_activeTool)
        DeleteActiveTool();
    SgPathList list = selection->GetPathList();
    selection->DeselectAll();
    const ManipulatorKind &row = kManipulators[kind];
    switch (row.attach) {
    case Attach::Transform:
        selection->AddSelectionCB(&SgSelectionHandler::TransformTool, GetToolClassID(row.toolIndex));
        break;
    case Attach::Highlight:
        selection->AddSelectionCB(&SgSelectionHandler::HighlightSelect, 0);
        break;
    case Attach::BoundBox:
        selection->AddSelectionCB(&SgSelectionHandler::BoundBoxTool, 0);
        break;
    }
    selection->AddDeselectionCB(&SgSelectionHandler::RemoveTool);
    selection->Select(list, 0);
    const int previous = kManipulators[m_manipulatorKind].button;
    if (previous != 0)
        m_facade.GetButtons().SetButtonState(0, previous, false);
    if (row.button != 0)
        m_facade.GetButtons().SetButtonState(1, row.button, false);
    m_manipulatorKind = kind;
    m_facade.Redraw();
}

void Creation::OnTransformTool(int button)
{
    OnChangeToolFrame(button);
    switch (button) {
    case 30:
        AddSelectionManip(0);
        break;
    case 31:
        AddSelectionManip(1);
        break;
    case 32:
        AddSelectionManip(2);
        break;
    case 34:
        AddSelectionManip(4);
        break;
    case 35:
        AddSelectionManip(5);
        break;
    case 36:
        AddSelectionManip(6);
        break;
    case 37:
        AddSelectionManip(7);
        break;
    case 40:
        OnSelect();
        break;
    case 41:
        OnSelectByFence();
        break;
    default:
        break;
    }
}

void Creation::OnSelect()
{
    DeleteActiveTool();
    AddSelectionManip(m_manipulatorKind);
}

void Creation::OnSelectByFence()
{
    SgDocument *document = m_facade.GetDocument();
    DeleteActiveTool();
    if (document)
        InstallActiveTool(new SgSelectByFenceTool(document));
}

const char *const *Creation::GetFrameNames(int &count)
{
    count = static_cast<int>(std::size(kFrameNames));
    return kFrameNames;
}

void Creation::OnChangeToolFrame(int)
{
    if (m_frameChoice < 0 || m_frameChoice >= static_cast<int>(std::size(kFrameValues)))
        return;
    SetTransformToolFrame(kFrameValues[m_frameChoice]);
}

void Creation::SetTransformToolFrame(int frame)
{
    SgSelectionHandler *selection = Selection();
    if (!selection)
        return;
    const bool changed = selection->GetTransformToolFrame() != frame;
    selection->SetTransformToolFrame(frame);
    if (changed && selection->GetSelCount() > 0 && m_manipulatorKind != -1)
        AddSelectionManip(m_manipulatorKind);
}

int Creation::GetTransformToolFrame() const
{
    return Selection() ? Selection()->GetTransformToolFrame() : 0;
}

float Creation::RescaleManipulator(float percent)
{
    if (percent > 0.0f) {
        SgTransformTool::s_fManipulatorScale *= percent / 100.0f;
        if (Selection())
            Selection()->ReselectAll();
        m_facade.Redraw();
    }
    return SgTransformTool::s_fManipulatorScale;
}

void Creation::TogleTransformToolMode(int mode)
{
    SgDocument *document = m_facade.GetDocument();
    if (!document)
        return;
    int current = document->GetPivotMode();
    if (mode == -1 || mode == 38)
        current = (current + 1) % 3;
    else if (mode >= 0 && mode <= 2)
        current = mode;
    document->SetPivotMode(current);
    m_facade.GetButtons().SetButtonState(current, 38, false);
}

void Creation::ToggleSnapAngle(int button)
{
    m_snapAngle = !m_snapAngle;
    m_facade.GetButtons().SetButtonState(m_snapAngle ? 1 : 0, button, false);
}

void Creation::ToggleSnapSurface(int button)
{
    m_snapSurface = !m_snapSurface;
    m_facade.GetButtons().SetButtonState(m_snapSurface ? 1 : 0, button, false);
}

void Creation::OnToggleMetaball(int)
{
    m_metaball = !m_metaball;
    m_facade.GetButtons().SetButtonState(m_metaball ? 1 : 0, 120, false);
}

void Creation::NullTool(int button)
{
    m_facade.GetButtons().SetButtonState(0, button, false);
}

bool Creation::GimbalConnect()
{
    SgSelectionHandler *selection = Selection();
    if (!selection || selection->GetSelCount() != 2)
        return false;
    SgObject *objects[2] = {};
    SgPath paths[2];
    if (selection->GetSelectedObjects(2, objects, paths) != 2 || !objects[0] || !objects[1])
        return false;
    // The object's own billboard, never one inside its manipulator.
    auto *billboard = dynamic_cast<SgBillboard *>(objects[0]->FindFirstNode(SgBillboard::ClassID(), {}, nullptr, false));
    if (!billboard) {
        billboard = new SgBillboard;
        objects[0]->AddPropertyNode(billboard, false);
    }
    billboard->m_rotationType = 4;
    SgTransformSensor *sensor = TransformSensorOf(objects[1]);
    if (!sensor)
        return false;
    return sensor->m_rotationOut.AsOutput().Connect(billboard->m_targetRotation.AsInput());
}

// ---- Creation ----------------------------------------------------------------------------------------

void Creation::StartCreation(int button, int classId, const int *codes, bool cornerToCorner)
{
    DeleteActiveTool();
    if (Selection())
        Selection()->DeselectAll();
    auto *tool = new SgCreateCylinderTool;
    tool->Setup(classId, codes);
    tool->m_bCentred = cornerToCorner;
    // A creation the user did not drag out makes nothing.
    tool->m_bDiscardEmpty = true;
    m_creationButton = button;
    InstallActiveTool(tool);
}

void Creation::OnCreateTool(int button)
{
    switch (button) {
    case 12:
    case 13:
    case 14:
    case 17:
    case 18:
    case 19:
        OnCreatePolyline(button);
        return;
    default:
        break;
    }
    for (const CreationRow &row : kCreations) {
        if (row.button != button)
            continue;
        const int classId = SgFieldMngr::GetClassIDFromName(row.className);
        if (classId <= 0) {
            SgDiagTellUser(SgDiagLevel::Warning, kPackage,
                           std::string("This version cannot create ") + (row.className + 2) + " objects", "Create");
            return;
        }
        StartCreation(button, classId, row.codes, row.cornerToCorner);
        m_facade.GetButtons().SetButtonState(1, button, false);
        return;
    }
}

void Creation::OnCreatePolyline(int button)
{
    SgDocument *document = m_facade.GetDocument();
    if (!document)
        return;
    DeleteActiveTool();
    if (Selection())
        Selection()->DeselectAll();
    const Plane ground(Vec3(0, 0, 1), 0.0);
    SgCreatePolyLineTool *tool = nullptr;
    switch (button) {
    case 12:
        tool = new SgCreatePolyLineTool(ground, SgFieldMngr::GetClassIDFromName("SgPolyLine"));
        break;
    case 13:
        tool = new SgCreatePolygonTool(ground);
        break;
    case 14:
    case 19:
        tool = new SgCreateBezierTool(ground);
        break;
    case 16:
        tool = new SgCreatePolyLineTool(ground, SgFieldMngr::GetClassIDFromName("SgFiletPolyLine"));
        break;
    case 17:
    case 18:
        tool = new SgCreatePolyLineTool(ground, SgFieldMngr::GetClassIDFromName("SgBSpline"));
        tool->SetCubicSpline(button == 18);
        break;
    default:
        break;
    }
    m_facade.GetButtons().SetButtonState(1, button, false);
    if (!tool)
        return;
    ArmCurveTool(*tool);
    m_creationButton = button;
    InstallActiveTool(tool);
}

void Creation::ArmCurveTool(SgCreatePolyLineTool &tool)
{
    const Plane ground(Vec3(0, 0, 1), 0.0);
    tool.SetStartFlag(true);
    tool.SetPlane(ground);
    if (!tool.IsWorkingPlaneChosen())
        tool.SetWorkingPlane(ground, false);
    // Points lie on the plane wherever the cursor is; they go onto objects
    // only with snapping to surfaces.
    tool.SetProjectOnPlane(true);
    tool.m_bSnapAngle = m_snapAngle;
    tool.m_bSnapToObjects = m_snapSurface;
    m_facade.GetButtons().SetButtonState(m_snapAngle ? 1 : 0, 121, false);
    m_facade.GetButtons().SetButtonState(m_snapSurface ? 1 : 0, 122, false);
}

void Creation::OnCreateGrid(int button)
{
    SgSeparator *root = m_facade.GetRoot();
    if (!root)
        return;
    if (!m_grid) {
        m_grid = FindNodeByName::Lookup("Grid", root);
        if (!m_grid) {
            auto *grid = new SgGrid;
            grid->SetName("Grid");
            root->AddChildBefore(grid, nullptr);
            grid->m_selectMode = 0;
            m_grid = grid;
        }
    }
    ToggleShown(m_grid.get(), m_gridShown, button);
}

// Shows or hides a helper of the view (the grid, the axis) and its button.
void Creation::ToggleShown(SgNode *helper, bool &shown, int button)
{
    if (auto *object = dynamic_cast<SgObject *>(helper))
        object->m_hide = shown ? 1 : 0;
    shown = !shown;
    m_facade.GetButtons().SetButtonState(shown ? 1 : 0, button, false);
    m_facade.Redraw();
}

void Creation::OnCreateAxis(int button)
{
    SgSeparator *root = m_facade.GetRoot();
    if (!root)
        return;
    if (!m_axis) {
        auto *axis = new SgAxis;
        axis->Create(0.5, 0.06, 0.2);
        root->AddChildBefore(axis, nullptr);
        if (SgTransform *transform = axis->GetTransform(true))
            transform->m_translation = Vec3(-3.5, -1.7, 0);
        axis->m_selectMode = 0;
        m_axis = axis;
    }
    ToggleShown(m_axis.get(), m_axisShown, button);
}

// ---- Creation tools ------------------------------------------------------------------------------

SgEventHandler *Creation::CreateShapedPrizm(const int *row, GenericCreateHandler *handler)
{
    SgDocument *document = m_facade.GetDocument();
    if (!row || !document)
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
    m_creationButton = row[0];
    InstallActiveTool(tool);
    return tool;
}

void Creation::OnEditPolyline(int)
{
    SgDocument *document = m_facade.GetDocument();
    if (!document)
        return;
    DeleteActiveTool();
    if (Selection())
        Selection()->DeselectAll();
    auto *tool = new SgEditPolyLineTool;
    tool->m_bSnapToObjects = m_snapSurface;
    InstallActiveTool(tool);
}

// ---- Ready-made objects ---------------------------------------------------------------------------

void Creation::OnCreateObject(int kind)
{
    SgDocument *document = m_facade.GetDocument();
    SgSeparator *root = m_facade.GetRoot();
    if (!root)
        return;
    const char *className = kind >= 0 && kind < static_cast<int>(std::size(kCameraClasses)) ? kCameraClasses[kind] : "";
    SgRef<SgNode> camera = MakeNode(className);
    if (!camera) {
        SgDiagTellUser(SgDiagLevel::Warning, kPackage, "No object of kind " + std::to_string(kind) + " can be created",
                       "Create");
        return;
    }
    SgKeyPoint step(document);

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

void Creation::Particles(int kind)
{
    SgDocument *document = m_facade.GetDocument();
    SgSeparator *root = m_facade.GetRoot();
    if (!root || kind < 1 || kind >= static_cast<int>(std::size(kParticleClasses)))
        return;
    SgRef<SgNode> particle = MakeNode(kParticleClasses[kind]);
    if (!particle) {
        SgDiagTellUser(SgDiagLevel::Warning, kPackage,
                       std::string("This version cannot create ") + (kParticleClasses[kind] + 2) + " effects",
                       "Create");
        return;
    }
    SgKeyPoint step(document);
    auto *object = new SgObject(true, true);
    object->AddChild(particle.get());
    root->AddChild(object);
}

// ---- Nodes by name ----------------------------------------------------------------------------------

void Creation::ClearScene()
{
    SgDocument *document = m_facade.GetDocument();
    if (!document)
        return;
    DeleteActiveTool();
    // The editor helpers go with the scene; the next press makes them anew.
    m_grid = nullptr;
    m_axis = nullptr;
    m_gridShown = m_axisShown = false;
    document->ClearScene(false);
    // Clearing is not undone, and the undo list of the cleared scene names
    // nodes that are gone: kept, each Undo would bring one of them back.
    document->ResetUndo();
    document->SetFileName("");
    m_facade.Redraw();
}

// ---- Menu forms ----------------------------------------------------------------------------------------

void Creation::OnCreateObjectButton(int)
{
    OnCreateObject(1);
    m_facade.Redraw();
}

void Creation::OnParticlesButton(int button)
{
    Particles(button - kFirstParticleButton + 1);
    m_facade.Redraw();
}

bool Creation::OneObjectSelected(int)
{
    return Selection() && Selection()->GetSelCount() == 1;
}

bool Creation::TwoObjectsSelected(int)
{
    return Selection() && Selection()->GetSelCount() == 2;
}

} // namespace drevon
