#pragma once
// A control made the way its window makes it, on a headless canvas, with
// every event it fires recorded.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

#include "control/FennixControl.h"
#include "engine/SgNodara.h"
#include "platform/window/SgHeadlessWindow.h"
#include "solids/Solvane.h"
#include "tests/facade/FacadeTestSupport.h"

namespace controltest {

class ControlTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SgNodara::Init();
        solvane::Solvane::Init();
        m_token = m_control.Events().Subscribe([this](const fennix::FennixEvent &e) { m_events.push_back(e); });
    }
    void TearDown() override
    {
        m_control.Destroy();
        if (m_window) {
            m_window->DestroyWindow();
            m_window.reset();
        }
    }
    // The window's creation on a headless canvas of 160 x 120.
    void Create()
    {
        m_window = std::make_unique<SgHeadlessWindow>(160, 120);
        ASSERT_TRUE(m_control.Create(m_window.get()));
    }
    int Count(const std::string &name) const
    {
        int n = 0;
        for (const auto &e : m_events)
            n += e.name == name;
        return n;
    }

    facadetest::ScriptedChooser m_chooser;  // answers "cancel" to every file request
    std::unique_ptr<SgHeadlessWindow> m_window;
    fennix::FennixControl m_control;
    std::vector<fennix::FennixEvent> m_events;
    fennix::FennixEventList::Token m_token;
};

// XDG_CONFIG_HOME points at a folder of the test's own while this lives, so
// that settings a test writes never reach the user's; the old value comes back.
class ConfigHomeOfItsOwn {
public:
    explicit ConfigHomeOfItsOwn(const std::string &name)
        : m_folder(std::filesystem::temp_directory_path() / (name + "-" + std::to_string(getpid())))
    {
        std::filesystem::create_directories(m_folder);
        const char *old = std::getenv("XDG_CONFIG_HOME");
        m_had = old != nullptr;
        m_old = old ? old : "";
        setenv("XDG_CONFIG_HOME", m_folder.c_str(), 1);
    }
    ~ConfigHomeOfItsOwn()
    {
        if (m_had)
            setenv("XDG_CONFIG_HOME", m_old.c_str(), 1);
        else
            unsetenv("XDG_CONFIG_HOME");
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }
    ConfigHomeOfItsOwn(const ConfigHomeOfItsOwn &) = delete;
    ConfigHomeOfItsOwn &operator=(const ConfigHomeOfItsOwn &) = delete;
    const std::filesystem::path &Folder() const { return m_folder; }

private:
    std::filesystem::path m_folder;
    std::string m_old;
    bool m_had = false;
};

} // namespace controltest
