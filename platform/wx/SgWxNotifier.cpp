#include "platform/wx/SgWxNotifier.h"

#include <wx/filedlg.h>
#include <wx/msgdlg.h>

namespace {

long DialogStyle(Notifier::Buttons buttons, Notifier::Icon icon)
{
    long style = 0;
    switch (buttons) {
    case Notifier::Buttons::Ok: style = wxOK; break;
    case Notifier::Buttons::OkCancel: style = wxOK | wxCANCEL; break;
    case Notifier::Buttons::YesNo: style = wxYES_NO; break;
    case Notifier::Buttons::YesNoCancel: style = wxYES_NO | wxCANCEL; break;
    }
    switch (icon) {
    case Notifier::Icon::None: break;
    case Notifier::Icon::Information: style |= wxICON_INFORMATION; break;
    case Notifier::Icon::Warning: style |= wxICON_WARNING; break;
    case Notifier::Icon::Error: style |= wxICON_ERROR; break;
    case Notifier::Icon::Question: style |= wxICON_QUESTION; break;
    }
    return style;
}

// "Scene|*.kvrx|All|*.*||" as the toolkit writes it: no empty pair at the end.
wxString Wildcard(const std::string &filter)
{
    wxString wildcard = wxString::FromUTF8(filter);
    while (wildcard.EndsWith("|"))
        wildcard.RemoveLast();
    return wildcard;
}

} // namespace

int SgWxNotifier::Message(const std::string &text, const std::string &caption, Buttons buttons, Icon icon)
{
    wxMessageDialog dialog(m_pParent, wxString::FromUTF8(text), wxString::FromUTF8(caption),
                           DialogStyle(buttons, icon));
    switch (dialog.ShowModal()) {
    case wxID_OK: return Ok;
    case wxID_YES: return Yes;
    case wxID_NO: return No;
    case wxID_CANCEL: return Cancel;
    default: return DefaultAnswer(buttons);
    }
}

FileChooser SgWxFileChooser(wxWindow *parent)
{
    return [parent](const FileRequest &request) -> std::optional<std::string> {
        long style = request.save ? (wxFD_SAVE | wxFD_OVERWRITE_PROMPT) : (wxFD_OPEN | wxFD_FILE_MUST_EXIST);
        wxFileDialog dialog(parent, wxString::FromUTF8(request.title), wxEmptyString,
                            wxString::FromUTF8(request.initialName),
                            request.filter.empty() ? wxString(wxFileSelectorDefaultWildcardStr)
                                                   : Wildcard(request.filter),
                            style);
        if (dialog.ShowModal() != wxID_OK)
            return std::nullopt;
        std::string path = dialog.GetPath().utf8_string();
        if (request.save && !request.defaultExtension.empty() && path.find('.', path.rfind('/') + 1) == std::string::npos)
            path += "." + request.defaultExtension;
        return path;
    };
}
