#pragma once
// The modifiers in force at a point of a traversal, in the order the
// traversal met them, each with the placement it was met under. Shapes hand
// themselves to Process, which runs the active modifiers over them and keeps
// the results per shape (SgModifiersCache) so that an unchanged stack costs no
// modifier run on the next traversal.
#include "utilities/math/Transform3.h"
#include "engine/core/NodaraExport.h"

class SgAction;
class SgModifier;
class SgShape;

struct NODARA_API SgModifierStackEntry {
    SgModifier *modifier = nullptr; // not owned
    Transform3 transform;           // identity unless given
};

class NODARA_API SgModifierStack {
public:
    // Modifier nodes and the solid library rely on this many; a push past it
    // is refused.
    static constexpr int kMaxModifiers = 16;
    // The report manager's package of the modifier stack; -1 until start-up
    // registers it.
    static int s_iReportPackage;
    static void RegisterReportPackage();

    SgModifierStack() = default;
    SgModifierStack(const SgModifierStack &other) = default;
    SgModifierStack &operator=(const SgModifierStack &other) = default;
    virtual ~SgModifierStack() = default;

    // Appends the modifier (with the identity placement, or a copy of the
    // given one). A full stack refuses with a diagnostic and returns false.
    bool Push(SgModifier *m);
    bool Push(SgModifier *m, const Transform3 &t);

    // Entry i in push order (0 pushed first); an index outside 0..size()-1
    // throws SgInvalidArgument.
    SgModifier *getModifier(int i) const;
    Transform3 &getTransform(int i);
    const Transform3 &getTransform(int i) const;
    int size() const { return m_nCount; }

    bool Disabled() const { return m_bDisabled; }
    void SetDisable(bool disabled) { m_bDisabled = disabled; }

    // Removes every entry for which drop(modifier, data) holds, keeping the
    // order of the others.
    void FilterOut(bool (*drop)(SgModifier *, void *), void *data);

    // The shape to use in place of `shape` under this stack: the input itself
    // when no modifier acts, otherwise the last modifier's result (owned by
    // the shape's result record). Results of the previous run are reused as
    // long as the same modifiers, unchanged, come in the same order. The
    // stack itself is left as it is: each modifier gets its own copy of its
    // placement. An empty stack answers the input with any points that an
    // earlier run hung on it taken off (kept in its record for that run's
    // stack), so that a shape used both under and outside a modifier shows
    // its own points outside.
    SgShape *Process(SgAction *action, SgShape *shape) const;

    // For an action's shape visitor: runs the stack in force (unless
    // disabled) over the shape. True when the modifiers made another
    // shape, which has then been traversed in its place with the stack
    // disabled; false when the shape stands, with any moved points hung on
    // it.
    static bool TraverseModified(SgAction *action, SgShape *shape);

    // Called on the final shape of a run that changed anything; the solid
    // library installs it at its start-up.
    static SgShape *(*m_procLastDeformed)(SgShape *);

private:
    int m_nCount = 0;
    SgModifierStackEntry m_entries[kMaxModifiers];
    bool m_bDisabled = false;
};
