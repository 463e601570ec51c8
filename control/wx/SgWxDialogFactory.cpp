#include "control/wx/SgWxDialogFactory.h"

#include <exception>
#include <string>

#include "dialogs/CAlignDlg.h"
#include "dialogs/CAnimationDlg.h"
#include "dialogs/CColorDlg.h"
#include "dialogs/CDisplayDlg.h"
#include "dialogs/CFontDlg.h"
#include "dialogs/CLayersDlg.h"
#include "dialogs/CLightDlg.h"
#include "dialogs/wx/SgWxEditingDialogs.h"
#include "dialogs/wx/SgWxCustomDialog.h"
#include "dialogs/wx/SgWxLayersDialog.h"
#include "dialogs/wx/SgWxMovieDialog.h"
#include "dialogs/wx/SgWxTextWrapperDialog.h"
#include "dialogs/wx/SgWxTextureDialog.h"
#include "engine/document/SgDocument.h"
#include "modelbuilder/wx/SgWxModelBuilderDialog.h"
#include "treepanel/wx/SgWxSceneTree.h"
#include "engine/handlers/SgSelectionHandler.h"
// The layers dialog's entries hold objects.
#include "engine/nodes/object/SgObject.h"
#include "platform/SgDiagnostics.h"

namespace {

using Context = SgWxDialogFactory::Context;
template <class Window, class Logic>
std::unique_ptr<drevon::DialogInstance> Wx(std::unique_ptr<Logic> logic, const Context &context)
{
    return SgWxDialogFactory::Wx<Window>(std::move(logic), context);
}

std::unique_ptr<CAlignDlg> AlignOfSelection(const Context &c)
{
    auto dialog = std::make_unique<CAlignDlg>(c.document, c.parent);
    if (SgSelectionHandler *selection = c.document->GetSelectionHandler())
        dialog->SetSelectionList(selection->GetPathList());
    return dialog;
}

std::unique_ptr<CDisplayDlg> DisplayWithTools(const Context &c)
{
    auto dialog = std::make_unique<CDisplayDlg>(c.document);
    drevon::CDrevon *facade = &c.facade;
    dialog->SetDeleteActiveTool([facade] { facade->GetCreation().DeleteActiveTool(); });
    return dialog;
}

// The movie dialog records through the facade.
std::unique_ptr<drevon::DialogInstance> MovieOfFacade(const Context &c)
{
    drevon::CDrevon *facade = &c.facade;
    SgDocument *document = c.document;
    return std::make_unique<SgWxDialogFactory::Instance>(
        [facade, document](wxWindow *parent, CCadDlg *) {
            return CreateMovieDialog(parent, document, [facade](const MovieDlg::Request &r) {
                return facade->GetPlayback().RecordMovie(r.document, r.file.c_str(), r.format, r.width, r.height,
                                                         r.duration, r.framesPerSecond, r.movieLength, r.clipRange,
                                                         r.quality, r.progress, r.data);
            });
        },
        c.parent);
}

// The custom spline dialog on the scene's nodes of the requested name.
std::unique_ptr<drevon::DialogInstance> CustomNamed(const Context &c)
{
    SgDocument *document = c.document;
    const std::string name = c.request.name ? c.request.name : "";
    return std::make_unique<SgWxDialogFactory::Instance>(
        [document, name](wxWindow *parent, CCadDlg *) {
            return CreateCustomDialog(parent, document, name.c_str(), {});
        },
        c.parent);
}

// One line per dialog: the button that opens it, and how its logic and
// window are made.
const struct {
    int button;
    SgWxDialogFactory::Maker make;
} kDialogs[] = {
    {drevon::kColorDialog, [](const Context &c) { return Wx<SgWxColorDialog>(std::make_unique<CColorDlg>(c.document), c); }},
    {drevon::kLightDialog, [](const Context &c) { return Wx<SgWxLightDialog>(std::make_unique<CLightDlg>(c.document), c); }},
    {drevon::kAlignDialog, [](const Context &c) { return Wx<SgWxAlignDialog>(AlignOfSelection(c), c); }},
    {drevon::kAnimationDialog, [](const Context &c) { return Wx<SgWxAnimationDialog>(std::make_unique<CAnimationDlg>(c.document), c); }},
    {drevon::kDisplayDialog, [](const Context &c) { return Wx<SgWxDisplayDialog>(DisplayWithTools(c), c); }},
    {drevon::kFontDialog, [](const Context &c) { return Wx<SgWxFontDialog>(std::make_unique<CFontDlg>(c.document), c); }},
    {drevon::kLayersDialog, [](const Context &c) { return Wx<SgWxLayersDialog>(std::make_unique<CLayersDlg>(c.document), c); }},
    {drevon::kModelBuilderDialog, [](const Context &c) { return SgWxDialogFactory::WxOwning(&mabrel::CreateModelBuilderDialog, c); }},
    {drevon::kTextureDialog, [](const Context &c) { return SgWxDialogFactory::WxOwning(&CreateTextureDialog, c); }},
    {drevon::kTextWrapperDialog, [](const Context &c) { return SgWxDialogFactory::WxOwning(&CreateTextWrapperDialog, c); }},
    {drevon::kTextWrapperDialog2, [](const Context &c) { return SgWxDialogFactory::WxOwning(&CreateTextWrapperDialog, c); }},
    {drevon::kMovieDialog, [](const Context &c) { return MovieOfFacade(c); }},
    {drevon::kCustomDialog, [](const Context &c) { return CustomNamed(c); }},
    {drevon::kSceneTreeDialog, [](const Context &c) { return SgWxDialogFactory::WxOwning(&arbelo::MakeSceneTreeDialog, c); }},
    {drevon::kSceneTreeDialog2, [](const Context &c) { return SgWxDialogFactory::WxOwning(&arbelo::MakeSceneTreeDialog, c); }},
};

} // namespace

