#include "engine/core/SgElement.h"

#include "engine/core/SgNode.h"

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

SgElement *SgElement::WritableElement(SgState *state, int slot, SgNode *node, MakeFunc make, bool makeMissing)
{
    SgElement *e = state->GetElement(slot);
    const int depth = state->GetDepth();
    if (!e) {
        // A class the action does not enable has no element; for most classes
        // a write to it is still kept, for a few it is seen by nobody.
        if (!makeMissing)
            return nullptr;
        e = make(state, nullptr);
        e->SetDepth(depth);
        state->SetElement(e);
    }
    if (e->IsLocked())
        return nullptr;
    if (e->GetDepth() < depth) {
        SgElement *copy = make(state, e);
        copy->SetDepth(depth);
        state->SetElement(copy);
        e->Shadowed(copy);
        e = copy;
    }
    if (node && node->IsOveride())
        e->Lock();
    return e;
}
