#include "engine/nodes/geometry/implicit/MetaBallAgragation.h"

#include <algorithm>
#include <cmath>

#include "platform/SgDiagnostics.h"

double BlobPoint::FieldValue(const Vec3 &p) const
{
    const Vec3 d = p - *m_pPoint;
    return 1.0 / (d.Length2() * kInverseSquareRadius + 0.0001);
}

void BlobPoint::GetBounds(float box[6]) const
{
    const Vec3 &p = *m_pPoint;
    box[0] = float(p.x - kHalfBox);
    box[1] = float(p.y - kHalfBox);
    box[2] = float(p.z - kHalfBox);
    box[3] = float(p.x + kHalfBox);
    box[4] = float(p.y + kHalfBox);
    box[5] = float(p.z + kHalfBox);
}

template <class Item>
Octree<Item>::Octree(const float lower[3], float size, int maxItems, int maxLevelCount, float minCellSize)
{
    std::copy(lower, lower + 3, m_lower);
    size = std::fabs(size);
    m_minCell = std::isfinite(minCellSize) ? std::max(minCellSize, 0.0f) : 0.0f;
    m_size = std::max({size, kMinSize, m_minCell});
    m_maxItems = std::max(maxItems, 1);
    m_maxLevel = std::clamp(maxLevelCount - 1, 0, kMaxLevelCount - 1);
}

template <class Item>
typename Octree<Item>::Bound Octree<Item>::RootBound() const
{
    Bound b;
    for (int a = 0; a < 3; ++a) {
        b.lower[a] = m_lower[a];
        b.upper[a] = m_lower[a] + m_size;
        b.centre[a] = m_lower[a] + m_size / 2.0f;
    }
    b.level = 0;
    return b;
}

template <class Item>
typename Octree<Item>::Bound Octree<Item>::SubBound(const Bound &b, int n)
{
    Bound s;
    for (int a = 0; a < 3; ++a) {
        const bool high = (n >> a) & 1;
        s.lower[a] = high ? b.centre[a] : b.lower[a];
        s.upper[a] = high ? b.upper[a] : b.centre[a];
        s.centre[a] = (s.lower[a] + s.upper[a]) / 2.0f;
    }
    s.level = b.level + 1;
    return s;
}

template <class Item>
bool Octree<Item>::Overlaps(const float box[6], const float lower[3], const float upper[3])
{
    for (int a = 0; a < 3; ++a)
        if (!(upper[a] >= box[a] && box[a + 3] >= lower[a]))
            return false;
    return true;
}

template <class Item>
int Octree<Item>::SubcellMask(const float box[6], const float centre[3])
{
    static constexpr int kHigh[3] = {170, 204, 240};
    static constexpr int kLow[3] = {85, 51, 15};
    int mask = 255;
    for (int a = 0; a < 3; ++a) {
        if (box[a] > centre[a])
            mask &= kHigh[a];
        else if (centre[a] > box[a + 3])
            mask &= kLow[a];
    }
    return mask;
}

template <class Item>
bool Octree<Item>::Insert(Item *item)
{
    if (!item)
        return false;
    float box[6];
    item->GetBounds(box);
    const Bound root = RootBound();
    if (!Overlaps(box, root.lower, root.upper))
        return false;
    InsertInto(m_root, root, item, box);
    return true;
}

