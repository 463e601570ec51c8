#pragma once
// The scripting channel's Unix-domain socket: the user's own (mode 0600, in a
// private 0700 folder unless the caller names a path), never TCP. Any number
// of clients, each with its own FennixChannel. The server never blocks and
// never runs a thread: the owner's event loop watches Fds() and calls Poll
// (the window's loop on the UI thread, or a headless loop).
#include <memory>
#include <string>
#include <vector>
#include "control/FennixExport.h"

namespace fennix {

class FennixControl;
class FennixChannel;

class FENNIX_API FennixSocketServer {
public:
    // sun_path holds 108 bytes with the closing zero.
    static constexpr std::size_t kMaxPath = 107;

    explicit FennixSocketServer(FennixControl &control);
    ~FennixSocketServer();
    FennixSocketServer(const FennixSocketServer &) = delete;
    FennixSocketServer &operator=(const FennixSocketServer &) = delete;

    // Listens on path, or (empty path) on "fennix.sock" in a new private
    // folder under $XDG_RUNTIME_DIR, or under the temporary folder when that
    // is unset. False with a message for the user when it cannot.
    bool Listen(const std::string &path, std::string &error);
    const std::string &GetPath() const { return m_path; }
    // The listening socket and every client's, for the owner's loop.
    std::vector<int> Fds() const;
    // Accepts, reads and answers what is ready; waits at most timeoutMs
    // (0: not at all) for something to be. A call made from inside a request
    // (a loop that a method or an event's listener runs) does nothing: what
    // arrives meanwhile waits for the next Poll, so requests are answered one
    // at a time and in order, and no client goes while a call of its runs.
    void Poll(int timeoutMs);
    // Whether a request is being answered now.
    bool IsServing() const { return m_serving; }
    int GetClientCount() const { return static_cast<int>(m_clients.size()); }
    // Closes every socket and removes the socket file (and the folder it
    // made). Called while a request is answered, the clients go when it is.
    void Close();

private:
    struct Client;
    void Accept();
    // False when the client is gone (closed, failed, or too far behind).
    bool ReadFrom(Client &client);
    bool Flush(Client &client);

    FennixControl &m_control;
    int m_listen = -1;
    std::string m_path;
    std::string m_madeFolder;
    std::vector<std::unique_ptr<Client>> m_clients;
    bool m_serving = false;
    bool m_closeWanted = false;
};

} // namespace fennix
