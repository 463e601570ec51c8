#include "engine/render/SgGLShapeVisitors.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <array>
#include <climits>
#include <deque>
#include <exception>
#include <memory>
#include <set>
#include <unordered_set>
#include <vector>

#include "engine/actions/SgScanCache.h"
#include "engine/core/SgState.h"
#include "engine/core/SgStateAccessors.h"
#include "engine/core/SgGroup.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/core/SgSeparator.h"
#include "engine/document/SgDocument.h"
#include "engine/render/SgGLBuildCacheAction.h"
#include "engine/render/SgGLMaterialBundle.h"
#include "engine/render/SgGLParticleVisitors.h"
#include "engine/render/SgGLRenderAction.h"
#include "engine/render/SgGLRenderCache.h"
#include "engine/render/SgGLStateReads.h"
#include "engine/nodes/character/CharAnimControl.h"
#include "engine/nodes/geometry/SgBoolean.h"
#include "engine/nodes/geometry/SgCube.h"
#include "engine/nodes/geometry/SgFaceSet.h"
#include "engine/nodes/geometry/SgGenPolyLine.h"
#include "engine/nodes/geometry/SgGeometricShape.h"
#include "engine/nodes/geometry/SgScatter.h"
#include "engine/nodes/geometry/SgIndexedFaceSet.h"
#include "engine/nodes/geometry/SgPointSet.h"
#include "engine/nodes/geometry/SgPolygon.h"
#include "engine/nodes/properties/SgBillboard.h"
#include "engine/nodes/properties/SgCoordinate3.h"
#include "engine/nodes/properties/SgFont.h"
#include "engine/nodes/properties/SgFormat.h"
#include "engine/nodes/properties/SgLayers.h"
#include "engine/core/SgModifier.h"
#include "engine/core/SgModifierStack.h"
#include "engine/nodes/properties/SgNormal.h"
#include "engine/nodes/properties/SgTextureCoordinate2.h"
#include "platform/SgDiagnostics.h"
#include "platform/SgError.h"
#include "engine/render/GLVertexArray.h"
#include "engine/nodes/geometry/SgWrapper.h"
#include "engine/engines/SgParametric.h"
#include "utilities/log/ReportMngr.h"

