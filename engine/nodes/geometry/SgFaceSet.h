#pragma once
// The mesh of the engine: polygon faces of one or more loops (an outer
// boundary, then holes) over a shared vertex array, each face with a surface
// id that groups faces into smooth surfaces (0: the face takes part in no
// smoothing). Every procedural shape builds its result into one; renderers,
// pickers, editing tools, the writer and the solid library read it.
//
// Besides its fields it keeps derived data: the cached box, one normal per
// face, per-vertex normal sums per surface id, and the duplicate table that
// maps each vertex to the representative of the vertices at its position.
//
// A loop that runs clockwise seen from one side has its normal pointing to
// that side; a face's normal is that of its first loop.
#include <vector>

#include "engine/core/SgVecField.h"
#include "engine/core/SgShape.h"
#include "utilities/math/Vec2f.h"
#include "engine/core/NodaraExport.h"

class NODARA_API SgFaceSet : public SgShape {
    SG_CLASS_HEADER(SgFaceSet, SgFieldMngr)

    // The per-surface normal sums at one (representative) vertex.
    struct VertexNormalRecord {
        static constexpr int kMaxSurfaces = 4;
        int count = 0;
        int surfaces[kMaxSurfaces] = {};
        Vec3f normals[kMaxSurfaces];
    };

    // "sizes", "loopCount" and "surfID" hold unsigned shorts: no loop, face
    // or surface id may go past this.
    static constexpr int kMaxShortValue = 65535;

    SgFaceSet();

    // An edit of the vertices moves the box; an edit of any array may make
    // the faces refer to something else, so their check runs again.
    void OnChange(SgField *field) override;

    // --- Appending faces ---------------------------------------------------
    // Each append goes through the fields' edit brackets. Faces that could
    // not be stored as given (a loop or face count beyond kMaxShortValue, no
    // loops, a negative size) are refused with a "Geometry" diagnostic:
    // the functions that say how many faces they appended give 0 then.

    void InsertFace3(int a, int b, int c, int surf);
    void InsertFace(int a, int b, int c, int d, int surf);
    // One face of abs(loops) loops whose sizes follow in `sizes`; the indexes
    // of all loops follow each other in `indexes`. A negative count reverses
    // every loop in place, keeping the loop order.
    bool InsertFace(const int *indexes, int loops, const int *sizes, int surf);
    // One loop of `count` indexes; a negative count appends the loop of
    // abs(count) indexes reversed, with surface id 0.
    bool InsertFace(const int *indexes, int count, int surf);
    // A quadrilateral (a, b, c, d), or (d, c, b, a) with `flip`, without the
    // corners that coincide with their successor (by duplicate-table entry
    // when "vertexDuplication" holds values). Three corners make a triangle;
    // four make one face, or two triangles (p0, p1, p2) and (p0, p2, p3)
    // when `split` is 2, or 1 and the fourth corner lies off the plane of
    // the first three. Fewer than three corners enclose nothing and append
    // nothing. Returns the number of faces appended.
    int InsertFace1(int a, int b, int c, int d, int surf, int split, bool flip);

    // --- Reading -------------------------------------------------------------

    int GetFaceCount() const { return m_loopCount.GetCount(); }
    int GetVertexCount() const { return m_vertices.GetCount(); }
    // The positions to draw: the point cache when a modifier hung one on
    // the face set, otherwise "vertices" (pulled through its module first).
    // Null when there are none.
    Vec3 *GetDeformedPoints();

    // Rebuilds the face normals and, with `vertexNormals`, the per-vertex
    // sums. An empty face set keeps what it had. A face whose loops, sizes or
    // indexes lie outside the arrays, or that refers to a vertex that does
    // not exist, gets the normal (0, 0, 1) and adds to no sum; the first
    // evaluation after a change says so in a diagnostic (Validate drops
    // such faces for good). Throws SgInvalidArgument when faces exist but
    // "indexes", "sizes" or "surfID" is empty.
    void EvaluateFaceNormals(bool vertexNormals);
    // Vertex normals come with EvaluateFaceNormals(true).
    void EvaluateVertexNormals() {}
    bool HasFaceNormals() const { return !m_faceNormals.empty(); }
    bool HasVertexNormals() const { return !m_vertexRecords.empty(); }
    // The getters first evaluate again (as the last evaluation did) when the
    // mesh was edited since, so they never hand out the normals of a former
    // mesh. They throw SgInvalidArgument for a face or vertex outside the
    // evaluated data.
    const Vec3 &GetFaceNormal(int face);
    // The sum at the vertex's representative for surface id `surf`: slot 0
    // when the record holds one id or `surf` is its first; else the slot of
    // `surf`, or the last slot when no slot holds it.
    const Vec3f &GetVertexNormal(int vertex, int surf);
    const VertexNormalRecord &GetVertexNormalRecord(int vertex);

