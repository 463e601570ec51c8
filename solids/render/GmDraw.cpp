#include "solids/render/GmDraw.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <span>
#include <unordered_map>

#include "engine/render/GLVertex1.h"
#include "engine/render/GLVertexArray.h"
#include "solids/GmAttributes.h"
#include "solids/GmError.h"
#include "solids/GmGeom.h"
#include "solids/GmTopology.h"

namespace solvane {

namespace {

constexpr unsigned char kPalette[18][3] = {
    {0, 255, 0},     {255, 0, 0},     {0, 0, 255},     {255, 255, 0},   {255, 0, 255},   {0, 255, 255},
    {255, 128, 0},   {0, 128, 255},   {128, 255, 0},   {128, 0, 255},   {255, 0, 128},   {0, 255, 128},
    {255, 255, 128}, {255, 128, 255}, {128, 255, 255}, {255, 128, 128}, {128, 128, 255}, {128, 255, 128},
};
constexpr unsigned char kUnmarked[4] = {0, 153, 255, 255};
constexpr unsigned char kWireBothOrNeither[4] = {51, 204, 51, 255};
constexpr unsigned char kNodeWithEdges[4] = {0, 0, 255, 255};
constexpr unsigned char kEdgeInLoops[4] = {157, 11, 11, 255};
constexpr double kNodeMarkerHalf = 0.02;
constexpr double kEdgeMarkerHalf = 0.01;
// An edge direction this close to the z axis takes x as its frame reference.
constexpr double kNearZ = 5e-7;

// The "Color" attribute, registered once per process; null when the word
// has no room for it (every element then takes the first palette entry).
const AttrId *ColourAttribute()
{
    static bool done = false;
    static AttrId id;
    if (!done) {
        done = true;
        AttrId found = attribute_registry().check_name("Color", ATTR_BITFIELD);
        if (found.isNull()) {
            AttrResult made = try_create_bitfield_attribute("Color", 5);
            if (made.ok)
                found = made.id;
            else
                warning("drawing: no room for the \"Color\" attribute: " + made.error);
        }
        id = found;
    }
    return id.isNull() ? nullptr : &id;
}

void AttributeColour(const GmBaseElm *e, unsigned char rgba[4])
{
    if (!e->mark) {
        std::copy(kUnmarked, kUnmarked + 4, rgba);
        return;
    }
    const AttrId *attr = ColourAttribute();
    GmPaletteColour(attr ? attr->get(e->attributes) : 0, rgba);
}

// The tessellation vertices: GLU keeps their addresses until the polygon
// ends, so the store only grows between polygons.
std::vector<GLVertex1> &TessStore()
{
    static std::vector<GLVertex1> store(kGmTessStoreSize);
    return store;
}

GLVertexArray *LibraryArray()
{
    static std::unique_ptr<GLVertexArray> array(new GLVertexArray(GLVertexArray::MAX_UNITS));
    return array.get();
}

struct TessDeleter {
    void operator()(GLUtesselator *t) const { gluDeleteTess(t); }
};

// Smooth normals per node and smoothing group.
class VertexCache {
public:
    void Build(GmGeom &g, const std::vector<GmFace *> &faces, const std::vector<Vec3> &faceNormals)
    {
        const std::vector<GmNode *> nodes = g.liveNodes();
        size_t total = 0;
        for (GmNode *n : nodes) {
            m_first[n->id] = {static_cast<uint32_t>(total), 0, static_cast<uint32_t>(n->edges.size())};
            total += n->edges.size();
        }
        // The runs come from the incident-edge counts; the fixed allowance
        // per node is only the starting size.
        m_slots.assign(std::max(total, nodes.size() * static_cast<size_t>(kGmSlotsPerNode)), Slot{});
        for (size_t i = 0; i < faces.size(); ++i) {
            GmFace *f = faces[i];
            const uint32_t group = f->group();
            if (group == 0)
                continue;
            for (GmLoop *l : f->loops)
                for (GmEdgeRef *u : l->uses)
                    if (u->edge)
                        Add(u->start(), group, faceNormals[i]);
        }
        for (Slot &s : m_slots)
            if (s.used) {
                double len = s.normal.Length();
                if (len > 0.0)
                    s.normal = s.normal / len;
            }
    }

    // The smooth normal of the node in the group; null when it has none.
    const Vec3 *Find(const GmNode *n, uint32_t group) const
    {
        auto it = m_first.find(n->id);
        if (it == m_first.end())
            return nullptr;
        for (uint32_t k = 0; k < it->second.used; ++k) {
            const Slot &s = m_slots[it->second.first + k];
            if (s.group == group)
                return &s.normal;
        }
        return nullptr;
    }

private:
    struct Run {
        uint32_t first, used, size;
    };
    struct Slot {
        uint32_t group = 0;
        bool used = false;
        Vec3 normal;
    };

