#include "solids/GmOctree.h"

#include <algorithm>

namespace solvane {

GmOctree::GmOctree(const GmBox &root, const std::vector<GmBox> &boxes) : m_boxes(boxes)
{
    m_cells.push_back(Cell{root, -1, 0, {}});
    for (int i = 0; i < static_cast<int>(boxes.size()); ++i) {
        if (boxes[static_cast<size_t>(i)].overlaps(root)) {
            m_cells[0].items.push_back(i);
        } else {
            ++m_setAside;
        }
    }
    m_entries = m_cells[0].items.size();
    m_maxEntries = kEntriesPerItem * std::max<size_t>(m_entries, 1);
    split(0, 0);
}

void GmOctree::split(int cell, int depth)
{
    const size_t n = m_cells[static_cast<size_t>(cell)].items.size();
    if (static_cast<int>(n) <= kLeafCapacity || depth >= kMaxDepth) {
        return;
    }
    const GmBox box = m_cells[static_cast<size_t>(cell)].box;
    const Vec3 c = (box.min + box.max) * 0.5;
    // The axes worth halving: few items straddle the mid-plane and some
    // lie wholly on each side.
    int axes[3];
    int axisCount = 0;
    for (int k = 0; k < 3; ++k) {
        size_t below = 0, above = 0, both = 0;
        for (int i : m_cells[static_cast<size_t>(cell)].items) {
            const GmBox &b = m_boxes[static_cast<size_t>(i)];
            const bool lo = b.min[k] <= c[k], hi = b.max[k] >= c[k];
            both += lo && hi;
            below += lo && !hi;
            above += hi && !lo;
        }
        if (both <= static_cast<size_t>(kMaxStraddling * static_cast<double>(n)) && below > 0 && above > 0) {
            axes[axisCount++] = k;
        }
    }
    if (axisCount == 0) {
        return;
    }
    std::vector<int> items = std::move(m_cells[static_cast<size_t>(cell)].items);
    m_cells[static_cast<size_t>(cell)].items.clear();
    const int count = 1 << axisCount;
    std::vector<Cell> children;
    for (int o = 0; o < count; ++o) {
        GmBox ob = box;
        for (int a = 0; a < axisCount; ++a) {
            const int k = axes[a];
            if (o & (1 << a)) {
                ob.min[k] = c[k];
            } else {
                ob.max[k] = c[k];
            }
        }
        children.push_back(Cell{ob, -1, 0, {}});
    }
    // Each item goes to the children its box overlaps, found from the sides
    // of the mid-planes it reaches (one pass over the items, not one per
    // child; every child still gets its items in ascending order). An item
    // in the cell overlaps it, so along each halved axis it reaches the
    // lower half when its min is at most the mid-plane and the upper half
    // when its max is at least it: what overlapping each child's box tells.
    size_t total = 0;
    for (int i : items) {
        const GmBox &b = m_boxes[static_cast<size_t>(i)];
        int lowMask = 0, highMask = 0;  // per halved axis: reaches the lower, the upper half
        for (int a = 0; a < axisCount; ++a) {
            const int k = axes[a];
            lowMask |= (b.min[k] <= c[k] ? 1 : 0) << a;
            highMask |= (b.max[k] >= c[k] ? 1 : 0) << a;
        }
        for (int o = 0; o < count; ++o) {
            // Child o takes the upper half along axis a when bit a is set.
            if (((o & highMask) == o) && ((~o & (count - 1) & lowMask) == (~o & (count - 1)))) {
                if (b.overlaps(children[static_cast<size_t>(o)].box)) {
                    children[static_cast<size_t>(o)].items.push_back(i);
                    ++total;
                }
            }
        }
    }
    if (m_entries - items.size() + total > m_maxEntries) {
        m_cells[static_cast<size_t>(cell)].items = std::move(items);
        return;
    }
    m_entries = m_entries - items.size() + total;
    const int first = static_cast<int>(m_cells.size());
    m_cells[static_cast<size_t>(cell)].children = first;
    m_cells[static_cast<size_t>(cell)].childCount = count;
    for (Cell &child : children) {
        m_cells.push_back(std::move(child));
    }
    for (int o = 0; o < count; ++o) {
        split(first + o, depth + 1);
    }
}

void GmOctree::collect(int cell, const GmBox &box, std::vector<int> &out) const
{
    const Cell &c = m_cells[static_cast<size_t>(cell)];
    if (!c.box.overlaps(box)) {
        return;
    }
    if (c.children < 0) {
        for (int i : c.items) {
            if (m_boxes[static_cast<size_t>(i)].overlaps(box)) {
                out.push_back(i);
            }
        }
        return;
    }
    for (int o = 0; o < c.childCount; ++o) {
        collect(c.children + o, box, out);
    }
}

size_t GmOctree::entryCount() const
{
    size_t n = 0;
    for (const Cell &c : m_cells) {
        n += c.items.size();
    }
    return n;
}

void GmOctree::query(const GmBox &box, std::vector<int> &out) const
{
    out.clear();
    collect(0, box, out);
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
}

}  // namespace solvane
