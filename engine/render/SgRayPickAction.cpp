#include "engine/render/SgRayPickAction.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cmath>
#include <functional>

#include "engine/actions/PickedPointQuery.h"
#include "engine/core/SgElementClasses.h"
#include "engine/actions/SgGetTransformAction.h"
#include "engine/core/SgGroup.h"
#include "engine/core/SgModifier.h"
#include "engine/core/SgModifierStack.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/core/SgSeparator.h"
#include "engine/render/SgGLNameTable.h"
#include "engine/render/SgGLRenderAction.h"
#include "engine/render/SgGLStateReads.h"
#include "engine/render/SgViewport.h"
#include "engine/nodes/geometry/SgCube.h"
#include "engine/nodes/geometry/SgExtrude.h"
#include "engine/nodes/geometry/SgFaceSet.h"
#include "engine/nodes/geometry/SgIndexedFaceSet.h"
#include "engine/nodes/geometry/SgGeometricShape.h"
#include "engine/core/SgShape.h"
#include "engine/nodes/properties/SgBillboard.h"
#include "engine/nodes/properties/SgTransform.h"
#include "engine/handlers/SgSelectionHandler.h"
#include "platform/SgDiagnostics.h"
#include "platform/SgError.h"

SG_ACTION_SOURCE(SgRayPickAction, "SgRayPickAction")

namespace {

// The largest distance a depth can give: nothing picked is farther.
constexpr double kNoHitDistance = 1e25;
// A minimum depth this close to the middle of the range was not measured by
// the selection pass (a record without depth): the depth buffer tells better.
constexpr double kUnmeasuredDepthTolerance = 1e-6;

bool IsChildOf(const SgNode *parent, const SgNode *node)
{
    const int count = parent->GetNumChildren();
    for (int i = 0; i < count; ++i) {
        if (parent->GetChild(i) == node)
            return true;
    }
    return false;
}

// Whether `node` may follow `previous` in a drawn path: a child, or the
// result a procedural shape drew in its place. Only pointers are compared:
// a name the table still knows for a node that is gone never matches a live
// node's child, so it is never dereferenced.
bool CanFollow(const SgNode *previous, const SgNode *node)
{
    if (IsChildOf(previous, node))
        return true;
    if (previous->IsGeometricShape()) {
        const auto *shape = static_cast<const SgGeometricShape *>(previous);
        return shape->GetResultCache() == node;
    }
    return false;
}

// The node names of a record stop after a node that has no drawn nodes of
// its own below it.
bool EndsNodeList(const SgNode *node)
{
    if (node->IsDerivedFrom(SgExtrude::ClassID()))
        return true;
    if (node->IsGeometricShape())
        return node->IsBuiltinMacro();
    return !node->IsGroup();
}

// Where the segment from a to b crosses the triangle (p, q, r), as the
// fraction t of the way from a; false when it misses.
bool CrossTriangle(const Vec3 &a, const Vec3 &b, const Vec3 &p, const Vec3 &q, const Vec3 &r, double &t)
{
    const Vec3 direction = b - a;
    const Vec3 e1 = q - p;
    const Vec3 e2 = r - p;
    const Vec3 h = direction.Cross(e2);
    const double det = e1.Dot(h);
    if (std::fabs(det) < 1e-300)
        return false;
    const double inverse = 1.0 / det;
    const Vec3 s = a - p;
    const double u = s.Dot(h) * inverse;
    if (u < 0.0 || u > 1.0)
        return false;
    const Vec3 qv = s.Cross(e1);
    const double v = direction.Dot(qv) * inverse;
    if (v < 0.0 || u + v > 1.0)
        return false;
    t = e2.Dot(qv) * inverse;
    return t >= 0.0 && t <= 1.0;
}

SgBillboard *FindBillboard(SgNode *node)
{
    if (!node)
        return nullptr;
    if (node->GetClassID() == SgBillboard::ClassID())
        return static_cast<SgBillboard *>(node);
    for (int i = 0; i < node->GetNumChildren(); ++i) {
        if (SgBillboard *found = FindBillboard(node->GetChild(i)))
            return found;
    }
    return nullptr;
}

} // namespace

