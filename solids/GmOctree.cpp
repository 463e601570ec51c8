#include "solids/GmOctree.h"

#include <algorithm>

namespace solvane {

GmOctree::GmOctree(const GmBox &root, const std::vector<GmBox> &boxes) : m_boxes(boxes)
{
    m_cells.push_back(Cell{root, -1, {}});
    for (int i = 0; i < static_cast<int>(boxes.size()); ++i) {
        if (boxes[static_cast<size_t>(i)].overlaps(root)) {
            m_cells[0].items.push_back(i);
        } else {
            ++m_setAside;
        }
    }
    split(0, 0);
}

void GmOctree::split(int cell, int depth)
{
    if (static_cast<int>(m_cells[static_cast<size_t>(cell)].items.size()) <= kLeafCapacity || depth >= kMaxDepth) {
        return;
    }
    GmBox box = m_cells[static_cast<size_t>(cell)].box;
    Vec3 c = (box.min + box.max) * 0.5;
    std::vector<int> items = std::move(m_cells[static_cast<size_t>(cell)].items);
    int first = static_cast<int>(m_cells.size());
    m_cells[static_cast<size_t>(cell)].children = first;
    m_cells[static_cast<size_t>(cell)].items.clear();
    size_t total = 0;
    for (int o = 0; o < 8; ++o) {
        GmBox ob;
        ob.min = Vec3((o & 4) ? c.x : box.min.x, (o & 2) ? c.y : box.min.y, (o & 1) ? c.z : box.min.z);
        ob.max = Vec3((o & 4) ? box.max.x : c.x, (o & 2) ? box.max.y : c.y, (o & 1) ? box.max.z : c.z);
        Cell child{ob, -1, {}};
        for (int i : items) {
            if (m_boxes[static_cast<size_t>(i)].overlaps(ob)) {
                child.items.push_back(i);
            }
        }
        total += child.items.size();
        m_cells.push_back(std::move(child));
    }
    // Elements that span every octant make splitting useless: stop there.
    if (total >= items.size() * 6) {
        m_cells.resize(static_cast<size_t>(first));
        m_cells[static_cast<size_t>(cell)].children = -1;
        m_cells[static_cast<size_t>(cell)].items = std::move(items);
        return;
    }
    for (int o = 0; o < 8; ++o) {
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
    for (int o = 0; o < 8; ++o) {
        collect(c.children + o, box, out);
    }
}

void GmOctree::query(const GmBox &box, std::vector<int> &out) const
{
    out.clear();
    collect(0, box, out);
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
}

}  // namespace solvane
