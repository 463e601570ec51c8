// A small wx program for the controls' test under a virtual X server
// (tests/gui/wx_controls_test.py starts the server and this program): real
// X clicks (through the toolkit's action simulator, which sends them with the
// XTEST extension) on the down arrow of two spin controls at their minimum,
// one with the wrap style and one without, then on a dialog's close box.
// Prints one line per check, "name=value", and "done" at the end.
#include <cstdio>
#include <string>
#include <functional>
#include <vector>

#include <wx/app.h>
#include <wx/dcclient.h>
#include <wx/frame.h>
#include <wx/panel.h>
#include <wx/timer.h>
#include <wx/uiaction.h>
#include <wx/utils.h>

#include "dialogs/CCadDlg.h"
#include "dialogs/wx/SgWxCadDialog.h"
#include "engine/SgNodara.h"
#include "engine/document/SgDocument.h"
#include "platform/window/SgWindowMessages.h"
#include "platform/wx/SgWxGLWindow.h"
#include "platform/wx/SgWxControls.h"
#include "platform/wx/SgWxProgress.h"
#include "tests/platform/wx/WxProbeSupport.h"

namespace {

using wxprobe::RunUntil;
using wxprobe::ClickAt;
using wxprobe::HandlePending;

// True once `window` (or, for a dialog, a window inside it) has the keyboard.
bool HasKeyboard(wxWindow *window)
{
    for (wxWindow *focus = wxWindow::FindFocus(); focus; focus = focus->GetParent())
        if (focus == window)
            return true;
    return false;
}

// Notes the keys the canvas hands to the engine.
class KeyRecorder : public SgPlatformWindow::Listener {
public:
    int OnWindowMessage(SgPlatformWindow *, unsigned message, std::uintptr_t wParam, std::intptr_t) override
    {
        if (message == SgWM::kKeyDown)
            keys.push_back(int(wParam));
        return 0;
    }
    std::vector<int> keys;
};

// Notes the mouse messages the canvas hands to the engine, with the buttons
// each one has down ("down+L", "move+L", "up", "move").
class MouseRecorder : public SgPlatformWindow::Listener {
public:
    int OnWindowMessage(SgPlatformWindow *, unsigned message, std::uintptr_t wParam, std::intptr_t) override
    {
        const char *name = message == SgWM::kLButtonDown ? "down"
                           : message == SgWM::kLButtonUp ? "up"
                           : message == SgWM::kMouseMove ? "move"
                                                         : nullptr;
        if (name) {
            seen += (seen.empty() ? "" : ",") + std::string(name);
            if (wParam & SgWM::kLeftButtonBit)
                seen += "+L";
        }
        return 0;
    }
    std::string seen;
};

// A mouse event as the toolkit delivers it to the canvas.
void SendMouse(wxWindow *window, wxEventType type, int x, bool leftDown)
{
    wxMouseEvent event(type);
    event.SetEventObject(window);
    event.SetId(window->GetId());
    event.SetPosition(wxPoint(x, 10));
    event.SetLeftDown(leftDown);
    window->GetEventHandler()->ProcessEvent(event);
}

int s_closeReports = 0;
void CountClose(void *, void *) { ++s_closeReports; }

class ProbeApp : public wxApp {
public:
    bool OnInit() override
    {
        // Line by line, so a probe that dies midway still shows how far it got.
        std::setvbuf(stdout, nullptr, _IOLBF, 0);
        SgNodara::Init();
        auto *frame = new wxFrame(nullptr, wxID_ANY, "controls probe", wxPoint(50, 50), wxSize(400, 200));
        auto *panel = new wxPanel(frame);
        for (int i = 0; i < 2; ++i) {
            m_edits[i] = new CNumEdit(panel, wxID_ANY, wxPoint(20, 20 + 60 * i), wxSize(100, -1));
            const long style = wxSP_VERTICAL | (i == 1 ? wxSP_WRAP : 0);
            m_spins[i] = new CNumSpinCtrl(panel, wxID_ANY, wxPoint(130, 10 + 60 * i), wxDefaultSize, style);
            m_spins[i]->SetBuddy(m_edits[i]);
            m_spins[i]->SetRangeAndDelta(0.0, 10.0, 1.0);
            m_spins[i]->SetPos(0.0);
        }
        frame->Show();
        m_frame = frame;
        CallAfter([this] { Probe(); });
        return true;
    }

private:
    // Where a spin's down (or up) arrow is: the lower (upper) half of a
    // vertical one; GTK 3 lays them out side by side, down on the left.
    wxPoint Arrow(int i, bool up) const
    {
        const wxRect box = m_spins[i]->GetScreenRect();
        if (box.width > box.height)
            return wxPoint(box.x + box.width * (up ? 3 : 1) / 4, box.y + box.height / 2);
        return wxPoint(box.x + box.width / 2, box.y + box.height * (up ? 1 : 3) / 4);
    }

