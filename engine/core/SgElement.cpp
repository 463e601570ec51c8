#include "engine/core/SgElement.h"

int SgElement::s_iClassID = 0;
const char *const SgElement::s_lpszClassName = "SgElement";
int SgReplacedElement::s_iClassID = 0;
const char *const SgReplacedElement::s_lpszClassName = "SgReplacedElement";
int SgAcumulatedElement::s_iClassID = 0;
const char *const SgAcumulatedElement::s_lpszClassName = "SgAcumulatedElement";

SgElement::Family_t &SgElement::Family()
{
    static Family_t family("SgElement", GetBase(), kMaxClasses);
    return family;
}

int SgElement::AssignClassID()
{
    if (!s_iClassID)
        s_iClassID = Family().TakeID();
    return s_iClassID;
}

void SgElement::InitClass()
{
    RegisterClass(AssignClassID(), AssignClassID(), s_lpszClassName, nullptr);
}

void SgElement::RegisterClass(int id, int parentId, const char *name, SgElement *(*creator)())
{
    if (!id)
        return;
    Family().Register(id, name, creator);
    Family().UpdateInhList(id - GetBase(), parentId ? parentId - GetBase() : id - GetBase());
}

int SgReplacedElement::AssignClassID()
{
    if (!s_iClassID)
        s_iClassID = Family().TakeID();
    return s_iClassID;
}

void SgReplacedElement::InitClass()
{
    RegisterClass(AssignClassID(), SgElement::AssignClassID(), s_lpszClassName, nullptr);
}

bool SgReplacedElement::Matches(SgElement *current)
{
    if (!current || current->GetClassID() != GetClassID())
        return false;
    return static_cast<SgReplacedElement *>(current)->m_setterId == m_setterId;
}

int SgAcumulatedElement::AssignClassID()
{
    if (!s_iClassID)
        s_iClassID = Family().TakeID();
    return s_iClassID;
}

void SgAcumulatedElement::InitClass()
{
    RegisterClass(AssignClassID(), SgElement::AssignClassID(), s_lpszClassName, nullptr);
}

bool SgAcumulatedElement::Matches(SgElement *current)
{
    if (!current || current->GetClassID() != GetClassID())
        return false;
    return static_cast<SgAcumulatedElement *>(current)->m_context.Compare(m_context);
}
