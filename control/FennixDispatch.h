#pragma once
// The control's dispatch table: one entry per method and property with its
// dispatch id, name, parameter and result types and its handler. The
// in-process interface (Call), the scripting channel and `fennix --describe`
// all read this one table. Calls are checked here before a handler runs:
// an unknown name or id, a wrong count or type of parameters, a number out
// of its type's range gives an error result, never a crash.
#include <functional>
#include <string>
#include <vector>

#include "control/FennixValue.h"
#include "control/FennixExport.h"

namespace fennix {

class FennixControl;

using DispHandler = DispResult (*)(FennixControl &control, const DispArgs &args);

struct FENNIX_API DispEntry {
    int dispid;
    const char *name;
    bool property;                 // get with no argument, set with one
    std::vector<DispType> params;  // a property: its one type
    DispType result;               // a property: its type
    DispHandler handler;
};

struct FENNIX_API EventEntry {
    int dispid;
    const char *name;
    std::vector<DispType> params;
};

// The 76 entries in the order of the dispatch map, and the 6 events.
FENNIX_API const std::vector<DispEntry> &DispatchTable();
FENNIX_API const std::vector<EventEntry> &EventTable();
FENNIX_API const DispEntry *FindEntry(const std::string &name);
FENNIX_API const DispEntry *FindEntry(int dispid);
FENNIX_API const EventEntry *FindEvent(const std::string &name);

// Checks the arguments against the entry and converts each to its declared
// type (an integral real for an integer type, an integer for a real, 0 and 1
// for a boolean); the error result names the first bad argument.
FENNIX_API DispResult CheckArgs(const DispEntry &entry, const DispArgs &args, DispArgs &converted);

// The table as JSON text (methods and events with their ids and types).
FENNIX_API std::string DescribeJson();

} // namespace fennix
