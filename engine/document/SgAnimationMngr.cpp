#include "engine/document/SgAnimationMngr.h"

#include "engine/core/SgPathList.h"
#include "engine/actions/SgSaveAction.h"
#include "engine/actions/Vrml1InStream.h"
#include "engine/document/SgDocument.h"
#include "engine/core/SgSeparator.h"
#include "engine/core/SgKeyPoint.h"
#include "engine/handlers/SgSelectionHandler.h"

SG_CLASS_SOURCE(SgAnimationMngr, SgTool, SgFieldMngr, "SgAnimationMngr")

SgAnimationMngr::SgAnimationMngr() : SgTool(Plane(Vec3(0.0, 0.0, 1.0), 0.0)), m_scenario(this)
{
    AddField(m_TrajectoryParam, "m_TrajectoryParam", 0.0);
    // The trajectory track: 0 at time 0, 1 at the end of the trajectory.
    const double end = 1.0;
    const double start = 0.0;
    m_scenario.AddRecordItem(&m_TrajectoryParam, 0.0, true);
    m_TrajectoryParam.SetValuePtr(&end, -1, false, true);
    m_scenario.AddRecordItem(&m_TrajectoryParam, kTrajectoryEnd, true);
    m_TrajectoryParam.SetValuePtr(&start, -1, false, true);
    // Keys added from now on are the user's edits: undone like any other.
    m_scenario.SetUndoDocument([this] { return GetDocumentHack(); });
}

SgAnimationMngr::~SgAnimationMngr()
{
    m_scenario.Clear(false);
}

void SgAnimationMngr::Play(double t)
{
    SgUndoRecordingPause pause(GetDocumentHack());
    m_scenario.Play(t);
}

void SgAnimationMngr::Record(double t)
{
    SgDocument *document = GetDocumentHack();
    SgSelectionHandler *handler = document ? document->GetSelectionHandler() : nullptr;
    if (!handler)
        return;
    // The keys of every field recorded at `t` are one step.
    SgKeyPoint step(document);
    if (handler->m_bSubObject) {
        const SgPath &edited = handler->GetEditedObject();
        if (SgSeparator *object = edited.IsEmpty() ? nullptr : edited.GetObject(true))
            m_scenario.Record(t, object);
        return;
    }
    const SgPathList selected(handler->GetPathList());
    for (POSITION pos = selected.GetFirst(); pos;) {
        const SgPath path = selected.GetNext(pos);
        if (SgSeparator *object = path.IsEmpty() ? nullptr : path.GetObject(true))
            m_scenario.Record(t, object);
    }
}

void SgAnimationMngr::SetTrajectoryValue(double t)
{
    const double last = GetLastFrameTime();
    if (last != 0.0)
        m_TrajectoryParam = t / last;
}

void SgAnimationMngr::SaveScenario(SgAction *action, SgNode *node)
{
    auto *save = dynamic_cast<SgSaveAction *>(action);
    if (!save || !node || !node->IsDerivedFrom(ClassID()))
        return;
    static_cast<SgAnimationMngr *>(node)->m_scenario.Write(*save);
}

void SgAnimationMngr::ReadScenario(Vrml1InStream &stream)
{
    SgDocument *document = stream.m_pDocument;
    SgAnimationMngr *manager = document ? document->GetAnimationMngr() : nullptr;
    if (!manager) {
        stream.Report("The Scenario section is skipped: the scene is read without a document", "Scenario");
        if (!stream.SkipBracketed())
            stream.Fail("The file ends inside the Scenario section");
        return;
    }
    manager->m_scenario.Read(stream, manager);
}

void SgAnimationMngr::InstallFileHooks()
{
    SgAction::SetVisitor(SgSaveAction::ClassID(), ClassID(), &SaveScenario);
    SgAction::BuildVisitorsMap_(SgSaveAction::ClassID());
    Vrml1InStream::SetScenarioReader(&ReadScenario);
}
