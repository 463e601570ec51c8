// The view family's windows and menus: the full-screen view, which gives the
// view back when its window closes, and the menus over a view.
#include <cctype>
#include <string>
#include <vector>

#include "engine/core/SgKeyPoint.h"
#include "engine/core/SgSeparator.h"
#include "engine/document/SgDocument.h"
#include "engine/handlers/SgUserHandler.h"
#include "engine/render/SgRayPickAction.h"
#include "engine/render/SgViewport.h"
#include "engine/viewer/SgEvent.h"
#include "engine/viewer/SgHandleEventAction.h"
#include "engine/viewer/SgViewer.h"
#include "facade/CDrevon.h"
#include "facade/FacadePackage.h"
#include "facade/Viewing.h"
#include "platform/SgChoosers.h"
#include "platform/SgDiagnostics.h"
#include "platform/SgError.h"
#include "platform/window/SgPlatformWindow.h"
#include "platform/window/SgWindowMessages.h"

namespace drevon {

namespace {

bool DocumentShowsViewer(const SgDocument *document, const SgViewer *viewer)
{
    if (!document || !viewer)
        return false;
    for (int i = 0; i < document->GetViewerCount(); ++i)
        if (document->GetViewer(i) == viewer)
            return true;
    return false;
}

// Pixels around the cursor the right-button pick covers.
constexpr double kRightButtonPickSize = 5.0;

// The "RightMouseMenu" handler: a right release picks what lies under the
// cursor (the place a menu of the object would start from) and is consumed.
int RightButtonPickEvent(SgHandleEventAction *action, void *)
{
    SgEvent *event = action ? action->GetEvent() : nullptr;
    if (!event || event->m_nKind != SgEvent::kMouse || event->m_nMessage != static_cast<int>(SgWM::kRButtonUp))
        return 0;
    SgViewer *viewer = action->GetViewer();
    if (!viewer || viewer->GetViewportCount() == 0)
        return 0;
    try {
        if (SgRayPickAction *pick = action->GetPickAction(kRightButtonPickSize))
            (void)pick->GetNearestPoint1(nullptr);
    } catch (const SgError &) {
        // No GL to pick with: the release is still this handler's.
    }
    return 1;
}

} // namespace

// ---- Full screen ----------------------------------------------------------------------------------------

bool Viewing::IsFullScreenName(const char *name)
{
    static constexpr const char kName[] = "fullscreen";
    if (!name)
        return false;
    const char *expected = kName;
    for (; *name && *expected; ++name, ++expected)
        if (std::tolower(static_cast<unsigned char>(*name)) != *expected)
            return false;
    return *name == *expected;
}

SgViewer *Viewing::OpenFullScreen(const char *name, int width, int height)
{
    SgDocument *document = m_facade.GetDocument();
    if (!document)
        return nullptr;
    NoticeClosedFullScreen(document);
    // One full-screen window at a time: asking again shows the one open.
    if (m_bFullScreen && m_pFullScreenViewer)
        return m_pFullScreenViewer;
    SgViewer *previous = m_facade.GetCurrentViewer();
    if (!previous) {
        SgDiagTellUser(SgDiagLevel::Error, kPackage, "Full screen needs a view to show", "Error");
        return nullptr;
    }
    const bool wasFullScreen = m_bFullScreen;
    m_bFullScreen = true;
    SgPlatformWindow *window = m_facade.CreateGraphicWindow(name, width, height);
    if (!window) {
        SgDiagTellUser(SgDiagLevel::Error, kPackage, "No window could be opened for the view", "Error");
        // No window shows the view: the main view stays the one in use.
        m_bFullScreen = wasFullScreen;
        return nullptr;
    }
    SgViewer *viewer = m_facade.CreateViewer(window);
    if (viewer && previous->GetViewportCount() > 0) {
        // The full-screen view shows what the previous view showed, from
        // where it was looked at.
        document->ReplaceViewTree(previous->GetViewport(0)->GetNodara(), viewer, 0);
        m_pFullScreenPrevious = previous;
        m_pFullScreenViewer = viewer;
    }
    return viewer;
}

bool Viewing::IsFullScreen() const
{
    // The window may have closed while another viewer was the current one:
    // no event told the facade then.
    if (m_bFullScreen && m_pFullScreenViewer && !DocumentShowsViewer(m_facade.GetDocument(), m_pFullScreenViewer))
        return false;
    return m_bFullScreen;
}

void Viewing::ToggleFullScreen()
{
    // A full-screen window that closed unnoticed is no window to close.
    NoticeClosedFullScreen(m_facade.GetDocument());
    if (m_bFullScreen) {
        // The full-screen window closes as the key's handling ends: the
        // window closed then is the current view's, and the key may have
        // come through the main window, so the full-screen view is made the
        // current one first.
        SgDocument *document = m_facade.GetDocument();
        if (document && m_pFullScreenViewer && document->GetActiveViewer() != m_pFullScreenViewer)
            document->SetActiveViewer(m_pFullScreenViewer);
        if (SgHandleEventAction *key = m_facade.GetShortcuts().GetKeyAction())
            key->RequestClose(true);
        m_bFullScreen = false;
    } else {
        OpenFullScreen("FullScreen", 200, 500);
    }
}

void Viewing::ListenTo(SgDocument *document)
{
    m_viewerChanged.Reset();
    m_pFullScreenViewer = nullptr;
    m_pFullScreenPrevious = nullptr;
    m_bFullScreen = false;
    if (document)
        m_viewerChanged = document->Subscribe(SgDocumentEventKind::kViewerChanged, &Viewing::OnViewerEvent, this);
}

void Viewing::ForgetViewer(const SgViewer *viewer)
{
    if (viewer && viewer == m_pFullScreenPrevious)
        m_pFullScreenPrevious = nullptr;
}

void Viewing::OnViewerEvent(const SgDocumentEvent &event, void *viewing)
{
    static_cast<Viewing *>(viewing)->NoticeClosedFullScreen(event.document);
}

void Viewing::NoticeClosedFullScreen(SgDocument *document)
{
    if (!m_pFullScreenViewer || DocumentShowsViewer(document, m_pFullScreenViewer))
        return;
    // The full-screen window closed: the view it showed is the previous
    // viewer's again, from where it was last looked at.
    m_pFullScreenViewer = nullptr;
    m_bFullScreen = false;
    SgViewer *previous = m_pFullScreenPrevious;
    m_pFullScreenPrevious = nullptr;
    if (!DocumentShowsViewer(document, previous))
        return;
    document->SetActiveViewer(previous);
    previous->Redraw(false);
}

// ---- Menus over the view --------------------------------------------------------------------------------

int Viewing::TestPopup()
{
    SgViewer *viewer = m_facade.GetDefaultViewer();
    if (!viewer)
        return 0;
    const int number = m_iPopupCounter++;
    const std::string label = "Appended " + std::to_string(number);
    const std::vector<SgPopupItem> items = {{number, label, true, true}, {number, label, true, true}};
    return ChoosePopupItem(items, static_cast<SgPlatformWindow *>(viewer->GetWindow()));
}

void Viewing::ActivateRightMouseMenu()
{
    SgSeparator *root = m_facade.GetRoot();
    if (!root)
        return;
    // A handler of the window, no step the user undoes.
    SgUndoRecordingPause pause(m_facade.GetDocument());
    auto *handler = new SgUserHandler;
    handler->SetName("RightMouseMenu");
    handler->SetUserFunc(&RightButtonPickEvent, this);
    root->AddChild(handler);
}

} // namespace drevon
