#pragma once
// A 4x4 matrix, row-major (element [i][j] is row i, column j); points are
// column vectors, so a translation lives in column 3. The determinant is
// cached: Determinant() computes it once, element writes forget it.
#include "utilities/math/Mat3.h"
#include "utilities/math/Vec3.h"
#include "utilities/math/Vec4.h"

#include <iosfwd>
#include "utilities/BrannicExport.h"

class BRANNIC_API Mat4 {
public:
    // The identity, its determinant known to be 1.
    Mat4();
    // Row-major elements.
    explicit Mat4(const double (&rows)[4][4]);
    // Upper-left 3x3 from m, [3][3] = 1, the rest 0.
    explicit Mat4(const Mat3 &m);
    static Mat4 Zero();
    static Mat4 Identity() { return Mat4(); }

    // Copies keep a known determinant.
    Mat4(const Mat4 &o);
    Mat4 &operator=(const Mat4 &o);

    // Read access keeps the cached determinant; write access forgets it.
    const double *operator[](int row) const { return m_a[row]; }
    double *operator[](int row)
    {
        m_detKnown = 0;
        return m_a[row];
    }
    double Get(int row, int col) const { return m_a[row][col]; }
    void Set(int row, int col, double value)
    {
        m_a[row][col] = value;
        m_detKnown = 0;
    }
    Vec4 GetRow(int row) const { return {m_a[row][0], m_a[row][1], m_a[row][2], m_a[row][3]}; }
    Vec4 GetColumn(int col) const { return {m_a[0][col], m_a[1][col], m_a[2][col], m_a[3][col]}; }
    // The upper-left 3x3.
    Mat3 GetMat3() const;

    Mat4 operator*(double s) const;
    // Row i of the product is row i of this matrix times o.
    Mat4 operator*(const Mat4 &o) const;
    // Matrix times column vector: component i is row i dotted with v.
    Vec4 operator*(const Vec4 &v) const;
    // The point (x, y, z, 1) times each of the first three rows.
    Vec3 MultPoint(const Vec3 &p) const;
    // The direction (x, y, z, 0) times each of the first three rows.
    Vec3 MultDirection(const Vec3 &d) const;
    // Element [j][i] of the result is v[i] times element [i][j].
    Mat4 ScaledTranspose(const Vec4 &v) const;
    Mat4 Transpose() const;
    // The 3x3 without row r and column c.
    Mat3 Minor(int r, int c) const;

    // Expansion along row 0; cached until an element changes.
    double Determinant() const;
    bool IsDeterminantKnown() const { return m_detKnown != 0; }
    // Adjugate over determinant; throws SgMathError("inverse: Non-singular matrix")
    // when IsSingular.
    Mat4 Inverse() const;
    // Whether the matrix is too close to singular for its inverse to mean
    // anything. Judged per axis (the determinant over the product of the
    // column lengths of the linear part, and the shortest column against the
    // longest), so a transform that scales its axes by factors as far apart
    // as 1e-5 and 1e4 is as invertible as the identity, while one that
    // flattens an axis to 1e-12 of the longest or leans its columns onto each
    // other that far is not.
    bool IsSingular() const;

    bool IsIdentity() const;
    // Exact element comparison; the cache takes no part.
    bool operator==(const Mat4 &o) const;

private:
    // Elements left for the caller to fill: products and the like write all 16.
    struct Uninitialised {};
    explicit Mat4(Uninitialised) {}

    double m_a[4][4];
    mutable int m_detKnown = 0;
    mutable double m_det = 0.0;
};

inline Mat4 operator*(double s, const Mat4 &m) { return m * s; }
// Vector times matrix: component j is v dotted with column j.
BRANNIC_API Vec4 operator*(const Vec4 &v, const Mat4 &m);

// "{ (r0) ; (r1) ; (r2) ; (r3) }" with the rows in Vec4 form.
BRANNIC_API std::ostream &operator<<(std::ostream &os, const Mat4 &m);
