#include "engine/nodes/geometry/SgSpline.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "engine/nodes/geometry/SplineMath.h"
#include "platform/SgDiagnostics.h"
#include "platform/SgError.h"

SG_CLASS_SOURCE(SgSpline, SgPolyLine, SgFieldMngr, "SgSpline")
SG_CLASS_SOURCE(SgBSpline, SgSpline, SgFieldMngr, "SgBSpline")
SG_CLASS_SOURCE(SgBezierSpline, SgSpline, SgFieldMngr, "SgBezierSpline")

SgSpline::SgSpline()
{
    AddField(m_interpolate, "interpolate", 1);
    AddField(m_curveType, "curveType", 1);
    AddField(m_maxAngle, "maxAngle", 5.0f);
    AddField(m_maxSegLen, "maxSegLen", 0.2f);
    AddField(m_nodeCache, "nodeCache", 0);
    // The node's change serial, new in every run: written to a file it would
    // make the text differ each time the scene is read and saved.
    m_nodeCache.SetOutputOnly(true);
    m_samples.Set(20);
}

void SgSpline::OnChange(SgField *field)
{
    if (field == &m_nodeCache)
        return;
    SgPolyLine::OnChange(field);
    const int serial = int(GetNodeID());
    m_nodeCache.SetValuePtr(&serial, -1, false, true);
}

bool SgSpline::init(int s)
{
    FreeSamples();
    m_bSampled = false;
    m_control.clear();
    m_coordinates.EvaluateAll();
    const int n = m_coordinates.GetCount();
    if (n == 0)
        throw SgInvalidArgument(std::string(GetClassName()) + ": there are no coordinates to sample");
    const bool closed = IsClosed() && n > 1;
    const int64_t count = closed ? int64_t(n) * s : int64_t(n - 1) * s + 1;
    AllocSamples(count);
    if (n == 1) {
        SampleData()[0] = m_coordinates.GetValue(0, false);
        m_nSampleCount = 1;
        m_bSampled = true;
        return false;
    }
    m_control.assign(size_t(spline::ControlCount(n)), Vec3());
    m_nSampleCount = int(count);
    return true;
}

void SgSpline::sample(int n)
{
    FreeSamples();
    m_bSampled = false;
    m_coordinates.EvaluateAll();
    const int count = m_coordinates.GetCount();
    if (count > kMaxBezierPoints)
        throw SgCapacityError("zdfs");
    if (count == 0)
        return;
    const int per = n == -1 ? 10 : std::clamp(n, 1, kMaxSegmentSamples);
    const int total = per * count;
    AllocSamples(total);
    const Vec3 *p = GetCoordinates();
    std::vector<Vec3> q(static_cast<size_t>(count));
    double c = 1.0;
    for (int i = 0; i < count; ++i) {
        q[size_t(i)] = p[i] * c;
        c = c * (count - 1 - i) / (i + 1);
    }
    Vec3 *out = SampleData();
    for (int j = 0; j < total; ++j) {
        // One sample stands at the start rather than at 0 / 0.
        const double t = total > 1 ? double(j) / (total - 1) : 0.0;
        const double s = 1.0 - t;
        Vec3 sum;
        for (int i = 0; i < count; ++i)
            sum += q[size_t(i)] * (std::pow(t, i) * std::pow(s, count - 1 - i));
        out[j] = sum;
    }
    m_nSampleCount = total;
    m_bSampled = true;
}

namespace {

bool AllFinite(const Vec3 *points, int count)
{
    for (int i = 0; i < count; ++i)
        if (!std::isfinite(points[i].x) || !std::isfinite(points[i].y) || !std::isfinite(points[i].z))
            return false;
    return true;
}

} // namespace

void SgSpline::SamplePiecewise(int n, int kind, int weightCount, const float *weights, const Vec3 *handles)
{
    const int count = m_coordinates.GetCount();
    if (count == 0)
        return;
    // A point that is no number makes every sample near it none either.
    if (!AllFinite(GetCoordinates(), count) || (handles && !AllFinite(handles, 2 * count)))
        throw SgInvalidArgument(std::string(GetClassName()) + ": a point or handle is not a finite number");
    if (kind < spline::kPolyline || kind > spline::kHandles) {
        SgDiagWarning("Geometry", "%s: there is no curve type %d; it is drawn as type %d", GetClassName(), kind,
                      int(spline::kApproximating));
        kind = spline::kApproximating;
    }
    if (kind == spline::kHandles && !handles) {
        SgDiagWarning("Geometry", "%s: curve type %d needs handles, which it has none of; its points are joined by "
                      "straight segments",
                      GetClassName(), kind);
        kind = spline::kPolyline;
    }
    int s = n == -1 ? m_samples.Get(true) : n;
    if (s <= 0)
        s = 1;
    if (s > kMaxSegmentSamples)
        s = kMaxSegmentSamples;
    if (!init(s))
        return;
    const bool closed = IsClosed() && count > 1;
    const int segments = spline::ToBezier(kind, closed, count, GetCoordinates(), weightCount, weights,
                                          m_control.data(), handles);
    spline::SampleSegments(count, s, m_control.data(), SampleData(), closed, segments);
    std::vector<Vec3>().swap(m_control);
    m_bSampled = true;
}

SgBSpline::SgBSpline()
{
    AddField(m_weights, "weights", 1.0f);
    m_samples.Set(15);
}

void SgBSpline::sample(int n)
{
    m_coordinates.EvaluateAll();
    m_weights.EvaluateAll();
    const std::vector<float> &w = *m_weights.GetValueArray();
    SamplePiecewise(n, m_curveType.Get(true), int(w.size()), w.empty() ? nullptr : w.data(), nullptr);
}

int SgBSpline::FillGizmoLines(Vec3f *out)
{
    const int n = m_coordinates.GetCount();
    const Vec3 *p = GetCoordinates();
    const int lines = IsClosed() ? n : n - 1;
    for (int i = 0; i < lines; ++i) {
        *out++ = Vec3f(p[i]);
        *out++ = Vec3f(p[(i + 1) % n]);
    }
    return n;
}

SgBezierSpline::SgBezierSpline()
{
    AddField(m_cntrlPoints, "cntrlPoints");
    m_curveType.Set(3);
    m_samples.Set(15);
}

void SgBezierSpline::sample(int n)
{
    m_coordinates.EvaluateAll();
    m_cntrlPoints.EvaluateAll();
    const int count = m_coordinates.GetCount();
    const std::vector<Vec3> &h = *m_cntrlPoints.GetValueArray();
    if (count > 1 && int(h.size()) < 2 * count)
        throw SgInvalidArgument(std::string(GetClassName()) + ": " + std::to_string(count) +
                                " points need " + std::to_string(2 * count) + " handles in \"cntrlPoints\", not " +
                                std::to_string(h.size()));
    SamplePiecewise(n, spline::kHandles, 0, nullptr, h.empty() ? nullptr : h.data());
}

int SgBezierSpline::FillGizmoLines(Vec3f *out)
{
    const int n = m_coordinates.GetCount();
    if (m_cntrlPoints.GetCount() < 2 * n)
        throw SgInvalidArgument(std::string(GetClassName()) + ": \"cntrlPoints\" holds fewer than two handles per point");
    const Vec3 *p = GetCoordinates();
    for (int i = 0; i < n; ++i) {
        *out++ = Vec3f(p[i]);
        *out++ = Vec3f(p[i] + m_cntrlPoints.GetValue(2 * i));
        *out++ = Vec3f(p[i]);
        *out++ = Vec3f(p[i] + m_cntrlPoints.GetValue(2 * i + 1));
    }
    return 2 * n;
}
