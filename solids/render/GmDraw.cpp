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

namespace {

// The faces to draw with their planes: the normals and the tessellator read
// them. A face whose only use is its front side has its material on the
// side its normal points to: drawn the other way round.
struct GmDrawnFaces {
    explicit GmDrawnFaces(std::vector<GmFace *> live)
        : faces(std::move(live)), normals(faces.size()), reversed(faces.size(), false)
    {
        for (size_t i = 0; i < faces.size(); ++i) {
            GmFace *f = faces[i];
            for (GmLoop *l : f->loops)
                for (GmEdgeRef *u : l->uses)
                    if (!u->edge)
                        internal_error("GmFaceIter::node() : edge_pix is null");
            face_plane(f);
            reversed[i] = f->front && !f->back;
            normals[i] = reversed[i] ? -f->normal : f->normal;
        }
    }

    std::vector<GmFace *> faces;
    std::vector<Vec3> normals;
    std::vector<bool> reversed;
};

void GmDrawSetUpArray(GmDrawSettings &settings, const GmDrawRequest &request, GLUtesselator *tess)
{
    GLVertexArray &array = *settings.vertexArray;
    array.init();
    array.setPerVertexNormals(true);
    array.setUseColor(request.colourByAttribute);
    array.setUseTexture(settings.textureEnabled);
    array.setUseEdegFlag(request.edgeFlags || settings.aggregate);
    GLTextureUnits units;
    units.numUnits = std::min(settings.textureUnitCount, GLVertexArray::MAX_UNITS);
    for (int i = 0; i < units.numUnits; ++i) {
        units.units[i].mode = settings.textureUnits[i].mode;
        units.units[i].count = settings.textureUnits[i].count;
        units.units[i].coords = settings.textureUnits[i].coords;
    }
    array.initTextureUnits(units, nullptr, 0);
    array.registerTessCallbacks(tess, settings.aggregate ? GLVertexArray::TessOutput::Aggregate
                                                         : GLVertexArray::TessOutput::Draw);
    // Odd winding: the inner loops are holes whichever way they run.
    gluTessProperty(tess, GLU_TESS_WINDING_RULE, GLU_TESS_WINDING_ODD);
}

// GL stacks and the list are put back however the drawing ends.
struct GmDrawGlScope {
    GmDrawGlScope(bool drawn, const GmDrawRequest &request, GLVertexArray &array) : draw(drawn)
    {
        if (!draw)
            return;
        glPushAttrib(GL_POLYGON_BIT | GL_LIGHTING_BIT | GL_CURRENT_BIT);
        if (request.colourByAttribute) {
            glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
            glEnable(GL_COLOR_MATERIAL);
        }
        if (request.listName != GmDrawRequest::kNoList) {
            glPushMatrix();
            glLoadIdentity();
            glNewList(request.listName, GL_COMPILE);
            list = true;
        }
        glPushClientAttrib(GL_CLIENT_ALL_ATTRIB_BITS);
        client = true;
        array.enableClient();
    }
    GmDrawGlScope(const GmDrawGlScope &) = delete;
    GmDrawGlScope &operator=(const GmDrawGlScope &) = delete;
    ~GmDrawGlScope()
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

