#pragma once
// The general polyline node: one or more loops stored one after another in
// "coordinates", loop k+1 starting at "jumps"[k], all open or all closed.
// Sampled with a subdivision f, loop i starts at f * start(i) in the sample
// buffer; a closed loop there has o * f points (the last loop is followed by
// its closing point), an open loop (o - 1) * f + 1 ending at its own last
// point, o being its stored point count.
#include "engine/nodes/geometry/SgGenPolyLine.h"
#include "engine/core/NodaraExport.h"

class NODARA_API SgPolyLine : public SgGenPolyLine {
    SG_CLASS_HEADER(SgPolyLine, SgFieldMngr)

    SgPolyLine();
    // A polyline whose coordinates are the source's readable (possibly
    // sampled) points, loop by loop, closed as the source is.
    explicit SgPolyLine(SgGenPolyLine *source);

    int GetSize() const override;
    bool IsClosed() const override { return m_closed.Get(true) != 0; }
    Vec3 *GetLoop(int loop) override;
    Vec3 *GetData() override;
    virtual const Vec3 *GetData() const;
    int NumLoops() override { return m_jumps.GetCount() + 1; }
    int LoopSize(int loop) override;
    int OrigLoopSize(int loop) override;
    // Subdivides every stored segment into f intervals, f the argument (-1:
    // "samples") clamped to 1 .. kMaxSubdivision; exactly 1 hands out the
    // stored points again. Empty coordinates cannot be sampled
    // (SgInvalidArgument).
    void sample(int subdivision) override;
    bool IsPlanar() const override { return m_bPlanar; }
    // A change of the points, the loops or "closed" drops the samples: the
    // curve hands out its stored points until it is sampled again.
    void OnChange(SgField *field) override;

    // The stored points of all loops (a driving module runs first); null
    // when there are none.
    Vec3 *GetCoordinates();
    // The points a deformer hung on the shape, else the stored points.
    Vec3 *GetDeformedPoints();
    // Appends n points as a new loop (the first loop needs no jump entry).
    // Nothing is added for n = 0; a negative n is refused.
    void AddLoop(int n, const Vec3 *points);

    SgVFVec3 m_coordinates;
    SgVFInt m_jumps;
    SgFInt m_closed;

protected:
    ~SgPolyLine() override;
    // First stored index and end of a loop. Refuses (SgInvalidArgument) a
    // loop outside the polyline and jumps that do not partition the
    // coordinates in order, so no reader is sent outside the points.
    void LoopRange(int loop, int &start, int &end);
    void DropSamples();

    Vec3 m_planeNormal{0.5773502691896257, 0.5773502691896257, 0.5773502691896257};
    double m_planeDistance = 0.0;
    bool m_bPlanar = false;
};
