#include "host/WindowCommand.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <numbers>
#include <optional>
#include <string>

#include <wx/accel.h>
#include <wx/app.h>
#include <wx/init.h>
#include <wx/toplevel.h>

#include "facade/CDrevon.h"
#include "host/common/SceneFolder.h"
#include "facade/CommandRecord.h"
#include "host/window/ControlChannel.h"
#include "host/window/ModellerFrame.h"
#include "control/wx/FennixCtrl.h"
#include "control/wx/SgWxDialogFactory.h"
#include "engine/SgNodara.h"
#include "solids/Solvane.h"
#include "engine/core/SgSeparator.h"
#include "engine/document/SgDocument.h"
#include "engine/document/SgDocumentFiles.h"
#include "engine/render/SgViewport.h"
#include "engine/viewer/SgViewer.h"
#include "platform/wx/SgWxGLWindow.h"
#include "platform/wx/SgWxPrinter.h"
#include "platform/Notifier.h"
#include "platform/SgDiagnostics.h"
#include "platform/wx/SgWxNotifier.h"
#include "platform/wx/SgWxProgress.h"
#include "platform/wx/SgWxTimerService.h"
#include "platform/wx/SgWxWindowFactory.h"

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
bool s_listen = false;
bool s_stdio = false;
const char *s_listenPath = nullptr;
int s_exitStatus = 0;

// The scene the window shows, written at the close when asked.
SgDocument *s_document = nullptr;
bool s_saved = false;
// The canvas, whose drags and tools end before the window goes.
SgWxGLWindow *s_canvas = nullptr;
// The undo list's place when the scene was read or last written: anywhere
// else, the scene has changes the file does not hold.

// A new window looks at the scene from the front and a little above, with
// the scene's z axis up, so that a horizontal drag turns the scene about
// the picture's vertical (the base plane of a creation is seen at a slant).
constexpr double kDefaultViewTiltDegrees = 25.0;

// The facade knows whether the scene changed since it was read or written
// (through the menus or here).
drevon::CDrevon *s_facade = nullptr;

bool HasUnsavedChanges()
{
    return s_facade && s_facade->GetFiles().IsModified();
}

void MarkSaved()
{
    if (s_facade)
        s_facade->GetFiles().MarkSaved();
}

// Asks whether changes should be written before the window closes. False
// when the user cancels the closing (or the file could not be written).
bool OfferToSave()
{
    if (s_savePath || !HasUnsavedChanges())
        return true;
    // The document's own name once a Save As gave it one; a failed Save As
    // leaves it as it was.
    const std::string current = s_document ? s_document->GetFileName() : std::string();
    const std::string known = current.empty() ? std::string(s_scenePath) : current;
    const std::string name = std::filesystem::path(known).filename().string();
    const int answer = GetNotifier().Message("Save changes to " + name + " before closing?", "fennix",
                                             Notifier::Buttons::YesNoCancel, Notifier::Icon::Question);
    if (answer == Notifier::No)
        return true;
    if (answer != Notifier::Yes)
        return false;
    // Scene text goes only into a scene file of this system's own format;
    // any other name asks where to write.
    std::string target = known;
    if (std::filesystem::path(target).extension() != ".kvrx") {
        FileRequest request;
        request.title = "Save Scene As";
        request.initialName = std::filesystem::path(target).replace_extension(".kvrx").filename().string();
        request.defaultExtension = "kvrx";
        request.filter = "Scene (*.kvrx)|*.kvrx||";
        request.save = true;
        const std::optional<std::string> chosen = ChooseFile(request);
        if (!chosen)
            return false;
        target = *chosen;
    }
    if (s_document->Save(target.c_str(), "kvrx") != 1) {
        GetNotifier().Message(target + " could not be written.", "fennix", Notifier::Buttons::Ok,
                              Notifier::Icon::Error);
        return false;
    }
    MarkSaved();
    return true;
}

