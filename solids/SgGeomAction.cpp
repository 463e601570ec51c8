#include "solids/SgGeomAction.h"

#include <cmath>
#include <algorithm>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/core/SgBooleanCache.h"
#include "engine/core/SgElementClasses.h"
#include "engine/core/SgGizmoGroup.h"
#include "engine/core/SgModifier.h"
#include "engine/core/SgModifierStack.h"
#include "engine/core/SgSeparator.h"
#include "engine/core/SgState.h"
#include "engine/core/SgStateAccessors.h"
#include "engine/core/SgTField.h"
#include "engine/nodes/geometry/SgCube.h"
#include "engine/nodes/geometry/SgFaceSet.h"
#include "engine/nodes/geometry/SgGeometricShape.h"
#include "engine/nodes/geometry/SgIndexedFaceSet.h"
#include "engine/nodes/properties/SgCoordinate3.h"
#include "engine/nodes/properties/SgFont.h"
#include "engine/nodes/properties/SgFormat.h"
#include "engine/nodes/properties/SgShapeHints.h"
#include "engine/nodes/properties/SgTransform.h"
#include "engine/nodes/geometry/SgScatter.h"
#include "engine/nodes/geometry/SgBoolean.h"
#include "engine/document/SgDocument.h"
#include "platform/SgDiagnostics.h"
#include "platform/SgProgress.h"
#include "solids/GmBoolean.h"
#include "solids/GmBoxBuilder.h"
#include "solids/GmGeom.h"
#include "solids/GmValidity.h"
#include "solids/GmBalancedUnion.h"
#include "solids/SgSolvane.h"

using namespace solvane;

SG_ACTION_SOURCE(SgGeomAction, "SgGeomAction")

int SgGeomAction::s_nEvaluations = 0;
int SgGeomAction::s_nOperandVisits = 0;

namespace {
// Operation codes of the boolean shape.
enum Operation { kUnion = 0, kIntersection = 1, kDifference = 2, kSubtractFromLast = 3, kCombination = 4 };

SgGeomAction *Self(SgAction *action)
{
    return static_cast<SgGeomAction *>(action);
}

// The solid moved by the state's model matrix (translation in the last
// column).
void TransformByState(SgAction *action, GmGeom &geom)
{
    Mat4 m = GetActionTransform(action);
    const double rows[3][3] = {{m.Get(0, 0), m.Get(0, 1), m.Get(0, 2)},
                               {m.Get(1, 0), m.Get(1, 1), m.Get(1, 2)},
                               {m.Get(2, 0), m.Get(2, 1), m.Get(2, 2)}};
    const Vec3 t(m.Get(0, 3), m.Get(1, 3), m.Get(2, 3));
    bool identity = t.x == 0.0 && t.y == 0.0 && t.z == 0.0;
    for (int r = 0; r < 3 && identity; ++r)
        for (int c = 0; c < 3 && identity; ++c)
            identity = rows[r][c] == (r == c ? 1.0 : 0.0);
    if (identity)
        return;
    const Mat3 linear(rows);
    if (linear.Determinant() != 0.0) {
        geom.transform(linear, &t);
        return;
    }
    // A scale of 0 squashes the solid flat: its points are placed where
    // they are drawn, and a boolean then leaves it out as flat.
    for (GmNode *n : geom.liveNodes())
        geom.set_position(n, linear * n->position + t);
}

// How the user knows an operand: its own name, else the first name below it.
std::string OperandName(SgNode *operand)
{
    std::vector<SgNode *> todo{operand};
    while (!todo.empty()) {
        SgNode *n = todo.front();
        todo.erase(todo.begin());
        if (!n)
            continue;
        if (!n->GetName().empty())
            return "\"" + n->GetName() + "\"";
        for (int i = 0; i < n->GetNumChildren(); ++i)
            todo.push_back(n->GetChild(i));
    }
    return "";
}

int OperationOf(SgNode *node)
{
    auto *field = dynamic_cast<SgFInt *>(node->GetFieldAddressByName("operation"));
    return field ? field->Get(true) : kUnion;
}

// Stores the result (an empty solid node when there is none, so that
// nothing stale is shown and the evaluation does not run again each frame
// while the state holds).
void StoreResult(SgGeometricShape *shape, SgAction *action, GmGeom *result, const std::string &failure)
{
    auto *solid = new SgSolvane(result);
    solid->SetFailure(failure);
    shape->SetResultCache(solid, nullptr);
    if (SgBooleanCache *cache = shape->GetResultCacheObject())
        cache->BuildCacheContext(action->GetState());
}

const SgModifierStack &EmptyStack()
{
    static SgModifierStack empty;
    return empty;
}
}  // namespace

