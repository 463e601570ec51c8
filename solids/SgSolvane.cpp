#include "solids/SgSolvane.h"

#include <cmath>
#include <algorithm>
#include <new>
#include <vector>

#include "engine/actions/SgBoundingBoxAction.h"
#include "engine/actions/SgSaveAction.h"
#include "engine/core/SgModifierStack.h"
#include "engine/core/SgState.h"
#include "engine/nodes/geometry/SgFaceSet.h"
#include "engine/nodes/geometry/SgIndexedFaceSet.h"
#include "engine/render/SgGLRenderAction.h"
#include "platform/SgDiagnostics.h"
#include "solids/GmAttributes.h"
#include "solids/GmGeom.h"

using namespace solvane;

SG_CLASS_SOURCE(SgSolvane, SgShape, SgFieldMngr, "SgSolvane")

namespace {
int s_faceSetTagBase = SgSolvane::kTagBaseStart;
int s_indexedTagBase = SgSolvane::kTagBaseStart;

// "SmoothTag": 1 on crease edges and their ends, 2 on corner nodes. Null
// when the attribute word has no room for it (the marks are then left out).
const AttrId *SmoothTag()
{
    static bool done = false;
    static AttrId id;
    if (!done) {
        done = true;
        AttrId found = attribute_registry().check_name("SmoothTag", ATTR_BITFIELD);
        if (found.isNull()) {
            AttrResult made = try_create_bitfield_attribute("SmoothTag", 3);
            if (made.ok)
                found = made.id;
            else
                SgDiagWarning("Solvane", "no room for the SmoothTag attribute: %s", made.error.c_str());
        }
        id = found;
    }
    return id.isNull() ? nullptr : &id;
}

// Consecutive repeats (vertices that met in one node) say nothing about the
// loop's shape.
void DropRepeats(std::vector<GmNode *> &loop)
{
    loop.erase(std::unique(loop.begin(), loop.end()), loop.end());
    while (loop.size() > 1 && loop.front() == loop.back())
        loop.pop_back();
}
}  // namespace

SgSolvane::SgSolvane() = default;

SgSolvane::SgSolvane(GmGeom *geom) : m_geom(geom) {}

SgSolvane::~SgSolvane() = default;

void SgSolvane::SetGeom(GmGeom *geom)
{
    if (geom != m_geom.get())
        m_geom.reset(geom);
}

Range<Vec3f> SgSolvane::BoundingBox()
{
    if (!m_geom || m_geom->nodeCount() == 0)
        return Range<Vec3f>::Empty();
    m_geom->compute_bbox();
    const GmBox &box = m_geom->get_bbox();
    return Range<Vec3f>(Vec3f(box.min), Vec3f(box.max));
}

GmGeom *SgSolvane::NewGeom(const Vec3 *points, int count)
{
    const double b = kWorkingBox;
    GmBox span;
    for (int i = 0; points && i < count; ++i)
        if (std::isfinite(points[i].x) && std::isfinite(points[i].y) && std::isfinite(points[i].z))
            span.extend(points[i]);
    const double tolerance = span.empty() ? kTolerance : GmGeom::ToleranceFor(span);
    return new (std::nothrow) GmGeom(GmBox{{-b, -b, -b}, {b, b, b}}, tolerance);
}

namespace {
// The next base of a tag counter, kept where a base plus any surface id
// (16 bits) still fits the faces' 22-bit group field: past that the count
// starts again instead of wrapping into other tags or into 0, which means
// "no group". Bases repeat only after some twenty thousand conversions.
int NextTagBase(int &counter)
{
    constexpr int kLargestBase = 0x3FFFFF - 0xFFFF;
    counter += SgSolvane::kTagStep;
    if (counter > kLargestBase)
        counter = SgSolvane::kTagBaseStart + SgSolvane::kTagStep;
    return counter;
}
}  // namespace

int SgSolvane::NextFaceSetTagBase()
{
    return NextTagBase(s_faceSetTagBase);
}

int SgSolvane::NextIndexedFaceSetTagBase()
{
    return NextTagBase(s_indexedTagBase);
}

