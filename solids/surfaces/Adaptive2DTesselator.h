#pragma once
// Turns a surface over the unit square into triangles whose density follows
// the surface: a quadtree of square cells (the square is 0 .. 32768 quadtree
// units on both axes), each cell drawn as a fan of four triangles around its
// centre, split while a sample inside it lies farther than the tolerance
// from its fan. Neighbouring cells never differ by more than one level; a
// coarse cell's side that borders a finer one takes its midpoint, so the
// mesh has no cracks. Triangles touching a sample without data are left out.
#include <memory>
#include <unordered_map>
#include <vector>

#include "solids/GmGeom.h"
#include "solids/surfaces/PointUVFunc.h"
#include "solids/SolvaneExport.h"

class SOLVANE_API Adaptive2DTesselator {
public:
    static constexpr int kUnits = 32768;
    // Cells are refined level by level, and no further once the leaves
    // would pass this many: the surface is then coarser than asked
    // (Capped()), but made.
    static constexpr int kMaxLeaves = 1 << 16;

    // minCell and maxCell are fractions of the unit square. Unflipped
    // triangles face +z where the surface rises with u and v as x and y do.
    Adaptive2DTesselator(const PointUVFunc *function, double tolerance, double minCell, bool flip, double maxCell);
    ~Adaptive2DTesselator();
    Adaptive2DTesselator(const Adaptive2DTesselator &) = delete;
    Adaptive2DTesselator &operator=(const Adaptive2DTesselator &) = delete;

    // Builds the triangles; the caller owns the geometry (an open sheet,
    // made with the library's working box and tolerance). Null without a
    // function.
    solvane::GmGeom *Build();

    // After Build: leaves of the quadtree and the finest level reached.
    int LeafCount() const { return m_nLeaves; }
    int MaxLevel() const { return m_nMaxLevel; }
    int SampleCount() const { return m_nSamples; }
    // Whether refinement stopped at kMaxLeaves.
    bool Capped() const { return m_bCapped; }

private:
    struct Cell;
    Cell *LeafAt(int x, int y) const;
    Cell *Neighbour(const Cell *cell, int direction) const;
    bool ShouldSplit(const Cell *cell);
    void Split(Cell *cell, int depth);
    void Refine(Cell *cell);
    void Emit(const Cell *cell, std::vector<std::vector<int>> &triangles);
    int Sample(int x, int y);
    Vec3 Evaluate(int x, int y) const;

    const PointUVFunc *m_function;
    double m_tolerance;
    int m_minCell;
    int m_maxCell;
    bool m_flip;
    std::unique_ptr<Cell> m_root;
    std::vector<Vec3> m_points;
    std::unordered_map<long long, int> m_sampleIndex;
    int m_nLeaves = 0;
    int m_nMaxLevel = 0;
    int m_nSamples = 0;
    int m_nCells = 1; // leaves of the tree being refined
    bool m_bCapped = false;
};
