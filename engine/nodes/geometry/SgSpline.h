#pragma once
// Smooth curves through or near a point list. SgSpline is one Bezier curve
// whose control points are all the coordinates; SgBSpline a piecewise cubic
// of the kind "curveType" names, shaped by per-point "weights"; SgBezierSpline
// a piecewise cubic with explicit handles per point.
#include <vector>

#include "engine/nodes/geometry/SgPolyLine.h"
#include "engine/core/NodaraExport.h"

class NODARA_API SgSpline : public SgPolyLine {
    SG_CLASS_HEADER(SgSpline, SgFieldMngr)

    // A single Bezier curve of more points than this is refused.
    static constexpr int kMaxBezierPoints = 32;
    // Samples per segment are capped here.
    static constexpr int kMaxSegmentSamples = 1000;

    SgSpline();

    bool IsCurved() const override { return true; }
    bool Indexed() const override { return false; }
    int NumLoops() override { return 1; }
    int GetSize() const override { return m_nSampleCount; }
    int LoopSize(int) override { return m_nSampleCount; }
    Vec3 *GetLoop(int) override { return SampleData(); }
    Vec3 *GetData() override { return SampleData(); }
    const Vec3 *GetData() const override { return SampleData(); }
    // n samples per point (10 for -1); more than kMaxBezierPoints points
    // throw SgCapacityError and leave no samples.
    void sample(int n) override;
    void OnChange(SgField *field) override;

    // Frees the samples and sizes the buffer and the control array for s
    // samples per segment. False when there is nothing more to do (one
    // point, which is then the only sample). No points: SgInvalidArgument.
    bool init(int s);

    SgFInt m_interpolate;
    SgFInt m_curveType;
    SgFFloat m_maxAngle;
    SgFFloat m_maxSegLen;
    SgFInt m_nodeCache;

protected:
    ~SgSpline() override = default;
    // Samples the piecewise cubic of the given kind; handles may be null.
    void SamplePiecewise(int n, int kind, int weightCount, const float *weights, const Vec3 *handles);

    std::vector<Vec3> m_control;
};

class NODARA_API SgBSpline : public SgSpline {
    SG_CLASS_HEADER(SgBSpline, SgFieldMngr)

    SgBSpline();
    void sample(int n) override;
    int FillGizmoLines(Vec3f *out) override;

    SgVFFloat m_weights;

protected:
    ~SgBSpline() override = default;
};

class NODARA_API SgBezierSpline : public SgSpline {
    SG_CLASS_HEADER(SgBezierSpline, SgFieldMngr)

    SgBezierSpline();
    // Needs two handles per coordinate; fewer are refused (SgInvalidArgument)
    // before anything changes.
    void sample(int n) override;
    int FillGizmoLines(Vec3f *out) override;

    SgVFVec3 m_cntrlPoints;

protected:
    ~SgBezierSpline() override = default;
};
