#include "engine/render/GLVertexArray.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <new>
#include <numbers>
#include <type_traits>

#include "platform/SgError.h"

static_assert(sizeof(Vec3f) == 3 * sizeof(float), "vertex arrays read Vec3f as packed floats");
static_assert(sizeof(Vec2f) == 2 * sizeof(float), "vertex arrays read Vec2f as packed floats");

namespace {

constexpr double PI = std::numbers::pi;
// Below this squared length the centroid of a box projection has no direction.
constexpr double BOX_CENTRE_EPSILON = 1e-8;
// The eye plane of the perspective projection.
constexpr double PERSPECTIVE_EYE_Z = 0.6;
// Points come in single precision: a point whose z is the float nearest 0.6
// lies on the eye plane, not a hair in front of it.
constexpr double EYE_PLANE_EPSILON = 1e-6;

// A quotient of a central projection; a point on the projection plane's
// vanishing line maps to the centre rather than to infinity.
bool Divisible(double d)
{
    return d != 0.0 && std::isfinite(d);
}

int AngleRegion(const Vec3 &c)
{
    double a = std::atan2(c.y, c.x);
    if (a > -PI / 2 && a < PI / 2)
        return 0;
    return a < 0 ? 1 : 2;
}

// Regions 1 and 2 keep u continuous across the seam at the back: a polygon
// straddling it gets values just below 0 or above 1 on one side instead of
// a jump through the whole texture.
double AngleU(const Vec3 &p, int region)
{
    double a = std::atan2(p.y, p.x);
    if (region == 1 && a > 0)
        a -= 2 * PI;
    else if (region == 2 && a < 0)
        a += 2 * PI;
    return a / (2 * PI) + 0.5;
}

Vec2f Spherical(const Vec3 &p, int region)
{
    double length = p.Length();
    double v = 0.5;
    if (length > 0)
        v = std::asin(std::clamp(p.z / length, -1.0, 1.0)) / PI + 0.5;
    return {float(AngleU(p, region)), float(v)};
}

Vec2f Cylindrical(const Vec3 &p, int region)
{
    return {float(AngleU(p, region)), float(p.z)};
}

int BoxRegion(const Vec3 &c)
{
    double ax = std::fabs(c.x), ay = std::fabs(c.y), az = std::fabs(c.z);
    if (c.Length2() < BOX_CENTRE_EPSILON || (c.x <= -ay && c.x <= -az))
        return 0;
    if (c.x >= ay && c.x >= az)
        return 1;
    if (c.y <= -ax && c.y <= -az)
        return 2;
    if (c.y >= ax && c.y >= az)
        return 3;
    if (c.z <= -ax && c.z <= -ay)
        return 4;
    return 5;
}

Vec2f Box(const Vec3 &p, int region)
{
    double d = region < 2 ? p.x : (region < 4 ? p.y : p.z);
    if (!Divisible(d))
        return {0.5f, 0.5f};
    double u = 0.5, v = 0.5;
    switch (region) {
    case 0: u = 0.5 * p.y / d + 0.5; v = 0.5 - 0.5 * p.z / d; break;
    case 1: u = 0.5 * p.y / d + 0.5; v = 0.5 * p.z / d + 0.5; break;
    case 2: u = 0.5 - 0.5 * p.x / d; v = 0.5 - 0.5 * p.z / d; break;
    case 3: u = 0.5 - 0.5 * p.x / d; v = 0.5 * p.z / d + 0.5; break;
    case 4: u = 0.5 * p.x / d + 0.5; v = 0.5 - 0.5 * p.y / d; break;
    default: u = 0.5 * p.x / d + 0.5; v = 0.5 * p.y / d + 0.5; break;
    }
    return {float(u), float(v)};
}

Vec2f Perspective(const Vec3 &p)
{
    double d = p.z - PERSPECTIVE_EYE_Z;
    if (!Divisible(d) || std::fabs(d) < EYE_PLANE_EPSILON)
        return {0.5f, 0.5f};
    return {float(-0.5 * p.x / d + 0.5), float(-0.5 * p.y / d + 0.5)};
}

const float *Floats(const Vec3f *v)
{
    return &v->x;
}

const float *Floats(const Vec2f *v)
{
    return &v->x;
}

void SelectClientUnit(int unit)
{
    glClientActiveTexture(GL_TEXTURE0 + unit);
}

// GLU calls its data callbacks with untyped pointers; these trampolines give
// it exactly the types it calls with.
void GLAPIENTRY BeginTrampoline(GLenum type, void *array)
{
    GLVertexArray::begin(type, static_cast<GLVertexArray *>(array));
}
void GLAPIENTRY VertexTrampoline(void *vertex, void *array)
{
    GLVertexArray::vertex(static_cast<GLVertex1 *>(vertex), static_cast<GLVertexArray *>(array));
}
void GLAPIENTRY EdgeFlagTrampoline(GLboolean flag, void *array)
{
    GLVertexArray::edgeFlag(flag, static_cast<GLVertexArray *>(array));
}
void GLAPIENTRY CombineTrampoline(GLdouble coords[3], void *vertices[4], GLfloat weights[4], void **out,
                                  void *array)
{
    GLVertex1 *in[4];
    for (int i = 0; i < 4; ++i)
        in[i] = static_cast<GLVertex1 *>(vertices[i]);
    GLVertex1 *made = nullptr;
    GLVertexArray::combine(coords, in, weights, &made, static_cast<GLVertexArray *>(array));
    *out = made;
}
void GLAPIENTRY EndTrampoline(void *array)
{
    GLVertexArray::end(static_cast<GLVertexArray *>(array));
}
void GLAPIENTRY EndCombinedTrampoline(void *array)
{
    GLVertexArray::endCombined(static_cast<GLVertexArray *>(array));
}
void GLAPIENTRY EndXTrampoline(void *array)
{
    GLVertexArray::endX(static_cast<GLVertexArray *>(array));
}

template <typename F>
_GLUfuncptr Callback(F *function)
{
    return reinterpret_cast<_GLUfuncptr>(function);
}

} // namespace

