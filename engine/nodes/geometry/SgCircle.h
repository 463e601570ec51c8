#pragma once
// Circle, arc and helix: curves of one shared sampler. A circle is closed
// and hands out "segments" points without repeating the first; an arc is an
// open part of it between two angles (degrees); a helix is an arc of several
// turns rising along Z, centred on Z = 0.
#include "engine/core/SgTField.h"
#include "engine/nodes/geometry/SgGenPolyLine.h"
#include "engine/core/NodaraExport.h"

class NODARA_API SgCircle : public SgGenPolyLine {
    SG_CLASS_HEADER(SgCircle, SgFieldMngr)

    SgCircle();

    bool IsClosed() const override { return true; }
    bool IsCurved() const override { return true; }
    bool IsRadial() const override { return true; }
    // The argument is not used: "segments" sets the resolution.
    void sample(int subdivision) override;

    SgFDouble m_radius;
    SgFInt m_segments;

protected:
    ~SgCircle() override = default;
    // A new radius, resolution or angle re-samples a curve that was sampled,
    // so that what is drawn and picked is the size the fields say.
    void OnChange(SgField *field) override;
    // Samples the arc the members below describe, at least 2 intervals.
    void SampleArc();

    double m_dStartAngle = 0.0;               // radians
    double m_dSweep = 6.283185307179586;      // radians, negative clockwise
    double m_dHeight = 0.0;                   // rise over the whole sweep
};

class NODARA_API SgArc : public SgCircle {
    SG_CLASS_HEADER(SgArc, SgFieldMngr)

    SgArc();

    bool IsClosed() const override { return false; }
    void sample(int subdivision) override;

    SgFDouble m_startAngle;
    SgFDouble m_angle;

protected:
    ~SgArc() override = default;
};

class NODARA_API SgHelix : public SgArc {
    SG_CLASS_HEADER(SgHelix, SgFieldMngr)

    SgHelix();

    // "turns" replaces "angle".
    void sample(int subdivision) override;

    SgFDouble m_height;
    SgFDouble m_turns;

protected:
    ~SgHelix() override = default;
};
