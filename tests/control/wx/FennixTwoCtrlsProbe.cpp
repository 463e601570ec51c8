// Two controls side by side in one frame, as a host embeds them: each makes
// a sphere (one through its creation tool, left running, both through the
// dispatch interface) with its scene-tree pane showing; a handle one control
// gave is refused by the other; then the frame closes. A sanitizer build
// reports any use of a scene after its document went. Prints key=value lines
// and "done" (fennix_two_ctrls_test.py checks them and the status).
#include <cstdint>
#include <cstdio>
#include <string>

#include <wx/app.h>
#include <wx/frame.h>
#include <wx/init.h>
#include <wx/sizer.h>

#include "facade/CommandRecord.h"
#include "control/wx/FennixCtrl.h"
#include "engine/SgNodara.h"
#include "facade/CDrevon.h"
#include "solids/Solvane.h"
#include "tests/platform/wx/WxProbeSupport.h"
#include "treepanel/wx/SgWxSceneTree.h"

namespace {

using fennix::DispValue;

std::int64_t MakeSphere(FennixCtrl &ctrl, double radius)
{
    fennix::FennixControl &control = ctrl.Control();
    const fennix::DispResult made = control.Call("CreateNode", {DispValue::Str("Sphere")});
    if (!made.ok || made.value.kind != DispValue::Kind::Integer)
        return 0;
    const DispValue handle = made.value;
    control.Call("InsertNode", {DispValue::Int(0), handle, DispValue::Int(0), DispValue::Int(0)});
    control.Call("SetVal", {handle, DispValue::Str("radius"), DispValue::Str(std::to_string(radius))});
    return made.value.integer;
}

} // namespace

int main(int argc, char **argv)
{
    wxApp::SetInstance(new wxApp);
    int toolkitArgc = 1;
    if (argc < 1 || !wxEntryStart(toolkitArgc, argv) || !wxTheApp->CallOnInit()) {
        std::printf("no display\n");
        return 1;
    }
    SgNodara::Init();
    solvane::Solvane::Init();
    {
        auto *frame = new wxFrame(nullptr, wxID_ANY, "Two controls", wxPoint(0, 0), wxSize(1000, 600));
        auto *sizer = new wxBoxSizer(wxHORIZONTAL);
        fennix::FennixProperties properties;  // no file: an empty scene each (the chooser cancels)
        properties.toolBarConfig = 1;
        FennixCtrl *ctrls[2] = {new FennixCtrl(frame, properties), new FennixCtrl(frame, properties)};
        for (FennixCtrl *ctrl : ctrls)
            sizer->Add(ctrl, 1, wxEXPAND);
        frame->SetSizer(sizer);
        std::printf("ready=%d%d\n", ctrls[0]->IsReady() ? 1 : 0, ctrls[1]->IsReady() ? 1 : 0);
        if (!ctrls[0]->IsReady() || !ctrls[1]->IsReady()) {
            std::printf("done\n");
            return 1;
        }
        frame->Show();
        for (FennixCtrl *ctrl : ctrls)
            ctrl->ShowSceneTree(true);
        wxprobe::RunUntil([&] {
            return ctrls[0]->GetSceneTree()->IsShownOnScreen() && ctrls[1]->GetSceneTree()->IsShownOnScreen();
        });
        const std::int64_t a = MakeSphere(*ctrls[0], 2);
        const std::int64_t b = MakeSphere(*ctrls[1], 3);
        std::printf("handles=%d\n", a > 0 && b > 0 ? 1 : 0);
        // The first control's creation tool stays on when the frame closes.
        drevon::RunCommand(drevon::CreationCommand("sphere"), *ctrls[0]->GetFacade(), *ctrls[0]);
        // Handles cross no control: B refuses A's, in either place.
        const fennix::DispResult crossed = ctrls[1]->Control().Call(
            "InsertNode", {DispValue::Int(0), DispValue::Int(a), DispValue::Int(0), DispValue::Int(0)});
        const fennix::DispResult removed =
            ctrls[1]->Control().Call("RemoveChild", {DispValue::Int(0), DispValue::Int(a)});
        std::printf("crossed_refused=%d%d\n", crossed.code == fennix::kErrBadHandle ? 1 : 0,
                    removed.code == fennix::kErrBadHandle ? 1 : 0);
        const std::string sceneA = ctrls[0]->Control().Call("SaveToString", {}).value.text;
        const std::string sceneB = ctrls[1]->Control().Call("SaveToString", {}).value.text;
        std::printf("spheres=%d%d\n", sceneA.find("radius 2") != std::string::npos ? 1 : 0,
                    sceneB.find("radius 3") != std::string::npos ? 1 : 0);
        // The panes have answered what the spheres and the tool changed.
        wxprobe::HandlePending();
        wxprobe::DestroyAndWait(frame);
        std::printf("closed=1\n");
    }
    std::printf("done\n");
    std::fflush(stdout);
    wxEntryCleanup();
    return 0;
}
