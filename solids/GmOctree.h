#pragma once
// Octree candidate search, reduced to what the imprint needs:
// elements (by index) with boxes go into an octree whose root is the search
// box given at construction (never a fixed cube, so large models keep their
// speed and no pair is lost outside it); a query returns each candidate once,
// in ascending index order, so that nothing depends on addresses.
#include <vector>

#include "solids/GmGeom.h"
#include "solids/SolvaneExport.h"

namespace solvane {

class SOLVANE_API GmOctree {
public:
    static constexpr int kLeafCapacity = 25;
    static constexpr int kMaxDepth = 16;
    // A cell is halved only along the axes whose mid-plane separates its
    // items (at most this fraction of them straddles it); boxes that span
    // a cell in one direction are not copied into both halves level after
    // level.
    static constexpr double kMaxStraddling = 0.5;
    // No split once the leaves hold this many entries per item: memory stays
    // proportional to the items whatever their boxes.
    static constexpr size_t kEntriesPerItem = 8;

    // Elements whose boxes miss the root box are set aside: they can pair
    // with nothing inside the search box.
    GmOctree(const GmBox &root, const std::vector<GmBox> &boxes);

    // Indices of the elements whose boxes overlap the query box (equality
    // allowed), ascending, without duplicates.
    void query(const GmBox &box, std::vector<int> &out) const;

    int setAside() const { return m_setAside; }
    // Item entries over all leaves (an item is entered in every leaf its box
    // touches).
    size_t entryCount() const;

private:
    struct Cell {
        GmBox box;
        int children = -1;  // index of the first child, or -1 for a leaf
        int childCount = 0;  // 2, 4 or 8: halves along one, two or three axes
        std::vector<int> items;
    };
    void split(int cell, int depth);
    void collect(int cell, const GmBox &box, std::vector<int> &out) const;

    const std::vector<GmBox> &m_boxes;
    std::vector<Cell> m_cells;
    int m_setAside = 0;
    size_t m_entries = 0;
    size_t m_maxEntries = 0;
};

}  // namespace solvane
