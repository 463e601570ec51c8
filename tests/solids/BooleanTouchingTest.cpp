// Touching and nearly touching operands never crash: each operation either
// succeeds with a valid closed result or reports failure at the boundary.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "SolidTestUtil.h"

using namespace solvane;
using namespace solvane::test;

namespace {

Mat3 RotZ(double a)
{
    const double rows[3][3] = {{std::cos(a), -std::sin(a), 0}, {std::sin(a), std::cos(a), 0}, {0, 0, 1}};
    return Mat3(rows);
}

struct Case {
    const char *name;
    GmMesh b;
};

std::vector<Case> TouchingCases()
{
    std::vector<Case> cases;
    cases.push_back({"shared face", boxMesh({1, 0, 0}, {2, 1, 1})});
    cases.push_back({"shared face part", boxMesh({1, 0.5, 0.5}, {2, 1.5, 1.5})});
    cases.push_back({"shared edge", boxMesh({1, 1, 0}, {2, 2, 1})});
    cases.push_back({"shared vertex", boxMesh({1, 1, 1}, {2, 2, 2})});
    cases.push_back({"offset 1e-7 (inside tolerance)", boxMesh({1 + 1e-7, 0, 0}, {2, 1, 1})});
    cases.push_back({"offset -1e-7 (overlap inside tolerance)", boxMesh({1 - 1e-7, 0.2, 0.2}, {2, 0.8, 0.8})});
    cases.push_back({"offset 1e-5 (gap)", boxMesh({1 + 1e-5, 0, 0}, {2, 1, 1})});
    cases.push_back({"offset -1e-5 (thin overlap)", boxMesh({1 - 1e-5, 0.2, 0.2}, {2, 0.8, 0.8})});
    cases.push_back({"coplanar top, shifted", boxMesh({0.5, 0.5, 0}, {1.5, 1.5, 1})});
    cases.push_back({"inside touching a face", boxMesh({0.2, 0.2, 0}, {0.8, 0.8, 0.5})});
    GmMesh rotated = boxMesh({0, 0, 0}, {1, 1, 1});
    transformMesh(rotated, RotZ(1e-9), {0, 0, 0});
    cases.push_back({"identical rotated by 1e-9 rad", rotated});
    GmMesh rotated2 = boxMesh({0, 0, 0}, {1, 1, 1});
    transformMesh(rotated2, RotZ(1e-9), {0.5, 0.5, 0.5});
    cases.push_back({"overlapping rotated by 1e-9 rad", rotated2});
    cases.push_back({"sphere touching the cube at a vertex", uvSphereMesh({1.5, 0.5, 0.5}, 0.5, 16)});
    return cases;
}

TEST(BooleanTouching, NeverCrashEitherClosedOrReported)
{
    auto A = Box({0, 0, 0}, {1, 1, 1});
    GmBoolOp ops[3] = {GmBoolOp::Union, GmBoolOp::Intersection, GmBoolOp::Difference};
    const char *names[3] = {"union", "intersection", "difference"};
    int succeeded = 0, reported = 0;
    for (const Case &c : TouchingCases()) {
        auto B = FromMesh(c.b);
        double va = A->volume(), vb = B->volume();
        double vol[3] = {0, 0, 0};
        bool ok[3] = {false, false, false};
        for (int o = 0; o < 3; ++o) {
            auto r = RunBool(ops[o], *A, *B);
            ok[o] = r.ok;
            if (r.ok) {
                GmValidityReport rep = check_validity(*r.geom);
                EXPECT_TRUE(rep.ok) << c.name << " " << names[o] << ": " << rep.text();
                vol[o] = rep.volume;
                ++succeeded;
            } else {
                EXPECT_FALSE(r.message.empty());
                ++reported;
                std::cout << c.name << " " << names[o] << " reported: " << r.message << "\n";
            }
        }
        if (ok[0] && ok[1] && ok[2]) {
            EXPECT_NEAR(vol[0] + vol[1], va + vb, 1e-6) << c.name;
            EXPECT_NEAR(vol[2], va - vol[1], 1e-6) << c.name;
        }
    }
    std::cout << succeeded << " succeeded closed, " << reported << " reported failure\n";
}

TEST(BooleanTouching, SharedEdgeUnionKeepsTwoShellsApart)
{
    auto A = Box({0, 0, 0}, {1, 1, 1});
    auto B = Box({1, 1, 0}, {2, 2, 1});
    auto u = RunBool(GmBoolOp::Union, *A, *B);
    EXPECT_NEAR(ClosedVolume(u), 2.0, 1e-12);
    ASSERT_TRUE(u.ok);
    EXPECT_EQ(u.geom->shellCount(), 2);
}

TEST(BooleanTouching, SharedFacePartUnion)
{
    auto A = Box({0, 0, 0}, {1, 1, 1});
    auto B = Box({1, 0.5, 0.5}, {2, 1.5, 1.5});
    auto u = RunBool(GmBoolOp::Union, *A, *B);
    EXPECT_NEAR(ClosedVolume(u), 2.0, 1e-12);
    ASSERT_TRUE(u.ok);
    EXPECT_EQ(u.geom->solidCount(), 1);
}

Mat3 RotAbout(Vec3 axis, double angle)
{
    axis.Normalize(0.0);
    double c = std::cos(angle), s = std::sin(angle), t = 1.0 - c;
    double x = axis.x, y = axis.y, z = axis.z;
    const double rows[3][3] = {{t * x * x + c, t * x * y - s * z, t * x * z + s * y},
                               {t * x * y + s * z, t * y * y + c, t * y * z - s * x},
                               {t * x * z - s * y, t * y * z + s * x, t * z * z + c}};
    return Mat3(rows);
}

// Nearly coincident operands (turned or shifted by 1e-12 to 1e-1, spheres
// against copies of themselves turned by half a segment and shifted by up
// to 1e-3): every operation ends either in a valid closed solid whose
// volume satisfies the identities, or in a reported failure.
TEST(BooleanTouching, NearlyCoincidentOperandsNeverGiveAnInvalidResult)
{
    set_boolean_validation(true);
    int succeeded = 0, reported = 0;
    const double eps[] = {0, 1e-12, 1e-9, 1e-7, 1e-5, 1e-3, 0.1};
    for (int seed = 0; seed < 60; ++seed) {
        std::mt19937 rng(static_cast<unsigned>(seed));
        std::uniform_real_distribution<double> U(-1, 1);
        GmMesh a, b;
        if (seed % 2 == 0) {
            a = boxMesh({0, 0, 0}, {1, 1, 1});
            b = a;
            double angle = eps[rng() % 7];
            Vec3 axis(U(rng), U(rng), U(rng));
            Vec3 t(eps[rng() % 7], eps[rng() % 7], (static_cast<int>(rng() % 5) - 2) * 0.25);
            transformMesh(b, RotAbout(axis, angle), t);
        } else {
            int n = 8 + static_cast<int>(rng() % 6) * 2;
            a = uvSphereMesh({0, 0, 0}, 1.0, n);
            b = a;
            double angle = static_cast<double>(rng() % 2) * M_PI / n;
            Vec3 t(eps[rng() % 6], 0, eps[rng() % 6]);
            transformMesh(b, RotAbout({0, 0, 1}, angle), t);
        }
        auto A = FromMesh(a);
        auto B = FromMesh(b);
        double va = A->volume(), vb = B->volume();
        GmBoolOp ops[3] = {GmBoolOp::Union, GmBoolOp::Intersection, GmBoolOp::Difference};
        double vol[3];
        bool all = true;
        for (int o = 0; o < 3; ++o) {
            auto r = boolean_request(ops[o], *A, *B);
            if (!r.ok) {
                all = false;
                ++reported;
                EXPECT_EQ(r.geom, nullptr);
                continue;
            }
            ++succeeded;
            GmValidityReport rep = check_validity(*r.geom);
            EXPECT_TRUE(rep.ok) << "seed " << seed << ": " << rep.text();
            vol[o] = rep.volume;
        }
        if (all) {
            EXPECT_NEAR(vol[0] + vol[1], va + vb, 1e-6 * (va + vb)) << "seed " << seed;
            EXPECT_NEAR(vol[2], va - vol[1], 1e-6 * (va + vb)) << "seed " << seed;
        }
    }
    std::cout << succeeded << " succeeded closed, " << reported << " reported failure\n";
    EXPECT_GT(succeeded, reported);
}

}  // namespace
