#include "dialogs/CAnimationDlg.h"

#include <algorithm>
#include <cmath>

#include "engine/core/SgPath.h"
#include "engine/core/SgSeparator.h"
#include "engine/document/SgAnimationMngr.h"
#include "engine/document/SgDocument.h"
#include "engine/engines/SgSplineEngine.h"
#include "engine/handlers/SgSelectionHandler.h"
#include "engine/nodes/geometry/SgSpline.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/nodes/properties/SgTransform.h"

double CAnimationDlg::s_currentTime = 0.0;

CAnimationDlg::CAnimationDlg(SgDocument *document, void *parent) : CCadDlg(document, kDialogId, parent) {}

void CAnimationDlg::Changed()
{
    if (m_fnChanged)
        m_fnChanged(m_pChangedData);
}

void CAnimationDlg::OnInitDialog()
{
    m_frameSlider = 0;
    m_resolutionSlider = 50;
    Changed();
}

void CAnimationDlg::DoPlay(double t)
{
    SgDocument *document = GetDocument();
    SgAnimationMngr *manager = document ? document->GetAnimationMngr() : nullptr;
    if (!manager)
        return;
    manager->Play(t);
    if (document->GetViewerCount() > 0)
        document->RedrawAllViewers();
}

void CAnimationDlg::OnFrameSlider(int position)
{
    m_frameSlider = std::clamp(position, 0, kFrameMax);
    m_frameNumber = m_frameSlider;
    if (!m_playing) {
        s_currentTime = m_frameSlider;
        DoPlay(s_currentTime);
    }
    Changed();
}

void CAnimationDlg::OnFrameEdit(int frame)
{
    m_frameNumber = frame;
    m_frameSlider = std::clamp(frame, 0, kFrameMax);
    if (!m_playing) {
        s_currentTime = frame;
        DoPlay(s_currentTime);
    }
    Changed();
}

void CAnimationDlg::OnResolutionSlider(int position)
{
    m_resolutionSlider = std::clamp(position, 0, kResolutionMax);
    m_resolution = std::pow(10.0, double(m_resolutionSlider - kResolutionMax) / kResolutionMax);
    Changed();
}

void CAnimationDlg::SetResolution(double resolution)
{
    if (std::isfinite(resolution))
        m_resolution = std::clamp(resolution, 0.0, 100.0);
    Changed();
}

void CAnimationDlg::MoveTo(double t)
{
    s_currentTime = t;
    const int frame = static_cast<int>(std::clamp(std::trunc(t), -1e9, 1e9));
    m_frameSlider = std::clamp(frame, 0, kFrameMax);
    m_frameNumber = frame;
    DoPlay(t);
    Changed();
}

void CAnimationDlg::OnPrevKey()
{
    SgDocument *document = GetDocument();
    SgAnimationMngr *manager = document ? document->GetAnimationMngr() : nullptr;
    if (manager)
        MoveTo(manager->GetPrevFrameTime(s_currentTime));
}

void CAnimationDlg::OnNextKey()
{
    SgDocument *document = GetDocument();
    SgAnimationMngr *manager = document ? document->GetAnimationMngr() : nullptr;
    if (manager)
        MoveTo(manager->GetNextFrameTime(s_currentTime));
}

void CAnimationDlg::OnRecord()
{
    SgDocument *document = GetDocument();
    SgAnimationMngr *manager = document ? document->GetAnimationMngr() : nullptr;
    if (manager && !m_playing)
        manager->Record(m_frameSlider);
    Changed();
}

void CAnimationDlg::OnPlayPause()
{
    m_playing = !m_playing;
    Changed();
}

void CAnimationDlg::OnTimer()
{
    SgDocument *document = GetDocument();
    SgAnimationMngr *manager = document ? document->GetAnimationMngr() : nullptr;
    s_currentTime += m_resolution;
    if (manager && s_currentTime > manager->GetLastFrameTime())
        s_currentTime = manager->GetFirstFrameTime();
    DoPlay(s_currentTime);
    const int frame = static_cast<int>(std::clamp(std::trunc(s_currentTime + 0.5), -1e9, 1e9));
    m_frameSlider = std::clamp(frame, 0, kFrameMax);
    m_frameNumber = frame;
    Changed();
}

bool CAnimationDlg::OnAnimationAlongPath()
{
    SgDocument *document = GetDocument();
    SgSelectionHandler *selection = document ? document->GetSelectionHandler() : nullptr;
    SgAnimationMngr *manager = document ? document->GetAnimationMngr() : nullptr;
    if (!selection || !manager || selection->GetSelCount() != 2)
        return false;
    POSITION at = selection->GetPathList().GetFirst();
    const SgPath first = selection->GetPathList().GetNext(at);
    SgPath second = selection->GetPathList().GetNext(at);
    auto *object = first.IsEmpty() ? nullptr : dynamic_cast<SgObject *>(first.GetObject(true));
    if (!object || second.IsEmpty() || !second.ExtendToShape())
        return false;
    auto *curve = dynamic_cast<SgPolyLine *>(second.GetLastElement());
    SgTransform *transform = curve ? object->GetTransform(true) : nullptr;
    if (!transform)
        return false;
    // The engine is held by the inputs it drives.
    SgRef<SgSplineEngine> engine(new SgSplineEngine);
    manager->m_TrajectoryParam.AsOutput().Connect(engine->m_u);
    curve->m_coordinates.AsOutput().Connect(engine->m_coords);
    curve->m_closed.AsOutput().Connect(engine->m_closed);
    if (auto *spline = dynamic_cast<SgSpline *>(curve)) {
        spline->m_nodeCache.AsOutput().Connect(engine->m_nodeCache);
        spline->m_curveType.AsOutput().Connect(engine->m_type);
        if (auto *bspline = dynamic_cast<SgBSpline *>(spline))
            bspline->m_weights.AsOutput().Connect(engine->m_weights);
        else if (auto *bezier = dynamic_cast<SgBezierSpline *>(spline))
            bezier->m_cntrlPoints.AsOutput().Connect(engine->m_cntrlPoints);
    }
    return engine->m_point.Connect(transform->m_translation.AsInput());
}
