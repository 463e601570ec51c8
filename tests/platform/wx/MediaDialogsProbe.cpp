// A small wx program for the custom spline, movie and texture dialogs under
// a virtual X server (tests/gui/wx_media_dialogs_test.py starts the server
// and this program). Each dialog opens with every control inside its client
// area at least at its best size; a typed margin reaches the custom
// dialog; a real click on Abort stops a movie while another window's button
// gets no click; the texture browser fills from its worker through window
// events. Prints "name=value" per check and "done" at the end.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <stdlib.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include <wx/defs.h>

#include <wx/app.h>
#include <wx/button.h>
#include <wx/frame.h>
#include <wx/listctrl.h>
#include <wx/textctrl.h>
#include <wx/uiaction.h>
#include <wx/utils.h>

#include "dialogs/wx/SgWxCustomDialog.h"
#include "dialogs/wx/SgWxMovieDialog.h"
#include "dialogs/wx/SgWxTextWrapperDialog.h"
#include "dialogs/wx/SgWxTextureDialog.h"
#include "engine/SgNodara.h"
#include "engine/core/SgSeparator.h"
#include "engine/handlers/SgSelectionHandler.h"
#include "engine/nodes/geometry/SgSphere.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/document/SgDocument.h"
#include "solids/Solvane.h"
#include "tests/platform/wx/WxProbeSupport.h"

namespace fs = std::filesystem;

namespace {

using wxprobe::Centre;
using wxprobe::ClickAt;
using wxprobe::HandlePending;
using wxprobe::RunUntil;

// Every control of the dialog lies inside the client area and has at least
// its best size; prints the first offender.
void CheckLayout(const char *name, wxWindow *dialog)
{
    const wxRect client(wxPoint(0, 0), dialog->GetClientSize());
    int outside = 0, small = 0, controls = 0;
    for (wxWindow *child : dialog->GetChildren()) {
        if (!child->IsShown())
            continue;
        ++controls;
        const wxRect rect = child->GetRect();
        const wxSize best = child->GetBestSize();
        if (!client.Contains(rect)) {
            if (!outside)
                std::printf("%s-first-outside=%s %d,%d %dx%d in %dx%d\n", name, wxString(child->GetClassInfo()->GetClassName()).utf8_str().data(),
                            rect.x, rect.y, rect.width, rect.height, client.width, client.height);
            ++outside;
        }
        if (rect.width < best.x || rect.height < best.y) {
            if (!small)
                std::printf("%s-first-small=%s id %d %dx%d best %dx%d\n", name,
                            wxString(child->GetClassInfo()->GetClassName()).utf8_str().data(), child->GetId(), rect.width,
                            rect.height, best.x, best.y);
            ++small;
        }
    }
    std::printf("%s-controls=%d\n%s-outside=%d\n%s-small=%d\n", name, controls, name, outside, name, small);
}

// A grey picture, or with `halves` black on the left and white on the
// right, so that a move of the texture shows in the preview.
void WriteBmp(const fs::path &path, int width, int height, bool halves = false)
{
    const int stride = ((width * 24 + 31) / 32) * 4;
    std::vector<std::uint8_t> file(54 + std::size_t(stride) * height, 0x40);
    if (halves)
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width * 3; ++x)
                file[54 + std::size_t(y) * stride + x] = x / 3 < width / 2 ? 0x00 : 0xff;
    auto put = [&](int at, std::uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            file[at + i] = std::uint8_t(v >> (8 * i));
    };
    file[0] = 'B';
    file[1] = 'M';
    put(2, std::uint32_t(file.size()), 4);
    put(6, 0, 4);
    put(10, 54, 4);
    put(14, 40, 4);
    put(18, std::uint32_t(width), 4);
    put(22, std::uint32_t(height), 4);
    put(26, 1, 2);
    put(28, 24, 2);
    for (int i = 30; i < 54; ++i)
        file[i] = 0;
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char *>(file.data()), std::streamsize(file.size()));
}

class ProbeApp : public wxApp {
public:
    bool OnInit() override
    {
        solvane::Solvane::Init();
        m_document = SgDocument::Create();
        std::string pattern = (fs::temp_directory_path() / "media-dialogs-probe-XXXXXX").string();
        if (::mkdtemp(pattern.data()))
            m_folder = pattern;
        WriteBmp(m_folder / "a.bmp", 16, 16);
        WriteBmp(m_folder / "b.bmp", 32, 8, true);
        WriteBmp(m_folder / "c.bmp", 8, 32);
        std::ofstream(m_folder / "broken.bmp") << "BM broken";
        CallAfter([this] { Run(); });
        return true;
    }

