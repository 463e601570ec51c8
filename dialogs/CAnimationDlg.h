#pragma once
// The key-frame bar without the toolkit: a frame slider and number,
// previous key, record, play or pause, next key, a playback resolution, and
// playback ticks that wrap past the last key to the first. It drives the
// document's animation manager and redraws all viewers after every change
// of time. The window runs the ticks while IsPlaying() (a timer of its own).
//
//   CAnimationDlg dialog(document);
//   dialog.OnInitDialog();
//   dialog.OnResolutionSlider(50);   // step 10^-0.5
//   dialog.OnPlayPause();            // playing: the window ticks OnTimer()
#include "dialogs/CCadDlg.h"
#include "dialogs/PallicoExport.h"

class PALLICO_API CAnimationDlg : public CCadDlg {
public:
    static constexpr unsigned kDialogId = 2023;
    static constexpr int kFrameMax = 100;
    static constexpr int kResolutionMax = 100;

    explicit CAnimationDlg(SgDocument *document, void *parent = nullptr);

    void OnInitDialog();
    // The frame slider moved / a frame number typed: played unless playing.
    void OnFrameSlider(int position);
    void OnFrameEdit(int frame);
    // resolution = 10 ^ ((position - maximum) / maximum).
    void OnResolutionSlider(int position);
    void SetResolution(double resolution);
    void SetAutoStep(int step) { m_autoStep = step; }
    void OnPrevKey();
    void OnNextKey();
    void OnRecord();
    void OnPlayPause();
    // One playback tick: the time moves on by the resolution, wrapping past
    // the last key to the first.
    void OnTimer();
    // With exactly two objects selected, the first follows the second's
    // curve while the scenario plays; false otherwise.
    bool OnAnimationAlongPath();

    int GetFrameSlider() const { return m_frameSlider; }
    int GetFrameNumber() const { return m_frameNumber; }
    double GetResolution() const { return m_resolution; }
    int GetResolutionSlider() const { return m_resolutionSlider; }
    int GetAutoStep() const { return m_autoStep; }
    bool IsPlaying() const { return m_playing; }
    // The time last played, shared by every animation dialog.
    static double GetCurrentTime() { return s_currentTime; }
    static void SetCurrentTime(double t) { s_currentTime = t; }

    void SetChangedCallback(void (*changed)(void *), void *data)
    {
        m_fnChanged = changed;
        m_pChangedData = data;
    }

private:
    void DoPlay(double t);
    void MoveTo(double t);
    void Changed();

    int m_frameSlider = 0;
    int m_frameNumber = 0;
    double m_resolution = 1.0;
    int m_resolutionSlider = 50;
    int m_autoStep = 10;
    bool m_playing = false;
    void (*m_fnChanged)(void *) = nullptr;
    void *m_pChangedData = nullptr;
    static double s_currentTime;
};
