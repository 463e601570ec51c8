#pragma once
// The parameters of a view: eye position and turn, clipping range and
// projection. A plain field holder: viewports compute their projection from
// it, and the lights pass and the scene writer read it; no traversal state
// is written. SgTargetCamera is the same camera told apart by its class.
#include "engine/core/SgNode.h"
#include "engine/core/SgTField.h"
#include "engine/core/NodaraExport.h"

class NODARA_API SgCamera : public SgNode {
    SG_CLASS_HEADER(SgCamera, SgFieldMngr)

    SgCamera();

    bool IsPerspective() const { return m_perspective.Get(true) != 0; }

    // Set by the owner that makes this scene camera the view's camera: the
    // view then turns this camera instead of the scene.
    bool IsOrbit() const { return m_bOrbit; }
    void SetOrbit(bool on) { m_bOrbit = on; }

    SgFDouble m_nearDistance;
    SgFDouble m_farDistance;
    SgFDouble m_aspectRatio;
    SgFRotation m_orientation;
    SgFVec3f m_position;
    SgFDouble m_heightAngle;
    SgFDouble m_height;
    SgFUShort m_perspective;
    SgFDouble m_targetDistance;

protected:
    ~SgCamera() override = default;

private:
    bool m_bOrbit = false;
};

class NODARA_API SgTargetCamera : public SgCamera {
    SG_CLASS_HEADER(SgTargetCamera, SgFieldMngr)

    SgTargetCamera() = default;

protected:
    ~SgTargetCamera() override = default;
};
