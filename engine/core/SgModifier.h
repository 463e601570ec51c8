#pragma once
// Base of the nodes that change the geometry of the shapes after them. A
// modifier changes nothing when traversed; it joins the modifier stack of the
// traversal state, and each shape passes itself through that stack
// (SgModifierStack::Process), which calls ApplyModifier. SgControlModifier
// edits the stack in force instead of joining it.
#include "engine/core/SgNode.h"
#include "engine/core/SgRef.h"
#include "engine/core/SgTField.h"
#include "utilities/math/Vec3f.h"
#include "engine/core/NodaraExport.h"

class SgAction;
class SgSeparator;
class SgShape;
class Transform3;

class NODARA_API SgModifier : public SgNode {
    SG_CLASS_HEADER(SgModifier, SgFieldMngr)

    SgModifier();

    // Appends this modifier, placed by the current transform, behind the
    // modifiers already in force; "active" is brought up to date here but
    // only tested when a shape processes the stack.
    void DoAction(SgAction *action) override;
    bool AffectsState() const override { return true; }
    bool IsModifier() const override { return true; }
    bool IsPropertyNode() const override { return true; }

    // The shape that this modifier makes of `input` under the placement
    // `transform`: a new shape (then owned by the caller's result record),
    // or `input` itself after hanging moved points on it (SetPointCache, an
    // array allocated with new[] that the record takes over; never free or
    // overwrite in place an array already hung on a shape). `last` tells the
    // final modifier of a run. The base makes nothing and returns null,
    // which the stack takes as "input unchanged".
    virtual SgShape *ApplyModifier(SgAction *action, SgShape *input, Transform3 *transform, bool last);
    // Called by the scene reader once the modifier's block has been read.
    virtual void BuildGizmo() {}
    virtual bool IsDeformModifier() const { return false; }
    virtual bool IsObjSpaceModifier() const { return false; }
    // Moves the modifier into a gizmo group of its own inside `object`;
    // the group, or null when the modifier has no gizmo.
    virtual SgNode *AddGizmo(SgNode *) { return nullptr; }

    // The "active" value, pulled through its dataflow module when one is
    // attached: whether the modifier takes part when a stack is processed.
    bool IsActive() const { return m_active.Get(true) != 0; }

    // Three factors that derived modifiers give their own meaning; (1, 1, 1)
    // leaves a gizmo at its natural size.
    const Vec3f &GetFactors() const { return m_vFactors; }
    void SetFactors(const Vec3f &factors) { m_vFactors = factors; }

    // The separator that holds the modifier's gizmo geometry; it lives as
    // long as the modifier and is never part of the scene graph itself.
    SgSeparator *GetGizmoGroup() const { return m_gizmoGroup.get(); }

    SgFInt m_active;

protected:
    ~SgModifier() override;

private:
    Vec3f m_vFactors{1.0f, 1.0f, 1.0f};
    SgRef<SgSeparator> m_gizmoGroup;
};

// A modifier that edits the stack in force rather than joining it: "action"
// 1 clears it, so the modifiers above act on nothing after this node; 2 keeps
// only the entries of the modifier that "refNode" holds.
class NODARA_API SgControlModifier : public SgModifier {
    SG_CLASS_HEADER(SgControlModifier, SgFieldMngr)

    enum Action { kClearStack = 1, kKeepReferenced = 2 };

    SgControlModifier();

    // Only when "active" is not 0; any other "action" leaves the stack alone.
    void DoAction(SgAction *action) override;

    SgFInt m_action;
    // Holds its node by reference; the reference goes with the field.
    SgFNodePtr m_refNode;

protected:
    ~SgControlModifier() override = default;
};
