#include "engine/nodes/geometry/SgFaceSet.h"

#include <cstdlib>
#include <string>

#include "engine/core/GeomUtil.h"
#include "platform/SgDiagnostics.h"
#include "platform/SgError.h"

SG_CLASS_SOURCE(SgFaceSet, SgShape, SgFieldMngr, "SgFaceSet")

namespace {

// The squared distance of the fourth corner from the plane of the first
// three beyond which a quadrilateral counts as bent: just above 1e-10.
constexpr double kPlanarityLimit = 1.0000000000000002e-10;

void Refuse(const char *what)
{
    SgDiagWarning("Geometry", "SgFaceSet: %s; the face is not stored", what);
}

} // namespace

SgFaceSet::SgFaceSet()
{
    AddField(m_vertices, "vertices");
    AddField(m_texCoord, "texCoord");
    AddField(m_indexes, "indexes");
    AddField(m_sizes, "sizes");
    AddField(m_loopCount, "loopCount");
    AddField(m_surfID, "surfID");
    AddField(m_vertexDuplication, "vertexDuplication");
    AddField(m_creaseEdges, "creaseEdges");
    AddField(m_cornerVertices, "cornerVertices");
}

SgFaceSet::~SgFaceSet() = default;

bool SgFaceSet::IsMeshField(const SgField *field) const
{
    return field == &m_vertices || field == &m_indexes || field == &m_sizes || field == &m_loopCount ||
           field == &m_surfID || field == &m_vertexDuplication;
}

void SgFaceSet::OnChange(SgField *field)
{
    if (field == &m_vertices)
        m_bBoxValid = false;
    if (field == &m_surfID)
        m_bSurfacesImplied = false;
    if (!field || IsMeshField(field)) {
        m_bReported = false;
        if (HasFaceNormals())
            m_bNormalsStale = true;
    }
    SgShape::OnChange(field);
}

// --- Appending ---------------------------------------------------------------

bool SgFaceSet::AppendFace(const int *indexes, int loops, const int *sizes, int surf, bool reversed)
{
    if (loops <= 0) {
        Refuse("a face needs at least one loop");
        return false;
    }
    if (loops > kMaxShortValue) {
        Refuse("a face holds at most 65535 loops");
        return false;
    }
    if (!sizes) {
        Refuse("no loop sizes given");
        return false;
    }
    size_t total = 0;
    for (int i = 0; i < loops; ++i) {
        if (sizes[i] < 0 || sizes[i] > kMaxShortValue) {
            Refuse(("loop size " + std::to_string(sizes[i]) + " is outside 0..65535").c_str());
            return false;
        }
        total += static_cast<size_t>(sizes[i]);
    }
    if (total > 0 && !indexes) {
        Refuse("no vertex indexes given");
        return false;
    }

    // One append per value: each is a complete edit of its field, and the
    // arrays grow geometrically.
    m_loopCount.AddVal(static_cast<unsigned short>(loops));
    m_surfID.AddVal(static_cast<unsigned short>(surf));
    for (int i = 0; i < loops; ++i)
        m_sizes.AddVal(static_cast<unsigned short>(sizes[i]));
    size_t offset = 0;
    for (int i = 0; i < loops; ++i) {
        const size_t size = static_cast<size_t>(sizes[i]);
        // Each loop reversed in place when asked; the loops keep their order.
        for (size_t k = 0; k < size; ++k)
            m_indexes.AddVal(indexes[reversed ? offset + size - 1 - k : offset + k]);
        offset += size;
    }
    return true;
}

void SgFaceSet::InsertFace3(int a, int b, int c, int surf)
{
    const int indexes[3] = {a, b, c};
    const int size = 3;
    AppendFace(indexes, 1, &size, surf, false);
}

void SgFaceSet::InsertFace(int a, int b, int c, int d, int surf)
{
    const int indexes[4] = {a, b, c, d};
    const int size = 4;
    AppendFace(indexes, 1, &size, surf, false);
}

bool SgFaceSet::InsertFace(const int *indexes, int loops, const int *sizes, int surf)
{
    if (loops == 0) {
        Refuse("a face needs at least one loop");
        return false;
    }
    return AppendFace(indexes, loops < 0 ? -loops : loops, sizes, surf, loops < 0);
}

