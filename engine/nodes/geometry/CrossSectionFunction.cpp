#include "engine/nodes/geometry/CrossSectionFunction.h"

#include <vector>

#include "engine/nodes/geometry/SgFaceSet.h"
#include "utilities/math/Vec2f.h"

void CrossSectionFunction::Fill(SgFaceSet *faceSet, const int *ring, int count, int orientation, const Vec3 &)
{
    if (faceSet && ring && count > 0)
        InsertOriented(faceSet, ring, count, orientation);
}

int CrossSectionFunction::AppendVertex(SgFaceSet *faceSet, const Vec3 &p) const
{
    const int index = faceSet->m_vertices.AddVal1(p);
    // Entries missing before this vertex name their own vertex.
    while (faceSet->m_vertexDuplication.GetCount() <= index)
        faceSet->m_vertexDuplication.AddVal1(faceSet->m_vertexDuplication.GetCount());
    if (m_bTexture) {
        while (faceSet->m_texCoord.GetCount() < index)
            faceSet->m_texCoord.AddVal1(Vec2f());
        faceSet->m_texCoord.AddVal1(Vec2f(float(p.x), float(p.y)));
    }
    return index;
}

int CrossSectionFunction::DuplicateOf(SgFaceSet *faceSet, int k) const
{
    const int original = faceSet->m_vertexDuplication.GetCount() > k ? faceSet->m_vertexDuplication.GetValue(k) : k;
    const Vec3 position = faceSet->m_vertices.GetValue(original);
    const int index = AppendVertex(faceSet, position);
    faceSet->m_vertexDuplication.SetValuePtr(&original, index, false, true);
    return index;
}

void CrossSectionFunction::InsertOriented(SgFaceSet *faceSet, const int *corners, int count, int orientation)
{
    faceSet->InsertFace(corners, orientation < 0 ? -1 : 1, &count, 0);
}

void RadialCrossSectionFunction::Fill(SgFaceSet *faceSet, const int *ring, int count, int orientation,
                                      const Vec3 &centre)
{
    if (m_iRings <= 0 || count < 3) {
        CrossSectionFunction::Fill(faceSet, ring, count, orientation, centre);
        return;
    }
    const int rings = m_iRings;
    std::vector<int> boundary(ring, ring + count);
    // The cap's own texture coordinates must not be shared with the sides.
    if (GetTextureFlag()) {
        for (int &index : boundary)
            index = DuplicateOf(faceSet, index);
    }
    const int middle = AppendVertex(faceSet, centre);
    const int first = faceSet->GetVertexCount();
    for (int p = 0; p < count; ++p) {
        const Vec3 outer = faceSet->m_vertices.GetValue(boundary[size_t(p)]);
        for (int k = 1; k < rings; ++k)
            AppendVertex(faceSet, centre + (outer - centre) * (double(k) / rings));
    }
    // Ring `rings` is the boundary itself.
    auto at = [&](int p, int k) { return k == rings ? boundary[size_t(p)] : first + p * (rings - 1) + (k - 1); };

    for (int p = 0; p < count; ++p) {
        const int q = (p + 1) % count;
        const int triangle[3] = {middle, at(p, 1), at(q, 1)};
        InsertOriented(faceSet, triangle, 3, orientation);
    }
    for (int k = 1; k < rings; ++k) {
        for (int p = 0; p < count; ++p) {
            const int q = (p + 1) % count;
            const int quad[4] = {at(p, k + 1), at(q, k + 1), at(q, k), at(p, k)};
            InsertOriented(faceSet, quad, 4, orientation);
        }
    }
}

void GridCrossSectionFunction::Fill(SgFaceSet *faceSet, const int *ring, int count, int orientation,
                                    const Vec3 &centre)
{
    const int w = m_iWidth;
    const int d = m_iDepth;
    if (w < 1 || d < 1 || count != 2 * (w + d)) {
        CrossSectionFunction::Fill(faceSet, ring, count, orientation, centre);
        return;
    }
    // table[b * (w + 1) + a]: column a along the width, row b along the depth.
    std::vector<int> table(size_t(w + 1) * size_t(d + 1), -1);
    auto cell = [&](int a, int b) -> int & { return table[size_t(b) * size_t(w + 1) + size_t(a)]; };
    for (int a = 0; a <= w; ++a) {
        cell(a, 0) = ring[a];
        cell(a, d) = ring[2 * w + d - a];
    }
    for (int b = 0; b <= d; ++b) {
        cell(w, b) = ring[w + b];
        cell(0, b) = ring[(2 * w + 2 * d - b) % count];
    }
    const Vec3 p00 = faceSet->m_vertices.GetValue(cell(0, 0));
    const Vec3 p10 = faceSet->m_vertices.GetValue(cell(w, 0));
    const Vec3 p11 = faceSet->m_vertices.GetValue(cell(w, d));
    const Vec3 p01 = faceSet->m_vertices.GetValue(cell(0, d));
    for (int b = 1; b < d; ++b) {
        const double v = double(b) / d;
        for (int a = 1; a < w; ++a) {
            const double u = double(a) / w;
            const Vec3 p = Interpolate(Interpolate(p00, p10, u), Interpolate(p01, p11, u), v);
            cell(a, b) = AppendVertex(faceSet, p);
        }
    }
    for (int b = 0; b < d; ++b) {
        for (int a = 0; a < w; ++a) {
            const int quad[4] = {cell(a, b), cell(a + 1, b), cell(a + 1, b + 1), cell(a, b + 1)};
            InsertOriented(faceSet, quad, 4, orientation);
        }
    }
}
