#pragma once
// What a window's status line says about the command it last ran: what the
// command did, or why it could not act. The user texts a command reports
// while it runs (a refusal such as "Select two closed curves ...") are the
// answer then, instead of a message box; errors still show their box too.
#include <string>

#include "facade/CommandRecord.h"
#include "facade/DrevonExport.h"

namespace drevon {

struct DREVON_API CommandReport {
    // The command's function or facade operation was reached.
    bool ran = false;
    // The scene took an undo step (or undo or redo moved through one).
    bool changed = false;
    // It could not act; the text says why.
    bool refused = false;
    // "Label: what came of it", for the status line.
    std::string text;
};

// Runs the command as RunCommand does, when it is enabled, and says what came
// of it. A command that is not enabled now does not run and is refused with
// what it needs.
DREVON_API CommandReport RunCommandReported(int id, CDrevon &facade, CommandWindow &window);

// The menu label as a sentence's first word: "Save &As..." gives "Save As".
DREVON_API std::string PlainLabel(const char *label);

} // namespace drevon
