// A small wx program for the dialog table's window test under a virtual X
// server (tests/gui/wx_dialogs_test.py starts the server and this program):
// every dialog the modeller's window offers is opened through the facade,
// as the menu does, and measured: each control inside the client area, the
// window at least at its best size. A second opening is refused and the
// dialogs close with their owner. Prints "name=value" lines and "done".
#include <cmath>
#include <cstdio>
#include <functional>
#include <cstdlib>
#include <string>
#include <vector>

#include <wx/defs.h>

#include <wx/app.h>
#include <wx/frame.h>
#include <wx/textctrl.h>
#include <wx/utils.h>

#include "engine/SgNodara.h"
#include "engine/core/SgSeparator.h"
#include "engine/document/SgDocument.h"
#include "engine/handlers/SgSelectionHandler.h"
#include "engine/nodes/object/SgObject.h"
#include "facade/CDrevon.h"
#include "control/wx/SgWxDialogFactory.h"
#include "platform/Notifier.h"
#include "platform/SgDiagHandler.h"
#include "platform/wx/SgWxControls.h"
#include "solids/Solvane.h"
#include "tests/platform/wx/WxProbeSupport.h"

namespace {

using wxprobe::RunUntil;

// The first control of the window (or its descendants) that lies outside the
// client area, "" when every one lies inside.
std::string ControlOutside(wxWindow *dialog, wxWindow *window)
{
    const wxRect client(dialog->ClientToScreen(wxPoint(0, 0)), dialog->GetClientSize());
    for (wxWindow *child : window->GetChildren()) {
        if (child->IsTopLevel() || !child->IsShown())
            continue;
        const wxRect rect = child->GetScreenRect();
        if (!client.Contains(rect)) {
            return (child->GetLabel().empty() ? child->GetName() : child->GetLabel()).utf8_string() + " at " +
                   std::to_string(rect.x - client.x) + "," + std::to_string(rect.y - client.y) + " " +
                   std::to_string(rect.width) + "x" + std::to_string(rect.height) + " in " +
                   std::to_string(client.width) + "x" + std::to_string(client.height);
        }
        const std::string inner = ControlOutside(dialog, child);
        if (!inner.empty())
            return inner;
    }
    return "";
}

class ProbeApp : public wxApp {
public:
    bool OnInit() override
    {
        SgNodara::Init();
        solvane::Solvane::Init();
        // Small, so that the dialogs centred on it reach past it: a virtual X
        // server without a window manager leaves a window that lies wholly
        // over another unpainted.
        m_frame = new wxFrame(nullptr, wxID_ANY, "dialogs probe", wxPoint(300, 300), wxSize(240, 160));
        m_frame->Show();
        CallAfter([this] { Run(); });
        return true;
    }

    void Run()
    {
        SgDiagCapture messages;
        auto facade = std::make_unique<drevon::CDrevon>();
        SgDocument *document = facade->CreateDocument();
        SgWxDialogFactory factory(m_frame);
        facade->GetDialogs().SetFactory(&factory);
        auto *object = new SgObject;
        document->GetRoot()->AddChild(object);
        document->GetSelectionHandler()->Select(object, 0);
        RunUntil([this] { return m_frame->IsShownOnScreen(); });

        int opened = 0;
        // Given buttons (for a person to look at one dialog): only those,
        // each held on the screen a while.
        std::vector<int> buttons = SgWxDialogFactory::Buttons();
        int hold = 0;
        if (argc > 1) {
            buttons.clear();
            for (int i = 1; i < argc; ++i)
                buttons.push_back(std::atoi(wxString(argv[i]).utf8_str()));
            hold = 3000;
        }
        for (int button : buttons) {
            // 92 and 93 open the same dialogs as 89 and 84.
            if (button == 92 || button == 93)
                continue;
            // A dialog may have changed the selection.
            if (document->GetSelectionHandler()->GetSelCount() == 0)
                document->GetSelectionHandler()->Select(object, 0);
            const int result = facade->GetDialogs().Open(button);
            auto *instance = static_cast<SgWxDialogFactory::Instance *>(facade->GetDialogs().FindOpen(button));
            SgWxCadDialog *window = instance ? instance->GetWindow() : nullptr;
            if (result != 1 || !window) {
                std::printf("dialog-%d=not opened (%d) %s\n", button, result, messages.GetText().c_str());
                continue;
            }
            RunUntil([window] { return window->IsShownOnScreen(); });
            wxprobe::HandlePending();
            if (hold)
                RunUntil([] { return false; }, hold);
            const wxSize size = window->GetSize();
            const wxSize best = window->GetBestSize();
            std::string verdict = "ok";
            if (size.x < best.x || size.y < best.y)
                verdict = "smaller than its best size " + std::to_string(size.x) + "x" + std::to_string(size.y) +
                          " < " + std::to_string(best.x) + "x" + std::to_string(best.y);
            const std::string outside = ControlOutside(window, window);
            if (!outside.empty())
                verdict = "control outside: " + outside;
            if (!window->HasFlag(wxSTAY_ON_TOP) || window->GetParent() != m_frame)
                verdict = "not kept on top of the window";
            std::printf("dialog-%d=%s\n", button, verdict.c_str());
            wxprobe::SaveShot(window, "dialog-" + std::to_string(button));
            CheckNumberBoxes(window);
            ++opened;
        }
        std::printf("opened=%d\n", opened);
        std::printf("number-boxes=%d\nnumber-box-failures=%d\nnumber-boxes-cut=%d\n", m_numberBoxes,
                    m_numberBoxFailures, m_numberBoxesCut);
        std::printf("open-count=%d\n", facade->GetDialogs().GetOpenCount());
        messages.Clear();
        // The window has the focus when the user asks again: the open
        // dialog is raised and takes the focus back.
        auto *open = static_cast<SgWxDialogFactory::Instance *>(facade->GetDialogs().FindOpen(82));
        wxWindow *openWindow = open ? open->GetWindow() : nullptr;
        const auto focusIn = [](wxWindow *window) {
            for (wxWindow *at = wxWindow::FindFocus(); at; at = at->GetParent())
                if (at == window)
                    return true;
            return false;
        };
        m_frame->SetFocus();
        std::printf("frame-focused=%d\n", int(RunUntil([&] { return focusIn(m_frame) && !focusIn(openWindow); })));
        std::printf("second-open=%d\n", facade->GetDialogs().Open(82));
        std::printf("second-focused=%d\n", int(openWindow && RunUntil([&] { return focusIn(openWindow); })));
        std::printf("second-message=%d\n", int(messages.Contains("Cannot open the same dialog")));
        // The window's close box reports the closing: the slot is free.
        auto *light = static_cast<SgWxDialogFactory::Instance *>(facade->GetDialogs().FindOpen(82));
        if (light && light->GetWindow())
            light->GetWindow()->Close();
        RunUntil([&facade] { return !facade->GetDialogs().IsOpen(82); });
        std::printf("closed-by-box=%d\n", int(!facade->GetDialogs().IsOpen(82)));
        // The owner's document goes: every dialog with it.
        facade.reset();
        int left = 0;
        for (wxWindow *window : wxTopLevelWindows)
            left += window != m_frame && !window->IsBeingDeleted() ? 1 : 0;
        std::printf("windows-left=%d\n", left);
        std::printf("done\n");
        std::fflush(stdout);
        m_frame->Destroy();
        ExitMainLoop();
    }

