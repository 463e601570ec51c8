#pragma once
// The sample scene in a document that records undo, and the check every
// dialog must pass: whatever it changes is gone after Cancel, and OK followed
// by one Undo leaves the scene text it opened on.
//
//   SampleSceneDocument scene;
//   CheckDialogStay(scene, {"font", {"box"},
//                           [](SgDocument &d) { return std::make_unique<CFontDlg>(&d); },
//                           [](CCadDlg &d) { ...what its view does as it opens... },
//                           [](CCadDlg &d) { ...change every kind of field... }});
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "dialogs/CCadDlg.h"
#include "engine/SgNodara.h"
#include "engine/core/SgGroup.h"
#include "engine/core/SgKeyPoint.h"
#include "engine/core/SgSeparator.h"
#include "engine/document/SgDocument.h"
#include "engine/handlers/SgSelectionHandler.h"
#include "engine/nodes/object/SgObject.h"
#include "solids/Solvane.h"

struct SampleSceneDocument {
    SampleSceneDocument()
    {
        solvane::Solvane::Init();
        document.OpenFile(FENNIX_TEST_DATA "/sample_scene.kvrx", true);
        document.SetUndoRecording(true);
    }
    ~SampleSceneDocument()
    {
        if (SgSelectionHandler *selection = document.GetSelectionHandler())
            selection->DeselectAll();
    }

    std::string SceneText()
    {
        std::ostringstream out;
        document.SaveStream(nullptr, &out, "kvrx");
        return out.str();
    }
    // The first object of that name, depth first.
    SgObject *Find(const std::string &name) { return FindBelow(document.GetRoot(), name, 0); }
    // Selects the named objects in order (the last is the reference of an
    // alignment); every other object is deselected.
    void Select(const std::vector<std::string> &names)
    {
        SgSelectionHandler *selection = document.GetSelectionHandler();
        selection->DeselectAll();
        for (const std::string &name : names) {
            SgObject *object = Find(name);
            ASSERT_NE(object, nullptr) << name;
            selection->Select(object, 0);
        }
    }

    std::unique_ptr<SgDocument, void (*)(SgDocument *)> holder{(SgNodara::Init(), SgDocument::Create()),
                                                               &SgDocument::Destroy};
    SgDocument &document = *holder;

private:
    static SgObject *FindBelow(SgNode *node, const std::string &name, int depth)
    {
        if (!node || depth > 64)
            return nullptr;
        if (auto *object = dynamic_cast<SgObject *>(node); object && object->GetName() == name)
            return object;
        auto *group = dynamic_cast<SgGroup *>(node);
        if (!group)
            return nullptr;
        for (SgGroup::Position at = group->GetFirst(); at;)
            if (SgObject *found = FindBelow(group->GetNext(at), name, depth + 1))
                return found;
        return nullptr;
    }
};

// One dialog's stay: what it is opened on, how it is made, what its view
// does as it starts (as the dialog, CCadDlg::Acting), and what the user then
// changes in it (as the dialog too).
struct DialogStayCase {
    std::string name;
    std::vector<std::string> selection;
    std::function<std::unique_ptr<CCadDlg>(SgDocument &)> make;
    std::function<void(CCadDlg &)> open;
    std::function<void(CCadDlg &)> change;
    // What the scene holds besides the sample before the dialog opens (added
    // as the file would have it, unrecorded); may be empty.
    std::function<void(SampleSceneDocument &)> prepare = nullptr;
    // False for a dialog that shows or exports the scene without changing
    // it: its changes must leave the text as it was and OK must add no undo
    // step (one Undo would take the window's last step instead).
    bool changesScene = true;
};

inline std::ostream &operator<<(std::ostream &out, const DialogStayCase &stay) { return out << stay.name; }

// Opens the dialog twice on the same selection: Cancel must give back the
// opening's scene text, and so must OK followed by one Undo; the changes
// must have changed the scene (else the check proves nothing).
inline void CheckDialogStay(SampleSceneDocument &scene, const DialogStayCase &stay,
                            const std::function<std::string(const std::string &)> &compared = nullptr)
{
    const auto text = [&](const std::string &t) { return compared ? compared(t) : t; };
    if (stay.prepare) {
        SgUndoRecordingPause unrecorded(&scene.document);
        stay.prepare(scene);
    }
    for (const bool cancel : {true, false}) {
        SCOPED_TRACE(stay.name + (cancel ? ": Cancel" : ": OK then Undo"));
        scene.Select(stay.selection);
        const std::string opening = scene.SceneText();
        const bool undoBefore = scene.document.IsUndoStackNonEmpty();
        std::unique_ptr<CCadDlg> dialog = stay.make(scene.document);
        {
            CCadDlg::Acting acting(*dialog);
            if (stay.open)
                stay.open(*dialog);
            dialog->Opened();
            stay.change(*dialog);
        }
        if (stay.changesScene)
            EXPECT_NE(scene.SceneText(), opening) << "the changes changed nothing";
        else
            EXPECT_EQ(text(scene.SceneText()), text(opening)) << "a dialog that only shows the scene changed it";
        if (cancel) {
            dialog->OnCancel();
        } else {
            dialog->OnOK();
            if (stay.changesScene) {
                EXPECT_NE(scene.SceneText(), opening) << "OK keeps the changes";
                scene.document.Undo();
            } else {
                EXPECT_EQ(scene.document.IsUndoStackNonEmpty(), undoBefore) << "OK of no change made an undo step";
            }
        }
        EXPECT_EQ(text(scene.SceneText()), text(opening));
        dialog.reset();
    }
}
