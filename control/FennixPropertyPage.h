#pragma once
// The property page's logic without its window: the persistent properties
// as rows of text, and a row's edited text put back through the dispatch
// table, so the property's own change handling runs (a new FileName opens
// that scene, a new BGColor paints the background).
#include <string>
#include <vector>

#include "control/FennixValue.h"
#include "control/FennixExport.h"

namespace fennix {

class FennixControl;

struct FENNIX_API PropertyRow {
    const char *name;      // as saved ("TexturePath")
    const char *dispatch;  // the dispatch table's property ("texturePath")
    bool number;
    std::string text;      // the value now, as the page shows it
};

// The seven persistent properties in their saving order, with their values.
FENNIX_API std::vector<PropertyRow> PropertyRows(FennixControl &control);
// Sets the row's property from text: a whole number (decimal, or 0x and
// hex digits) for a number, the text itself for a string. A text that is
// no number, or that the property's type cannot hold, is an error result
// and changes nothing.
FENNIX_API DispResult SetPropertyText(FennixControl &control, const PropertyRow &row, const std::string &text);

} // namespace fennix