GmGeom *SgSolvane::ConvertToGeom(SgFaceSet *faceSet, int t)
{
    if (!faceSet)
        return nullptr;
    const int vertexCount = faceSet->GetVertexCount();
    if (vertexCount == 0)
        return nullptr;
    const Vec3 *points = faceSet->GetDeformedPoints();
    if (!points)
        return nullptr;
    std::unique_ptr<GmGeom> g(NewGeom(points, vertexCount));
    if (!g)
        return nullptr;
    const int tagBase = NextFaceSetTagBase();
    const int *dup = faceSet->UpdateDupTable();
    std::vector<GmNode *> nodes(static_cast<size_t>(vertexCount), nullptr);
    for (int i = 0; i < vertexCount; ++i) {
        const int rep = dup ? dup[i] : i;
        if (rep == i || rep < 0 || rep >= vertexCount || !nodes[static_cast<size_t>(rep)])
            nodes[static_cast<size_t>(i)] = g->add_node(points[i]);
        else
            nodes[static_cast<size_t>(i)] = nodes[static_cast<size_t>(rep)];
    }

    const std::vector<unsigned short> &loopCounts = faceSet->m_loopCount.GetValues();
    const std::vector<unsigned short> &sizes = faceSet->m_sizes.GetValues();
    const std::vector<int> &indexes = faceSet->m_indexes.GetValues();
    const std::vector<unsigned short> &surfaces = faceSet->m_surfID.GetValues();
    size_t loopAt = 0, indexAt = 0;
    int refused = 0;
    for (size_t f = 0; f < loopCounts.size(); ++f) {
        const size_t loops = loopCounts[f];
        if (loopAt + loops > sizes.size()) {
            // The later faces cannot be found either.
            refused += static_cast<int>(loopCounts.size() - f);
            break;
        }
        size_t total = 0;
        for (size_t l = 0; l < loops; ++l)
            total += sizes[loopAt + l];
        if (indexAt + total > indexes.size()) {
            refused += static_cast<int>(loopCounts.size() - f);
            break;
        }
        bool usable = true;
        for (size_t k = 0; k < total && usable; ++k)
            usable = indexes[indexAt + k] >= 0 && indexes[indexAt + k] < vertexCount;
        const unsigned surf = f < surfaces.size() ? surfaces[f] : 0;
        const uint32_t tag = surf ? surf + static_cast<uint32_t>(tagBase) : 0;
        auto nodeAt = [&](size_t k) { return nodes[static_cast<size_t>(indexes[indexAt + k])]; };
        if (!usable) {
            ++refused;
        } else if (t == 0) {
            std::vector<std::vector<GmNode *>> faceLoops;
            size_t k = 0, inAll = 0;
            for (size_t l = 0; l < loops; ++l) {
                const size_t s = sizes[loopAt + l];
                // Face set loops run clockwise about their normal; kernel
                // loops counter-clockwise.
                std::vector<GmNode *> loop;
                for (size_t i = s; i-- > 0;)
                    loop.push_back(nodeAt(k + i));
                k += s;
                DropRepeats(loop);
                inAll += loop.size();
                if (loop.size() >= 3)
                    faceLoops.push_back(std::move(loop));
            }
            if (inAll > 2 && !faceLoops.empty()) {
                GmFace *face = g->add_face_loops(faceLoops);
                face->setGroup(tag);
            }
        } else if (loops == 1 && total == 4) {
            GmNode *a = nodeAt(0), *b = nodeAt(1), *c = nodeAt(2), *d = nodeAt(3);
            if (a != b && b != d && a != d)
                g->add_triangle(a, b, d)->setGroup(tag);
            if (b != c && c != d && b != d)
                g->add_triangle(b, c, d)->setGroup(tag);
        }
        loopAt += loops;
        indexAt += total;
    }
    if (refused > 0)
        SgDiagWarning("Solvane", "%s%s%s: %d face%s outside its arrays left out of the solid",
                      faceSet->GetClassName(), faceSet->GetName().empty() ? "" : " ", faceSet->GetName().c_str(),
                      refused, refused == 1 ? "" : "s");

    if (const AttrId *smooth = SmoothTag()) {
        const std::vector<int> &creases = faceSet->m_creaseEdges.GetValues();
        for (size_t i = 0; i + 1 < creases.size(); i += 2) {
            const int a = creases[i], b = creases[i + 1];
            if (a < 0 || b < 0 || a >= vertexCount || b >= vertexCount)
                continue;
            GmNode *na = nodes[static_cast<size_t>(a)], *nb = nodes[static_cast<size_t>(b)];
            for (GmEdge *e : na->edges) {
                if (!e->removed && e->other(na) == nb) {
                    smooth->set(e->attributes, 1);
                    smooth->set(na->attributes, 1);
                    smooth->set(nb->attributes, 1);
                    break;
                }
            }
        }
        for (int v : faceSet->m_cornerVertices.GetValues())
            if (v >= 0 && v < vertexCount)
                smooth->set(nodes[static_cast<size_t>(v)]->attributes, 2);
    }
    return g.release();
}

