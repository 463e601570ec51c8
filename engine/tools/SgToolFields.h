#pragma once
// Numeric field access by name for the tools that set shape parameters of
// many classes from one table (creation, parameter handles): a double, float,
// int or 16-bit field is read and written as a double. A missing or
// non-numeric field reads 0 and is not written.
class SgField;
class SgFieldMngr;

namespace SgToolFields {

double GetDouble(SgFieldMngr *node, const char *name);
// Writes with undo and notification, as an edit by the user does. False when
// the node has no numeric field of that name.
bool SetDouble(SgFieldMngr *node, const char *name, double value);
SgField *Find(SgFieldMngr *node, const char *name);

} // namespace SgToolFields