void SgGeomAction::InitClass()
{
    if (!RegisterActionClass(s_iClassID, s_lpszClassName, &Creator, s_pfnMethodsMap))
        return;
    VisitorFn *table = s_pfnMethodsMap;
    SetVisitor(table, SgNode::ClassID(), VisitNothing);
    SetVisitor(table, SgSeparator::ClassID(), VisitDefault);
    SetVisitor(table, SgGroup::ClassID(), VisitDefault);
    SetVisitor(table, SgTransform::ClassID(), VisitDefault);
    SetVisitor(table, SgGeometricShape::ClassID(), VisitDefault);
    SetVisitor(table, SgShapeHints::ClassID(), VisitDefault);
    SetVisitor(table, SgCoordinate3::ClassID(), VisitDefault);
    SetVisitor(table, SgFont::ClassID(), VisitDefault);
    SetVisitor(table, SgFormat::ClassID(), VisitDefault);
    SetVisitor(table, SgModifier::ClassID(), VisitDefault);
    SetVisitorByName(table, "SgElevation", VisitDefault);
    SetVisitor(table, SgGizmoGroup::ClassID(), VisitGizmoGroup);
    SetVisitor(table, SgScatter::ClassID(), VisitScatter);
    SetVisitor(table, SgBoolean::ClassID(), VisitBoolean);
    SetVisitor(table, SgSolvane::ClassID(), VisitSolvane);
    SetVisitor(table, SgCube::ClassID(), VisitCube);
    SetVisitor(table, SgFaceSet::ClassID(), VisitFaceSet);
    SetVisitor(table, SgIndexedFaceSet::ClassID(), VisitIndexedFaceSet);
    BuildVisitorsMap_(s_iClassID);

    int *list = s_aiEnabledElements;
    int &count = s_iEnabledCount;
    EnableShapeBuildElements(list, count);
}

SgGeomAction::SgGeomAction()
{
    InitState();
}

SgGeomAction::~SgGeomAction()
{
    SetResult(nullptr);
}

void SgGeomAction::ClearCollected()
{
    // The result is one of the collected solids while collecting.
    for (GmGeom *g : m_collected)
        if (g != m_pResult)
            delete g;
    m_collected.clear();
}

void SgGeomAction::SetResult(GmGeom *geom)
{
    if (!geom) {
        m_bCollect = false;
        ClearCollected();
        delete m_pResult;
        m_pResult = nullptr;
        return;
    }
    if (m_bCollect)
        m_collected.push_back(geom);
    else if (m_pResult && m_pResult != geom)
        delete m_pResult;
    m_pResult = geom;
}

GmGeom *SgGeomAction::TakeResult()
{
    GmGeom *g = m_pResult;
    m_pResult = nullptr;
    if (m_bCollect)
        m_collected.erase(std::remove(m_collected.begin(), m_collected.end(), g), m_collected.end());
    return g;
}

void SgGeomAction::AcceptGeometry(bool enabled, GmGeom *geom, bool applyShapeType)
{
    std::unique_ptr<GmGeom> owned(geom);
    if (!enabled || !geom) {
        SetResult(nullptr);
        return;
    }
    if (applyShapeType) {
        const int *type = ShapeTypeElement::Get(GetState());
        const int t = type ? *type : 0;
        if (t == 0 || t == 1 || t == 3 || t == 4)
            geom->build_solids(1);
    }
    TransformByState(this, *geom);
    SetResult(owned.release());
}

