#pragma once
// The one object through which face sets and solids hand their polygons to
// OpenGL. Points, normals, colours, edge flags and texture coordinates of a
// whole batch are collected in shared buffers, quads growing from the front
// and triangles from the back, and drawn with two glDrawArrays calls. Larger
// polygons come in through the GLU tessellator, for which the static
// callbacks below collect each primitive; texture coordinates can be
// projected (spherical, cylindrical, box, perspective) instead of given.
#include <GL/gl.h>
#include <GL/glu.h>

#include <cstdint>
#include <deque>
#include <vector>

#include "engine/render/GLVertex1.h"
#include "utilities/math/Transform3.h"
#include "utilities/math/Vec2f.h"
#include "utilities/math/Vec3.h"
#include "utilities/math/Vec3f.h"
#include "engine/core/NodaraExport.h"

// Texture-unit mode words.
enum TxMode : std::int32_t {
    TX_OFF = -1,
    TX_EXPLICIT = 0,        // coordinates from the unit's array, by vertex index
    TX_SPHERICAL = 3,       // modes 3 and up are computed from the points
    TX_CYLINDRICAL = 4,
    TX_BOX = 5,
    TX_PERSPECTIVE = 6,
};

// Where a texture unit's coordinates come from.
struct NODARA_API TextureCoordsRecord {
    std::int32_t mode = TX_OFF;
    int count = 0;                  // pairs in `coords`
    const Vec2f *coords = nullptr;  // not owned
    std::int32_t extra = 0;
};

// The coordinate sources of the units an array sets up.
struct NODARA_API GLTextureUnits {
    TextureCoordsRecord units[GLVertex1::UNITS];
    int numUnits = 0;
};

struct NODARA_API TxUnit {
    // Maps object points into the projection's space.
    Transform3 transform;
    TextureCoordsRecord source;
};

class NODARA_API GLVertexArray {
public:
    static constexpr int MAX_UNITS = GLVertex1::UNITS;
    static constexpr int INITIAL_CAPACITY = 1000;
    // Room kept between the quads and the triangles before a polygon starts.
    static constexpr int GROW_MARGIN = 10;
    // Room reserved for one tessellated primitive; longer ones grow it.
    static constexpr int SCRATCH_VERTICES = 20000;
    // The most batched corners GL is given without a flush: whole quads and
    // triangles (a multiple of 12), few enough that a software rasteriser's
    // bins for them stay in the caches.
    static constexpr int DRAW_PIECE = 6144;

    // How the end of a tessellated primitive is handled.
    enum class TessOutput {
        Draw,       // drawn at once (end)
        Batch,      // triangles join the batch, fans and strips are drawn (endCombined)
        Aggregate,  // triangles are gathered in the aggregation buffers (endX)
    };

    // `numTexArrays` texture-coordinate buffers, one for each of the first
    // units (at most MAX_UNITS).
    explicit GLVertexArray(int numTexArrays);

    // Empties the batch: no quads, no triangles. Combined tessellation
    // vertices are released too.
    void init();
    // Room for `vertices` more quad and triangle corners in the batch, made
    // in at most one growth: a shape that knows what it will emit sizes the
    // batch once instead of growing it step by step as its polygons arrive.
    void reserve(int vertices);

    // Starts a quad (n = 4) or a triangle (n = 3); false for any other
    // count, and the adds that follow are then ignored. Each add writes the
    // next vertex of the polygon; adds beyond its n vertices are ignored.
    bool startPoly(int n);
    void addPoint(const Vec3 &p);
    void addNormal(const Vec3 &n);
    void addNormal(const Vec3f &n);
    void addColor(const unsigned char *rgba);
    void addEFlag(int flag);
    // For each unit with explicit coordinates, the pair of that vertex index
    // (0, 0 for an index outside the unit's array).
    void addUVMap(int vertex);
    // Copies each unit's mode and, for explicit units, the vertex's pair into
    // a tessellation vertex.
    void addUVMap(GLVertex1 &v, int vertex) const;

    void setFaceNormal(const Vec3f &normal) { m_faceNormal = normal; }
    // The colour of tessellated triangles joining the batch (opaque white
    // unless set).
    void setFaceColor(const unsigned char *rgba);
    void setNumUnits(int n);
    int getNumUnits() const { return m_numUnits; }
    // Throws SgInvalidArgument for a unit outside 0..MAX_UNITS-1.
    TxUnit &getUnit(int unit);
    void setUseColor(bool on) { m_useColor = on; }
    void setUseEdegFlag(bool on) { m_useEdgeFlag = on; }
    void setUseTexture(bool on) { m_useTexture = on; }
    // Normals per vertex, or the face normal for the whole polygon.
    void setPerVertexNormals(bool on) { m_perVertexNormals = on; }

    void initTextureUnits(const GLTextureUnits &data, const Vec2f *defaultCoords, int defaultCount);
    void initTexture(int unit, int mode, void *, void *);
    int getUnitMode(int unit) const;

    // Projects `count` points by the unit's transform and the mapping `type`.
    void evaluateUVMap(int unit, int count, const Vec3f *points, int type, Vec2f *out);
    // Projected coordinates for the last n points of the current polygon, in
    // every unit with a projection mode.
    void postEvaluateUVMap(int n);

    // Room for n aggregated triangles; more still fit.
    void allocAgregationBuf(int n);

