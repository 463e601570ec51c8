#pragma once
// A result computed during a traversal (a procedural shape's mesh, a display
// list, a box), kept together with the state elements it depended on so that
// a later traversal can tell whether it still holds.
//
// Only elements read inside the subtree whose result is cached are recorded,
// as heap copies (SgElement::CreateMatchedInfo) that the cache owns; a cache
// matches while each copy still matches the state's current element of its
// slot.
#include <memory>
#include <vector>
#include "engine/core/NodaraExport.h"

class SgElement;
class SgState;

class NODARA_API SgCache {
public:
    SgCache() = default;
    SgCache(const SgCache &) = delete;
    SgCache &operator=(const SgCache &) = delete;
    virtual ~SgCache();

    // Releases the cached result.
    virtual void DestroyCache() = 0;

    // Records the dependencies of a result just computed under `state` and
    // marks the cache valid.
    void BuildCacheContext(SgState *state);
    // True (and valid again) when every recorded copy matches the state's
    // current element of its slot; a slot the state lacks counts as matching.
    bool CompareContext(SgState *state);
    // Marks every recorded element read at the state's depth, so that an
    // enclosing cache being built inherits these dependencies when this
    // cache's result is reused.
    void ExtendStateContext(SgState *state);
    // Releases the result; returns the keep flag (whether the caller keeps
    // this cache object rather than deleting it).
    bool ClearCache();

    bool IsValid() const { return m_bValid; }
    // A cache made valid is newer than every change notice so far
    // (SgNode::StartNoticePeriod): the next notice clears it.
    void SetValid(bool valid);
    bool GetKeep() const { return m_bKeep; }
    void SetKeep(bool keep) { m_bKeep = keep; }

    int GetRecordedCount() const { return static_cast<int>(m_recorded.size()); }
    const SgElement *GetRecorded(int i) const;
    // Forgets every recorded element; the cache is then not valid.
    void ClearRecorded();

private:
    bool m_bValid = false;
    bool m_bKeep = false;
    std::vector<std::unique_ptr<SgElement>> m_recorded;
};
