#pragma once
// What the facade tells the windows and controls that host it (button states,
// creation tools starting and finishing, keys, docking panes, the numbers
// under edit): any number of listeners per kind, each taken off by the token
// Subscribe gave it, on the same listener lists as the document's own
// subscriptions (engine/core/SgSubscribers.h). So a control attached over a
// window's facade listens beside the window instead of standing in its slot,
// and either one leaving silences only itself.
//
// Listeners run on the caller's thread in the order they subscribed. One may
// subscribe or unsubscribe while it runs: one taken off is not called again,
// one added hears the next notice. A token may outlive the list: it then has
// nothing left to take off.
#include "engine/core/SgSubscribers.h"

namespace drevon {

// Unsubscribes when destroyed or reset; move-only.
using HostSubscription = SgSubscription;

// Listeners by signature: Notify calls each in turn, NotifyUntilTaken (for
// listeners that answer bool) stops at the first that took the notice.
template <class Signature>
using HostListeners = SgListeners<Signature>;

} // namespace drevon