namespace {

// The names a visitor pushed, popped however it leaves.
class NameScope {
public:
    NameScope(SgGLRenderAction *render, SgNode *node, bool shape)
        : m_pRender(render), m_nCount(render ? (shape ? render->PushShapeNames(node) : render->PushName(node)) : 0)
    {
    }
    ~NameScope()
    {
        if (m_pRender)
            m_pRender->PopNames(m_nCount);
    }
    NameScope(const NameScope &) = delete;
    NameScope &operator=(const NameScope &) = delete;
    int GetCount() const { return m_nCount; }

private:
    SgGLRenderAction *m_pRender;
    int m_nCount;
};

// Says once per node that it was not drawn, and why. Keyed by the node's
// serial as well as its address: a node made where a reported one was freed
// is a new node with its own message.
void ReportSkipped(SgNode *node, const char *why)
{
    static std::set<std::pair<const SgNode *, unsigned long>> reported;
    if (!reported.emplace(node, node->GetNodeID()).second)
        return;
    SgDiagWarning("GLRenderAction", "%s%s%s not drawn: %s", node->GetClassName(), node->GetName().empty() ? "" : " ",
                  node->GetName().c_str(), why);
}

// Draws one shape; a failure costs that shape only. Traversal state pushed
// by the drawing is popped back.
template <class Fn>
void DrawGuarded(SgAction *action, SgNode *node, Fn &&draw)
{
    SgState *state = action->GetState();
    const int depth = state->GetDepth();
    try {
        draw();
    } catch (const std::exception &error) {
        while (state->GetDepth() > depth)
            action->PopState();
        ReportSkipped(node, error.what());
    }
}

// Every normal with a direction goes to GL unit long, however small the
// face it came from; a zero normal stays zero.
Vec3f Normalized(const Vec3f &n)
{
    Vec3f out = n;
    out.Normalize(0.0f);
    return out;
}

// GLU calls its callbacks with untyped pointers; these give it exactly the
// types it calls with.
void GLAPIENTRY PolygonBegin(GLenum type)
{
    glBegin(type);
}
void GLAPIENTRY PolygonEdgeFlag(GLboolean flag)
{
    glEdgeFlag(flag);
}
void GLAPIENTRY PolygonVertex(void *vertex)
{
    glVertex3dv(static_cast<const GLdouble *>(vertex));
}
void GLAPIENTRY PolygonEnd()
{
    glEnd();
}

// What one polygon's tessellation keeps, handed to GLU as its polygon data
// so that nothing of it outlives the polygon or is seen by another draw: the
// points made where contours cross, and whether GLU gave up on the outline.
struct PolygonTessellation {
    std::deque<std::array<GLdouble, 3>> combined;
    bool failed = false;
};
void GLAPIENTRY PolygonCombine(GLdouble coords[3], void *[4], GLfloat[4], void **out, void *data)
{
    std::array<GLdouble, 3> &made = static_cast<PolygonTessellation *>(data)->combined.emplace_back();
    made = {coords[0], coords[1], coords[2]};
    *out = made.data();
}
void GLAPIENTRY TessError(GLenum, void *data)
{
    static_cast<PolygonTessellation *>(data)->failed = true;
}

template <typename F>
_GLUfuncptr Callback(F *function)
{
    return reinterpret_cast<_GLUfuncptr>(function);
}

struct TessDeleter {
    void operator()(GLUtesselator *tess) const { gluDeleteTess(tess); }
};

// The tessellator of face sets (with the builder's callbacks) and the one of
// polygons (drawing straight to GL).
GLUtesselator *FaceTessellator()
{
    static std::unique_ptr<GLUtesselator, TessDeleter> tess(gluNewTess());
    return tess.get();
}
GLUtesselator *PolygonTessellator()
{
    static std::unique_ptr<GLUtesselator, TessDeleter> tess;
    if (!tess) {
        tess.reset(gluNewTess());
        if (GLUtesselator *t = tess.get()) {
            gluTessCallback(t, GLU_TESS_BEGIN, Callback(&PolygonBegin));
            gluTessCallback(t, GLU_TESS_EDGE_FLAG, Callback(&PolygonEdgeFlag));
            gluTessCallback(t, GLU_TESS_VERTEX, Callback(&PolygonVertex));
            gluTessCallback(t, GLU_TESS_END, Callback(&PolygonEnd));
            gluTessCallback(t, GLU_TESS_COMBINE_DATA, Callback(&PolygonCombine));
            gluTessCallback(t, GLU_TESS_ERROR_DATA, Callback(&TessError));
        }
    }
    return tess.get();
}

// One corner of a face: its point, its texture-coordinate index and its
// normal.
struct Corner {
    int point;
    int uv;
    Vec3f normal;
};

// Collects the faces of one face set into the shared vertex-array builder:
// triangles and quads of one loop go straight into the batch (under the
// render action), every other face through the tessellator. Drawing happens
// as the batch closes.
class FaceBatch {
public:
    // With `nameFaces` (a selection pass that pushed the shape's names)
    // every face loads its index as the part name and is drawn on its own.
    FaceBatch(SgAction *action, SgGLRenderAction *render, const Vec2f *ownCoords, int ownCount, bool nameFaces)
        : m_pRender(render),
          m_pOwnArray(render ? nullptr : std::make_unique<GLVertexArray>(4)),
          m_array(render ? *render->GetVertexArray() : *m_pOwnArray),
          m_pTess(FaceTessellator()),
          m_bNameFaces(render && nameFaces)
    {
        if (!m_pTess)
            throw SgError("no tessellator");
        SgGLStateReads::TextureSource sources[SgGLStateReads::kMaxUnits];
        const int units = SgGLStateReads::TextureSources(action, sources);
        GLTextureUnits data;
        data.numUnits = units;
        for (int i = 0; i < units && i < GLVertexArray::MAX_UNITS; ++i) {
            data.units[i].mode = sources[i].mode;
            data.units[i].count = sources[i].count;
            data.units[i].coords = sources[i].coords;
        }
        if (m_pRender)
            m_array.init();
        m_array.initTextureUnits(data, ownCoords, ownCount);
        m_array.setPerVertexNormals(true);
        m_array.setUseColor(false);
        m_array.setUseTexture(true);
        m_array.setUseEdegFlag(!m_pRender || m_pRender->m_bEdgeFlags);
        m_array.registerTessCallbacks(m_pTess, m_pRender ? GLVertexArray::TessOutput::Draw
                                                         : GLVertexArray::TessOutput::Aggregate);
        if (m_pRender) {
            glPushClientAttrib(GL_CLIENT_ALL_ATTRIB_BITS);
            m_array.enableClient();
            glShadeModel(GL_SMOOTH);
        }
    }
    ~FaceBatch()
    {
        if (m_pRender) {
            glPopClientAttrib();
            m_array.applyGL();
        }
        m_array.releaseCombined();
    }
    FaceBatch(const FaceBatch &) = delete;
    FaceBatch &operator=(const FaceBatch &) = delete;

    // Whether a face of `loops` loops, the first of `firstSize` corners,
    // goes straight into the batch.
    bool Batched(int loops, int firstSize) const
    {
        return m_pRender && !m_bNameFaces && loops == 1 && (firstSize == 3 || firstSize == 4);
    }
    // Sizes the batch for `corners` corners of batched faces to come, so
    // that it is not grown again and again while they arrive.
    void Expect(long long corners)
    {
        if (m_pRender && !m_bNameFaces && corners > 0)
            m_array.reserve(static_cast<int>(std::min<long long>(corners, INT_MAX)));
    }

