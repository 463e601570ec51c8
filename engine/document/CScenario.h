#pragma once
// Key frames of node fields: a scenario holds one track per animated field,
// a track an ordered list of keys (time, value), and playback sets each field
// to the value interpolated between the keys around the time played.
//
// A track keeps the node (or other container) that owns its field alive with
// a reference, so no track ever names a field whose node was freed; the
// animation manager's own trajectory field is the one exception (the manager
// owns the scenario). Keys are strictly ascending in time.
#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <vector>

#include "engine/core/SgRef.h"
#include "engine/core/NodaraExport.h"

class SgDocument;
class SgField;
class SgFieldMngr;
class SgNode;
class Vrml1InStream;
class Vrml1Stream;
class SgSaveAction;

// One key: a copy of the field's value (a field of the animated field's class
// that belongs to no container) and its time.
class NODARA_API CRecordItem {
public:
    CRecordItem(std::unique_ptr<SgField> value, double time);
    CRecordItem(const CRecordItem &) = delete;
    CRecordItem &operator=(const CRecordItem &) = delete;
    virtual ~CRecordItem();

    SgField *GetValue() const { return m_pValue.get(); }
    double GetTime() const { return m_dTime; }

private:
    std::unique_ptr<SgField> m_pValue;
    double m_dTime;
};

class NODARA_API CAnimationTrack {
public:
    // Keys by time; a time finds its key without a walk over the others.
    // Each comparison is counted in the track, which is how a test sees that
    // a long track is read without a walk per key.
    struct KeyOrder {
        using is_transparent = void;
        std::uint64_t *comparisons = nullptr;
        double TimeOf(const std::unique_ptr<CRecordItem> &key) const
        {
            if (comparisons)
                ++*comparisons;
            return key->GetTime();
        }
        bool operator()(const std::unique_ptr<CRecordItem> &a, const std::unique_ptr<CRecordItem> &b) const
        {
            return TimeOf(a) < b->GetTime();
        }
        bool operator()(const std::unique_ptr<CRecordItem> &a, double time) const { return TimeOf(a) < time; }
        bool operator()(double time, const std::unique_ptr<CRecordItem> &b) const { return time < TimeOf(b); }
    };
    using Keys = std::set<std::unique_ptr<CRecordItem>, KeyOrder>;

    // `keepOwner` false: the field's container outlives the track by itself.
    CAnimationTrack(SgField *field, bool keepOwner);
    CAnimationTrack(const CAnimationTrack &) = delete;
    CAnimationTrack &operator=(const CAnimationTrack &) = delete;
    virtual ~CAnimationTrack();

    SgField *GetField() const { return m_pField; }
    const Keys &GetKeys() const { return m_keys; }
    int GetKeyCount() const { return static_cast<int>(m_keys.size()); }
    // The key comparisons made so far by searches and inserts.
    std::uint64_t GetKeyComparisons() const { return m_keyComparisons; }

    // Adds a key holding the field's current value at `time` (see the
    // scenario's AddRecordItem). True when a key was added or replaced.
    // Without `force`, a key that adds nothing (the last value repeated, or
    // a value on the straight line between its neighbours) is left out.
    bool AddKey(double time, bool force);
    // A copy of the key's value at exactly `time`; null without one.
    std::unique_ptr<SgField> CopyKey(double time) const;
    // Puts a copy of `value` as the key at `time`, in place of one there;
    // null takes the key at `time` out.
    void PutKey(double time, SgField *value);
    // Sets the field to its value at `time`; a time outside the keys, or a
    // track of fewer than two keys, leaves it alone.
    void Play(double time);
    // The field's value at `time` into `out` (a field of the same class),
    // when two keys enclose that time; false otherwise.
    bool ValueAt(double time, SgField *out) const;

    double m_dParam0 = 1.0;
    double m_dParam1 = 1.0;

private:
    // A copy of the field's current value; null when the field class cannot
    // be made.
    static std::unique_ptr<SgField> CopyValue(SgField &field);
    // a + s (b - a) into `out`; false when the field class refuses the blend
    // (arrays of different sizes).
    static bool Blend(const CRecordItem &a, const CRecordItem &b, double time, SgField *out);

    SgField *m_pField;
    SgRef<SgFieldMngr> m_owner;
    std::uint64_t m_keyComparisons = 0;
    Keys m_keys{KeyOrder{&m_keyComparisons}};
};

class NODARA_API CScenario {
public:
    // Key-time searches start over from these when they run past the end.
    static constexpr double kFirstRestart = -1000.0;
    static constexpr double kLastRestart = 1000.0;
    static constexpr double kNoKey = 1e38;

    // `owner`: the container whose fields the scenario never holds a
    // reference on (the animation manager that owns it); may be null.
    explicit CScenario(SgFieldMngr *owner = nullptr) : m_pOwner(owner) {}
    CScenario(const CScenario &) = delete;
    CScenario &operator=(const CScenario &) = delete;
    virtual ~CScenario();

    // Adds a key with the field's current value at `time` to the field's
    // track (made on the first key). Once the track holds two keys the
    // field's container is marked connected, so the writer names it.
    // A key added or replaced is one undo record of the undo document (see
    // SetUndoDocument) while that records: undone, the key before it (or
    // none), the track's absence and the node's mark come back.
    void AddRecordItem(SgField *field, double time, bool force);
    // Where key changes are recorded: the document the function answers when
    // a key changes (none: not recorded). Recording needs a counted owner,
    // which the records keep alive with the scenario.
    void SetUndoDocument(std::function<SgDocument *()> document) { m_undoDocument = std::move(document); }
    int FindTrack(const SgField *field) const;
    // An index outside the tracks raises SgInvalidArgument.
    CAnimationTrack *GetTrack(int index) const;
    int GetTracksCount() const { return static_cast<int>(m_tracks.size()); }
    // Deletes the tracks from 1 (`keepFirst`) or from 0 on.
    void Clear(bool keepFirst);
    // The nearest key time after (direction 1) or before (any other) `t`
    // over all tracks, continuing at the other end past the last or first key.
    double GetFrameTime(double t, int direction) const;
    void Play(double t);
    // Records every field of the node and of every node below it that no
    // dataflow source drives.
    void Record(double t, SgNode *node);
    double GetCurrentKFTime() const { return m_dCurrentKFTime; }
    void SetCurrentKFTime(double t) { m_dCurrentKFTime = t; }

    // The "Scenario" block. Writes nothing while there is only the first
    // track. A track whose container the save action did not write is left
    // out: a reader could not resolve it, and would stop at it.
    void Write(SgSaveAction &action);
    // Reads the block after the word "Scenario"; `owner` answers for the
    // trajectory track. Stops at a track naming an unknown node or field (the
    // rest of the block is skipped with a message) and at the end of the text.
    void Read(Vrml1InStream &stream, SgFieldMngr *owner);

private:
    // `field`'s key at `time` becomes a copy of `value`, or goes when it is
    // null; a track left without keys goes with it. Records nothing.
    void PutKey(SgField *field, double time, SgField *value);
    void RecordKeyChange(SgField *field, double time, std::shared_ptr<SgField> before, bool marked);

    SgFieldMngr *m_pOwner;
    std::function<SgDocument *()> m_undoDocument;
    std::vector<std::unique_ptr<CAnimationTrack>> m_tracks;
    double m_dCurrentKFTime = 0.0;
};
