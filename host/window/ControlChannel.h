#pragma once
// The scripting channel of the modeller's window (`fennix SCENE --listen
// [PATH]`): the window's control (its FennixCtrl's) plugged into the window's
// facade, its Unix socket, and the
// socket's descriptors watched by the toolkit's event loop, so requests are
// read and answered on the UI thread between the window's own events.
#include <string>

namespace drevon {
class CDrevon;
}
namespace fennix {
class FennixControl;
}

// Listens on path (empty: a private folder of its own); the socket's path
// on success, an empty string and a message in error on failure. The control
// must outlive the channel: stop the channel before its window goes.
std::string StartControlChannel(fennix::FennixControl &control, drevon::CDrevon *facade, const std::string &path,
                                std::string &error);
// The same lines on standard input and output (`--stdio`), beside or
// without the socket.
bool StartControlStdio(fennix::FennixControl &control, drevon::CDrevon *facade);
// Fires StartSession on the channel's clients (once).
void StartControlSession();
// Closes every client and the socket; the facade is let go. Safe to call twice.
void StopControlChannel();
