// The facade's commands on the scene: playback, selection, grouping,
// clipboard and undo, the active tool and manipulators, and the view.
#include <cmath>
#include <sstream>

#include "engine/actions/SgFindAction.h"
#include "engine/actions/SgNodeNavigation.h"
#include "engine/core/SgField.h"
#include "engine/core/SgKeyPoint.h"
#include "engine/core/SgPathList.h"
#include "engine/core/SgSeparator.h"
#include "engine/core/SgStateAccessors.h"
#include "engine/document/CScenario.h"
#include "engine/document/SgAnimationMngr.h"
#include "engine/document/SgCopy.h"
#include "engine/document/SgDocument.h"
#include "engine/handlers/SgSelectionHandler.h"
#include "engine/nodes/geometry/SgBox.h"
#include "engine/nodes/geometry/SgCylinder.h"
#include "engine/nodes/geometry/SgSphere.h"
#include "engine/nodes/properties/SgAxis.h"
#include "engine/nodes/helpers/SgGrid.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/nodes/particles/SgEmitter.h"
#include "engine/nodes/properties/SgBackground.h"
#include "engine/nodes/properties/SgBillboard.h"
#include "engine/nodes/properties/SgTransformSensor.h"
#include "engine/core/DxModule.h"
#include "engine/nodes/properties/SgCamera.h"
#include "engine/nodes/properties/SgDrawStyle.h"
#include "engine/nodes/properties/SgLightModel.h"
#include "engine/nodes/properties/SgMaterial.h"
#include "engine/nodes/properties/SgTransform.h"
#include "engine/render/SgViewport.h"
#include "engine/tools/SgCreateBezierTool.h"
#include "engine/tools/SgCreateCylinderTool.h"
#include "engine/tools/SgCreatePolyLineTool.h"
#include "engine/tools/SgCreatePolygonTool.h"
#include "engine/tools/SgExamineViewHandler.h"
#include "engine/tools/SgSelectByFenceTool.h"
#include "engine/tools/SgTransformTool.h"
#include "engine/viewer/SgViewer.h"
#include "facade/CDrevon.h"
#include "platform/SgDiagnostics.h"
#include "platform/SgTimerService.h"
#include "utilities/math/Angles.h"
#include "facade/FacadePackage.h"

