#include "platform/wx/SgWxServices.h"

#include <algorithm>
#include <map>
#include <vector>

#include <wx/filedlg.h>
#include <wx/msgdlg.h>
#include <wx/timer.h>

#include "platform/Notifier.h"
#include "platform/SgTimerService.h"

namespace {

std::string Trim(const std::string &text)
{
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return std::string();
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

class WxNotifier : public Notifier {
public:
    wxWindow *m_parent = nullptr;

    int Message(const std::string &text, const std::string &caption, Buttons buttons, Icon icon) override
    {
        long style = 0;
        switch (buttons) {
        case Buttons::Ok:
            style |= wxOK;
            break;
        case Buttons::OkCancel:
            style |= wxOK | wxCANCEL;
            break;
        case Buttons::YesNo:
            style |= wxYES_NO;
            break;
        case Buttons::YesNoCancel:
            style |= wxYES_NO | wxCANCEL;
            break;
        }
        switch (icon) {
        case Icon::Information:
            style |= wxICON_INFORMATION;
            break;
        case Icon::Warning:
            style |= wxICON_WARNING;
            break;
        case Icon::Error:
            style |= wxICON_ERROR;
            break;
        case Icon::Question:
            style |= wxICON_QUESTION;
            break;
        case Icon::None:
            break;
        }
        wxMessageDialog dialog(m_parent, wxString::FromUTF8(text), wxString::FromUTF8(caption), style);
        switch (dialog.ShowModal()) {
        case wxID_OK:
            return Ok;
        case wxID_YES:
            return Yes;
        case wxID_NO:
            return No;
        default:
            return Cancel;
        }
    }
};

// Timers of the toolkit's loop; each calls its tick on the loop's thread.
class WxTimerService : public SgTimerService {
public:
    int StartTimer(int milliseconds, Tick tick) override
    {
        const int id = m_next++;
        auto timer = std::make_unique<Timer>(std::move(tick));
        // The loop's shortest period still lets it paint and take input.
        timer->Start(std::max(1, milliseconds));
        m_timers[id] = std::move(timer);
        return id;
    }
    void StopTimer(int id) override
    {
        auto found = m_timers.find(id);
        if (found == m_timers.end())
            return;
        found->second->Stop();
        m_timers.erase(found);
    }
    bool IsRunning(int id) const override { return m_timers.count(id) != 0; }

private:
    class Timer : public wxTimer {
    public:
        explicit Timer(Tick tick) : m_tick(std::move(tick)) {}
        void Notify() override
        {
            // The tick may stop this timer and free it: run a copy.
            const Tick tick = m_tick;
            tick();
        }

    private:
        Tick m_tick;
    };
    // Ids go on from the headless service's range, so no id is reused.
    int m_next = 1 << 20;
    std::map<int, std::unique_ptr<Timer>> m_timers;
};

} // namespace

std::string SgWxWildcard(const std::string &filter)
{
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= filter.size()) {
        const size_t bar = filter.find('|', start);
        const std::string part = Trim(filter.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
        if (!part.empty())
            parts.push_back(part);
        if (bar == std::string::npos)
            break;
        start = bar + 1;
    }
    std::string wildcard;
    for (size_t i = 0; i + 1 < parts.size(); i += 2)
        wildcard += (wildcard.empty() ? "" : "|") + parts[i] + "|" + parts[i + 1];
    return wildcard;
}

struct SgWxServices::Impl {
    WxNotifier notifier;
    WxTimerService timers;
    Notifier *previousNotifier = nullptr;
    FileChooser previousChooser;
    SgTimerService *previousTimers = nullptr;
};

SgWxServices::SgWxServices(wxWindow *parent) : m_impl(std::make_unique<Impl>())
{
    m_impl->notifier.m_parent = parent;
    m_impl->previousNotifier = SetNotifier(&m_impl->notifier);
    m_impl->previousTimers = SetTimerService(&m_impl->timers);
    Impl *impl = m_impl.get();
    m_impl->previousChooser = SetFileChooser([impl](const FileRequest &request) -> std::optional<std::string> {
        long style = request.save ? (wxFD_SAVE | wxFD_OVERWRITE_PROMPT) : (wxFD_OPEN | wxFD_FILE_MUST_EXIST);
        wxFileDialog dialog(impl->notifier.m_parent, wxString::FromUTF8(request.title), wxString(),
                            wxString::FromUTF8(request.initialName), wxString::FromUTF8(SgWxWildcard(request.filter)),
                            style);
        if (dialog.ShowModal() != wxID_OK)
            return std::nullopt;
        return std::string(dialog.GetPath().utf8_str());
    });
}

SgWxServices::~SgWxServices()
{
    SetFileChooser(m_impl->previousChooser);
    SetTimerService(m_impl->previousTimers);
    SetNotifier(m_impl->previousNotifier);
}

void SgWxServices::SetParent(wxWindow *parent)
{
    m_impl->notifier.m_parent = parent;
}