void SgGeomAction::VisitSolvane(SgAction *action, SgNode *node)
{
    // Always a copy: the node keeps its solid whoever takes the result.
    GmGeom *copy = SgSolvane::ConvertToGeom(static_cast<SgSolvane *>(node), action->GetState());
    Self(action)->AcceptGeometry(true, copy, true);
}

void SgGeomAction::VisitCube(SgAction *action, SgNode *node)
{
    auto *cube = static_cast<SgCube *>(node);
    const double b = SgSolvane::kWorkingBox;
    const double width = cube->m_width.Get(true), depth = cube->m_depth.Get(true), height = cube->m_height.Get(true);
    const Vec3 corner(std::abs(width) / 2, std::abs(height) / 2, std::abs(depth) / 2);
    GmBox span;
    span.extend(-corner);
    span.extend(corner);
    GmGeom *box = makeBox(width, depth, height, GmBox{{-b, -b, -b}, {b, b, b}}, GmGeom::ToleranceFor(span));
    Self(action)->AcceptGeometry(true, box, true);
}

void SgGeomAction::VisitFaceSet(SgAction *action, SgNode *node)
{
    SgGeomAction *self = Self(action);
    auto *faceSet = static_cast<SgFaceSet *>(node);
    SgModifierStack stack = ModifierStackElement::Get(action->GetState());
    SgShape *processed = stack.Process(action, faceSet);
    if (self->m_bShapeResult) {
        self->m_pShapeResult = processed;
        return;
    }
    GmGeom *geom = nullptr;
    if (processed && processed != faceSet && processed->GetClassID() == SgSolvane::ClassID())
        geom = SgSolvane::ConvertToGeom(processed, action->GetState());
    else
        geom = SgSolvane::ConvertToGeom(faceSet, 0);
    self->AcceptGeometry(true, geom, true);
}

void SgGeomAction::VisitIndexedFaceSet(SgAction *action, SgNode *node)
{
    auto *mesh = static_cast<SgIndexedFaceSet *>(node);
    const int tag = SgSolvane::NextIndexedFaceSetTagBase() + 1;
    SgVecField<Vec3, 7> *coords = mesh->GetCoordinates(action->GetState(), true);
    const int count = coords ? coords->GetCount() : 0;
    GmGeom *geom = SgSolvane::ConvertToGeom(mesh, count, count ? coords->GetValues().data() : nullptr, tag);
    Self(action)->AcceptGeometry(true, geom, mesh->m_solid.Get(true) != 0);
}

void SgGeomAction::VisitGizmoGroup(SgAction *action, SgNode *node)
{
    auto *group = static_cast<SgGroup *>(node);
    for (int i = 0; i < group->GetOwnChildCount() && !action->m_nTerminate; ++i) {
        SgNode *child = group->GetChild(i);
        if (child && child->AffectsState())
            action->Traverse(child);
    }
}

void SgGeomAction::VisitScatter(SgAction *action, SgNode *node)
{
    Self(action)->m_bCollect = true;
    VisitDefault(action, node);
}

std::unique_ptr<GmGeom> SgGeomAction::UnionAll(std::vector<std::unique_ptr<GmGeom>> &solids)
{
    const size_t m = solids.size();
    size_t p = 1;
    while (p < m)
        p *= 2;
    std::unique_ptr<GmGeom> target(SgSolvane::NewGeom());
    if (!target)
        return nullptr;
    struct Rec {
        std::vector<std::unique_ptr<GmGeom>> &solids;
        void fill(GmGeom &into, size_t s, size_t w) const
        {
            if (s >= solids.size())
                return;
            if (w == 1) {
                if (into.faceCount() == 0)
                    into.takeOver(std::move(*solids[s]));
                else
                    into.unite(solids[s].get());
                return;
            }
            std::unique_ptr<GmGeom> a(SgSolvane::NewGeom()), b(SgSolvane::NewGeom());
            fill(*a, s, w / 2);
            fill(*b, s + w / 2, w / 2);
            for (GmGeom *half : {a.get(), b.get()}) {
                if (half->faceCount() == 0)
                    continue;
                if (into.faceCount() == 0)
                    into.takeOver(std::move(*half));
                else
                    into.unite(half);
            }
            into.mergeSolids();
        }
    } rec{solids};
    if (m > 0)
        rec.fill(*target, 0, p);
    return target;
}


