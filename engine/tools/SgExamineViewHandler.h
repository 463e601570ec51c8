#pragma once
// Lets the user examine the scene with the mouse: the left button turns the
// scene (or does what the main mode says), the middle button pans, the right
// button dollies, the wheel zooms. Each step changes the first viewport's
// camera transform or camera and redraws the viewer.
//
// It answers the middle button and the wheel, which the base message table
// drops, by overriding HandleFunc itself.
//
// In a window where a person also selects (SetLeftClickToScene), a left
// press over something of the scene is left to the scene: a click there
// selects, a press on a manipulator's handle is the manipulator's drag, and
// a press elsewhere on the scene that moves 2 pixels or more turns the view
// after all. A left drag over empty space turns it at once.
#include "engine/handlers/SgEventHandler.h"
#include "engine/core/NodaraExport.h"

class NODARA_API SgExamineViewHandler : public SgEventHandler {
    SG_CLASS_HEADER(SgExamineViewHandler, SgFieldMngr)

    enum ViewerMode : int {
        kNone = 0,
        kRotate = 1,
        kPan = 2,
        kDolly = 3,
        kLensZoom = 4,
        kWheelZoom = 5,
    };

    // Steps follow the camera's distance from the scene; distances below
    // kMinSpeedBase (or an empty scene) take the fallback.
    static constexpr double kMinSpeedBase = 1e-8;
    static constexpr double kFallbackSpeedBase = 5.0;
    // Lens limits: the height angle in degrees stays below a half turn.
    static constexpr double kMinHeightAngle = 0.1;
    static constexpr double kMaxHeightAngle = 179.9;
    static constexpr double kMinLensHeight = 0.01;

    SgExamineViewHandler() = default;

    int HandleFunc(SgHandleEventAction *action) override;
    // Escape during a drag: the drag ends where it is and the mouse is
    // given back (1); 0 when no drag runs.
    int CancelDrag(SgHandleEventAction *action);
    // Begins a drag in the current mode.
    void OnActivate(SgHandleEventAction *action);
    // One step of the current mode; the argument is not used.
    int OnMouseMove(double unused);
    using SgEventHandler::OnMouseMove;

    ViewerMode GetMode(ViewerMode = kNone) const { return m_mode; }
    void SetMode(ViewerMode mode) { m_mode = mode; }
    ViewerMode GetMainMode() const { return m_mainMode; }
    void SetMainMode(ViewerMode mode) { m_mainMode = mode; }
    // A drag can begin only while the left Alt key is down.
    void SetAlt(bool altOnly) { m_bAltOnly = altOnly; }
    void SetLeftClickToScene(bool on) { m_bLeftClickToScene = on; }
    bool GetLeftClickToScene() const { return m_bLeftClickToScene; }
    // The left button is the scene's alone (a creation tool's clicks); the
    // other buttons and the wheel still move the view.
    void SetLeftToScene(bool on) { m_bLeftToScene = on; }
    // Less mouse travel than this (in both directions) after a left press
    // over the scene is still a click.
    static constexpr int kMinDrag = 2;
    double GetSpeedBase() const { return m_dSpeedBase; }

protected:
    ~SgExamineViewHandler() override = default;

private:
    double SceneSpeedBase() const;
    // The camera's distance from the middle of the scene (the scene's size
    // when the camera is there); 0 for an empty scene.
    double SceneReach() const;
    enum Under : int { kEmpty, kScene, kHandle };
    // What lies under the event's cursor: nothing, the scene, or a handle
    // of a manipulator's gizmo.
    Under WhatIsUnder(SgHandleEventAction *action) const;

    int m_startX = 0;
    int m_startY = 0;
    int m_prevX = 0;
    int m_prevY = 0;
    int m_curX = 0;
    int m_curY = 0;
    bool m_bReserved = false;
    bool m_bAltOnly = false;
    bool m_bLeftClickToScene = false;
    bool m_bLeftToScene = false;
    // A left press over the scene that is not (yet) a drag of the view.
    bool m_bLeftPending = false;
    // Escape ended the drag; the button's release is still to come.
    bool m_bCancelled = false;
    double m_dStartLensAngle = 0.0;
    double m_dStartLensHeight = 0.0;
    double m_dSpeedBase = 0.0;
    ViewerMode m_mode = kNone;
    ViewerMode m_mainMode = kRotate;
    SgHandleEventAction *m_pAction = nullptr;
};
