#pragma once
#include "engine/core/NodaraExport.h"
// Switches the modifier stack in force off for the length of one traversal and
// puts the previous setting back, also when the traversal throws. Used where a
// modifier's result (or a shape read through one) is traversed: the result
// already carries the stack's effect and must not be modified a second time.
class SgModifierStack;
class SgState;

class NODARA_API SgModifierStackDisabler {
public:
    explicit SgModifierStackDisabler(SgState *state);
    ~SgModifierStackDisabler();
    SgModifierStackDisabler(const SgModifierStackDisabler &) = delete;
    SgModifierStackDisabler &operator=(const SgModifierStackDisabler &) = delete;

private:
    SgModifierStack *m_stack; // null when the state holds no stack
    bool m_wasDisabled = false;
};
