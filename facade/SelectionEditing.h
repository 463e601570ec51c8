#pragma once
#include <vector>
#include "facade/DrevonExport.h"
// The selection and clipboard commands of the facade: selecting all, none
// or the rest, grouping, deleting, copying and pasting, undo and redo, and
// walking the selection through the scene tree, and the highlight colour.
// What they act on is the document's selection handler and copy buffer; the
// family keeps no state.

class SgObject;
class SgSelectionHandler;

namespace drevon {

class CDrevon;

class DREVON_API SelectionEditing {
public:
    explicit SelectionEditing(CDrevon &facade);
    SelectionEditing(const SelectionEditing &) = delete;
    SelectionEditing &operator=(const SelectionEditing &) = delete;

    // 0 all, 1 none, 2 invert.
    void ChangeSelection(int how);
    bool MoreThanOneSelected(int button);
    bool NonemptySelection(int button);
    void GroupSelection();
    void UnGroupSelection();
    int AttachToGroup(SgObject *group, SgObject *object, bool link);
    void AttachToGroupSelection(bool link);
    int DetachFromGroup(SgObject *object);
    void DetachSelection();
    // Every selected object in one undo step; nothing while sub-objects are edited.
    void OnDeleteSelection();
    void OnClone(bool deep);
    // Independent copies of the copied objects, selected.
    void OnPasteClone();
    // Instances that show the copied objects themselves (a change of the
    // object shows in each), selected; the objects are not touched.
    void OnPasteLinked();
    bool UpdateClonePaste(int button);
    // Buttons 98 undo, 99 redo, 100 group, 101 ungroup, 102 delete, 103 copy, 104 paste.
    void OnEdit(int button);
    void Undo(bool redo);
    // 0 and 1 start a key point, 2 and 3 stop and restart recording, 4 resets.
    void UndoOp(int op);
    bool UpdateUndo(int button);
    // Buttons 42 to 45 (or 0 to 3): next sibling, previous sibling, first child, parent.
    void Navigate(int button);
    bool OnUpdateNavigate(int button);
    // Asks for a colour (platform/SgChoosers.h) starting at the highlight's;
    // the chosen one becomes the selection's highlight. Cancel changes nothing.
    void OnChangeSelectionColor();

private:
    SgSelectionHandler *Selection() const;
    // Copies or linked instances of the copy buffer's objects, selected.
    void Paste(bool linked);
    void SelectPasted(const std::vector<SgObject *> &pasted);

    CDrevon &m_facade;
};

} // namespace drevon
