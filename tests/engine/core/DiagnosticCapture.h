#pragma once
// Collects the object model's diagnostics from its construction on. The
// report manager keeps its reporters for good, so one collector serves every
// test and each capture starts from an empty text.
#include <string>

#include "utilities/log/ReportMngr.h"
#include "utilities/log/Reporter.h"

class DiagnosticCapture {
public:
    DiagnosticCapture() { Sink().m_text.clear(); }
    bool Contains(const std::string &part) const { return Text().find(part) != std::string::npos; }
    const std::string &Text() const { return Sink().m_text; }

private:
    struct Collector : Reporter {
        void send(int, const char *message, const char *, int) override { m_text += std::string(message) + "\n"; }
        std::string m_text;
    };
    static Collector &Sink()
    {
        static Collector *collector = [] {
            auto *made = new Collector;
            ReportMngr::getInstance()->RegisterRepoter(made, 0);
            return made;
        }();
        return *collector;
    }
};
