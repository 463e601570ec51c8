// The modelling family: operations on the selection: compound objects
// (booleans, conform, scatter), wrapping along a curve, profiles made into
// solids, modifiers, mesh conversion, sub-object editing, bones and skins.
//
// Every operation first checks that the selection is one it can use (how
// many objects, of which kinds, in which order) and otherwise leaves the
// document as it is; every change it makes is one undo step.
#include "facade/Modelling.h"

#include <algorithm>
#include <memory>

#include "engine/actions/SgFindAction.h"
#include "engine/core/SgGizmoGroup.h"
#include "engine/core/SgKeyPoint.h"
#include "engine/core/SgPath.h"
#include "engine/core/SgPathList.h"
#include "engine/core/SgSeparator.h"
#include "engine/document/SgDocument.h"
#include "engine/handlers/SgSelectionHandler.h"
#include "engine/handlers/SgTool.h"
#include "engine/nodes/character/CharAnimControl.h"
#include "engine/nodes/character/SgCharAnim.h"
#include "engine/nodes/geometry/SgBoolean.h"
#include "engine/nodes/geometry/SgExtrude.h"
#include "engine/nodes/geometry/SgExtrudeCap.h"
#include "engine/nodes/geometry/SgFaceSet.h"
#include "engine/nodes/geometry/SgGenPolyLine.h"
#include "engine/nodes/geometry/SgOffset.h"
#include "engine/nodes/geometry/SgPlane.h"
#include "engine/nodes/geometry/SgPointSet.h"
#include "engine/nodes/geometry/SgPolyLine.h"
#include "engine/nodes/geometry/SgRevolve.h"
#include "engine/nodes/geometry/SgScatter.h"
#include "engine/nodes/geometry/SgSkeleton.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/nodes/properties/SgMaterial.h"
#include "engine/tools/SgEditSubObjectTool.h"
#include "facade/CDrevon.h"
#include "facade/SolidMesh.h"
#include "platform/SgDiagnostics.h"
#include "solids/GmGeom.h"
#include "solids/SgGeomAction.h"
#include "solids/SgSolvane.h"
#include "solids/modifiers/SgBendModifier.h"
#include "solids/modifiers/SgFFDBoxModifier.h"
#include "solids/modifiers/SgMeltModifier.h"
#include "solids/modifiers/SgPathModifier.h"
#include "solids/modifiers/SgSimplifyModifier.h"
#include "solids/modifiers/SgSliceModifier.h"
#include "solids/modifiers/SgSmoothMeshModifier.h"
#include "solids/modifiers/SgTriangulateModifier.h"
#include "solids/modifiers/SgTwistModifier.h"
#include "solids/modifiers/SgWaveModifier.h"
#include "solids/surfaces/SgConform.h"
#include "facade/FacadePackage.h"

