#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/glu.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "platform/gl/OffscreenGLContext.h"
#include "engine/render/GLVertexArray.h"

namespace {

constexpr int SIZE = 64;
constexpr int TOLERANCE = 3;

using Rgba = std::array<int, 4>;

struct TessDeleter {
    void operator()(GLUtesselator *tess) const { gluDeleteTess(tess); }
};
using Tess = std::unique_ptr<GLUtesselator, TessDeleter>;

// A context with identity matrices: coordinates are normalised device ones.
class GLVertexArrayDrawTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_context.MakeCurrent());
        glViewport(0, 0, SIZE, SIZE);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glColor3f(1, 0, 0);
    }

    Rgba Shown(int x, int y)
    {
        m_context.SwapBuffers();
        const unsigned char *p = m_context.ReadFrontPixels().data() + 4 * (y * SIZE + x);
        return {p[0], p[1], p[2], p[3]};
    }

    OffscreenGLContext m_context{SIZE, SIZE};
};

::testing::AssertionResult Near(const Rgba &got, const Rgba &want)
{
    for (int i = 0; i < 4; ++i)
        if (std::abs(got[i] - want[i]) > TOLERANCE)
            return ::testing::AssertionFailure() << "got " << got[0] << "," << got[1] << "," << got[2] << " instead of "
                                                 << want[0] << "," << want[1] << "," << want[2];
    return ::testing::AssertionSuccess();
}

// An L: the unit square from -0.8 to 0.8 without its top-right quarter
// from -0.2 up. Area 1.56.
const std::vector<Vec3> L_SHAPE = {{-0.8, -0.8, 0}, {0.8, -0.8, 0}, {0.8, -0.2, 0},
                                   {-0.2, -0.2, 0}, {-0.2, 0.8, 0}, {-0.8, 0.8, 0}};
constexpr double L_AREA = 1.56;

// Feeds `outline` through the tessellator into `array`.
void Tessellate(GLVertexArray &array, GLVertexArray::TessOutput output, const std::vector<Vec3> &outline,
                std::vector<GLVertex1> &vertices)
{
    Tess tess(gluNewTess());
    array.registerTessCallbacks(tess.get(), output);
    std::vector<std::array<GLdouble, 3>> coords;
    vertices.resize(outline.size());
    for (std::size_t i = 0; i < outline.size(); ++i) {
        vertices[i].point = Vec3f(outline[i]);
        vertices[i].normal = {0, 0, 1};
        coords.push_back({outline[i].x, outline[i].y, outline[i].z});
    }
    gluTessNormal(tess.get(), 0, 0, 1);
    gluTessBeginPolygon(tess.get(), &array);
    gluTessBeginContour(tess.get());
    for (std::size_t i = 0; i < outline.size(); ++i)
        gluTessVertex(tess.get(), coords[i].data(), &vertices[i]);
    gluTessEndContour(tess.get());
    gluTessEndPolygon(tess.get());
}

double TriangleArea(const Vec3f &a, const Vec3f &b, const Vec3f &c)
{
    return 0.5 * std::fabs((b.x - a.x) * (c.y - a.y) - (c.x - a.x) * (b.y - a.y));
}

// Total area of the polygons in a GL_3D feedback buffer, by window depth
// (rounded to tenths), so that polygons of different origin can be told apart.
struct FeedbackAreas {
    double nearArea = 0;  // depth 0.25
    double farArea = 0;   // depth 0.75
    int other = 0;
};

FeedbackAreas Areas(const std::vector<GLfloat> &buffer, int size)
{
    FeedbackAreas areas;
    for (int i = 0; i < size;) {
        if (buffer[i] != GL_POLYGON_TOKEN) {
            ++areas.other;
            break;
        }
        const int n = static_cast<int>(buffer[i + 1]);
        const GLfloat *v = &buffer[i + 2];
        double twice = 0;
        for (int k = 0; k < n; ++k) {
            const GLfloat *p = v + 3 * k;
            const GLfloat *q = v + 3 * ((k + 1) % n);
            twice += p[0] * q[1] - q[0] * p[1];
        }
        const double area = std::fabs(twice) / 2;
        if (std::fabs(v[2] - 0.25) < 0.01)
            areas.nearArea += area;
        else if (std::fabs(v[2] - 0.75) < 0.01)
            areas.farArea += area;
        else
            ++areas.other;
        i += 2 + 3 * n;
    }
    return areas;
}

} // namespace

