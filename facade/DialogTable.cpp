// The dialog family, the facade's table of open dialogs: opening through the host's dialog
// factory, one instance per dialog, the slots freed when a dialog reports
// its closing, and every dialog gone before the document it edits.
#include "facade/DialogTable.h"

#include <iterator>

#include "dialogs/CCadDlg.h"
#include "engine/document/SgDocument.h"
#include "engine/handlers/SgSelectionHandler.h"
#include "facade/CDrevon.h"
#include "platform/SgDiagnostics.h"
#include "facade/FacadePackage.h"

namespace drevon {

namespace {


// What each dialog button opens: the dialog's id in the table and how many
// objects must be selected.
struct DialogOpener {
    int button;
    unsigned dialogId;
    int minSelection;
};

constexpr DialogOpener kOpeners[] = {
    {kColorDialog, 2021, 1},  // material colour
    {kTextureDialog, 2000, 1},  // texture
    {kLightDialog, 2022, 0},  // light
    {kAlignDialog, 2031, 1},  // alignment
    {kSceneTreeDialog, 3000, 0},  // scene tree
    {kSceneTreeDialog2, 3000, 0},  // scene tree
    {kAnimationDialog, 2023, 0},  // animation
    {kDisplayDialog, 2039, 0},  // display
    {kFontDialog, 2041, 0},  // font
    {kTextWrapperDialog, 2040, 0},  // text along a path
    {kTextWrapperDialog2, 2040, 0},  // text along a path
    {kLayersDialog, 2046, 0},  // layers
    {kMovieDialog, 2044, 0},  // movie
    {kModelBuilderDialog, 1000, 0},  // model builder
    {kCustomDialog, 2050, 0},  // custom
};

const DialogOpener *FindOpener(int button)
{
    for (const DialogOpener &opener : kOpeners)
        if (opener.button == button)
            return &opener;
    return nullptr;
}

} // namespace

DialogTable::DialogTable(CDrevon &facade) : m_facade(facade) {}

DialogTable::~DialogTable() = default;

void DialogTable::Reap(bool all)
{
    if (all)
        CloseAll();
    for (Slot &slot : m_slots)
        if (slot.id == 0 && slot.instance) {
            // Moved out first: a window that reports anything while it goes
            // finds the slot already empty.
            std::unique_ptr<DialogInstance> gone = std::move(slot.instance);
            gone->DestroyWindow();
        }
}

int DialogTable::Open(int button, const char *name)
{
    Reap(false);
    const DialogOpener *opener = FindOpener(button);
    if (!opener || !m_facade.GetDocument())
        return 0;
    SgSelectionHandler *selection = m_facade.Selection();
    const int selected = selection ? selection->GetSelCount() : 0;
    if (selected < opener->minSelection)
        return 1;
    if (!m_factory || !m_factory->CanMake(button)) {
        SgDiagTellUser(SgDiagLevel::Warning, kPackage, "This dialog is not available");
        return 0;
    }
    for (Slot &slot : m_slots)
        if (slot.id == opener->dialogId) {
            // Told first: the message box takes the focus while it shows,
            // and the open dialog is to have it once the box is gone.
            SgDiagTellUser(SgDiagLevel::Warning, kPackage, "Cannot open the same dialog");
            if (slot.instance)
                slot.instance->Raise();
            return 0;
        }
    Slot *free = nullptr;
    for (Slot &slot : m_slots)
        if (slot.id == 0 && !slot.instance) {
            free = &slot;
            break;
        }
    if (!free) {
        SgDiagTellUser(SgDiagLevel::Warning, kPackage,
                       "Too many dialogs are open (" + std::to_string(kSlots) + "): close one first");
        return 0;
    }
    DialogRequest request;
    request.button = button;
    request.dialogId = opener->dialogId;
    request.name = name;
    // The slot is taken while the window is made, so that the dialog's own
    // start-up finds it; a dialog that cannot be made gives it back.
    free->id = opener->dialogId;
    free->button = button;
    std::unique_ptr<DialogInstance> instance = m_factory->Make(m_facade, request);
    // (A window may bring its logic with it: asked for once it is made.)
    if (!instance || !instance->Create() || !instance->GetDialog()) {
        free->id = 0;
        free->button = 0;
        if (instance)
            instance->DestroyWindow();
        SgDiagTellUser(SgDiagLevel::Error, kPackage, "Error creating Dialog");
        return 0;
    }
    // The table knows a dialog by its own id from here on (the one its
    // closing is matched by).
    free->id = instance->GetDialog()->GetID() != 0 ? instance->GetDialog()->GetID() : opener->dialogId;
    free->instance = std::move(instance);
    m_facade.GetButtons().SetButtonState(1, button, false);
    free->instance->Show();
    return 1;
}

bool DialogTable::CanOpen(int button) const
{
    const DialogOpener *opener = FindOpener(button);
    if (!opener || !m_facade.GetDocument() || !m_factory || !m_factory->CanMake(button))
        return false;
    SgSelectionHandler *selection = m_facade.Selection();
    return (selection ? selection->GetSelCount() : 0) >= opener->minSelection;
}

void DialogTable::Closed(const CCadDlg *closing)
{
    if (!closing)
        return;
    for (Slot &slot : m_slots) {
        if (slot.id == 0 || !slot.instance || slot.instance->GetDialog() != closing)
            continue;
        const int button = slot.button;
        slot.id = 0;
        slot.button = 0;
        m_facade.GetButtons().SetButtonState(0, button, false);
        return;
    }
}

void DialogTable::CloseAll()
{
    for (Slot &slot : m_slots) {
        if (slot.id == 0)
            continue;
        const int button = slot.button;
        slot.id = 0;
        slot.button = 0;
        m_facade.GetButtons().SetButtonState(0, button, false);
        if (slot.instance) {
            if (CCadDlg *dialog = slot.instance->GetDialog())
                dialog->KeepStay();
            slot.instance->DestroyWindow();
        }
    }
}

bool DialogTable::IsOpen(int button) const
{
    if (button == 0)
        return false;
    for (const Slot &slot : m_slots)
        if (slot.id != 0 && slot.button == button)
            return true;
    return false;
}

int DialogTable::GetOpenCount() const
{
    int count = 0;
    for (const Slot &slot : m_slots)
        count += slot.id != 0 ? 1 : 0;
    return count;
}

DialogInstance *DialogTable::FindOpen(int button) const
{
    for (const Slot &slot : m_slots)
        if (slot.id != 0 && slot.button == button)
            return slot.instance.get();
    return nullptr;
}

} // namespace drevon
