// The control embedded in a frame of its own, under an X server: it starts
// with every pane hidden (ToolBarConfig 0) and StartSession once; a real H
// key shows the toolbars and the scene-tree pane; the pane's edge dragged
// with the mouse makes it wider; OpenDialog 20 hides and shows the pane;
// closing keeps the pane's width in the settings. Run a second time with
// the same settings ("again WIDTH"), the pane comes back at that width.
// Prints key=value lines and "done" (fennix_ctrl_test.py checks them).
//
//   fennix_ctrl_probe SCENE first
//   fennix_ctrl_probe SCENE again WIDTH
#include <cstdio>
#include <cstdlib>
#include <string>

#include <wx/app.h>
#include <wx/choice.h>
#include <wx/aui/framemanager.h>
#include <wx/frame.h>
#include <wx/textctrl.h>
#include <wx/timer.h>
#include <wx/init.h>
#include <wx/toolbar.h>

#include "control/wx/FennixCtrl.h"
#include "engine/SgNodara.h"
#include "facade/CDrevon.h"
#include "platform/wx/SgWxGLWindow.h"
#include "solids/Solvane.h"
#include "tests/platform/wx/WxProbeSupport.h"
#include "treepanel/wx/SgWxSceneTree.h"

namespace {

std::string PanesShown(FennixCtrl &ctrl)
{
    std::string text;
    for (int t = 0; t < drevon::kToolbarCount; ++t)
        text += ctrl.IsToolbarShown(static_cast<drevon::Toolbar>(t)) ? '1' : '0';
    text += ctrl.IsSceneTreeShown() ? '1' : '0';
    return text;
}

bool TreeOnScreen(FennixCtrl &ctrl)
{
    return ctrl.GetSceneTree()->IsShownOnScreen() && ctrl.GetSceneTree()->GetSize().x > 20;
}

void PressH(FennixCtrl &ctrl)
{
    // Keys go where the pointer is (no window manager runs).
    wxprobe::MovePointer(wxprobe::Centre(ctrl.GetCanvas()));
    ctrl.GetCanvas()->SetFocus();
    wxprobe::Expect(wxprobe::RunUntil([&ctrl] { return ctrl.GetCanvas()->HasFocus(); }), "the canvas's focus");
    wxprobe::HandlePending();
    wxUIActionSimulator simulator;
    simulator.Char('h');
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 3)
        return 2;
    const std::string scene = argv[1];
    const bool again = std::string(argv[2]) == "again";
    wxApp::SetInstance(new wxApp);
    int toolkitArgc = 1;  // the probe's own arguments are not the toolkit's
    if (!wxEntryStart(toolkitArgc, argv) || !wxTheApp->CallOnInit()) {
        std::printf("no display\n");
        return 1;
    }
    SgNodara::Init();
    solvane::Solvane::Init();
    {
        auto *frame = new wxFrame(nullptr, wxID_ANY, "Embedded", wxPoint(0, 0), wxSize(800, 600));
        fennix::FennixProperties properties;
        properties.fileName = scene;
        properties.toolBarConfig = 0;
        auto *ctrl = new FennixCtrl(frame, properties);
        std::printf("ready=%d\n", ctrl->IsReady() ? 1 : 0);
        if (!ctrl->IsReady()) {
            std::printf("done\n");
            return 1;
        }
        int sessions = 0;
        auto token = ctrl->Control().Events().Subscribe([&](const fennix::FennixEvent &event) {
            if (event.name == "StartSession")
                ++sessions;
        });
        frame->Show();
        wxprobe::RunUntil([&] { return sessions > 0; });
        // A second firing would come from the start timer going on: a timer
        // of a longer period, started now, fires after that firing would
        // (the toolkit answers timers as they fall due, however late).
        bool laterTimerFired = false;
        wxTimer later;
        later.Bind(wxEVT_TIMER, [&laterTimerFired](wxTimerEvent &) { laterTimerFired = true; });
        later.StartOnce(400);
        wxprobe::Expect(wxprobe::RunUntil([&laterTimerFired] { return laterTimerFired; }), "the later timer");
        wxprobe::HandlePending();
        std::printf("sessions=%d\n", sessions);
        std::printf("start=%s\n", PanesShown(*ctrl).c_str());
        std::printf("start_edge=%d\n", ctrl->Manager().GetPane(ctrl->GetCanvas()).HasBorder() ? 1 : 0);

        PressH(*ctrl);
        wxprobe::RunUntil([&] { return TreeOnScreen(*ctrl); });
        std::printf("after_h=%s\n", PanesShown(*ctrl).c_str());
        std::printf("after_h_edge=%d\n", ctrl->Manager().GetPane(ctrl->GetCanvas()).HasBorder() ? 1 : 0);
        wxprobe::HandlePending();
        const int width = ctrl->GetSceneTree()->GetSize().x;
        std::printf("tree_width=%d\n", width);
        std::printf("toolbar_buttons=%d\n", static_cast<int>(ctrl->GetToolbar(1)->GetToolsCount()));
        // The frame combo: "World" chosen, the next handle tool works in it.
        wxChoice *frames = ctrl->GetFrameChoice();
        std::printf("frame_choices=%d\n", frames ? static_cast<int>(frames->GetCount()) : 0);
        if (frames) {
            frames->SetStringSelection("World");
            wxCommandEvent chosen(wxEVT_CHOICE, frames->GetId());
            chosen.SetEventObject(frames);
            chosen.SetInt(frames->GetSelection());
            frames->GetEventHandler()->ProcessEvent(chosen);
            ctrl->GetFacade()->GetCreation().OnTransformTool(30);
            std::printf("tool_frame=%d\n", ctrl->GetFacade()->GetCreation().GetTransformToolFrame());
        }

        if (!again) {
            // The property page shows the properties; OK sets the edited one.
            std::string shownConfig;
            wxTimer watcher;
            watcher.Bind(wxEVT_TIMER, [&](wxTimerEvent &) {
                auto *page = wxWindow::FindWindowByName("FennixPropertyPage");
                auto *field = page ? dynamic_cast<wxTextCtrl *>(wxWindow::FindWindowByName("ToolBarConfig", page))
                                   : nullptr;
                wxWindow *ok = page ? page->FindWindow(wxID_OK) : nullptr;
                if (!field || !ok || !page->IsShownOnScreen())
                    return;
                watcher.Stop();
                shownConfig = field->GetValue().utf8_string();
                field->SetValue("3");
                wxprobe::ClickAt(wxprobe::Centre(ok));
            });
            watcher.Start(100);
            ctrl->ShowPropertyPage();
            watcher.Stop();
            std::printf("page_config=%s\n", shownConfig.c_str());
            std::printf("config_after_ok=%d\n", static_cast<int>(ctrl->Control().Properties().toolBarConfig));

            // The sash between the pane and the view, dragged 90 pixels right.
            wxSize shown = ctrl->GetSceneTree()->GetSize();
            const wxPoint treeOrigin = ctrl->GetSceneTree()->GetScreenPosition();
            const wxPoint canvasOrigin = ctrl->GetCanvas()->GetScreenPosition();
            const int sashX = (treeOrigin.x + shown.x + canvasOrigin.x) / 2;
            const wxPoint from(sashX, canvasOrigin.y + 150);
            wxprobe::MovePointer(from);
            wxUIActionSimulator simulator;
            simulator.MouseDown();
            for (int step = 1; step <= 9; ++step)
                wxprobe::MovePointer(from + wxPoint(10 * step, 0));
            simulator.MouseUp();
            wxprobe::RunUntil([&] { return ctrl->GetSceneTree()->GetSize().x > width + 40; });
            std::printf("dragged_width=%d\n", ctrl->GetSceneTree()->GetSize().x);

            // OpenDialog 20 hides the pane and shows it again.
            ctrl->Control().Call("OpenDialog", {fennix::DispValue::Int(20), fennix::DispValue::Str("")});
            wxprobe::RunUntil([&] { return !ctrl->GetSceneTree()->IsShownOnScreen(); });
            std::printf("after_open20=%s\n", PanesShown(*ctrl).c_str());
            ctrl->Control().Call("OpenDialog", {fennix::DispValue::Int(20), fennix::DispValue::Str("")});
            wxprobe::RunUntil([&] { return TreeOnScreen(*ctrl); });
            std::printf("after_open20_again=%s\n", PanesShown(*ctrl).c_str());
            wxprobe::HandlePending();
            std::printf("width_after_toggle=%d\n", ctrl->GetSceneTree()->GetSize().x);

            // Docked along the top, the pane takes the height kept for that
            // side (the default, 200), and back on the left its width.
            const int leftWidth = ctrl->GetSceneTree()->GetSize().x;
            ctrl->Manager().GetPane(ctrl->GetSceneTree()).Top();
            ctrl->Manager().Update();
            wxprobe::RunUntil([&] {
                return ctrl->GetSceneTree()->GetSize().x > 400 && ctrl->GetSceneTree()->GetSize().y < 300;
            });
            wxprobe::HandlePending();
            std::printf("top_height=%d\n", ctrl->GetSceneTree()->GetSize().y);
            ctrl->Manager().GetPane(ctrl->GetSceneTree()).Left();
            ctrl->Manager().Update();
            wxprobe::RunUntil([&] { return std::abs(ctrl->GetSceneTree()->GetSize().x - leftWidth) <= 2; });
            wxprobe::HandlePending();
            std::printf("left_again_width=%d\n", ctrl->GetSceneTree()->GetSize().x);
        }
        token.Reset();
        const std::string profile = ctrl->GetProfile();
        std::printf("profile=%s\n", profile.c_str());
        wxprobe::DestroyAndWait(frame);
        const fennix::BarSizes::Size stored = [&] {
            fennix::BarSizes sizes;
            sizes.Load(profile, FennixCtrl::kTreePaneId);
            return sizes.Get(fennix::BarSizes::kVert);
        }();
        std::printf("stored_width=%d\n", stored.cx);
    }
    std::printf("done\n");
    std::fflush(stdout);
    wxEntryCleanup();
    return 0;
}