namespace {

// The operands of one boolean as they are combined. Each is combined into
// the running result and let go as soon as it is made: no more than two
// solids are held at a time (every operand only for subtract-from-last,
// which needs the last). A union goes into a balanced tree instead, which
// holds a solid per level.
struct GeomBooleanOperands {
    explicit GeomBooleanOperands(int op) : operation(op) {}

    void Add(std::unique_ptr<GmGeom> solid)
    {
        operands.push_back(std::move(solid));
        if (operation != kSubtractFromLast)
            Drain();
    }

    void Drain()
    {
        for (std::unique_ptr<GmGeom> &s : operands) {
            if (operation == kUnion) {
                unionTree.Add(std::move(s));
                continue;
            }
            if (!running) {
                running = std::move(s);
                continue;
            }
            switch (operation) {
            case kSubtractFromLast:
                running->unite(s.get());
                running->mergeSolids();
                break;
            case kIntersection:
                running->intersect(s.get());
                break;
            case kDifference:
                running->subtract(s.get());
                break;
            case kCombination:
                running->combine(s.get());
                break;
            default:
                break;
            }
        }
        operands.clear();
    }

    // Subtract from the last counts only the operands that yield a solid:
    // the last of them minus the union of the others.
    std::unique_ptr<GmGeom> Finish()
    {
        if (operation == kSubtractFromLast && operands.size() >= 2) {
            std::unique_ptr<GmGeom> last = std::move(operands.back());
            operands.pop_back();
            std::unique_ptr<GmGeom> others = SgGeomAction::UnionAll(operands);
            operands.clear();
            if (others)
                last->subtract(others.get());
            return last;
        }
        Drain();
        if (operation == kUnion)
            running = unionTree.Finish();
        return std::move(running);
    }

    void Clear()
    {
        operands.clear();
        unionTree.Clear();
        running.reset();
    }

    const int operation;
    std::vector<std::unique_ptr<GmGeom>> operands;
    std::unique_ptr<GmGeom> running;
    GmBalancedUnion unionTree;
};

} // namespace

void SgGeomAction::VisitBoolean(SgAction *action, SgNode *node)
{
    SgGeomAction *self = Self(action);
    auto *shape = static_cast<SgGeometricShape *>(node);
    SgState *state = action->GetState();
    const bool isOperand = self->m_bCopyOperands;

    SgBooleanCache *cache = shape->GetResultCacheObject();
    const bool holds = cache && (cache->IsValid() || cache->CompareContext(state));
    const int engine = shape->GetActionID();
    if (!holds && engine != 0 && engine != SgGeomAction::ClassID()) {
        // Another engine evaluates this boolean; the action made for it is
        // released once applied.
        std::unique_ptr<SgAction, void (*)(SgAction *)> other(SgAction::Create(engine), &SgAction::Destroy);
        if (other)
            other->Apply(node);
        else
            SgDiagWarning("Solvane", "boolean: no action of id %d to evaluate it", engine);
    } else if (!holds) {
        self->EvaluateOperands(shape);
    }

    SgShape *q = shape->GetResultCache();
    if (!q)
        return;
    if (q->GetClassID() != SgSolvane::ClassID()) {
        action->Traverse(q);
        return;
    }
    SgModifierStack stack = ModifierStackElement::Get(state);
    SgShape *processed = stack.Process(action, q);
    auto *solid = processed && processed->GetClassID() == SgSolvane::ClassID() ? static_cast<SgSolvane *>(processed)
                                                                               : static_cast<SgSolvane *>(q);
    if (isOperand && solid->GetGeom()) {
        std::unique_ptr<GmGeom> copy(new GmGeom(*solid->GetGeom()));
        TransformByState(action, *copy);
        self->SetResult(copy.release());
    }
}

