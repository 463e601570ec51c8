#pragma once
// The read interface of every curve: one or more loops of 3D points, each
// loop contiguous, open or closed, possibly sampled more finely than its
// stored points. A reader asks NumLoops(), then GetLoop(i) and LoopSize(i),
// and joins each loop's last point to its first when IsClosed().
#include "utilities/math/Vec3.h"
#include "engine/core/NodaraExport.h"

class NODARA_API GenericPolyline {
public:
    GenericPolyline() = default;
    GenericPolyline(const GenericPolyline &) = default;
    GenericPolyline &operator=(const GenericPolyline &) = default;
    virtual ~GenericPolyline() = default;

    // Points readable through GetData(): all loops together, as sampled.
    virtual int GetSize() const = 0;
    virtual bool IsClosed() const = 0;
    // The points sample a smooth curve rather than mark corners.
    virtual bool IsCurved() const { return false; }
    // First point of a loop; the loop's points follow contiguously.
    virtual Vec3 *GetLoop(int loop) = 0;
    virtual Vec3 *GetData() { return GetLoop(0); }
    virtual int NumLoops() { return 1; }
    virtual int LoopSize(int loop)
    {
        (void)loop;
        return GetSize();
    }
    virtual bool Indexed() const { return false; }
    virtual int *GetLoopIndices(int loop)
    {
        (void)loop;
        return nullptr;
    }
    virtual Vec3 *GetPoint(int loop, int i) { return GetLoop(loop) + i; }
    // Point i of a loop from GetLoop(); the index list is for indexed curves.
    virtual Vec3 &GetLoopPoint(Vec3 *loop, int *indices, int i)
    {
        (void)indices;
        return loop[i];
    }
    // Recomputes the readable points; -1 takes the curve's own setting.
    virtual void sample(int subdivision) { (void)subdivision; }
    virtual int GetNumSamples() const { return -1; }
    // Points lie on a circle about the origin (circles, arcs, regular polygons).
    virtual bool IsRadial() const { return false; }
    // All points lie in one plane.
    virtual bool IsPlanar() const { return false; }

    // Normal of a loop by the polygon-normal rule of ComputeFaceNormal (unit
    // unless shorter than 1e-5); an out-of-range loop gives (0, 0, 1).
    Vec3 GetNormal(int loop = 0);
};