TEST_F(GLVertexArrayDrawTest, GrowingKeepsEveryPolygonAndDrawsThemAll)
{
    GLVertexArray array(1);
    array.init();
    constexpr int COUNT = 1000;
    constexpr double SIDE = 0.02;
    auto corner = [](int i) { return Vec3(-0.95 + (i % 40) * 0.045, -0.95 + (i / 40) * 0.07, 0); };
    for (int i = 0; i < COUNT; ++i) {
        Vec3 c = corner(i) + Vec3(0, 0, 0.5);
        ASSERT_TRUE(array.startPoly(4));
        for (Vec3 p : {c, c + Vec3(SIDE, 0, 0), c + Vec3(SIDE, SIDE, 0), c + Vec3(0, SIDE, 0)}) {
            array.addPoint(p);
            array.addNormal(Vec3(0, 0, 1));
        }
    }
    for (int i = 0; i < COUNT; ++i) {
        Vec3 c = corner(i) + Vec3(0, 0, -0.5);
        ASSERT_TRUE(array.startPoly(3));
        for (Vec3 p : {c, c + Vec3(SIDE, 0, 0), c + Vec3(0, SIDE, 0)}) {
            array.addPoint(p);
            array.addNormal(Vec3(0, 0, 1));
        }
    }
    ASSERT_GE(array.getCapacity(), 7 * COUNT);
    EXPECT_EQ(array.getQuadCount(), 4 * COUNT);
    EXPECT_EQ(array.getTriangleVertexCount(), 3 * COUNT);
    // The first quad is still at the front, the first triangle at the very back.
    const auto &points = array.getPoints();
    EXPECT_EQ(points[0], Vec3f(corner(0) + Vec3(0, 0, 0.5)));
    EXPECT_EQ(points[array.getCapacity() - 3], Vec3f(corner(0) + Vec3(0, 0, -0.5)));

    std::vector<GLfloat> feedback(40000);
    glFeedbackBuffer(static_cast<GLsizei>(feedback.size()), GL_3D, feedback.data());
    glRenderMode(GL_FEEDBACK);
    array.applyGL();
    const int size = glRenderMode(GL_RENDER);
    ASSERT_GT(size, 0) << "feedback buffer overflowed or nothing drawn";

    // Window pixels: one polygon side is SIDE * SIZE / 2 pixels.
    const double quadArea = std::pow(SIDE * SIZE / 2, 2);
    const FeedbackAreas areas = Areas(feedback, size);
    EXPECT_EQ(areas.other, 0);
    EXPECT_NEAR(areas.farArea, COUNT * quadArea, COUNT * quadArea * 0.01) << "quads drawn";
    EXPECT_NEAR(areas.nearArea, COUNT * quadArea / 2, COUNT * quadArea * 0.01) << "triangles drawn";
}

namespace {

struct TessCase {
    const char *name;
    GLVertexArray::TessOutput output;
    bool edgeFlags;
    int batchedVertices;  // in the triangle block afterwards; -1: as GLU chooses
};

void PrintTo(const TessCase &c, std::ostream *os)
{
    *os << c.name;
}

class GLVertexArrayTessTest : public GLVertexArrayDrawTest, public ::testing::WithParamInterface<TessCase> {};

} // namespace

TEST_P(GLVertexArrayTessTest, ConcavePolygonIsFilledWithoutItsNotch)
{
    const TessCase &c = GetParam();
    GLVertexArray array(0);
    array.init();
    array.setUseEdegFlag(c.edgeFlags);
    std::vector<GLVertex1> vertices;
    array.enableClient();
    Tessellate(array, c.output, L_SHAPE, vertices);
    if (c.batchedVertices >= 0) {
        EXPECT_EQ(array.getTriangleVertexCount(), c.batchedVertices);
    }
    array.applyGL();
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    const Rgba red{255, 0, 0, 255}, black{0, 0, 0, 255};
    EXPECT_TRUE(Near(Shown(16, 16), red)) << "bottom-left arm";
    EXPECT_TRUE(Near(Shown(48, 16), red)) << "bottom-right arm";
    EXPECT_TRUE(Near(Shown(16, 48), red)) << "top-left arm";
    EXPECT_TRUE(Near(Shown(48, 48), black)) << "the notch";
    EXPECT_TRUE(Near(Shown(2, 2), black)) << "outside";
}

