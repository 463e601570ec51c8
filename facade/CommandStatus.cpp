#include "facade/CommandStatus.h"

#include <thread>
#include <utility>
#include <vector>

#include "engine/document/SgDocument.h"
#include "facade/CDrevon.h"
#include "platform/SgDiagHandler.h"

namespace drevon {

namespace {

// Where the undo list stands: a command that adds or moves through a step
// changes it. The top record's address tells a new step from a trimmed one
// when the list is full.
struct UndoMark {
    const SgDocument *document = nullptr;
    int cursor = 0;
    int count = 0;
    const void *top = nullptr;

    static UndoMark Of(const SgDocument *document)
    {
        UndoMark mark;
        mark.document = document;
        if (document) {
            mark.cursor = document->GetUndoCursor();
            mark.count = document->GetUndoCount();
            mark.top = document->GetUndoInfo(mark.cursor);
        }
        return mark;
    }
    bool operator==(const UndoMark &) const = default;
};

// Keeps the user texts reported on this thread while it stands. Info and
// warning texts stop here (the status line shows them); errors and the
// developers' diagnostics go on to the handler that was in place.
class StatusTextCapture {
public:
    StatusTextCapture() : m_thread(std::this_thread::get_id())
    {
        m_previous = SgDiagSetHandler([this](const SgDiagnostic &diagnostic) { Take(diagnostic); });
    }
    ~StatusTextCapture() { SgDiagSetHandler(std::move(m_previous)); }
    StatusTextCapture(const StatusTextCapture &) = delete;
    StatusTextCapture &operator=(const StatusTextCapture &) = delete;

    const std::vector<std::string> &Texts() const { return m_texts; }

private:
    void Take(const SgDiagnostic &diagnostic)
    {
        const bool mine = std::this_thread::get_id() == m_thread && diagnostic.forUser;
        if (mine)
            m_texts.push_back(diagnostic.text);
        if (mine && diagnostic.level != SgDiagLevel::Error)
            return;
        if (m_previous)
            m_previous(diagnostic);
        else
            SgDiagDefaultHandler(diagnostic);
    }

    std::thread::id m_thread;
    SgDiagHandler m_previous;
    std::vector<std::string> m_texts;
};

std::string Sentence(const std::string &label, const std::string &text)
{
    return label.empty() ? text : label + ": " + text;
}

} // namespace

std::string PlainLabel(const char *label)
{
    std::string plain;
    for (const char *c = label ? label : ""; *c; ++c)
        if (*c != '&')
            plain += *c;
    while (!plain.empty() && plain.back() == '.')
        plain.pop_back();
    return plain;
}

CommandReport RunCommandReported(int id, CDrevon &facade, CommandWindow &window)
{
    const CommandRecord *record = FindCommand(id);
    const std::string label = record ? PlainLabel(record->label) : std::string();
    const std::string needs = record && record->needs ? record->needs : "it cannot act now";
    CommandReport report;
    if (!IsCommandEnabled(id, facade)) {
        report.refused = true;
        report.text = Sentence(label, needs);
        return report;
    }
    std::vector<std::string> told;
    {
        const UndoMark before = UndoMark::Of(facade.GetDocument());
        StatusTextCapture capture;
        report.ran = RunCommand(id, facade, window);
        report.changed = !(UndoMark::Of(facade.GetDocument()) == before);
        told = capture.Texts();
    }
    if (!told.empty()) {
        report.refused = !report.changed;
        report.text = Sentence(label, told.back());
    } else if (report.changed) {
        report.text = Sentence(label, "done");
    } else if (record && record->undoStep) {
        // A command that changes the scene and did not: what it needs.
        report.refused = true;
        report.text = Sentence(label, needs);
    } else {
        report.text = Sentence(label, record && record->tooltip ? record->tooltip : "done");
    }
    return report;
}

} // namespace drevon