    // Letters typed into each number box of the dialog are refused with a
    // message naming the range, and the box keeps its value.
    void CheckNumberBoxes(wxWindow *window)
    {
        for (wxWindow *child : window->GetChildren()) {
            auto *box = dynamic_cast<SgWxNumberBox *>(child);
            if (!box) {
                CheckNumberBoxes(child);
                continue;
            }
            if (!box->IsShownOnScreen() || !box->IsEnabled())
                continue;
            ++m_numberBoxes;
            CheckNumberBoxShowsItsValuesWhole(*box);
            struct Recorder : Notifier {
                int Message(const std::string &text, const std::string &, Buttons, Icon) override
                {
                    texts += text + "\n";
                    return Ok;
                }
                std::string texts;
            } recorder;
            Notifier *previous = SetNotifier(&recorder);
            auto told = [&recorder] { return recorder.texts.find("Please enter a number from") != std::string::npos; };
            const double before = box->GetValue();
            const wxString shown = box->GetEdit()->GetValue();
            box->GetEdit()->SetFocus();
            box->GetEdit()->ChangeValue("abc");
            box->GetSpin()->Commit();
            RunUntil(told);
            SetNotifier(previous);
            const bool kept = box->GetValue() == before && box->GetEdit()->GetValue() == shown;
            if (!kept || !told()) {
                if (!m_numberBoxFailures)
                    std::printf("number-box-first-failure=id %d kept %d message %d\n", box->GetId(), int(kept),
                                int(told()));
                ++m_numberBoxFailures;
            }
        }
    }

    // A value near the box's longer end with every decimal it shows (the
    // animation's resolution shows "0.316" in a box of 0 to 100) fits in the
    // edit as the toolkit sizes one for that text.
    void CheckNumberBoxShowsItsValuesWhole(SgWxNumberBox &box)
    {
        const double before = box.GetValue();
        const double end = std::fabs(box.GetMin()) > std::fabs(box.GetMax()) ? box.GetMin() : box.GetMax();
        box.SetValue(end - std::copysign(1.0 / 3.0, end));
        wxTextCtrl *edit = box.GetEdit();
        const wxString shown = edit->GetValue();
        const int needed = edit->GetSizeFromTextSize(edit->GetTextExtent(shown)).x;
        if (needed > edit->GetSize().x) {
            if (!m_numberBoxesCut)
                std::printf("number-box-first-cut=id %d \"%s\" needs %d, has %d\n", box.GetId(),
                            shown.utf8_str().data(), needed, edit->GetSize().x);
            ++m_numberBoxesCut;
        }
        box.SetValue(before);
    }

    wxFrame *m_frame = nullptr;
    int m_numberBoxes = 0;
    int m_numberBoxFailures = 0;
    int m_numberBoxesCut = 0;
};

} // namespace

wxIMPLEMENT_APP(ProbeApp);
