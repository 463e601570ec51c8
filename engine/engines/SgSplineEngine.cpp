#include "engine/engines/SgSplineEngine.h"

#include <cmath>

#include "engine/nodes/geometry/SplineMath.h"

SG_CLASS_SOURCE(SgSplineEngine, SgEngine, SgFieldMngr, "SgSplineEngine")

// --- Arc-length table -------------------------------------------------------------------

ArcLengthTable::ArcLengthTable(const std::vector<double> &lengths, int buckets, double total)
    : m_lengths(lengths), m_dTotal(total)
{
    const int n = int(m_lengths.size());
    if (buckets < 3)
        buckets = 2 * n;
    if (buckets < 2)
        buckets = 2;
    m_dWidth = total / (buckets - 1) - 1e-8 / buckets;
    m_buckets.assign(size_t(buckets), 0);
    double x = 0.0;
    int j = 0;
    for (int b = 0; b + 1 < buckets; ++b) {
        x += m_dWidth;
        m_buckets[size_t(b)] = j;
        while (j + 1 < n && x >= m_lengths[size_t(j)])
            ++j;
    }
    m_buckets.back() = j;
}

double ArcLengthTable::Lookup(double x) const
{
    const int n = int(m_lengths.size());
    if (n < 2)
        return 0.0;
    const int count = int(m_buckets.size());
    // A curve of no length has one place: its start.
    const double q = m_dWidth > 0.0 ? x / m_dWidth : 0.0;
    int i;
    if (!(q >= 1.0)) {
        i = 0;
    } else if (q <= double(count - 1)) {
        int j = m_buckets[size_t(q)];
        while (j + 1 < n && x > m_lengths[size_t(j)])
            ++j;
        i = j > 0 ? j - 1 : 0;
    } else {
        i = n - 2;
    }
    if (i > n - 2)
        i = n - 2;
    const double span = m_lengths[size_t(i) + 1] - m_lengths[size_t(i)];
    return span > 0.0 ? i + (x - m_lengths[size_t(i)]) / span : double(i);
}

// --- Engine -----------------------------------------------------------------------------

namespace {

template <class T>
T ReadOr(const DxInput1<T> &input, const T &fallback)
{
    return input.GetSource() ? input.Get() : fallback;
}

} // namespace

SgSplineEngine::SgSplineEngine()
{
    AddField(m_type, "type");
    AddField(m_closed, "closed");
    AddField(m_coords, "coords");
    AddField(m_cntrlPoints, "cntrlPoints");
    AddField(m_weights, "weights");
    AddField(m_scale, "scale");
    AddField(m_nodeCache, "nodeCache");
    AddField(m_u, "U");
}

SgSplineEngine::~SgSplineEngine() = default;

void SgSplineEngine::OnInputChange(DxInBase *input)
{
    if (input != &m_u)
        m_bCurveChanged = true;
    SgEngine::OnInputChange(input);
}

void SgSplineEngine::Evaluate()
{
    double u = ReadOr(m_u, 0.0);
    if (!std::isfinite(u)) {
        EngineReport("SgSplineEngine: \"U\" is not a number; the start of the curve is taken");
        u = 0.0;
    }
    int kind = ReadOr(m_type, int(spline::kApproximating));
    const int n = m_coords.GetSource() ? m_coords.GetSize() : 0;
    const bool closed = n > 1 && ReadOr(m_closed, 0) != 0;
    const Vec3 scale = ReadOr(m_scale, Vec3(1.0, 1.0, 1.0));
    const int cache = ReadOr(m_nodeCache, 0);

    if (n < 2) {
        // Nothing to walk along: the one point there is, at no length.
        const Vec3 point = n == 1 ? m_coords.Get(0) : Vec3(0.0, 0.0, 0.0);
        const double zero = 0.0;
        m_point.set(&point);
        m_length.set(&zero);
        m_pTable.reset();
        m_nBuiltPoints = -1;
        return;
    }

    const Vec3 d = scale - m_cachedScale;
    const bool rebuild = cache != m_nCachedNode || d.x * d.x + d.y * d.y + d.z * d.z > 1e-7 ||
                         n != m_nBuiltPoints || kind != m_nBuiltType || closed != m_bBuiltClosed || !m_pTable ||
                         m_bCurveChanged;
    if (rebuild) {
        m_bCurveChanged = false;
        m_nCachedNode = cache;
        m_cachedScale = scale;
        m_nBuiltPoints = n;
        m_nBuiltType = kind;
        m_bBuiltClosed = closed;
        std::vector<Vec3> points(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i)
            points[size_t(i)] = m_coords.Get(i);
        std::vector<Vec3> handles;
        std::vector<float> weights;
        if (kind == spline::kHandles) {
            const int h = m_cntrlPoints.GetSource() ? m_cntrlPoints.GetSize() : 0;
            if (h < 2 * n) {
                EngineReport("SgSplineEngine: %d handles for %d points (2 a point are needed); the points are "
                             "joined by straight segments",
                             h, n);
                kind = spline::kPolyline;
            } else {
                handles.resize(size_t(h));
                for (int i = 0; i < h; ++i)
                    handles[size_t(i)] = m_cntrlPoints.Get(i);
            }
        } else {
            const int w = m_weights.GetSource() ? m_weights.GetSize() : 0;
            weights.resize(size_t(w));
            for (int i = 0; i < w; ++i)
                weights[size_t(i)] = m_weights.Get(i);
        }
        if (m_control.size() < size_t(spline::ControlCount(n)))
            m_control.resize(size_t(spline::ControlCount(n)));
        m_nSegments = spline::ToBezier(kind, closed, n, points.data(), int(weights.size()),
                                       weights.empty() ? nullptr : weights.data(), m_control.data(),
                                       handles.empty() ? nullptr : handles.data());
        const int samples = kSamplesPerSegment * m_nSegments + 1;
        m_lengths.assign(size_t(samples), 0.0);
        m_dTotal = spline::ArcLength(n, kSamplesPerSegment, m_control.data(), closed, m_nSegments,
                                     m_lengths.data(), scale);
        m_pTable = std::make_unique<ArcLengthTable>(m_lengths, 3 * samples, m_dTotal);
        ++m_nRebuilds;
    }
    const double f = m_pTable->Lookup(m_dTotal * u);
    const double t = f / (kSamplesPerSegment * m_nSegments);
    const Vec3 point = spline::EvalPoint(n, t, m_control.data(), closed);
    m_point.set(&point);
    m_length.set(&m_dTotal);
}
