#pragma once
// The modeller window's dialogs for the facade: makes the wx window of each
// dialog command over its logic (dialogs/) and hands the pair to the facade's
// table of open dialogs (facade/CDrevonDialogs.h). The dialogs are children
// of the parent window and stay on top of it.
//
// A dialog is added by one line of the table in SgWxDialogFactory.cpp:
//   {drevon::kColorDialog, [](const SgWxDialogFactory::Context &c) {
//        return SgWxDialogFactory::Wx<SgWxColorDialog>(std::make_unique<CColorDlg>(c.document), c); }},
// (button, then the logic made for the document and the window class over it);
// a window that makes its own logic from (parent, document):
//   {drevon::kModelBuilderDialog, [](const SgWxDialogFactory::Context &c) {
//        return SgWxDialogFactory::WxOwning(&mabrel::CreateModelBuilderDialog, c); }},
#include <functional>
#include <memory>
#include <vector>

#include <wx/weakref.h>

#include "dialogs/wx/SgWxCadDialog.h"
#include "facade/CDrevon.h"
#include "control/wx/FennixWxExport.h"

class FENNIXWX_API SgWxDialogFactory : public drevon::DialogFactory {
public:
    // What a maker gets: the facade, its document, the request and the parent.
    struct Context {
        drevon::CDrevon &facade;
        SgDocument *document;
        const drevon::DialogRequest &request;
        wxWindow *parent;
    };
    using Maker = std::unique_ptr<drevon::DialogInstance> (*)(const Context &context);

    // A dialog's logic and its window, as the facade's table holds them. The
    // window is destroyed before the logic.
    class Instance : public drevon::DialogInstance {
    public:
        using WindowMaker = std::function<SgWxCadDialog *(wxWindow *parent, CCadDlg *dialog)>;
        Instance(std::unique_ptr<CCadDlg> dialog, WindowMaker makeWindow, wxWindow *parent);
        // A window that makes and owns its logic (made with a null dialog).
        Instance(WindowMaker makeWindowWithLogic, wxWindow *parent);
        ~Instance() override;
        CCadDlg *GetDialog() override;
        bool Create() override;
        void Show() override;
        void Raise() override;
        void DestroyWindow() override;
        SgWxCadDialog *GetWindow() const { return m_window.get(); }

    private:
        std::unique_ptr<CCadDlg> m_dialog;
        WindowMaker m_makeWindow;
        wxWindow *m_pParent;
        // The window may go with its parent before the table lets go of it.
        wxWeakRef<SgWxCadDialog> m_window;
    };

    // The instance of a window class `Window` whose constructor takes
    // (wxWindow *parent, Logic *logic).
    template <class Window, class Logic>
    static std::unique_ptr<drevon::DialogInstance> Wx(std::unique_ptr<Logic> logic, const Context &context)
    {
        return std::make_unique<Instance>(
            std::move(logic),
            [](wxWindow *parent, CCadDlg *dialog) -> SgWxCadDialog * {
                return new Window(parent, static_cast<Logic *>(dialog));
            },
            context.parent);
    }

    // The instance of a window that makes and owns its logic, from a
    // function (wxWindow *parent, SgDocument *document).
    static std::unique_ptr<drevon::DialogInstance> WxOwning(SgWxCadDialog *(*make)(wxWindow *, SgDocument *),
                                                           const Context &context)
    {
        SgDocument *document = context.document;
        return std::make_unique<Instance>(
            [make, document](wxWindow *parent, CCadDlg *) { return make(parent, document); }, context.parent);
    }

    explicit SgWxDialogFactory(wxWindow *parent) : m_pParent(parent) {}
    bool CanMake(int button) const override;
    std::unique_ptr<drevon::DialogInstance> Make(drevon::CDrevon &facade,
                                                 const drevon::DialogRequest &request) override;
    // Every button that has a dialog here.
    static std::vector<int> Buttons();

private:
    wxWindow *m_pParent;
};
