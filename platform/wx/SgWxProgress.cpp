#include "platform/wx/SgWxProgress.h"

#include <memory>

#include <wx/progdlg.h>

#include "platform/SgProgress.h"

void SgInstallWxProgressHandler()
{
    auto dialog = std::make_shared<std::unique_ptr<wxProgressDialog>>();
    SgSetProgressHandler([dialog](const std::string &title, const std::string &text, double fraction) {
        if (fraction < 0.0) {
            dialog->reset();
            return true;
        }
        if (!*dialog)
            *dialog = std::make_unique<wxProgressDialog>(wxString::FromUTF8(title), wxString::FromUTF8(text), 100,
                                                         nullptr, wxPD_CAN_ABORT | wxPD_AUTO_HIDE);
        const int value = fraction >= 1.0 ? 99 : int(fraction * 100.0);
        return (*dialog)->Update(value, wxString::FromUTF8(text));
    });
}
