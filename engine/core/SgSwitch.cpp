#include "engine/core/SgSwitch.h"

#include "engine/core/SgAction.h"

SG_CLASS_SOURCE(SgSwitch, SgGroup, SgFieldMngr, "SgSwitch")

SgSwitch::SgSwitch()
{
    AddField(m_whichChild, "whichChild", 0);
}

void SgSwitch::DoAction(SgAction *action)
{
    const int which = m_whichChild.Get(true);
    if (which == kAllChildren) {
        SgGroup::DoAction(action);
        return;
    }
    if (which < 0 || which >= GetOwnChildCount())
        return;
    SgNode *stop = action->GetStopNode(this);
    const int saved = action->m_nPathCode;
    const int code = action->GetPathCode();
    SgNode *child = GetChildList()[which];
    SgTraversalHold hold(child);
    action->m_CurrentPath.Append(child);
    const bool offTarget = code == SgAction::kOffTarget && !child->AffectsState();
    if (!offTarget && (!stop || stop == child))
        action->Traverse(child);
    action->m_CurrentPath.DeleteLast();
    action->m_nPathCode = saved;
}
