#pragma once
// An action that enables every element the appearance, texture, font, format
// and layers nodes write, and a helper that traverses a row of nodes and
// hands the state to a probe placed after them.
#include <functional>
#include <initializer_list>

#include "engine/core/SgAction.h"
#include "engine/core/SgElementClasses.h"
#include "engine/core/SgState.h"
#include "engine/core/SgNode.h"

class PropertyStateAction : public SgAction {
    SG_ACTION_HEADER(PropertyStateAction)
    PropertyStateAction() { InitState(); }
};

// Starts the engine and registers the action and the probe node class once.
void InitPropertyTestClasses();

// Puts the nodes, then a probe, into one group and applies the action; the
// probe runs `read` with the state in force after the nodes. Returns false
// (after a failed expectation) when the traversal failed or never reached
// the probe.
bool ProbeStateAfter(std::initializer_list<SgNode *> nodes, const std::function<void(SgState *)> &read);
