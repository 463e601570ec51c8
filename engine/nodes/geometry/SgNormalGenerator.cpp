#include "engine/nodes/geometry/SgNormalGenerator.h"

#include <cmath>
#include <numbers>
#include <string>

#include "platform/SgDiagnostics.h"
#include "platform/SgError.h"

namespace {

// Below this length a face has no direction; it faces +x rather than
// producing a division by zero.
constexpr double kMinFaceNormal = 1e-22;
// Sums shorter than this are kept as they are.
constexpr float kMinVertexNormal = 1e-5f;

} // namespace

SgNormalGenerator::SgNormalGenerator(double creaseAngleDegrees) : m_dCreaseAngle(creaseAngleDegrees) {}

SgNormalGenerator::~SgNormalGenerator() = default;

void SgNormalGenerator::SetInput(int indexCount, const int *indexes, int coordCount, const Vec3 *coordinates)
{
    if (m_bFaceNormalsDone || m_bVertexNormalsDone)
        return;
    const bool usable = indexCount > 0 && indexes && coordCount > 0 && coordinates;
    m_vertexFaces.assign(usable ? static_cast<size_t>(coordCount) : 0, {});
    m_faces.clear();
    m_faces.reserve(usable ? static_cast<size_t>(indexCount * 0.4) : 0);
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
        const int face = static_cast<int>(m_faces.size());
        m_faces.push_back(FaceRecord{Vec3f(n), first, count});
        for (int k = 0; k < count; ++k) {
            std::vector<int> &around = m_vertexFaces[run[k]];
            // A face that passes a corner twice counts once there.
            if (around.empty() || around.back() != face)
                around.push_back(face);
        }
    }
    m_faces.shrink_to_fit();
    if (m_nDropped > 0)
        SgDiagWarning("Geometry",
                      "SgNormalGenerator: %d faces refer to coordinates outside 0..%d (first at index %d); "
                      "they are left out",
                      m_nDropped, m_nCoordinates - 1, firstDropped);
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
    for (int f = 0; f < GetFaceCount(); ++f) {
        const FaceRecord &face = m_faces[f];
        for (int k = face.firstIndex; k < face.firstIndex + face.count; ++k) {
            Vec3f sum = face.normal;
            for (int g : m_vertexFaces[m_pIndexes[k]]) {
                if (g != f && m_faces[g].normal.Dot(face.normal) > limit)
                    sum += m_faces[g].normal;
            }
            if (sum.Length() >= kMinVertexNormal)
                sum.Normalize(kMinVertexNormal);
            m_vertexNormals[k] = sum;
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