bool SgFaceSet::InsertFace(const int *indexes, int count, int surf)
{
    if (count < 0) {
        const int size = -count;
        return AppendFace(indexes, 1, &size, 0, true);
    }
    return AppendFace(indexes, 1, &count, surf, false);
}

int SgFaceSet::DupKey(int index)
{
    if (m_vertexDuplication.GetCount() == 0)
        return index;
    return m_vertexDuplication.GetValue(index);
}

int SgFaceSet::InsertFace1(int a, int b, int c, int d, int surf, int split, bool flip)
{
    const int corners[4] = {flip ? d : a, flip ? c : b, flip ? b : c, flip ? a : d};
    int keys[4];
    for (int i = 0; i < 4; ++i)
        keys[i] = DupKey(corners[i]);

    int kept[4];
    int keptKeys[4];
    int k = 0;
    for (int i = 0; i < 3; ++i) {
        if (keys[i] != keys[i + 1]) {
            keptKeys[k] = keys[i];
            kept[k++] = corners[i];
        }
    }
    // The fourth closes the loop: it is compared with the first corner kept
    // (the first corner itself when none was).
    if (keys[3] != (k > 0 ? keptKeys[0] : keys[0]))
        kept[k++] = corners[3];

    if (k < 3)
        return 0;
    if (k == 3 || split == 0) {
        AppendFace(kept, 1, &k, surf, false);
        return 1;
    }

    bool divide = split == 2;
    if (!divide) {
        const Vec3 &p0 = m_vertices.GetValue(kept[0]);
        const Vec3 &p1 = m_vertices.GetValue(kept[1]);
        const Vec3 &p2 = m_vertices.GetValue(kept[2]);
        const Vec3 &p3 = m_vertices.GetValue(kept[3]);
        const Vec3 n = (p1 - p0).Cross(p2 - p0);
        const double n2 = n.Length2();
        // Three collinear corners span no plane; the fourth then makes a
        // triangle of the quadrilateral, which is flat.
        if (n2 > 0.0) {
            const double h = (p3 - p0).Dot(n);
            divide = h * h / n2 > kPlanarityLimit;
        }
    }
    if (!divide) {
        AppendFace(kept, 1, &k, surf, false);
        return 1;
    }
    const int three = 3;
    const int first[3] = {kept[0], kept[1], kept[2]};
    const int second[3] = {kept[0], kept[2], kept[3]};
    AppendFace(first, 1, &three, surf, false);
    AppendFace(second, 1, &three, surf, false);
    return 2;
}

// --- Reading -------------------------------------------------------------------

Vec3 *SgFaceSet::GetDeformedPoints()
{
    if (Vec3 *points = GetPointCache())
        return points;
    m_vertices.EvaluateAll();
    std::vector<Vec3> *values = m_vertices.GetValueArray();
    return values->empty() ? nullptr : values->data();
}

const int *SgFaceSet::UpdateDupTable()
{
    const int vertexCount = m_vertices.GetCount();
    m_vertexDuplication.EvaluateAll();
    const std::vector<int> &dup = m_vertexDuplication.GetValues();
    if (!dup.empty()) {
        bool usable = static_cast<int>(dup.size()) >= vertexCount;
        for (int i = 0; usable && i < vertexCount; ++i)
            usable = dup[i] >= 0 && dup[i] < vertexCount;
        if (usable)
            return dup.data();
    }
    // Identity, or the entries that name a vertex with the others mapped to
    // themselves: a representative outside the vertices would be read past
    // the end of every per-vertex array.
    m_dupTable.resize(static_cast<size_t>(vertexCount));
    for (int i = 0; i < vertexCount; ++i) {
        const bool named = i < static_cast<int>(dup.size()) && dup[i] >= 0 && dup[i] < vertexCount;
        m_dupTable[i] = named ? dup[i] : i;
    }
    return m_dupTable.data();
}

int SgFaceSet::NextRepresentative(int vertex)
{
    const int vertexCount = m_vertices.GetCount();
    const int *dup = UpdateDupTable();
    int i = vertex < -1 ? 0 : vertex + 1;
    while (i < vertexCount && dup[i] != i)
        ++i;
    return i < vertexCount ? i : vertexCount;
}

