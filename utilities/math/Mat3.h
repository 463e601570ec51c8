#pragma once
// A 3x3 matrix, row-major (element [i][j] is row i, column j), with its
// determinant cached until an element changes.
#include "utilities/math/Vec3.h"
#include "utilities/BrannicExport.h"

class BRANNIC_API Mat3 {
public:
    // The identity.
    Mat3();
    // Row-major elements.
    explicit Mat3(const double (&rows)[3][3]);
    static Mat3 Zero();
    static Mat3 Identity() { return Mat3(); }

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
    Vec3 GetRow(int row) const { return {m_a[row][0], m_a[row][1], m_a[row][2]}; }
    Vec3 GetColumn(int col) const { return {m_a[0][col], m_a[1][col], m_a[2][col]}; }

    double Determinant() const;
    bool IsDeterminantKnown() const { return m_detKnown != 0; }

    Mat3 operator*(const Mat3 &o) const;
    // Matrix times column vector.
    Vec3 operator*(const Vec3 &v) const;
    Mat3 Transpose() const;

    // Exact element comparison; the cache takes no part.
    bool operator==(const Mat3 &o) const;

private:
    // Elements left for the caller to fill.
    struct Uninitialised {};
    explicit Mat3(Uninitialised) {}

    double m_a[3][3];
    mutable int m_detKnown = 0;
    mutable double m_det = 0.0;
};