namespace drevon {

namespace {


// The first button of each run and its length.
constexpr int kFirstBooleanButton = 109;
constexpr int kFirstExtrudeButton = 113;
constexpr int kFirstSubObjectButton = 124;
constexpr int kSubObjectButtons = 3;
constexpr int kConvertButton = 127;
constexpr int kCreaseUpButton = 128;
constexpr int kCreaseDownButton = 129;
constexpr int kInsetExtrudeButton = 132;

// What an extrusion request builds (the value within its run).
enum ExtrudeKind : int { kSweep = 0, kRoof = 1, kOffset = 2, kCapped = 4 };

SgObject *AsObject(SgNode *node)
{
    if (!node || !node->IsObject() || !node->IsDerivedFrom(SgObject::ClassID()))
        return nullptr;
    return static_cast<SgObject *>(node);
}

SgObject *ObjectOf(const SgPath &path)
{
    return path.IsEmpty() ? nullptr : AsObject(path.GetObject(true));
}

// The shape the path ends at once extended past its object; null when the
// path reaches no shape.
SgNode *ShapeOf(const SgPath &path)
{
    SgPath shape = path;
    if (shape.IsEmpty() || !shape.ExtendToShape() || shape.IsEmpty())
        return nullptr;
    return shape.GetLastElement();
}

bool IsProfile(SgNode *node)
{
    return node && (node->IsDerivedFrom(SgGenPolyLine::ClassID()) || node->IsDerivedFrom(SgOffset::ClassID()));
}

// The profile an object offers an extrusion: its geometric shape when that
// is an offset, else its polyline; null when it has neither.
SgGenPolyLine *ProfileOf(SgObject *object, SgNode **offset)
{
    *offset = nullptr;
    if (!object)
        return nullptr;
    SgNode *shape = object->GetBoolean();
    if (shape && shape->IsDerivedFrom(SgOffset::ClassID())) {
        *offset = shape;
        return nullptr;
    }
    if (SgGenPolyLine *line = object->GetObjectPolyline())
        return line;
    // Circles, arcs and helices hand out their samples as any curve does.
    SgSeparator *inner = object->GetInnerGroup();
    const SgGroup *content = inner ? static_cast<const SgGroup *>(inner) : object;
    SgNode *child = content->GetNumChildren() > 0 ? content->GetChild(0) : nullptr;
    return child && child->IsDerivedFrom(SgGenPolyLine::ClassID()) ? static_cast<SgGenPolyLine *>(child) : nullptr;
}

// The value within a run of buttons: a button index from `first` on, else
// the value itself.
int InRun(int value, int first)
{
    return value >= first ? value - first : value;
}

// A new node of a modifier kind; null for any value that names none.
SgNode *NewModifier(int kind)
{
    switch (kind) {
    case 1:
        return new SgSmoothMeshModifier;
    case 2:
        return new SgSimplifyModifier;
    case 3:
        return new SgMeltModifier;
    case 4:
        return new SgWaveModifier;
    case 5:
        return new SgTwistModifier;
    case 6:
        return new SgBendModifier;
    case 7:
        return new SgFFDBoxModifier;
    case 8:
        return new SgSliceModifier;
    case 9:
        return new SgTriangulateModifier;
    default:
        return nullptr;
    }
}

SgEditSubObjectTool *AsSubObjectTool(SgEventHandler *handler)
{
    if (!handler || !handler->IsDerivedFrom(SgEditSubObjectTool::ClassID()))
        return nullptr;
    return static_cast<SgEditSubObjectTool *>(handler);
}

// `paths` (the selected objects' paths) when exactly `count` items are
// selected and each of them is an object; empty otherwise.
std::vector<SgPath> IfExactly(size_t count, const SgSelectionHandler *selection, std::vector<SgPath> paths)
{
    if (!selection || selection->GetSelCount() != static_cast<int>(count) || paths.size() != count)
        paths.clear();
    return paths;
}

} // namespace

Modelling::Modelling(CDrevon &facade) : m_facade(facade) {}

SgSelectionHandler *Modelling::Selection() const
{
    return m_facade.Selection();
}

// ---- Selection helpers ------------------------------------------------------------------------------

std::vector<SgPath> Modelling::SelectedObjectPaths() const
{
    std::vector<SgPath> paths;
    SgSelectionHandler *selection = Selection();
    if (!selection)
        return paths;
    const SgPathList &list = selection->GetPathList();
    for (POSITION pos = list.GetFirst(); pos;) {
        SgPath path = list.GetNext(pos);
        path.CutToObject(0, true, false);
        if (!path.IsEmpty() && ObjectOf(path))
            paths.push_back(path);
    }
    return paths;
}

bool Modelling::UpdateSelectedOne(int)
{
    return Selection() && Selection()->GetSelCount() == 1;
}

// ---- Compound objects ---------------------------------------------------------------------------------

bool Modelling::BuildCompoundTree(SgNode *node, int minimum, int maximum)
{
    SgDocument *document = m_facade.GetDocument();
    SgRef<SgNode> hold(node);
    SgSelectionHandler *selection = Selection();
    if (!node || !selection || !document)
        return false;
    const int count = selection->GetSelCount();
    const std::vector<SgPath> paths = SelectedObjectPaths();
    if (count < minimum || count > maximum || static_cast<int>(paths.size()) != count)
        return false;
    // The compound takes the place of the first selected object.
    const SgPath &first = paths.front();
    const int at = first.GetCount() - 1;
    if (at < 1 || !first[at - 1] || !first[at - 1]->IsGroup())
        return false;
    auto *parent = static_cast<SgGroup *>(first[at - 1]);
    for (const SgPath &path : paths)
        if (path.GetCount() < 2)
            return false;

    SgKeyPoint keyPoint(document);
    selection->DeselectAll();
    SgRef<SgObject> compound(new SgObject(true, true));
    if (!parent->AddChildBefore(compound.get(), first[at]))
        return false;
    compound->AddChild(node);
    // The result looks like the first operand (a box with a ball taken out
    // stays the box's colour).
    if (SgObject *model = ObjectOf(first))
        if (SgNode *material = model->FindPropertyNode(SgMaterial::ClassID()))
            compound->AddPropertyNode(material->Copy(SgNode::kCopyShallow), true);
    compound->SetName(node->GetClassName() + 2);
    compound->m_layer.Set(document->GetCurrentLayer());
    SgPath compoundPath = first;
    compoundPath.Truncate(at);
    compoundPath.Append(compound.get());
    // Operands keep their order (a difference takes the later ones from the
    // first) and their place in the world. A boolean object takes them into
    // its operands itself; other compounds are given their shape's own
    // separator.
    SgPath operandsPath = compoundPath;
    if (!node->IsDerivedFrom(SgBoolean::ClassID()) && node->IsGeometricShape() && compound->GetInnerGroup()) {
        operandsPath.Append(compound->GetInnerGroup());
        operandsPath.Append(node);
        operandsPath.Append(static_cast<SgGeometricShape *>(node)->GetSeparator());
    }
    for (const SgPath &path : paths) {
        SgObject *object = ObjectOf(path);
        SgPath target = operandsPath;
        if (object && object != compound.get())
            object->AttachToGroup(target, false);
    }
    compound->AlignToCenter();
    selection->Select(compoundPath, 0);
    m_facade.Redraw();
    return true;
}

void Modelling::BooleanOperation(int button)
{
    const int operation = InRun(button, kFirstBooleanButton);
    if (!SgBoolean::IsValidOperation(operation))
        return;
    // Booleans evaluate with the engine the facade chooses; a program
    // without the solid library has none and cannot make them.
    if (!m_facade.GetCreation().GetMetaball() && !SgBoolean::IsEngineRegistered(SgBoolean::kSolidEngineAlt)) {
        SgDiagTellUser(SgDiagLevel::Warning, kPackage, "Boolean operations need the solid library", "Boolean");
        return;
    }
    BuildCompoundTree(new SgBoolean(operation), 2, 0x7fffffff);
}

void Modelling::Conform(int)
{
    // A surface draped from the plane selected first over the points of
    // the point set selected second; other kinds would make nothing.
    const std::vector<SgPath> paths = SelectedObjectPaths();
    if (paths.size() != 2)
        return;
    SgNode *plane = ShapeOf(paths[0]);
    SgNode *points = ShapeOf(paths[1]);
    if (!plane || !plane->IsDerivedFrom(SgPlane::ClassID()) || !points || !points->IsDerivedFrom(SgPointSet::ClassID()))
        return;
    BuildCompoundTree(new SgConform, 2, 2);
}

void Modelling::Scatter(int)
{
    // Copies of the first object at the points of the second.
    BuildCompoundTree(new SgScatter, 2, 2);
}

// ---- Wrapping along a curve -------------------------------------------------------------------------------

void Modelling::WrapAlongSpline(int)
{
    SgDocument *document = m_facade.GetDocument();
    const std::vector<SgPath> paths = IfExactly(2, Selection(), SelectedObjectPaths());
    if (paths.empty())
        return;
    SgObject *object = ObjectOf(paths[0]);
    SgNode *curve = ShapeOf(paths[1]);
    // The curve comes second: with the curve selected first, the second
    // object is what the first would be laid along, and it is no curve.
    if (!object || !curve || !curve->IsDerivedFrom(SgGenPolyLine::ClassID()))
        return;
    if (object == ObjectOf(paths[1]))
        return;
    {
        SgKeyPoint keyPoint(document);
        SgPathModifier::wrapAlongSpline(object, static_cast<SgGenPolyLine *>(curve));
    }
    m_facade.Redraw();
}

// ---- Profiles into solids ---------------------------------------------------------------------------------

bool Modelling::UpdateExtrude(int)
{
    SgSelectionHandler *selection = Selection();
    if (!selection || selection->GetSelCount() == 0)
        return false;
    const SgPathList &list = selection->GetPathList();
    return IsProfile(ShapeOf(list.GetAt(list.GetFirst())));
}

void Modelling::OnExtrude(int button)
{
    SgDocument *document = m_facade.GetDocument();
    SgSeparator *root = m_facade.GetRoot();
    SgSelectionHandler *selection = Selection();
    if (!root || !selection || selection->GetSelCount() == 0)
        return;
    // The profiles in selection order; objects that offer none are passed by.
    std::vector<SgNode *> profiles;
    for (const SgPath &path : SelectedObjectPaths()) {
        SgNode *offset = nullptr;
        SgGenPolyLine *curve = ProfileOf(ObjectOf(path), &offset);
        if (offset)
            profiles.push_back(offset);
        else if (curve)
            profiles.push_back(curve);
    }
    if (profiles.empty())
        return;

    const int kind = InRun(button, kFirstExtrudeButton);
    // A capped extrusion spans from one profile to the next: with one there
    // is nothing to span, and an empty object would be all it made.
    if (kind == kCapped && profiles.size() < 2) {
        SgDiagTellUser(SgDiagLevel::Warning, kPackage, "Select two closed curves for a capped extrusion",
                       "Capped Extrusion");
        return;
    }
    SgRef<SgGeometricShape> shape;
    switch (kind) {
    case kRoof:
        shape = new SgSkeleton;
        break;
    case kOffset:
        shape = new SgOffset;
        break;
    case kCapped:
        shape = new SgExtrudeCap;
        break;
    default:
        if (selection->GetSelCount() == 1)
            shape = new SgRevolve;
        else
            shape = new SgExtrude;
        break;
    }
    {
        SgKeyPoint keyPoint(document);
        SgRef<SgObject> object(new SgObject(true, true));
        object->AddPropertyNode(SgTool::BuildRandomMaterial(), true);
        int number = 0;
        for (SgNode *profile : profiles) {
            if (shape->IsDerivedFrom(SgExtrude::ClassID())) {
                static_cast<SgExtrude *>(shape.get())->SetProfileNode(profile, number, true);
                ++number;
            } else if (profile->IsDerivedFrom(SgGenPolyLine::ClassID())) {
                // An offset has one source: the first curve.
                shape->SetPolyline(static_cast<SgGenPolyLine *>(profile), number, true);
                ++number;
                break;
            }
        }
        if (number == 0)
            return;
        object->AddChild(shape.get());
        object->SetName(shape->GetClassName() + 2);
        if (document)
            object->m_layer.Set(document->GetCurrentLayer());
        root->AddChild(object.get());
        object->AlignToCenter();
    }
    m_facade.Redraw();
}

// ---- Modifiers ------------------------------------------------------------------------------------------------

void Modelling::OnAddModifier(int kind)
{
    SgDocument *document = m_facade.GetDocument();
    // Only the kinds named here: any other value is refused, never taken for
    // a node of the caller's.
    if (kind < kFirstModifier || kind > kLastModifier)
        return;
    const std::vector<SgPath> paths = IfExactly(1, Selection(), SelectedObjectPaths());
    SgObject *object = paths.empty() ? nullptr : ObjectOf(paths[0]);
    if (!object)
        return;
    SgRef<SgNode> modifier(NewModifier(kind));
    if (!modifier)
        return;
    if (FindNodeByClassID::Lookup(modifier->GetClassID(), object))
        return;
    {
        SgKeyPoint keyPoint(document);
        if (modifier->IsDerivedFrom(SgObjSpaceModifier::ClassID())) {
            // Object-space modifiers live in a gizmo group fitted to the
            // object; the group's own class builds it.
            auto *spaced = static_cast<SgObjSpaceModifier *>(modifier.get());
            SgRef<SgGroup> group(spaced->CreateGizmoGroup(object, true, true));
            if (!group)
                return;
            object->AddPropertyNode(group.get(), false);
        } else {
            object->AddPropertyNode(modifier.get(), false);
        }
    }
    m_facade.Redraw();
}

SgNode *Modelling::OnEditModifier()
{
    const std::vector<SgPath> paths = SelectedObjectPaths();
    if (paths.size() != 1 || !Selection() || Selection()->GetSelCount() != 1)
        return nullptr;
    SgObject *object = ObjectOf(paths[0]);
    const std::vector<SgNode *> &fathers = object->GetFatherList();
    if (fathers.empty() || !fathers.front()->IsDerivedFrom(SgGizmoGroup::ClassID()))
        return nullptr;
    SgNode *gizmo = fathers.front();
    for (SgNode *holder : gizmo->GetFatherList()) {
        if (!holder->IsGroup())
            continue;
        auto *group = static_cast<SgGroup *>(holder);
        bool past = false;
        for (int i = 0; i < group->GetNumChildren(); ++i) {
            SgNode *child = group->GetChild(i);
            if (child == gizmo)
                past = true;
            else if (past && child->IsModifier())
                return child;
        }
    }
    return nullptr;
}

// ---- Meshes ---------------------------------------------------------------------------------------------------

void Modelling::ConvertToMesh(int)
{
    SgDocument *document = m_facade.GetDocument();
    SgSeparator *root = m_facade.GetRoot();
    if (!root)
        return;
    const std::vector<SgPath> paths = IfExactly(1, Selection(), SelectedObjectPaths());
    SgObject *object = paths.empty() ? nullptr : ObjectOf(paths[0]);
    SgSeparator *holder = object ? object->GetGroupHolder(false) : nullptr;
    if (!holder || holder->GetNumChildren() == 0)
        return;
    SgNode *shape = holder->GetChild(0);
    SgRef<SgFaceSet> mesh;
    {
        SgGeomAction action;
        action.m_bShapeResult = true;
        action.Apply(shape);
        SgShape *result = action.GetShapeResult();
        if (result && result->GetClassID() == SgFaceSet::ClassID()) {
            auto *faces = static_cast<SgFaceSet *>(result);
            const int count = faces->GetVertexCount();
            const Vec3 *points = faces->GetDeformedPoints();
            mesh = static_cast<SgFaceSet *>(faces->Copy(SgNode::kCopyShallow));
            if (mesh && points && count > 0) {
                const std::vector<Vec3> moved(points, points + count);
                mesh->m_vertices.RemoveAll();
                mesh->m_vertices.AddVals(count, moved.data());
            }
        } else {
            // Shapes that evaluate to a solid (a boolean, a cube, a solid
            // node) give the polygons of its faces.
            SgGeomAction solidAction;
            solidAction.Apply(shape);
            std::unique_ptr<solvane::GmGeom> solid(solidAction.TakeResult());
            if (solid && solid->faceCount() > 0) {
                mesh = SolidToFaceSet(*solid);
            } else if (shape->IsGeometricShape()) {
                SgShape *cached = static_cast<SgGeometricShape *>(shape)->GetResultCache();
                if (cached && cached->GetClassID() == SgSolvane::ClassID() &&
                    static_cast<SgSolvane *>(cached)->GetGeom())
                    mesh = SolidToFaceSet(*static_cast<SgSolvane *>(cached)->GetGeom());
            }
        }
    }
    if (!mesh || mesh->GetFaceCount() == 0)
        return;
    {
        SgKeyPoint keyPoint(document);
        SgRef<SgObject> copy(new SgObject(true, true));
        // As a property node, which the object holds; SetTransform alone only
        // points at one it already holds.
        if (SgTransform *transform = object->GetTransform())
            copy->AddPropertyNode(transform->Copy(SgNode::kCopyShallow), true);
        if (SgNode *material = object->FindPropertyNode(SgMaterial::ClassID()))
            copy->AddPropertyNode(material->Copy(SgNode::kCopyShallow), true);
        copy->AddChild(mesh.get());
        copy->SetName((std::string(object->GetName()) + " Mesh").c_str());
        if (document)
            copy->m_layer.Set(document->GetCurrentLayer());
        root->AddChild(copy.get());
    }
    m_facade.Redraw();
}

// ---- Sub-object editing ------------------------------------------------------------------------------------

bool Modelling::IsEditingSubObjects() const
{
    return AsSubObjectTool(m_facade.GetCreation().GetActiveTool()) != nullptr && Selection() &&
           Selection()->m_bSubObject;
}

void Modelling::EditSubObject(int button)
{
    if (button == 126)
        button = 127;
    const int mode = InRun(button, kFirstSubObjectButton);
    if (mode != SgEditSubObjectTool::kVertices && mode != SgEditSubObjectTool::kEdges &&
        mode != SgEditSubObjectTool::kFaces)
        return;
    SgSelectionHandler *selection = Selection();
    if (!selection || !m_facade.GetRoot())
        return;
    SgPath path;
    SgShape *shape = nullptr;
    if (SgEditSubObjectTool *running = AsSubObjectTool(m_facade.GetCreation().GetActiveTool())) {
        // Editing goes on with the same object in another mode; the same
        // mode keeps the running tool.
        if (running->m_iMode == mode)
            return;
        path = running->GetObjectPath();
        shape = running->GetEditedShape();
    } else {
        if (selection->GetSelCount() != 1)
            return;
        const std::vector<SgPath> paths = SelectedObjectPaths();
        SgObject *object = paths.size() == 1 ? ObjectOf(paths[0]) : nullptr;
        if (!object)
            return;
        // The content's first node (GetChildFirst would walk into a
        // procedural shape's own separator).
        SgSeparator *holder = object->GetGroupHolder(false);
        SgNode *first = holder && holder->GetNumChildren() > 0 ? holder->GetChild(0) : nullptr;
        if (!first || !first->IsShape())
            return;
        path = paths[0];
        shape = static_cast<SgShape *>(first);
    }
    SgRef<SgEditSubObjectTool> tool(new SgEditSubObjectTool);
    if (!tool->SetEditedShape(shape))
        return;
    tool->Init(path, nullptr);
    tool->m_iMode = mode;
    selection->DeselectAll();
    m_facade.GetCreation().DeleteActiveTool();
    m_facade.GetCreation().InstallActiveTool(tool.get());
    tool->Start(nullptr);
    m_facade.GetCreation().OnTransformTool(m_facade.GetCreation().GetManipulatorKind() + 30);
    for (int i = 0; i < kSubObjectButtons; ++i)
        m_facade.GetButtons().SetButtonState(i == (mode == SgEditSubObjectTool::kFaces ? 2 : mode) ? 1 : 0, kFirstSubObjectButton + i,
                       false);
    m_facade.Redraw();
}

void Modelling::ClearSubObjectButtons()
{
    for (int i = 0; i < kSubObjectButtons; ++i)
        if (m_facade.GetButtons().GetButtonState(kFirstSubObjectButton + i) != 0)
            m_facade.GetButtons().SetButtonState(0, kFirstSubObjectButton + i, false);
}

void Modelling::BridgeSubObject(int)
{
    if (SgEditSubObjectTool *tool = AsSubObjectTool(m_facade.GetCreation().GetActiveTool())) {
        tool->BridgeSelection(tool->m_iMode);
        m_facade.Redraw();
    }
}

void Modelling::CreaseSubObject(int button)
{
    SgEditSubObjectTool *tool = AsSubObjectTool(m_facade.GetCreation().GetActiveTool());
    if (!tool)
        return;
    const int amount = button == kCreaseUpButton ? 1 : button == kCreaseDownButton ? -1 : button;
    tool->CreaseSelection(tool->m_iMode, amount);
    m_facade.Redraw();
}

void Modelling::ExtrudeSubObject(int button)
{
    SgEditSubObjectTool *tool = AsSubObjectTool(m_facade.GetCreation().GetActiveTool());
    if (!tool || tool->SelectionCount() <= 0)
        return;
    tool->StartExtrude(button == kInsetExtrudeButton);
    m_facade.Redraw();
}

// ---- Characters -----------------------------------------------------------------------------------------------

void Modelling::CreateBone()
{
    SgDocument *document = m_facade.GetDocument();
    SgSeparator *root = m_facade.GetRoot();
    const int classId = SgFieldMngr::GetClassIDFromName("SgBone");
    if (!root || classId <= 0)
        return;
    SgFieldMngr *made = SgFieldMngr::Create(classId);
    if (!made || !made->IsNode()) {
        SgFieldMngr::Destroy(made);
        return;
    }
    {
        SgKeyPoint keyPoint(document);
        SgRef<SgObject> object(new SgObject(true, true));
        object->AddChild(static_cast<SgNode *>(made));
        object->SetName("Bone");
        if (document)
            object->m_layer.Set(document->GetCurrentLayer());
        root->AddChild(object.get());
    }
    m_facade.Redraw();
}

void Modelling::SkinSkeleton(int)
{
    SgDocument *document = m_facade.GetDocument();
    const std::vector<SgPath> paths = IfExactly(2, Selection(), SelectedObjectPaths());
    if (paths.empty())
        return;
    SgObject *skin = ObjectOf(paths[0]);
    SgObject *skeleton = ObjectOf(paths[1]);
    const int bone = SgFieldMngr::GetClassIDFromName("SgBone");
    // The skeleton comes second and holds bones; a skin already bound is
    // bound again only after it went back to its skin.
    if (!skin || !skeleton || skin == skeleton || bone <= 0 || !FindNodeByClassID::Lookup(bone, skeleton) ||
        FindNodeByClassID::Lookup(SgCharAnim::ClassID(), skin))
        return;
    {
        SgKeyPoint keyPoint(document);
        CharAnimControl::SkinSkeleton(skin, skeleton);
    }
    m_facade.Redraw();
}

void Modelling::BackToSkin(int)
{
    SgDocument *document = m_facade.GetDocument();
    const std::vector<SgPath> paths = IfExactly(1, Selection(), SelectedObjectPaths());
    SgObject *object = paths.empty() ? nullptr : ObjectOf(paths[0]);
    SgNode *found = object ? FindNodeByClassID::Lookup(SgCharAnim::ClassID(), object) : nullptr;
    if (!found)
        return;
    auto *anim = static_cast<SgCharAnim *>(found);
    {
        SgKeyPoint keyPoint(document);
        anim->GetControl().BackToSkinMode();
        anim->m_skeleton.Set(NodePtr());
    }
    m_facade.Redraw();
}

} // namespace drevon