int SgFaceSet::ScanFaces(std::vector<FaceSpan> &spans, int &firstBad)
{
    const int faceCount = m_loopCount.GetCount();
    const int loopTotal = m_sizes.GetCount();
    const int indexTotal = m_indexes.GetCount();
    const int vertexCount = m_vertices.GetCount();
    const std::vector<unsigned short> &loopCounts = m_loopCount.GetValues();
    const std::vector<unsigned short> &sizes = m_sizes.GetValues();
    const std::vector<int> &indexes = m_indexes.GetValues();

    spans.assign(static_cast<size_t>(faceCount), FaceSpan{0, 0, 0, false});
    int invalid = 0;
    firstBad = -1;
    int loop = 0;
    int index = 0;
    bool lost = false; // the arrays ended: later faces cannot be located
    for (int f = 0; f < faceCount; ++f) {
        FaceSpan &span = spans[f];
        span.firstLoop = loop;
        span.firstIndex = index;
        bool valid = !lost;
        const int loops = loopCounts[f];
        if (valid && loop + loops > loopTotal)
            valid = false, lost = true;
        int count = 0;
        bool tooSmall = false;
        for (int l = 0; valid && l < loops; ++l) {
            count += sizes[loop + l];
            // A loop of fewer than three corners encloses nothing.
            tooSmall = tooSmall || sizes[loop + l] < 3;
        }
        if (valid && index + count > indexTotal)
            valid = false, lost = true;
        valid = valid && !tooSmall;
        for (int i = 0; valid && i < count; ++i) {
            const int v = indexes[index + i];
            if (v < 0 || v >= vertexCount)
                valid = false;
        }
        if (!lost) {
            span.indexCount = count;
            loop += loops;
            index += count;
        }
        span.valid = valid;
        if (!valid) {
            if (firstBad < 0)
                firstBad = f;
            ++invalid;
        }
    }
    return invalid;
}

void SgFaceSet::EvaluateFaceNormals(bool vertexNormals)
{
    const int faceCount = GetFaceCount();
    if (faceCount == 0)
        return;
    m_indexes.EvaluateAll();
    m_sizes.EvaluateAll();
    m_loopCount.EvaluateAll();
    m_surfID.EvaluateAll();
    if (m_indexes.GetCount() == 0 || m_sizes.GetCount() == 0 || m_surfID.GetCount() == 0)
        throw SgInvalidArgument("SgFaceSet: faces without \"indexes\", \"sizes\" or \"surfID\"");

    const int vertexCount = GetVertexCount();
    const Vec3 *points = GetDeformedPoints();
    const int *dup = UpdateDupTable();

    std::vector<FaceSpan> spans;
    int firstBad = -1;
    const int invalid = ScanFaces(spans, firstBad);
    if (invalid > 0 && !m_bReported) {
        SgDiagWarning("Geometry",
                      "SgFaceSet: %d of %d faces lie outside the face arrays or refer to vertices "
                      "outside 0..%d (first: face %d); they are left out",
                      invalid, faceCount, vertexCount - 1, firstBad);
        m_bReported = true;
    }

    m_faceNormals.assign(static_cast<size_t>(faceCount), Vec3(0.0, 0.0, 1.0));
    m_vertexRecords.assign(static_cast<size_t>(vertexCount), VertexNormalRecord());
    m_recordOf.assign(dup, dup + vertexCount);
    m_bNormalsStale = false;
    m_bLastWithVertexNormals = vertexNormals;

    const std::vector<unsigned short> &loopCounts = m_loopCount.GetValues();
    const std::vector<unsigned short> &sizes = m_sizes.GetValues();
    const std::vector<unsigned short> &surfaces = m_surfID.GetValues();
    const std::vector<int> &indexes = m_indexes.GetValues();
    const int surfaceCount = static_cast<int>(surfaces.size());
    const auto *coordinates = reinterpret_cast<const double *>(points);

    for (int f = 0; f < faceCount; ++f) {
        const FaceSpan &span = spans[f];
        if (!span.valid)
            continue;
        const int loops = loopCounts[f];
        if (loops == 0)
            continue;
        const Vec3 normal = ComputeFaceNormal(coordinates, indexes.data() + span.firstIndex, sizes[span.firstLoop]);
        m_faceNormals[f] = normal;
        // A face past the end of "surfID" takes part in no smoothing.
        const int surf = f < surfaceCount ? surfaces[f] : 0;
        if (surf == 0 || !vertexNormals)
            continue;
        const Vec3f sum(normal);
        int offset = span.firstIndex;
        for (int l = 0; l < loops; ++l) {
            const int size = sizes[span.firstLoop + l];
            for (int i = 0; i < size; ++i) {
                VertexNormalRecord &record = m_vertexRecords[dup[indexes[offset + i]]];
                int slot = 0;
                while (slot < record.count && record.surfaces[slot] != surf)
                    ++slot;
                if (slot < record.count) {
                    record.normals[slot] += sum;
                } else if (record.count < VertexNormalRecord::kMaxSurfaces) {
                    record.surfaces[record.count] = surf;
                    record.normals[record.count] = sum;
                    ++record.count;
                }
            }
            offset += size;
        }
    }
}

