// The selection and clipboard family: what the Edit and Selection menus do
// to the document's selection, copy buffer and undo list.
#include "facade/SelectionEditing.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "engine/actions/SgNodeNavigation.h"
#include "engine/core/SgKeyPoint.h"
#include "engine/core/SgPathList.h"
#include "engine/core/SgSeparator.h"
#include "engine/document/SgCopy.h"
#include "engine/document/SgDocument.h"
#include "engine/handlers/SgSelectionHandler.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/nodes/properties/SgMaterial.h"
#include "facade/CDrevon.h"
#include "platform/SgChoosers.h"

namespace drevon {

namespace {

// The direction of a navigation request: buttons 42 to 45, or 0 to 3.
int NavigationStep(int button)
{
    return button >= 42 ? button - 42 : button;
}

std::uint8_t HighlightChannelByte(float value)
{
    return static_cast<std::uint8_t>(std::lround(std::clamp(value, 0.0f, 1.0f) * 255.0f));
}

} // namespace

SelectionEditing::SelectionEditing(CDrevon &facade) : m_facade(facade) {}

SgSelectionHandler *SelectionEditing::Selection() const
{
    return m_facade.Selection();
}

// ---- Selection ----------------------------------------------------------------------------------

void SelectionEditing::ChangeSelection(int how)
{
    if (SgSelectionHandler *selection = Selection()) {
        if (how == 0)
            selection->SelectAll(m_facade.GetRoot());
        else if (how == 1)
            selection->SelectNone();
        else if (how == 2)
            selection->SelectInvert(m_facade.GetRoot());
    }
    m_facade.Redraw();
}

bool SelectionEditing::MoreThanOneSelected(int)
{
    return Selection() && Selection()->GetSelCount() >= 2;
}

bool SelectionEditing::NonemptySelection(int)
{
    return Selection() && Selection()->GetSelCount() >= 1;
}

void SelectionEditing::GroupSelection()
{
    if (Selection())
        Selection()->GroupSelection();
    m_facade.Redraw();
}

void SelectionEditing::UnGroupSelection()
{
    if (Selection())
        Selection()->UnGroupSelection();
    m_facade.Redraw();
}

int SelectionEditing::AttachToGroup(SgObject *group, SgObject *object, bool link)
{
    if (!group || !object)
        return 0;
    SgPath path;
    path.CreateFromNode(group);
    path.CutToRoot(0);
    object->AttachToGroup(path, link);
    return 1;
}

void SelectionEditing::AttachToGroupSelection(bool link)
{
    if (Selection())
        Selection()->AttachToGroupSelection(link);
    m_facade.Redraw();
}

int SelectionEditing::DetachFromGroup(SgObject *)
{
    return 1;
}

void SelectionEditing::DetachSelection()
{
    if (Selection())
        Selection()->DetachGroupSelection();
    m_facade.Redraw();
}

void SelectionEditing::OnDeleteSelection()
{
    SgDocument *document = m_facade.GetDocument();
    SgSelectionHandler *selection = Selection();
    if (!selection)
        return;
    // Sub-object deletion belongs to the sub-object tool, which is not
    // offered here; while it edits, objects are not deleted under it.
    if (selection->m_bSubObject)
        return;
    {
        // Every selected object goes in one step to undo.
        SgKeyPoint step(document);
        selection->Delete();
    }
    m_facade.Redraw();
}

void SelectionEditing::OnClone(bool deep)
{
    SgDocument *document = m_facade.GetDocument();
    if (!document || !Selection())
        return;
    const SgPathList list = Selection()->GetPathList();
    SgCopy *copy = document->GetCopyBuffer();
    copy->SetCopyMode(deep);
    if (!list.IsEmpty())
        copy->Clone(list);
}

void SelectionEditing::OnPasteClone()
{
    Paste(false);
}

void SelectionEditing::OnPasteLinked()
{
    Paste(true);
}

void SelectionEditing::Paste(bool linked)
{
    SgDocument *document = m_facade.GetDocument();
    if (!document)
        return;
    SgCopy *copy = document->GetCopyBuffer();
    copy->SetSelectionHandler(Selection());
    SgSeparator *root = m_facade.GetRoot();
    SelectPasted(linked ? copy->PasteClone(root) : copy->Paste(root));
}

void SelectionEditing::SelectPasted(const std::vector<SgObject *> &pasted)
{
    // What was pasted is what the next move or delete acts on.
    if (SgSelectionHandler *selection = Selection(); selection && !pasted.empty()) {
        selection->DeselectAll();
        for (SgObject *object : pasted) {
            SgPath path(*m_facade.GetRoot());
            path.Append(object);
            selection->Select(path, 0);
        }
    }
    m_facade.Redraw();
}

bool SelectionEditing::UpdateClonePaste(int)
{
    SgDocument *document = m_facade.GetDocument();
    return document && document->GetCopyBuffer()->GetCount() > 0;
}

void SelectionEditing::OnEdit(int button)
{
    switch (button) {
    case 98:
        Undo(false);
        break;
    case 99:
        Undo(true);
        break;
    case 100:
        GroupSelection();
        break;
    case 101:
        UnGroupSelection();
        break;
    case 102:
        OnDeleteSelection();
        break;
    case 103:
        OnClone(false);
        break;
    case 104:
        OnPasteClone();
        break;
    default:
        break;
    }
    m_facade.Redraw();
}

void SelectionEditing::Undo(bool redo)
{
    SgDocument *document = m_facade.GetDocument();
    if (!document)
        return;
    SgSelectionHandler *selection = Selection();
    if (selection && selection->m_bSubObject) {
        m_facade.GetCreation().DeleteActiveTool();
        m_facade.GetCreation().OnTransformTool(m_facade.GetCreation().GetManipulatorKind() + 30);
    }
    // A tool in the middle of a creation holds nodes the undo may take away.
    if (m_facade.GetCreation().GetCreationButton() != 0)
        m_facade.GetCreation().DeleteActiveTool();
    if (selection)
        selection->DeselectAll();
    if (redo)
        document->Redo();
    else
        document->Undo();
    m_facade.Redraw();
}

void SelectionEditing::UndoOp(int op)
{
    SgDocument *document = m_facade.GetDocument();
    if (!document)
        return;
    switch (op) {
    case 0:
    case 1:
        document->StartKeyPoint();
        break;
    case 2:
        document->SetUndoRecording(false);
        break;
    case 3:
        document->SetUndoRecording(true);
        break;
    case 4:
        document->ResetUndo();
        break;
    default:
        break;
    }
}

bool SelectionEditing::UpdateUndo(int button)
{
    SgDocument *document = m_facade.GetDocument();
    if (!document)
        return false;
    if (button == 98)
        return document->IsUndoStackNonEmpty();
    if (button == 99)
        return document->IsRedoStackNonEmpty();
    return false;
}

void SelectionEditing::Navigate(int button)
{
    if (SgSelectionHandler *selection = Selection()) {
        SgNodeNavigation navigation(selection);
        const SgPathList list = selection->GetPathList();
        switch (NavigationStep(button)) {
        case 0:
            navigation.NavigateToSibling(list, true);
            break;
        case 1:
            navigation.NavigateToSibling(list, false);
            break;
        case 2:
            navigation.NavigateToSon(list);
            break;
        case 3:
            navigation.NavigateToParent(list);
            break;
        default:
            break;
        }
    }
    m_facade.Redraw();
}

bool SelectionEditing::OnUpdateNavigate(int button)
{
    SgSelectionHandler *selection = Selection();
    if (!selection || selection->GetSelCount() == 0)
        return false;
    const int step = NavigationStep(button);
    if (step < 0 || step > 3)
        return true;
    SgNodeNavigation navigation(selection);
    const SgPathList &list = selection->GetPathList();
    POSITION position = list.GetFirst();
    while (position) {
        SgPath path = list.GetNext(position);
        SgPath target;
        if (step <= 1) {
            if (!navigation.GetSibling(path, step == 0))
                return false;
        } else if (step == 2) {
            navigation.GetSon(path, target);
            if (target.GetNodes().empty())
                return false;
        } else {
            navigation.GetParent(path, target);
            if (target.GetNodes().empty())
                return false;
        }
    }
    return true;
}

// ---- Highlight colour ---------------------------------------------------------------------------

void SelectionEditing::OnChangeSelectionColor()
{
    SgSelectionHandler *selection = Selection();
    if (!selection)
        return;
    SgRgb8 initial{255, 0, 0};
    if (SgMaterial *material = selection->GetHighlightMaterial(); material && material->m_diffuseColor.GetCount() > 0) {
        const Color &current = material->m_diffuseColor.GetValues().front();
        initial = SgRgb8{HighlightChannelByte(current.r), HighlightChannelByte(current.g),
                         HighlightChannelByte(current.b)};
    }
    const std::optional<SgRgb8> chosen = ChooseColor(initial);
    if (!chosen)
        return;
    selection->SetColor(Color(chosen->r / 255.0, chosen->g / 255.0, chosen->b / 255.0, 1.0));
    selection->ReselectAll();
    m_facade.GetDocument()->RedrawAllViewers();
}

} // namespace drevon