    // One face: `loops` loops whose corner counts are in `sizes`, corners
    // one loop after another.
    void Face(int face, int loops, const int *sizes, const Corner *corners, const Vec3 *points,
              const Vec3f &faceNormal)
    {
        if (m_bNameFaces) {
            glLoadName(static_cast<GLuint>(face));
            if (loops == 1 && (sizes[0] == 3 || sizes[0] == 4)) {
                glBegin(GL_POLYGON);
                for (int k = 0; k < sizes[0]; ++k)
                    glVertex3dv(&points[corners[k].point].x);
                glEnd();
                return;
            }
        } else if (Batched(loops, sizes[0])) {
            const int n = sizes[0];
            m_array.startPoly(n);
            for (int k = 0; k < n; ++k) {
                m_array.addPoint(points[corners[k].point]);
                m_array.addUVMap(corners[k].uv);
                m_array.addNormal(corners[k].normal);
            }
            m_array.postEvaluateUVMap(n);
            return;
        }
        int total = 0;
        for (int l = 0; l < loops; ++l)
            total += sizes[l];
        // Filled before the polygon starts: GLU keeps the addresses.
        m_vertices.resize(static_cast<size_t>(total));
        m_coords.resize(static_cast<size_t>(total));
        for (int k = 0; k < total; ++k) {
            GLVertex1 &v = m_vertices[static_cast<size_t>(k)];
            const Vec3 &p = points[corners[k].point];
            v.point = Vec3f(p);
            v.normal = corners[k].normal;
            m_array.addUVMap(v, corners[k].uv);
            m_coords[static_cast<size_t>(k)] = {p.x, p.y, p.z};
        }
        m_array.setFaceNormal(faceNormal);
        // Faces run clockwise about their normal; GLU's triangles run
        // counter-clockwise about the normal it is given.
        if (faceNormal.Length2() > 0.0f)
            gluTessNormal(m_pTess, -faceNormal.x, -faceNormal.y, -faceNormal.z);
        else
            gluTessNormal(m_pTess, 0.0, 0.0, 0.0);
        gluTessBeginPolygon(m_pTess, &m_array);
        int k = 0;
        for (int l = 0; l < loops; ++l) {
            gluTessBeginContour(m_pTess);
            for (int i = 0; i < sizes[l]; ++i, ++k)
                gluTessVertex(m_pTess, m_coords[static_cast<size_t>(k)].data(), &m_vertices[static_cast<size_t>(k)]);
            gluTessEndContour(m_pTess);
        }
        gluTessEndPolygon(m_pTess);
    }

private:
    SgGLRenderAction *m_pRender;
    // A builder of its own for a draw that no render action owns.
    std::unique_ptr<GLVertexArray> m_pOwnArray;
    GLVertexArray &m_array;
    GLUtesselator *m_pTess;
    bool m_bNameFaces;
    std::vector<GLVertex1> m_vertices;
    std::vector<std::array<GLdouble, 3>> m_coords;
};

// Faces that cannot be drawn are left out without a word per frame: the
// reader reports what it drops, and anything found only here is noted once
// per node (address and serial, as ReportSkipped keys them).
void NoteBadFaces(SgNode *node)
{
    static std::set<std::pair<const SgNode *, unsigned long>> noted;
    if (!noted.emplace(node, node->GetNodeID()).second)
        return;
    SgDiagWarning("GLRenderAction", "%s%s%s: faces that cannot be drawn are left out", node->GetClassName(),
                  node->GetName().empty() ? "" : " ", node->GetName().c_str());
}

void DrawFaceSet(SgAction *action, SgGLRenderAction *render, SgFaceSet *faceSet, bool nameFaces)
{
    const int faces = faceSet->GetFaceCount();
    Vec3 *points = faceSet->GetDeformedPoints();
    const int pointCount = faceSet->GetVertexCount();
    if (faces == 0 || !points || pointCount == 0)
        return;
    std::vector<Vec3> skinned;
    if (DeformSkinnedShape(faceSet, action->GetState(), pointCount, points, skinned))
        points = skinned.data();
    const std::vector<unsigned short> &loopCounts = faceSet->m_loopCount.GetValues();
    const std::vector<unsigned short> &sizes = faceSet->m_sizes.GetValues();
    const std::vector<int> &indexes = faceSet->m_indexes.GetValues();
    const std::vector<unsigned short> &surfaces = faceSet->m_surfID.GetValues();
    if (sizes.empty() || indexes.empty() || surfaces.empty())
        throw SgInvalidArgument("its faces have no sizes, indexes or surface ids");
    faceSet->EvaluateFaceNormals(true);
    const std::vector<Vec2f> &ownCoords = faceSet->m_texCoord.GetValues();

    FaceBatch batch(action, render, ownCoords.empty() ? nullptr : ownCoords.data(),
                    static_cast<int>(ownCoords.size()), nameFaces);
    {
        long long batched = 0;
        size_t at = 0;
        for (int f = 0; f < faces; ++f) {
            const int loops = loopCounts[static_cast<size_t>(f)];
            if (at + static_cast<size_t>(loops) > sizes.size())
                break;
            if (loops > 0 && batch.Batched(loops, sizes[at]))
                batched += sizes[at];
            at += static_cast<size_t>(loops);
        }
        batch.Expect(batched);
    }
    std::vector<int> loopSizes;
    std::vector<Corner> corners;
    size_t loopAt = 0;
    size_t indexAt = 0;
    bool bad = false;
    for (int f = 0; f < faces; ++f) {
        const int loops = loopCounts[static_cast<size_t>(f)];
        if (loopAt + static_cast<size_t>(loops) > sizes.size()) {
            bad = true; // the later faces cannot be found either
            break;
        }
        loopSizes.assign(sizes.begin() + static_cast<std::ptrdiff_t>(loopAt),
                         sizes.begin() + static_cast<std::ptrdiff_t>(loopAt + static_cast<size_t>(loops)));
        size_t total = 0;
        for (int n : loopSizes)
            total += static_cast<size_t>(n);
        if (indexAt + total > indexes.size()) {
            bad = true;
            break;
        }
        bool usable = loops > 0;
        for (size_t k = 0; k < total && usable; ++k) {
            const int index = indexes[indexAt + k];
            usable = index >= 0 && index < pointCount;
        }
        for (int n : loopSizes)
            usable = usable && n >= 3;
        if (usable) {
            const int surface = static_cast<size_t>(f) < surfaces.size() ? surfaces[static_cast<size_t>(f)] : 0;
            const Vec3f faceNormal = Normalized(Vec3f(faceSet->GetFaceNormal(f)));
            corners.resize(total);
            for (size_t k = 0; k < total; ++k) {
                const int index = indexes[indexAt + k];
                corners[k].point = index;
                corners[k].uv = index;
                corners[k].normal =
                    surface == 0 ? faceNormal : Normalized(faceSet->GetVertexNormal(index, surface));
            }
            batch.Face(f, loops, loopSizes.data(), corners.data(), points, faceNormal);
        } else {
            bad = true;
        }
        loopAt += static_cast<size_t>(loops);
        indexAt += total;
    }
    if (bad)
        NoteBadFaces(faceSet);
}

void DrawIndexedFaceSet(SgAction *action, SgGLRenderAction *render, SgIndexedFaceSet *mesh, bool nameFaces)
{
    SgState *state = action->GetState();
    int pointCount = 0;
    Vec3 *points = mesh->GetDrawnPoints(state, pointCount);
    const std::vector<int> &coordIndex = mesh->m_coordIndex.GetValues();
    if (!points || coordIndex.empty())
        return;
    std::vector<Vec3> skinned;
    if (DeformSkinnedShape(mesh, state, pointCount, points, skinned))
        points = skinned.data();
    SgNormalGenerator *normals =
        mesh->getNormalGenerator(static_cast<int>(coordIndex.size()), coordIndex.data(), pointCount, points);
    normals->SetCreaseAngle(SgGLStateReads::CreaseAngle(action));
    normals->GenerateVertexNormals();

    const Vec2f *ownCoords = nullptr;
    int ownCount = 0;
    if (auto *texCoords = dynamic_cast<SgTextureCoordinate2 *>(mesh->m_texCoord.Get(true).get())) {
        const std::vector<Vec2f> &values = texCoords->m_point.GetValues();
        ownCoords = values.empty() ? nullptr : values.data();
        ownCount = static_cast<int>(values.size());
    }
    const std::vector<int> &uvIndex = mesh->m_textureCoordIndex.GetValues();

    FaceBatch batch(action, render, ownCoords, ownCount, nameFaces);
    std::vector<Corner> corners;
    const int faces = normals->GetFaceCount();
    long long batched = 0;
    for (int f = 0; f < faces; ++f) {
        const int count = normals->GetFace(f).count;
        if (batch.Batched(1, count))
            batched += count;
    }
    batch.Expect(batched);
    for (int f = 0; f < faces; ++f) {
        const SgNormalGenerator::FaceRecord &face = normals->GetFace(f);
        corners.resize(static_cast<size_t>(face.count));
        for (int k = 0; k < face.count; ++k) {
            const int position = face.firstIndex + k;
            const size_t at = static_cast<size_t>(position);
            corners[static_cast<size_t>(k)].point = coordIndex[at];
            corners[static_cast<size_t>(k)].uv = at < uvIndex.size() ? uvIndex[at] : coordIndex[at];
            corners[static_cast<size_t>(k)].normal = Normalized(normals->GetVertexNormal(position));
        }
        const int loopSize = face.count;
        batch.Face(f, 1, &loopSize, corners.data(), points, Normalized(face.normal));
    }
    if (normals->GetDroppedFaceCount() > 0)
        NoteBadFaces(mesh);
}

// Whether the object is on a layer whose flags hide it. An index past the
// table counts as layer 0.
bool OnHiddenLayer(SgAction *action, SgObject *object)
{
    SgVecField<int, 1> *flags = SgGLStateReads::LayerFlags(action);
    const int count = flags ? flags->GetCount() : 0;
    if (count == 0)
        return false;
    int layer = object->m_layer.Get(true);
    if (layer < 0 || layer >= count)
        layer = 0;
    return (flags->GetValue(layer, true) & SgLayers::kHidden) != 0;
}

} // namespace

