#pragma once
// The validity checker of solid geometry: every edge used by exactly two
// face uses of a shell, in opposite directions; every loop closed; shells
// closed and consistently oriented; Euler characteristic per shell; no
// zero-area face; positive signed volume. Run after every boolean (at the
// request boundary, in every build unless switched off) and in the tests.
// Edges where two shells touch (a union of cubes sharing an edge) are
// counted per shell, so such contacts are valid.
#include <string>
#include <vector>
#include "solids/SolvaneExport.h"

namespace solvane {

class GmGeom;

struct SOLVANE_API GmValidityReport {
    bool ok = true;
    std::vector<std::string> problems;
    int shells = 0;
    int solids = 0;
    double volume = 0.0;
    std::vector<int> euler;  // V - E + F - (L - F) per shell: 2 - 2 genus

    std::string text() const;
};

SOLVANE_API GmValidityReport check_validity(GmGeom &g);

// Why the faces cannot stand as an operand of a boolean ("is empty", "is
// open", "is flat"), or null when they close around a volume. The volume is
// taken about the faces' own centre and compared with their size, so the
// answer does not depend on where they stand.
SOLVANE_API const char *operand_defect(const GmGeom &g);

// The report's first problem and the number of the others: one line for a
// user, where text() lists element ids for a developer.
SOLVANE_API std::string summary(const GmValidityReport &r);

}  // namespace solvane