GLVertexArray::GLVertexArray(int numTexArrays)
    : m_numTexArrays(std::clamp(numTexArrays, 0, MAX_UNITS)), m_capacity(INITIAL_CAPACITY)
{
    m_scratchNormals.reserve(SCRATCH_VERTICES);
    m_scratchPoints.reserve(SCRATCH_VERTICES);
    m_scratchEdgeFlags.reserve(SCRATCH_VERTICES);
    m_points.resize(m_capacity);
    m_normals.resize(m_capacity);
    m_colors.resize(static_cast<std::size_t>(m_capacity) * 4);
    m_edgeFlags.resize(m_capacity, GL_TRUE);
    m_texCoords.resize(m_numTexArrays);
    std::fill(std::begin(m_modes), std::end(m_modes), TX_OFF);
    init();
}

void GLVertexArray::init()
{
    m_quadCount = 0;
    m_triStart = m_capacity;
    m_polyStart = m_polyEnd = 0;
    m_writePoint = m_writeNormal = m_writeColor = m_writeEdgeFlag = 0;
    std::fill(std::begin(m_writeTex), std::end(m_writeTex), 0);
    m_aggPoints.clear();
    m_aggNormals.clear();
    m_aggCounts.clear();
    m_lostPrimitives = 0;
    m_combined.clear();
}

void GLVertexArray::growTo(int capacity)
{
    const int oldCapacity = m_capacity;
    const int shift = capacity - oldCapacity;
    // Quads stay at the front, triangles move to the new back.
    auto regrow = [&](auto &buffer, int perVertex) {
        using Buffer = std::remove_reference_t<decltype(buffer)>;
        Buffer grown(static_cast<std::size_t>(capacity) * perVertex);
        std::copy_n(buffer.begin(), static_cast<std::size_t>(m_quadCount) * perVertex, grown.begin());
        std::copy(buffer.begin() + static_cast<std::ptrdiff_t>(m_triStart) * perVertex, buffer.end(),
                  grown.begin() + static_cast<std::ptrdiff_t>(m_triStart + shift) * perVertex);
        m_bytesMoved += static_cast<std::size_t>(m_quadCount + oldCapacity - m_triStart) * perVertex *
                        sizeof(typename Buffer::value_type);
        buffer.swap(grown);
    };
    regrow(m_points, 1);
    regrow(m_normals, 1);
    regrow(m_colors, 4);
    regrow(m_edgeFlags, 1);
    for (auto &coords : m_texCoords)
        if (!coords.empty())
            regrow(coords, 1);
    m_triStart += shift;
    m_capacity = capacity;
    ++m_growthCount;
    // Growth happens only between polygons: no polygon is open after it.
    m_polyStart = m_polyEnd = 0;
    m_writePoint = m_writeNormal = m_writeColor = m_writeEdgeFlag = 0;
    std::fill(std::begin(m_writeTex), std::end(m_writeTex), 0);
}

