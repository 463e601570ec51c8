#pragma once
// An action that enables a mix of element kinds, one that enables none, a
// node that runs a test's function when visited, and an element whose value
// counts its live copies, for the state and element tests.
#include <functional>
#include <string>

#include "engine/core/SgAction.h"
#include "engine/core/SgElementClasses.h"
#include "engine/core/SgState.h"
#include "engine/core/SgNode.h"

// A value that owns heap memory and counts how many copies of it are alive.
struct CountedValue {
    static int s_live;
    std::string text;

    CountedValue() { ++s_live; }
    explicit CountedValue(std::string t) : text(std::move(t)) { ++s_live; }
    CountedValue(const CountedValue &other) : text(other.text) { ++s_live; }
    CountedValue &operator=(const CountedValue &) = default;
    ~CountedValue() { --s_live; }
};

using CountedElement = SgTReplacedElement<CountedValue, 599990>;
template <>
const char *const CountedElement::s_lpszClassName;
template <>
CountedValue CountedElement::s_DefaultValue;
template <>
int CountedElement::s_iClassID;

class StateTestAction : public SgAction {
    SG_ACTION_HEADER(StateTestAction)
    StateTestAction() { InitState(); }
};

class NoElementsAction : public SgAction {
    SG_ACTION_HEADER(NoElementsAction)
};

class StateTestNode : public SgNode {
    SG_CLASS_HEADER(StateTestNode, SgFieldMngr)

    void DoAction(SgAction *action) override
    {
        if (m_visit)
            m_visit(action, this);
    }

    std::function<void(SgAction *, StateTestNode *)> m_visit;

protected:
    ~StateTestNode() override = default;
};

// Starts the engine and registers the classes above once.
void InitStateTestClasses();
