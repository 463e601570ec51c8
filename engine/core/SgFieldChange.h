#pragma once
// A recorded change of part of a field's value: a few elements of an array
// replaced, inserted or removed. Undo keeps the part that changed instead of
// the whole value before and after, so that editing one element of a long
// array costs the element, not two copies of the array.
#include <cstddef>
#include "engine/core/NodaraExport.h"

class SgField;

class NODARA_API SgFieldChange {
public:
    virtual ~SgFieldChange() = default;
    // Puts the field as it was after the change (`forward`) or before it,
    // with one change notice and without recording. A field whose value no
    // longer has the changed place (changed meanwhile without a record) is
    // left as it is, with a diagnostic.
    virtual void Apply(SgField &field, bool forward) = 0;
    // The memory held for the recorded values.
    virtual std::size_t HeldBytes() const = 0;
};
