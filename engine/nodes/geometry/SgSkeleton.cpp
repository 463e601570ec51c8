#include "engine/nodes/geometry/SgSkeleton.h"

#include <cmath>
#include <vector>

#include "engine/nodes/geometry/SgFaceSet.h"
#include "engine/nodes/geometry/SgGenPolyLine.h"
#include "engine/nodes/geometry/skeleton/RoofBuilder.h"
#include "platform/SgDiagnostics.h"

SG_CLASS_SOURCE(SgSkeleton, SgExtrude, SgFieldMngr, "SgSkeleton")

namespace {

// Twice the signed area of a loop in XY.
double LoopArea(const Vec3 *points, int count)
{
    double area = 0.0;
    for (int i = 0; i < count; ++i) {
        const Vec3 &a = points[i], &b = points[(i + 1) % count];
        area += a.x * b.y - b.x * a.y;
    }
    return area;
}

// Whether a point lies inside a loop in XY (crossings of a ray along +x).
bool Contains(const Vec3 *points, int count, const Vec3 &p)
{
    bool inside = false;
    for (int i = 0, j = count - 1; i < count; j = i++) {
        const Vec3 &a = points[i], &b = points[j];
        if ((a.y > p.y) != (b.y > p.y) && p.x < a.x + (p.y - a.y) * (b.x - a.x) / (b.y - a.y))
            inside = !inside;
    }
    return inside;
}

} // namespace

SgSkeleton::SgSkeleton()
{
    AddField(m_slope, "slope", 45.0);
}

SgSkeleton::~SgSkeleton() = default;

int SgSkeleton::AddRoofVertex(void *user, const Vec3 *position, int previousCopy)
{
    auto *faceSet = static_cast<SgFaceSet *>(user);
    const int index = faceSet->m_vertices.AddVal1(*position);
    faceSet->m_vertexDuplication.AddVal1(previousCopy < 0 ? index : previousCopy);
    return index;
}

void SgSkeleton::AddRoofFace(void *user, const int *indices, int count)
{
    // The builder's faces (positive counts) run counter-clockwise seen from
    // outside, a face set's the other way: they are stored reversed. A
    // negative count is a loop already in the face set's order.
    if (count != 0)
        static_cast<SgFaceSet *>(user)->InsertFace(indices, -count, 0);
}

void SgSkeleton::AddRoofTexCoord(void *user, const Vec2f *uv)
{
    static_cast<SgFaceSet *>(user)->m_texCoord.GetValueArray()->push_back(*uv);
}

void SgSkeleton::DoExtrude(SgFaceSet *faceSet, SgAction *)
{
    m_buildFailure.clear();
    if (!faceSet)
        return;
    SgGenPolyLine *profile = GetProfile();
    if (!profile) {
        m_buildFailure = "no profile to build a roof over";
        SgDiagWarning("Geometry", "SgSkeleton '%s': no profile to build a roof over", GetName().c_str());
        return;
    }
    profile->sample(-1);
    // Every loop that lies inside no other is a building of its own and gets
    // its own roof; loops inside another are holes, which the roof does not
    // go round. Loops are never run together into one outline.
    struct Loop {
        const Vec3 *points;
        int size;
    };
    std::vector<Loop> loops;
    for (int l = 0; l < profile->NumLoops(); ++l) {
        const int size = profile->LoopSize(l);
        const Vec3 *points = size > 0 ? profile->GetLoop(l) : nullptr;
        if (points && LoopArea(points, size) != 0.0)
            loops.push_back({points, size});
    }
    if (loops.empty()) {
        m_buildFailure = "the profile has no loop to roof";
        SgDiagWarning("Geometry", "SgSkeleton '%s': the profile has no loop to roof", GetName().c_str());
        return;
    }
    int holes = 0;
    const std::vector<double> &slopes = m_slope.GetValues();
    for (size_t l = 0; l < loops.size(); ++l) {
        bool inside = false;
        for (size_t other = 0; other < loops.size() && !inside; ++other)
            inside = other != l && std::fabs(LoopArea(loops[other].points, loops[other].size)) >
                                       std::fabs(LoopArea(loops[l].points, loops[l].size)) &&
                     Contains(loops[other].points, loops[other].size, loops[l].points[0]);
        if (inside) {
            ++holes;
            continue;
        }
        std::vector<Vec3> outline;
        outline.reserve(size_t(loops[l].size));
        for (int i = 0; i < loops[l].size; ++i)
            outline.emplace_back(loops[l].points[i].x, 0.0, loops[l].points[i].y);
        RoofBuildReport report;
        const double height = BuildStraightSkeletonRoof(outline, slopes.data(), int(slopes.size()), faceSet,
                                                        AddRoofVertex, AddRoofFace, AddRoofTexCoord, &report);
        if (height < 0.0) {
            m_buildFailure = "no roof over profile loop " + std::to_string(l) + ": " + report.error;
            SgDiagWarning("Geometry", "SgSkeleton '%s': no roof over profile loop %d: %s", GetName().c_str(),
                          int(l), report.error.c_str());
        }
    }
    if (holes > 0)
        SgDiagInfo("Geometry", "SgSkeleton '%s': %d profile loops lie inside another and are not roofed round",
                   GetName().c_str(), holes);
}
