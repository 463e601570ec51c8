// A small wx program for the builder window's test under a virtual X server
// (tests/gui/wx_model_builder_test.py starts the server and this program):
// the window opens on a selected object, every control must lie inside the
// client area, a parameter is typed in and added with real X key presses
// and a click, and Cancel closes it through the document's close-dialog callback, which
// destroys the window as the dialog table does.
// Prints one line per check, "name=value", and "done" at the end.
#include <cstdio>
#include <functional>
#include <string>

#include <wx/defs.h>

#include <wx/app.h>
#include <wx/button.h>
#include <wx/control.h>
#include <wx/statbox.h>
#include <wx/textctrl.h>
#include <wx/treectrl.h>
#include <wx/uiaction.h>
#include <wx/utils.h>

#include "engine/SgNodara.h"
#include "engine/core/SgSeparator.h"
#include "engine/document/SgDocument.h"
#include "engine/engines/SgParametric.h"
#include "engine/handlers/SgSelectionHandler.h"
#include "engine/nodes/geometry/SgCube.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/nodes/properties/SgMaterial.h"
#include "modelbuilder/wx/SgWxModelBuilderDialog.h"
#include "tests/platform/wx/WxProbeSupport.h"

namespace {

using wxprobe::RunUntil;

// A real click on the middle of `window`, and what the click made handled.
void ClickOn(wxWindow *window)
{
    wxprobe::ClickAt(wxprobe::Centre(window));
    wxprobe::HandlePending();
}

// Every shown control below `parent`, checked against the dialog's client area.
void CheckInside(wxWindow *dialog, wxWindow *parent, int &count, std::string &outside)
{
    const wxRect client(wxPoint(0, 0), dialog->GetClientSize());
    for (wxWindow *child : parent->GetChildren()) {
        if (!child->IsShown() || child->IsTopLevel())
            continue;
        const wxRect rect(dialog->ScreenToClient(child->GetScreenPosition()), child->GetSize());
        ++count;
        if (!client.Contains(rect))
            outside += wxString(child->GetClassInfo()->GetClassName()).ToStdString() + ":" +
                       std::to_string(child->GetId()) + " ";
        // Controls made of several windows are checked as one.
        if (!dynamic_cast<wxControl *>(child) || dynamic_cast<wxStaticBox *>(child))
            CheckInside(dialog, child, count, outside);
    }
}

wxTreeItemId FindLabel(wxTreeCtrl *tree, const wxTreeItemId &parent, const wxString &label)
{
    wxTreeItemIdValue cookie;
    for (wxTreeItemId c = tree->GetFirstChild(parent, cookie); c.IsOk(); c = tree->GetNextChild(parent, cookie)) {
        if (tree->GetItemText(c) == label)
            return c;
        if (wxTreeItemId below = FindLabel(tree, c, label); below.IsOk())
            return below;
    }
    return wxTreeItemId();
}

bool TreeHas(wxTreeCtrl *tree, const wxTreeItemId &parent, const wxString &label)
{
    return FindLabel(tree, parent, label).IsOk();
}

// A real click on the item's label.
void ClickItem(wxTreeCtrl *tree, const wxString &label)
{
    const wxTreeItemId item = FindLabel(tree, tree->GetRootItem(), label);
    wxRect rect;
    if (!item.IsOk() || !tree->GetBoundingRect(item, rect, true))
        return;
    wxprobe::ClickAt(tree->ClientToScreen(wxPoint(rect.x + 8, rect.y + rect.height / 2)));
    wxprobe::Expect(RunUntil([tree, item] { return tree->IsSelected(item); }), "the item's selection");
    wxprobe::HandlePending();
}

class ProbeApp : public wxApp {
public:
    bool OnInit() override
    {
        SgNodara::Init();
        m_document = SgDocument::Create();
        auto *object = new SgObject;
        object->SetName("part");
        object->AddChild(new SgCube);
        m_material = new SgMaterial;
        object->AddChild(m_material);
        m_document->GetRoot()->AddChild(object);
        m_document->GetSelectionHandler()->Select(object, 0);
        m_window = mabrel::CreateModelBuilderDialog(nullptr, m_document);
        m_window->SetPosition(wxPoint(30, 30));
        m_window->Open();
        CallAfter([this] { Run(); });
        return true;
    }