    void Probe()
    {
        RunUntil([this] { return m_frame->IsShownOnScreen(); });
        HandlePending();
        std::printf("spin-size=%dx%d\n", m_spins[0]->GetSize().x, m_spins[0]->GetSize().y);
        const char *names[] = {"nowrap", "wrap"};
        for (int i = 0; i < 2; ++i) {
            // Without the wrap style the value stays: the click's release
            // answered is what ends the wait.
            int releases = 0;
            auto released = [&releases](wxMouseEvent &event) {
                ++releases;
                event.Skip();
            };
            m_spins[i]->Bind(wxEVT_LEFT_UP, released);
            ClickAt(Arrow(i, false));
            wxprobe::Expect(RunUntil([&releases] { return releases > 0; }), "the spin's release");
            HandlePending();
            m_spins[i]->Unbind(wxEVT_LEFT_UP, released);
            std::printf("%s=%s\n", names[i], m_edits[i]->GetValue().utf8_str().data());
        }
        // Up from the wrapped maximum goes back to the minimum.
        ClickAt(Arrow(1, true));
        RunUntil([this] { return m_edits[1]->GetValue() != "10"; });
        std::printf("wrap-up=%s\n", m_edits[1]->GetValue().utf8_str().data());

        // The colour button paints its colours and frame, and a click on it
        // is a button click.
        auto *colour = new CSGColorButton(m_spins[0]->GetParent(), wxID_ANY, "", wxPoint(220, 20), wxSize(80, 40));
        colour->Attach({0, 0, 200}, {255, 255, 255}, {128, 128, 128}, 2);
        int clicks = 0;
        colour->Bind(wxEVT_BUTTON, [&clicks](wxCommandEvent &) { ++clicks; });
        wxprobe::Repaint(colour);
        {
            wxClientDC dc(colour);
            wxColour inside;
            wxColour corner;
            dc.GetPixel(20, 20, &inside);
            dc.GetPixel(0, 0, &corner);
            std::printf("colour-inside=%d,%d,%d\n", inside.Red(), inside.Green(), inside.Blue());
            std::printf("colour-corner=%d,%d,%d\n", corner.Red(), corner.Green(), corner.Blue());
        }
        const wxRect face = colour->GetScreenRect();
        ClickAt(wxPoint(face.x + face.width / 2, face.y + face.height / 2));
        RunUntil([&clicks] { return clicks > 0; });
        std::printf("colour-clicks=%d\n", clicks);

        // A dialog closed with its Cancel button, then with Escape, reports
        // each closing once and opens again.
        SgDocument document;
        document.SetCloseDialogCallback(&CountClose, nullptr);
        CCadDlg logic(&document, 2021);
        auto *dialog = new SgWxCadDialog(m_frame, &logic, "probe dialog");
        dialog->SetSizerAndFit(dialog->CreateButtonSizer(wxOK | wxCANCEL));
        for (int round = 0; round < 2; ++round) {
            dialog->Open();
            RunUntil([dialog] { return dialog->IsShownOnScreen(); });
            HandlePending();
            wxWindow *cancel = dialog->FindWindow(wxID_CANCEL);
            const wxRect box = cancel->GetScreenRect();
            if (round == 0) {
                ClickAt(wxPoint(box.x + box.width / 2, box.y + box.height / 2));
            } else {
                // A click beside the buttons gives the dialog the keyboard.
                const wxRect whole = dialog->GetScreenRect();
                ClickAt(wxPoint(whole.x + 3, whole.y + 3));
                wxprobe::Expect(RunUntil([dialog] { return HasKeyboard(dialog); }), "the dialog's keyboard");
                HandlePending();
                wxUIActionSimulator simulator;
                simulator.Char(WXK_ESCAPE);
            }
            RunUntil([dialog] { return !dialog->IsShown(); });
            std::printf("dialog-round%d=%d shown=%d\n", round, s_closeReports, int(dialog->IsShown()));
        }
        dialog->Destroy();
        // The download dialog: half way is 500 of its bar, and its Cancel
        // button, clicked, tells the downloader to stop.
        auto *progress = new ProgressBarDlg(m_frame);
        progress->Show();
        progress->SetMessage("Downloading scene.kvrx");
        progress->SetProgress(0.5);
        RunUntil([progress] { return progress->IsShownOnScreen(); });
        HandlePending();
        std::printf("progress-caption=%s\n", progress->GetTitle().utf8_str().data());
        std::printf("progress-bar=%d\n", progress->Model().GetPosition());
        if (wxWindow *cancel = progress->FindWindow(wxID_CANCEL)) {
            const wxRect box = cancel->GetScreenRect();
            ClickAt(wxPoint(box.x + box.width / 2, box.y + box.height / 2));
            RunUntil([progress] { return progress->IsAborted(); });
        }
        std::printf("progress-aborted=%d\n", int(progress->IsAborted()));
        progress->Destroy();

        // The trackball's keys reach the engine from the GL canvas.
        auto *keyFrame = new wxFrame(nullptr, wxID_ANY, "keys probe", wxPoint(500, 50), wxSize(200, 150));
        SgWxGLWindow *canvas = SgWxGLWindow::Create(keyFrame);
        if (canvas) {
            KeyRecorder recorder;
            canvas->SetListener(&recorder);
            keyFrame->Show();
            RunUntil([keyFrame] { return keyFrame->IsShownOnScreen(); });
            const wxRect box = canvas->GetScreenRect();
            ClickAt(wxPoint(box.x + box.width / 2, box.y + box.height / 2));
            wxprobe::Expect(RunUntil([canvas] { return HasKeyboard(canvas); }), "the canvas's keyboard");
            HandlePending();
            wxUIActionSimulator simulator;
            simulator.Char(',');
            simulator.Char('.');
            RunUntil([&recorder] { return recorder.keys.size() >= 2; });
            std::string seen;
            for (int key : recorder.keys)
                seen += (seen.empty() ? "" : ",") + std::to_string(key);
            std::printf("keys=%s\n", seen.c_str());

            // A release the canvas never saw (the window hidden between press
            // and release, no capture-lost notice): the next move, with no
            // button down, ends the drag first as the release would have.
            MouseRecorder mouse;
            canvas->SetListener(&mouse);
            SendMouse(canvas, wxEVT_LEFT_DOWN, 10, true);
            SendMouse(canvas, wxEVT_MOTION, 20, true);
            SendMouse(canvas, wxEVT_MOTION, 30, false);
            std::printf("lost-release=%s\n", mouse.seen.c_str());
            canvas->SetListener(nullptr);
        } else {
            std::printf("keys=no GL visual\n");
        }
        keyFrame->Destroy();
        std::printf("done\n");
        std::fflush(stdout);
        m_frame->Close();
    }

    wxFrame *m_frame = nullptr;
    CNumEdit *m_edits[2] = {};
    CNumSpinCtrl *m_spins[2] = {};
};

} // namespace

wxIMPLEMENT_APP(ProbeApp);