namespace drevon {

namespace {

constexpr const char *kViewingToolName = "ViewingTool";
// Frames 0 to 99 play round.
constexpr int kFrameCount = 100;
// The playback timer fires as often as the host's loop allows.
constexpr int kPlaybackPeriod = 0;

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

struct FlipRow {
    double x, y, z, angle;
};
constexpr FlipRow kFlips[3] = {{1, 0, 0, kPi / 2}, {0, 1, 0, kPi / 2}, {0, 0, 1, 0}};

constexpr Color kOverrideColors[3] = {Color(-1, 0, 0, 1), Color(1, 1, 1, 1), Color(0, 0, 0, 1)};

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

// The direction of a navigation request: buttons 42 to 45, or 0 to 3.
int NavigationStep(int button)
{
    return button >= 42 ? button - 42 : button;
}

} // namespace

SgSelectionHandler *CDrevon::Selection() const
{
    return m_pDocument ? m_pDocument->GetSelectionHandler() : nullptr;
}

SgViewport *CDrevon::CurrentViewport() const
{
    SgViewer *viewer = GetCurrentViewer();
    return viewer && viewer->GetViewportCount() > 0 ? viewer->GetViewport(0) : nullptr;
}

void CDrevon::Redraw()
{
    ++m_iRedraws;
    if (SgViewer *viewer = GetCurrentViewer())
        viewer->Redraw(true);
}

void CDrevon::Refresh(int mode)
{
    if (m_pDocument)
        m_pDocument->Refresh(mode);
    Redraw();
}

// ---- Playback -------------------------------------------------------------------------------

void CDrevon::StopPlayback()
{
    if (m_iPlaybackTimer != 0)
        GetTimerService().StopTimer(m_iPlaybackTimer);
    m_iPlaybackTimer = 0;
}

void CDrevon::Play(int)
{
    if (m_iPlaybackTimer != 0) {
        StopPlayback();
        return;
    }
    if (!GetCurrentViewer()) {
        SgDiagTellUser(SgDiagLevel::Error, kPackage, "Playing needs a view to show the animation", "Play");
        return;
    }
    // A timer redrawing a still scene would keep a core busy for nothing.
    if (!HasSomethingToPlay()) {
        SgDiagTellUser(SgDiagLevel::Info, kPackage, "There is nothing to play: the scene has no animation", "Play");
        return;
    }
    m_iPlaybackTimer = GetTimerService().StartTimer(kPlaybackPeriod, [this] { PlaybackTick(); });
}

bool CDrevon::HasSomethingToPlay()
{
    // A track moves its field only between two keys; the manager's own
    // trajectory track is always there and moves nothing by itself.
    SgAnimationMngr *animation = m_pDocument ? m_pDocument->GetAnimationMngr() : nullptr;
    const CScenario *scenario = animation ? &animation->GetScenario() : nullptr;
    for (int i = 0; scenario && i < scenario->GetTracksCount(); ++i) {
        const CAnimationTrack *track = scenario->GetTrack(i);
        const SgField *field = track->GetField();
        if (track->GetKeyCount() >= 2 && field &&
            field->GetContainer() != static_cast<const SgFieldMngr *>(animation))
            return true;
    }
    // Particles move with the frames whether or not anything is recorded.
    SgSeparator *root = GetRoot();
    return root && FindNodeByClassID::Lookup(SgEmitter::ClassID(), root) != nullptr;
}

void CDrevon::PlaybackTick()
{
    if (!m_pDocument || !m_pDocument->GetAnimationMngr())
        return;
    m_pDocument->GetAnimationMngr()->Play(m_dFrame);
    m_pDocument->RedrawAllViewers(nullptr);
    m_dFrame = double((int(m_dFrame) + 1) % kFrameCount);
}

int CDrevon::SetAnimationRecord(const char *nodeName, const char *fieldName, double time, const char *value)
{
    if (!m_pDocument || !m_pDocument->GetAnimationMngr() || !nodeName || !fieldName)
        return 0;
    SgField *field = m_pDocument->FindField(GetRoot(), nodeName, fieldName);
    if (!field)
        return 0;
    if (value) {
        std::istringstream text(value);
        field->ReadFromStream(text, true);
    }
    m_pDocument->GetAnimationMngr()->GetScenario().AddRecordItem(field, time, false);
    return 1;
}

void CDrevon::SetMusicFile(const char *path)
{
    m_musicFile = path ? path : "";
}

// ---- Selection ----------------------------------------------------------------------------------

void CDrevon::ChangeSelection(int how)
{
    if (SgSelectionHandler *selection = Selection()) {
        if (how == 0)
            selection->SelectAll(GetRoot());
        else if (how == 1)
            selection->SelectNone();
        else if (how == 2)
            selection->SelectInvert(GetRoot());
    }
    Redraw();
}

bool CDrevon::MoreThanOneSelected(int)
{
    return Selection() && Selection()->GetSelCount() >= 2;
}

bool CDrevon::NonemptySelection(int)
{
    return Selection() && Selection()->GetSelCount() >= 1;
}

void CDrevon::GroupSelection()
{
    if (Selection())
        Selection()->GroupSelection();
    Redraw();
}

void CDrevon::UnGroupSelection()
{
    if (Selection())
        Selection()->UnGroupSelection();
    Redraw();
}

int CDrevon::AttachToGroup(SgObject *group, SgObject *object, bool link)
{
    if (!group || !object)
        return 0;
    SgPath path;
    path.CreateFromNode(group);
    path.CutToRoot(0);
    object->AttachToGroup(path, link);
    return 1;
}

void CDrevon::AttachToGroupSelection(bool link)
{
    if (Selection())
        Selection()->AttachToGroupSelection(link);
    Redraw();
}

int CDrevon::DetachFromGroup(SgObject *)
{
    return 1;
}

void CDrevon::DetachSelection()
{
    if (Selection())
        Selection()->DetachGroupSelection();
    Redraw();
}

void CDrevon::OnDeleteSelection()
{
    SgSelectionHandler *selection = Selection();
    if (!selection)
        return;
    // Sub-object deletion belongs to the sub-object tool, which is not
    // offered here; while it edits, objects are not deleted under it.
    if (selection->m_bSubObject)
        return;
    {
        // Every selected object goes in one step to undo.
        SgKeyPoint step(m_pDocument);
        selection->Delete();
    }
    Redraw();
}

void CDrevon::OnClone(bool deep)
{
    if (!m_pDocument || !Selection())
        return;
    const SgPathList list = Selection()->GetPathList();
    SgCopy *copy = m_pDocument->GetCopyBuffer();
    copy->SetCopyMode(deep);
    if (!list.IsEmpty())
        copy->Clone(list);
}

void CDrevon::OnPasteClone()
{
    if (!m_pDocument)
        return;
    SgCopy *copy = m_pDocument->GetCopyBuffer();
    copy->SetSelectionHandler(Selection());
    const std::vector<SgObject *> pasted = copy->Paste(GetRoot());
    // The copies are what the next move or delete acts on.
    if (SgSelectionHandler *selection = Selection(); selection && !pasted.empty()) {
        selection->DeselectAll();
        for (SgObject *object : pasted) {
            SgPath path(*GetRoot());
            path.Append(object);
            selection->Select(path, 0);
        }
    }
    Redraw();
}

bool CDrevon::UpdateClonePaste(int)
{
    return m_pDocument && m_pDocument->GetCopyBuffer()->GetCount() > 0;
}

void CDrevon::OnEdit(int button)
{
    switch (button) {
    case 98:
        Undo(false);
        break;
    case 99:
        Undo(true);
        break;
    case 100:
        GroupSelection();
        break;
    case 101:
        UnGroupSelection();
        break;
    case 102:
        OnDeleteSelection();
        break;
    case 103:
        OnClone(false);
        break;
    case 104:
        OnPasteClone();
        break;
    default:
        break;
    }
    Redraw();
}

void CDrevon::Undo(bool redo)
{
    if (!m_pDocument)
        return;
    SgSelectionHandler *selection = Selection();
    if (selection && selection->m_bSubObject) {
        DeleteActiveTool();
        OnTransformTool(m_iManipulatorKind + 30);
    }
    // A tool in the middle of a creation holds nodes the undo may take away.
    if (m_iCreationButton != 0)
        DeleteActiveTool();
    if (selection)
        selection->DeselectAll();
    if (redo)
        m_pDocument->Redo();
    else
        m_pDocument->Undo();
    Redraw();
}

void CDrevon::UndoOp(int op)
{
    if (!m_pDocument)
        return;
    switch (op) {
    case 0:
    case 1:
        m_pDocument->StartKeyPoint();
        break;
    case 2:
        m_pDocument->SetUndoRecording(false);
        break;
    case 3:
        m_pDocument->SetUndoRecording(true);
        break;
    case 4:
        m_pDocument->ResetUndo();
        break;
    default:
        break;
    }
}

bool CDrevon::UpdateUndo(int button)
{
    if (!m_pDocument)
        return false;
    if (button == 98)
        return m_pDocument->IsUndoStackNonEmpty();
    if (button == 99)
        return m_pDocument->IsRedoStackNonEmpty();
    return false;
}

void CDrevon::Navigate(int button)
{
    if (SgSelectionHandler *selection = Selection()) {
        SgNodeNavigation navigation(selection);
        const SgPathList list = selection->GetPathList();
        switch (NavigationStep(button)) {
        case 0:
            navigation.NavigateToSibling(list, true);
            break;
        case 1:
            navigation.NavigateToSibling(list, false);
            break;
        case 2:
            navigation.NavigateToSon(list);
            break;
        case 3:
            navigation.NavigateToParent(list);
            break;
        default:
            break;
        }
    }
    Redraw();
}

bool CDrevon::OnUpdateNavigate(int button)
{
    SgSelectionHandler *selection = Selection();
    if (!selection || selection->GetSelCount() == 0)
        return false;
    const int step = NavigationStep(button);
    if (step < 0 || step > 3)
        return true;
    SgNodeNavigation navigation(selection);
    const SgPathList &list = selection->GetPathList();
    POSITION position = list.GetFirst();
    while (position) {
        SgPath path = list.GetNext(position);
        SgPath target;
        if (step <= 1) {
            if (!navigation.GetSibling(path, step == 0))
                return false;
        } else if (step == 2) {
            navigation.GetSon(path, target);
            if (target.GetNodes().empty())
                return false;
        } else {
            navigation.GetParent(path, target);
            if (target.GetNodes().empty())
                return false;
        }
    }
    return true;
}

// ---- Active tool and manipulators -----------------------------------------------------------------

void CDrevon::SetActiveTool(SgEventHandler *tool)
{
    m_activeTool = tool;
}

void CDrevon::InstallActiveTool(SgEventHandler *tool)
{
    m_activeTool = tool;
    // A tool coming and going is no step of the user's to undo.
    if (SgSeparator *root = GetRoot()) {
        SgUndoRecordingPause pause(m_pDocument);
        root->AddChild(tool);
    }
    // The tool takes the left button whole; the other buttons and the wheel
    // still move the view.
    if (auto *examine = dynamic_cast<SgExamineViewHandler *>(ViewingTool()))
        examine->SetLeftToScene(true);
}

void CDrevon::DeleteActiveTool()
{
    OnRotateScene(0);
    if (auto *examine = dynamic_cast<SgExamineViewHandler *>(ViewingTool()))
        examine->SetLeftToScene(false);
    if (m_activeTool) {
        SgRef<SgEventHandler> tool = m_activeTool;
        m_activeTool = nullptr;
        // Out of the scene: a tool in the middle of a drag gives back its
        // capture and undo step as it goes.
        if (SgSeparator *root = GetRoot()) {
            SgUndoRecordingPause pause(m_pDocument);
            root->DeleteChild(tool.get());
        }
    }
    if (m_iCreationButton != 0) {
        const int button = m_iCreationButton;
        m_iCreationButton = 0;
        SetButtonState(0, button, false);
    }
    ClearSubObjectButtons();
}

void CDrevon::AddSelectionManip(int kind)
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
    const int previous = kManipulators[m_iManipulatorKind].button;
    if (previous != 0)
        SetButtonState(0, previous, false);
    if (row.button != 0)
        SetButtonState(1, row.button, false);
    m_iManipulatorKind = kind;
    Redraw();
}

