#pragma once
// Smooth implicit fields (metaballs) and their blends: a Boolean node of the
// metaball engine turns each operand shape into one of these primitives,
// blends them by its operation and polygonises where the blend equals 1.0.
// Every field is non-negative; inside is where it exceeds 1.0.
//
// Primitives take the query point in the Boolean node's frame and map it
// into their own through a to-local transform, classified so that identity
// and translation-only frames skip the full product: the field is evaluated
// at every lattice corner and edge refinement.
#include <memory>
#include <vector>

#include "utilities/math/Mat4.h"
#include "utilities/math/Vec3.h"
#include "engine/core/NodaraExport.h"

class NODARA_API MetaBallObj {
public:
    virtual ~MetaBallObj() = default;
    // The field at a point of the Boolean node's frame.
    virtual double FieldValue(const Vec3 &) const { return 0.0; }
};

// Owns its children.
class NODARA_API MetaBallOp : public MetaBallObj {
public:
    void AddChild(std::unique_ptr<MetaBallObj> child);
    int GetChildCount() const { return int(m_children.size()); }
    const MetaBallObj *GetChild(int i) const { return m_children[size_t(i)].get(); }

protected:
    std::vector<std::unique_ptr<MetaBallObj>> m_children;
};

// The blend: the sum of the children's fields (each at least 0.0001).
class NODARA_API MetaBallUnion : public MetaBallOp {
public:
    double FieldValue(const Vec3 &p) const override;
};

// 1 / sum of 1/child: small where any child is small. Without children,
// positive infinity (inside everywhere).
class NODARA_API MetaBallIntersect : public MetaBallOp {
public:
    double FieldValue(const Vec3 &p) const override;
};

// The base child (the first, or the last) minus the others:
// 1 / (1/base + sum of the others).
class NODARA_API MetaBallDiff : public MetaBallOp {
public:
    explicit MetaBallDiff(bool baseIsLast) : m_bBaseIsLast(baseIsLast) {}
    double FieldValue(const Vec3 &p) const override;

private:
    bool m_bBaseIsLast;
};

class NODARA_API MetaBallShape : public MetaBallObj {
public:
    enum FrameKind { kIdentity, kTranslation, kScaleTranslation, kGeneral };

    // Sets the map from the Boolean node's frame into the primitive's own.
    void SetToLocal(const Mat4 &toLocal);
    const Mat4 &GetToLocal() const { return m_toLocal; }
    FrameKind GetFrameKind() const { return m_kind; }

protected:
    Vec3 ToLocal(const Vec3 &p) const
    {
        switch (m_kind) {
        case kIdentity: return p;
        case kTranslation: return Vec3(p.x + m_toLocal[0][3], p.y + m_toLocal[1][3], p.z + m_toLocal[2][3]);
        case kScaleTranslation:
            return Vec3(p.x * m_toLocal[0][0] + m_toLocal[0][3], p.y * m_toLocal[1][1] + m_toLocal[1][3],
                        p.z * m_toLocal[2][2] + m_toLocal[2][3]);
        default: return m_toLocal.MultPoint(p);
        }
    }

private:
    Mat4 m_toLocal;
    FrameKind m_kind = kTranslation;
};

class NODARA_API MetaBallSphere : public MetaBallShape {
public:
    explicit MetaBallSphere(double radius) : m_r(radius) {}
    double FieldValue(const Vec3 &p) const override;

private:
    double m_r;
};

// The ring lies in the local xy plane around the z axis.
class NODARA_API MetaBallTorus : public MetaBallShape {
public:
    MetaBallTorus(double ringRadius, double tubeRadius) : m_R(ringRadius), m_s2(tubeRadius * tubeRadius) {}
    double FieldValue(const Vec3 &p) const override;

private:
    double m_R;
    double m_s2;
};

class NODARA_API MetaBallCube : public MetaBallShape {
public:
    MetaBallCube(double hx, double hy, double hz) : m_hx(hx), m_hy(hy), m_hz(hz) {}
    double FieldValue(const Vec3 &p) const override;

private:
    double m_hx, m_hy, m_hz;
};

// Along the local z axis from -h to +h; a cone has its full radius at -h
// and shrinks to a point at +h.
class NODARA_API MetaBallCylinder : public MetaBallShape {
public:
    MetaBallCylinder(double radius, double halfHeight, bool cone) : m_r(radius), m_h(halfHeight), m_bCone(cone) {}
    double FieldValue(const Vec3 &p) const override;

private:
    double m_r, m_h;
    bool m_bCone;
};

// A tube of constant radius along a polyline of stations: open paths get
// rounded ends, closed ones a joint ball at the closing station.
class NODARA_API MetaBallExtrude : public MetaBallShape {
public:
    // At least one station.
    MetaBallExtrude(double radius, bool closed, const std::vector<Vec3> &stations);
    double FieldValue(const Vec3 &p) const override;
    int GetEntryCount() const { return int(m_points.size()); }

protected:
    // The radius of segment i at parameter t, and of the ball at station i.
    virtual double SegmentRadius(int, double) const { return m_r; }
    virtual double StationRadius(int) const { return m_r; }

    double m_r;
    bool m_bClosed;
    std::vector<Vec3> m_points;
    std::vector<Vec3> m_segments;
    // a, b, c = the bisecting direction, d its dot with the station.
    std::vector<Vec3> m_planeNormals;
    std::vector<double> m_planeConstants;
    std::vector<double> m_lengths;
    int m_stations = 0;
};

// A tube whose radius changes from station to station: radii holds one
// radius per station and one more (that of station 0 again).
class NODARA_API MetaBallExtrudeVarRadius : public MetaBallExtrude {
public:
    MetaBallExtrudeVarRadius(bool closed, const std::vector<Vec3> &stations, const std::vector<double> &radii);

protected:
    double SegmentRadius(int i, double t) const override;
    double StationRadius(int i) const override;

private:
    std::vector<double> m_radii;
};
