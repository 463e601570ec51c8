#include "engine/core/SgCache.h"

#include <string>

#include "engine/core/SgAction.h"
#include "engine/core/SgElement.h"
#include "engine/core/SgNode.h"
#include "engine/core/SgState.h"
#include "platform/SgError.h"

SgCache::~SgCache() = default;

void SgCache::ClearRecorded()
{
    m_recorded.clear();
    m_bValid = false;
}

const SgElement *SgCache::GetRecorded(int i) const
{
    if (i < 0 || i >= GetRecordedCount())
        throw SgInvalidArgument("SgCache: no recorded element " + std::to_string(i));
    return m_recorded[i].get();
}

void SgCache::BuildCacheContext(SgState *state)
{
    ClearRecorded();
    SgAction *owner = state ? state->GetOwner() : nullptr;
    const int n = owner ? owner->GetEnabledElementCount() : 0;
    const int depth = state ? state->GetDepth() : 0;
    for (int i = 0; i < n; ++i) {
        SgElement *e = state->GetElement(owner->GetEnabledElement(i));
        if (!e || !e->IsRead())
            continue;
        // Read below this level: the result depends on it. Read at or above
        // it: whoever caches the enclosing result records it instead.
        if (depth < e->GetReadDepth()) {
            if (SgElement *copy = e->CreateMatchedInfo())
                m_recorded.emplace_back(copy);
        }
        // An element this level owns is consumed here; an enclosing cache
        // learns of it through ExtendStateContext when the result is reused.
        if (e->GetDepth() == depth) {
            e->MarkRead(depth);
            e->ClearRead();
        }
    }
    SetValid(true);
}

bool SgCache::CompareContext(SgState *state)
{
    if (!state)
        return false;
    for (const std::unique_ptr<SgElement> &copy : m_recorded) {
        SgElement *e = state->GetElement(copy->GetOffset());
        if (e && !copy->Matches(e))
            return false;
    }
    SetValid(true);
    return true;
}

void SgCache::ExtendStateContext(SgState *state)
{
    if (!state)
        return;
    const int depth = state->GetDepth();
    for (const std::unique_ptr<SgElement> &copy : m_recorded) {
        if (SgElement *e = state->GetElement(copy->GetOffset()))
            e->MarkRead(depth);
    }
}

bool SgCache::ClearCache()
{
    DestroyCache();
    return m_bKeep;
}

void SgCache::SetValid(bool valid)
{
    m_bValid = valid;
    if (valid)
        SgNode::StartNoticePeriod();
}