void SgRayPickAction::InitClass()
{
    if (!RegisterActionClass(s_iClassID, s_lpszClassName, &Creator, s_pfnMethodsMap))
        return;
    SetVisitor(s_pfnMethodsMap, SgNode::ClassID(), VisitNothing);
    SetVisitor(s_pfnMethodsMap, SgShape::ClassID(), VisitDefault);
    SetVisitor(s_pfnMethodsMap, SgFaceSet::ClassID(), VisitFaceSet);
    SetVisitor(s_pfnMethodsMap, SgIndexedFaceSet::ClassID(), VisitIndexedFaceSet);
    SetVisitor(s_pfnMethodsMap, SgCube::ClassID(), VisitCube);
    SetVisitor(s_pfnMethodsMap, SgGroup::ClassID(), VisitDefault);
    SetVisitor(s_pfnMethodsMap, SgSeparator::ClassID(), VisitDefault);
    SetVisitor(s_pfnMethodsMap, SgTransform::ClassID(), VisitDefault);
    SetVisitor(s_pfnMethodsMap, SgExtrude::ClassID(), VisitDefault);
    // Modifiers join the stack, so that what is picked is what is drawn.
    SetVisitor(s_pfnMethodsMap, SgModifier::ClassID(), VisitDefault);
    BuildVisitorsMap_(s_iClassID);
    EnableElement<TransformElement>(s_aiEnabledElements, s_iEnabledCount);
    EnableElement<ModifierStackElement>(s_aiEnabledElements, s_iEnabledCount);
}

SgRayPickAction::SgRayPickAction(SgViewport *viewport) : m_pViewport(viewport)
{
    InitState();
}

Vec3 SgRayPickAction::Unproject(double x, double y, double depth) const
{
    double px = 0, py = 0, pz = 0;
    if (gluUnProject(x, y, depth, m_aModelView, m_aProjection, m_aViewport, &px, &py, &pz) != GL_TRUE)
        return Vec3();
    return Vec3(px, py, pz);
}

bool SgRayPickAction::Apply(SgNode *root)
{
    if (!m_pViewport)
        return false;
    m_pViewport->UpdateModelProjViewMatrix();
    glGetDoublev(GL_MODELVIEW_MATRIX, m_aModelView);
    glGetDoublev(GL_PROJECTION_MATRIX, m_aProjection);
    glGetIntegerv(GL_VIEWPORT, m_aViewport);

    const int height = m_aViewport[3];
    m_dWindowX = m_x;
    m_dWindowY = height - m_y;

    // The depth under the point; a point outside the surface reads nothing
    // and counts as the far plane.
    GLuint depthBits = 0xFFFFFFFFu;
    const int readX = m_aViewport[0] + m_x;
    const int readY = m_aViewport[1] + std::min(height - 1, height - m_y);
    if (m_x >= 0 && m_x < m_aViewport[2] && m_y >= 0 && m_y < height) {
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(readX, readY, 1, 1, GL_DEPTH_COMPONENT, GL_UNSIGNED_INT, &depthBits);
    }
    const double depth = depthBits / 4294967295.0;
    m_DepthPoint = Unproject(m_dWindowX, m_dWindowY, depth);
    m_FarPoint = Unproject(m_dWindowX, m_dWindowY, 1.0);
    m_NearPoint = Unproject(m_dWindowX, m_dWindowY, 0.0);

    if (!root)
        return true;
    if (m_bTraversePick)
        return SgAction::Apply(root);
    try {
        RenderPick(root);
    } catch (const std::exception &error) {
        SgDiagError("RayPickAction", "%s", error.what());
        return false;
    }
    return true;
}