void GLVertexArray::ensureRoom(int vertices)
{
    const long long free = static_cast<long long>(m_triStart) - m_quadCount;
    if (free >= vertices)
        return;
    // At least half as large again, so that a batch filled polygon by
    // polygon grows a bounded number of times.
    const long long needed = static_cast<long long>(m_capacity) + (vertices - free);
    const long long capacity = std::max(needed, static_cast<long long>(m_capacity) + m_capacity / 2);
    if (needed > INT_MAX / 4)
        throw std::bad_alloc();
    growTo(static_cast<int>(std::min<long long>(capacity, INT_MAX / 4)));
}

void GLVertexArray::reserve(int vertices)
{
    if (vertices > 0)
        ensureRoom(vertices > INT_MAX - GROW_MARGIN ? INT_MAX : vertices + GROW_MARGIN);
}

void GLVertexArray::provideTexArray(int unit)
{
    if (unit < 0 || unit >= m_numTexArrays || !usesClientCoords(unit))
        return;
    std::vector<Vec2f> &coords = m_texCoords[unit];
    if (coords.empty())
        coords.resize(static_cast<std::size_t>(m_capacity));
}

bool GLVertexArray::startPoly(int n)
{
    if (n != 3 && n != 4) {
        m_polyStart = m_polyEnd = m_writePoint = m_writeNormal = m_writeColor = m_writeEdgeFlag = 0;
        std::fill(std::begin(m_writeTex), std::end(m_writeTex), 0);
        return false;
    }
    ensureRoom(GROW_MARGIN);
    int start;
    if (n == 4) {
        start = m_quadCount;
        m_quadCount += 4;
    } else {
        m_triStart -= 3;
        start = m_triStart;
    }
    m_polyStart = start;
    m_polyEnd = start + n;
    m_writePoint = m_writeNormal = m_writeColor = m_writeEdgeFlag = start;
    std::fill(std::begin(m_writeTex), std::end(m_writeTex), start);
    return true;
}

void GLVertexArray::addPoint(const Vec3 &p)
{
    if (m_writePoint < m_polyEnd)
        m_points[m_writePoint++] = Vec3f(p);
}

void GLVertexArray::addNormal(const Vec3 &n)
{
    addNormal(Vec3f(n));
}

void GLVertexArray::addNormal(const Vec3f &n)
{
    if (m_writeNormal < m_polyEnd)
        m_normals[m_writeNormal++] = n;
}

void GLVertexArray::addColor(const unsigned char *rgba)
{
    if (rgba == nullptr || m_writeColor >= m_polyEnd)
        return;
    std::memcpy(&m_colors[static_cast<std::size_t>(m_writeColor) * 4], rgba, 4);
    ++m_writeColor;
}

void GLVertexArray::addEFlag(int flag)
{
    if (m_writeEdgeFlag < m_polyEnd)
        m_edgeFlags[m_writeEdgeFlag++] = flag ? GL_TRUE : GL_FALSE;
}

void GLVertexArray::addUVMap(int vertex)
{
    for (int unit : m_explicitUnits) {
        if (unit >= m_numTexArrays || m_writeTex[unit] >= m_polyEnd)
            continue;
        const TextureCoordsRecord &source = m_units[unit].source;
        Vec2f pair;
        if (source.coords != nullptr && vertex >= 0 && vertex < source.count)
            pair = source.coords[vertex];
        m_texCoords[unit][m_writeTex[unit]++] = pair;
    }
}