void SgGeomAction::EvaluateOperands(SgNode *node)
{
    auto *shape = static_cast<SgGeometricShape *>(node);
    SgState *state = GetState();
    // Only the outermost boolean speaks: nested ones are its steps.
    const bool isOperand = m_bCopyOperands;
    ++s_nEvaluations;
    // The document's own setting; a node of no document keeps the caller's.
    SgDocument *document = node->GetDocument();
    std::optional<GmValidationScope> validation;
    if (document)
        validation.emplace(document->GetValidateSolids());
    GeomBooleanOperands combined(OperationOf(node));
    std::unique_ptr<GmGeom> result;
    std::string failure;
    PushState();
    try {
        TransformElementReset(state, node);
        SgModifierStack empty = EmptyStack();
        ModifierStackElement::Reset(state, node, empty);
        SgSeparator *children = shape->GetSeparator();
        const int n = children ? children->GetChildsCount() : 0;
        std::optional<SgWorkProgress> progress;
        if (!isOperand && n >= kProgressFromOperands)
            progress.emplace("Combining solids", uint64_t(n));
        for (int c = 0; c < n; ++c) {
            if (progress)
                progress->Step(uint64_t(c));
            std::unique_ptr<GmGeom> s = MakeOperandSolid(children->GetChild(c));
            if (!s)
                continue;
            // An operand that bounds no volume would spoil the others'
            // result; it is left out, and the user told which.
            if (const char *defect = operand_defect(*s)) {
                const std::string name = OperandName(children->GetChild(c));
                SgDiagWarning("Solvane", "%s%s%s: operand %d%s%s %s (it bounds no volume) and is left out",
                              node->GetClassName(), node->GetName().empty() ? "" : " ", node->GetName().c_str(),
                              c + 1, name.empty() ? "" : " ", name.c_str(), defect);
                continue;
            }
            combined.Add(std::move(s));
        }
        result = combined.Finish();
    } catch (const std::exception &error) {
        combined.Clear();
        result.reset();
        SetResult(nullptr);
        failure = std::string(node->GetClassName()) + (node->GetName().empty() ? "" : " ") + node->GetName() +
                  ": the boolean could not be evaluated: " + error.what();
        SgDiagError("Solvane", "%s", failure.c_str());
    }
    // Fewer than two operands: the one there is (or nothing) is the
    // result, never the result of an earlier evaluation. Recorded inside
    // the pushed state, so the context holds what the operands read.
    StoreResult(shape, this, result.release(), failure);
    PopState();
}

std::unique_ptr<GmGeom> SgGeomAction::MakeOperandSolid(SgNode *operand)
{
    const bool savedCopy = m_bCopyOperands, savedCollect = m_bCollect;
    SetResult(nullptr);
    m_bCopyOperands = true;
    ++s_nOperandVisits;
    Traverse(operand);
    m_bCopyOperands = false;
    std::unique_ptr<GmGeom> s;
    if (m_bCollect) {
        // Owned from here, so that a failing union frees them too.
        std::vector<std::unique_ptr<GmGeom>> collected;
        for (GmGeom *g : m_collected)
            collected.emplace_back(g);
        m_collected.clear();
        m_pResult = nullptr;
        m_bCollect = false;
        s = UnionAll(collected);
    } else {
        s.reset(TakeResult());
    }
    m_bCopyOperands = savedCopy;
    m_bCollect = savedCollect;
    return s;
}

GmGeom *SgGeomAction::EvaluateBoolean(SgNode *boolean)
{
    if (!boolean || !boolean->IsGeometricShape())
        return nullptr;
    SgGeomAction action;
    action.Apply(boolean);
    auto *shape = static_cast<SgGeometricShape *>(boolean);
    SgShape *q = shape->GetResultCache();
    return q && q->GetClassID() == SgSolvane::ClassID() ? static_cast<SgSolvane *>(q)->GetGeom() : nullptr;
}