    // One entry per vertex: the representative of the vertices at its
    // position. "vertexDuplication" when it holds values, otherwise an
    // identity table the face set owns; entries that name no vertex (and a
    // table shorter than the vertices) are replaced by the vertex itself.
    // Valid until the next call or edit.
    const int *UpdateDupTable();
    // The first representative vertex after `vertex` (-1 starts at the
    // beginning); the vertex count when there is none.
    int NextRepresentative(int vertex);

    // Computed on the first request that finds vertices, then kept until
    // "vertices" changes. No vertices: the zero box.
    Range<Vec3f> BoundingBox() override;
    // The normal of the face (the drawn face index, as a pick names it);
    // (0, 0, 1) for an index that names no face.
    Vec3 GetNormal(int face, Vec3 &normal) override;

    // Positions the path wrapper computed for the vertices; not owned.
    void SetWrappedPoints(Vec3 *points) { m_pWrappedPoints = points; }
    Vec3 *GetWrappedPoints() const { return m_pWrappedPoints; }

    // Drops the faces that EvaluateFaceNormals leaves out (faces outside
    // the arrays, referring to missing vertices or with a loop of fewer
    // than three corners) and resets duplicate entries that name no vertex,
    // each with one diagnostic unless `report` is false (a reader that tells
    // its user itself). For meshes from files and other untrusted sources.
    // Faces given by "sizes" without "loopCount" get one loop each.
    // Returns the number of faces dropped.
    int Validate(bool report = true);
    // Whether "surfID" holds only the zeros that Validate gave faces that
    // came without surface ids: the face set's text leaves them out, so that
    // it writes back as it was read. Any later change of "surfID" makes the
    // ids the face set's own.
    bool SurfacesImplied() const { return m_bSurfacesImplied; }

    SgVFVec3 m_vertices;
    SgVFVec2f m_texCoord;
    SgVFInt m_indexes;
    SgVFUShort m_sizes;
    SgVFUShort m_loopCount;
    SgVFUShort m_surfID;
    SgVFInt m_vertexDuplication;
    // Written by the sub-object editing tool; the face set neither fills
    // nor reads them.
    SgVFInt m_creaseEdges;
    SgVFInt m_cornerVertices;

protected:
    ~SgFaceSet() override;

private:
    // Where face f's loops and indexes begin, filled by ScanFaces.
    struct FaceSpan {
        int firstLoop;
        int firstIndex;
        int indexCount;
        bool valid;
    };

    // Walks the faces once and tells which of them the arrays can hold.
    // Returns the number of invalid ones; `firstBad` is the first of them.
    int ScanFaces(std::vector<FaceSpan> &spans, int &firstBad);
    bool AppendFace(const int *indexes, int loops, const int *sizes, int surf, bool reversed);
    int DupKey(int index);
    void RefreshNormals();
    bool IsMeshField(const SgField *field) const;

    Range<Vec3f> m_box;
    bool m_bBoxValid = false;
    bool m_bSurfacesImplied = false;
    Vec3 *m_pWrappedPoints = nullptr;
    std::vector<Vec3> m_faceNormals;
    std::vector<VertexNormalRecord> m_vertexRecords;
    // The representative of each vertex when the records were made.
    std::vector<int> m_recordOf;
    std::vector<int> m_dupTable;
    // The mesh changed since the last evaluation, which made vertex normals
    // when m_bLastWithVertexNormals is set.
    bool m_bNormalsStale = false;
    bool m_bLastWithVertexNormals = false;
    // Whether the faces found invalid since the last edit were reported.
    bool m_bReported = false;
};
