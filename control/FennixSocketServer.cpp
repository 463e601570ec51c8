#include "control/FennixSocketServer.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "control/FennixChannel.h"

namespace fennix {

namespace {
// A client that reads nothing while we write this much more is dropped.
constexpr std::size_t kMaxPending = 64u << 20;
// A socket file at the address that no one listens on any more (a
// connection is refused); a live socket or any other file is not.
bool IsDeadSocket(const sockaddr_un &address)
{
    struct stat st {};
    if (lstat(address.sun_path, &st) != 0 || !S_ISSOCK(st.st_mode))
        return false;
    const int probe = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (probe < 0)
        return false;
    const bool refused = connect(probe, reinterpret_cast<const sockaddr *>(&address), sizeof(address)) != 0 &&
                         errno == ECONNREFUSED;
    close(probe);
    return refused;
}

} // namespace

struct FennixSocketServer::Client {
    int fd = -1;
    std::string out;
    bool failed = false;
    std::unique_ptr<FennixChannel> channel;
};

FennixSocketServer::FennixSocketServer(FennixControl &control) : m_control(control) {}

FennixSocketServer::~FennixSocketServer()
{
    // Going for good: nothing is left to finish a call.
    m_serving = false;
    Close();
}

bool FennixSocketServer::Listen(const std::string &given, std::string &error)
{
    Close();
    std::string path = given;
    if (path.empty()) {
        const char *runtime = std::getenv("XDG_RUNTIME_DIR");
        std::string base = runtime && *runtime == '/' ? runtime : "";
        if (base.empty()) {
            const char *tmp = std::getenv("TMPDIR");
            base = tmp && *tmp == '/' ? tmp : "/tmp";
        }
        std::string folder = base + "/fennix-XXXXXX";
        if (!mkdtemp(folder.data())) {
            error = "No private folder could be made under " + base + ": " + std::strerror(errno);
            return false;
        }
        chmod(folder.c_str(), 0700);
        m_madeFolder = folder;
        path = folder + "/fennix.sock";
    }
    if (path.size() > kMaxPath) {
        error = "The socket path is longer than 107 bytes: " + path;
        Close();
        return false;
    }
    m_listen = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (m_listen < 0) {
        error = std::string("No socket could be made: ") + std::strerror(errno);
        Close();
        return false;
    }
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    // The socket is made 0600 from the start: no moment in which others may connect.
    const mode_t old = umask(0177);
    int bound = bind(m_listen, reinterpret_cast<sockaddr *>(&address), sizeof(address));
    int bindErrno = errno;
    if (bound != 0 && bindErrno == EADDRINUSE && IsDeadSocket(address)) {
        // Left by a run that ended without removing it: nobody listens there.
        unlink(path.c_str());
        bound = bind(m_listen, reinterpret_cast<sockaddr *>(&address), sizeof(address));
        bindErrno = errno;
    }
    umask(old);
    if (bound != 0) {
        error = "Cannot listen on " + path + ": " + std::strerror(bindErrno);
        Close();
        return false;
    }
    m_path = path;
    if (listen(m_listen, 128) != 0) {
        error = "Cannot listen on " + path + ": " + std::strerror(errno);
        Close();
        return false;
    }
    return true;
}

std::vector<int> FennixSocketServer::Fds() const
{
    std::vector<int> fds;
    if (m_listen >= 0)
        fds.push_back(m_listen);
    for (const auto &c : m_clients)
        fds.push_back(c->fd);
    return fds;
}

void FennixSocketServer::Accept()
{
    for (;;) {
        const int fd = accept4(m_listen, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0)
            return;
        auto client = std::make_unique<Client>();
        client->fd = fd;
        Client *raw = client.get();
        client->channel = std::make_unique<FennixChannel>(m_control, [raw](const std::string &line) {
            if (raw->out.size() + line.size() > kMaxPending) {
                raw->failed = true;
                return;
            }
            raw->out += line;
            raw->out += '\n';
        });
        m_clients.push_back(std::move(client));
    }
}

bool FennixSocketServer::ReadFrom(Client &client)
{
    char buffer[65536];
    for (;;) {
        const ssize_t n = read(client.fd, buffer, sizeof(buffer));
        if (n > 0) {
            client.channel->Feed(buffer, static_cast<std::size_t>(n));
            if (m_closeWanted)
                return true;
            continue;
        }
        if (n == 0)
            return false;
        if (errno == EINTR)
            continue;
        return errno == EAGAIN || errno == EWOULDBLOCK;
    }
}

bool FennixSocketServer::Flush(Client &client)
{
    while (!client.out.empty()) {
        const ssize_t n = send(client.fd, client.out.data(), client.out.size(), MSG_NOSIGNAL);
        if (n > 0) {
            client.out.erase(0, static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        return n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
    }
    return true;
}

void FennixSocketServer::Poll(int timeoutMs)
{
    if (m_listen < 0 || m_serving)
        return;
    struct Serving {
        bool &flag;
        explicit Serving(bool &f) : flag(f) { flag = true; }
        ~Serving() { flag = false; }
    } serving(m_serving);
    std::vector<pollfd> fds;
    fds.push_back({m_listen, POLLIN, 0});
    for (const auto &c : m_clients)
        fds.push_back({c->fd, static_cast<short>(POLLIN | (c->out.empty() ? 0 : POLLOUT)), 0});
    if (poll(fds.data(), fds.size(), timeoutMs) <= 0)
        return;
    // Clients first, by the places poll saw them at (no client comes or
    // goes while this runs); new ones join after.
    for (std::size_t k = 1; k < fds.size() && !m_closeWanted; ++k) {
        Client &client = *m_clients[k - 1];
        if (fds[k].revents & (POLLIN | POLLHUP | POLLERR))
            client.failed = !ReadFrom(client) || client.failed;
    }
    if (m_closeWanted) {
        m_serving = false;
        m_closeWanted = false;
        Close();
        return;
    }
    if (fds[0].revents & POLLIN)
        Accept();
    // Events fired by one client's request reach the others' buffers too.
    for (auto it = m_clients.begin(); it != m_clients.end();) {
        Client &client = **it;
        if (!client.failed && !Flush(client))
            client.failed = true;
        if (client.failed) {
            close(client.fd);
            it = m_clients.erase(it);
        } else {
            ++it;
        }
    }
}

void FennixSocketServer::Close()
{
    if (m_serving) {
        m_closeWanted = true;
        return;
    }
    for (auto &c : m_clients)
        close(c->fd);
    m_clients.clear();
    if (m_listen >= 0) {
        close(m_listen);
        m_listen = -1;
    }
    if (!m_path.empty()) {
        unlink(m_path.c_str());
        m_path.clear();
    }
    if (!m_madeFolder.empty()) {
        rmdir(m_madeFolder.c_str());
        m_madeFolder.clear();
    }
}

} // namespace fennix