    int OnExit() override
    {
        SgDocument::Destroy(m_document);
        return 0;
    }

private:
    void Run()
    {
        auto *builder = static_cast<SgWxModelBuilderDialog *>(m_window);
        std::printf("shown=%d\n", int(RunUntil([this] { return m_window->IsShownOnScreen(); })));
        wxprobe::SaveShot(m_window, "model-builder");
        wxprobe::HandlePending();
        int count = 0;
        std::string outside;
        CheckInside(m_window, m_window, count, outside);
        std::printf("controls=%d\n", count);
        std::printf("outside=%s\n", outside.empty() ? "none" : outside.c_str());
        wxWindow *add = m_window->FindWindow(SgWxModelBuilderDialog::kIdAdd);
        std::printf("add-enabled-at-start=%d\n", int(add->IsEnabled()));

        // A parameter typed in with real key presses and added with a click.
        wxUIActionSimulator keys;
        auto *name = static_cast<wxTextCtrl *>(m_window->FindWindow(SgWxModelBuilderDialog::kIdNameEdit));
        auto *value = static_cast<wxTextCtrl *>(m_window->FindWindow(SgWxModelBuilderDialog::kIdDefaultEdit));
        ClickOn(name);
        wxprobe::Expect(RunUntil([name] { return name->HasFocus(); }), "the name field's focus");
        keys.Text("w");
        RunUntil([name] { return name->GetValue() == "w"; });
        ClickOn(value);
        wxprobe::Expect(RunUntil([value] { return value->HasFocus(); }), "the value field's focus");
        keys.Text("7");
        RunUntil([value] { return value->GetValue() == "7"; });
        std::printf("add-enabled-after-typing=%d\n", int(RunUntil([add] { return add->IsEnabled(); })));
        ClickOn(add);
        SgParametricModel *model = builder->GetBuilder()->GetPM();
        std::printf("param-added=%d\n", int(RunUntil([model] { return model->getParam("w") != nullptr; })));
        if (SgPMParam *param = model->getParam("w"))
            std::printf("param-value=%d\n", *static_cast<const int *>(param->m_pValue->GetValuePtr(0, false)));
        wxTreeCtrl *tree = builder->GetTree();
        std::printf("tree-shows-param=%d\n", int(RunUntil([tree] {
                        return TreeHas(tree, tree->GetRootItem(), "ParameterName: w");
                    })));
        std::printf("name-emptied=%d\n", int(name->GetValue().empty()));

        // The parameter chosen in the tree by a click, a field picked as a
        // double click in the scene tree picks it, "Connect" clicked.
        ClickItem(tree, "ParameterName: w");
        wxWindow *connect = m_window->FindWindow(SgWxModelBuilderDialog::kIdConnect);
        std::printf("connect-enabled=%d\n", int(RunUntil([connect] { return connect->IsEnabled(); })));
        m_document->AddToSelectedFieldsList(&m_material->m_alphaBlend, 0);
        ClickOn(connect);
        std::printf("connected=%d\n", int(RunUntil([model] {
                        SgPMParam *param = model->getParam("w");
                        return param && param->m_points.size() == 1;
                    })));
        const wxString connection = wxString::FromUTF8(MabrelDlg::ConnectionLabel(&m_material->m_alphaBlend));
        std::printf("tree-shows-connection=%d\n",
                    int(RunUntil([tree, connection] { return TreeHas(tree, tree->GetRootItem(), connection); })));
        // The connection chosen and "Disconnect" clicked: the last one takes its
        // "Connections " item along.
        ClickItem(tree, connection);
        wxWindow *disconnect = m_window->FindWindow(SgWxModelBuilderDialog::kIdDisconnect);
        std::printf("disconnect-enabled=%d\n", int(RunUntil([disconnect] { return disconnect->IsEnabled(); })));
        ClickOn(disconnect);
        std::printf("connections-gone=%d\n", int(RunUntil([tree] {
                        return !TreeHas(tree, tree->GetRootItem(), "Connections ");
                    })));
        std::printf("points-left=%d\n", int(model->getParam("w") ? model->getParam("w")->m_points.size() : 99));

        // Cancel as the dialog table answers it: its close-dialog callback
        // destroys the window while the click is being answered.
        bool destroyed = false;
        m_window->Bind(wxEVT_DESTROY, [this, &destroyed](wxWindowDestroyEvent &event) {
            destroyed |= event.GetEventObject() == m_window;
            event.Skip();
        });
        m_document->SetCloseDialogCallback([](void *owner, void *) { static_cast<wxWindow *>(owner)->Destroy(); },
                                           m_window);
        ClickOn(m_window->FindWindow(wxID_CANCEL));
        std::printf("destroyed-by-callback=%d\n", int(RunUntil([&destroyed] { return destroyed; })));
        m_document->SetCloseDialogCallback(nullptr, nullptr);
        wxprobe::HandlePending();
        // Cancel takes back what the builder did since it opened, the new
        // model around the object included.
        std::printf("model-taken-back=%d\n", int(m_document->GetRoot()->IndexOf(model) < 0));
        std::printf("done\n");
        std::fflush(stdout);
        ExitMainLoop();
    }

    SgDocument *m_document = nullptr;
    SgMaterial *m_material = nullptr;
    SgWxCadDialog *m_window = nullptr;
};

} // namespace

wxIMPLEMENT_APP(ProbeApp);