GLVertexArray *SgGLRenderAction::GetVertexArray()
{
    if (!m_pVertexArray)
        m_pVertexArray.reset(new GLVertexArray(4));
    return m_pVertexArray.get();
}

void SgGLRenderAction::VertexArrayDeleter::operator()(GLVertexArray *array) const
{
    delete array;
}

void SgGLRenderAction::InitShapeVisitors()
{
    VisitorFn *table = s_pfnMethodsMap;
    SetVisitor(table, SgNode::ClassID(), VisitNothing);
    SetVisitor(table, SgGroup::ClassID(), SgGLShapeVisitors::VisitGroup);
    SetVisitor(table, SgSeparator::ClassID(), SgGLShapeVisitors::VisitSeparator);
    SetVisitor(table, SgObject::ClassID(), SgGLShapeVisitors::VisitObject);
    SetVisitor(table, SgGeometricShape::ClassID(), SgGLShapeVisitors::VisitGeometricShape);
    SetVisitor(table, SgBoolean::ClassID(), SgGLShapeVisitors::VisitBoolean);
    SetVisitor(table, SgFaceSet::ClassID(), SgGLShapeVisitors::VisitFaceSet);
    SetVisitor(table, SgIndexedFaceSet::ClassID(), SgGLShapeVisitors::VisitIndexedFaceSet);
    SetVisitor(table, SgPolygon::ClassID(), SgGLShapeVisitors::VisitPolygon);
    SetVisitor(table, SgGenPolyLine::ClassID(), SgGLShapeVisitors::VisitGenPolyLine);
    SetVisitor(table, SgPointSet::ClassID(), SgGLShapeVisitors::VisitPointSet);
    SetVisitor(table, SgCube::ClassID(), SgGLShapeVisitors::VisitCube);
    SetVisitor(table, SgBillboard::ClassID(), SgGLShapeVisitors::VisitBillboard);
    // Nodes that only set state.
    SetVisitor(table, SgCoordinate3::ClassID(), VisitDefault);
    SetVisitor(table, SgNormal::ClassID(), VisitDefault);
    SetVisitor(table, SgFont::ClassID(), VisitDefault);
    SetVisitor(table, SgFormat::ClassID(), VisitDefault);
    SetVisitor(table, SgTextureCoordinate2::ClassID(), VisitDefault);
    SetVisitor(table, SgModifier::ClassID(), VisitDefault);
    SetVisitor(table, SgLayers::ClassID(), VisitDefault);
    SetVisitor(table, SgWrapper::ClassID(), VisitDefault);
    SetVisitor(table, SgParametricObject::ClassID(), SgGLShapeVisitors::VisitParametricObject);
    SetVisitor(table, SgScatter::ClassID(), SgGLShapeVisitors::VisitScatter);
    // Particle emitters and the effects that move their particles.
    SgGLParticleVisitors::Install(table);
}

