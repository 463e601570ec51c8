#pragma once
// The curve at a fixed distance from a source polyline in the xy plane:
// insets and outsets of closed outlines, bands around open lines. The source
// is the first child of the internal separator; the result, a closed
// SgPolyLine, lives in the result cache like every procedural shape's.
#include "engine/core/SgTField.h"
#include "engine/nodes/geometry/SgGeometricShape.h"
#include "engine/core/NodaraExport.h"

class SgPolyLine;

class NODARA_API SgOffset : public SgGeometricShape {
    SG_CLASS_HEADER(SgOffset, SgFieldMngr)

    // Join types of "cornerType".
    enum CornerType { kSquare = 0, kRound = 1, kMiter = 2 };

    // Coordinates travel to the offsetting as integers in units of 2^-18.
    static constexpr double kScale = 262144.0;
    static constexpr double kInverseScale = 3.814697265625e-06;
    // The largest coordinate (and distance) in scene units that the 64-bit
    // integer range holds with room for the offsetting's own arithmetic.
    static constexpr double kMaxCoordinate = 1099511627776.0; // 2^40

    SgOffset();

    void DoAction(SgAction *action) override;
    // Makes the curve the only source (the arguments after it are not used).
    void SetPolyline(SgGenPolyLine *curve, int, bool) override;
    // The source; null when there is none.
    SgGenPolyLine *GetPolyline(int) override;

    // Fills `out` with the offset of the source: one closed loop per result
    // outline. Without a source `out` stays empty. Source points or a
    // distance beyond kMaxCoordinate are refused (SgInvalidArgument) before
    // anything is written.
    void DoOffset(SgPolyLine *out, SgAction *action);

    SgFFloat m_offset;
    SgFInt m_cornerType;
    SgFInt m_dualSide;
    SgFInt m_useZValue;

protected:
    ~SgOffset() override = default;
};
