#pragma once
// Boolean operations on solids, built on the imprint, the
// classification of the pieces against the other operand and the shell
// building.
//
// Selection (checked against the oracle of volumes and closedness; rules
// that combine membership marks of mated elements alone can delete, in a
// difference, the faces of B that bound the cavity of A - B):
//   union:        A's pieces outside B, B's outside A; coincident faces with
//                 the same orientation once, with opposite orientation never;
//   intersection: A's pieces inside B, B's inside A; coincident faces with the
//                 same orientation once;
//   difference:   A's pieces outside B, B's pieces inside A reversed;
//                 coincident faces of opposite orientation kept from A.
#include <memory>
#include <string>

#include "solids/GmGeom.h"
#include "solids/SolvaneExport.h"

namespace solvane {

enum class GmBoolOp { Union, Intersection, Difference };

struct SOLVANE_API GmBooleanStats {
    int facePairs = 0;
    int piecesA = 0;
    int piecesB = 0;
};

// Computes the result as a new geometry; the operands are not changed.
// Throws GmOperationFailed when the result is not a valid closed solid.
SOLVANE_API std::unique_ptr<GmGeom> boolean_evaluate(GmBoolOp op, const GmGeom &a, const GmGeom &b, GmBooleanStats *stats = nullptr);

// Cheap identities every result keeps: a union holds at least the larger
// operand's volume and at most both; an intersection at most the smaller;
// a difference at most A and at least A less B. Returns what is broken (one
// line), or an empty string. `tolerance` is the length two points may be
// apart and still be one; volumes may move by that much times the area.
SOLVANE_API std::string check_identities(GmBoolOp op, GmGeom &a, GmGeom &b, GmGeom &result, double tolerance);

// The request boundary: every error of the kernel is caught here and
// reported; the process goes on and no half-built geometry is handed out.
struct SOLVANE_API GmBooleanResult {
    bool ok = false;
    std::unique_ptr<GmGeom> geom;
    std::string message;
};
SOLVANE_API GmBooleanResult boolean_request(GmBoolOp op, const GmGeom &a, const GmGeom &b);

// Whether the validity checker runs after every boolean of the calling
// thread (on unless turned off, so that a result that is not a valid closed
// solid is reported as a failure). A document's boolean evaluation puts the
// document's own setting in force for its length (GmValidationScope), so two
// documents never share it; benchmarks switch it off inside their timing.
SOLVANE_API void set_boolean_validation(bool on);
SOLVANE_API bool boolean_validation();

class SOLVANE_API GmValidationScope {
public:
    explicit GmValidationScope(bool on);
    ~GmValidationScope();
    GmValidationScope(const GmValidationScope &) = delete;
    GmValidationScope &operator=(const GmValidationScope &) = delete;

private:
    bool m_previous;
};

}  // namespace solvane