void GLVertexArray::addUVMap(GLVertex1 &v, int vertex) const
{
    for (int unit = 0; unit < MAX_UNITS; ++unit) {
        v.mode[unit] = m_modes[unit];
        if (m_modes[unit] != TX_EXPLICIT)
            continue;
        const TextureCoordsRecord &source = m_units[unit].source;
        v.tex[unit] = (source.coords != nullptr && vertex >= 0 && vertex < source.count) ? source.coords[vertex]
                                                                                          : Vec2f();
    }
}

void GLVertexArray::setFaceColor(const unsigned char *rgba)
{
    if (rgba != nullptr)
        std::memcpy(m_faceColor, rgba, 4);
}

void GLVertexArray::setNumUnits(int n)
{
    m_numUnits = std::clamp(n, 0, MAX_UNITS);
}

TxUnit &GLVertexArray::getUnit(int unit)
{
    if (unit < 0 || unit >= MAX_UNITS)
        throw SgInvalidArgument();
    return m_units[unit];
}

int GLVertexArray::getUnitMode(int unit) const
{
    return unit >= 0 && unit < MAX_UNITS ? m_modes[unit] : TX_OFF;
}

const std::vector<Vec2f> &GLVertexArray::getTexCoords(int array) const
{
    static const std::vector<Vec2f> none;
    return array >= 0 && array < m_numTexArrays ? m_texCoords[array] : none;
}

void GLVertexArray::initTextureUnits(const GLTextureUnits &data, const Vec2f *defaultCoords, int defaultCount)
{
    m_numUnits = std::clamp(data.numUnits, 0, MAX_UNITS);
    m_explicitUnits.clear();
    std::fill(std::begin(m_modes), std::end(m_modes), TX_OFF);
    for (int unit = 0; unit < m_numUnits; ++unit) {
        TextureCoordsRecord record = data.units[unit];
        const bool hasOwn = record.coords != nullptr && record.count > 0;
        if (record.mode == TX_EXPLICIT && record.coords == nullptr) {
            record.coords = defaultCoords;
            record.count = defaultCount;
        } else if (hasOwn) {
            // Later units without an array of their own share this one.
            defaultCoords = record.coords;
            defaultCount = record.count;
        }
        if (record.mode == TX_EXPLICIT && (record.coords == nullptr || record.count <= 0))
            record.mode = TX_OFF;
        m_units[unit].source = record;
        m_modes[unit] = record.mode;
        if (record.mode == TX_EXPLICIT)
            m_explicitUnits.push_back(unit);
        provideTexArray(unit);
    }
}

void GLVertexArray::initTexture(int unit, int mode, void *, void *)
{
    if (unit >= 0 && unit < MAX_UNITS) {
        m_modes[unit] = mode;
        provideTexArray(unit);
    }
}

bool GLVertexArray::usesClientCoords(int unit) const
{
    return m_modes[unit] == TX_EXPLICIT || m_modes[unit] > 2;
}

void GLVertexArray::evaluateUVMap(int unit, int count, const Vec3f *points, int type, Vec2f *out)
{
    if (unit < 0 || unit >= MAX_UNITS || count <= 0 || points == nullptr || out == nullptr)
        return;
    m_uvScratch.resize(static_cast<std::size_t>(count));
    const Transform3 &transform = m_units[unit].transform;
    Vec3 centroid;
    for (int i = 0; i < count; ++i) {
        m_uvScratch[i] = transform.TransformPoint(Vec3(points[i]));
        centroid += m_uvScratch[i];
    }
    centroid /= count;

    // One region for the whole polygon, picked from its centroid, so that
    // the polygon is never torn between two faces or across the seam.
    switch (type) {
    case TX_SPHERICAL:
    case TX_CYLINDRICAL: {
        const int region = AngleRegion(centroid);
        for (int i = 0; i < count; ++i)
            out[i] = type == TX_SPHERICAL ? Spherical(m_uvScratch[i], region) : Cylindrical(m_uvScratch[i], region);
        break;
    }
    case TX_BOX: {
        const int region = BoxRegion(centroid);
        for (int i = 0; i < count; ++i)
            out[i] = Box(m_uvScratch[i], region);
        break;
    }
    case TX_PERSPECTIVE:
        for (int i = 0; i < count; ++i)
            out[i] = Perspective(m_uvScratch[i]);
        break;
    default:
        std::fill_n(out, count, Vec2f());
        break;
    }
}

