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
    if (!m_bFaceNormalsDone)
        ComputeFaceNormals();
    ReportDroppedFaces();
}

void SgNormalGenerator::ReportDroppedFaces()
{
    if (!m_bReportPending)
        return;
    m_bReportPending = false;
    SgDiagWarning("Geometry",
                  "%sSgNormalGenerator: %d faces refer to coordinates outside 0..%d (first at index %d); "
                  "they are left out",
                  m_place.empty() ? "" : (m_place + ": ").c_str(), m_nDropped, m_nCoordinates - 1, m_nFirstDropped);
}

bool SgNormalGenerator::PrepareVertexNormals() noexcept
{
    try {
        if (!m_bVertexNormalsDone)
            ComputeVertexNormals();
        return true;
    } catch (...) {
        // Left as before the first computation, so that the next call on the
        // caller's thread computes again and reports what went wrong there.
        m_bFaceNormalsDone = false;
        m_bVertexNormalsDone = false;
        m_bReportPending = false;
        m_faces.clear();
        m_aroundStart.clear();
        m_around.clear();
        m_vertexNormals.clear();
        return false;
    }
}

void SgNormalGenerator::ComputeFaceNormals()
{
    m_bFaceNormalsDone = true;
    m_nDropped = 0;
    // Triangles take four entries of the index list each.
    m_faces.reserve(static_cast<size_t>(m_nIndexes / 4 + 1));
    int firstDropped = -1;
    // Read through locals: the stores into the face array could otherwise
    // be taken to change them.
    const int *indexes = m_pIndexes;
    const int total = m_nIndexes;
    const Vec3 *points = m_pCoordinates;
    const int pointCount = m_nCoordinates;
    const double orientation = m_dOrientation;
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
        m_faces.push_back(FaceRecord{Vec3f(), first, count});
    }
    // The normals apart from the walk above: a loop over independent faces
    // that nothing else in it holds up.
    FaceRecord *records = m_faces.data();
    const int faceCount = GetFaceCount();
    for (int f = 0; f < faceCount; ++f) {
        FaceRecord &face = records[f];
        const int *run = indexes + face.firstIndex;
        const int count = face.count;
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
        face.normal = Vec3f(length > kMinFaceNormal ? n * (orientation / length) : Vec3(1.0, 0.0, 0.0));
    }
    m_nFirstDropped = firstDropped;
    m_bReportPending = m_nDropped > 0;
}

void SgNormalGenerator::GenerateVertexNormals()
{
    if (!m_bVertexNormalsDone)
        ComputeVertexNormals();
    ReportDroppedFaces();
}

// What the steps of ComputeVertexNormals hand on: per coordinate, how many
// faces pass it and, where all of them lie within the crease angle of each
// other, the one normal its corners share.
struct SgNormalGenerator::CornerSharing {
    explicit CornerSharing(size_t coordinates) : valence(coordinates, 0), smooth(coordinates, 0) {}

    std::vector<int> valence;
    std::vector<unsigned char> smooth;
    std::vector<Vec3f> shared;
    size_t smoothCount = 0;
    // Which face last passed each coordinate, for faces too large to look
    // back along their own run; filled when first needed, -1 between uses.
    std::vector<int> seenBy;
};

void SgNormalGenerator::ComputeVertexNormals()
{
    if (!m_bFaceNormalsDone)
        ComputeFaceNormals();
    m_bVertexNormalsDone = true;
    double angle = m_dCreaseAngle * std::numbers::pi / 180.0;
    if (!(angle > 0.0))
        angle = 0.0;
    if (angle > std::numbers::pi)
        angle = std::numbers::pi;
    CornerSharing sharing(static_cast<size_t>(m_nCoordinates));
    ShareSmoothCoordinates(angle, sharing);
    ListFacesAround(sharing);
    BlendCornerNormals(static_cast<float>(std::cos(angle)), sharing);
}

// Calls visit(f, v) once for every face f and every coordinate v it passes,
// in face order: a face that passes a corner twice counts once there.
template <class Visit>
void SgNormalGenerator::EachCorner(CornerSharing &sharing, const Visit &visit) const
{
    const FaceRecord *faces = m_faces.data();
    const int faceCount = GetFaceCount();
    const size_t coordinates = static_cast<size_t>(m_nCoordinates);
    std::vector<int> &seenBy = sharing.seenBy;
    for (int f = 0; f < faceCount; ++f) {
        const int *run = m_pIndexes + faces[f].firstIndex;
        const int count = faces[f].count;
        if (count <= kSmallFace) {
            visit(f, run[0]);
            for (int k = 1; k < count; ++k)
                if (FirstInRun(run, k))
                    visit(f, run[k]);
        } else {
            if (seenBy.empty())
                seenBy.assign(coordinates, -1);
            for (int k = 0; k < count; ++k) {
                int &seen = seenBy[static_cast<size_t>(run[k])];
                if (seen != f) {
                    seen = f;
                    visit(f, run[k]);
                }
            }
        }
    }
    if (!seenBy.empty())
        seenBy.assign(coordinates, -1);
}