    void enableClient() const;
    void applyGL() const;

    // GLU tessellator callbacks; the array is the polygon data.
    static void begin(GLenum type, GLVertexArray *array);
    static void vertex(GLVertex1 *v, GLVertexArray *array);
    static void vertexNoArray(GLVertex1 *v, GLVertexArray *array);
    static void edgeFlag(GLboolean flag, GLVertexArray *array);
    static void combine(GLdouble coords[3], GLVertex1 *vertices[4], GLfloat weights[4], GLVertex1 **out,
                        GLVertexArray *array);
    static void end(GLVertexArray *array);
    static void endX(GLVertexArray *array);
    static void endCombined(GLVertexArray *array);

    // Registers the callbacks above on `tess`; pass the array itself to
    // gluTessBeginPolygon. The edge-flag callback, with which GLU delivers
    // only separate triangles, is registered when edge flags are in use and
    // for aggregation, which keeps nothing but triangles.
    void registerTessCallbacks(GLUtesselator *tess, TessOutput output) const;
    // Vertices made by `combine` live until this call or init().
    void releaseCombined() { m_combined.clear(); }

    // The batch as it stands.
    int getCapacity() const { return m_capacity; }
    int getQuadCount() const { return m_quadCount; }
    int getTriangleStart() const { return m_triStart; }
    int getTriangleVertexCount() const { return m_capacity - m_triStart; }
    const std::vector<Vec3f> &getPoints() const { return m_points; }
    const std::vector<Vec3f> &getNormals() const { return m_normals; }
    const std::vector<unsigned char> &getColors() const { return m_colors; }
    const std::vector<GLboolean> &getEdgeFlags() const { return m_edgeFlags; }
    // Empty for an array index the constructor did not provide, and for one
    // whose unit has never taken coordinates from the arrays.
    const std::vector<Vec2f> &getTexCoords(int array) const;
    // Tessellated primitives that could not be stored for lack of memory.
    int getLostPrimitives() const { return m_lostPrimitives; }
    // Since construction: how often the batch was made larger, and how many
    // bytes of batched vertices were copied into the larger buffers.
    int getGrowthCount() const { return m_growthCount; }
    std::size_t getBytesMoved() const { return m_bytesMoved; }

    const std::vector<Vec3f> &getAgregationPoints() const { return m_aggPoints; }
    const std::vector<Vec3f> &getAgregationNormals() const { return m_aggNormals; }
    // One entry per aggregated triangle: its vertex count, 3.
    const std::vector<unsigned char> &getAgregationCounts() const { return m_aggCounts; }

private:
    bool usesClientCoords(int unit) const;
    void ensureRoom(int vertices);
    void growTo(int capacity);
    // A unit that takes coordinates from the arrays gets its buffer the
    // first time; the others never cost memory or copying.
    void provideTexArray(int unit);
    void evaluateScratch(int unit, int count);
    void copyTessTriangles();
    void drawTessPrimitive();

    // One tessellated primitive.
    std::vector<Vec3f> m_scratchNormals;
    std::vector<Vec3f> m_scratchPoints;
    std::vector<Vec2f> m_scratchTex[MAX_UNITS];
    std::vector<GLboolean> m_scratchEdgeFlags;

    // The batch: quads in [0, m_quadCount), triangles in [m_triStart, m_capacity).
    std::vector<Vec3f> m_points;
    std::vector<Vec3f> m_normals;
    std::vector<unsigned char> m_colors;  // 4 bytes a vertex
    std::vector<GLboolean> m_edgeFlags;
    // One per texture array the constructor provides; each is empty until
    // its unit first needs it, then as long as the batch.
    std::vector<std::vector<Vec2f>> m_texCoords;

    std::vector<Vec3f> m_aggPoints;
    std::vector<Vec3f> m_aggNormals;
    std::vector<unsigned char> m_aggCounts;

    int m_quadCount = 0;
    int m_triStart = 0;
    // The current polygon's slots and the write position of each buffer.
    int m_polyStart = 0;
    int m_polyEnd = 0;
    int m_writePoint = 0;
    int m_writeNormal = 0;
    int m_writeColor = 0;
    int m_writeEdgeFlag = 0;
    int m_writeTex[MAX_UNITS] = {};

    TxUnit m_units[MAX_UNITS];
    int m_numUnits = 0;
    std::int32_t m_modes[MAX_UNITS];
    std::vector<int> m_explicitUnits;

    bool m_useColor = false;
    bool m_useTexture = false;
    bool m_useEdgeFlag = false;
    bool m_perVertexNormals = true;
    Vec3f m_faceNormal{0.0f, 0.0f, 1.0f};
    unsigned char m_faceColor[4] = {255, 255, 255, 255};
    GLenum m_tessType = GL_TRIANGLES;
    GLboolean m_tessEdgeFlag = GL_TRUE;
    int m_numTexArrays = 0;
    // Batched corners handed to GL since this array last flushed it.
    mutable int m_unflushed = 0;
    int m_capacity = 0;
    int m_lostPrimitives = 0;
    int m_growthCount = 0;
    std::size_t m_bytesMoved = 0;

    // Made by `combine`; a deque keeps their addresses while it grows.
    std::deque<GLVertex1> m_combined;
    // Transformed points of evaluateUVMap, kept to spare allocations.
    std::vector<Vec3> m_uvScratch;
};