template <class Item>
void Octree<Item>::InsertInto(std::unique_ptr<Cell> &slot, const Bound &bound, Item *item, const float box[6])
{
    if (!slot) {
        slot = std::make_unique<Cell>();
        slot->items.reserve(10);
        slot->items.push_back(item);
        return;
    }
    Cell &cell = *slot;
    if (!cell.leaf) {
        const int mask = SubcellMask(box, bound.centre);
        for (int n = 7; n >= 0; --n)
            if (mask & (1 << n))
                InsertInto(cell.sub[n], SubBound(bound, n), item, box);
        return;
    }
    if (std::find(cell.items.begin(), cell.items.end(), item) != cell.items.end())
        return;
    const float halfEdge = (bound.upper[0] - bound.lower[0]) / 2.0f;
    if (int(cell.items.size()) + 1 > m_maxItems && bound.level < m_maxLevel && halfEdge >= m_minCell) {
        auto branch = std::make_unique<Cell>();
        branch->leaf = false;
        std::vector<Item *> items;
        items.swap(cell.items);
        slot = std::move(branch);
        for (auto it = items.rbegin(); it != items.rend(); ++it) {
            float itemBox[6];
            (*it)->GetBounds(itemBox);
            InsertInto(slot, bound, *it, itemBox);
        }
        InsertInto(slot, bound, item, box);
        return;
    }
    cell.items.push_back(item);
}

template <class Item>
const std::vector<Item *> *Octree<Item>::LeafAt(const float point[3]) const
{
    Bound bound = RootBound();
    for (int a = 0; a < 3; ++a)
        if (!(point[a] >= bound.lower[a] && point[a] <= bound.upper[a]))
            return nullptr;
    const Cell *cell = m_root.get();
    while (cell && !cell->leaf) {
        const int n = (point[2] > bound.centre[2] ? 4 : 0) + (point[1] > bound.centre[1] ? 2 : 0) +
                      (point[0] > bound.centre[0] ? 1 : 0);
        bound = SubBound(bound, n);
        cell = cell->sub[n].get();
    }
    return cell ? &cell->items : nullptr;
}

template <class Item>
void Octree<Item>::Collect(const Cell *cell, int depth, Statistics &stats) const
{
    if (!cell)
        return;
    if (cell->leaf) {
        stats.bytes += 20 + 4 * long(cell->items.size());
        ++stats.leaves;
        stats.itemReferences += long(cell->items.size());
        stats.depth = std::max(stats.depth, depth);
        return;
    }
    stats.bytes += 36;
    for (const auto &sub : cell->sub)
        Collect(sub.get(), depth + 1, stats);
}

template <class Item>
typename Octree<Item>::Statistics Octree<Item>::GetStatistics() const
{
    Statistics stats;
    stats.bytes = 36;
    Collect(m_root.get(), 0, stats);
    return stats;
}

template class Octree<BlobElement>;

namespace {

float LargestExtent(const float box[6])
{
    return std::max({box[3] - box[0], box[4] - box[1], box[5] - box[2]});
}

} // namespace

MetaBallAgragation::MetaBallAgragation(const float box[6], const Vec3 *points, int count)
    : m_octree(box, LargestExtent(box), kMaxItemsPerCell, kMaxLevelCount, float(2.0 * BlobPoint::kHalfBox))
{
    if (!points || count <= 0)
        return;
    if (count > kMaxBlobs) {
        SgDiagWarning("Geometry", "Metaballs: %d points are more than the %d blobs one shape takes; the rest are "
                      "left out", count, kMaxBlobs);
        m_dropped += count - kMaxBlobs;
        count = kMaxBlobs;
    }
    // Reserved once: the octree keeps the blobs' addresses.
    m_blobs.reserve(size_t(count));
    for (int i = 0; i < count; ++i) {
        const Vec3 &p = points[i];
        if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) {
            ++m_dropped;
            continue;
        }
        m_blobs.emplace_back(&p);
        if (!m_octree.Insert(&m_blobs.back())) {
            m_blobs.pop_back();
            ++m_dropped;
        }
    }
}

double MetaBallAgragation::FieldValue(const Vec3 &world) const
{
    const Vec3 p = ToLocal(world);
    const float point[3] = {float(p.x), float(p.y), float(p.z)};
    const std::vector<BlobElement *> *items = m_octree.LeafAt(point);
    if (!items || items->empty())
        return 0.00001;
    double sum = 0.0;
    for (const BlobElement *item : *items)
        sum += item->FieldValue(p);
    return sum;
}
