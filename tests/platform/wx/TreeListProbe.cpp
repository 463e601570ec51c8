// A small wx program for the layers dialog's test under a virtual X server
// (tests/gui/wx_tree_list_test.py starts the server and this program): a
// real X click on "Add Layer", then the list's pixels read back from the
// screen: the row colours, the insert-mark row and the expand buttons.
// Prints one line per check, "name=value", and "done" at the end.
#include <cstdio>
#include <cstdlib>
#include <functional>

#include <wx/defs.h>

#include <wx/app.h>
#include <wx/button.h>
#include <wx/dcmemory.h>
#include <wx/dcscreen.h>
#include <wx/image.h>
#include <wx/textctrl.h>
#include <wx/uiaction.h>
#include <wx/utils.h>

#include "dialogs/CLayersDlg.h"
#include "dialogs/wx/SgWxLayersDialog.h"
#include "engine/SgNodara.h"
#include "engine/core/SgSeparator.h"
#include "engine/document/SgDocument.h"
#include "engine/handlers/SgSelectionHandler.h"
#include "engine/nodes/object/SgObject.h"
#include "platform/wx/SgWxTreeList.h"
#include "tests/platform/wx/WxProbeSupport.h"

namespace {

using wxprobe::RunUntil;
using wxprobe::ClickAt;
using wxprobe::HandlePending;

using Model = SgTreeListModel;

unsigned Rgb(const wxImage &image, int x, int y)
{
    if (x < 0 || y < 0 || x >= image.GetWidth() || y >= image.GetHeight())
        return 0xFFFFFFFFu;
    return (unsigned(image.GetRed(x, y)) << 16) | (unsigned(image.GetGreen(x, y)) << 8) | image.GetBlue(x, y);
}

// A model colour (0x00BBGGRR) as RRGGBB.
unsigned Rgb(std::int64_t ref)
{
    return unsigned(((ref & 0xFF) << 16) | (ref & 0xFF00) | ((ref >> 16) & 0xFF));
}

SgObject *AddObject(SgDocument &document, const char *name)
{
    auto *object = new SgObject;
    object->SetName(name);
    document.GetRoot()->AddChild(object);
    return object;
}

class ProbeApp : public wxApp {
public:
    bool OnInit() override
    {
        SgNodara::Init();
        wxInitAllImageHandlers();
        m_document = SgDocument::Create();
        m_document->EnsureLayersNode();
        SgObject *box = AddObject(*m_document, "box");
        AddObject(*m_document, "");
        m_document->GetSelectionHandler()->Select(box, 0);
        m_logic = new CLayersDlg(m_document);
        m_window = new SgWxLayersDialog(nullptr, m_logic);
        m_window->SetPosition(wxPoint(40, 40));
        m_window->Open();
        CallAfter([this] { Run(); });
        return true;
    }

