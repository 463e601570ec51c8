#include "host/window/ControlChannel.h"

#include <algorithm>
#include <map>
#include <memory>

#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/evtloopsrc.h>
#include <wx/timer.h>

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

class Channel {
public:
    Channel() : m_server(m_control), m_handler(*this) {}
    ~Channel()
    {
        m_timer.Stop();
        for (auto &s : m_sources)
            delete s.second;
        m_sources.clear();
        m_server.Close();
        m_control.Destroy();
    }

    bool Start(drevon::CDrevon *facade, const std::string &path, std::string &error)
    {
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

    fennix::FennixControl m_control;
    fennix::FennixSocketServer m_server;
    FdHandler m_handler;
    std::map<int, wxEventLoopSource *> m_sources;
    wxTimer m_timer;
};

void FdHandler::OnReadWaiting()
{
    m_channel.Serve();
}

std::unique_ptr<Channel> s_channel;

} // namespace

std::string StartControlChannel(drevon::CDrevon *facade, const std::string &path, std::string &error)
{
    s_channel = std::make_unique<Channel>();
    if (!s_channel->Start(facade, path, error)) {
        s_channel.reset();
        return std::string();
    }
    return s_channel->Path();
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
