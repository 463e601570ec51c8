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
    if (!faceSet)
        return;
    SgGenPolyLine *profile = GetProfile();
    if (!profile) {
        SgDiagWarning("Geometry", "SgSkeleton '%s': no profile to build a roof over", GetName().c_str());
        return;
    }
    profile->sample(-1);
    // The outer loop: the one of the largest area. Holes are not roofed
    // round, and loops are never run together into one outline.
    int outer = -1;
    double largest = 0.0;
    for (int l = 0; l < profile->NumLoops(); ++l) {
        const int size = profile->LoopSize(l);
        const Vec3 *points = size > 0 ? profile->GetLoop(l) : nullptr;
        if (!points)
            continue;
        const double area = std::fabs(LoopArea(points, size));
        if (outer < 0 || area > largest) {
            outer = l;
            largest = area;
        }
    }
    if (outer < 0) {
        SgDiagWarning("Geometry", "SgSkeleton '%s': the profile has no points", GetName().c_str());
        return;
    }
    if (profile->NumLoops() > 1)
        SgDiagInfo("Geometry", "SgSkeleton '%s': the roof stands on the profile's outer loop; %d inner loops are not "
                   "roofed round",
                   GetName().c_str(), profile->NumLoops() - 1);
    const Vec3 *points = profile->GetLoop(outer);
    const int size = profile->LoopSize(outer);
    std::vector<Vec3> outline;
    outline.reserve(size_t(size));
    for (int i = 0; i < size; ++i)
        outline.emplace_back(points[i].x, 0.0, points[i].y);

    const std::vector<double> &slopes = m_slope.GetValues();
    RoofBuildReport report;
    const double height = BuildStraightSkeletonRoof(outline, slopes.data(), int(slopes.size()), faceSet,
                                                    AddRoofVertex, AddRoofFace, AddRoofTexCoord, &report);
    if (height < 0.0)
        SgDiagWarning("Geometry", "SgSkeleton '%s': no roof over this profile: %s", GetName().c_str(),
                      report.error.c_str());
}
