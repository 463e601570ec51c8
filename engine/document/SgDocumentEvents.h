#pragma once
// What a document tells the panels, dialogs and controls that show it: the
// selection changed, the scene changed, a tool reported an edited value, the
// active viewer changed, a tool started or finished. Any number of listeners
// hear each kind; each listener is given back its own context, and the token
// Subscribe returns takes the listener off when it goes (or on Reset), so a
// panel that closes simply drops its token. A token may outlive the
// document: it then has nothing left to take off.
//
// Listeners run on the caller's thread, in the order they subscribed. A
// listener may subscribe or unsubscribe (itself or others) while it runs: one
// taken off is not called again, one added hears the next event. An
// exception a listener throws is reported and stops neither the others nor
// the edit that published the event.
#include <array>
#include <functional>

#include "engine/core/NodaraExport.h"
#include "engine/core/SgSubscribers.h"

class SgDocument;
class SgField;
class SgNode;
class SgViewer;

enum class SgDocumentEventKind : int {
    kSelectionChanged = 0,
    kSceneChanged,
    kFieldEdited,
    kViewerChanged,
    kToolStarted,
    kToolFinished,
    // A tool's notice on one of the other slots of SgDocument::NotifyTool.
    kToolNotice,
    // A text for the host from a dialog or the scene's own logic (the custom
    // spline dialog's wire changes and resets); see SgDocument::NotifyCustomEvent.
    kCustomEvent,
};

// The values a tool shows while it edits (see SgDocument::ReportFieldEdit).
struct NODARA_API SgFieldEdit {
    const double *values = nullptr;
    int valueCount = 0;
    int kind = 0;
    int fieldCount = 0;
    SgField *const *fields = nullptr;
    int index = 0;
    int mode = 0;
};

struct NODARA_API SgDocumentEvent {
    SgDocumentEventKind kind = SgDocumentEventKind::kSceneChanged;
    SgDocument *document = nullptr;
    // kSceneChanged: the node that changed; null when the whole scene did.
    SgNode *node = nullptr;
    // kViewerChanged: the viewer that is active now (null when none is left).
    SgViewer *viewer = nullptr;
    // Tool events: the object the tool made (or null), the tool's code and
    // the notice slot it used.
    void *tool = nullptr;
    int code = 0;
    int slot = 0;
    // kFieldEdited.
    const SgFieldEdit *edit = nullptr;
    // kCustomEvent: the text (never null; valid while listeners run); its
    // number is in `code`.
    const char *text = nullptr;
};

// Unsubscribes when destroyed or reset; move-only. IsActive: still
// listening (subscribed, not reset, and the document is still there).
using SgDocumentSubscription = SgSubscription;

class NODARA_API SgDocumentEvents {
public:
    using Listener = void (*)(const SgDocumentEvent &event, void *context);

    SgDocumentEvents();
    SgDocumentEvents(const SgDocumentEvents &) = delete;
    SgDocumentEvents &operator=(const SgDocumentEvents &) = delete;
    ~SgDocumentEvents();

    // A null listener subscribes nothing (the token is inactive).
    [[nodiscard]] SgDocumentSubscription Subscribe(SgDocumentEventKind kind, Listener listener, void *context);
    [[nodiscard]] SgDocumentSubscription Subscribe(SgDocumentEventKind kind,
                                                   std::function<void(const SgDocumentEvent &)> listener);
    void Publish(const SgDocumentEvent &event) const;
    int GetListenerCount(SgDocumentEventKind kind) const;

private:
    static constexpr int kKindCount = static_cast<int>(SgDocumentEventKind::kCustomEvent) + 1;
    // One list per kind, on the listener lists every level uses.
    std::array<SgSubscribers<const SgDocumentEvent &>, kKindCount> m_lists;
};
