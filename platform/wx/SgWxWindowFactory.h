#pragma once
// The toolkit's windows for the viewers library code opens itself (a view in
// a window of its own, the full-screen view): a top-level frame holding one
// GL canvas, the canvas being the platform window. Closing the frame (its
// close button, or the window's DestroyWindow) destroys the canvas, whose
// destroy message ends the viewer on it.
//
//   SgWxWindowFactory factory(mainFrame);
//   SetWindowFactory(&factory);   // SetWindowFactory(nullptr) before it goes
#include <vector>

#include "platform/window/SgWindowFactory.h"
#include "platform/wx/PlatformWxExport.h"

class wxFrame;
class wxWindow;
class wxWindowDestroyEvent;

class PLATFORMWX_API SgWxWindowFactory : public SgWindowFactory {
public:
    // The frames belong to `parent` (they close with it); null makes them
    // free-standing.
    explicit SgWxWindowFactory(wxWindow *parent);
    // Closes the frames still open.
    ~SgWxWindowFactory() override;
    SgWxWindowFactory(const SgWxWindowFactory &) = delete;
    SgWxWindowFactory &operator=(const SgWxWindowFactory &) = delete;

    // A shown frame whose canvas has that client size, or covers the screen
    // with `fullScreen`; null when the display offers no GL visual.
    SgPlatformWindow *CreateTopLevelWindow(const std::string &title, int width, int height,
                                           bool fullScreen) override;
    // The screen the parent stands on (the first one without a parent),
    // within the largest surface GL draws into.
    bool GetLargestSize(int &width, int &height) const override;
    int GetWindowCount() const { return static_cast<int>(m_frames.size()); }

private:
    void OnFrameDestroyed(wxWindowDestroyEvent &event);

    wxWindow *m_pParent;
    std::vector<wxFrame *> m_frames;
};