void SgGLShapeVisitors::VisitGroup(SgAction *action, SgNode *node)
{
    NameScope names(SgGLRenderAction::Of(action), node, false);
    node->DoAction(action);
}

void SgGLShapeVisitors::VisitSeparator(SgAction *action, SgNode *node)
{
    SgGLRenderAction *render = SgGLRenderAction::Of(action);
    if (!render) {
        node->DoAction(action);
        return;
    }
    auto *separator = static_cast<SgSeparator *>(node);
    // The passes after the opaque one enter only the subtrees the scan found
    // something of theirs in, unless the state above already put them there.
    const int flags = SgScanCache::GetFlags(separator);
    if (render->m_bTransparentPass && !(flags & SgScanCache::kTransparentMaterial) && !GetActionAlphaBlend(action))
        return;
    if (render->m_bDrawOverPass && !(flags & (SgScanCache::kBillboard | SgScanCache::kConditionalBillboard)) &&
        !GetActionDrawOver(action))
        return;

    const bool onTarget = action->GetTargetPath().IsEmpty() || action->GetPathCode() == SgAction::kInTarget;
    // The pass flag: a parametric model's subtree, whose shape changes with
    // every instance that draws it.
    if (render->IsCacheDisabled() || action->m_bPassFlag || !onTarget) {
        render->DrawSeparatorDirect(separator);
        return;
    }
    SgState *state = action->GetState();
    const int slot = render->GetRenderCacheSlot();
    SgGLRenderCache *cache = SgGLBuildCacheAction::GetRenderCache(separator, false, slot);
    // A list that calls a list which is gone would draw with a hole: it goes
    // too (and with it every list that calls it), and is compiled anew.
    if (cache && cache->GetListID() != 0 && !cache->IsInUse() && !cache->CallsLiveLists())
        cache->DestroyCache();
    const bool usable = cache && cache->GetListID() != 0 && cache->InCurrentContext() && !cache->IsInUse();
    if (usable && cache->IsValid()) {
        // Built under another state: drawn directly this time, kept for
        // the frames that match it again.
        if (!cache->CompareContext(state)) {
            render->DrawSeparatorDirect(separator);
            return;
        }
    } else if (render->IsCompiling()) {
        // A list cannot be compiled inside another.
        render->DrawSeparatorDirect(separator);
        return;
    } else if (!cache || !cache->IsValid() || !cache->WasSeen()) {
        // Seen for the first time, or changed since: drawn directly. The
        // list is compiled when the separator is met again unchanged, so
        // that a new scene's first frame costs no more than drawing it, and
        // parts that change from frame to frame never pay for lists.
        cache = SgGLBuildCacheAction::GetRenderCache(separator, true, slot);
        if (cache) {
            if (cache->GetListID() != 0)
                cache->DestroyCache(); // compiled before the change
            cache->MarkSeen();
        }
        render->DrawSeparatorDirect(separator);
        return;
    } else {
        SgGLBuildCacheAction build(render);
        build.BuildSeparator(separator);
        cache = SgGLBuildCacheAction::GetRenderCache(separator, false, slot);
        if (!cache || cache->GetListID() == 0 || !cache->IsValid() || !cache->InCurrentContext()) {
            render->DrawSeparatorDirect(separator);
            return;
        }
    }
    // What the list depends on becomes a dependency of any list being
    // compiled around it.
    cache->ExtendStateContext(state);
    if (SgGLRenderCache *outer = render->GetCompilingCache())
        outer->NoteCall(*cache);
    glCallList(cache->GetListID());
}