    int OnExit() override
    {
        delete m_logic;
        SgDocument::Destroy(m_document);
        return 0;
    }

private:
    void Run()
    {
        RunUntil([this] { return m_window->IsShownOnScreen(); });
        HandlePending();
        // "Add Layer" with a real click.
        auto *add = wxWindow::FindWindowById(SgWxLayersDialog::kIdAddLayer, m_window);
        ClickAt(add->GetScreenPosition() + wxPoint(add->GetSize().x / 2, add->GetSize().y / 2));
        RunUntil([this] { return m_document->GetLayerCount() == 2; });
        std::printf("layers=%d\n", m_document->GetLayerCount());
        std::printf("layer1=%s\n", m_document->GetLayerCount() > 1 ? m_document->GetLayerName(1).c_str() : "");
        std::printf("current=%d\n", m_document->GetCurrentLayer());
        int moved = 0;
        struct Count : SelectOp {
            int *moved;
            void operator()(SgNode *node) override
            {
                if (auto *object = dynamic_cast<SgObject *>(node))
                    *moved += object->m_layer.Get(false) == 1;
            }
        } count;
        count.moved = &moved;
        m_document->GetSelectionHandler()->ApplyToSelection(&count);
        std::printf("selection-on-layer1=%d\n", moved);

        // Rows: Layer0, its "Object", the mark, Layer1 (with "box", collapsed).
        CTreeListCtrl *list = m_window->GetList();
        Model &model = list->Model();
        CLayersList &layers = m_logic->GetList();
        model.Expand(layers.GetLayerItem(0), Model::kExpand);
        // A mark colour of its own, so that the probe cannot mistake text or
        // a theme's dark colour for it.
        model.SetColor(Model::kColInsertMark, 0x2080F0);
        Model::Item mark = model.SetInsertMark(layers.GetLayerItem(1), true);
        std::printf("mark-row=%d\n", model.GetRowOfItem(mark));
        wxprobe::Repaint(list);

        const wxSize size = list->GetClientSize();
        const wxPoint origin = list->ClientToScreen(wxPoint(0, 0));
        wxBitmap shot(size.x, size.y);
        {
            wxScreenDC screen;
            wxMemoryDC memory(shot);
            memory.Blit(0, 0, size.x, size.y, &screen, origin.x, origin.y);
        }
        const wxImage image = shot.ConvertToImage();
        if (const char *path = std::getenv("TREE_LIST_SHOT"))
            image.SaveFile(path, wxBITMAP_TYPE_PNG);
        const int header = model.GetHeaderHeight();
        const int height = model.GetItemHeight();
        const int x = model.Boundary(2) - 4; // right part of the "No." cell
        for (int row = 0; row < 4; ++row)
            std::printf("row%d=%06X\n", row, Rgb(image, x, header + row * height + height / 2));
        std::printf("mark-colour=%06X\n", Rgb(model.GetColor(Model::kColInsertMark)));
        // The expand buttons: centre 7 pixels into the item's indent column.
        const int centre = 7;
        for (int row : {0, 3}) {
            const int m = header + row * height + height / 2;
            std::printf("button%d-frame=%06X\n", row, Rgb(image, centre - 4, m));
            std::printf("button%d-bar=%06X\n", row, Rgb(image, centre, m));
            std::printf("button%d-upright=%06X\n", row, Rgb(image, centre, m - 2));
            std::printf("button%d-outside=%06X\n", row, Rgb(image, centre - 6, m));
        }
        std::printf("frame-colour=%06X\n", Rgb(model.GetColor(Model::kColButtonFrame)));
        std::printf("sign-colour=%06X\n", Rgb(model.GetColor(Model::kColLine)));

        // Renaming with real clicks and keys: a second click on the name of
        // the selected layer opens the edit box; Escape keeps the name,
        // Enter takes the typed one.
        model.SetInsertMark(0, false);
        for (const char *ending : {"escape", "enter"}) {
            Model::Rect name;
            model.GetItemRect(layers.GetLayerItem(0), 0, true, name);
            const wxPoint at = list->ClientToScreen(wxPoint(name.left + 8, (name.top + name.bottom) / 2));
            // The first click selects the layer, unless the round before
            // left it selected (a click then would already open the box).
            if (model.GetSelectedItem() != layers.GetLayerItem(0)) {
                ClickAt(at);
                RunUntil([&model, &layers] { return model.GetSelectedItem() == layers.GetLayerItem(0); });
                HandlePending();
            }
            // The second click lands farther from the first than a double
            // click may, so that it is a second click however soon it comes.
            ClickAt(at + wxPoint(12, 0));
            const bool opened = RunUntil([list] { return list->GetEditControl() != nullptr; });
            std::printf("edit-opened-%s=%d\n", ending, int(opened));
            wxUIActionSimulator keys;
            keys.Text("Walls");
            RunUntil([list] {
                auto *edit = dynamic_cast<wxTextCtrl *>(list->GetEditControl());
                return edit && edit->GetValue() == "Walls";
            });
            if (auto *edit = dynamic_cast<wxTextCtrl *>(list->GetEditControl()))
                std::printf("typed-%s=%s\n", ending, edit->GetValue().utf8_str().data());
            keys.Char(ending[1] == 's' ? WXK_ESCAPE : WXK_RETURN);
            RunUntil([list] { return list->GetEditControl() == nullptr; });
            std::printf("still-editing-%s=%d\n", ending, int(list->GetEditControl() != nullptr));
            std::printf("name-after-%s=%s\n", ending, m_document->GetLayerName(0).c_str());
            std::printf("dialog-shown-after-%s=%d\n", ending, int(m_window->IsShown()));
        }
        // A layer name wider than its column: resting the mouse on it shows
        // the whole name in the tip window; moving off the rows hides it.
        m_document->SetLayerName(1, "A layer whose name is far wider than its column");
        m_logic->OnRefresh();
        HandlePending();
        {
            Model::Rect name;
            model.GetItemRect(layers.GetLayerItem(1), 0, true, name);
            wxprobe::MovePointer(list->ClientToScreen(wxPoint(name.left + 12, (name.top + name.bottom) / 2)));
            wxUIActionSimulator mouse;
            mouse.MouseMove(list->ClientToScreen(wxPoint(name.left + 14, (name.top + name.bottom) / 2)));
            const bool shown = RunUntil([list] { return list->GetToolTipWindow() != nullptr; });
            std::printf("tip-shown=%d\n", int(shown));
            std::printf("tip-text=%s\n", model.GetToolTip().text.c_str());
            mouse.MouseMove(list->ClientToScreen(wxPoint(name.left + 14, list->GetClientSize().y - 3)));
            std::printf("tip-hidden=%d\n", int(RunUntil([list] { return list->GetToolTipWindow() == nullptr; })));
        }
        std::printf("done\n");
        std::fflush(stdout);
        m_window->Destroy();
        ExitMainLoop();
    }

    SgDocument *m_document = nullptr;
    CLayersDlg *m_logic = nullptr;
    SgWxLayersDialog *m_window = nullptr;
};

} // namespace

wxIMPLEMENT_APP(ProbeApp);
