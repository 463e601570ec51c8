#pragma once
// The frame of a path: for each path point the point, two cross-section
// axes (from a rings-only sweep of a two-point section) and the arc length
// up to it. Maps (distance along the path, first-axis offset, second-axis
// offset) to world space.
#include <vector>

#include "engine/nodes/geometry/GenericGeom.h"
#include "engine/core/NodaraExport.h"

class PolyVec;

class NODARA_API PathWrapper : public GenericGeom {
public:
    // A path of fewer than 2 points, of no length, closed (last point equal
    // to the first) or with a non-finite point gives no frame: the mapping is
    // then the identity, and the reason is logged.
    explicit PathWrapper(PolyVec &path);
    ~PathWrapper() override;
    PathWrapper(const PathWrapper &) = delete;
    PathWrapper &operator=(const PathWrapper &) = delete;

    Vec3 operator()(const Vec3 &p) const;
    bool IsValid() const { return m_bValid; }
    double Length() const { return m_lengths.empty() ? 0.0 : m_lengths.back(); }
    const Vec3 &FirstAxis(int i) const { return m_first.at(size_t(i)); }
    const Vec3 &SecondAxis(int i) const { return m_second.at(size_t(i)); }

private:
    void *AddVertex(const Vec3 &p) override;

    int m_nLast = -1;
    int m_nVertices = 0;
    std::vector<double> m_lengths;
    std::vector<Vec3> m_first;
    std::vector<Vec3> m_second;
    std::vector<Vec3> m_points;
    std::vector<int> m_buckets;
    int m_nBuckets = 0;
    double m_dBucketLength = 0.0;
    bool m_bValid = false;
};