void SgGLShapeVisitors::VisitObject(SgAction *action, SgNode *node)
{
    auto *object = static_cast<SgObject *>(node);
    if (object->m_hide.Get(true) != 0 || OnHiddenLayer(action, object))
        return;
    VisitSeparator(action, node);
}

void SgGLShapeVisitors::VisitParametricObject(SgAction *action, SgNode *node)
{
    auto *object = static_cast<SgObject *>(node);
    if (object->m_hide.Get(true) != 0 || OnHiddenLayer(action, object))
        return;
    SgGLRenderAction *render = SgGLRenderAction::Of(action);
    if (!render) {
        node->DoAction(action);
        return;
    }
    render->DrawSeparatorDirect(object);
}

void SgGLShapeVisitors::VisitGeometricShape(SgAction *action, SgNode *node)
{
    NameScope names(SgGLRenderAction::Of(action), node, false);
    node->DoAction(action);
}

void SgGLShapeVisitors::VisitScatter(SgAction *action, SgNode *node)
{
    SgGLRenderAction *render = SgGLRenderAction::Of(action);
    NameScope names(render, node, false);
    if (!render) {
        node->DoAction(action);
        return;
    }
    // Each copy moves the GL matrix and may set materials: both are put back
    // before the next, as a separator would.
    static_cast<SgScatter *>(node)->PlaceCopies(action, [render](const std::function<void()> &copy) {
        const bool pushed = render->PushMatrixAndAttributes();
        if (!pushed)
            return; // no room left to put them back: this copy is not drawn
        try {
            copy();
        } catch (...) {
            render->PopMatrixAndAttributes(pushed);
            throw;
        }
        render->PopMatrixAndAttributes(pushed);
    });
}

namespace {

// The GL attribute groups a Boolean node changes around its operands and its
// result; popped however the traversal inside ends.
class BooleanAttribScope {
public:
    explicit BooleanAttribScope(bool active) : m_bActive(active)
    {
        if (m_bActive)
            glPushAttrib(GL_ENABLE_BIT | GL_LIGHTING_BIT | GL_POLYGON_BIT | GL_LINE_BIT);
    }
    ~BooleanAttribScope()
    {
        if (m_bActive)
            glPopAttrib();
    }
    BooleanAttribScope(const BooleanAttribScope &) = delete;
    BooleanAttribScope &operator=(const BooleanAttribScope &) = delete;

private:
    bool m_bActive;
};

} // namespace

void SgGLShapeVisitors::VisitBoolean(SgAction *action, SgNode *node)
{
    auto *shape = static_cast<SgBoolean *>(node);
    SgGLRenderAction *render = SgGLRenderAction::Of(action);
    NameScope names(render, node, false);
    if (shape->IsExploded()) {
        // The operands as dashed outlines: both faces in line mode.
        BooleanAttribScope attributes(render != nullptr);
        if (render) {
            glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
            glEnable(GL_LINE_STIPPLE);
            glLineStipple(1, kExplodedStipple);
        }
        shape->TraverseOperands(action);
    }
    if (!shape->Evaluate(action))
        return;
    BooleanAttribScope attributes(render != nullptr);
    if (render)
        glLineStipple(1, 0xFFFF);
    shape->TraverseResult(action);
}

void SgGLShapeVisitors::VisitFaceSet(SgAction *action, SgNode *node)
{
    auto *faceSet = static_cast<SgFaceSet *>(node);
    if (SgModifierStack::TraverseModified(action, faceSet))
        return;
    SgGLRenderAction *render = SgGLRenderAction::Of(action);
    if (render && !render->InCurrentPass())
        return;
    NameScope names(render, node, true);
    DrawGuarded(action, node, [&] { DrawFaceSet(action, render, faceSet, names.GetCount() == 2); });
}

