#pragma once
// Node and action classes for the traversal tests: an action that logs every
// visit with its path code, property nodes that write state elements, probes
// that read them, and a small class chain for visitor inheritance.
#include <string>
#include <vector>

#include "engine/core/SgAction.h"
#include "engine/core/SgGroup.h"
#include "engine/core/SgNode.h"
#include "engine/core/SgSeparator.h"
#include "engine/core/SgTField.h"

// Logs "name:code" for every node it visits, then hands the node to its own
// DoAction (so groups traverse their children). Enables the draw style and
// the transform.
class LoggingAction : public SgAction {
    SG_ACTION_HEADER(LoggingAction)
    LoggingAction() { InitState(); }

    static void VisitLogged(SgAction *action, SgNode *node);

    // The names visited, comma separated; with codes when `withCodes`.
    std::string Visited(bool withCodes = false) const;

    std::vector<std::string> m_names;
    std::vector<int> m_codes;
    // Setting the terminate flag (or leaving the separator) at the node of this name.
    std::string m_terminateAt;
    std::string m_leaveAt;
};

// Writes the draw style and accumulates a translation along x.
class PropNode : public SgNode {
    SG_CLASS_HEADER(PropNode, SgFieldMngr)
    PropNode();
    void DoAction(SgAction *action) override;

    SgFInt m_style;
    SgFDouble m_moveX;

protected:
    ~PropNode() override = default;
};

// Affects no state: off the target path it is skipped.
class LeafNode : public SgNode {
    SG_CLASS_HEADER(LeafNode, SgFieldMngr)
    bool AffectsState() const override { return false; }

protected:
    ~LeafNode() override = default;
};

// Remembers the draw style and the x translation it saw.
class ProbeNode : public LeafNode {
    SG_CLASS_HEADER(ProbeNode, SgFieldMngr)
    void DoAction(SgAction *action) override;

    int m_seenStyle = -1;
    double m_seenX = -1;
    int m_visits = 0;

protected:
    ~ProbeNode() override = default;
};

// A class chain for visitor inheritance: only BaseProbe has an entry of its own.
class BaseProbe : public SgNode {
    SG_CLASS_HEADER(BaseProbe, SgFieldMngr)

protected:
    ~BaseProbe() override = default;
};
class DerivedProbe : public BaseProbe {
    SG_CLASS_HEADER(DerivedProbe, SgFieldMngr)

protected:
    ~DerivedProbe() override = default;
};
// Registered by the test that needs it, after the tables were built.
class LateProbe : public DerivedProbe {
    SG_CLASS_HEADER(LateProbe, SgFieldMngr)

protected:
    ~LateProbe() override = default;
};

// A user-level object as the paths see it: a separator with the object flag
// and the "link" and "selectMode" fields.
class TestObject : public SgSeparator {
    SG_CLASS_HEADER(TestObject, SgFieldMngr)
    TestObject();

    SgFInt m_link;
    SgFInt m_selectMode;

protected:
    ~TestObject() override = default;
};

class ShapeLeaf : public LeafNode {
    SG_CLASS_HEADER(ShapeLeaf, SgFieldMngr)
    bool IsShape() const override { return true; }

protected:
    ~ShapeLeaf() override = default;
};

// Starts the engine, registers the classes above (LateProbe aside) and
// completes the visitor tables.
void InitActionTestClasses();

// A named node of class T, held by the returned reference.
template <class T>
SgRef<T> MakeNamed(const char *name)
{
    SgRef<T> node = new T;
    node->SetName(name);
    return node;
}
