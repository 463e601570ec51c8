#include "engine/actions/PickedPointQuery.h"

#include "engine/actions/SgSelectionHandlerInterface.h"

bool PickedPointQueryClassID::Accept(SgPickedPoint &hit)
{
    const SgPath &path = hit.m_Path;
    return !path.IsEmpty() && path.GetNodes().back() && path.GetNodes().back()->IsDerivedFrom(m_iClassID);
}

bool PickedPointQueryShape::Accept(SgPickedPoint &hit)
{
    return !hit.m_Path.IsEmpty() && hit.m_Path.GetNodes().back() == m_pShape;
}

bool PickedPointQueryName::Accept(SgPickedPoint &hit)
{
    for (SgNode *node : hit.m_Path.GetNodes()) {
        if (node && node->GetName() == m_name)
            return true;
    }
    return false;
}

bool PickedPointQueryObjName::Accept(SgPickedPoint &hit)
{
    SgPath path = hit.m_Path;
    path.CutToObject(0, true, false);
    return !path.IsEmpty() && path.GetNodes().back() && path.GetNodes().back()->GetName() == m_name;
}

bool PickedPointQuerySelectable::Accept(SgPickedPoint &hit)
{
    return m_pHandler && m_pHandler->IsSelectable(hit.m_Path);
}

bool PickedPointQueryCompose::Accept(SgPickedPoint &hit)
{
    if (!m_pFirst || !m_pSecond)
        return false;
    const bool a = m_pFirst->Accept(hit);
    const bool b = m_pSecond->Accept(hit);
    switch (m_nMode) {
    case kAnd:
        return a && b;
    case kOr:
        return a || b;
    case kNotBoth:
        return !(a && b);
    case kNeither:
        return !a && !b;
    default:
        return false;
    }
}