void SgFaceSet::RefreshNormals()
{
    if (!m_bNormalsStale)
        return;
    if (GetFaceCount() == 0) {
        m_faceNormals.clear();
        m_vertexRecords.clear();
        m_recordOf.clear();
        m_bNormalsStale = false;
        return;
    }
    EvaluateFaceNormals(m_bLastWithVertexNormals);
}

const Vec3 &SgFaceSet::GetFaceNormal(int face)
{
    RefreshNormals();
    if (face < 0 || face >= static_cast<int>(m_faceNormals.size()))
        throw SgInvalidArgument("SgFaceSet: no normal of face " + std::to_string(face));
    return m_faceNormals[face];
}

Vec3 SgFaceSet::GetNormal(int face, Vec3 &normal)
{
    RefreshNormals();
    if (static_cast<int>(m_faceNormals.size()) != GetFaceCount())
        EvaluateFaceNormals(true);
    normal = face >= 0 && face < static_cast<int>(m_faceNormals.size()) ? m_faceNormals[face] : Vec3(0.0, 0.0, 1.0);
    return normal;
}

const SgFaceSet::VertexNormalRecord &SgFaceSet::GetVertexNormalRecord(int vertex)
{
    RefreshNormals();
    if (vertex < 0 || vertex >= static_cast<int>(m_vertexRecords.size()))
        throw SgInvalidArgument("SgFaceSet: no normal record of vertex " + std::to_string(vertex));
    return m_vertexRecords[m_recordOf[vertex]];
}

const Vec3f &SgFaceSet::GetVertexNormal(int vertex, int surf)
{
    const VertexNormalRecord &record = GetVertexNormalRecord(vertex);
    if (record.count == 1 || record.surfaces[0] == surf)
        return record.normals[0];
    for (int slot = 1; slot < VertexNormalRecord::kMaxSurfaces; ++slot) {
        if (record.surfaces[slot] == surf)
            return record.normals[slot];
    }
    return record.normals[VertexNormalRecord::kMaxSurfaces - 1];
}

Range<Vec3f> SgFaceSet::BoundingBox()
{
    if (m_bBoxValid)
        return m_box;
    if (m_vertices.GetCount() == 0) {
        m_box = Range<Vec3f>(Vec3f(0.0f, 0.0f, 0.0f), Vec3f(0.0f, 0.0f, 0.0f));
        return m_box;
    }
    const std::vector<Vec3> &vertices = m_vertices.GetValues();
    const Vec3f first(vertices.front());
    m_box = Range<Vec3f>(first, first);
    for (const Vec3 &v : vertices)
        m_box.Extend(Vec3f(v));
    m_bBoxValid = true;
    return m_box;
}

// --- Validation ------------------------------------------------------------------

