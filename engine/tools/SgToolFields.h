#pragma once
#include "engine/core/NodaraExport.h"
// Numeric field access by name for the tools that set shape parameters of
// many classes from one table (creation, parameter handles): a double, float,
// int or 16-bit field is read and written as a double. A missing or
// non-numeric field reads 0 and is not written.
class SgDocument;
class SgField;
class SgFieldMngr;

namespace SgToolFields {

// Collects what SetDouble writes while it lives (the first four fields, each
// with its last value), so that a tool can report one step's edits to the
// document's owner at once. Records nest: the innermost one collects.
class NODARA_API EditRecord {
public:
    static constexpr int kMaxFields = 4;
    EditRecord();
    ~EditRecord();
    EditRecord(const EditRecord &) = delete;
    EditRecord &operator=(const EditRecord &) = delete;
    int Count() const { return m_iCount; }
    // The fields written, one double each, to the field-edit callback.
    void Report(SgDocument *document, int mode = 0) const;
    static void Note(SgField *field, double value);

private:
    EditRecord *m_pOuter;
    SgField *m_fields[kMaxFields] = {};
    double m_values[kMaxFields] = {};
    int m_iCount = 0;
    static EditRecord *s_pCurrent;
};

NODARA_API double GetDouble(SgFieldMngr *node, const char *name);
// Writes with undo and notification, as an edit by the user does. False when
// the node has no numeric field of that name.
NODARA_API bool SetDouble(SgFieldMngr *node, const char *name, double value);
NODARA_API SgField *Find(SgFieldMngr *node, const char *name);

} // namespace SgToolFields