void GLVertexArray::postEvaluateUVMap(int n)
{
    n = std::min(n, m_writePoint - m_polyStart);
    if (n <= 0)
        return;
    for (int unit = 0; unit < std::min(m_numUnits, m_numTexArrays); ++unit) {
        if (m_modes[unit] <= 2)
            continue;
        const int count = std::min(n, m_polyEnd - m_writeTex[unit]);
        if (count <= 0)
            continue;
        evaluateUVMap(unit, count, &m_points[m_writePoint - n], m_modes[unit], &m_texCoords[unit][m_writeTex[unit]]);
        m_writeTex[unit] += count;
    }
}

void GLVertexArray::allocAgregationBuf(int n)
{
    const std::size_t triangles = static_cast<std::size_t>(std::max(n, 0));
    m_aggPoints.clear();
    m_aggNormals.clear();
    m_aggCounts.clear();
    m_aggPoints.reserve(3 * triangles);
    m_aggNormals.reserve(3 * triangles);
    m_aggCounts.reserve(triangles);
}

void GLVertexArray::enableClient() const
{
    glEnableClientState(GL_VERTEX_ARRAY);
    if (m_useEdgeFlag)
        glEnableClientState(GL_EDGE_FLAG_ARRAY);
    if (m_perVertexNormals)
        glEnableClientState(GL_NORMAL_ARRAY);
    else
        glDisableClientState(GL_NORMAL_ARRAY);
    if (m_useTexture) {
        for (int unit = 0; unit < m_numUnits; ++unit) {
            if (!usesClientCoords(unit))
                continue;
            SelectClientUnit(unit);
            glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        }
        SelectClientUnit(0);
    }
}

void GLVertexArray::applyGL() const
{
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    if (m_useColor)
        glEnableClientState(GL_COLOR_ARRAY);
    // The batch is drawn without edge flags.
    glDisableClientState(GL_EDGE_FLAG_ARRAY);

    const int units = std::min(m_numUnits, m_numTexArrays);
    auto pointAt = [&](int first) {
        glVertexPointer(3, GL_FLOAT, 0, Floats(m_points.data() + first));
        glNormalPointer(GL_FLOAT, 0, Floats(m_normals.data() + first));
        if (m_useColor)
            glColorPointer(4, GL_UNSIGNED_BYTE, 0, m_colors.data() + static_cast<std::size_t>(first) * 4);
        for (int unit = 0; unit < units; ++unit) {
            if (!usesClientCoords(unit))
                continue;
            SelectClientUnit(unit);
            glEnableClientState(GL_TEXTURE_COORD_ARRAY);
            glTexCoordPointer(2, GL_FLOAT, 0, Floats(m_texCoords[unit].data() + first));
        }
        SelectClientUnit(0);
    };

    // A software rasteriser keeps what it is given until a flush; given a
    // whole large batch at once it bins every triangle of it first, tens of
    // megabytes for a mesh of a few hundred thousand corners. So GL gets the
    // batch in pieces and is flushed before it would hold more than one
    // piece; a batch of one piece or less goes whole, as it always did. The
    // order of the primitives stays that of the batch.
    const auto drawPieces = [&](GLenum mode, int first, int count) {
        pointAt(first);
        for (int at = 0; at < count; at += DRAW_PIECE) {
            const int corners = std::min(DRAW_PIECE, count - at);
            if (m_unflushed > 0 && m_unflushed + corners > DRAW_PIECE) {
                glFlush();
                m_unflushed = 0;
            }
            glDrawArrays(mode, at, corners);
            m_unflushed += corners;
        }
    };
    const int triangles = m_capacity - m_triStart;
    if (triangles > 0)
        drawPieces(GL_TRIANGLES, m_triStart, triangles);
    if (m_quadCount > 0)
        drawPieces(GL_QUADS, 0, m_quadCount);

    glPopClientAttrib();
    for (int unit = 0; unit < units; ++unit) {
        if (!usesClientCoords(unit))
            continue;
        SelectClientUnit(unit);
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    }
    SelectClientUnit(0);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_EDGE_FLAG_ARRAY);
}