void SgGLShapeVisitors::VisitIndexedFaceSet(SgAction *action, SgNode *node)
{
    auto *mesh = static_cast<SgIndexedFaceSet *>(node);
    if (SgModifierStack::TraverseModified(action, mesh))
        return;
    SgGLRenderAction *render = SgGLRenderAction::Of(action);
    if (render && !render->InCurrentPass())
        return;
    NameScope names(render, node, true);
    DrawGuarded(action, node, [&] { DrawIndexedFaceSet(action, render, mesh, names.GetCount() == 2); });
}

void SgGLShapeVisitors::VisitPolygon(SgAction *action, SgNode *node)
{
    SgGLRenderAction *render = SgGLRenderAction::Of(action);
    if (!render || !render->InCurrentPass())
        return;
    auto *polygon = static_cast<SgPolygon *>(node);
    NameScope names(render, node, true);
    DrawGuarded(action, node, [&] {
        GLUtesselator *tess = PolygonTessellator();
        if (!tess)
            throw SgError("no tessellator");
        SgGLMaterialBundle(action->GetState()).Send(0);
        glPushAttrib(GL_CURRENT_BIT | GL_LIGHTING_BIT);
        glShadeModel(GL_SMOOTH);
        const Vec3 normal = polygon->GetNormal(0);
        glNormal3d(normal.x, normal.y, normal.z);
        if (normal.Length2() > 0.0)
            gluTessNormal(tess, -normal.x, -normal.y, -normal.z);
        else
            gluTessNormal(tess, 0.0, 0.0, 0.0);
        PolygonTessellation tessellation;
        gluTessBeginPolygon(tess, &tessellation);
        const int loops = polygon->NumLoops();
        for (int l = 0; l < loops; ++l) {
            Vec3 *points = polygon->GetLoop(l);
            const int n = points ? polygon->LoopSize(l) : 0;
            if (n < 3)
                continue;
            gluTessBeginContour(tess);
            for (int i = 0; i < n; ++i)
                gluTessVertex(tess, &points[i].x, &points[i].x);
            gluTessEndContour(tess);
        }
        gluTessEndPolygon(tess);
        glPopAttrib();
        if (tessellation.failed)
            NoteBadFaces(polygon);
    });
}

void SgGLShapeVisitors::VisitGenPolyLine(SgAction *action, SgNode *node)
{
    auto *curve = static_cast<SgGenPolyLine *>(node);
    if (SgModifierStack::TraverseModified(action, curve))
        return;
    SgGLRenderAction *render = SgGLRenderAction::Of(action);
    // Unlit: a pass that adds a light has nothing of it to add.
    if (!render || !render->InCurrentPass() || render->m_bAdditivePass)
        return;
    NameScope names(render, node, true);
    DrawGuarded(action, node, [&] {
        const int style = GetActionDrawStyle(action);
        const bool asPoints = style == 1 || style == 11;
        if (!curve->IsSampled())
            curve->sample(style == 11 ? 1 : -1);
        // Lighting and the polygon mode change for the curve only.
        glPushAttrib(GL_CURRENT_BIT | GL_ENABLE_BIT | GL_POLYGON_BIT);
        struct PopAttributes {
            ~PopAttributes() { glPopAttrib(); }
        } pop;
        glDisable(GL_LIGHTING);
        if (asPoints)
            glPolygonMode(GL_FRONT_AND_BACK, GL_POINT);
        const bool closed = curve->IsClosed();
        const int loops = curve->NumLoops();
        for (int l = 0; l < loops; ++l) {
            const Vec3 *points = curve->GetLoop(l);
            const int n = points ? curve->LoopSize(l) : 0;
            if (n <= 0)
                continue;
            glBegin(asPoints ? GL_POLYGON : GL_LINE_STRIP);
            for (int i = 0; i < n; ++i)
                glVertex3dv(&points[i].x);
            if (closed && !asPoints)
                glVertex3dv(&points[0].x);
            glEnd();
        }
        if (curve->GetShowGizmo()) {
            std::vector<Vec3f> ends(static_cast<size_t>(kMaxGizmoPoints));
            const int n = std::min(curve->FillGizmoLines(ends.data()), kMaxGizmoPoints);
            if (n > 0) {
                glColor3f(0.0f, 0.0f, 0.0f);
                glBegin(GL_LINES);
                for (int i = 0; i + 1 < n; i += 2) {
                    glVertex3f(ends[static_cast<size_t>(i)].x, ends[static_cast<size_t>(i)].y,
                               ends[static_cast<size_t>(i)].z);
                    glVertex3f(ends[static_cast<size_t>(i + 1)].x, ends[static_cast<size_t>(i + 1)].y,
                               ends[static_cast<size_t>(i + 1)].z);
                }
                glEnd();
            }
        }
    });
}

void SgGLShapeVisitors::VisitPointSet(SgAction *action, SgNode *node)
{
    SgGLRenderAction *render = SgGLRenderAction::Of(action);
    // Unlit: a pass that adds a light has nothing of it to add.
    if (!render || !render->InCurrentPass() || render->m_bAdditivePass)
        return;
    NameScope names(render, node, true);
    DrawGuarded(action, node, [&] {
        SgVecField<Vec3, 7> *points = SgGLStateReads::Points(action);
        const int available = points ? points->GetCount() : 0;
        int first = 0, count = 0;
        if (!static_cast<SgPointSet *>(node)->GetPointRange(available, first, count))
            return;
        const std::vector<Vec3> &values = points->GetValues();
        glPushAttrib(GL_ENABLE_BIT);
        glDisable(GL_LIGHTING);
        glBegin(GL_POINTS);
        for (int i = first; i < first + count; ++i)
            glVertex3dv(&values[static_cast<size_t>(i)].x);
        glEnd();
        glPopAttrib();
    });
}

