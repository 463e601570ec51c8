#pragma once
// What the modifier stack produced for one shape on its last run: one record
// per active modifier in the order they were applied. The shape owns it and
// frees it when it dies.
//
// Ownership: a result that differs from the modifier's input is a new shape
// the record holds; a deformed-points array that a modifier hung on its
// result (allocated with new[]) belongs to the first record that saw it,
// which frees it when dropped.
#include "engine/core/SgModifierStack.h"
#include "engine/core/SgRef.h"
#include "utilities/math/Mat4.h"
#include "utilities/math/Vec3.h"
#include "engine/core/NodaraExport.h"

class NODARA_API SgModifiersCache {
public:
    static constexpr int kMaxRecords = SgModifierStack::kMaxModifiers;

    struct Record {
        SgModifier *modifier = nullptr; // compared by identity only, never followed
        unsigned long serial = 0;       // the modifier's change serial when it ran
        // What else the modifier read: its own placement and the shape's
        // (whatever transforms lie between the two).
        Mat4 placement;
        Mat4 model;
        SgShape *result = nullptr;
        Vec3 *deformedPoints = nullptr; // the result's points right after the run
        SgRef<SgShape> owned;           // result, when it is a new shape of this record
        bool ownsPoints = false;        // deformedPoints is freed with this record
    };

    SgModifiersCache() = default;
    SgModifiersCache(const SgModifiersCache &) = delete;
    SgModifiersCache &operator=(const SgModifiersCache &) = delete;
    ~SgModifiersCache() { Truncate(0); }

    int GetCount() const { return m_nCount; }
    // Throws SgInvalidArgument outside 0..GetCount()-1.
    const Record &GetRecord(int i) const;

    // Whether record i was made by this very modifier in its current version,
    // placed as now and acting on a shape placed as now.
    bool Holds(int i, const SgModifier *modifier, const Mat4 &placement, const Mat4 &model) const;
    // Takes record i's result again: its deformed points are hung back on it.
    SgShape *Reuse(int i);
    // Records a run of `modifier` that turned `input` into `result` as record
    // i, dropping any record from i on first. i may not exceed the count.
    void Store(int i, SgModifier *modifier, SgShape *input, SgShape *result, const Mat4 &placement,
               const Mat4 &model);
    // Drops records n and beyond: their points and new shapes are freed and no
    // shape that stays keeps a pointer to freed points.
    void Truncate(int n);

private:
    Record m_records[kMaxRecords];
    int m_nCount = 0;
};