// Where every two faces around a coordinate are within the crease angle of
// each other (the usual case on a smooth surface), each corner there takes
// the sum of all of them: it is made once per coordinate rather than once
// per corner, and differs from what the per-corner loop gives only by the
// rounding of the order of the sum. Every two are within the angle when all
// lie within half of it (less a margin) of the first. Both the test and the
// sum are made in one walk over the faces, face by face as the faces around
// a coordinate are ordered, so only the coordinates where the test fails
// need their faces listed.
void SgNormalGenerator::ShareSmoothCoordinates(double angle, CornerSharing &sharing) const
{
    const FaceRecord *faces = m_faces.data();
    const size_t coordinates = static_cast<size_t>(m_nCoordinates);
    const double half = angle / 2.0 - kConeMargin;
    const float coneLimit = half > kMinConeAngle ? static_cast<float>(std::cos(half)) : 2.0f;
    if (coneLimit > 1.0f) {
        EachCorner(sharing, [&](int, int v) { ++sharing.valence[static_cast<size_t>(v)]; });
        return;
    }
    // What the walk keeps of a coordinate, together so that a corner touches
    // one place: the first face's normal, the sum, and whether every face so
    // far lies within the cone of the first.
    struct Seen {
        Vec3f first;
        Vec3f sum;
        int faces = 0;
        bool inCone = true;
    };
    std::vector<Seen> seen(coordinates);
    Seen *at = seen.data();
    EachCorner(sharing, [&](int f, int v) {
        Seen &c = at[v];
        const Vec3f &b = faces[f].normal;
        if (c.faces++ == 0) {
            c.first = b;
        } else if (c.inCone) {
            const Vec3f &a = c.first;
            c.inCone = b.x * a.x + b.y * a.y + b.z * a.z > coneLimit;
        }
        c.sum.x += b.x;
        c.sum.y += b.y;
        c.sum.z += b.z;
    });
    sharing.shared.resize(coordinates);
    for (size_t v = 0; v < coordinates; ++v) {
        const Seen &c = seen[v];
        sharing.valence[v] = c.faces;
        if (c.faces == 0 || !c.inCone)
            continue;
        const Vec3f sum = c.sum;
        const float length = std::sqrt(sum.x * sum.x + sum.y * sum.y + sum.z * sum.z);
        if (length > 0.0f) {
            sharing.shared[v] = Vec3f(sum.x / length, sum.y / length, sum.z / length);
            sharing.smooth[v] = 1;
            ++sharing.smoothCount;
        }
    }
}

// The faces around each coordinate not smoothed as a whole, in one array,
// those of coordinate v in [m_aroundStart[v], m_aroundStart[v + 1]), in face
// order.
void SgNormalGenerator::ListFacesAround(CornerSharing &sharing)
{
    const FaceRecord *faces = m_faces.data();
    const int faceCount = GetFaceCount();
    const size_t coordinates = static_cast<size_t>(m_nCoordinates);
    m_aroundStart.assign(coordinates + 1, 0);
    for (size_t v = 0; v < coordinates; ++v)
        m_aroundStart[v + 1] = m_aroundStart[v] + (sharing.smooth[v] ? 0 : sharing.valence[v]);
    m_around.assign(static_cast<size_t>(m_aroundStart[coordinates]), 0);
    if (m_around.empty())
        return;
    std::vector<int> &seenBy = sharing.seenBy;
    std::vector<int> next(m_aroundStart.begin(), m_aroundStart.end() - 1);
    int *place = next.data();
    int *list = m_around.data();
    const unsigned char *isSmooth = sharing.smooth.data();
    // Most corners of a smooth mesh are passed over at the first test.
    for (int f = 0; f < faceCount; ++f) {
        const int *run = m_pIndexes + faces[f].firstIndex;
        const int count = faces[f].count;
        for (int k = 0; k < count; ++k) {
            const int v = run[k];
            if (isSmooth[v])
                continue;
            if (count <= kSmallFace) {
                if (!FirstInRun(run, k))
                    continue;
            } else {
                if (seenBy.empty())
                    seenBy.assign(coordinates, -1);
                int &seen = seenBy[static_cast<size_t>(v)];
                if (seen == f)
                    continue;
                seen = f;
            }
            list[place[v]++] = f;
        }
    }
}

// Each corner's normal: the shared one of a smooth coordinate, else its
// face's normal plus those of the faces around within the crease limit.
void SgNormalGenerator::BlendCornerNormals(float limit, const CornerSharing &sharing)
{
    const FaceRecord *faces = m_faces.data();
    const int faceCount = GetFaceCount();
    const int *indexes = m_pIndexes;
    const size_t coordinates = static_cast<size_t>(m_nCoordinates);
    const int *around = m_around.data();
    const int *start = m_aroundStart.data();

    // Where many corners are left to the per-corner loop, the face normals
    // are packed together for it: its inner loop reads nothing else.
    std::vector<Vec3f> packed;
    if (sharing.smoothCount < coordinates - coordinates / 8) {
        packed.reserve(static_cast<size_t>(faceCount));
        for (int f = 0; f < faceCount; ++f)
            packed.push_back(faces[f].normal);
    }

    // Zero at separators and at the corners of left-out runs; every other
    // entry belongs to one face.
    m_vertexNormals.assign(static_cast<size_t>(m_nIndexes), Vec3f());
    Vec3f *out = m_vertexNormals.data();
    const unsigned char *isSmooth = sharing.smooth.data();
    const Vec3f *sharedNormal = sharing.shared.data();
    const auto corners = [&](auto normalOf) {
        for (int f = 0; f < faceCount; ++f) {
            const FaceRecord &face = faces[f];
            const float ox = face.normal.x, oy = face.normal.y, oz = face.normal.z;
            const int last = face.firstIndex + face.count;
            for (int k = face.firstIndex; k < last; ++k) {
                const int v = indexes[k];
                if (isSmooth[v]) {
                    out[k] = sharedNormal[v];
                    continue;
                }
                float sx = ox, sy = oy, sz = oz;
                for (int i = start[v], e = start[v + 1]; i < e; ++i) {
                    const int g = around[i];
                    const Vec3f &other = normalOf(g);
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
    };
    if (packed.empty()) {
        corners([faces](int g) -> const Vec3f & { return faces[g].normal; });
    } else {
        const Vec3f *normal = packed.data();
        corners([normal](int g) -> const Vec3f & { return normal[g]; });
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
