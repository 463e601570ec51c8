// The scene-tree dialog as the facade's dialog table opens it: its tree shows
// the document's objects, and OK closes and frees the window. Prints "PASS:"
// or "FAIL: ..."; run under an X server (scene_tree_dialog_test.py).
#include <cstdio>
#include <memory>

#include <wx/app.h>
#include <wx/dialog.h>
#include <wx/init.h>

#include "engine/core/SgSeparator.h"
#include "engine/document/SgDocument.h"
#include "engine/nodes/object/SgObject.h"
#include "treepanel/Arbelo.h"
#include "treepanel/StTreeDlg.h"
#include "treepanel/wx/SgWxSceneTree.h"

namespace {

int Fail(const char *message)
{
    std::printf("FAIL: %s\n", message);
    return 1;
}

bool Shows(arbelo::SgWxSceneTree &tree, StItem parent, const std::string &label)
{
    for (StItem child = tree.GetFirstChild(parent); child; child = tree.GetNextSibling(child))
        if (tree.GetText(child) == label || Shows(tree, child, label))
            return true;
    return false;
}

} // namespace

int main(int argc, char **argv)
{
    wxApp::SetInstance(new wxApp);
    if (!wxEntryStart(argc, argv) || !wxTheApp->CallOnInit())
        return Fail("no display");
    arbelo::Arbelo::Init();
    int status = 0;
    {
        std::unique_ptr<SgDocument, void (*)(SgDocument *)> document(SgDocument::Create(), &SgDocument::Destroy);
        auto *lamp = new SgObject;
        lamp->SetName("lamp");
        document->GetRoot()->AddChild(lamp);

        bool destroyed = false;
        wxDialog *dialog = arbelo::CreateSceneTreeDialog(nullptr, document.get());
        dialog->Bind(wxEVT_DESTROY, [&](wxWindowDestroyEvent &event) {
            if (event.GetEventObject() == dialog)
                destroyed = true;
            event.Skip();
        });
        auto *tree = dynamic_cast<arbelo::SgWxSceneTree *>(wxWindow::FindWindowById(arbelo::StTreeDlg::kDialogId, dialog));
        if (!dialog->IsShown())
            status = Fail("the dialog is not shown");
        else if (dialog->GetTitle() != "Arbelo View")
            status = Fail("the dialog's caption is not \"Arbelo View\"");
        else if (!tree)
            status = Fail("the dialog holds no scene tree");
        else if (!Shows(*tree, 0, "lamp"))
            status = Fail("the tree does not show the document's object");
        if (status == 0) {
            wxCommandEvent ok(wxEVT_BUTTON, wxID_OK);
            ok.SetEventObject(dialog);
            dialog->GetEventHandler()->ProcessEvent(ok);
            for (int i = 0; i < 50 && !destroyed; ++i)
                wxTheApp->Yield(true);
            if (!destroyed)
                status = Fail("OK did not close and free the dialog");
        }
        if (status == 0)
            std::printf("PASS: the scene-tree dialog shows the scene and OK frees it\n");
    }
    wxEntryCleanup();
    return status;
}
