#pragma once
// Fillers for the caps and slices of an extrusion: given a ring of vertex
// indexes of a face set, they append the faces (and any vertices) that
// close it. Every vertex they add also gets its duplicate-table entry and,
// with the texture flag, its texture coordinate (the x and y of its
// position), so the face set's arrays stay one entry per vertex.
#include "utilities/math/Vec3.h"
#include "engine/core/NodaraExport.h"

class SgFaceSet;

class NODARA_API CrossSectionFunction {
public:
    CrossSectionFunction() = default;
    CrossSectionFunction(const CrossSectionFunction &) = default;
    CrossSectionFunction &operator=(const CrossSectionFunction &) = default;

    // Closes the ring of `count` vertex indexes with faces of surface id 0,
    // in the ring's order for orientation +1 and reversed for -1. `centre`
    // is the point the ring surrounds. The base inserts the ring as one face.
    virtual void Fill(SgFaceSet *faceSet, const int *ring, int count, int orientation, const Vec3 &centre);
    virtual ~CrossSectionFunction() = default;

    bool GetTextureFlag() const { return m_bTexture; }
    void SetTextureFlag(bool on) { m_bTexture = on; }

protected:
    // Appends a vertex with its duplicate entry and, with the texture flag,
    // its texture coordinate; returns its index.
    int AppendVertex(SgFaceSet *faceSet, const Vec3 &p) const;
    // A new vertex at vertex k's position (its representative's), recorded
    // as a duplicate of it.
    int DuplicateOf(SgFaceSet *faceSet, int k) const;
    // One face of the given corners, reversed for a negative orientation.
    static void InsertOriented(SgFaceSet *faceSet, const int *corners, int count, int orientation);

private:
    bool m_bTexture = false;
};

// A fan around the centre and `rings` - 1 concentric rings of quadrilaterals
// out to the boundary.
class NODARA_API RadialCrossSectionFunction : public CrossSectionFunction {
public:
    explicit RadialCrossSectionFunction(int rings = 0) : m_iRings(rings) {}

    void Fill(SgFaceSet *faceSet, const int *ring, int count, int orientation, const Vec3 &centre) override;

    int GetRings() const { return m_iRings; }

private:
    int m_iRings;
};

// A rectangle of cells: the boundary is a loop of 2 * (width + depth)
// vertexes that runs along the width first, and the inner vertexes lie on
// the bilinear blend of its four corners. Any other boundary is closed as
// one face.
class NODARA_API GridCrossSectionFunction : public CrossSectionFunction {
public:
    GridCrossSectionFunction(int width = 1, int depth = 1) : m_iWidth(width), m_iDepth(depth) {}

    void Fill(SgFaceSet *faceSet, const int *ring, int count, int orientation, const Vec3 &centre) override;

    int GetWidth() const { return m_iWidth; }
    int GetDepth() const { return m_iDepth; }

private:
    int m_iWidth;
    int m_iDepth;
};
