#pragma once
// The sweep behind every extrusion node: each loop of a profile is carried
// along each loop of a path by a moving frame, scaled by one or two scale
// curves, blended into an end profile, twisted, and closed with caps; the
// rings of vertices, their texture coordinates, their duplicate-table
// entries, the side quads and the caps are appended to a face set.
//
// The frame never reflects: where the path turns back on itself the
// profile is given a half turn, so a section swept back the way it came
// keeps its handedness. Zero-length path segments are dropped before the
// sweep, so every direction it turns between has a length.
#include <vector>

#include "engine/nodes/geometry/ExtrudeParams.h"
#include "engine/nodes/geometry/SweepGeometry.h"
#include "utilities/math/Mat3.h"
#include "utilities/math/Vec3.h"
#include "engine/core/NodaraExport.h"

class GenericPolyline;
class SgFaceSet;

class NODARA_API ExtrudeBuilder {
public:
    // How the path is swept: its own IsCurved() decides (smooth when
    // curved), or always cornered, or (any other value) always smooth.
    enum PathMode : int { kPathAuto = 0, kPathCornered = 1, kPathSmooth = 2 };

    // The face set, the record, the profile and the path are required
    // (SgInvalidArgument otherwise); the other curves may be null.
    ExtrudeBuilder(SgFaceSet *faceSet, ExtrudeParams *params, GenericPolyline *profile, GenericPolyline *path,
                   GenericPolyline *scale, GenericPolyline *scale2, double twist, double creaseAngle, int segments,
                   GenericPolyline *endProfile, int pathMode);

    // Appends the sweep to the face set; call once.
    void Build();

private:
    struct ProfileLoop {
        int index = 0;
        std::vector<Vec3> points;
        // The end profile's matching points, empty without one.
        std::vector<Vec3> end;
        bool closed = false;
        std::vector<double> params;
        double length = 0.0;
        std::vector<int> groups;
        int groupCount = 1;
    };
    struct PathLoop {
        std::vector<Vec3> points;
        // The scale triple of each ring; empty without a scale curve.
        std::vector<CurveSample2> scale;
        bool looped = false;
        // Each ring's share of the path length.
        std::vector<double> fraction;
        double length = 0.0;
        std::vector<int> groups;
        int groupCount = 1;
    };
    // The loops of one end that several profile loops close together.
    struct CapLoops {
        std::vector<int> indexes;
        std::vector<int> sizes;
    };

    void PrepareScaleTable();
    void PrepareProfileLoops();
    // The rings of one path loop; false when it has none.
    bool PreparePathLoop(std::vector<Vec3> &points, bool closed, PathLoop &path);
    void Sweep(const PathLoop &path, const ProfileLoop &profile, CapLoops &startCaps, CapLoops &endCaps);
    // The steps of a sweep, ring by ring: the frame turned to the ring, the
    // ring's vertices and the faces back to the last ring, then the seam,
    // caps and cross sections the ring closes.
    struct SweepRings;
    void TurnFrame(SweepRings &rings) const;
    void PlaceRing(SweepRings &rings);
    void FinishRing(SweepRings &rings, CapLoops &startCaps, CapLoops &endCaps);
    Mat3 StartFrame(const Vec3 &axis, const Vec3 &outgoing, bool looped) const;
    Vec3 SectionPoint(const PathLoop &path, const ProfileLoop &profile, int ring, int j) const;
    int AddVertex(const Vec3 &p, int duplicateOf, bool texture, float u, float v);
    // The representative of a vertex as the duplicate table has it now.
    int Representative(int vertex);
    void Cap(const ProfileLoop &profile, const std::vector<int> &ring, const Vec3 &centre, int orientation,
             bool atEnd, CapLoops &collected);
    void InsertCollected(const CapLoops &collected, int orientation);
    void BoundaryCaps();

    SgFaceSet *m_pFaceSet;
    ExtrudeParams *m_pParams;
    GenericPolyline *m_pProfile;
    GenericPolyline *m_pPath;
    GenericPolyline *m_pScale;
    GenericPolyline *m_pScale2;
    GenericPolyline *m_pEndProfile;
    double m_dTwist;
    double m_dCrease;
    int m_iSegments;
    int m_iPathMode;

    bool m_bCornered = false;
    bool m_bCurvedScale = false;
    bool m_bSkipStart = false;
    bool m_bSkipEnd = false;
    bool m_bTexture = false;
    int m_iOrientation = 1;
    std::vector<CurveSample2> m_scaleTable;
    std::vector<ProfileLoop> m_profileLoops;
    // Boundary rings of looped paths swept with open profiles: the first
    // and the last profile point of every ring, one loop per sweep.
    std::vector<int> m_startBoundary;
    std::vector<int> m_endBoundary;
    std::vector<int> m_boundarySizes;
};

// The turn that carries direction a towards b by `factor` of the angle
// between them; a and b are made unit in place. Parallel directions give
// the identity; opposite ones a turn about an axis across a (a half turn
// for factor 1), never a reflection. A zero direction gives the identity.
NODARA_API void RotationBetween(Vec3 &a, Vec3 &b, Mat3 &out, double factor);

// Appends a copy of vertex k (at the position of its representative) that
// is recorded as a duplicate of that representative; returns its index. An
// index outside the arrays is refused (SgInvalidArgument).
NODARA_API int DuplicateVertex(SgFaceSet *faceSet, int k);

// Groups the segments of a polyline of `count` points (closed: `count`
// segments, open: count - 1) into smoothing groups split at the corners
// sharper than `creaseAngle` degrees of the points and, when given, of the
// companion points. Returns the number of corners found + 1; every group
// number written is below it.
NODARA_API int AssignSmoothingGroups(const Vec3 *points, const Vec3 *other, int count, bool closed, double creaseAngle,
                          std::vector<int> &groups);
