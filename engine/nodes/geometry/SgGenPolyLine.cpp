#include "engine/nodes/geometry/SgGenPolyLine.h"

#include <new>
#include <string>

#include "engine/nodes/geometry/SgPolyLine.h"
#include "platform/SgError.h"

SG_CLASS_SOURCE(SgGenPolyLine, SgShape, SgFieldMngr, "SgGenPolyLine")

SgGenPolyLine::SgGenPolyLine()
{
    AddField(m_samples, "samples", 1);
    AddField(m_outPoints, "outPoints");
    // Derived from the curve at each sampling: never written to a file.
    m_outPoints.SetOutputOnly(true);
}

// Both constructors declare the same fields: a class's field table is taken
// from whichever object of it is built first.
SgGenPolyLine::SgGenPolyLine(const Vec3 *points, int n) : SgGenPolyLine()
{
    if (points && n > 0) {
        m_sampleBuffer.assign(points, points + n);
        m_nSampleCount = n;
    }
}

SgGenPolyLine::~SgGenPolyLine() = default;

Range<Vec3f> SgGenPolyLine::BoundingBox()
{
    const int n = GetSize();
    const Vec3 *points = n > 0 ? GetData() : nullptr;
    if (!points)
        return SgShape::BoundingBox();
    Range<Vec3f> box = Range<Vec3f>::Empty();
    for (int i = 0; i < n; ++i)
        box.Extend(Vec3f(float(points[i].x), float(points[i].y), float(points[i].z)));
    return box;
}

void SgGenPolyLine::copySampleToOut()
{
    auto *polyline = dynamic_cast<SgPolyLine *>(this);
    if (polyline && m_samples.Get(true) == 1) {
        const int n = polyline->OrigLoopSize(0);
        m_outPoints.SetVals(n, n > 0 ? polyline->GetCoordinates() : nullptr);
        return;
    }
    m_outPoints.SetVals(m_nSampleCount, SampleData());
}

void SgGenPolyLine::AllocSamples(int64_t needed, int64_t slack)
{
    if (needed < 0 || needed > kMaxSamplePoints)
        throw SgCapacityError(std::string(GetClassName()) + ": " + std::to_string(needed) +
                              " sample points are more than a curve holds (at most " +
                              std::to_string(kMaxSamplePoints) + ")");
    if (int64_t(m_sampleBuffer.size()) >= needed)
        return;
    const int64_t size = needed + (slack > 0 ? slack : 0);
    std::vector<Vec3> grown;
    try {
        grown.resize(size_t(size));
    } catch (const std::bad_alloc &) {
        throw SgOutOfMemory(std::string(GetClassName()) + ": no memory for " + std::to_string(size) +
                            " sample points");
    }
    m_sampleBuffer.swap(grown);
}

void SgGenPolyLine::FreeSamples()
{
    std::vector<Vec3>().swap(m_sampleBuffer);
    m_nSampleCount = 0;
}
