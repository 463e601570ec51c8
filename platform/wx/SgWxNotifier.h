#pragma once
// The window host's message boxes and file dialogs behind the platform's
// Notifier and FileChooser (platform/Notifier.h), so that code asking the
// user stays the same headless and in the window, and tests can answer.
//
//   SgWxNotifier notifier(frame);
//   SetNotifier(&notifier);
//   SetFileChooser(SgWxFileChooser(frame));
#include <wx/window.h>

#include "platform/Notifier.h"
#include "platform/SgChoosers.h"
#include "platform/wx/PlatformWxExport.h"

class PLATFORMWX_API SgWxNotifier : public Notifier {
public:
    explicit SgWxNotifier(wxWindow *parent) : m_pParent(parent) {}
    int Message(const std::string &text, const std::string &caption, Buttons buttons = Buttons::Ok,
                Icon icon = Icon::None) override;
    void SetParent(wxWindow *parent) { m_pParent = parent; }

private:
    wxWindow *m_pParent;
};

// A chooser that shows the toolkit's file dialog over `parent`.
PLATFORMWX_API FileChooser SgWxFileChooser(wxWindow *parent);

// A chooser that shows the toolkit's colour dialog over `parent`.
PLATFORMWX_API ColorChooser SgWxColorChooser(wxWindow *parent);
// A chooser that shows the toolkit's folder dialog over the active window
// (a dialog that asks), else over `parent`.
PLATFORMWX_API FolderChooser SgWxFolderChooser(wxWindow *parent);
// A chooser that pops the toolkit's menu up at the cursor over the canvas of
// the platform window (over `fallback` for a window that is none of ours).
PLATFORMWX_API PopupMenuChooser SgWxPopupMenuChooser(wxWindow *fallback);
