#pragma once
// Records the reports of long work that reach the progress listeners while
// it lives, and checks them as a status line shows them: one title, each
// step "Title... NN %" with a rising fraction, and one end after the steps.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/SgProgress.h"

namespace progresstest {

class WorkProgressRecorder {
public:
    WorkProgressRecorder()
        : m_subscription(SgSubscribeProgress([this](const SgProgressReport &report) {
              if (report.kind == SgProgressKind::Work)
                  m_reports.push_back(report);
              return true;
          }))
    {
    }

    const std::vector<SgProgressReport> &Reports() const { return m_reports; }
    // The reports before the end.
    int Steps() const
    {
        int steps = 0;
        for (const SgProgressReport &report : m_reports)
            steps += report.Ended() ? 0 : 1;
        return steps;
    }

    ::testing::AssertionResult ShowsWork(const std::string &title) const
    {
        if (m_reports.size() < 2)
            return ::testing::AssertionFailure() << m_reports.size() << " reports of " << title;
        double last = -1.0;
        for (size_t i = 0; i + 1 < m_reports.size(); ++i) {
            const SgProgressReport &report = m_reports[i];
            const std::string text = title + "... " + std::to_string(int(report.fraction * 100.0 + 0.5)) + " %";
            if (report.title != title || report.text != text)
                return ::testing::AssertionFailure()
                       << "report " << i << " is \"" << report.title << "\" / \"" << report.text << "\", not \"" << text
                       << "\"";
            if (report.Ended() || report.fraction <= last || report.fraction > 1.0)
                return ::testing::AssertionFailure()
                       << "report " << i << " has fraction " << report.fraction << " after " << last;
            last = report.fraction;
        }
        if (!m_reports.back().Ended() || m_reports.back().title != title)
            return ::testing::AssertionFailure() << "the last report of " << title << " is no end";
        return ::testing::AssertionSuccess();
    }

private:
    std::vector<SgProgressReport> m_reports;
    SgProgressSubscription m_subscription;
};

} // namespace progresstest
