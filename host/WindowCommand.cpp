#include "host/WindowCommand.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <wx/app.h>
#include <wx/frame.h>
#include <wx/init.h>
#include <wx/sizer.h>

#include "engine/SgNodara.h"
#include "solids/Solvane.h"
#include "engine/core/SgSeparator.h"
#include "engine/document/SgDocument.h"
#include "engine/document/SgDocumentFiles.h"
#include "engine/render/SgTextureManager.h"
#include "engine/render/SgViewport.h"
#include "engine/tools/SgExamineViewHandler.h"
#include "engine/viewer/SgViewer.h"
#include "platform/wx/SgWxGLWindow.h"

namespace {

constexpr int kInitialWidth = 640;
constexpr int kInitialHeight = 480;
// The scene fills this share of the window's height when it is framed.
constexpr double kFrameFactor = 1.1;

// What the application needs from the command line; wx owns argc and argv.
const char *s_scenePath = nullptr;
int s_exitStatus = 0;

class SceneFrame : public wxFrame {
public:
    explicit SceneFrame(const wxString &title)
        : wxFrame(nullptr, wxID_ANY, title, wxDefaultPosition, wxDefaultSize)
    {
        // Ctrl+Q and Ctrl+W close the window, as in most programs.
        wxAcceleratorEntry entries[2];
        entries[0].Set(wxACCEL_CTRL, 'Q', wxID_CLOSE);
        entries[1].Set(wxACCEL_CTRL, 'W', wxID_CLOSE);
        SetAcceleratorTable(wxAcceleratorTable(2, entries));
        Bind(wxEVT_MENU, [this](wxCommandEvent &) { Close(); }, wxID_CLOSE);
    }
};

class FennixApp : public wxApp {
public:
    // OnExit is not called when OnInit fails: the document goes here then.
    ~FennixApp() override { SgDocument::Destroy(m_document); }
    bool OnInit() override;
    int OnExit() override;

private:
    SgDocument *m_document = nullptr;
};

bool FennixApp::OnInit()
{
    SgNodara::Init();
    solvane::Solvane::Init();  // the solid classes, so scenes with solids read and draw
    m_document = SgDocument::Create();
    if (!m_document) {
        std::fprintf(stderr, "fennix: no document could be made\n");
        s_exitStatus = 1;
        return false;
    }
    m_document->SetTextureMngrFactory(&SgTextureManager::DocumentFactory);

    const std::string title = std::filesystem::path(s_scenePath).filename().string();
    auto *frame = new SceneFrame(wxString::FromUTF8(title));
    SgWxGLWindow *canvas = SgWxGLWindow::Create(frame);
    if (!canvas) {
        std::fprintf(stderr, "fennix: the display offers no OpenGL visual\n");
        frame->Destroy();
        s_exitStatus = 1;
        return false;
    }
    if (!canvas->HasAccumulation())
        std::fprintf(stderr, "fennix: the display has no accumulation buffer; edges are drawn without smoothing\n");
    auto *sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(canvas, 1, wxEXPAND);
    frame->SetSizer(sizer);
    frame->SetClientSize(kInitialWidth, kInitialHeight);

    // The viewer exists before the file is read, so that a saved view is
    // handed to it. The window deletes it when the window is destroyed.
    SgViewer *viewer = m_document->CreateDefaultViewer(static_cast<SgPlatformWindow *>(canvas), nullptr);
    SgSeparator *defaultView = viewer->GetViewport(0)->GetNodara();
    const int read = m_document->OpenFile(s_scenePath, true);
    if (read != SgDocumentFiles::kReadDone) {
        std::fprintf(stderr, "fennix: %s %s\n", s_scenePath, SgDocumentFiles::Describe(read));
        frame->Destroy();
        s_exitStatus = 1;
        return false;
    }
    SgViewport *viewport = viewer->GetViewport(0);
    if (viewport->GetNodara() == defaultView)
        viewport->Focus(nullptr, kFrameFactor);
    // The examine handler sees the mouse before the scene's own handlers.
    SgSeparator *viewRoot = viewport->GetNodara();
    auto *examine = new SgExamineViewHandler;
    if (viewRoot->GetNumChildren() > 0)
        viewRoot->AddChildBefore(examine, viewRoot->GetChild(0));
    else
        viewRoot->AddChild(examine);

    frame->Show();
    canvas->SetFocus();
    return true;
}

int FennixApp::OnExit()
{
    SgDocument::Destroy(m_document);
    m_document = nullptr;
    return wxApp::OnExit();
}

} // namespace

wxIMPLEMENT_APP_NO_MAIN(FennixApp);

int RunWindowCommand(int argc, char **argv, const char *scenePath)
{
    const char *display = std::getenv("DISPLAY");
    const char *wayland = std::getenv("WAYLAND_DISPLAY");
    if ((!display || !*display) && (!wayland || !*wayland)) {
        std::fprintf(stderr, "fennix: no display to open a window on (set DISPLAY, or run it under xvfb-run -a)\n");
        return 1;
    }
    s_scenePath = scenePath;
    s_exitStatus = 0;
    const int status = wxEntry(argc, argv);
    return s_exitStatus != 0 ? s_exitStatus : status;
}
