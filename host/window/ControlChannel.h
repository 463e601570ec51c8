#pragma once
// The scripting channel of the modeller's window (`fennix SCENE --listen
// [PATH]`): the control over the window's facade, its Unix socket, and the
// socket's descriptors watched by the toolkit's event loop, so requests are
// read and answered on the UI thread between the window's own events.
#include <string>

namespace drevon {
class CDrevon;
}

// Listens on path (empty: a private folder of its own); the socket's path
// on success, an empty string and a message in error on failure.
std::string StartControlChannel(drevon::CDrevon *facade, const std::string &path, std::string &error);
// The same lines on standard input and output (`--stdio`), beside or
// without the socket.
bool StartControlStdio(drevon::CDrevon *facade);
// Fires StartSession on the channel's clients (once).
void StartControlSession();
// Closes every client and the socket; the facade is let go. Safe to call twice.
void StopControlChannel();