// The tessellator's callbacks run inside GLU's C code: nothing may be thrown
// through it, so every failure is caught here.

void GLVertexArray::begin(GLenum type, GLVertexArray *array)
{
    if (array == nullptr)
        return;
    array->m_tessType = type;
    array->m_tessEdgeFlag = GL_TRUE;
    array->m_scratchPoints.clear();
    array->m_scratchNormals.clear();
    array->m_scratchEdgeFlags.clear();
    for (auto &coords : array->m_scratchTex)
        coords.clear();
}

void GLVertexArray::vertex(GLVertex1 *v, GLVertexArray *array)
{
    if (v == nullptr || array == nullptr)
        return;
    try {
        array->m_scratchPoints.push_back(v->point);
        if (array->m_perVertexNormals)
            array->m_scratchNormals.push_back(v->normal);
        if (array->m_useEdgeFlag)
            array->m_scratchEdgeFlags.push_back(array->m_tessEdgeFlag);
        for (int unit : array->m_explicitUnits)
            array->m_scratchTex[unit].push_back(v->tex[unit]);
    } catch (const std::bad_alloc &) {
        ++array->m_lostPrimitives;
    }
}

void GLVertexArray::vertexNoArray(GLVertex1 *v, GLVertexArray *)
{
    if (v == nullptr)
        return;
    glNormal3fv(Floats(&v->normal));
    glVertex3fv(Floats(&v->point));
}

void GLVertexArray::edgeFlag(GLboolean flag, GLVertexArray *array)
{
    if (array != nullptr && array->m_useEdgeFlag)
        array->m_tessEdgeFlag = flag;
}

void GLVertexArray::combine(GLdouble coords[3], GLVertex1 *vertices[4], GLfloat weights[4], GLVertex1 **out,
                            GLVertexArray *array)
{
    if (out == nullptr)
        return;
    *out = vertices[0];
    if (array == nullptr || vertices[0] == nullptr)
        return;
    try {
        GLVertex1 &made = array->m_combined.emplace_back();
        made.point = Vec3f(float(coords[0]), float(coords[1]), float(coords[2]));
        // The first two always exist; the other two only where edges cross.
        int used = vertices[2] != nullptr ? 4 : 2;
        for (int i = 0; i < used; ++i)
            if (vertices[i] != nullptr)
                made.normal += vertices[i]->normal * weights[i];
        for (int unit = 0; unit < MAX_UNITS; ++unit) {
            const std::int32_t mode = vertices[0]->mode[unit];
            made.mode[unit] = mode;
            if (mode == TX_EXPLICIT) {
                for (int i = 0; i < 4; ++i)
                    if (vertices[i] != nullptr)
                        made.tex[unit] += vertices[i]->tex[unit] * weights[i];
            } else if (mode > 2) {
                array->evaluateUVMap(unit, 1, &made.point, mode, &made.tex[unit]);
            }
        }
        *out = &made;
    } catch (const std::bad_alloc &) {
        ++array->m_lostPrimitives;
    }
}

void GLVertexArray::evaluateScratch(int unit, int count)
{
    std::vector<Vec2f> &coords = m_scratchTex[unit];
    coords.resize(static_cast<std::size_t>(count));
    if (m_modes[unit] > 2)
        evaluateUVMap(unit, count, m_scratchPoints.data(), m_modes[unit], coords.data());
}

void GLVertexArray::drawTessPrimitive()
{
    const int count = static_cast<int>(m_scratchPoints.size());
    if (count == 0)
        return;
    if (m_useEdgeFlag) {
        m_scratchEdgeFlags.resize(static_cast<std::size_t>(count), GL_TRUE);
        glEdgeFlagPointer(0, m_scratchEdgeFlags.data());
    }
    if (m_perVertexNormals) {
        m_scratchNormals.resize(static_cast<std::size_t>(count), m_faceNormal);
        glNormalPointer(GL_FLOAT, 0, Floats(m_scratchNormals.data()));
    } else {
        glNormal3fv(Floats(&m_faceNormal));
    }
    for (int unit = 0; unit < m_numUnits; ++unit) {
        if (!usesClientCoords(unit))
            continue;
        evaluateScratch(unit, count);
        SelectClientUnit(unit);
        glTexCoordPointer(2, GL_FLOAT, 0, Floats(m_scratchTex[unit].data()));
    }
    SelectClientUnit(0);
    glVertexPointer(3, GL_FLOAT, 0, Floats(m_scratchPoints.data()));
    glDrawArrays(m_tessType, 0, count);
}

