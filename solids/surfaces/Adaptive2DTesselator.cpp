#include "solids/surfaces/Adaptive2DTesselator.h"

#include <algorithm>
#include <cmath>

#include "solids/GmMeshBuilder.h"
#include "solids/SgSolvane.h"
#include "solids/modifiers/R3GenPolyFunc.h"

struct Adaptive2DTesselator::Cell {
    int level = 0;
    int x = 0, y = 0; // centre, quadtree units
    Cell *parent = nullptr;
    std::unique_ptr<Cell> children[4]; // (-,-) (+,-) (-,+) (+,+)
    bool IsLeaf() const { return !children[0]; }
    int Size() const { return kUnits >> level; }
};

namespace {
// Directions: 0 -x, 1 -y, 2 +x, 3 +y.
const int kDx[4] = {-1, 0, 1, 0};
const int kDy[4] = {0, -1, 0, 1};
// A split never goes deeper than one unit cell.
constexpr int kMaxLevel = 15;
} // namespace

Adaptive2DTesselator::Adaptive2DTesselator(const PointUVFunc *function, double tolerance, double minCell, bool flip,
                                           double maxCell)
    : m_function(function), m_tolerance(tolerance), m_minCell(int(minCell * kUnits)), m_maxCell(int(maxCell * kUnits)),
      m_flip(flip)
{
}

Adaptive2DTesselator::~Adaptive2DTesselator() = default;

Vec3 Adaptive2DTesselator::Evaluate(int x, int y) const
{
    return m_function->Evaluate(double(x) / kUnits, double(y) / kUnits);
}

int Adaptive2DTesselator::Sample(int x, int y)
{
    const long long key = (long long)(x) * (kUnits + 1) + y;
    auto found = m_sampleIndex.find(key);
    if (found != m_sampleIndex.end())
        return found->second;
    const int index = int(m_points.size());
    m_points.push_back(Evaluate(x, y));
    m_sampleIndex.emplace(key, index);
    ++m_nSamples;
    return index;
}

Adaptive2DTesselator::Cell *Adaptive2DTesselator::LeafAt(int x, int y) const
{
    if (x <= 0 || y <= 0 || x >= kUnits || y >= kUnits)
        return nullptr;
    Cell *cell = m_root.get();
    while (cell && !cell->IsLeaf())
        cell = cell->children[(x > cell->x ? 1 : 0) + (y > cell->y ? 2 : 0)].get();
    return cell;
}

Adaptive2DTesselator::Cell *Adaptive2DTesselator::Neighbour(const Cell *cell, int direction) const
{
    const int s = cell->Size();
    return LeafAt(cell->x + kDx[direction] * s, cell->y + kDy[direction] * s);
}

bool Adaptive2DTesselator::ShouldSplit(const Cell *cell)
{
    const int s = cell->Size();
    const int h = s / 2;
    if (!(m_minCell < h && s <= m_maxCell) || cell->level >= kMaxLevel)
        return false;
    // A split makes three leaves more, and balancing may split neighbours
    // too (each of them a coarser cell, at most one a level).
    if (m_nCells + 3 * (kMaxLevel + 2) > kMaxLeaves) {
        m_bCapped = true;
        return false;
    }
    const int step = std::max({m_minCell, s / 32, 1});
    // The fan: corner i-1, centre, corner i for the sides -x, -y, +x, +y.
    const Vec3 centre = Evaluate(cell->x, cell->y);
    const Vec3 corners[4] = {Evaluate(cell->x - h, cell->y - h), Evaluate(cell->x + h, cell->y - h),
                             Evaluate(cell->x + h, cell->y + h), Evaluate(cell->x - h, cell->y + h)};
    Vec3 normal[4];
    double offset[4];
    bool plane[4];
    for (int side = 0; side < 4; ++side) {
        const Vec3 &a = corners[(side + 3) % 4];
        const Vec3 &b = corners[side];
        plane[side] = PointUVFunc::HasData(a) && PointUVFunc::HasData(b) && PointUVFunc::HasData(centre) &&
                      PlaneThroughPoints(a, centre, b, normal[side], offset[side]);
    }
    for (int sy = cell->y - h + step / 2; sy < cell->y + h; sy += step) {
        for (int sx = cell->x - h + step / 2; sx < cell->x + h; sx += step) {
            const int dx = sx - cell->x, dy = sy - cell->y;
            // The fan triangle whose quadrant holds the sample.
            const int side = std::abs(dx) >= std::abs(dy) ? (dx < 0 ? 0 : 2) : (dy < 0 ? 1 : 3);
            if (!plane[side])
                continue;
            const Vec3 p = Evaluate(sx, sy);
            if (!PointUVFunc::HasData(p))
                continue;
            if (std::fabs(normal[side].Dot(p) - offset[side]) > m_tolerance)
                return true;
        }
    }
    return false;
}