GmGeom *SgSolvane::ConvertToGeom(SgIndexedFaceSet *mesh, int count, const Vec3 *points, int tag)
{
    if (!mesh)
        return nullptr;
    if (!points)
        count = 0;
    std::unique_ptr<GmGeom> g(NewGeom(points, count));
    if (!g)
        return nullptr;
    std::vector<GmNode *> nodes;
    nodes.reserve(static_cast<size_t>(std::max(count, 0)));
    for (int i = 0; i < count; ++i)
        nodes.push_back(g->add_node(points[i]));
    const std::vector<int> &index = mesh->m_coordIndex.GetValues();
    int refused = 0;
    std::vector<GmNode *> polygon;
    bool bad = false;
    for (size_t k = 0; k <= index.size(); ++k) {
        if (k == index.size()) {
            // The last polygon has no terminator: it may have been cut short.
            if (!polygon.empty() || bad)
                ++refused;
            break;
        }
        const int i = index[k];
        if (i >= 0) {
            if (i >= count)
                bad = true;
            else
                polygon.push_back(nodes[static_cast<size_t>(i)]);
            continue;
        }
        DropRepeats(polygon);
        if (bad || polygon.size() < 3) {
            ++refused;
        } else {
            GmFace *face = g->add_face_loops({polygon});
            face->setGroup(static_cast<uint32_t>(tag));
        }
        polygon.clear();
        bad = false;
    }
    if (refused > 0)
        SgDiagWarning("Solvane", "%s%s%s: %d polygon%s of \"coordIndex\" refused (an index outside the %d "
                                 "points, fewer than three corners or no terminating -1)",
                      mesh->GetClassName(), mesh->GetName().empty() ? "" : " ", mesh->GetName().c_str(), refused,
                      refused == 1 ? "" : "s", count);
    return g.release();
}

GmGeom *SgSolvane::ConvertToGeom(SgShape *shape, SgState *state)
{
    if (!shape)
        return nullptr;
    const int id = shape->GetClassID();
    if (id == SgIndexedFaceSet::ClassID()) {
        auto *mesh = static_cast<SgIndexedFaceSet *>(shape);
        SgVecField<Vec3, 7> *coords = mesh->GetCoordinates(state, true);
        const int count = coords ? coords->GetCount() : 0;
        // Points a deformer moved, when it hung some on the mesh.
        return ConvertToGeom(mesh, count, count ? mesh->GetDeformedPoints(state) : nullptr);
    }
    if (id == SgFaceSet::ClassID())
        return ConvertToGeom(static_cast<SgFaceSet *>(shape), 0);
    if (id == SgSolvane::ClassID()) {
        auto *node = static_cast<SgSolvane *>(shape);
        if (!node->GetGeom())
            return nullptr;
        auto *copy = new (std::nothrow) GmGeom(*node->GetGeom());
        if (copy && node->GetPointCache()) {
            const Vec3 *moved = node->GetPointCache();
            int i = 0;
            for (GmNode *n : copy->liveNodes())
                copy->set_position(n, moved[i++]);
            copy->update();
        }
        return copy;
    }
    return nullptr;
}

void SgSolvane::VisitBoundingBox(SgAction *action, SgNode *node)
{
    // A deformer's or a rebuilding modifier's result is measured instead.
    if (SgModifierStack::TraverseModified(action, static_cast<SgShape *>(node)))
        return;
    static_cast<SgBoundingBoxAction *>(action)->Extend(static_cast<SgSolvane *>(node)->BoundingBox());
}

void SgSolvane::VisitSave(SgAction *action, SgNode *node)
{
    // The node has no fields to carry its solid: the block is written, and
    // the loss is said rather than silent.
    GmGeom *geom = static_cast<SgSolvane *>(node)->GetGeom();
    if (geom && geom->faceCount() > 0)
        SgDiagWarning("Solvane", "%s%s%s: its solid (%d faces) is not written; the file keeps an empty solid node",
                      node->GetClassName(), node->GetName().empty() ? "" : " ", node->GetName().c_str(),
                      geom->faceCount());
    SgSaveAction::VisitGeneric(action, node);
}

void SgSolvane::InitActions()
{
    SgAction::SetVisitor(SgGLRenderAction::s_pfnMethodsMap, SgSolvane::ClassID(), VisitGLRender);
    SgAction::SetVisitor(SgBoundingBoxAction::s_pfnMethodsMap, SgSolvane::ClassID(), VisitBoundingBox);
    SgAction::SetVisitor(SgSaveAction::s_pfnMethodsMap, SgSolvane::ClassID(), VisitSave);
    SgAction::ReBuildVisitorsMaps();
}