// Writes the scene to the --save-on-close file while the window and its
// viewer still stand, so that the view the user turned is written with it.
// The target's folder was checked at start; should the write fail all the
// same (the folder went, the disk is full), the session's work is not
// dropped: the user is told and asked where to write it instead. False when
// the user then cancels, so that the window stays open. Without `mayAsk`
// (the program is ending with its window gone) a failure is only reported.
bool SaveOnClose(bool mayAsk)
{
    if (!s_savePath || !s_document || s_saved)
        return true;
    if (s_document->Save(s_savePath, "kvrx") == 1) {
        s_saved = true;
        return true;
    }
    std::fprintf(stderr, "fennix: %s could not be written\n", s_savePath);
    if (!mayAsk) {
        s_saved = true;
        s_exitStatus = 1;
        return true;
    }
    for (;;) {
        const int answer = GetNotifier().Message(std::string(s_savePath) + " could not be written. Save changes elsewhere?",
                                                 "fennix", Notifier::Buttons::YesNoCancel, Notifier::Icon::Question);
        if (answer == Notifier::No) {
            s_saved = true;
            s_exitStatus = 1;
            return true;
        }
        if (answer != Notifier::Yes)
            return false;
        FileRequest request;
        request.title = "Save Scene As";
        request.initialName = std::filesystem::path(s_savePath).filename().string();
        request.defaultExtension = "kvrx";
        request.filter = "Scene (*.kvrx)|*.kvrx||";
        request.save = true;
        const std::optional<std::string> chosen = ChooseFile(request);
        if (!chosen)
            return false;
        if (s_document->Save(chosen->c_str(), "kvrx") == 1) {
            s_saved = true;
            MarkSaved();
            return true;
        }
        std::fprintf(stderr, "fennix: %s could not be written\n", chosen->c_str());
    }
}

// Closing the window: a drag or a creation under way ends first (a creation
// between its clicks is dropped), so that nothing half made is written and
// the canvas gives the mouse back before it goes; unsaved changes are
// offered for saving.
void OnCloseWindow(wxCloseEvent &event)
{
    if (s_canvas)
        s_canvas->EndInteraction();
    if (!OfferToSave() && event.CanVeto()) {
        event.Veto();
        return;
    }
    // The dialogs go before the window that holds them, and none is left
    // editing the scene while it is written.
    if (s_facade)
        s_facade->GetDialogs().CloseAll();
    if (!SaveOnClose(event.CanVeto()) && event.CanVeto()) {
        event.Veto();
        return;
    }
    event.Skip();
}

class FennixApp : public wxApp {
public:
    // OnExit is not called when OnInit fails: the facade and its document
    // go with the application then.
    ~FennixApp() override = default;
    bool OnInit() override;
    int OnExit() override;
    // A failed check of the toolkit is reported, never shown as a dialog
    // that waits for an answer.
    void OnAssertFailure(const wxChar *file, int line, const wxChar *function, const wxChar *condition,
                         const wxChar *message) override
    {
        SgDiagError("Window", "toolkit check failed at %s:%d in %s: %s %s", wxString(file).utf8_str().data(), line,
                    wxString(function).utf8_str().data(), wxString(condition).utf8_str().data(),
                    wxString(message).utf8_str().data());
    }

private:
    // The facade owns the document; it goes before the services it uses.
    std::unique_ptr<SgWxNotifier> m_notifier;
    std::unique_ptr<SgWxTimerService> m_timers;
    // The facade's dialogs are made here; it goes after the facade.
    std::unique_ptr<SgWxDialogFactory> m_dialogs;
    std::unique_ptr<SgWxWindowFactory> m_windows;
    std::unique_ptr<drevon::CDrevon> m_facade;
    SgProgressSubscription m_downloadProgress;
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
    s_facade = m_facade.get();
    FindTexturesBesideScene(document, s_scenePath);
    // External files named by an address are fetched only when asked for.
    document->SetRemoteContentAllowed(s_allowRemote);
    // Downloads the scene asks for show a dialog with a cancel button.
    m_downloadProgress = SgSubscribeWxDownloadDialog();
    m_facade->GetButtons().RegisterControlButtons(nullptr, nullptr, nullptr, nullptr);