    int OnExit() override
    {
        SgDocument::Destroy(m_document);
        std::error_code ignored;
        fs::remove_all(m_folder, ignored);
        return 0;
    }

private:
    void Run()
    {
        // The custom spline dialog: a typed margin reaches the dialog.
        auto *custom = static_cast<SgWxCustomDialog *>(CreateCustomDialog(nullptr, m_document, "Lower", {}));
        custom->SetPosition(wxPoint(30, 30));
        custom->Open();
        RunUntil([custom] { return custom->IsShownOnScreen(); });
        HandlePending();
        CheckLayout("custom", custom);
        wxprobe::SaveShot(custom, "custom");
        std::printf("custom-title=%s\n", custom->GetTitle().utf8_str().data());
        auto *left = wxWindow::FindWindowById(SgWxCustomDialog::kIdLeftEdit, custom);
        ClickAt(Centre(left));
        RunUntil([left] { return left->HasFocus(); });
        static_cast<wxTextCtrl *>(left)->SelectAll();
        wxUIActionSimulator keys;
        keys.Text("12.5");
        RunUntil([custom] { return custom->GetCustom().GetLeftMargin() == 12.5; });
        std::printf("custom-left=%g\n", custom->GetCustom().GetLeftMargin());
        custom->Destroy();

        // The movie dialog: Abort clicked for real during the recording; a
        // button of another window gets nothing meanwhile.
        auto *frame = new wxFrame(nullptr, wxID_ANY, "Other", wxPoint(500, 30), wxSize(160, 80));
        auto *other = new wxButton(frame, wxID_ANY, "Other");
        int otherClicks = 0;
        other->Bind(wxEVT_BUTTON, [&otherClicks](wxCommandEvent &) { ++otherClicks; });
        frame->Show();
        int progressCalls = 0, stoppedAt = -1;
        SgWxMovieDialog *movie = nullptr;
        movie = static_cast<SgWxMovieDialog *>(CreateMovieDialog(nullptr, m_document, [&](const MovieDlg::Request &r) {
            // Runs until the Abort click arrives (late on a loaded machine).
            const wxLongLong end = wxGetLocalTimeMillis() + wxprobe::kHangGuardMs;
            for (int i = 1; wxGetLocalTimeMillis() < end; ++i) {
                ++progressCalls;
                // Click the other window, then Abort, each after the pointer
                // rested on it; the progress calls pump the events meanwhile.
                wxUIActionSimulator mouse;
                if (i == 5)
                    mouse.MouseMove(Centre(other));
                if (i == 12)
                    mouse.MouseClick();
                if (i == 20)
                    mouse.MouseMove(Centre(wxWindow::FindWindowById(SgWxMovieDialog::kIdAbort, movie)));
                if (i == 27)
                    mouse.MouseClick();
                wxMilliSleep(20);
                if (!r.progress(r.data, i)) {
                    stoppedAt = i;
                    return 0;
                }
            }
            return 1;
        }));
        movie->SetPosition(wxPoint(30, 30));
        movie->Open();
        RunUntil([movie, frame] { return movie->IsShownOnScreen() && frame->IsShownOnScreen(); });
        HandlePending();
        CheckLayout("movie", movie);
        wxprobe::SaveShot(movie, "movie");
        ClickAt(Centre(wxWindow::FindWindowById(SgWxMovieDialog::kIdCreate, movie)));
        RunUntil([&] { return stoppedAt > 0; });
        // A click that reached the other window would have been answered.
        HandlePending();
        std::printf("movie-stopped=%d\nmovie-other-clicks=%d\nmovie-progress-after=%d\n", int(stoppedAt > 0),
                    otherClicks, movie->GetMovie().GetProgressPosition());
        movie->Destroy();
        frame->Destroy();

        // The texture dialog fills from its worker; a click on a thumbnail
        // puts its image on the selected object's texture.
        auto *ball = new SgObject(true, true);
        ball->AddChild(new SgSphere);
        m_document->GetRoot()->AddChild(ball);
        m_document->GetSelectionHandler()->Select(ball, 0);
        CTextureDlg::SetItemsDirectory(m_folder.string());
        CTextureDlg::SetItemsType("BMP");
        auto *texture = static_cast<SgWxTextureDialog *>(CreateTextureDialog(nullptr, m_document));
        texture->SetPosition(wxPoint(30, 30));
        texture->Open();
        RunUntil([texture] { return texture->IsShownOnScreen(); });
        RunUntil([texture] { return texture->GetTotalText() == "Total Image: 3"; });
        HandlePending();
        CheckLayout("texture", texture);
        wxprobe::SaveShot(texture, "texture");
        std::printf("texture-total=%s\ntexture-thumbnails=%d\ntexture-range=%d\n",
                    texture->GetTotalText().utf8_str().data(), texture->GetThumbnailCount(),
                    texture->GetTexture().GetProgressRange());
        {
            auto *list = static_cast<wxListCtrl *>(wxWindow::FindWindowById(SgWxTextureDialog::kIdThumbnails, texture));
            wxRect item;
            list->GetItemRect(1, item, wxLIST_RECT_ICON);
            ClickAt(list->ClientToScreen(item.GetPosition() + wxPoint(item.width / 2, item.height / 2)));
            RunUntil([texture] { return !texture->GetTexture().GetCurrentImage().empty(); });
            const std::string image = texture->GetTexture().GetCurrentImage();
            std::printf("texture-image=%s\n", fs::path(image).filename().string().c_str());
            std::printf("texture-preview=%d\n", int(texture->GetPreviewRenders() > 0));
            // A real click on the Move X slider moves the texture, and the
            // preview's picture changes with it, from the picture of the
            // chosen image on.
            RunUntil([texture] { return texture->GetPreviewRenders() > 0; });
            HandlePending();
            const wxImage before = texture->GetPreviewBitmap().ConvertToImage();
            const int renders = texture->GetPreviewRenders();
            auto *slider = wxWindow::FindWindowById(SgWxTextureDialog::kIdMoveXSlider, texture);
            // The slider takes the focus with a real click on its knob (in
            // the middle: the texture sits at 0), then the Page Up key.
            ClickAt(Centre(slider));
            slider->SetFocus();
            RunUntil([slider] { return wxWindow::FindFocus() == slider; });
            wxUIActionSimulator keys;
            keys.Char(WXK_PAGEUP);
            RunUntil([texture, renders] { return texture->GetPreviewRenders() > renders; });
            const wxImage after = texture->GetPreviewBitmap().ConvertToImage();
            int changed = 0;
            if (before.IsOk() && after.IsOk() && before.GetSize() == after.GetSize())
                for (int i = 0; i < before.GetWidth() * before.GetHeight() * 3; ++i)
                    changed += std::abs(int(before.GetData()[i]) - int(after.GetData()[i])) > 40;
            std::printf("texture-moved=%d\ntexture-picture-changed=%d\n", int(texture->GetTexture().moveX != 0.0),
                        int(changed > 50));
            std::printf("texture-move-x=%g\n", texture->GetTexture().moveX);
        }
        // Closing while a fill runs joins the worker before the window goes.
        texture->Refresh();
        wxprobe::DestroyAndWait(texture);

        // The text along a path: opening adds the text object; Play with a
        // real click advances the phase.
        const int before = m_document->GetRoot()->GetNumChildren();
        auto *wrapper = static_cast<SgWxTextWrapperDialog *>(CreateTextWrapperDialog(nullptr, m_document));
        wrapper->SetPosition(wxPoint(30, 30));
        wrapper->Open();
        RunUntil([wrapper] { return wrapper->IsShownOnScreen(); });
        HandlePending();
        CheckLayout("wrapper", wrapper);
        wxprobe::SaveShot(wrapper, "wrapper");
        std::printf("wrapper-added=%d\n", m_document->GetRoot()->GetNumChildren() - before);
        ClickAt(Centre(wxWindow::FindWindowById(SgWxTextWrapperDialog::kIdPlay, wrapper)));
        RunUntil([wrapper] { return wrapper->GetWrapper().GetPhase() > 1.0; });
        std::printf("wrapper-played=%d\nwrapper-undo-off=%d\n", int(wrapper->GetWrapper().GetPhase() > 1.0),
                    int(!m_document->IsUndoRecording()));
        ClickAt(Centre(wxWindow::FindWindowById(wxID_OK, wrapper)));
        RunUntil([wrapper] { return !wrapper->IsShown(); });
        std::printf("wrapper-undo-back=%d\n", int(m_document->IsUndoRecording()));
        wrapper->Destroy();

        std::printf("done\n");
        std::fflush(stdout);
        ExitMainLoop();
    }

    SgDocument *m_document = nullptr;
    fs::path m_folder;
};

} // namespace

wxIMPLEMENT_APP(ProbeApp);
