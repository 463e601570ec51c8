#pragma once
// An affine transform: a Mat4 with a kind that lets long point arrays take a
// fast path (one add or one multiply-add per coordinate). The matrix is only
// reachable through operations that keep the kind right.
#include "utilities/math/Mat4.h"
#include "utilities/math/Rotation.h"
#include "utilities/math/Vec3.h"
#include "utilities/BrannicExport.h"

class BRANNIC_API Transform3 {
public:
    enum Kind {
        TRANSLATION = 0,        // identity 3x3 plus a translation
        SCALE_TRANSLATION = 2,  // diagonal 3x3 plus a translation
        IDENTITY = 3,
        AFFINE = 4,
    };

    // The identity (kind TRANSLATION with a zero translation).
    Transform3() = default;
    explicit Transform3(const Rotation &r);
    Transform3(const Rotation &r, const Vec3 &translation);
    // Diagonal scale, then the translation.
    Transform3(const Vec3 &scale, const Vec3 &translation);
    explicit Transform3(const Vec3 &translation);
    // A rotation about an axis; an axis shorter than 1e-6 gives the identity.
    Transform3(const Vec3 &axis, double angle);
    // Any affine matrix; its kind is worked out.
    explicit Transform3(const Mat4 &m);

    const Mat4 &GetMatrix() const { return m_matrix; }
    // Replaces the matrix and works out its kind.
    void SetMatrix(const Mat4 &m);
    Kind GetKind() const { return m_kind; }
    // Works the kind out from the matrix again: the fast paths are taken only
    // where they give the result of the full product.
    void Reclassify();

    Vec3 TransformPoint(const Vec3 &p) const;
    // Without the translation (directions, offsets).
    Vec3 TransformVector(const Vec3 &v) const;
    // n points from src into dst; src and dst may be the same array.
    void TransformPoints(const Vec3 *src, Vec3 *dst, int n) const;
    // n points from src into dst as packed float triples (3 n floats).
    void TransformPoints(const Vec3 *src, float *dst, int n) const;

    // Lengths of the columns 0, 1 and 2 of the upper 3x3.
    Vec3 GetScale() const;
    // The upper 3x3 with each column divided by its scale.
    Rotation GetRotation() const;
    Vec3 GetTranslation() const;
    void SetTranslation(const Vec3 &t);
    // Gram-Schmidt over the columns: returns the scales, the shears through
    // the three outputs.
    Vec3 Decompose(double &shearXY, double &shearXZ, double &shearYZ) const;

    double Determinant() const { return m_matrix.Determinant(); }
    bool IsSingular() const { return m_matrix.IsSingular(); }
    // Throws SgMathError("inverse: Non-singular matrix") for a singular matrix.
    Transform3 Inverse() const;
    // This transform applied after o: (A * B) p = A (B p).
    Transform3 operator*(const Transform3 &o) const;

    bool operator==(const Transform3 &o) const { return m_matrix == o.m_matrix; }

private:
    Transform3(const Mat4 &m, Kind kind) : m_matrix(m), m_kind(kind) {}

    Mat4 m_matrix;
    Kind m_kind = TRANSLATION;
};