    const std::string title = std::filesystem::path(s_scenePath).filename().string();
    auto *frame = new ModellerFrame(wxString::FromUTF8(title), m_facade.get());
    frame->Bind(wxEVT_CLOSE_WINDOW, &OnCloseWindow);
    // Ctrl+W closes the window too, as in most programs (Ctrl+Q is the
    // menu's).
    wxAcceleratorEntry closeKey(wxACCEL_CTRL, 'W', ModellerFrame::ItemOf(drevon::cmd::kExit));
    frame->SetAcceleratorTable(wxAcceleratorTable(1, &closeKey));
    m_dialogs = std::make_unique<SgWxDialogFactory>(frame);
    m_facade->GetDialogs().SetFactory(m_dialogs.get());
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
    s_canvas = canvas;
    SgSeparator *defaultView = viewer->GetViewport(0)->GetNodara();
    const int read = m_facade->GetFiles().OpenFile(s_scenePath, true);
    if (read != SgDocumentFiles::kReadDone) {
        std::fprintf(stderr, "fennix: %s %s\n", s_scenePath, SgDocumentFiles::Describe(read));
        frame->Destroy();
        s_exitStatus = 1;
        return false;
    }
    SgViewport *viewport = viewer->GetViewport(0);
    if (viewport->GetNodara() == defaultView) {
        // The camera tilts as a vertical drag would tilt it.
        viewport->RotateScene(0.0, -(90.0 - kDefaultViewTiltDegrees) * std::numbers::pi / 180.0, false);
        viewport->Focus(nullptr, kFrameFactor);
    }
    // The viewing tool sees the mouse before the scene's own handlers. A
    // left click over the scene is left to the scene, so that it selects
    // (and a press on a selected object's handle drags the handle); a left
    // drag that no handle takes turns the view. A creation tool takes the
    // left button whole; the other buttons and the wheel still move the view.
    m_facade->GetViewing().OnRotateScene(1);
    // The toolbar shows the manipulator new selections get.
    m_facade->GetCreation().AddSelectionManip(m_facade->GetCreation().GetManipulatorKind());
    m_facade->GetButtons().postProcessButtons();
    if (s_createKind)
        m_facade->GetButtons().ApplyButton(drevon::CreationCommand(s_createKind));
    MarkSaved();
    // From here on the user answers questions in the window; a scene that
    // could not be read was reported on standard error above.
    m_notifier = std::make_unique<SgWxNotifier>(frame);
    SetNotifier(m_notifier.get());
    SetFileChooser(SgWxFileChooser(frame));
    SetColorChooser(SgWxColorChooser(frame));
    SetFolderChooser(SgWxFolderChooser(frame));
    SetPopupMenuChooser(SgWxPopupMenuChooser(frame));
    m_timers = std::make_unique<SgWxTimerService>();
    // The full-screen view (and any view in a window of its own) opens a
    // frame of the main window's.
    m_windows = std::make_unique<SgWxWindowFactory>(frame);
    SetWindowFactory(m_windows.get());

    frame->Show();
    canvas->SetFocus();
    if (s_listen) {
        std::string error;
        const std::string path = StartControlChannel(frame->GetControl()->Control(), m_facade.get(),
                                                     s_listenPath ? s_listenPath : "", error);
        if (path.empty()) {
            std::fprintf(stderr, "fennix: %s\n", error.c_str());
            frame->Destroy();
            s_exitStatus = 1;
            return false;
        }
        std::printf("%s\n", path.c_str());
        std::fflush(stdout);
    }
    if (s_stdio)
        StartControlStdio(frame->GetControl()->Control(), m_facade.get());
    if (s_listen) {
        // A terminated window still removes its socket and private folder
        // (the toolkit runs this from its loop, not inside the signal).
        // The loop ends; OnExit then stops the channel and takes the windows
        // down before the facade they show, as a close does.
        for (int signal : {SIGTERM, SIGINT, SIGHUP})
            SetSignalHandler(signal, [](int) { wxTheApp->ExitMainLoop(); });
    }
    if (s_listen || s_stdio) {
        // The session starts once, from the loop, after the first frame is due.
        auto *start = new wxTimer();
        start->Bind(wxEVT_TIMER, [start](wxTimerEvent &) {
            StartControlSession();
            start->Stop();
            wxTheApp->CallAfter([start] { delete start; });
        });
        start->StartOnce(100);
    }
    return true;
}

int FennixApp::OnExit()
{
    SaveOnClose(false);
    StopControlChannel();
    m_downloadProgress.Reset();
    // Windows still standing (the loop was ended by a signal, not by the
    // last window's close) go now, while the facade their control serves
    // and the services they use are still there.
    DeletePendingObjects();
    while (!wxTopLevelWindows.empty())
        delete wxTopLevelWindows.GetFirst()->GetData();
    SetNotifier(nullptr);
    SetFileChooser(nullptr);
    SetColorChooser(nullptr);
    SetFolderChooser(nullptr);
    SetPopupMenuChooser(nullptr);
    SetWindowFactory(nullptr);
    s_canvas = nullptr;
    s_document = nullptr;
    s_facade = nullptr;
    m_facade.reset();
    m_dialogs.reset();
    m_windows.reset();
    m_timers.reset();
    return wxApp::OnExit();
}

} // namespace

wxIMPLEMENT_APP_NO_MAIN(FennixApp);

extern "C" int FennixRunWindowCommand(int argc, char **argv, const char *scenePath, const WindowOptions *given)
{
    const WindowOptions &options = *given;
    if (options.createKind && drevon::CreationCommand(options.createKind) == 0) {
        std::fprintf(stderr, "fennix: no creation tool is called %s (sphere, box, cylinder)\n", options.createKind);
        return 2;
    }
    s_createKind = options.createKind;
    s_savePath = options.savePath;
    s_allowRemote = options.allowRemote;
    s_shadows = options.shadows;
    s_listen = options.listen;
    s_stdio = options.stdio;
    s_listenPath = options.listenPath;
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
