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

// Up to this many corners a face finds a corner it passes twice by comparing
// it with the corners before it; larger faces mark the coordinates they met.
constexpr int kSmallFace = 8;

// How far (in radians) inside half the crease angle the faces around a
// coordinate must lie for the sum of all of them to be taken without
// comparing every pair, and the smallest such half angle: both well above
// what single precision resolves near a dot product of 1, so that every
// pair passes the pair test too.
constexpr double kConeMargin = 1e-3;
constexpr double kMinConeAngle = 1e-2;

// Whether the corner at position k of the run is the first there of its
// coordinate.
bool FirstInRun(const int *run, int k)
{
    for (int j = 0; j < k; ++j)
        if (run[j] == run[k])
            return false;
    return true;
}

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
    // The faces around each coordinate are counted as the faces are made
    // (in m_aroundStart[v + 1]), so that the adjacency needs one more pass
    // only. A face that passes a corner twice counts once there.
    const size_t coordinates = static_cast<size_t>(m_nCoordinates);
    m_aroundStart.assign(coordinates + 1, 0);
    int *counts = m_aroundStart.data() + 1;
    std::vector<int> seenBy;
    int firstDropped = -1;
    // Read through locals: the stores into the face array could otherwise
    // be taken to change them.
    const int *indexes = m_pIndexes;
    const int total = m_nIndexes;
    const Vec3 *points = m_pCoordinates;
    const int pointCount = m_nCoordinates;
    const double orientation = m_dOrientation;
    int faceCount = 0;
    for (int i = 0; i < total; ++i) {
        // A run ends at a negative entry or at the end of the list (so a
        // trailing separator leaves no run after it).
        const int first = i;
        int highest = -1;
        for (; i < total && indexes[i] >= 0; ++i)
            highest = std::max(highest, indexes[i]);
        const int count = i - first;
        if (count < 3)
            continue;
        if (highest >= pointCount) {
            if (firstDropped < 0)
                firstDropped = first;
            ++m_nDropped;
            continue;
        }
        const int *run = indexes + first;
        Vec3 n;
        if (count == 3) {
            const Vec3 &a = points[run[0]];
            const Vec3 &b = points[run[1]];
            const Vec3 &c = points[run[2]];
            n = (b - a).Cross(c - b);
        } else {
            for (int k = 0; k < count; ++k) {
                const Vec3 &s = points[run[k]];
                const Vec3 &t = points[run[k + 1 < count ? k + 1 : 0]];
                n.x += (s.y - t.y) * (s.z + t.z);
                n.y += (s.z - t.z) * (s.x + t.x);
                n.z += (s.x - t.x) * (s.y + t.y);
            }
        }
        const double length = n.Length();
        n = length > kMinFaceNormal ? n * (orientation / length) : Vec3(1.0, 0.0, 0.0);
        const int face = faceCount++;
        m_faces.push_back(FaceRecord{Vec3f(n), first, count});
        if (count <= kSmallFace) {
            ++counts[run[0]];
            for (int k = 1; k < count; ++k)
                if (FirstInRun(run, k))
                    ++counts[run[k]];
        } else {
            if (seenBy.empty())
                seenBy.assign(coordinates, -1);
            for (int k = 0; k < count; ++k) {
                int &seen = seenBy[static_cast<size_t>(run[k])];
                if (seen != face) {
                    seen = face;
                    ++counts[run[k]];
                }
            }
        }
    }
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
    // in [m_aroundStart[v], m_aroundStart[v + 1]), in face order: the counts
    // the face loop left become starts, then the faces are placed.
    const size_t coordinates = static_cast<size_t>(m_nCoordinates);
    for (size_t v = 0; v < coordinates; ++v)
        m_aroundStart[v + 1] += m_aroundStart[v];
    m_around.assign(static_cast<size_t>(m_aroundStart[coordinates]), 0);
    std::vector<int> next(m_aroundStart.begin(), m_aroundStart.end() - 1);
    int *place = next.data();
    int *around = m_around.data();
    std::vector<int> seenBy;
    const int faces = GetFaceCount();
    for (int f = 0; f < faces; ++f) {
        const FaceRecord &face = m_faces[static_cast<size_t>(f)];
        const int *run = m_pIndexes + face.firstIndex;
        if (face.count <= kSmallFace) {
            around[place[run[0]]++] = f;
            for (int k = 1; k < face.count; ++k)
                if (FirstInRun(run, k))
                    around[place[run[k]]++] = f;
        } else {
            if (seenBy.empty())
                seenBy.assign(coordinates, -1);
            for (int k = 0; k < face.count; ++k) {
                int &seen = seenBy[static_cast<size_t>(run[k])];
                if (seen != f) {
                    seen = f;
                    around[place[run[k]]++] = f;
                }
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

    const FaceRecord *faces = m_faces.data();
    const int faceCount = GetFaceCount();
    const int *around = m_around.data();
    const int *start = m_aroundStart.data();

    // Where every two faces around a coordinate are within the crease angle
    // of each other (the usual case on a smooth surface), each corner there
    // takes the sum of all of them: it is made once per coordinate rather
    // than once per corner, and differs from what the per-corner loop below
    // gives only by the rounding of the order of the sum. Every two are
    // within the angle when all lie within half of it (less a margin) of the
    // first: one comparison per face, and on a creased surface the first
    // that fails ends the test.
    const double half = angle / 2.0 - kConeMargin;
    const float coneLimit = half > kMinConeAngle ? static_cast<float>(std::cos(half)) : 2.0f;
    const size_t coordinates = static_cast<size_t>(m_nCoordinates);
    std::vector<Vec3f> shared(coordinates);
    std::vector<unsigned char> smooth(coordinates, 0);
    size_t smoothCount = 0;
    if (coneLimit <= 1.0f) {
        for (size_t v = 0; v < coordinates; ++v) {
            const int first = start[v], end = start[v + 1];
            if (first == end)
                continue;
            const Vec3f &a = faces[around[first]].normal;
            bool all = true;
            for (int i = first + 1; i < end && all; ++i) {
                const Vec3f &b = faces[around[i]].normal;
                all = b.x * a.x + b.y * a.y + b.z * a.z > coneLimit;
            }
            if (!all)
                continue;
            float sx = 0.0f, sy = 0.0f, sz = 0.0f;
            for (int i = first; i < end; ++i) {
                const Vec3f &n = faces[around[i]].normal;
                sx += n.x;
                sy += n.y;
                sz += n.z;
            }
            const float length = std::sqrt(sx * sx + sy * sy + sz * sz);
            if (!(length > 0.0f))
                continue;
            shared[v] = Vec3f(sx / length, sy / length, sz / length);
            smooth[v] = 1;
            ++smoothCount;
        }
    }
    // Where many corners are left to the per-corner loop, the face normals
    // are packed together for it: its inner loop reads nothing else.
    std::vector<Vec3f> packed;
    if (smoothCount < coordinates - coordinates / 8) {
        packed.reserve(static_cast<size_t>(faceCount));
        for (int f = 0; f < faceCount; ++f)
            packed.push_back(faces[f].normal);
    }

    // Written in index order, so that each entry is written once: zero at
    // separators and at the corners of left-out runs.
    m_vertexNormals.clear();
    m_vertexNormals.reserve(static_cast<size_t>(m_nIndexes));
    const auto corners = [&](auto normalOf) {
        for (int f = 0; f < faceCount; ++f) {
            const FaceRecord &face = faces[f];
            while (static_cast<int>(m_vertexNormals.size()) < face.firstIndex)
                m_vertexNormals.emplace_back();
            const float ox = face.normal.x, oy = face.normal.y, oz = face.normal.z;
            for (int k = face.firstIndex; k < face.firstIndex + face.count; ++k) {
                const int v = m_pIndexes[k];
                if (smooth[static_cast<size_t>(v)]) {
                    m_vertexNormals.push_back(shared[static_cast<size_t>(v)]);
                    continue;
                }
                float sx = ox, sy = oy, sz = oz;
                for (int i = start[v]; i < start[v + 1]; ++i) {
                    const int g = around[i];
                    const Vec3f &other = normalOf(g);
                    if (g != f && other.x * ox + other.y * oy + other.z * oz > limit) {
                        sx += other.x;
                        sy += other.y;
                        sz += other.z;
                    }
                }
                const float length = std::sqrt(sx * sx + sy * sy + sz * sz);
                m_vertexNormals.push_back(length > 0.0f ? Vec3f(sx / length, sy / length, sz / length)
                                                        : Vec3f(sx, sy, sz));
            }
        }
    };
    if (packed.empty()) {
        corners([faces](int g) -> const Vec3f & { return faces[g].normal; });
    } else {
        const Vec3f *normal = packed.data();
        corners([normal](int g) -> const Vec3f & { return normal[g]; });
    }
    m_vertexNormals.resize(static_cast<size_t>(m_nIndexes));
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
