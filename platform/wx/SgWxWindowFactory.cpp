#include "platform/wx/SgWxWindowFactory.h"

#include <algorithm>

#include <wx/display.h>
#include <wx/frame.h>
#include <wx/sizer.h>

#include "platform/wx/SgWxGLWindow.h"

SgWxWindowFactory::SgWxWindowFactory(wxWindow *parent) : m_pParent(parent) {}

SgWxWindowFactory::~SgWxWindowFactory()
{
    const std::vector<wxFrame *> frames = m_frames;
    m_frames.clear();
    for (wxFrame *frame : frames) {
        frame->Unbind(wxEVT_DESTROY, &SgWxWindowFactory::OnFrameDestroyed, this, frame->GetId());
        frame->Destroy();
    }
}

SgPlatformWindow *SgWxWindowFactory::CreateTopLevelWindow(const std::string &title, int width, int height,
                                                          bool fullScreen)
{
    if (!fullScreen && (width <= 0 || height <= 0))
        return nullptr;
    auto *frame = new wxFrame(m_pParent, wxID_ANY, wxString::FromUTF8(title));
    SgWxGLWindow *canvas = SgWxGLWindow::Create(frame);
    if (!canvas) {
        frame->Destroy();
        return nullptr;
    }
    auto *sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(canvas, 1, wxEXPAND);
    frame->SetSizer(sizer);
    m_frames.push_back(frame);
    // Only the frame itself, not the canvas inside it, ends its entry.
    frame->Bind(wxEVT_DESTROY, &SgWxWindowFactory::OnFrameDestroyed, this, frame->GetId());
    if (fullScreen) {
        frame->ShowFullScreen(true);
    } else {
        frame->SetClientSize(width, height);
        frame->Show();
    }
    frame->Raise();
    canvas->SetFocus();
    return canvas;
}

bool SgWxWindowFactory::GetLargestSize(int &width, int &height) const
{
    // Mesa's software and hardware drivers draw into at most 16384 pixels a
    // side; a bigger window's surface is never made whole.
    constexpr int kLargestGLSide = 16384;
    const int index = m_pParent ? wxDisplay::GetFromWindow(m_pParent) : 0;
    const wxRect screen = wxDisplay(index == wxNOT_FOUND ? 0u : static_cast<unsigned>(index)).GetGeometry();
    if (screen.width <= 0 || screen.height <= 0)
        return false;
    width = std::min(screen.width, kLargestGLSide);
    height = std::min(screen.height, kLargestGLSide);
    return true;
}

void SgWxWindowFactory::OnFrameDestroyed(wxWindowDestroyEvent &event)
{
    // The event comes from the window's destructor, where the object is no
    // longer a frame to a dynamic cast: the addresses are compared.
    const wxObject *gone = event.GetEventObject();
    m_frames.erase(std::remove_if(m_frames.begin(), m_frames.end(),
                                  [gone](wxFrame *frame) { return static_cast<wxObject *>(frame) == gone; }),
                   m_frames.end());
    event.Skip();
}
