#include "engine/core/SgModifierStack.h"

#include <string>

#include "engine/core/SgAction.h"
#include "engine/core/SgElementClasses.h"
#include "engine/core/SgModifierStackDisabler.h"
#include "engine/core/SgModifiersCache.h"
#include "engine/core/SgShape.h"
#include "engine/core/SgModifier.h"
#include "platform/SgDiagnostics.h"
#include "platform/SgError.h"
#include "utilities/log/ReportMngr.h"

SgShape *(*SgModifierStack::m_procLastDeformed)(SgShape *) = nullptr;

namespace {
void CheckEntryIndex(int i, int count)
{
    if (i < 0 || i >= count)
        throw SgInvalidArgument("SgModifierStack: no entry " + std::to_string(i) + " of " +
                                std::to_string(count));
}
} // namespace

bool SgModifierStack::Push(SgModifier *m)
{
    return Push(m, Transform3());
}

bool SgModifierStack::Push(SgModifier *m, const Transform3 &t)
{
    if (m_nCount >= kMaxModifiers) {
        SgDiagError("Modifiers", "SgModifierStack::Push: modifier %s refused, at most %d modifiers act on a shape",
                    m && !m->GetName().empty() ? m->GetName().c_str() : "(unnamed)", kMaxModifiers);
        return false;
    }
    m_entries[m_nCount].modifier = m;
    m_entries[m_nCount].transform = t;
    ++m_nCount;
    return true;
}

SgModifier *SgModifierStack::getModifier(int i) const
{
    CheckEntryIndex(i, m_nCount);
    return m_entries[i].modifier;
}

Transform3 &SgModifierStack::getTransform(int i)
{
    CheckEntryIndex(i, m_nCount);
    return m_entries[i].transform;
}

const Transform3 &SgModifierStack::getTransform(int i) const
{
    CheckEntryIndex(i, m_nCount);
    return m_entries[i].transform;
}

void SgModifierStack::FilterOut(bool (*drop)(SgModifier *, void *), void *data)
{
    if (!drop)
        return;
    int kept = 0;
    for (int i = 0; i < m_nCount; ++i) {
        if (drop(m_entries[i].modifier, data))
            continue;
        if (kept != i)
            m_entries[kept] = m_entries[i];
        ++kept;
    }
    for (int i = kept; i < m_nCount; ++i)
        m_entries[i] = SgModifierStackEntry();
    m_nCount = kept;
}

SgShape *SgModifierStack::Process(SgAction *action, SgShape *shape) const
{
    if (!shape || m_bDisabled)
        return shape;
    if (m_nCount == 0) {
        // The points that a deformer hung on this shape belong to the stack
        // it met last; where no modifier acts (the same shape used outside
        // the modifier's reach) the shape's own points count. The record
        // keeps them, and Reuse hangs them back when that stack returns.
        const SgModifiersCache *record = shape->GetModifierCache();
        if (record && record->GetCount() > 0)
            shape->SetPointCache(nullptr);
        return shape;
    }

    SgModifiersCache *record = shape->GetModifierCache();
    if (!record) {
        record = new SgModifiersCache;
        shape->SetModifierCache(record);
    }

    // The entry pushed first acts last. Reading "active" once per entry up
    // front also tells which active modifier will be the final one, so that
    // it learns so even when the first-pushed entry sits the run out.
    bool active[kMaxModifiers];
    int finalIndex = -1;
    for (int index = m_nCount - 1; index >= 0; --index) {
        SgModifier *m = m_entries[index].modifier;
        active[index] = m && m->IsActive();
        if (active[index])
            finalIndex = index;
    }

    // The shape's placement: modifiers that work in their own frame read it,
    // so a result made under another placement is not this one.
    SgState *state = action ? action->GetState() : nullptr;
    const Mat4 model = state ? TransformElement::Get(state) : Mat4();
    SgShape *current = shape;
    int r = 0;
    bool invalidated = false;
    int applied = 0;
    for (int index = m_nCount - 1; index >= 0; --index) {
        if (!active[index])
            continue;
        const SgModifierStackEntry &entry = m_entries[index];
        SgModifier *m = entry.modifier;
        if (!invalidated && r < record->GetCount()) {
            if (record->Holds(r, m, entry.transform.GetMatrix(), model)) {
                current = record->Reuse(r);
                ++r;
                continue;
            }
            // From the first difference on, every result is made afresh.
            record->Truncate(r);
            invalidated = true;
        }
        Transform3 placement = entry.transform;
        SgShape *result = m->ApplyModifier(action, current, &placement, index == finalIndex);
        if (!result)
            result = current;
        record->Store(r, m, current, result, entry.transform.GetMatrix(), model);
        ++applied;
        current = result;
        ++r;
    }

    bool dropped = false;
    if (r < record->GetCount()) {
        record->Truncate(r);
        dropped = true;
    }
    if (r == 0) {
        shape->SetPointCache(nullptr);
        return shape;
    }
    if (applied > 0 || invalidated || dropped) {
        current->SetPointCache(record->GetRecord(r - 1).deformedPoints);
        if (m_procLastDeformed)
            m_procLastDeformed(current);
    }
    return current;
}

bool SgModifierStack::TraverseModified(SgAction *action, SgShape *shape)
{
    if (!action || !shape)
        return false;
    SgState *state = action->GetState();
    // A copy: a modifier that traverses while it runs may change the element.
    const SgModifierStack stack = ModifierStackElement::Get(state);
    if (stack.Disabled())
        return false;
    SgShape *modified = stack.Process(action, shape);
    if (!modified || modified == shape)
        return false;
    SgModifierStackDisabler disabled(state);
    action->Traverse(modified);
    return true;
}

int SgModifierStack::s_iReportPackage = -1;

void SgModifierStack::RegisterReportPackage()
{
    if (ReportMngr *manager = ReportMngr::getInstance())
        s_iReportPackage = manager->AddPackage("ModifierStack");
}
