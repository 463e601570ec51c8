#include "solids/GmBoxBuilder.h"

#include <memory>

namespace solvane {

GmGeom *makeBox(double sizeX, double sizeY, double sizeZ, const GmBox &extent, double tolerance)
{
    double a = sizeX / 2.0, b = sizeY / 2.0, c = sizeZ / 2.0;
    auto g = std::make_unique<GmGeom>(extent, tolerance);
    GmNode *C[8];
    const Vec3 corners[8] = {{a, b, c},   {-a, b, c},   {-a, -b, c},  {a, -b, c},
                             {a, b, -c},  {-a, b, -c},  {-a, -b, -c}, {a, -b, -c}};
    for (int i = 0; i < 8; ++i) {
        C[i] = g->add_node(corners[i], true, nullptr, false);
    }
    const int edges[12][2] = {{0, 1}, {1, 2}, {2, 3}, {3, 0}, {4, 5}, {5, 6},
                              {6, 7}, {7, 4}, {0, 4}, {1, 5}, {2, 6}, {3, 7}};
    for (const auto &e : edges) {
        g->add_edge(C[e[0]], C[e[1]], true, false);
    }
    const int faces[6][4] = {{0, 1, 2, 3}, {7, 6, 5, 4}, {5, 6, 2, 1}, {0, 3, 7, 4}, {4, 5, 1, 0}, {6, 7, 3, 2}};
    for (const auto &f : faces) {
        g->add_face({C[f[0]], C[f[1]], C[f[2]], C[f[3]]}, true);
    }
    return g.release();
}

}  // namespace solvane