void CDrevon::OnTransformTool(int button)
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

void CDrevon::OnSelect()
{
    DeleteActiveTool();
    AddSelectionManip(m_iManipulatorKind);
}

void CDrevon::OnSelectByFence()
{
    DeleteActiveTool();
    if (m_pDocument)
        InstallActiveTool(new SgSelectByFenceTool(m_pDocument));
}

const char *const *CDrevon::GetFrameNames(int &count)
{
    count = static_cast<int>(std::size(kFrameNames));
    return kFrameNames;
}

void CDrevon::OnChangeToolFrame(int)
{
    if (m_iFrameChoice < 0 || m_iFrameChoice >= static_cast<int>(std::size(kFrameValues)))
        return;
    SetTransformToolFrame(kFrameValues[m_iFrameChoice]);
}

void CDrevon::SetTransformToolFrame(int frame)
{
    SgSelectionHandler *selection = Selection();
    if (!selection)
        return;
    const bool changed = selection->GetTransformToolFrame() != frame;
    selection->SetTransformToolFrame(frame);
    if (changed && selection->GetSelCount() > 0 && m_iManipulatorKind != -1)
        AddSelectionManip(m_iManipulatorKind);
}

int CDrevon::GetTransformToolFrame() const
{
    return Selection() ? Selection()->GetTransformToolFrame() : 0;
}

