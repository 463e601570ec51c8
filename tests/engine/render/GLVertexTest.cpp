#include <gtest/gtest.h>

#include <cmath>

#include "engine/render/GLVertex.h"

namespace {

struct MapCase {
    const char *name;
    void (*map)(const GLdouble[3], GLfloat[2]);
    GLdouble point[3];
    GLfloat s, t;
};

TEST(GLVertexTest, MappingsGiveTheirTextureCoordinates)
{
    const MapCase cases[] = {
        // asin(0.7071) / pi + 0.5 = 0.75, whatever the scale.
        {"sphere", GLVertex::SphereMap, {1, 0, 1}, 0.5f, 0.75f},
        {"sphere scaled", GLVertex::SphereMap, {7, 0, 7}, 0.5f, 0.75f},
        {"sphere at the origin", GLVertex::SphereMap, {0, 0, 0}, 0.5f, 0.5f},
        {"cylinder", GLVertex::CylinderMap, {0, 1, 0.25}, 0.75f, 0.25f},
        {"cube +x", GLVertex::CubicalMap, {2, 1, -1}, 0.25f, 0.75f},
        {"cube -z", GLVertex::CubicalMap, {1, 0, -2}, 0.25f, 0.5f},
        {"cube without a dominant axis", GLVertex::CubicalMap, {1, 1, 0}, 0.5f, 0.5f},
        {"user on the eye plane", GLVertex::UserMap, {3, 4, 0.6}, 0.5f, 0.5f},
        {"user", GLVertex::UserMap, {0.4, 0.2, 0.1}, 0.9f, 0.7f},
    };
    for (const MapCase &c : cases) {
        GLfloat st[2] = {-1, -1};
        c.map(c.point, st);
        EXPECT_NEAR(st[0], c.s, 1e-4) << c.name;
        EXPECT_NEAR(st[1], c.t, 1e-4) << c.name;
    }
}

TEST(GLVertexTest, CombineBlendsNormalsAndTakesThePosition)
{
    GLVertex::ResetCombineSlot();
    GLVertex a, b;
    a.hasNormal = b.hasNormal = true;
    a.normal[0] = 1;
    b.normal[1] = 1;
    a.texCoord[0] = 0.25f;
    GLVertex *in[4] = {&a, &b, nullptr, nullptr};
    GLfloat weights[4] = {0.5f, 0.5f, 0, 0};
    GLdouble at[3] = {1, 2, 3};
    GLVertex *out = nullptr;
    GLVertex::combine(at, in, weights, &out);
    ASSERT_NE(out, nullptr);
    EXPECT_NEAR(out->normal[0], std::sqrt(0.5), 1e-6);
    EXPECT_NEAR(out->normal[1], std::sqrt(0.5), 1e-6);
    EXPECT_EQ(out->texCoord[0], 0.25f) << "the first input's coordinate stays";
    EXPECT_EQ(out->position[2], 3.0);
}

TEST(GLVertexTest, TheCombinePoolStartsOverAfterItsSlots)
{
    GLVertex::ResetCombineSlot();
    GLVertex a;
    GLVertex *in[4] = {&a, &a, nullptr, nullptr};
    GLfloat weights[4] = {1, 0, 0, 0};
    GLdouble at[3] = {0, 0, 0};
    GLVertex *first = nullptr, *out = nullptr;
    GLVertex::combine(at, in, weights, &first);
    for (int i = 1; i < GLVertex::kCombineSlots; ++i)
        GLVertex::combine(at, in, weights, &out);
    EXPECT_NE(out, first);
    GLVertex::combine(at, in, weights, &out);
    EXPECT_EQ(out, first) << "vertex " << GLVertex::kCombineSlots + 1 << " takes the first slot again";
}

} // namespace
