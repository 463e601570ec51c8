#include "host/window/ControlChannel.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <map>
#include <memory>

#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/evtloopsrc.h>
#include <wx/timer.h>

#include <unistd.h>

#include "control/FennixChannel.h"
#include "control/FennixControl.h"
#include "control/FennixSocketServer.h"

namespace {

class Channel;

// Told by the toolkit when a socket of the channel is ready.
class FdHandler : public wxEventLoopSourceHandler {
public:
    explicit FdHandler(Channel &channel) : m_channel(channel) {}
    void OnReadWaiting() override;
    void OnWriteWaiting() override {}
    void OnExceptionWaiting() override { OnReadWaiting(); }

private:
    Channel &m_channel;
};

class StdinHandler : public wxEventLoopSourceHandler {
public:
    explicit StdinHandler(Channel &channel) : m_channel(channel) {}
    void OnReadWaiting() override;
    void OnWriteWaiting() override {}
    void OnExceptionWaiting() override { OnReadWaiting(); }

private:
    Channel &m_channel;
};

class Channel {
public:
    // The control is the window's own (its FennixCtrl's): one control per
    // window, whatever serves it.
    explicit Channel(fennix::FennixControl &control)
        : m_control(control), m_server(m_control), m_handler(*this), m_stdinHandler(*this)
    {
    }
    ~Channel()
    {
        m_timer.Stop();
        delete m_stdinSource;
        m_stdio.reset();
        for (auto &s : m_sources)
            delete s.second;
        m_sources.clear();
        m_server.Close();
        // The channel plugged the control into the facade; it leaves as it was.
        m_control.Destroy();
    }

    bool Start(drevon::CDrevon *facade, const std::string &path, std::string &error)
    {
        if (m_control.GetFacade() != facade)
            m_control.Attach(facade);
        if (!m_server.Listen(path, error))
            return false;
        Watch();
        // A client that reads slowly is written to on the next rounds.
        m_timer.Bind(wxEVT_TIMER, [this](wxTimerEvent &) { Serve(); });
        m_timer.Start(50);
        return true;
    }
    const std::string &Path() const { return m_server.GetPath(); }

    // The same lines on standard input and output.
    void StartStdio(drevon::CDrevon *facade)
    {
        if (m_control.GetFacade() != facade)
            m_control.Attach(facade);
        m_stdio = std::make_unique<fennix::FennixChannel>(m_control, [](const std::string &line) {
            std::fwrite(line.data(), 1, line.size(), stdout);
            std::fputc('\n', stdout);
            std::fflush(stdout);
        });
        m_stdinSource = wxEventLoopBase::AddSourceForFD(STDIN_FILENO, &m_stdinHandler, wxEVENT_SOURCE_INPUT);
    }
    // Standard input is ready: one read, which does not block then.
    void ReadStdin()
    {
        char buffer[65536];
        const ssize_t n = read(STDIN_FILENO, buffer, sizeof(buffer));
        if (n > 0) {
            m_stdio->Feed(buffer, static_cast<std::size_t>(n));
            return;
        }
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            return;
        // Input ended: a last line without its end is still a request; the
        // window stays.
        m_stdio->Feed("\n", 1);
        delete m_stdinSource;
        m_stdinSource = nullptr;
    }
    void StartSession() { m_control.FireStartSession("uMsg=113 idEvent=c"); }

    void Serve()
    {
        m_server.Poll(0);
        Watch();
    }

private:
    // One toolkit source per socket, kept in step with the server's.
    void Watch()
    {
        const std::vector<int> fds = m_server.Fds();
        for (auto it = m_sources.begin(); it != m_sources.end();) {
            if (std::find(fds.begin(), fds.end(), it->first) == fds.end()) {
                delete it->second;
                it = m_sources.erase(it);
            } else {
                ++it;
            }
        }
        for (int fd : fds)
            if (!m_sources.count(fd))
                if (wxEventLoopSource *source = wxEventLoopBase::AddSourceForFD(fd, &m_handler, wxEVENT_SOURCE_INPUT))
                    m_sources[fd] = source;
    }

    fennix::FennixControl &m_control;
    fennix::FennixSocketServer m_server;
    FdHandler m_handler;
    StdinHandler m_stdinHandler;
    std::map<int, wxEventLoopSource *> m_sources;
    std::unique_ptr<fennix::FennixChannel> m_stdio;
    wxEventLoopSource *m_stdinSource = nullptr;
    wxTimer m_timer;
};

void FdHandler::OnReadWaiting()
{
    m_channel.Serve();
}

void StdinHandler::OnReadWaiting()
{
    m_channel.ReadStdin();
}

std::unique_ptr<Channel> s_channel;

} // namespace

std::string StartControlChannel(fennix::FennixControl &control, drevon::CDrevon *facade, const std::string &path,
                                std::string &error)
{
    s_channel = std::make_unique<Channel>(control);
    if (!s_channel->Start(facade, path, error)) {
        s_channel.reset();
        return std::string();
    }
    return s_channel->Path();
}

bool StartControlStdio(fennix::FennixControl &control, drevon::CDrevon *facade)
{
    if (!s_channel)
        s_channel = std::make_unique<Channel>(control);
    s_channel->StartStdio(facade);
    return true;
}

void StartControlSession()
{
    if (s_channel)
        s_channel->StartSession();
}

void StopControlChannel()
{
    s_channel.reset();
}
