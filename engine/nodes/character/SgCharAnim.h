#pragma once
// The modifier on a skin object that carries its binding to a skeleton: its
// traversal puts the controller into the traversal state, where the face-set
// drawing finds it and asks for the deformed points.
#include "engine/core/SgModifier.h"
#include "engine/nodes/character/CharAnimControl.h"
#include "engine/core/NodaraExport.h"

class NODARA_API SgCharAnim : public SgModifier {
    SG_CLASS_HEADER(SgCharAnim, SgFieldMngr)

    SgCharAnim();

    // Sets the controller element to this node's controller, hands it the
    // "skeleton" object and sets the skin-mode element (1 when "active" is
    // 0: the skin is drawn undeformed).
    void DoAction(SgAction *action) override;

    CharAnimControl &GetControl() { return m_control; }

    SgFNodePtr m_skeleton;

protected:
    ~SgCharAnim() override = default;

private:
    // Why the skin is left as modelled (a skeleton that is missing or not an
    // object), told once per cause until the skeleton is right again.
    enum Fault { kNoFault = 0, kNoSkeleton, kNotAnObject };
    Fault m_toldFault = kNoFault;
    CharAnimControl m_control;
};
