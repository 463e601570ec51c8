#pragma once
// The document's animation manager: records the values of node fields at
// chosen times and plays them back (see CScenario). Besides the tracks of
// scene fields it owns the track of its own field "m_TrajectoryParam", a
// number that runs from 0 at time 0 to 1 at time 100.
//
// It is a tool only by descent: it handles no events. Its save-action visitor
// writes the scenario block, and the scene reader hands it the block it reads.
#include "engine/core/SgTField.h"
#include "engine/document/CScenario.h"
#include "engine/handlers/SgTool.h"
#include "engine/core/NodaraExport.h"

class SgAction;
class Vrml1InStream;

class NODARA_API SgAnimationMngr : public SgTool {
    SG_CLASS_HEADER(SgAnimationMngr, SgFieldMngr)

    static constexpr double kTrajectoryEnd = 100.0;

    SgAnimationMngr();

    // Plays the scenario at `t` with the document's undo recording off, so
    // that playback leaves no undo records.
    void Play(double t);
    // Records the object of every selected path (or, during sub-object
    // editing, of the edited path) at `t`.
    void Record(double t);
    // m_TrajectoryParam = t / last key time (nothing while that is 0).
    void SetTrajectoryValue(double t);
    double GetFirstFrameTime() const { return m_scenario.GetFrameTime(CScenario::kFirstRestart, 1); }
    double GetLastFrameTime() const { return m_scenario.GetFrameTime(CScenario::kLastRestart, -1); }
    double GetNextFrameTime(double t) const { return m_scenario.GetFrameTime(t, 1); }
    double GetPrevFrameTime(double t) const { return m_scenario.GetFrameTime(t, -1); }
    CScenario &GetScenario() { return m_scenario; }

    // The save-action visitor: writes the scenario to the action's stream.
    // The action must be the one that wrote the scene, so that the tracks
    // name the nodes by the ids they were written under.
    static void SaveScenario(SgAction *action, SgNode *node);
    // The scene reader's hook: reads the block into the scenario of the
    // reading document's manager (skipped, with a message, without one).
    static void ReadScenario(Vrml1InStream &stream);
    // Installs the visitor and the reader hook; the library start-up calls
    // it after the save action's class is set up.
    static void InstallFileHooks();

    SgFDouble m_TrajectoryParam;

protected:
    ~SgAnimationMngr() override;

private:
    CScenario m_scenario;
};
