#pragma once
// Base of every curve node: a shape that builders read through the polyline
// interface. What it hands out is its sample buffer, which sample() fills;
// changing "samples" does not resample by itself, so readers call sample(-1)
// before they read.
#include <cstdint>
#include <vector>

#include "engine/core/GenericPolyline.h"
#include "engine/core/SgTField.h"
#include "engine/core/SgVecField.h"
#include "engine/core/SgShape.h"
#include "utilities/math/Vec3.h"
#include "utilities/math/Vec3f.h"
#include "engine/core/NodaraExport.h"

class NODARA_API SgGenPolyLine : public SgShape, public GenericPolyline {
    SG_CLASS_HEADER(SgGenPolyLine, SgFieldMngr)

    // Subdivision settings above this are taken as it: a finer curve only
    // costs memory.
    static constexpr int kMaxSubdivision = 1000;
    // No curve hands out more points than this; a request past it is refused
    // (SgCapacityError) before anything is allocated.
    static constexpr int64_t kMaxSamplePoints = int64_t(1) << 22;

    SgGenPolyLine();
    // A fixed curve through a copy of the given points (the pointer is not
    // kept), read unsampled with one loop.
    SgGenPolyLine(const Vec3 *points, int n);

    // --- Polyline interface: the sample buffer as one open loop ------------
    int GetSize() const override { return m_nSampleCount; }
    bool IsClosed() const override { return false; }
    bool IsCurved() const override { return false; }
    Vec3 *GetLoop(int) override { return SampleData(); }
    int NumLoops() override { return 1; }
    int LoopSize(int) override { return m_nSampleCount; }
    int GetNumSamples() const override { return m_samples.Get(true); }
    bool IsRadial() const override { return false; }

    // --- Shape side --------------------------------------------------------
    // Both bases name a normal: the loop normal and the shape's.
    using GenericPolyline::GetNormal;
    using SgShape::GetNormal;
    bool IsGenPolyLine() const override { return true; }
    // The box of the points the curve hands out now; the zero box while it
    // hands out none.
    Range<Vec3f> BoundingBox() override;
    // Writes line pairs for the editing gizmo and returns how many points it
    // wrote; plain curves have no gizmo.
    virtual int FillGizmoLines(Vec3f *) { return 0; }
    // Stored points of a loop before sampling; a plain curve stores none.
    virtual int OrigLoopSize(int) { return 0; }

    // Publishes the points the curve hands out in "outPoints": the first
    // loop's stored points for an unsampled polyline node, else the samples.
    void copySampleToOut();

    bool GetShowGizmo() const { return m_bShowGizmo; }
    void SetShowGizmo(bool show) { m_bShowGizmo = show; }
    bool IsSampled() const { return m_bSampled; }
    // Sample intervals per stored segment in the last sampling.
    int GetSubdivision() const { return m_nSubdivision; }

    SgFInt m_samples;
    SgVFVec3 m_outPoints;

protected:
    ~SgGenPolyLine() override;
    // The buffer's points, null while there are none.
    Vec3 *SampleData() { return m_sampleBuffer.empty() ? nullptr : m_sampleBuffer.data(); }
    const Vec3 *SampleData() const { return m_sampleBuffer.empty() ? nullptr : m_sampleBuffer.data(); }
    // Makes the buffer hold at least `needed` points (plus `slack` when it
    // has to grow), keeping it when it is large enough. Refuses a count past
    // kMaxSamplePoints with SgCapacityError, leaving the curve as it was.
    void AllocSamples(int64_t needed, int64_t slack = 0);
    // Frees the buffer; the curve then hands out no samples.
    void FreeSamples();

    bool m_bSampled = false;
    bool m_bShowGizmo = false;
    int16_t m_nSubdivision = 1;
    int m_nSampleCount = 0;

private:
    std::vector<Vec3> m_sampleBuffer;
};
