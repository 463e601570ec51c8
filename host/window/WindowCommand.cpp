#include "host/WindowCommand.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include <wx/accel.h>
#include <wx/app.h>
#include <wx/init.h>

#include "facade/CDrevon.h"
#include "host/common/SceneFolder.h"
#include "host/modeller/HostCommandTable.h"
#include "host/window/ModellerFrame.h"
#include "engine/SgNodara.h"
#include "solids/Solvane.h"
#include "engine/core/SgSeparator.h"
#include "engine/document/SgDocument.h"
#include "engine/document/SgDocumentFiles.h"
#include "engine/render/SgViewport.h"
#include "engine/viewer/SgViewer.h"
#include "platform/wx/SgWxGLWindow.h"
#include "platform/wx/SgWxPrinter.h"
#include "platform/wx/SgWxProgress.h"
#include "platform/wx/SgWxServices.h"

namespace {

constexpr int kInitialWidth = 640;
constexpr int kInitialHeight = 480;
// The scene fills this share of the window's height when it is framed.
constexpr double kFrameFactor = 1.1;

// What the application needs from the command line; wx owns argc and argv.
const char *s_scenePath = nullptr;
const char *s_createKind = nullptr;
const char *s_savePath = nullptr;
bool s_allowRemote = false;
bool s_shadows = false;
int s_exitStatus = 0;

// The scene the window shows, written at the close when asked.
SgDocument *s_document = nullptr;
bool s_saved = false;

// Writes the scene to the --save-on-close file while the window and its
// viewer still stand, so that the view the user turned is written with it.
void SaveOnClose()
{
    if (!s_savePath || !s_document || s_saved)
        return;
    s_saved = true;
    if (s_document->Save(s_savePath, "kvrx") != 1) {
        std::fprintf(stderr, "fennix: %s could not be written\n", s_savePath);
        s_exitStatus = 1;
    }
}

class FennixApp : public wxApp {
public:
    // OnExit is not called when OnInit fails: the facade and its document
    // go here then.
    ~FennixApp() override = default;
    bool OnInit() override;
    int OnExit() override;

private:
    // The facade owns the document; it goes before the services it uses.
    std::unique_ptr<SgWxServices> m_services;
    std::unique_ptr<drevon::CDrevon> m_facade;
};

bool FennixApp::OnInit()
{
    SgNodara::Init();
    solvane::Solvane::Init();  // the solid classes, so scenes with solids read and draw
    m_facade = std::make_unique<drevon::CDrevon>();
    SgDocument *document = m_facade->CreateDocument();
    if (!document) {
        std::fprintf(stderr, "fennix: no document could be made\n");
        s_exitStatus = 1;
        return false;
    }
    s_document = document;
    FindTexturesBesideScene(document, s_scenePath);
    // External files named by an address are fetched only when asked for.
    document->SetRemoteContentAllowed(s_allowRemote);
    // Downloads the scene asks for show a dialog with a cancel button.
    SgInstallWxProgressHandler();
    m_facade->RegisterControlButtons(nullptr, nullptr, nullptr, nullptr);

    const std::string title = std::filesystem::path(s_scenePath).filename().string();
    auto *frame = new ModellerFrame(wxString::FromUTF8(title), m_facade.get());
    frame->Bind(wxEVT_CLOSE_WINDOW, [](wxCloseEvent &event) {
        SaveOnClose();
        event.Skip();
    });
    // Ctrl+W closes the window too, as in most programs; both closing keys
    // also work when the key comes to the window rather than to its menu.
    wxAcceleratorEntry closeKeys[2];
    closeKeys[0].Set(wxACCEL_CTRL, 'Q', ModellerFrame::ItemOf(modeller::kHostExit));
    closeKeys[1].Set(wxACCEL_CTRL, 'W', ModellerFrame::ItemOf(modeller::kHostExit));
    frame->SetAcceleratorTable(wxAcceleratorTable(2, closeKeys));
    SgWxGLWindow *canvas = frame->CreateCanvas();
    if (!canvas) {
        std::fprintf(stderr, "fennix: the display offers no OpenGL visual\n");
        frame->Destroy();
        s_exitStatus = 1;
        return false;
    }
    if (!canvas->HasAccumulation())
        std::fprintf(stderr, "fennix: the display has no accumulation buffer; edges are drawn without smoothing\n");
    frame->SetCanvasSize(kInitialWidth, kInitialHeight);

    // The viewer exists before the file is read, so that a saved view is
    // handed to it. The window deletes it when the window is destroyed.
    SgViewer *viewer = m_facade->CreateViewer(static_cast<SgPlatformWindow *>(canvas));
    viewer->SetShadowed(s_shadows);
    SgWxPrinter::Install(frame);
    SgSeparator *defaultView = viewer->GetViewport(0)->GetNodara();
    const int read = m_facade->OpenFile(s_scenePath, true);
    if (read != SgDocumentFiles::kReadDone) {
        std::fprintf(stderr, "fennix: %s %s\n", s_scenePath, SgDocumentFiles::Describe(read));
        frame->Destroy();
        s_exitStatus = 1;
        return false;
    }
    // From here on messages and file requests are the window's; a scene
    // that cannot be opened is reported on standard error, as in headless runs.
    m_services = std::make_unique<SgWxServices>(frame);
    SgViewport *viewport = viewer->GetViewport(0);
    if (viewport->GetNodara() == defaultView)
        viewport->Focus(nullptr, kFrameFactor);
    // The viewing tool sees the mouse before the scene's own handlers. A
    // left click over the scene is left to the scene, so that it selects
    // (and a press on a selected object's handle drags the handle); a left
    // drag that no handle takes turns the view.
    m_facade->OnRotateScene(1);
    // The toolbar shows the manipulator new selections get.
    m_facade->AddSelectionManip(m_facade->GetManipulatorKind());
    m_facade->postProcessButtons();
    if (s_createKind)
        m_facade->ApplyButton(modeller::CreationCommand(s_createKind));

    frame->Show();
    canvas->SetFocus();
    return true;
}

int FennixApp::OnExit()
{
    SaveOnClose();
    s_document = nullptr;
    m_facade.reset();
    m_services.reset();
    return wxApp::OnExit();
}

} // namespace

wxIMPLEMENT_APP_NO_MAIN(FennixApp);

extern "C" int FennixRunWindowCommand(int argc, char **argv, const char *scenePath, const WindowOptions *given)
{
    const WindowOptions &options = *given;
    if (options.createKind && modeller::CreationCommand(options.createKind) == 0) {
        std::fprintf(stderr, "fennix: no creation tool is called %s (sphere, box, cylinder)\n", options.createKind);
        return 2;
    }
    s_createKind = options.createKind;
    s_savePath = options.savePath;
    s_allowRemote = options.allowRemote;
    s_shadows = options.shadows;
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
