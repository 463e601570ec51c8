#pragma once
// Regular polygons and stars in the XY plane, optionally with rounded
// corners: closed profiles for the extrusion family.
#include "engine/nodes/geometry/SgGenPolyLine.h"
#include "engine/core/NodaraExport.h"

class NODARA_API SgNGon : public SgGenPolyLine {
    SG_CLASS_HEADER(SgNGon, SgFieldMngr)

    // Corners of a polygon or star; more are refused with a diagnostic.
    static constexpr int kMaxSides = 100000;
    static constexpr int kMaxFiletSides = 10000;

    SgNGon();

    bool IsClosed() const override { return true; }
    bool IsCurved() const override { return false; }
    bool Indexed() const override { return false; }
    bool IsRadial() const override { return true; }
    // n straight-edge samples (-1: "samples"). Fewer than 3 sides when
    // rounding, or settings past the limits above, give an empty curve with
    // a diagnostic.
    void sample(int n) override;

    SgFDouble m_radius;
    SgFDouble m_filetRadius;
    SgFInt m_sides;
    SgFInt m_completeFiletSides;
    SgFDouble m_startAngle;

protected:
    ~SgNGon() override = default;
    // Checks sides, samples and arc steps; false (logged) when unusable.
    bool CheckSettings(int sides, int samples, int filetSides, bool rounded);
};

class NODARA_API SgNStar : public SgNGon {
    SG_CLASS_HEADER(SgNStar, SgFieldMngr)

    SgNStar();
    void sample(int n) override;

    SgFDouble m_radius1;
    SgFDouble m_filetRadius1;
    SgFFloat m_asymmetry;

protected:
    ~SgNStar() override = default;
};

// Corners (and the straight-edge points between them) of a polygon or star;
// returns corners x segments.
NODARA_API int MakeNGonPoints(int sides, bool star, double radius0, double radius1, double startAngleDeg, Vec3 *out,
                   int segments, double asymmetry);
// Fills the straight edges between rounded corners laid out by
// FilletPolyline with gap segments - 1; returns the total point count.
NODARA_API int FillNGonEdges(int sides, bool star, int arcCount0, int arcCount1, int segments, Vec3 *buffer);
