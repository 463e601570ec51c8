#include "engine/nodes/geometry/SgFiletPolyLine.h"

#include <vector>

#include "engine/nodes/geometry/CornerFillet.h"
#include "engine/nodes/geometry/GeometryLog.h"

SG_CLASS_SOURCE(SgFiletPolyLine, SgGenPolyLine, SgFieldMngr, "SgFiletPolyLine")

namespace {
constexpr double kStepsPerTurn = 24.0;
}

SgFiletPolyLine::SgFiletPolyLine()
{
    AddField(m_coordinates, "coordinates");
    AddField(m_jumps, "jumps");
    AddField(m_filetRadius, "filetRadius", 0.1);
}

void SgFiletPolyLine::sample(int)
{
    m_coordinates.EvaluateAll();
    m_filetRadius.EvaluateAll();
    const std::vector<Vec3> &points = *m_coordinates.GetValueArray();
    const std::vector<double> &radii = *m_filetRadius.GetValueArray();
    FreeSamples();
    const int n = int(points.size());
    if (n < 3) {
        m_nSampleCount = 0;
        return;
    }
    if (radii.empty()) {
        GeometryLog(ReportMngr::LEVEL_WARN, "%s: \"filetRadius\" is empty; the curve is left empty",
                    GetClassName());
        m_nSampleCount = 0;
        return;
    }
    AllocSamples(int64_t(n) * FilletPointsPerCorner(kStepsPerTurn, 0));
    m_nSampleCount = FilletPolyline(n, points.data(), SampleData(), int(radii.size()), radii.data(), 0, false,
                                    kStepsPerTurn, nullptr);
}
