#pragma once
// What the facade's tests share: a facade with its document and a viewer on
// a headless window, a virtual clock, the headless timer service, a chooser
// that answers with the paths a test scripted, and a record of every button
// state the facade reported.
#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/document/SgCopy.h"
#include "engine/document/SgDocument.h"
#include "engine/handlers/SgSelectionHandler.h"
#include "engine/viewer/SgViewer.h"
#include "facade/CDrevon.h"
#include "platform/Notifier.h"
#include "platform/SgClock.h"
#include "platform/SgDiagHandler.h"
#include "platform/SgTimerService.h"
#include "platform/window/SgHeadlessWindow.h"
#include "solids/Solvane.h"

namespace facadetest {

// Answers file requests from a script, one answer per request, and keeps the
// requests; an empty script answers "cancel".
class ScriptedChooser {
public:
    ScriptedChooser()
    {
        m_previous = SetFileChooser([this](const FileRequest &request) -> std::optional<std::string> {
            m_requests.push_back(request);
            if (m_answers.empty())
                return std::nullopt;
            std::optional<std::string> answer = m_answers.front();
            m_answers.pop_front();
            return answer;
        });
    }
    ~ScriptedChooser() { SetFileChooser(m_previous); }
    ScriptedChooser(const ScriptedChooser &) = delete;
    ScriptedChooser &operator=(const ScriptedChooser &) = delete;

    void Answer(std::optional<std::string> path) { m_answers.push_back(std::move(path)); }
    const std::vector<FileRequest> &Requests() const { return m_requests; }

private:
    FileChooser m_previous;
    std::deque<std::optional<std::string>> m_answers;
    std::vector<FileRequest> m_requests;
};

// Every state change as the host hears it: (button, state).
struct StateLog {
    std::vector<std::pair<int, int>> changes;
    // A listener of the facade's button states that records into this log.
    std::function<void(int, int)> Listener()
    {
        return [this](int button, int state) { changes.emplace_back(button, state); };
    }
    int Last(int button) const
    {
        for (auto it = changes.rbegin(); it != changes.rend(); ++it)
            if (it->first == button)
                return it->second;
        return -100;
    }
};

class FacadeTest : public ::testing::Test {
protected:
    static constexpr int kWidth = 160;
    static constexpr int kHeight = 120;

    void SetUp() override
    {
        solvane::Solvane::Init();
        m_previousClock = SetClock(&m_clock);
        m_facade = std::make_unique<drevon::CDrevon>();
        ASSERT_NE(m_facade->CreateDocument(), nullptr);
        m_stateToken = m_facade->GetHostEvents().SubscribeButtonState(m_states.Listener());
    }

    void TearDown() override
    {
        m_facade.reset();
        if (m_window) {
            m_window->DestroyWindow();
            m_window.reset();
        }
        SetClock(m_previousClock);
    }

    // A viewer on a headless window, the facade's current one.
    SgViewer *AddViewer()
    {
        m_window = std::make_unique<SgHeadlessWindow>(kWidth, kHeight);
        return m_facade->CreateViewer(m_window.get());
    }

    SgDocument *Document() const { return m_facade->GetDocument(); }
    SgSelectionHandler *Selection() const { return Document()->GetSelectionHandler(); }

    SgVirtualClock m_clock{1700000000, 1000};
    SgClock *m_previousClock = nullptr;
    std::unique_ptr<SgHeadlessWindow> m_window;
    std::unique_ptr<drevon::CDrevon> m_facade;
    StateLog m_states;
    drevon::HostSubscription m_stateToken;
};

} // namespace facadetest