void SgRayPickAction::HitFaces(SgNode *shape, const FaceWalk &walk)
{
    // The ray in the shape's own coordinates.
    Transform3 toLocal;
    try {
        toLocal = Transform3(TransformElement::Get(GetState())).Inverse();
    } catch (const SgMathError &) {
        return;
    }
    const Vec3 a = toLocal.TransformPoint(m_NearPoint);
    const Vec3 b = toLocal.TransformPoint(m_FarPoint);
    double best = 2.0;
    int bestFace = -1;
    walk([&](int face, const Vec3 &p, const Vec3 &q, const Vec3 &r) {
        double t = 0.0;
        if (CrossTriangle(a, b, p, q, r, t) && t < best) {
            best = t;
            bestFace = face;
        }
    });
    if (bestFace < 0)
        return;
    SgPickedPoint hit;
    hit.m_Path = GetCurrentPath();
    if (hit.m_Path.IsEmpty() || hit.m_Path.GetLastElement() != shape) {
        // A procedural shape's result is walked in the shape's place.
        if (hit.m_Path.IsEmpty() || !hit.m_Path.GetLastElement()->IsGeometricShape())
            hit.m_Path.Append(shape);
    }
    hit.m_LocalPoint = a + (b - a) * best;
    hit.SetPoint(m_NearPoint + (m_FarPoint - m_NearPoint) * best);
    hit.m_dDistance = best;
    hit.m_dDepthMax = best;
    hit.SetIndex(0, bestFace);
    m_Hits.push_front(hit);
}

void SgRayPickAction::VisitFaceSet(SgAction *action, SgNode *node)
{
    auto *faces = static_cast<SgFaceSet *>(node);
    // The modifiers in force move the points, or make another shape that is
    // picked in its place.
    if (SgModifierStack::TraverseModified(action, faces))
        return;
    const Vec3 *points = faces->GetDeformedPoints();
    const int pointCount = faces->GetVertexCount();
    if (!points || pointCount == 0)
        return;
    const std::vector<unsigned short> &loopCounts = faces->m_loopCount.GetValues();
    const std::vector<unsigned short> &sizes = faces->m_sizes.GetValues();
    const std::vector<int> &indexes = faces->m_indexes.GetValues();
    static_cast<SgRayPickAction *>(action)->HitFaces(node, [&](const TriangleFn &triangle) {
        size_t loopAt = 0, indexAt = 0;
        for (size_t f = 0; f < loopCounts.size(); ++f) {
            const size_t loops = loopCounts[f];
            if (loopAt + loops > sizes.size())
                return;
            size_t total = 0;
            for (size_t l = 0; l < loops; ++l)
                total += sizes[loopAt + l];
            if (indexAt + total > indexes.size())
                return;
            // The outer loop as a fan: holes are rare in picked meshes.
            const size_t n = loops > 0 ? sizes[loopAt] : 0;
            auto at = [&](size_t k) { return indexes[indexAt + k]; };
            bool inside = n >= 3;
            for (size_t k = 0; k < n && inside; ++k)
                inside = at(k) >= 0 && at(k) < pointCount;
            for (size_t k = 1; inside && k + 1 < n; ++k)
                triangle(static_cast<int>(f), points[at(0)], points[at(k)], points[at(k + 1)]);
            loopAt += loops;
            indexAt += total;
        }
    });
}

void SgRayPickAction::VisitIndexedFaceSet(SgAction *action, SgNode *node)
{
    auto *mesh = static_cast<SgIndexedFaceSet *>(node);
    if (SgModifierStack::TraverseModified(action, mesh))
        return;
    int pointCount = 0;
    const Vec3 *points = mesh->GetDrawnPoints(action->GetState(), pointCount);
    if (!points)
        return;
    const std::vector<int> &index = mesh->m_coordIndex.GetValues();
    static_cast<SgRayPickAction *>(action)->HitFaces(node, [&](const TriangleFn &triangle) {
        // Faces counted as the drawing counts them: runs of three corners or
        // more, all of them among the points.
        int face = 0;
        size_t start = 0;
        for (size_t i = 0; i <= index.size(); ++i) {
            if (i < index.size() && index[i] >= 0)
                continue;
            const size_t n = i - start;
            bool inside = n >= 3;
            for (size_t k = start; k < i && inside; ++k)
                inside = index[k] < pointCount;
            if (inside) {
                for (size_t k = start + 1; k + 1 < i; ++k)
                    triangle(face, points[index[start]], points[index[k]], points[index[k + 1]]);
                ++face;
            }
            start = i + 1;
        }
    });
}

