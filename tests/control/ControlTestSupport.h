#pragma once
// A control made the way its window makes it, on a headless canvas, with
// every event it fires recorded.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

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

} // namespace controltest