void SgGLShapeVisitors::VisitCube(SgAction *action, SgNode *node)
{
    SgGLRenderAction *render = SgGLRenderAction::Of(action);
    if (!render || !render->InCurrentPass())
        return;
    auto *cube = static_cast<SgCube *>(node);
    NameScope names(render, node, true);
    DrawGuarded(action, node, [&] {
        // Per face: normal, the face's right and up directions as seen from
        // outside; corners go bottom-left, top-left, top-right, bottom-right,
        // clockwise seen from outside, which is the front side. The picture
        // stands as scene files of the format expect: the four sides upright
        // with +Y up, the top upright when the cube tips toward +Z, the
        // bottom when its top tips toward -Z.
        struct Face {
            int n[3], right[3], up[3];
        };
        static constexpr Face kFaces[6] = {
            {{0, 0, 1}, {1, 0, 0}, {0, 1, 0}},   // +Z
            {{1, 0, 0}, {0, 0, -1}, {0, 1, 0}},  // +X
            {{0, 0, -1}, {-1, 0, 0}, {0, 1, 0}}, // -Z
            {{-1, 0, 0}, {0, 0, 1}, {0, 1, 0}},  // -X
            {{0, 1, 0}, {1, 0, 0}, {0, 0, -1}},  // +Y
            {{0, -1, 0}, {1, 0, 0}, {0, 0, 1}},  // -Y
        };
        static constexpr int kCornerSigns[4][2] = {{-1, -1}, {-1, 1}, {1, 1}, {1, -1}};
        // Images are stored bottom row first, so t = 0 is the picture's
        // bottom: the corners take the picture's corners upright.
        static constexpr GLdouble kTexCoords[4][2] = {{0, 0}, {0, 1}, {1, 1}, {1, 0}};
        const double half[3] = {cube->m_width.Get(true) / 2, cube->m_depth.Get(true) / 2,
                                cube->m_height.Get(true) / 2};
        const int binding = SgGLStateReads::MaterialBinding(action);
        const bool perFace = binding == kPerFace;
        const bool perPart = binding == kPerPart;
        const bool perVertex = binding == kPerVertex || binding == kPerVertexAlso;
        const bool bound = perFace || perPart || perVertex;
        SgGLMaterialBundle bundle(action->GetState());
        if (bound)
            glPushAttrib(GL_CURRENT_BIT | GL_LIGHTING_BIT);
        struct PopAttributes {
            bool pushed;
            ~PopAttributes()
            {
                if (pushed)
                    glPopAttrib();
            }
        } pop{bound};
        if (perVertex)
            glShadeModel(GL_SMOOTH);
        for (int f = 0; f < 6; ++f) {
            const Face &face = kFaces[f];
            if (names.GetCount() == 2)
                glLoadName(kCubeFaceNames[f]);
            if (perFace)
                bundle.Send(f);
            else if (perPart)
                bundle.Send(face.n[2] != 0 ? 1 : 0);
            glBegin(GL_QUADS);
            glNormal3d(face.n[0], face.n[1], face.n[2]);
            for (int c = 0; c < 4; ++c) {
                int sign[3];
                for (int k = 0; k < 3; ++k)
                    sign[k] = face.n[k] + kCornerSigns[c][0] * face.right[k] + kCornerSigns[c][1] * face.up[k];
                if (perVertex)
                    bundle.Send((sign[0] > 0 ? 1 : 0) | (sign[1] > 0 ? 2 : 0) | (sign[2] > 0 ? 4 : 0));
                glTexCoord2dv(kTexCoords[c]);
                glVertex3d(sign[0] * half[0], sign[1] * half[1], sign[2] * half[2]);
            }
            glEnd();
        }
    });
}

void SgGLShapeVisitors::VisitBillboard(SgAction *action, SgNode *node)
{
    SgGLRenderAction *render = SgGLRenderAction::Of(action);
    if (!render)
        return;
    auto *billboard = static_cast<SgBillboard *>(node);
    if (render->m_nOwnerMode == 1)
        glEnable(GL_LIGHT0);
    if (render->m_bDrawOverPass && billboard->m_displayMode.Get(true) == 1)
        SgGLStateReads::SetDrawOver(action, node, 1);
    // A billboard shown only in the active viewer: elsewhere the rest of its
    // separator is left out.
    if (billboard->m_conditionalDisplay.Get(true) != 0 && render->GetViewer()) {
        SgDocument *document = node->GetDocument();
        if (document && document->GetActiveViewer() && document->GetActiveViewer() != render->GetViewer())
            action->m_bLeaveSeparator = true;
    }
}
