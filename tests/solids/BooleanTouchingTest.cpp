// Touching and nearly touching operands never crash: each operation either
// succeeds with a valid closed result or reports failure at the boundary.
#include <gtest/gtest.h>

#include <cmath>

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

}  // namespace