void GLVertexArray::end(GLVertexArray *array)
{
    if (array == nullptr)
        return;
    try {
        array->drawTessPrimitive();
    } catch (const std::bad_alloc &) {
        ++array->m_lostPrimitives;
    }
}

void GLVertexArray::copyTessTriangles()
{
    int count = static_cast<int>(m_scratchPoints.size());
    count -= count % 3;
    if (count == 0)
        return;
    ensureRoom(count);
    for (int unit = 0; unit < std::min(m_numUnits, m_numTexArrays); ++unit)
        if (usesClientCoords(unit))
            evaluateScratch(unit, count);
    m_triStart -= count;
    const int first = m_triStart;
    for (int i = 0; i < count; ++i) {
        const int at = first + i;
        m_points[at] = m_scratchPoints[i];
        m_normals[at] = m_perVertexNormals && i < int(m_scratchNormals.size()) ? m_scratchNormals[i] : m_faceNormal;
        std::memcpy(&m_colors[static_cast<std::size_t>(at) * 4], m_faceColor, 4);
        m_edgeFlags[at] = m_useEdgeFlag && i < int(m_scratchEdgeFlags.size()) ? m_scratchEdgeFlags[i] : GL_TRUE;
        for (int unit = 0; unit < std::min(m_numUnits, m_numTexArrays); ++unit)
            if (usesClientCoords(unit))
                m_texCoords[unit][at] = m_scratchTex[unit][i];
    }
}

void GLVertexArray::endCombined(GLVertexArray *array)
{
    if (array == nullptr)
        return;
    try {
        if (array->m_tessType == GL_TRIANGLES)
            array->copyTessTriangles();
        else
            array->drawTessPrimitive();
    } catch (const std::bad_alloc &) {
        ++array->m_lostPrimitives;
    }
}

void GLVertexArray::endX(GLVertexArray *array)
{
    if (array == nullptr || array->m_tessType != GL_TRIANGLES)
        return;
    try {
        const std::size_t count = array->m_scratchPoints.size() / 3 * 3;
        for (std::size_t i = 0; i < count; i += 3) {
            for (std::size_t k = i; k < i + 3; ++k) {
                array->m_aggPoints.push_back(array->m_scratchPoints[k]);
                array->m_aggNormals.push_back(array->m_perVertexNormals && k < array->m_scratchNormals.size()
                                                  ? array->m_scratchNormals[k]
                                                  : array->m_faceNormal);
            }
            array->m_aggCounts.push_back(3);
        }
    } catch (const std::bad_alloc &) {
        ++array->m_lostPrimitives;
    }
}

void GLVertexArray::registerTessCallbacks(GLUtesselator *tess, TessOutput output) const
{
    if (tess == nullptr)
        return;
    gluTessCallback(tess, GLU_TESS_BEGIN_DATA, Callback(&BeginTrampoline));
    gluTessCallback(tess, GLU_TESS_VERTEX_DATA, Callback(&VertexTrampoline));
    gluTessCallback(tess, GLU_TESS_COMBINE_DATA, Callback(&CombineTrampoline));
    gluTessCallback(tess, GLU_TESS_EDGE_FLAG_DATA,
                    m_useEdgeFlag || output == TessOutput::Aggregate ? Callback(&EdgeFlagTrampoline) : nullptr);
    switch (output) {
    case TessOutput::Draw:
        gluTessCallback(tess, GLU_TESS_END_DATA, Callback(&EndTrampoline));
        break;
    case TessOutput::Batch:
        gluTessCallback(tess, GLU_TESS_END_DATA, Callback(&EndCombinedTrampoline));
        break;
    case TessOutput::Aggregate:
        gluTessCallback(tess, GLU_TESS_END_DATA, Callback(&EndXTrampoline));
        break;
    }
}
