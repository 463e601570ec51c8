#include "engine/nodes/geometry/SgNormalGenerator.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>

#include "platform/SgDiagnostics.h"
#include "platform/SgError.h"

namespace {

// Below this length a face has no direction; it faces +x rather than
// producing a division by zero.
constexpr double kMinFaceNormal = 1e-22;

} // namespace

SgNormalGenerator::SgNormalGenerator(double creaseAngleDegrees) : m_dCreaseAngle(creaseAngleDegrees) {}

SgNormalGenerator::~SgNormalGenerator() = default;

void SgNormalGenerator::SetInput(int indexCount, const int *indexes, int coordCount, const Vec3 *coordinates)
{
    if (m_bFaceNormalsDone || m_bVertexNormalsDone)
        return;
    const bool usable = indexCount > 0 && indexes && coordCount > 0 && coordinates;
    m_aroundStart.clear();
    m_around.clear();
    m_faces.clear();
    m_pIndexes = usable ? indexes : nullptr;
    m_nIndexes = usable ? indexCount : 0;
    m_pCoordinates = usable ? coordinates : nullptr;
    m_nCoordinates = usable ? coordCount : 0;
    m_dOrientation = -1.0;
}

void SgNormalGenerator::SetCreaseAngle(double degrees)
{
    if (degrees == m_dCreaseAngle)
        return;
    m_dCreaseAngle = degrees;
    m_bVertexNormalsDone = false;
    m_vertexNormals.clear();
}

void SgNormalGenerator::GenerateFaceNormals()
{
    if (m_bFaceNormalsDone)
        return;
    m_bFaceNormalsDone = true;
    m_nDropped = 0;
    // Triangles take four entries of the index list each.
    m_faces.reserve(static_cast<size_t>(m_nIndexes / 4 + 1));
    int firstDropped = -1;
    int start = 0;
    for (int i = 0; i <= m_nIndexes; ++i) {
        if (i < m_nIndexes && m_pIndexes[i] >= 0)
            continue;
        // [start, i) is one run; a trailing separator leaves an empty one.
        const int count = i - start;
        const int first = start;
        start = i + 1;
        if (count < 3)
            continue;
        bool inside = true;
        for (int k = first; k < first + count && inside; ++k)
            inside = m_pIndexes[k] < m_nCoordinates;
        if (!inside) {
            if (firstDropped < 0)
                firstDropped = first;
            ++m_nDropped;
            continue;
        }
        const int *run = m_pIndexes + first;
        Vec3 n;
        if (count == 3) {
            const Vec3 &a = m_pCoordinates[run[0]];
            const Vec3 &b = m_pCoordinates[run[1]];
            const Vec3 &c = m_pCoordinates[run[2]];
            n = (b - a).Cross(c - b);
        } else {
            for (int k = 0; k < count; ++k) {
                const Vec3 &s = m_pCoordinates[run[k]];
                const Vec3 &t = m_pCoordinates[run[(k + 1) % count]];
                n.x += (s.y - t.y) * (s.z + t.z);
                n.y += (s.z - t.z) * (s.x + t.x);
                n.z += (s.x - t.x) * (s.y + t.y);
            }
        }
        const double length = n.Length();
        n = length > kMinFaceNormal ? n * (m_dOrientation / length) : Vec3(1.0, 0.0, 0.0);
        m_faces.push_back(FaceRecord{Vec3f(n), first, count});
    }
    m_faces.shrink_to_fit();
    BuildAdjacency();
    if (m_nDropped > 0)
        SgDiagWarning("Geometry",
                      "SgNormalGenerator: %d faces refer to coordinates outside 0..%d (first at index %d); "
                      "they are left out",
                      m_nDropped, m_nCoordinates - 1, firstDropped);
}

