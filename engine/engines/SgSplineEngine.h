#pragma once
// Moves a point along a spline at constant speed: given the curve on its
// inputs (usually wired to a spline node's fields) and a fraction "U" of the
// arc length, publishes the point at that distance and the total length.
// The length table is rebuilt only when the curve may have changed.
#include <memory>
#include <vector>

#include "engine/engines/SgEngine.h"
#include "engine/core/NodaraExport.h"

// Turns a length along a curve into a fractional sample index: buckets of
// equal length point at the first sample of their stretch, so a lookup is a
// jump and a short forward scan.
class NODARA_API ArcLengthTable {
public:
    // `lengths` are the cumulative lengths of the samples (the first 0);
    // fewer than 3 buckets asks for twice the sample count.
    ArcLengthTable(const std::vector<double> &lengths, int buckets, double total);

    // The fractional sample index at length x; a stretch of no length
    // gives its start.
    double Lookup(double x) const;
    int GetBucketCount() const { return int(m_buckets.size()); }

private:
    std::vector<int> m_buckets;
    std::vector<double> m_lengths;
    double m_dTotal;
    double m_dWidth;
};

class NODARA_API SgSplineEngine : public SgEngine {
    SG_CLASS_HEADER(SgSplineEngine, SgFieldMngr)

    // Length samples per curve segment.
    static constexpr int kSamplesPerSegment = 10;

    SgSplineEngine();

    // Fewer than two points give the first point (or the origin) and length 0.
    void Evaluate() override;
    // A change reaching any input but "U" means the curve may have changed:
    // the spline node writes its change serial into "nodeCache" quietly, so
    // the serial alone would arrive late.
    void OnInputChange(DxInBase *input) override;

    // How many times the length table was built: a moving "U" alone builds
    // nothing.
    int GetRebuildCount() const { return m_nRebuilds; }

    DxInput1<int> m_type{this};
    DxInput1<int> m_closed{this};
    DxInput1<Vec3> m_coords{this};
    DxInput1<Vec3> m_cntrlPoints{this};
    DxInput1<float> m_weights{this};
    DxInput1<Vec3> m_scale{this};
    DxInput1<int> m_nodeCache{this};
    DxInput1<double> m_u{this};

    DxOutput<Vec3> m_point{this};
    DxOutput<double> m_length{this};

protected:
    ~SgSplineEngine() override;

private:
    int m_nCachedNode = 0;
    // Far from any scale a file holds, so that the first evaluation builds.
    Vec3 m_cachedScale{-12345.0, 67890.0, -11111.123};
    // What the control points were built from: a curve whose point count,
    // kind or closure changed is built again even with an unchanged
    // "nodeCache" (the control buffer would not match it).
    int m_nBuiltPoints = -1;
    int m_nBuiltType = -1;
    bool m_bBuiltClosed = false;
    std::vector<Vec3> m_control;
    double m_dTotal = 0.0;
    int m_nSegments = 0;
    std::vector<double> m_lengths;
    std::unique_ptr<ArcLengthTable> m_pTable;
    int m_nRebuilds = 0;
    bool m_bCurveChanged = true;
};
