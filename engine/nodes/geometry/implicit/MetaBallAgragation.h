#pragma once
// A point cloud or a mesh as one metaball primitive: a small spherical blob
// at every point, summed. To keep a field query cheap with thousands of
// points the blobs are filed in a loose octree: a blob goes into every leaf
// its box (the point +/- 0.2) overlaps, and a query sums only the blobs of
// the one leaf that holds the query point.
#include <memory>
#include <vector>

#include "engine/nodes/geometry/implicit/MetaBall.h"
#include "engine/core/NodaraExport.h"

// An item of the octree: a field with a box.
class NODARA_API BlobElement : public MetaBallObj {
public:
    // min x, y, z, max x, y, z.
    virtual void GetBounds(float box[6]) const = 0;
};

// A blob of radius 0.1 round a point the blob does not own: the point must
// stay unchanged while the blob lives.
class NODARA_API BlobPoint : public BlobElement {
public:
    static constexpr double kRadius = 0.1;
    static constexpr double kBoundFactor = 2.0;
    static constexpr double kInverseSquareRadius = 1.0 / (kRadius * kRadius);
    static constexpr double kHalfBox = kBoundFactor * kRadius;

    explicit BlobPoint(const Vec3 *point) : m_pPoint(point) {}
    // 1 / (d^2 / r^2 + 0.0001): 1.0 at about the blob radius.
    double FieldValue(const Vec3 &p) const override;
    void GetBounds(float box[6]) const override;

private:
    const Vec3 *m_pPoint;
};

// A loose octree of items with boxes. Leaves hold at most `maxItems` items
// (the next one splits them) except at the deepest level, which grows as it
// must. Items are not owned.
template <class Item>
class NODARA_API Octree {
public:
    static constexpr int kMaxLevelCount = 24;
    // The smallest root edge: a root of points that all lie at one place
    // still has room for their boxes.
    static constexpr float kMinSize = 1e-3f;

    // minCellSize: no cell is split into cells of a smaller edge. Items
    // larger than a cell go into every cell they overlap, so cells much
    // smaller than the items would multiply them without end.
    Octree(const float lower[3], float size, int maxItems, int maxLevelCount, float minCellSize = 0.0f);
    // False when the item's box misses the root cube (the item is dropped).
    bool Insert(Item *item);
    bool IsEmpty() const { return !m_root; }
    // The items of the leaf that holds the point; null outside the root cube
    // or in an empty cell.
    const std::vector<Item *> *LeafAt(const float point[3]) const;

    struct Statistics {
        long bytes = 0;
        int leaves = 0;
        long itemReferences = 0;
        int depth = 0;
    };
    Statistics GetStatistics() const;
    const float *GetLower() const { return m_lower; }
    float GetSize() const { return m_size; }
    int GetMaxItems() const { return m_maxItems; }
    int GetMaxLevelCount() const { return m_maxLevel + 1; }

private:
    struct Cell {
        bool leaf = true;
        std::unique_ptr<Cell> sub[8];
        std::vector<Item *> items;
    };
    struct Bound {
        float lower[3], upper[3], centre[3];
        int level;
    };
    Bound RootBound() const;
    static Bound SubBound(const Bound &b, int n);
    static bool Overlaps(const float box[6], const float lower[3], const float upper[3]);
    static int SubcellMask(const float box[6], const float centre[3]);
    void InsertInto(std::unique_ptr<Cell> &slot, const Bound &bound, Item *item, const float box[6]);
    void Collect(const Cell *cell, int depth, Statistics &stats) const;

    float m_lower[3];
    float m_size;
    int m_maxItems;
    int m_maxLevel;
    float m_minCell;
    std::unique_ptr<Cell> m_root;
};

class NODARA_API MetaBallAgragation : public MetaBallShape {
public:
    // Blobs beyond this count are left out, with a diagnostic.
    static constexpr int kMaxBlobs = 2000000;
    static constexpr int kMaxItemsPerCell = 30;
    static constexpr int kMaxLevelCount = 8;

    // box: min x, y, z, max x, y, z; points outside it are left out. The
    // points must outlive the aggregation.
    MetaBallAgragation(const float box[6], const Vec3 *points, int count);
    // The sum over the blobs of the leaf that holds the point; 0.00001 where
    // no blob is filed.
    double FieldValue(const Vec3 &p) const override;
    int GetBlobCount() const { return int(m_blobs.size()); }
    int GetDroppedCount() const { return m_dropped; }
    const Octree<BlobElement> &GetOctree() const { return m_octree; }

private:
    Octree<BlobElement> m_octree;
    std::vector<BlobPoint> m_blobs;
    int m_dropped = 0;
};