void Adaptive2DTesselator::Split(Cell *cell, int depth)
{
    if (!cell->IsLeaf() || depth > kMaxLevel + 2)
        return;
    // Coarser neighbours first, so that levels differ by one at most.
    for (int direction = 0; direction < 4; ++direction) {
        Cell *neighbour = Neighbour(cell, direction);
        if (neighbour && neighbour->level < cell->level)
            Split(neighbour, depth + 1);
    }
    const int q = cell->Size() / 4;
    m_nCells += 3;
    for (int i = 0; i < 4; ++i) {
        auto child = std::make_unique<Cell>();
        child->level = cell->level + 1;
        child->x = cell->x + ((i & 1) ? q : -q);
        child->y = cell->y + ((i & 2) ? q : -q);
        child->parent = cell;
        cell->children[i] = std::move(child);
    }
    m_nMaxLevel = std::max(m_nMaxLevel, cell->level + 1);
}

void Adaptive2DTesselator::Refine(Cell *root)
{
    // Level by level, so that a cap on the cells leaves the surface evenly
    // coarse rather than fine in one corner and untouched in the rest.
    std::vector<Cell *> level = {root};
    while (!level.empty()) {
        std::vector<Cell *> next;
        for (Cell *cell : level) {
            if (cell->IsLeaf() && ShouldSplit(cell))
                Split(cell, 0);
            if (!cell->IsLeaf()) {
                for (auto &child : cell->children)
                    next.push_back(child.get());
            }
        }
        level = std::move(next);
    }
}

void Adaptive2DTesselator::Emit(const Cell *cell, std::vector<std::vector<int>> &triangles)
{
    if (!cell->IsLeaf()) {
        for (const auto &child : cell->children)
            Emit(child.get(), triangles);
        return;
    }
    ++m_nLeaves;
    const int h = cell->Size() / 2;
    const int centre = Sample(cell->x, cell->y);
    const int corner[4] = {Sample(cell->x - h, cell->y - h), Sample(cell->x + h, cell->y - h),
                           Sample(cell->x + h, cell->y + h), Sample(cell->x - h, cell->y + h)};
    // Side i runs from corner i-1 to corner i and faces -x, -y, +x, +y.
    const int facing[4] = {0, 1, 2, 3};
    auto add = [&](int a, int b, int c) {
        // Counter-clockwise seen from +z unless flipped.
        if (m_flip)
            triangles.push_back({a, b, c});
        else
            triangles.push_back({c, b, a});
    };
    for (int side = 0; side < 4; ++side) {
        const int from = corner[(side + 3) % 4], to = corner[side];
        const int direction = facing[side];
        // A finer neighbour has split this side: its midpoint joins the fan.
        const int nx = cell->x + kDx[direction] * cell->Size(), ny = cell->y + kDy[direction] * cell->Size();
        const Cell *across = LeafAt(nx, ny);
        if (across && across->level > cell->level) {
            const int mid = Sample(cell->x + kDx[direction] * h, cell->y + kDy[direction] * h);
            add(from, centre, mid);
            add(centre, to, mid);
        } else {
            add(from, centre, to);
        }
    }
}

solvane::GmGeom *Adaptive2DTesselator::Build()
{
    if (!m_function)
        return nullptr;
    m_points.clear();
    m_sampleIndex.clear();
    m_nLeaves = m_nMaxLevel = m_nSamples = 0;
    m_nCells = 1;
    m_bCapped = false;
    m_root = std::make_unique<Cell>();
    m_root->x = m_root->y = kUnits / 2;
    Refine(m_root.get());
    std::vector<std::vector<int>> triangles;
    Emit(m_root.get(), triangles);
    m_root.reset();

    // Triangles that touch a sample without data are left out, and so are
    // the samples no triangle keeps.
    solvane::GmMesh mesh;
    std::vector<int> renumber(m_points.size(), -1);
    for (const std::vector<int> &t : triangles) {
        if (!std::all_of(t.begin(), t.end(), [&](int i) { return PointUVFunc::HasData(m_points[size_t(i)]); }))
            continue;
        std::vector<int> face;
        for (int i : t) {
            if (renumber[size_t(i)] < 0) {
                renumber[size_t(i)] = int(mesh.points.size());
                mesh.points.push_back(m_points[size_t(i)]);
            }
            face.push_back(renumber[size_t(i)]);
        }
        mesh.polygons.push_back(face);
    }
    return solvane::geomFromMesh(mesh, SgSolvane::kTolerance, false);
}
