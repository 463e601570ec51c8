#include "host/window/ControlChannel.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <map>
#include <memory>

#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/evtloopsrc.h>
#include <wx/modalhook.h>
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

// Counts the modal dialogs open now, whoever opened them.
class ModalCount : public wxModalDialogHook {
public:
    int Depth() const { return m_depth; }

protected:
    int Enter(wxDialog *) override
    {
        ++m_depth;
        return wxID_NONE;
    }
    void Exit(wxDialog *) override { --m_depth; }

private:
    int m_depth = 0;
};

class Channel {
public:
    // The control is the window's own (its FennixCtrl's): one control per
    // window, whatever serves it.
    explicit Channel(fennix::FennixControl &control)
        : m_control(control), m_server(m_control), m_handler(*this), m_stdinHandler(*this)
    {
        m_modal.Register();
        // What a script asks to be shown (the about box) opens from the
        // window's own loop once the reply is out, never on the channel's stack.
        m_control.SetDeferrer([](std::function<void()> work) { wxTheApp->CallAfter(std::move(work)); });
    }
    ~Channel()
    {
        m_timer.Stop();
        delete m_stdinSource;
        m_stdio.reset();
        DropSources();
        m_server.Close();
        m_control.SetDeferrer(nullptr);
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
        StartTimer();
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
        m_stdinOpen = true;
        WatchStdin();
        StartTimer();
    }
    // Standard input is ready: one read, which does not block then.
    void ReadStdin()
    {
        if (!MayServe()) {
            Pause();
            return;
        }
        char buffer[65536];
        const ssize_t n = read(STDIN_FILENO, buffer, sizeof(buffer));
        if (n > 0) {
            Served([&] { m_stdio->Feed(buffer, static_cast<std::size_t>(n)); });
            return;
        }
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            return;
        // Input ended: a last line without its end is still a request; the
        // window stays.
        m_stdinOpen = false;
        delete m_stdinSource;
        m_stdinSource = nullptr;
        Served([&] { m_stdio->Feed("\n", 1); });
    }
    void StartSession() { m_control.FireStartSession("uMsg=113 idEvent=c"); }

    void Serve()
    {
        if (!MayServe()) {
            Pause();
            return;
        }
        Served([&] { m_server.Poll(0); });
        Watch();
        WatchStdin();
    }
    bool IsBusy() const { return m_busy; }
    // Asked to stop while a request runs: it stops once that is answered.
    void StopWhenDone() { m_stopWanted = true; }

private:
    // Requests are served one at a time from the window's own loop: never
    // from a loop that a request, a dialog or a message box runs (they wait
    // there and are answered in order once it ends).
    bool MayServe() const
    {
        const wxEventLoopBase *active = wxEventLoopBase::GetActive();
        return !m_busy && m_modal.Depth() == 0 && active && active->IsMain() && !active->IsYielding();
    }
    template <class Work>
    void Served(Work &&work)
    {
        m_busy = true;
        work();
        m_busy = false;
        if (m_stopWanted)
            wxTheApp->CallAfter([] { StopControlChannel(); });
    }
    // While nothing may be served, the sockets are not watched (a socket
    // that stays readable would wake the loop without end); the timer takes
    // them up again.
    void Pause()
    {
        DropSources();
        delete m_stdinSource;
        m_stdinSource = nullptr;
    }
    void StartTimer()
    {
        if (m_timer.IsRunning())
            return;
        // A client that reads slowly is written to on the next rounds.
        m_timer.Bind(wxEVT_TIMER, [this](wxTimerEvent &) { Serve(); });
        m_timer.Start(50);
    }
    void WatchStdin()
    {
        if (m_stdio && m_stdinOpen && !m_stdinSource)
            m_stdinSource = wxEventLoopBase::AddSourceForFD(STDIN_FILENO, &m_stdinHandler, wxEVENT_SOURCE_INPUT);
    }
    void DropSources()
    {
        for (auto &s : m_sources)
            delete s.second;
        m_sources.clear();
    }
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
    ModalCount m_modal;
    std::map<int, wxEventLoopSource *> m_sources;
    std::unique_ptr<fennix::FennixChannel> m_stdio;
    wxEventLoopSource *m_stdinSource = nullptr;
    bool m_stdinOpen = false;
    bool m_busy = false;
    bool m_stopWanted = false;
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
    // Never under a request that is being answered: it stops after it.
    if (s_channel && s_channel->IsBusy()) {
        s_channel->StopWhenDone();
        return;
    }
    s_channel.reset();
}
