#include "engine/nodes/character/SgCharAnim.h"

#include "engine/core/SgAction.h"
#include "engine/core/SgElementClasses.h"
#include "engine/nodes/object/SgObject.h"
#include "platform/SgDiagnostics.h"

SG_CLASS_SOURCE(SgCharAnim, SgModifier, SgFieldMngr, "SgCharAnim")

SgCharAnim::SgCharAnim()
{
    AddField(m_skeleton, "skeleton");
}

void SgCharAnim::DoAction(SgAction *action)
{
    SgState *state = action ? action->GetState() : nullptr;
    if (!state)
        return;
    CharAnimControlElement::Set(state, this, &m_control);
    SgNode *node = m_skeleton.Get(true).get();
    auto *skeleton = dynamic_cast<SgObject *>(node);
    const Fault fault = skeleton ? kNoFault : (node ? kNotAnObject : kNoSkeleton);
    if (fault != kNoFault && fault != m_toldFault && IsActive()) {
        const std::string &name = GetName();
        if (fault == kNoSkeleton)
            SgDiagWarning("CharAnim", "%s%s has no skeleton; the skin is drawn as modelled", GetClassName(),
                          name.empty() ? "" : (" " + name).c_str());
        else
            SgDiagWarning("CharAnim", "%s%s: the skeleton %s is a %s, not an object; the skin is drawn as modelled",
                          GetClassName(), name.empty() ? "" : (" " + name).c_str(), node->GetName().c_str(),
                          node->GetClassName());
    }
    if (IsActive() || fault == kNoFault)
        m_toldFault = fault;
    m_control.SetSkeleton(skeleton);
    SkinModeElement::Set(state, this, IsActive() ? 0 : 1);
}