void SgRayPickAction::VisitCube(SgAction *action, SgNode *node)
{
    auto *cube = static_cast<SgCube *>(node);
    const Vec3 half(cube->m_width.Get(true) / 2, cube->m_depth.Get(true) / 2, cube->m_height.Get(true) / 2);
    static_cast<SgRayPickAction *>(action)->HitFaces(node, [&](const TriangleFn &triangle) {
        // Faces in the order of the cube's normals: -X, +X, -Y, +Y, -Z, +Z.
        for (int face = 0; face < 6; ++face) {
            const int axis = face / 2;
            const double side = face % 2 ? 1.0 : -1.0;
            const int u = (axis + 1) % 3, v = (axis + 2) % 3;
            Vec3 corner[4];
            for (int c = 0; c < 4; ++c) {
                double p[3] = {0, 0, 0};
                p[axis] = side * half[axis];
                p[u] = (c == 1 || c == 2 ? 1.0 : -1.0) * half[u];
                p[v] = (c >= 2 ? 1.0 : -1.0) * half[v];
                corner[c] = Vec3(p[0], p[1], p[2]);
            }
            triangle(face, corner[0], corner[1], corner[2]);
            triangle(face, corner[0], corner[2], corner[3]);
        }
    });
}

void SgRayPickAction::RenderPick(SgNode *)
{
    SgGLRenderAction render(m_pViewport);
    render.m_pViewer = m_pViewport->GetViewer();
    render.m_nPicking = 1;
    render.m_PickPoint = Vec2i(m_x, m_y);
    render.m_dPickWidth = m_dPickWidth;
    render.m_dPickHeight = m_dPickHeight;
    SgNode *drawn = nullptr;
    if (!m_TargetPath.IsEmpty()) {
        drawn = m_TargetPath[0];
        render.ApplyToPath(m_TargetPath);
    } else {
        drawn = m_pViewport->GetNodara();
        render.Apply(drawn);
    }
    m_nHitRecords = render.GetHitCount();
    m_bSelectOverflow = render.HasSelectOverflow();
    m_pHitBuffer = SgGLRenderAction::GetSelectBuffer();
    if (drawn && m_nHitRecords > 0)
        ParseHitBuffer(m_pHitBuffer, SgGLRenderAction::kSelectBufferSize, m_nHitRecords, drawn);
}

void SgRayPickAction::ParseHitBuffer(const std::uint32_t *buffer, int size, int records, SgNode *root)
{
    if (!buffer || !root)
        return;
    int at = 0;
    for (int record = 0; record < records; ++record) {
        if (at + 3 > size)
            return;
        const std::uint32_t count = buffer[at];
        if (count > static_cast<std::uint32_t>(size - at - 3))
            return; // a record cut off at the end of the buffer
        const std::uint32_t *names = buffer + at + 3;
        SgPickedPoint hit;
        hit.m_dDistance = (buffer[at + 1] / 2147483647.0) / 2.0;
        hit.m_dDepthMax = (buffer[at + 2] / 2147483647.0) / 2.0;
        if (std::fabs(hit.m_dDistance - 0.5) <= kUnmeasuredDepthTolerance)
            hit.SetPoint(m_DepthPoint);
        else
            hit.SetPoint(Unproject(m_dWindowX, m_dWindowY, hit.m_dDistance));

        std::uint32_t k = 0;
        SgNode *previous = nullptr;
        for (; k < count; ++k) {
            const std::uint32_t name = names[k];
            if (name == kEndOfNodes) {
                k += 2;
                break;
            }
            SgNode *node = SgGLNameTable::Lookup(name);
            if (!node)
                continue;
            if (!previous) {
                if (node != root) {
                    if (!IsChildOf(root, node))
                        continue;
                    hit.m_Path.Append(root);
                }
            } else if (!CanFollow(previous, node)) {
                continue;
            }
            hit.m_Path.Append(node);
            previous = node;
            if (EndsNodeList(node)) {
                ++k;
                // A procedural shape's path ends at the shape; the names of
                // the result it drew in its place come next and are no
                // indices: the index is its part name, the face.
                if (node->IsGeometricShape() && k < count) {
                    const SgNode *result = static_cast<SgGeometricShape *>(node)->GetResultCache();
                    if (result && SgGLNameTable::Lookup(names[k]) == result)
                        ++k;
                }
                break;
            }
        }
        int slot = 0;
        for (; k < count && slot < SgPickedPoint::kMaxIndices; ++k, ++slot)
            hit.SetIndex(slot, static_cast<int>(names[k]));
        m_Hits.push_front(hit);
        at += 3 + static_cast<int>(count);
    }
}