void SgNormalGenerator::BuildAdjacency()
{
    // The faces around each coordinate in one array, those of coordinate v
    // in [m_aroundStart[v], m_aroundStart[v + 1]): counted, then placed. A
    // face that passes a corner twice counts once there.
    const size_t coordinates = static_cast<size_t>(m_nCoordinates);
    m_aroundStart.assign(coordinates + 1, 0);
    std::vector<int> seenBy(coordinates, -1);
    const int faces = GetFaceCount();
    for (int f = 0; f < faces; ++f) {
        const FaceRecord &face = m_faces[static_cast<size_t>(f)];
        for (int k = face.firstIndex; k < face.firstIndex + face.count; ++k) {
            const int v = m_pIndexes[k];
            if (seenBy[static_cast<size_t>(v)] != f) {
                seenBy[static_cast<size_t>(v)] = f;
                ++m_aroundStart[static_cast<size_t>(v) + 1];
            }
        }
    }
    for (size_t v = 0; v < coordinates; ++v)
        m_aroundStart[v + 1] += m_aroundStart[v];
    m_around.assign(static_cast<size_t>(m_aroundStart[coordinates]), 0);
    std::vector<int> next(m_aroundStart.begin(), m_aroundStart.end() - 1);
    std::fill(seenBy.begin(), seenBy.end(), -1);
    for (int f = 0; f < faces; ++f) {
        const FaceRecord &face = m_faces[static_cast<size_t>(f)];
        for (int k = face.firstIndex; k < face.firstIndex + face.count; ++k) {
            const int v = m_pIndexes[k];
            if (seenBy[static_cast<size_t>(v)] != f) {
                seenBy[static_cast<size_t>(v)] = f;
                m_around[static_cast<size_t>(next[static_cast<size_t>(v)]++)] = f;
            }
        }
    }
}

void SgNormalGenerator::GenerateVertexNormals()
{
    if (m_bVertexNormalsDone)
        return;
    GenerateFaceNormals();
    m_bVertexNormalsDone = true;
    double angle = m_dCreaseAngle * std::numbers::pi / 180.0;
    if (!(angle > 0.0))
        angle = 0.0;
    if (angle > std::numbers::pi)
        angle = std::numbers::pi;
    const float limit = static_cast<float>(std::cos(angle));

    m_vertexNormals.assign(static_cast<size_t>(m_nIndexes), Vec3f());
    const FaceRecord *faces = m_faces.data();
    const int faceCount = GetFaceCount();
    // The face normals packed together: the inner loop reads nothing else.
    std::vector<Vec3f> normals(static_cast<size_t>(faceCount));
    for (int f = 0; f < faceCount; ++f)
        normals[static_cast<size_t>(f)] = faces[f].normal;
    const Vec3f *normal = normals.data();
    const int *around = m_around.data();
    const int *start = m_aroundStart.data();
    Vec3f *out = m_vertexNormals.data();
    for (int f = 0; f < faceCount; ++f) {
        const FaceRecord &face = faces[f];
        const float ox = face.normal.x, oy = face.normal.y, oz = face.normal.z;
        for (int k = face.firstIndex; k < face.firstIndex + face.count; ++k) {
            const int v = m_pIndexes[k];
            float sx = ox, sy = oy, sz = oz;
            for (int i = start[v]; i < start[v + 1]; ++i) {
                const int g = around[i];
                const Vec3f &other = normal[g];
                if (g != f && other.x * ox + other.y * oy + other.z * oz > limit) {
                    sx += other.x;
                    sy += other.y;
                    sz += other.z;
                }
            }
            const float length = std::sqrt(sx * sx + sy * sy + sz * sz);
            out[k] = length > 0.0f ? Vec3f(sx / length, sy / length, sz / length) : Vec3f(sx, sy, sz);
        }
    }
}

const SgNormalGenerator::FaceRecord &SgNormalGenerator::GetFace(int face) const
{
    if (face < 0 || face >= GetFaceCount())
        throw SgInvalidArgument("SgNormalGenerator: no face " + std::to_string(face));
    return m_faces[face];
}

const Vec3f &SgNormalGenerator::GetVertexNormal(int position) const
{
    if (position < 0 || position >= GetVertexNormalCount())
        throw SgInvalidArgument("SgNormalGenerator: no corner at index " + std::to_string(position));
    return m_vertexNormals[position];
}