int SgFaceSet::Validate(bool report)
{
    const int vertexCount = GetVertexCount();
    if (m_loopCount.GetCount() == 0 && m_sizes.GetCount() > 0) {
        // Faces given by their sizes alone: each is a face of one loop.
        const std::vector<unsigned short> ones(static_cast<size_t>(m_sizes.GetCount()), 1);
        m_loopCount.SetVals(static_cast<int>(ones.size()), ones.data());
        if (report)
            SgDiagWarning("Geometry", "SgFaceSet: no loopCount; each of the %d sizes taken as a face of one loop",
                          m_sizes.GetCount());
    }
    const int faceCount = GetFaceCount();

    // The table gets one entry per vertex; entries that name no vertex, and
    // vertices the table leaves out, stand for themselves.
    if (m_vertexDuplication.GetCount() > 0) {
        std::vector<int> dup = m_vertexDuplication.GetValues();
        int fixedEntries = std::abs(static_cast<int>(dup.size()) - vertexCount);
        dup.resize(static_cast<size_t>(vertexCount), -1);
        for (int i = 0; i < vertexCount; ++i) {
            if (dup[i] < 0 || dup[i] >= vertexCount) {
                if (i < static_cast<int>(m_vertexDuplication.GetCount()))
                    ++fixedEntries;
                dup[i] = i;
            }
        }
        if (fixedEntries > 0) {
            m_vertexDuplication.SetVals(static_cast<int>(dup.size()), dup.data());
            if (report)
                SgDiagWarning("Geometry",
                              "SgFaceSet: the duplicate table did not give one vertex of 0..%d for each vertex; "
                              "%d entries reset",
                              vertexCount - 1, fixedEntries);
        }
    }

    std::vector<FaceSpan> spans;
    int firstBad = -1;
    const int invalid = ScanFaces(spans, firstBad);
    // Arrays longer than the faces need are trimmed as well: every reader
    // takes the face arrays to agree.
    long loopSum = 0;
    for (unsigned short n : m_loopCount.GetValues())
        loopSum += n;
    long indexSum = 0;
    for (unsigned short n : m_sizes.GetValues())
        indexSum += n;
    const bool surfacesGiven = m_surfID.GetCount() > 0;
    const bool agree = m_surfID.GetCount() == faceCount && loopSum == m_sizes.GetCount() &&
                       indexSum == m_indexes.GetCount();
    if (invalid == 0 && agree)
        return 0;

    const std::vector<unsigned short> loopCounts = m_loopCount.GetValues();
    const std::vector<unsigned short> sizes = m_sizes.GetValues();
    const std::vector<unsigned short> surfaces = m_surfID.GetValues();
    const std::vector<int> indexes = m_indexes.GetValues();
    std::vector<unsigned short> keptLoops, keptSizes, keptSurfaces;
    std::vector<int> keptIndexes;
    for (int f = 0; f < faceCount; ++f) {
        const FaceSpan &span = spans[f];
        if (!span.valid)
            continue;
        keptLoops.push_back(loopCounts[f]);
        keptSurfaces.push_back(f < static_cast<int>(surfaces.size()) ? surfaces[f] : 0);
        keptSizes.insert(keptSizes.end(), sizes.begin() + span.firstLoop,
                         sizes.begin() + span.firstLoop + loopCounts[f]);
        keptIndexes.insert(keptIndexes.end(), indexes.begin() + span.firstIndex,
                           indexes.begin() + span.firstIndex + span.indexCount);
    }
    m_loopCount.SetVals(static_cast<int>(keptLoops.size()), keptLoops.data());
    m_surfID.SetVals(static_cast<int>(keptSurfaces.size()), keptSurfaces.data());
    m_sizes.SetVals(static_cast<int>(keptSizes.size()), keptSizes.data());
    m_indexes.SetVals(static_cast<int>(keptIndexes.size()), keptIndexes.data());
    if (!surfacesGiven)
        m_bSurfacesImplied = true;
    if (!report)
        return invalid;
    if (invalid > 0)
        SgDiagWarning("Geometry",
                      "SgFaceSet: %d of %d faces lay outside the face arrays or referred to vertices "
                      "outside 0..%d (first: face %d); dropped",
                      invalid, faceCount, vertexCount - 1, firstBad);
    else
        SgDiagWarning("Geometry", "SgFaceSet: the face arrays did not agree in length; trimmed to %d faces",
                      faceCount);
    return invalid;
}
