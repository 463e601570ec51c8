#include "host/WindowCommand.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include <wx/app.h>
#include <wx/frame.h>
#include <wx/init.h>
#include <wx/sizer.h>

#include "host/common/SceneFolder.h"
#include "engine/SgNodara.h"
#include "solids/Solvane.h"
#include "engine/core/SgSeparator.h"
#include "engine/document/SgDocument.h"
#include "engine/document/SgDocumentFiles.h"
#include "engine/render/SgTextureManager.h"
#include "engine/render/SgViewport.h"
#include "engine/nodes/geometry/SgBox.h"
#include "engine/nodes/geometry/SgCylinder.h"
#include "engine/nodes/geometry/SgSphere.h"
#include "engine/tools/SgCreateCylinderTool.h"
#include "engine/tools/SgExamineViewHandler.h"
#include "engine/viewer/SgPrint.h"
#include "engine/viewer/SgViewer.h"
#include "platform/wx/SgWxGLWindow.h"
#include "platform/wx/SgWxPrinter.h"
#include "platform/wx/SgWxProgress.h"

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

// The creation tools the window can start with: a kind name, the class it
// creates and its stage codes (ended by 0).
struct CreationKind {
    const char *name;
    int (*classId)();
    int codes[3];
};
const CreationKind kCreationKinds[] = {
    {"sphere", &SgSphere::ClassID, {2, 0, 0}},
    {"box", &SgBox::ClassID, {2, 3, 0}},
    {"cylinder", &SgCylinder::ClassID, {2, 3, 0}},
};

const CreationKind *FindCreationKind(const char *name)
{
    for (const CreationKind &kind : kCreationKinds)
        if (name && std::strcmp(kind.name, name) == 0)
            return &kind;
    return nullptr;
}

// The window's viewer, for printing; the window owns it.
SgViewer *s_viewer = nullptr;
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

void PrintView();

class SceneFrame : public wxFrame {
public:
    explicit SceneFrame(const wxString &title)
        : wxFrame(nullptr, wxID_ANY, title, wxDefaultPosition, wxDefaultSize)
    {
        // Ctrl+Q and Ctrl+W close the window, as in most programs; Ctrl+P
        // prints the view.
        wxAcceleratorEntry entries[3];
        entries[0].Set(wxACCEL_CTRL, 'Q', wxID_CLOSE);
        entries[1].Set(wxACCEL_CTRL, 'W', wxID_CLOSE);
        entries[2].Set(wxACCEL_CTRL, 'P', wxID_PRINT);
        SetAcceleratorTable(wxAcceleratorTable(3, entries));
        Bind(wxEVT_MENU, [this](wxCommandEvent &) { Close(); }, wxID_CLOSE);
        Bind(wxEVT_MENU, [this](wxCommandEvent &) { PrintView(); }, wxID_PRINT);
        Bind(wxEVT_CLOSE_WINDOW, [](wxCloseEvent &event) {
            SaveOnClose();
            event.Skip();
        });
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
    s_document = m_document;
    FindTexturesBesideScene(m_document, s_scenePath);
    // External files named by an address are fetched only when asked for.
    m_document->SetRemoteContentAllowed(s_allowRemote);
    // Downloads the scene asks for show a dialog with a cancel button.
    SgInstallWxProgressHandler();

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
    s_viewer = viewer;
    viewer->SetShadowed(s_shadows);
    SgWxPrinter::Install(frame);
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
    if (const CreationKind *kind = FindCreationKind(s_createKind)) {
        // A creation tool lives in the scene, as the active tool does; the
        // left button is its own, so the view is not turned meanwhile.
        auto *tool = new SgCreateCylinderTool;
        tool->Setup(kind->classId(), kind->codes);
        m_document->GetRoot()->AddChild(tool);
    } else {
        // The examine handler sees the mouse before the scene's own handlers. A
        // left click over the scene is left to the scene, so that it selects
        // (and a press on a selected object's handle drags the handle); a left
        // drag that no handle takes turns the view.
        SgSeparator *viewRoot = viewport->GetNodara();
        auto *examine = new SgExamineViewHandler;
        examine->SetLeftClickToScene(true);
        if (viewRoot->GetNumChildren() > 0)
            viewRoot->AddChildBefore(examine, viewRoot->GetChild(0));
        else
            viewRoot->AddChild(examine);
    }

    frame->Show();
    canvas->SetFocus();
    return true;
}

void PrintView()
{
    if (!s_viewer)
        return;
    SgPrint print(s_viewer);
    if (!print.Print() && !print.GetError().empty())
        std::fprintf(stderr, "fennix: printing failed: %s\n", print.GetError().c_str());
}

int FennixApp::OnExit()
{
    SaveOnClose();
    s_document = nullptr;
    SgDocument::Destroy(m_document);
    m_document = nullptr;
    return wxApp::OnExit();
}

} // namespace

wxIMPLEMENT_APP_NO_MAIN(FennixApp);

extern "C" int FennixRunWindowCommand(int argc, char **argv, const char *scenePath, const WindowOptions *given)
{
    const WindowOptions &options = *given;
    if (options.createKind && !FindCreationKind(options.createKind)) {
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