    bool draw;
    bool list = false;
    bool client = false;
};

// Nodes and edges drawn as small markers: all of them, or only the loose
// ones (a node without edges, an edge in no loop).
void GmDrawMarkers(const GmDrawRequest &request, GmGeom &geom)
{
    if (request.drawNodes || request.drawLoose) {
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
    if (request.drawEdges || request.drawLoose) {
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
    glFrontFace(GL_CCW);
}

// Draws (or aggregates) faces one by one: a triangle or a convex quad of
// one loop straight into the array, anything else through the tessellator.
// Its buffers are kept from face to face: no allocation per face.
class GmFaceDrawer {
public:
    GmFaceDrawer(GmDrawSettings &settings, const GmDrawRequest &request, GLUtesselator *tess,
                 const VertexCache &cache, GmDrawStats &stats)
        : m_settings(settings), m_request(request), m_array(*settings.vertexArray), m_tess(tess), m_cache(cache),
          m_stats(stats), m_draw(!settings.aggregate), m_wire(request.drawNodes || request.drawEdges)
    {
    }

    void Draw(GmFace *f, const Vec3 &normal, bool reversed)
    {
        const size_t n = GatherLoops(f, reversed);
        if (m_loopCount == 0 || m_loopBuffers[0].size() < 3)
            return;
        m_normalF = Vec3f(normal);
        m_group = f->group();
        const auto loops = std::span(m_loopBuffers.data(), m_loopCount);
        unsigned char colour[4] = {255, 255, 255, 255};
        if (m_request.colourByAttribute)
            FaceColour(f, colour);
        ++m_stats.faces;
        bool direct = m_draw && loops.size() == 1 && (n == 3 || n == 4);
        if (direct && n == 4)
            direct = ConvexQuad({loops[0][0], loops[0][1], loops[0][2], loops[0][3]}, normal);
        if (direct)
            DrawDirect(loops[0], colour);
        else
            Tessellate(loops, n, normal, colour);
    }

private:
    // The loops' nodes, reversed when the face is drawn the other way; the
    // number of nodes of all loops.
    size_t GatherLoops(GmFace *f, bool reversed)
    {
        m_loopCount = 0;
        size_t n = 0;
        for (GmLoop *l : f->loops) {
            if (l->uses.empty())
                continue;
            if (m_loopBuffers.size() <= m_loopCount)
                m_loopBuffers.emplace_back();
            std::vector<const GmNode *> &ln = m_loopBuffers[m_loopCount++];
            ln.clear();
            for (GmEdgeRef *u : l->uses)
                ln.push_back(u->start());
            if (reversed)
                std::reverse(ln.begin(), ln.end());
            n += ln.size();
        }
        return n;
    }

    void FaceColour(GmFace *f, unsigned char colour[4]) const
    {
        const bool frontIn = f->front != nullptr, backIn = f->back != nullptr;
        if (m_wire && frontIn == backIn) {
            std::copy(kWireBothOrNeither, kWireBothOrNeither + 4, colour);
            return;
        }
        const GmBaseElm *owner = f;
        GmShell *shell = face_shell(f);
        if (frontIn != backIn && shell && shell->solid)
            owner = shell->solid;
        AttributeColour(owner, colour);
    }

    Vec3f PointNormal(const GmNode *node) const
    {
        if (m_settings.smooth && m_group != 0)
            if (const Vec3 *s = m_cache.Find(node, m_group))
                return Vec3f(*s);
        return m_normalF;
    }

    void DrawDirect(const std::vector<const GmNode *> &loop, const unsigned char colour[4])
    {
        ++m_stats.direct;
        const int count = static_cast<int>(loop.size());
        m_array.startPoly(count);
        for (const GmNode *node : loop) {
            m_array.addNormal(PointNormal(node));
            m_array.addPoint(node->position);
            if (m_request.colourByAttribute)
                m_array.addColor(colour);
        }
        m_array.postEvaluateUVMap(count);
    }

    void Tessellate(std::span<std::vector<const GmNode *>> loops, size_t n, const Vec3 &normal,
                    const unsigned char colour[4])
    {
        ++m_stats.tessellated;
        std::vector<GLVertex1> &store = TessStore();
        if (store.size() < n)
            store.resize(n);
        m_coords.resize(n);
        if (m_request.colourByAttribute)
            m_array.setFaceColor(colour);
        m_array.setFaceNormal(m_normalF);
        gluTessNormal(m_tess, normal.x, normal.y, normal.z);
        gluTessBeginPolygon(m_tess, &m_array);
        size_t k = 0;
        for (const auto &ln : loops) {
            gluTessBeginContour(m_tess);
            for (const GmNode *node : ln) {
                GLVertex1 &v = store[k];
                v.point = Vec3f(node->position);
                v.normal = PointNormal(node);
                for (int unit = 0; unit < GLVertex1::UNITS; ++unit)
                    v.mode[unit] = m_array.getUnitMode(unit);
                m_coords[k] = {node->position.x, node->position.y, node->position.z};
                gluTessVertex(m_tess, m_coords[k].data(), &v);
                ++k;
            }
            gluTessEndContour(m_tess);
        }
        gluTessEndPolygon(m_tess);
    }

    GmDrawSettings &m_settings;
    const GmDrawRequest &m_request;
    GLVertexArray &m_array;
    GLUtesselator *m_tess;
    const VertexCache &m_cache;
    GmDrawStats &m_stats;
    const bool m_draw;
    const bool m_wire;
    Vec3f m_normalF;
    uint32_t m_group = 0;
    std::vector<std::array<GLdouble, 3>> m_coords;
    std::vector<std::vector<const GmNode *>> m_loopBuffers;
    size_t m_loopCount = 0;
};

} // namespace

GmDrawStats GmDrawGeom(GmDrawSettings &settings, const GmDrawRequest &request, GmGeom &geom)
{
    GmDrawStats stats;
    const bool draw = !settings.aggregate;
    if (request.colourByAttribute)
        ColourAttribute();
    if (!settings.vertexArray)
        settings.vertexArray = LibraryArray();
    GLVertexArray &array = *settings.vertexArray;

    const GmDrawnFaces drawn(request.drawFaces ? geom.liveFaces() : std::vector<GmFace *>{});
    if (draw)
        glShadeModel(settings.smooth ? GL_SMOOTH : GL_FLAT);
    std::unique_ptr<GLUtesselator, TessDeleter> tess(gluNewTess());
    if (!tess)
        throw GmOperationFailed("drawing: no tessellator");
    GmDrawSetUpArray(settings, request, tess.get());
    VertexCache cache;
    if (settings.smooth)
        cache.Build(geom, drawn.faces, drawn.normals);

    GmDrawGlScope scope(draw, request, array);
    if (draw)
        GmDrawMarkers(request, geom);
    GmFaceDrawer drawer(settings, request, tess.get(), cache, stats);
    for (size_t i = 0; i < drawn.faces.size(); ++i)
        drawer.Draw(drawn.faces[i], drawn.normals[i], drawn.reversed[i]);
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
