#pragma once
// Octree candidate search, reduced to what the imprint needs:
// elements (by index) with boxes go into an octree whose root is the search
// box given at construction (never a fixed cube, so large models keep their
// speed and no pair is lost outside it); a query returns each candidate once,
// in ascending index order, so that nothing depends on addresses.
#include <vector>

#include "solids/GmGeom.h"

namespace solvane {

class GmOctree {
public:
    static constexpr int kLeafCapacity = 25;
    static constexpr int kMaxDepth = 16;

    // Elements whose boxes miss the root box are set aside: they can pair
    // with nothing inside the search box.
    GmOctree(const GmBox &root, const std::vector<GmBox> &boxes);

    // Indices of the elements whose boxes overlap the query box (equality
    // allowed), ascending, without duplicates.
    void query(const GmBox &box, std::vector<int> &out) const;

    int setAside() const { return m_setAside; }

private:
    struct Cell {
        GmBox box;
        int children = -1;  // index of the first of eight, or -1 for a leaf
        std::vector<int> items;
    };
    void split(int cell, int depth);
    void collect(int cell, const GmBox &box, std::vector<int> &out) const;

    const std::vector<GmBox> &m_boxes;
    std::vector<Cell> m_cells;
    int m_setAside = 0;
};

}  // namespace solvane