    void Add(const GmNode *n, uint32_t group, const Vec3 &normal)
    {
        auto it = m_first.find(n->id);
        if (it == m_first.end())
            return;
        Run &run = it->second;
        for (uint32_t k = 0; k < run.used; ++k) {
            Slot &s = m_slots[run.first + k];
            if (s.group == group) {
                s.normal += normal;
                return;
            }
        }
        // More groups at a node than it has edges (a non-manifold fan): the
        // face keeps its own normal there rather than writing past the run.
        if (run.used >= run.size)
            return;
        Slot &s = m_slots[run.first + run.used++];
        s.group = group;
        s.used = true;
        s.normal = normal;
    }

    std::unordered_map<uint32_t, Run> m_first;
    std::vector<Slot> m_slots;
};

// Whether the quad's corners turn the same way about the normal: a concave
// or bow-tie quad cannot go to GL as a quad.
bool ConvexQuad(const std::array<const GmNode *, 4> &q, const Vec3 &normal)
{
    for (int i = 0; i < 4; ++i) {
        const Vec3 &a = q[i]->position, &b = q[(i + 1) % 4]->position, &c = q[(i + 2) % 4]->position;
        if ((b - a).Cross(c - b).Dot(normal) <= 0.0)
            return false;
    }
    return true;
}

void Emit(bool draw, const Vec3 &p)
{
    if (draw)
        glVertex3d(p.x, p.y, p.z);
}

// A cube of half-size h around p: four sides as one quad strip, top and
// bottom as quads, with axis normals.
void NodeMarker(const Vec3 &p)
{
    const double h = kNodeMarkerHalf;
    const Vec3 c[8] = {{p.x - h, p.y - h, p.z - h}, {p.x + h, p.y - h, p.z - h}, {p.x + h, p.y + h, p.z - h},
                       {p.x - h, p.y + h, p.z - h}, {p.x - h, p.y - h, p.z + h}, {p.x + h, p.y - h, p.z + h},
                       {p.x + h, p.y + h, p.z + h}, {p.x - h, p.y + h, p.z + h}};
    const Vec3 sideNormals[4] = {{0, -1, 0}, {1, 0, 0}, {0, 1, 0}, {-1, 0, 0}};
    glBegin(GL_QUAD_STRIP);
    for (int i = 0; i <= 4; ++i) {
        const Vec3 &n = sideNormals[i % 4];
        glNormal3d(n.x, n.y, n.z);
        Emit(true, c[i % 4]);
        Emit(true, c[4 + i % 4]);
    }
    glEnd();
    glBegin(GL_QUADS);
    glNormal3d(0, 0, 1);
    for (int i : {4, 5, 6, 7})
        Emit(true, c[i]);
    glNormal3d(0, 0, -1);
    for (int i : {3, 2, 1, 0})
        Emit(true, c[i]);
    glEnd();
}

// A square prism of half-width h along the segment.
void EdgeMarker(const Vec3 &a, const Vec3 &b)
{
    Vec3 d = b - a;
    const double len = d.Length();
    if (len <= 0.0)
        return;
    d = d / len;
    const Vec3 ref = std::abs(d.x) < kNearZ && std::abs(d.y) < kNearZ ? Vec3(1, 0, 0) : Vec3(0, 0, 1);
    Vec3 u = d.Cross(ref);
    u = u / u.Length();
    const Vec3 v = d.Cross(u);
    const double h = kEdgeMarkerHalf;
    const Vec3 offs[4] = {(u + v) * h, (v - u) * h, (-u - v) * h, (u - v) * h};
    const Vec3 normals[4] = {u, v, -u, -v};
    glBegin(GL_QUAD_STRIP);
    for (int i = 0; i <= 4; ++i) {
        const Vec3 &n = normals[i % 4];
        glNormal3d(n.x, n.y, n.z);
        Emit(true, a + offs[i % 4]);
        Emit(true, b + offs[i % 4]);
    }
    glEnd();
}

void SetColour(const unsigned char rgba[4])
{
    glColor4ub(rgba[0], rgba[1], rgba[2], rgba[3]);
}

}  // namespace

void GmPaletteColour(uint32_t value, unsigned char rgba[4])
{
    const unsigned char *c = kPalette[value % 18];
    rgba[0] = c[0];
    rgba[1] = c[1];
    rgba[2] = c[2];
    rgba[3] = 255;
}

GmDrawStats GmDrawGeom(GmDrawSettings &settings, const GmDrawRequest &request, GmGeom &geom)
{
    GmDrawStats stats;
    const bool aggregate = settings.aggregate;
    const bool draw = !aggregate;
    const bool edgeFlags = request.edgeFlags || aggregate;
    if (request.colourByAttribute)
        ColourAttribute();
    if (!settings.vertexArray)
        settings.vertexArray = LibraryArray();
    GLVertexArray &array = *settings.vertexArray;

    // Planes first: the normals below and the tessellator read them.
    std::vector<GmFace *> faces = request.drawFaces ? geom.liveFaces() : std::vector<GmFace *>{};
    std::vector<Vec3> faceNormals(faces.size());
    std::vector<bool> reversed(faces.size(), false);
    for (size_t i = 0; i < faces.size(); ++i) {
        GmFace *f = faces[i];
        for (GmLoop *l : f->loops)
            for (GmEdgeRef *u : l->uses)
                if (!u->edge)
                    internal_error("GmFaceIter::node() : edge_pix is null");
        face_plane(f);
        // A face whose only use is its front side has its material on the
        // side its normal points to: drawn the other way round.
        reversed[i] = f->front && !f->back;
        faceNormals[i] = reversed[i] ? -f->normal : f->normal;
    }

    if (draw)
        glShadeModel(settings.smooth ? GL_SMOOTH : GL_FLAT);

    std::unique_ptr<GLUtesselator, TessDeleter> tess(gluNewTess());
    if (!tess)
        throw GmOperationFailed("drawing: no tessellator");
    array.init();
    array.setPerVertexNormals(true);
    array.setUseColor(request.colourByAttribute);
    array.setUseTexture(settings.textureEnabled);
    array.setUseEdegFlag(edgeFlags);
    GLTextureUnits units;
    units.numUnits = std::min(settings.textureUnitCount, GLVertexArray::MAX_UNITS);
    for (int i = 0; i < units.numUnits; ++i) {
        units.units[i].mode = settings.textureUnits[i].mode;
        units.units[i].count = settings.textureUnits[i].count;
        units.units[i].coords = settings.textureUnits[i].coords;
    }
    array.initTextureUnits(units, nullptr, 0);
    array.registerTessCallbacks(tess.get(),
                                aggregate ? GLVertexArray::TessOutput::Aggregate : GLVertexArray::TessOutput::Draw);
    // Odd winding: the inner loops are holes whichever way they run.
    gluTessProperty(tess.get(), GLU_TESS_WINDING_RULE, GLU_TESS_WINDING_ODD);

    VertexCache cache;
    if (settings.smooth)
        cache.Build(geom, faces, faceNormals);

    // GL stacks and the list are put back however the drawing ends.
    struct GlScope {
        bool draw, list, client;
        ~GlScope()
        {
            if (client)
                glPopClientAttrib();
            if (list) {
                glEndList();
                glPopMatrix();
            }
            if (draw)
                glPopAttrib();
        }
    } scope{draw, false, false};
    if (draw) {
        glPushAttrib(GL_POLYGON_BIT | GL_LIGHTING_BIT | GL_CURRENT_BIT);
        if (request.colourByAttribute) {
            glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
            glEnable(GL_COLOR_MATERIAL);
        }
    }
    if (draw && request.listName != GmDrawRequest::kNoList) {
        glPushMatrix();
        glLoadIdentity();
        glNewList(request.listName, GL_COMPILE);
        scope.list = true;
    }
    if (draw) {
        glPushClientAttrib(GL_CLIENT_ALL_ATTRIB_BITS);
        scope.client = true;
        array.enableClient();
    }

    const bool wire = request.drawNodes || request.drawEdges;
    if (draw && (request.drawNodes || request.drawLoose)) {
        glFrontFace(GL_CW);
        for (GmNode *n : geom.liveNodes()) {
            if (!request.drawNodes && !n->edges.empty())
                continue;
            if (request.colourByAttribute) {
                unsigned char c[4];
                if (!n->edges.empty())
                    std::copy(kNodeWithEdges, kNodeWithEdges + 4, c);
                else
                    AttributeColour(n, c);
                SetColour(c);
            }
            NodeMarker(n->position);
        }
    }
    if (draw && (request.drawEdges || request.drawLoose)) {
        glFrontFace(GL_CW);
        for (GmEdge *e : geom.liveEdges()) {
            if (e->isSelfLoop())
                continue;
            if (!request.drawEdges && !e->uses.empty())
                continue;
            if (request.colourByAttribute) {
                unsigned char c[4];
                if (!e->uses.empty())
                    std::copy(kEdgeInLoops, kEdgeInLoops + 4, c);
                else
                    AttributeColour(e, c);
                SetColour(c);
            }
            EdgeMarker(e->node1->position, e->node2->position);
        }
    }
    if (draw)
        glFrontFace(GL_CCW);

    std::vector<GLVertex1> &store = TessStore();
    std::vector<std::array<GLdouble, 3>> coords;
    std::vector<std::vector<const GmNode *>> loopBuffers;
    for (size_t i = 0; i < faces.size(); ++i) {
        GmFace *f = faces[i];
        const Vec3 &normal = faceNormals[i];
        const Vec3f normalF(normal);
        const uint32_t group = f->group();
        // The loops' nodes, reversed when the face is drawn the other way
        // (buffers kept from face to face: no allocation per face).
        size_t loopCount = 0, n = 0;
        for (GmLoop *l : f->loops) {
            if (l->uses.empty())
                continue;
            if (loopBuffers.size() <= loopCount)
                loopBuffers.emplace_back();
            std::vector<const GmNode *> &ln = loopBuffers[loopCount++];
            ln.clear();
            for (GmEdgeRef *u : l->uses)
                ln.push_back(u->start());
            if (reversed[i])
                std::reverse(ln.begin(), ln.end());
            n += ln.size();
        }
        if (loopCount == 0 || loopBuffers[0].size() < 3)
            continue;
        const auto loops = std::span(loopBuffers.data(), loopCount);
        unsigned char colour[4] = {255, 255, 255, 255};
        if (request.colourByAttribute) {
            const bool frontIn = f->front != nullptr, backIn = f->back != nullptr;
            if (wire && frontIn == backIn) {
                std::copy(kWireBothOrNeither, kWireBothOrNeither + 4, colour);
            } else {
                const GmBaseElm *owner = f;
                GmShell *shell = face_shell(f);
                if (frontIn != backIn && shell && shell->solid)
                    owner = shell->solid;
                AttributeColour(owner, colour);
            }
        }
        auto pointNormal = [&](const GmNode *node) -> Vec3f {
            if (settings.smooth && group != 0)
                if (const Vec3 *s = cache.Find(node, group))
                    return Vec3f(*s);
            return normalF;
        };
        ++stats.faces;
        bool direct = draw && loops.size() == 1 && (n == 3 || n == 4);
        if (direct && n == 4)
            direct = ConvexQuad({loops[0][0], loops[0][1], loops[0][2], loops[0][3]}, normal);
        if (direct) {
            ++stats.direct;
            const int count = static_cast<int>(n);
            array.startPoly(count);
            for (int k = 0; k < count; ++k) {
                const GmNode *node = loops[0][static_cast<size_t>(k)];
                array.addNormal(pointNormal(node));
                array.addPoint(node->position);
                if (request.colourByAttribute)
                    array.addColor(colour);
            }
            array.postEvaluateUVMap(count);
            continue;
        }
        ++stats.tessellated;
        if (store.size() < n)
            store.resize(n);
        coords.resize(n);
        if (request.colourByAttribute)
            array.setFaceColor(colour);
        array.setFaceNormal(normalF);
        gluTessNormal(tess.get(), normal.x, normal.y, normal.z);
        gluTessBeginPolygon(tess.get(), &array);
        size_t k = 0;
        for (const auto &ln : loops) {
            gluTessBeginContour(tess.get());
            for (const GmNode *node : ln) {
                GLVertex1 &v = store[k];
                v.point = Vec3f(node->position);
                v.normal = pointNormal(node);
                for (int unit = 0; unit < GLVertex1::UNITS; ++unit)
                    v.mode[unit] = array.getUnitMode(unit);
                coords[k] = {node->position.x, node->position.y, node->position.z};
                gluTessVertex(tess.get(), coords[k].data(), &v);
                ++k;
            }
            gluTessEndContour(tess.get());
        }
        gluTessEndPolygon(tess.get());
    }
    array.releaseCombined();
    if (draw) {
        glPopClientAttrib();
        scope.client = false;
        array.applyGL();
    }
    return stats;
}

GmTriangles GmCollectTriangles(GmGeom &geom, bool smooth)
{
    GLVertexArray array(0);
    array.allocAgregationBuf(6 * geom.nodeCount());
    GmDrawSettings settings;
    settings.aggregate = true;
    settings.smooth = smooth;
    settings.vertexArray = &array;
    GmDrawRequest request;
    request.edgeFlags = true;
    GmDrawGeom(settings, request, geom);
    GmTriangles out;
    out.points = array.getAgregationPoints();
    out.normals = array.getAgregationNormals();
    return out;
}

}  // namespace solvane