SgWxDialogFactory::Instance::Instance(std::unique_ptr<CCadDlg> dialog, WindowMaker makeWindow, wxWindow *parent)
    : m_dialog(std::move(dialog)), m_makeWindow(std::move(makeWindow)), m_pParent(parent)
{
}

SgWxDialogFactory::Instance::Instance(WindowMaker makeWindowWithLogic, wxWindow *parent)
    : m_makeWindow(std::move(makeWindowWithLogic)), m_pParent(parent)
{
}

CCadDlg *SgWxDialogFactory::Instance::GetDialog()
{
    if (m_dialog)
        return m_dialog.get();
    SgWxCadDialog *window = m_window.get();
    return window ? window->GetDialog() : nullptr;
}

SgWxDialogFactory::Instance::~Instance()
{
    DestroyWindow();
}

bool SgWxDialogFactory::Instance::Create()
{
    if (m_window)
        return true;
    try {
        m_window = m_makeWindow(m_pParent, m_dialog.get());
    } catch (const std::exception &error) {
        SgDiagError("Window", "a dialog could not be made: %s", error.what());
        m_window = nullptr;
    }
    return m_window != nullptr;
}

void SgWxDialogFactory::Instance::Show()
{
    if (SgWxCadDialog *window = m_window.get())
        window->Open();
}

void SgWxDialogFactory::Instance::Raise()
{
    if (SgWxCadDialog *window = m_window.get()) {
        window->Show();
        window->Raise();
        window->SetFocus();
    }
}

void SgWxDialogFactory::Instance::DestroyWindow()
{
    SgWxCadDialog *window = m_window.get();
    if (!window)
        return;
    m_window = nullptr;
    // The logic hears nothing more from the window, which goes now, so that
    // it never outlives the logic it shows.
    window->Detach();
    window->Hide();
    delete window;
}

bool SgWxDialogFactory::CanMake(int button) const
{
    for (const auto &entry : kDialogs)
        if (entry.button == button)
            return true;
    return false;
}

std::unique_ptr<drevon::DialogInstance> SgWxDialogFactory::Make(drevon::CDrevon &facade,
                                                                const drevon::DialogRequest &request)
{
    SgDocument *document = facade.GetDocument();
    if (!document)
        return nullptr;
    const Context context{facade, document, request, m_pParent};
    for (const auto &entry : kDialogs)
        if (entry.button == request.button)
            return entry.make(context);
    return nullptr;
}

std::vector<int> SgWxDialogFactory::Buttons()
{
    std::vector<int> buttons;
    for (const auto &entry : kDialogs)
        buttons.push_back(entry.button);
    return buttons;
}
