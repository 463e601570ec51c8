#pragma once
// The boolean fixtures of the solid benchmarks: two triangulated UV spheres
// (the second shifted by (0.4, 0.3, 0.2)) written as OFF files of our own
// writing and read back, so that every benchmark, ours and CGAL's, works on
// the same triangles.
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fixtures {

struct Tri {
    std::vector<double> xyz;  // 3 per point
    std::vector<int> tris;    // 3 per triangle, counter-clockwise from outside
};

inline Tri UvSphere(double cx, double cy, double cz, double r, int segments)
{
    Tri m;
    int rings = segments / 2;
    auto add = [&](double x, double y, double z) {
        m.xyz.insert(m.xyz.end(), {cx + x, cy + y, cz + z});
        return static_cast<int>(m.xyz.size() / 3 - 1);
    };
    int north = add(0, 0, r);
    for (int i = 1; i < rings; ++i) {
        double phi = M_PI * i / rings;
        for (int j = 0; j < segments; ++j) {
            double th = 2.0 * M_PI * j / segments;
            add(r * std::sin(phi) * std::cos(th), r * std::sin(phi) * std::sin(th), r * std::cos(phi));
        }
    }
    int south = add(0, 0, -r);
    auto at = [&](int ring, int j) { return 1 + (ring - 1) * segments + (j % segments); };
    for (int j = 0; j < segments; ++j) {
        m.tris.insert(m.tris.end(), {north, at(1, j), at(1, j + 1)});
        m.tris.insert(m.tris.end(), {south, at(rings - 1, j + 1), at(rings - 1, j)});
    }
    for (int i = 1; i < rings - 1; ++i) {
        for (int j = 0; j < segments; ++j) {
            m.tris.insert(m.tris.end(), {at(i, j), at(i + 1, j), at(i + 1, j + 1)});
            m.tris.insert(m.tris.end(), {at(i, j), at(i + 1, j + 1), at(i, j + 1)});
        }
    }
    return m;
}

inline void WriteOff(const std::string &path, const Tri &m)
{
    std::ofstream out(path);
    out.precision(17);
    out << "OFF\n" << m.xyz.size() / 3 << " " << m.tris.size() / 3 << " 0\n";
    for (size_t i = 0; i < m.xyz.size(); i += 3) {
        out << m.xyz[i] << " " << m.xyz[i + 1] << " " << m.xyz[i + 2] << "\n";
    }
    for (size_t i = 0; i < m.tris.size(); i += 3) {
        out << "3 " << m.tris[i] << " " << m.tris[i + 1] << " " << m.tris[i + 2] << "\n";
    }
}

inline Tri ReadOff(const std::string &path)
{
    Tri m;
    std::ifstream in(path);
    std::string magic;
    size_t nv = 0, nf = 0, ne = 0;
    in >> magic >> nv >> nf >> ne;
    m.xyz.resize(nv * 3);
    for (double &v : m.xyz) {
        in >> v;
    }
    for (size_t f = 0; f < nf; ++f) {
        int k = 0;
        in >> k;
        std::vector<int> idx(static_cast<size_t>(k));
        for (int &i : idx) {
            in >> i;
        }
        for (int i = 1; i + 1 < k; ++i) {
            m.tris.insert(m.tris.end(), {idx[0], idx[static_cast<size_t>(i)], idx[static_cast<size_t>(i + 1)]});
        }
    }
    return m;
}

// Writes (once) and reads back the fixture pair of a resolution.
inline std::pair<std::string, std::string> FixturePaths(int segments)
{
    std::filesystem::path dir = std::filesystem::temp_directory_path() / "fennix_solid_fixtures";
    std::filesystem::create_directories(dir);
    std::string a = (dir / ("sphere_a_" + std::to_string(segments) + ".off")).string();
    std::string b = (dir / ("sphere_b_" + std::to_string(segments) + ".off")).string();
    WriteOff(a, UvSphere(0, 0, 0, 1.0, segments));
    WriteOff(b, UvSphere(0.4, 0.3, 0.2, 1.0, segments));
    return {a, b};
}

}  // namespace fixtures
