#include "engine/core/SgModifiersCache.h"

#include <string>

#include "engine/core/SgShape.h"
#include "engine/core/SgModifier.h"
#include "platform/SgError.h"

namespace {
void CheckRecordIndex(int i, int count)
{
    if (i < 0 || i >= count)
        throw SgInvalidArgument("SgModifiersCache: no record " + std::to_string(i));
}
} // namespace

const SgModifiersCache::Record &SgModifiersCache::GetRecord(int i) const
{
    CheckRecordIndex(i, m_nCount);
    return m_records[i];
}

bool SgModifiersCache::Holds(int i, const SgModifier *modifier, const Mat4 &placement, const Mat4 &model) const
{
    if (i < 0 || i >= m_nCount || !modifier)
        return false;
    // A deleted modifier's address may come back for a new node, but the new
    // node never has the old serial: serials only grow.
    const Record &record = m_records[i];
    return record.modifier == modifier && record.serial == modifier->GetNodeID() && record.placement == placement &&
           record.model == model;
}

SgShape *SgModifiersCache::Reuse(int i)
{
    CheckRecordIndex(i, m_nCount);
    Record &record = m_records[i];
    if (record.result)
        record.result->SetPointCache(record.deformedPoints);
    return record.result;
}

void SgModifiersCache::Store(int i, SgModifier *modifier, SgShape *input, SgShape *result, const Mat4 &placement,
                             const Mat4 &model)
{
    if (i < 0 || i > m_nCount || i >= kMaxRecords)
        throw SgInvalidArgument("SgModifiersCache: cannot store record " + std::to_string(i));
    Truncate(i);
    Record &record = m_records[i];
    record.modifier = modifier;
    record.serial = modifier ? modifier->GetNodeID() : 0;
    record.placement = placement;
    record.model = model;
    record.result = result;
    record.owned = result != input ? result : nullptr;
    record.deformedPoints = result ? result->GetPointCache() : nullptr;
    // A modifier that leaves the points alone passes on the array an earlier
    // record already owns; it must be freed once only.
    record.ownsPoints = record.deformedPoints != nullptr;
    for (int k = 0; k < i && record.ownsPoints; ++k) {
        if (m_records[k].deformedPoints == record.deformedPoints)
            record.ownsPoints = false;
    }
    m_nCount = i + 1;
}

void SgModifiersCache::Truncate(int n)
{
    if (n < 0)
        n = 0;
    if (n >= m_nCount)
        return;
    SgShape *kept = n > 0 ? m_records[n - 1].result : nullptr;
    // Last first: a later record's result may be a shape that an earlier
    // dropped record owns, so it must still be alive when it is reached.
    for (int j = m_nCount - 1; j >= n; --j) {
        Record &record = m_records[j];
        if (record.ownsPoints)
            delete[] record.deformedPoints;
        if (!record.owned && record.result && record.result != kept)
            record.result->SetPointCache(nullptr);
        record = Record();
    }
    m_nCount = n;
    // The kept result may still point at points just freed.
    if (kept)
        kept->SetPointCache(m_records[n - 1].deformedPoints);
}
