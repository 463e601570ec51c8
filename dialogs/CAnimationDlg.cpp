#include "dialogs/CAnimationDlg.h"

#include <algorithm>
#include <cmath>

#include "engine/document/SgAnimationMngr.h"
#include "engine/document/SgDocument.h"

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
    // Following a curve is not offered yet.
    return false;
}