float CDrevon::RescaleManipulator(float percent)
{
    if (percent > 0.0f) {
        SgTransformTool::s_fManipulatorScale *= percent / 100.0f;
        if (Selection())
            Selection()->ReselectAll();
        Redraw();
    }
    return SgTransformTool::s_fManipulatorScale;
}

void CDrevon::TogleTransformToolMode(int mode)
{
    if (!m_pDocument)
        return;
    int current = m_pDocument->GetPivotMode();
    if (mode == -1 || mode == 38)
        current = (current + 1) % 3;
    else if (mode >= 0 && mode <= 2)
        current = mode;
    m_pDocument->SetPivotMode(current);
    SetButtonState(current, 38, false);
}

void CDrevon::ToggleSnapAngle(int button)
{
    m_bSnapAngle = !m_bSnapAngle;
    SetButtonState(m_bSnapAngle ? 1 : 0, button, false);
}

void CDrevon::ToggleSnapSurface(int button)
{
    m_bSnapSurface = !m_bSnapSurface;
    SetButtonState(m_bSnapSurface ? 1 : 0, button, false);
}

void CDrevon::OnToggleMetaball(int)
{
    m_bMetaball = !m_bMetaball;
    SetButtonState(m_bMetaball ? 1 : 0, 120, false);
}

