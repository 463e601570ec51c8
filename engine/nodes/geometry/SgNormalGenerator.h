#pragma once
// Face normals and smoothed vertex normals of an indexed face list: runs of
// coordinate indexes separated by negative entries, over a coordinate array.
// Each kind of normal is computed once; the input is taken once, before the
// first computation.
//
// The normals follow the engine's orientation: a face that runs clockwise
// seen from one side faces that side.
#include <string>
#include <utility>
#include <vector>

#include "utilities/math/Vec3.h"
#include "utilities/math/Vec3f.h"
#include "engine/core/NodaraExport.h"

class NODARA_API SgNormalGenerator {
public:
    struct FaceRecord {
        Vec3f normal;
        int firstIndex; // position of the first corner in the index list
        int count;      // corners
    };

    explicit SgNormalGenerator(double creaseAngleDegrees = 0.0);
    SgNormalGenerator(const SgNormalGenerator &) = delete;
    SgNormalGenerator &operator=(const SgNormalGenerator &) = delete;
    virtual ~SgNormalGenerator();

    // Neither array is copied: both must stay as they are until the normals
    // are computed. Ignored once a computation ran.
    void SetInput(int indexCount, const int *indexes, int coordCount, const Vec3 *coordinates);
    // Whether SetInput took exactly these arrays (the same addresses and
    // counts).
    bool HasInput(int indexCount, const int *indexes, int coordCount, const Vec3 *coordinates) const
    {
        return m_nIndexes == indexCount && m_pIndexes == indexes && m_nCoordinates == coordCount &&
               m_pCoordinates == coordinates;
    }
    // The length of the index list taken: a measure of the work.
    int GetInputIndexCount() const { return m_nIndexes; }
    // Faces around a corner whose normals differ from the face's own by no
    // more than this angle (clamped to 0..180) are smoothed together. A new
    // angle makes the vertex normals be computed again.
    void SetCreaseAngle(double degrees);
    // Where the mesh the normals are for was read ("file:line"): the lead
    // of the generator's messages. Empty for a mesh made otherwise.
    void SetPlace(std::string place) { m_place = std::move(place); }
    double GetCreaseAngle() const { return m_dCreaseAngle; }

    // A run of fewer than three corners is no face. A run that names a
    // coordinate outside the input is left out (with one line on standard
    // error per computation), so every face record can be read safely.
    void GenerateFaceNormals();
    // Computes the face normals first when they are not there yet.
    void GenerateVertexNormals();
    // As GenerateVertexNormals, for another thread than the one that owns
    // the generator (which must leave it alone meanwhile): it reports
    // nothing; the report of left-out faces waits for the owner's next
    // Generate call. After a failure (false) the normals are as before the
    // call, to be computed again.
    bool PrepareVertexNormals() noexcept;
    bool FaceNormalsDone() const { return m_bFaceNormalsDone; }
    bool VertexNormalsDone() const { return m_bVertexNormalsDone; }

    int GetFaceCount() const { return static_cast<int>(m_faces.size()); }
    // Throws SgInvalidArgument outside 0..GetFaceCount()-1.
    const FaceRecord &GetFace(int face) const;
    int GetDroppedFaceCount() const { return m_nDropped; }
    // One per entry of the index list: the normal at the corner in that
    // position; zero at separators and at the corners of left-out runs.
    int GetVertexNormalCount() const { return static_cast<int>(m_vertexNormals.size()); }
    // Throws SgInvalidArgument outside 0..GetVertexNormalCount()-1.
    const Vec3f &GetVertexNormal(int position) const;

private:
    std::string m_place;
    void ComputeFaceNormals();
    void ComputeVertexNormals();
    // The steps of ComputeVertexNormals: the coordinates whose faces all lie
    // within the crease angle share one normal; the faces around each other
    // coordinate are listed; then every corner's normal is made.
    struct CornerSharing;
    template <class Visit>
    void EachCorner(CornerSharing &sharing, const Visit &visit) const;
    void ShareSmoothCoordinates(double angle, CornerSharing &sharing) const;
    void ListFacesAround(CornerSharing &sharing);
    void BlendCornerNormals(float limit, const CornerSharing &sharing);
    void ReportDroppedFaces();

    // The faces around each coordinate whose corners are smoothed one by
    // one: those of coordinate v are m_around[m_aroundStart[v] ..
    // m_aroundStart[v + 1]).
    std::vector<int> m_aroundStart;
    std::vector<int> m_around;
    std::vector<FaceRecord> m_faces;
    const int *m_pIndexes = nullptr;
    std::vector<Vec3f> m_vertexNormals;
    const Vec3 *m_pCoordinates = nullptr;
    int m_nIndexes = 0;
    int m_nCoordinates = 0;
    double m_dCreaseAngle;
    double m_dOrientation = 1.0;
    bool m_bFaceNormalsDone = false;
    bool m_bVertexNormalsDone = false;
    int m_nDropped = 0;
    int m_nFirstDropped = -1;
    bool m_bReportPending = false;
};
