// A wx program that embeds the Fennix control: one frame, the control
// filling it, a scene named on the command line. The control brings its own
// canvas, toolbars and scene-tree pane; the program only listens to its
// events.
//
//   embed_fennix [SCENE.kvrx]
#include <cstdio>

#include <wx/app.h>
#include <wx/frame.h>

#include "control/wx/FennixCtrl.h"
#include "engine/SgNodara.h"
#include "solids/Solvane.h"

class EmbedApp : public wxApp {
public:
    bool OnInit() override
    {
        SgNodara::Init();
        solvane::Solvane::Init();
        auto *frame = new wxFrame(nullptr, wxID_ANY, "Embedded Fennix", wxDefaultPosition, wxSize(800, 600));
        fennix::FennixProperties properties;
        // Without a scene named, the control asks for one with a file dialog.
        if (argc > 1)
            properties.fileName = argv[1].utf8_string();
        properties.toolBarConfig = 1;  // toolbars and the scene tree shown
        auto *ctrl = new FennixCtrl(frame, properties);
        if (!ctrl->IsReady()) {
            std::fprintf(stderr, "embed_fennix: the control could not start (no OpenGL visual?)\n");
            frame->Destroy();
            return false;
        }
        m_session = ctrl->Control().Events().Subscribe([](const fennix::FennixEvent &event) {
            if (event.name == "StartSession")
                std::printf("session started\n");
            else if (event.name == "CreateToolFinish")
                std::printf("an object was created\n");
            std::fflush(stdout);
        });
        frame->Show();
        return true;
    }

private:
    fennix::FennixEventList::Token m_session;
};

wxIMPLEMENT_APP(EmbedApp);