void CDrevon::NullTool(int button)
{
    SetButtonState(0, button, false);
}

bool CDrevon::GimbalConnect()
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

void CDrevon::StartCreation(int button, int classId, const int *codes, bool cornerToCorner)
{
    DeleteActiveTool();
    if (Selection())
        Selection()->DeselectAll();
    auto *tool = new SgCreateCylinderTool;
    tool->Setup(classId, codes);
    tool->m_bCentred = cornerToCorner;
    // A creation the user did not drag out makes nothing.
    tool->m_bDiscardEmpty = true;
    m_iCreationButton = button;
    InstallActiveTool(tool);
}

void CDrevon::OnCreateTool(int button)
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
        SetButtonState(1, button, false);
        return;
    }
}

void CDrevon::OnCreatePolyline(int button)
{
    if (!m_pDocument)
        return;
    DeleteActiveTool();
    if (Selection())
        Selection()->DeselectAll();
    const Plane ground(Vec3(0, 0, 1), 0.0);
    SgEventHandler *tool = nullptr;
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
    case 18: {
        auto *spline = new SgCreatePolyLineTool(ground, SgFieldMngr::GetClassIDFromName("SgBSpline"));
        spline->SetCubicSpline(button == 18);
        tool = spline;
        break;
    }
    default:
        break;
    }
    SetButtonState(1, button, false);
    if (!tool)
        return;
    if (auto *curveTool = dynamic_cast<SgTool *>(tool)) {
        // Points lie on the ground plane wherever the cursor is; they go
        // onto objects only with snapping to surfaces.
        curveTool->SetPlane(ground);
        curveTool->SetProjectOnPlane(true);
        curveTool->m_bSnapAngle = m_bSnapAngle;
        curveTool->m_bSnapToObjects = m_bSnapSurface;
    }
    SetButtonState(m_bSnapAngle ? 1 : 0, 121, false);
    SetButtonState(m_bSnapSurface ? 1 : 0, 122, false);
    m_iCreationButton = button;
    InstallActiveTool(tool);
}

void CDrevon::OnCreateGrid(int button)
{
    SgSeparator *root = GetRoot();
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
    if (auto *grid = dynamic_cast<SgObject *>(m_grid.get()))
        grid->m_hide = m_bGridShown ? 1 : 0;
    m_bGridShown = !m_bGridShown;
    SetButtonState(m_bGridShown ? 1 : 0, button, false);
    Redraw();
}

void CDrevon::OnCreateAxis(int button)
{
    SgSeparator *root = GetRoot();
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
    if (auto *axis = dynamic_cast<SgObject *>(m_axis.get()))
        axis->m_hide = m_bAxisShown ? 1 : 0;
    m_bAxisShown = !m_bAxisShown;
    SetButtonState(m_bAxisShown ? 1 : 0, button, false);
    Redraw();
}

// ---- Navigation -----------------------------------------------------------------------------------------

