#include "platform/wx/SgWxNotifier.h"

#include <wx/colordlg.h>
#include <wx/dirdlg.h>
#include <wx/filedlg.h>
#include <wx/menu.h>
#include <wx/msgdlg.h>
#include <wx/weakref.h>

#include "platform/wx/SgWxGLWindow.h"

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

// One modal question at a time: a second one asked while the first is up
// (a timer, a nested event loop) is answered as cancelled.
bool s_bAsking = false;

class AskingGuard {
public:
    AskingGuard() : m_bFirst(!s_bAsking) { s_bAsking = true; }
    ~AskingGuard()
    {
        if (m_bFirst)
            s_bAsking = false;
    }
    bool First() const { return m_bFirst; }

private:
    bool m_bFirst;
};

} // namespace

int SgWxNotifier::Message(const std::string &text, const std::string &caption, Buttons buttons, Icon icon)
{
    // A message a dialog gives shows over that dialog (which may stay above
    // the main window), and the dialog has the focus again once it is read.
    wxWeakRef<wxWindow> active = wxGetActiveWindow();
    wxWeakRef<wxWindow> focused = wxWindow::FindFocus();
    wxMessageDialog dialog(active ? active.get() : m_pParent, wxString::FromUTF8(text), wxString::FromUTF8(caption),
                           DialogStyle(buttons, icon));
    const int answer = dialog.ShowModal();
    if (active && active.get() != m_pParent) {
        active->Raise();
        if (focused)
            focused->SetFocus();
        else
            active->SetFocus();
    }
    switch (answer) {
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

ColorChooser SgWxColorChooser(wxWindow *parent)
{
    return [parent](const SgRgb8 &initial) -> std::optional<SgRgb8> {
        AskingGuard guard;
        if (!guard.First())
            return std::nullopt;
        wxColourData data;
        data.SetChooseFull(true);
        data.SetColour(wxColour(initial.r, initial.g, initial.b));
        // Over the dialog that asks, which may stay above the main window.
        wxWindow *over = wxGetActiveWindow();
        wxColourDialog dialog(over ? over : parent, &data);
        if (dialog.ShowModal() != wxID_OK)
            return std::nullopt;
        const wxColour chosen = dialog.GetColourData().GetColour();
        return SgRgb8{chosen.Red(), chosen.Green(), chosen.Blue()};
    };
}

FolderChooser SgWxFolderChooser(wxWindow *parent)
{
    return [parent](const std::string &title, const std::string &initial) -> std::optional<std::string> {
        AskingGuard guard;
        if (!guard.First())
            return std::nullopt;
        wxWindow *over = wxGetActiveWindow();
        wxDirDialog dialog(over ? over : parent, wxString::FromUTF8(title), wxString::FromUTF8(initial));
        if (dialog.ShowModal() != wxID_OK)
            return std::nullopt;
        return dialog.GetPath().utf8_string();
    };
}

PopupMenuChooser SgWxPopupMenuChooser(wxWindow *fallback)
{
    return [fallback](const std::vector<SgPopupItem> &items, SgPlatformWindow *window) -> int {
        AskingGuard guard;
        if (!guard.First() || items.empty())
            return 0;
        wxWindow *over = dynamic_cast<SgWxGLWindow *>(window);
        if (!over)
            over = fallback;
        if (!over)
            return 0;
        wxMenu menu;
        // The toolkit wants ids of its own; the items' ids come back by place.
        for (size_t i = 0; i < items.size(); ++i) {
            const SgPopupItem &item = items[i];
            const int id = wxID_HIGHEST + 1 + static_cast<int>(i);
            if (item.id == 0) {
                menu.AppendSeparator();
            } else if (item.checkable) {
                menu.AppendCheckItem(id, wxString::FromUTF8(item.label));
                menu.Check(id, item.checked);
            } else {
                menu.Append(id, wxString::FromUTF8(item.label));
            }
        }
        const int chosen = over->GetPopupMenuSelectionFromUser(menu);
        const int index = chosen - (wxID_HIGHEST + 1);
        return index >= 0 && index < static_cast<int>(items.size()) ? items[index].id : 0;
    };
}