INSTANTIATE_TEST_SUITE_P(
    EveryOutput, GLVertexArrayTessTest,
    ::testing::Values(TessCase{"DrawnAtOnce", GLVertexArray::TessOutput::Draw, false, 0},
                      TessCase{"Batched", GLVertexArray::TessOutput::Batch, false, -1},
                      TessCase{"BatchedWithEdgeFlags", GLVertexArray::TessOutput::Batch, true, 12}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(GLVertexArray, AggregationGathersTrianglesCoveringThePolygon)
{
    GLVertexArray array(0);
    array.init();
    array.allocAgregationBuf(2);  // fewer than needed: the buffers grow
    std::vector<GLVertex1> vertices;
    Tessellate(array, GLVertexArray::TessOutput::Aggregate, L_SHAPE, vertices);

    const auto &points = array.getAgregationPoints();
    const auto &counts = array.getAgregationCounts();
    ASSERT_EQ(points.size(), 3 * counts.size());
    EXPECT_EQ(counts.size(), L_SHAPE.size() - 2);
    double area = 0;
    for (std::size_t i = 0; i < points.size(); i += 3)
        area += TriangleArea(points[i], points[i + 1], points[i + 2]);
    EXPECT_NEAR(area, L_AREA, 1e-5);
    for (const Vec3f &n : array.getAgregationNormals())
        EXPECT_EQ(n, Vec3f(0, 0, 1));
    EXPECT_EQ(array.getTriangleVertexCount(), 0) << "aggregation left triangles in the batch";
}

TEST(GLVertexArray, CrossingEdgesGetABlendedVertex)
{
    // A bow tie: its edges cross at (1, 1), where the tessellator asks for a
    // new vertex. Texture coordinates run with the position (x/2, y/2).
    const std::vector<Vec3> bowTie = {{0, 0, 0}, {2, 2, 0}, {2, 0, 0}, {0, 2, 0}};
    std::vector<Vec2f> uv;
    for (const Vec3 &p : bowTie)
        uv.emplace_back(float(p.x / 2), float(p.y / 2));
    GLTextureUnits data;
    data.numUnits = 1;
    data.units[0] = {TX_EXPLICIT, static_cast<int>(uv.size()), uv.data(), 0};

    GLVertexArray array(1);
    array.init();
    array.setUseEdegFlag(true);  // triangles only, all into the batch
    array.initTextureUnits(data, nullptr, 0);
    std::vector<GLVertex1> vertices;
    Tess tess(gluNewTess());
    array.registerTessCallbacks(tess.get(), GLVertexArray::TessOutput::Batch);
    vertices.resize(bowTie.size());
    std::vector<std::array<GLdouble, 3>> coords;
    for (std::size_t i = 0; i < bowTie.size(); ++i) {
        vertices[i].point = Vec3f(bowTie[i]);
        vertices[i].normal = {0, 0, 1};
        array.addUVMap(vertices[i], static_cast<int>(i));
        coords.push_back({bowTie[i].x, bowTie[i].y, 0});
    }
    gluTessNormal(tess.get(), 0, 0, 1);
    gluTessBeginPolygon(tess.get(), &array);
    gluTessBeginContour(tess.get());
    for (std::size_t i = 0; i < bowTie.size(); ++i)
        gluTessVertex(tess.get(), coords[i].data(), &vertices[i]);
    gluTessEndContour(tess.get());
    gluTessEndPolygon(tess.get());

    ASSERT_EQ(array.getTriangleVertexCount(), 6);
    int crossings = 0;
    for (int i = array.getTriangleStart(); i < array.getCapacity(); ++i) {
        const Vec3f p = array.getPoints()[i];
        const Vec2f t = array.getTexCoords(0)[i];
        EXPECT_NEAR(t.x, p.x / 2, 1e-5) << "s of vertex " << i;
        EXPECT_NEAR(t.y, p.y / 2, 1e-5) << "t of vertex " << i;
        if (std::fabs(p.x - 1) < 1e-5 && std::fabs(p.y - 1) < 1e-5) {
            ++crossings;
            EXPECT_NEAR(array.getNormals()[i].z, 1.0, 1e-5) << "blended normal";
        }
    }
    EXPECT_EQ(crossings, 2) << "both triangles meet at the crossing";
}

TEST(GLVertexArray, PolygonsNeverWritePastTheirSlots)
{
    GLVertexArray array(1);
    array.init();
    EXPECT_FALSE(array.startPoly(5));
    array.addPoint({9, 9, 9});
    ASSERT_TRUE(array.startPoly(3));
    for (int i = 0; i < 4; ++i)
        array.addPoint({double(i), 0, 0});
    EXPECT_EQ(array.getQuadCount(), 0);
    EXPECT_EQ(array.getTriangleVertexCount(), 3);
    for (const Vec3f &p : array.getPoints())
        EXPECT_TRUE(p.x < 3 && p.z != 9) << "a point landed outside its polygon: " << p.x << "," << p.y << "," << p.z;

    // An index outside the unit's array gives (0, 0) instead of a stray read.
    const std::vector<Vec2f> uv = {{0.25f, 0.75f}};
    GLTextureUnits data;
    data.numUnits = 1;
    data.units[0] = {TX_EXPLICIT, 1, uv.data(), 0};
    array.initTextureUnits(data, nullptr, 0);
    ASSERT_TRUE(array.startPoly(4));
    array.addUVMap(0);
    array.addUVMap(1);
    array.addUVMap(-1);
    EXPECT_EQ(array.getTexCoords(0)[0], Vec2f(0.25f, 0.75f));
    EXPECT_EQ(array.getTexCoords(0)[1], Vec2f());
    EXPECT_EQ(array.getTexCoords(0)[2], Vec2f());
}

TEST(GLVertexArray, UnitsWithoutCoordinatesBorrowOrSwitchOff)
{
    const std::vector<Vec2f> own = {{0, 0}, {1, 0}};
    const std::vector<Vec2f> fallback = {{0.5f, 0.5f}};
    struct UnitCase {
        const char *name;
        std::vector<TextureCoordsRecord> units;
        const Vec2f *defaultCoords;
        int defaultCount;
        std::vector<int> modes;
        std::vector<const Vec2f *> arrays;
    };
    const UnitCase cases[] = {
        {"later unit borrows an earlier array",
         {{TX_EXPLICIT, 2, own.data(), 0}, {TX_EXPLICIT, 0, nullptr, 0}, {TX_SPHERICAL, 0, nullptr, 0}},
         nullptr, 0, {TX_EXPLICIT, TX_EXPLICIT, TX_SPHERICAL}, {own.data(), own.data(), nullptr}},
        {"default array for a unit without one",
         {{TX_EXPLICIT, 0, nullptr, 0}}, fallback.data(), 1, {TX_EXPLICIT}, {fallback.data()}},
        {"nothing to borrow", {{TX_EXPLICIT, 0, nullptr, 0}}, nullptr, 0, {TX_OFF}, {nullptr}},
        {"array without coordinates", {{TX_EXPLICIT, 0, own.data(), 0}}, fallback.data(), 1, {TX_OFF}, {own.data()}},
    };
    for (const UnitCase &c : cases) {
        GLTextureUnits data;
        data.numUnits = static_cast<int>(c.units.size());
        for (std::size_t i = 0; i < c.units.size(); ++i)
            data.units[i] = c.units[i];
        GLVertexArray array(3);
        array.initTextureUnits(data, c.defaultCoords, c.defaultCount);
        for (std::size_t i = 0; i < c.modes.size(); ++i) {
            EXPECT_EQ(array.getUnitMode(int(i)), c.modes[i]) << c.name << ", unit " << i;
            if (c.arrays[i] != nullptr) {
                EXPECT_EQ(array.getUnit(int(i)).source.coords, c.arrays[i]) << c.name << ", unit " << i;
            }
        }
    }
}

TEST(GLVertexArray, ProjectionsPickOneRegionForTheWholePolygon)
{
    struct UVCase {
        const char *name;
        int type;
        std::vector<Vec3f> points;
        int probe;
        Vec2f want;
    };
    const UVCase cases[] = {
        {"sphere north-east diagonal", TX_SPHERICAL, {{3, 0, 3}}, 0, {0.5f, 0.75f}},
        {"cylinder height", TX_CYLINDRICAL, {{0, 1, 0.3f}}, 0, {0.75f, 0.3f}},
        // Across the seam at the back: 170 and 190 degrees stay neighbours.
        {"sphere across the seam, 170 degrees", TX_SPHERICAL,
         {{-0.98481f, 0.17365f, 0}, {-0.98481f, -0.17365f, 0}}, 0, {0.97222f, 0.5f}},
        {"sphere across the seam, 190 degrees", TX_SPHERICAL,
         {{-0.98481f, 0.17365f, 0}, {-0.98481f, -0.17365f, 0}}, 1, {1.02778f, 0.5f}},
        // Centred on +x: the +x face even for a point on the -x side.
        {"box centred on +x", TX_BOX, {{2, 0, 0}, {2, 1, 0}, {-0.5f, 0, 1}}, 2, {0.5f, -0.5f}},
        {"box below", TX_BOX, {{0.2f, 0.4f, -2}}, 0, {0.45f, 0.6f}},
        {"perspective on the eye plane", TX_PERSPECTIVE, {{3, 4, 0.6f}}, 0, {0.5f, 0.5f}},
        {"perspective", TX_PERSPECTIVE, {{0.5f, -0.5f, 0.1f}}, 0, {1.0f, 0.0f}},
        {"box through the origin", TX_BOX, {{0, 0, 0}, {0, 0, 0}}, 0, {0.5f, 0.5f}},
        {"no projection", 7, {{1, 2, 3}}, 0, {0, 0}},
    };
    GLVertexArray array(1);
    for (const UVCase &c : cases) {
        std::vector<Vec2f> out(c.points.size(), Vec2f(-9, -9));
        array.evaluateUVMap(0, static_cast<int>(c.points.size()), c.points.data(), c.type, out.data());
        EXPECT_NEAR(out[c.probe].x, c.want.x, 1e-4) << c.name << ": u";
        EXPECT_NEAR(out[c.probe].y, c.want.y, 1e-4) << c.name << ": v";
    }

    // The unit's transform maps points into the projection's space first.
    array.getUnit(0).transform = Transform3(Vec3(0, 0, 0.6));
    Vec3f origin;
    Vec2f uv;
    array.evaluateUVMap(0, 1, &origin, TX_PERSPECTIVE, &uv);
    EXPECT_EQ(uv, Vec2f(0.5f, 0.5f));
}

TEST(GLVertexArray, ProjectedCoordinatesFollowThePointsOfTheCurrentPolygon)
{
    GLVertexArray array(2);
    array.init();
    array.setNumUnits(2);
    array.initTexture(1, TX_PERSPECTIVE, nullptr, nullptr);
    ASSERT_TRUE(array.startPoly(4));
    const Vec3 quad[] = {{0.5, -0.5, 0.1}, {3, 4, 0.6}, {0, 0, 0}, {-0.5, 0.5, 0.1}};
    for (const Vec3 &p : quad)
        array.addPoint(p);
    array.postEvaluateUVMap(4);
    const auto &uv = array.getTexCoords(1);
    const Vec2f want[] = {{1.0f, 0.0f}, {0.5f, 0.5f}, {0.5f, 0.5f}, {0.0f, 1.0f}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(uv[i].x, want[i].x, 1e-5) << "u of vertex " << i;
        EXPECT_NEAR(uv[i].y, want[i].y, 1e-5) << "v of vertex " << i;
    }
    const auto &unused = array.getTexCoords(0);
    EXPECT_TRUE(unused.empty() || unused[0] == Vec2f()) << "a unit without projection was written";
}
