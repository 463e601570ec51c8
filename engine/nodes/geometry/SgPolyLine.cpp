#include "engine/nodes/geometry/SgPolyLine.h"

#include <algorithm>
#include <string>

#include "platform/SgError.h"

SG_CLASS_SOURCE(SgPolyLine, SgGenPolyLine, SgFieldMngr, "SgPolyLine")

SgPolyLine::SgPolyLine()
{
    AddField(m_coordinates, "coordinates");
    AddField(m_jumps, "jumps");
    AddField(m_closed, "closed", 0);
    m_samples.Set(1);
}

SgPolyLine::SgPolyLine(SgGenPolyLine *source) : SgPolyLine()
{
    if (!source)
        return;
    const int loops = source->NumLoops();
    for (int i = 0; i < loops; ++i) {
        const int n = source->LoopSize(i);
        if (n > 0)
            AddLoop(n, source->GetLoop(i));
    }
    m_closed.Set(source->IsClosed() ? 1 : 0);
    m_nSubdivision = 1;
}

SgPolyLine::~SgPolyLine() = default;

void SgPolyLine::OnChange(SgField *field)
{
    // Samples of other points would be read with the new loop layout, past
    // the buffer they were written into: the stored points stand in until
    // the next sample().
    if (field == &m_coordinates || field == &m_jumps || field == &m_closed)
        DropSamples();
    SgGenPolyLine::OnChange(field);
}

void SgPolyLine::DropSamples()
{
    m_bSampled = false;
    m_nSubdivision = 1;
    FreeSamples();
}

int SgPolyLine::GetSize() const
{
    return m_bSampled ? m_nSampleCount : m_coordinates.GetCount();
}

Vec3 *SgPolyLine::GetCoordinates()
{
    m_coordinates.EvaluateAll();
    std::vector<Vec3> &values = *m_coordinates.GetValueArray();
    return values.empty() ? nullptr : values.data();
}

Vec3 *SgPolyLine::GetData()
{
    return m_bSampled ? SampleData() : GetCoordinates();
}

const Vec3 *SgPolyLine::GetData() const
{
    return const_cast<SgPolyLine *>(this)->GetData();
}

Vec3 *SgPolyLine::GetDeformedPoints()
{
    if (Vec3 *deformed = GetPointCache())
        return deformed;
    return GetCoordinates();
}

void SgPolyLine::LoopRange(int loop, int &start, int &end)
{
    m_coordinates.EvaluateAll();
    m_jumps.EvaluateAll();
    const int n = m_coordinates.GetCount();
    const int jumps = m_jumps.GetCount();
    if (loop < 0 || loop > jumps)
        throw SgInvalidArgument("SgPolyLine: loop " + std::to_string(loop) + " outside 0.." +
                                std::to_string(jumps));
    start = loop == 0 ? 0 : m_jumps.GetValue(loop - 1, false);
    end = loop < jumps ? m_jumps.GetValue(loop, false) : n;
    // Only a polyline without points has an empty loop.
    const bool ordered = n == 0 ? start == 0 && end == 0 : 0 <= start && start < end && end <= n;
    if (!ordered)
        throw SgInvalidArgument("SgPolyLine: \"jumps\" do not split the " + std::to_string(n) +
                                " coordinates into ascending loops (loop " + std::to_string(loop) +
                                " would run from " + std::to_string(start) + " to " + std::to_string(end) +
                                ")");
}

int SgPolyLine::OrigLoopSize(int loop)
{
    int start = 0;
    int end = 0;
    LoopRange(loop, start, end);
    return end - start;
}

int SgPolyLine::LoopSize(int loop)
{
    const int o = OrigLoopSize(loop);
    const int f = m_bSampled ? m_nSubdivision : 1;
    if (o == 0)
        return 0;
    return IsClosed() ? o * f : (o - 1) * f + 1;
}

Vec3 *SgPolyLine::GetLoop(int loop)
{
    int start = 0;
    int end = 0;
    LoopRange(loop, start, end);
    if (!m_bSampled)
        return GetCoordinates() + start;
    const int64_t f = m_nSubdivision;
    const int64_t first = f * start;
    const int64_t size = end == start ? 0 : IsClosed() ? (end - start) * f : (end - start - 1) * f + 1;
    if (first + size > m_nSampleCount)
        throw SgInvalidArgument("SgPolyLine: loop " + std::to_string(loop) +
                                " lies past the samples taken; sample the curve again");
    return SampleData() + first;
}

void SgPolyLine::AddLoop(int n, const Vec3 *points)
{
    if (n < 0)
        throw SgInvalidArgument("SgPolyLine::AddLoop: negative point count " + std::to_string(n));
    if (n == 0)
        return;
    const int before = m_coordinates.GetCount();
    m_coordinates.AddVals(n, points);
    if (before > 0)
        m_jumps.AddVal(before);
}

void SgPolyLine::sample(int subdivision)
{
    const int s = subdivision == -1 ? m_samples.Get(true) : subdivision;
    if (s == 1) {
        DropSamples();
        return;
    }
    const int f = std::clamp(s, 1, kMaxSubdivision);
    const bool closed = IsClosed();
    m_coordinates.EvaluateAll();
    const int n = m_coordinates.GetCount();
    if (n == 0)
        throw SgInvalidArgument("SgPolyLine::sample: there are no coordinates to sample");

    // Every loop is checked before the buffer changes, so a refused layout
    // leaves the curve as it was.
    const int loops = NumLoops();
    std::vector<int> starts(size_t(loops) + 1);
    for (int i = 0; i < loops; ++i) {
        int end = 0;
        LoopRange(i, starts[size_t(i)], end);
    }
    starts[size_t(loops)] = n;

    const int64_t count = closed ? int64_t(n) * f + 1 : int64_t(n - 1) * f + 1;
    AllocSamples(count, 20);
    const Vec3 *coords = GetCoordinates();
    Vec3 *out = SampleData();
    const double step = 1.0 / f;

    // Repeated addition of the step, so that a segment's last sample lands
    // on its end within rounding, as the closing point does.
    int64_t pos = 0;
    Vec3 last = coords[0];
    for (int i = 0; i < loops; ++i) {
        const int start = starts[size_t(i)];
        const int m = starts[size_t(i) + 1] - start;
        const Vec3 *p = coords + start;
        if (closed) {
            for (int j = 0; j < m; ++j) {
                const Vec3 delta = (p[(j + 1) % m] - p[j]) * step;
                Vec3 q = p[j];
                for (int k = 0; k < f; ++k) {
                    out[pos++] = q;
                    q += delta;
                }
                last = q;
            }
        } else {
            // Each open loop starts at f * start and ends on its own last
            // point; the slots between two loops repeat the earlier end.
            const int64_t base = int64_t(f) * start;
            while (pos < base)
                out[pos++] = last;
            last = p[0];
            for (int j = 0; j + 1 < m; ++j) {
                const Vec3 delta = (p[j + 1] - p[j]) * step;
                Vec3 q = p[j];
                for (int k = 0; k < f; ++k) {
                    out[pos++] = q;
                    q += delta;
                }
                last = q;
            }
            out[pos++] = last;
        }
    }
    if (closed)
        out[pos++] = last;
    m_nSampleCount = int(pos);
    m_bSampled = true;
    m_nSubdivision = int16_t(f);
}