SgNode *CDrevon::ViewingTool()
{
    SgViewport *viewport = CurrentViewport();
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

int CDrevon::GetNavigationMode() const
{
    SgViewport *viewport = CurrentViewport();
    SgSeparator *view = viewport ? viewport->GetNodara() : nullptr;
    SgNode *found = view ? FindNodeByName::Lookup(kViewingToolName, view) : nullptr;
    auto *examine = dynamic_cast<SgExamineViewHandler *>(found);
    return examine ? examine->GetMainMode() : 0;
}

void CDrevon::SetNavigation(int mode, int button, bool keep)
{
    m_bViewToolKeep = keep;
    if (auto *examine = dynamic_cast<SgExamineViewHandler *>(ViewingTool()))
        examine->SetMainMode(static_cast<SgExamineViewHandler::ViewerMode>(mode));
    // A running creation keeps its record; its button only shows that the
    // mouse navigates now.
    if (m_iCreationButton != 0)
        SetButtonState(0, m_iCreationButton, false);
    for (int other = 50; other <= 53; ++other)
        if (other != button && GetButtonState(other) != 0)
            SetButtonState(0, other, false);
    SetButtonState(1, button, false);
}

void CDrevon::OnRotateScene(int keep)
{
    SgSelectionHandler *selection = Selection();
    if (selection && selection->m_bSubObject) {
        selection->m_bSubObject = false;
        DeleteActiveTool();
    }
    SetNavigation(1, 50, keep == 0);
}

void CDrevon::OnPan()
{
    SetNavigation(2, 52, false);
}

void CDrevon::OnZoom()
{
    SetNavigation(4, 53, false);
}

void CDrevon::OnFlyThrough()
{
    SetNavigation(3, 51, false);
}

void CDrevon::OnViewTool(int button)
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

void CDrevon::ChangeView(int button)
{
    SgViewport *viewport = CurrentViewport();
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
    Redraw();
}

void CDrevon::FlipViewDir(int which)
{
    SgViewport *viewport = CurrentViewport();
    if (!viewport)
        return;
    const int chosen = which == -1 ? m_iFlipIndex + 1 : which;
    if (chosen < 0)
        return;
    m_iFlipIndex = chosen % 3;
    const FlipRow &row = kFlips[m_iFlipIndex];
    viewport->SetViewDirection(row.x, row.y, row.z, row.angle);
    viewport->RotateScene(0, 0, true);
    Redraw();
}

void CDrevon::StraightenUp()
{
    if (SgViewport *viewport = CurrentViewport())
        viewport->RotateScene(0, 0, true);
    Redraw();
}

void CDrevon::Focus(bool selected)
{
    SgViewport *viewport = CurrentViewport();
    if (!viewport)
        return;
    const SgPathList *paths = selected && Selection() ? &Selection()->GetPathList() : nullptr;
    viewport->Focus(paths, 1.0);
    ++m_iRedraws;
    GetCurrentViewer()->Redraw(false);
}

void CDrevon::FocusAllViewer(double scale)
{
    if (!m_pDocument)
        return;
    for (int i = 0; i < m_pDocument->GetViewerCount(); ++i) {
        SgViewer *viewer = m_pDocument->GetViewer(i);
        if (viewer->GetViewportCount() == 0)
            continue;
        viewer->GetViewport(0)->Focus(nullptr, scale);
        viewer->Redraw(false);
    }
}

void CDrevon::ModifyView(int op, double a, double b)
{
    SgViewport *viewport = CurrentViewport();
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
    Redraw();
}

bool CDrevon::SetCameraLocation(double x, double y, double z, SgViewer *viewer)
{
    SgViewer *target = viewer ? viewer : GetCurrentViewer();
    if (!target || target->GetViewportCount() == 0 || !target->GetViewport(0)->GetCameraTransform()) {
        SgDiagWarning(kPackage, "SetCameraLocation: the view has no camera");
        return false;
    }
    target->GetViewport(0)->GetCameraTransform()->m_translation = Vec3(x, y, z);
    return true;
}

void CDrevon::ViewPerspective(int how)
{
    SgViewport *viewport = CurrentViewport();
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
    SetButtonState(perspective != 0 ? 1 : 0, 72, false);
    Redraw();
}

void CDrevon::ToggleStyle(int style)
{
    SgViewport *viewport = CurrentViewport();
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
    Redraw();
}

void CDrevon::TogleLightModel(int)
{
    SgViewport *viewport = CurrentViewport();
    SgLightModel *model = viewport ? viewport->GetLightModel() : nullptr;
    if (!model)
        return;
    const int current = model->m_model.Get();
    if (current == 0 || current == 1)
        model->m_model = 1 - current;
    Redraw();
}

void CDrevon::ToggleFilledWire(int which)
{
    SgViewport *viewport = CurrentViewport();
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
    Redraw();
}

bool CDrevon::SetViewerBGColor(SgViewer *viewer, const float *rgb)
{
    if (!viewer || !rgb || viewer->GetViewportCount() == 0)
        return false;
    SgBackground *background = viewer->GetViewport(0)->GetBackground();
    if (!background)
        return false;
    background->m_color1 = Color(rgb[0], rgb[1], rgb[2], 1.0);
    return true;
}

} // namespace drevon