SgRayPickAction::HitList &SgRayPickAction::GetPickedPoints(bool sorted, bool (*filter)(SgPickedPoint *))
{
    if (!sorted)
        return m_Hits;
    m_SortedHits.clear();
    for (SgPickedPoint &hit : m_Hits) {
        if (filter && !filter(&hit))
            continue;
        auto place = std::find_if(m_SortedHits.begin(), m_SortedHits.end(),
                                  [&](const SgPickedPoint &p) { return !(p.m_dDistance < hit.m_dDistance); });
        m_SortedHits.insert(place, hit);
    }
    return m_SortedHits;
}

SgPickedPoint SgRayPickAction::GetNearestPoint1(PickedPointQuery *query)
{
    SgPickedPoint result;
    result.SetPoint(Vec3(0, 0, 0));
    double best = kNoHitDistance;
    bool priority = false;
    for (SgPickedPoint &hit : m_Hits) {
        const bool accepted = query ? query->Accept(hit) : SgSelectionHandler::IsSelectable(hit.m_Path);
        if (!accepted)
            continue;
        if (m_bTraversePick) {
            const Vec3 p = SgGetTransformAction::PathMatrix(hit.m_Path).TransformPoint(hit.m_LocalPoint);
            const double d = (p - m_NearPoint).Length();
            if (d < best) {
                best = d;
                result = hit;
            }
            continue;
        }
        SgPath object = hit.m_Path;
        if (!object.IsEmpty())
            object.CutToObject(0, true, false);
        SgNode *last = object.IsEmpty() ? nullptr : object.GetLastElement();
        const int selectMode =
            last && last->IsObject() && last->IsDerivedFrom(SgObject::ClassID()) ? static_cast<SgObject *>(last)->m_selectMode.Get(true) : 1;
        SgBillboard *billboard = last ? FindBillboard(last) : nullptr;
        if (billboard && billboard->m_conditionalDisplay.Get(true) == 1) {
            if (selectMode != 1)
                continue;
            priority = true;
            best = kNoHitDistance;
        } else if (billboard && selectMode != 1) {
            continue;
        } else if (priority) {
            continue;
        }
        if (m_pViewport && !hit.m_Path.IsEmpty())
            hit.m_LocalPoint = m_pViewport->WorldToObject(hit.m_Point, hit.m_Path);
        if (best > hit.m_dDistance) {
            best = hit.m_dDistance;
            result = hit;
        }
    }
    m_LastNearest = result;
    return result;
}

Segment SgRayPickAction::GetPathSegment(const SgPath *path)
{
    if (!path || path->IsEmpty())
        return Segment(m_NearPoint, m_FarPoint);
    Transform3 inverse;
    try {
        inverse = SgGetTransformAction::PathMatrix(*path).Inverse();
    } catch (const SgMathError &) {
        inverse = Transform3();
    }
    return Segment(inverse.TransformPoint(m_NearPoint), inverse.TransformPoint(m_FarPoint));
}
