#pragma once
// The field that holds an ordered array of values of type T; N is its field
// type id. Elements compare, blend, read and write exactly as the single-value
// field of the same type does. Every edit that is not quiet is one change: at
// most one undo record, one notice to the container, and one invalidation of
// everything downstream of the field's dataflow module. The record of an edit
// of some elements (set, insert, append, delete) holds those elements before
// and after; that of a change of the whole array (set all, read, empty, an
// edit bracket) holds the whole array before and after.
//
// Text form: "[" elements separated by " , " "]"; strings and image paths are
// quoted. Reading accepts optional separators, "#" comments up to the line
// end, any number of lines, and a bare value as a one-element array. A read
// that fails (bad element, missing "]", unclosed quote) leaves the field as it
// was and the stream in its error state.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <istream>
#include <iterator>
#include <memory>
#include <ostream>
#include <string>
#include <type_traits>
#include <vector>

#include "engine/core/DxModule.h"
#include "engine/core/SgFieldChange.h"
#include "engine/core/SgFieldMngr.h"
#include "engine/core/SgFieldValue.h"
#include "engine/core/SgGenVecField.h"
#include "engine/core/SgNode.h"
#include "engine/core/SgSceneText.h"
#include "platform/SgDiagnostics.h"
#include "platform/SgError.h"
#include "utilities/math/NumberText.h"
#include "engine/core/NodaraExport.h"

namespace SgVecFieldText {
// A null function reference inside an array: a word that names no function
// class, so it reads back as a null element instead of vanishing.
inline constexpr const char *kNullFunctionWord = "NULL";
// Function class names are short identifiers; a longer word is no name.
constexpr int kMaxFunctionWord = 255;

// Reads a function class name: it ends at a blank or at the list's own
// punctuation, so "[SinFunc , SinFunc]" and "[SinFunc,SinFunc]" both hold two.
NODARA_API bool ReadFunctionWord(std::istream &in, std::string &word);
// A function reference by its class name, or NULL for none.
NODARA_API bool ReadFunctionElement(std::istream &in, CountPtr<R1Func> &value);
NODARA_API bool ReadFunctionElement(std::istream &in, CountPtr<R2Func> &value);
// Why an element cannot stand in the array text; null when it can.
NODARA_API const char *Unwritable(const std::string &text, size_t maxLength);
} // namespace SgVecFieldText

template <class T, int N>
class NODARA_API SgVecField : public SgGenVecField {
public:
    using value_type = T;
    using Array = std::vector<T>;
    static constexpr int TypeId = N;
    // The most elements an array holds: an index past it is a caller's error,
    // refused before anything is allocated or an index computed overflows.
    static constexpr int kMaxCount = 1 << 26;

    static int ClassID() { return s_iClassID; }
    static const char *ClassName() { return SgFieldValue::TypeNames<N>::array; }
    static int ClassOffset() { return s_iClassID - SgField::GetBase(); }
    static SgField *Creator() { return new (std::nothrow) SgVecField; }
    static int AssignClassID()
    {
        if (!s_iClassID)
            s_iClassID = SgField::Family().TakeID();
        return s_iClassID;
    }
    static void InitClass() { SgField::RegisterClass(AssignClassID(), 0, ClassName(), &Creator); }
    int GetClassID() const override { return s_iClassID; }
    int GetOffset() const override { return s_iClassID - SgField::GetBase(); }
    const char *GetClassName() const override { return ClassName(); }
    int GetTypeId() const override { return N; }

    explicit SgVecField(SgFieldMngr *container = nullptr)
    {
        if (container)
            SetContainer(container, false);
    }
    SgVecField(const T &initial, SgFieldMngr *container) : SgVecField(container) { PushBack(initial); }
    SgVecField(const SgVecField &other) : SgGenVecField(other)
    {
        m_values.reserve(other.m_values.size());
        for (const T &value : other.m_values)
            PushBack(value);
    }
    ~SgVecField() override
    {
        // The module exposes the values: it goes before they do.
        DeleteModules();
        Truncate(0);
    }

    // --- Access ----------------------------------------------------------

    int GetCount() const override { return static_cast<int>(m_values.size()); }

    // Element i; with `evaluate` a driving module copies its values in first.
    const T &GetValue(int i, bool evaluate = true)
    {
        if (evaluate)
            EvaluateAll();
        return m_values[CheckIndex(i)];
    }
    const T &operator[](int i) { return GetValue(i, true); }
    // Index -1 gives the whole value array, never evaluated.
    const void *GetValuePtr(int index, bool evaluate) override
    {
        if (index == -1)
            return &m_values;
        return &GetValue(index, evaluate);
    }
    const Array &GetValues()
    {
        EvaluateAll();
        return m_values;
    }
    const Array &GetValues() const { return m_values; }
    // The storage the field's own module exposes through its output. Handing
    // it out counts as an edit: the holder may write through it.
    Array *GetValueArray()
    {
        ++m_edits;
        return &m_values;
    }
    // Grows with every change of the elements, by whatever path (recorded,
    // quiet, module output, resize): an index built over the elements is
    // current while this number stays what it was when the index was built.
    std::uint64_t GetEditCount() const { return m_edits; }

    // First index holding an equal element; -1 when none.
    int FindElement(const T &value) const
    {
        for (size_t i = 0; i < m_values.size(); ++i) {
            if (SgFieldValue::Equal(m_values[i], value))
                return static_cast<int>(i);
        }
        return -1;
    }

    // --- Editing -----------------------------------------------------------

    int AddVal(const T &value)
    {
        const int index = GetCount();
        ChangeElements(true, false, index, 0, Array{value});
        return index;
    }
    // Appends without a record, a notice or an invalidation: for code that
    // fills a fresh array and announces the result itself.
    int AddVal1(const T &value)
    {
        const int index = GetCount();
        PushBack(value);
        return index;
    }
    void AddVals(int count, const T *source)
    {
        ChangeElements(true, false, GetCount(), 0, CopyIn(count, source));
    }
    void SetVals(int count, const T *source)
    {
        Array values = CopyIn(count, source);
        Edit(true, false, [&] { Adopt(std::move(values)); });
    }
    // Stores at i, growing the array with default elements when i is past its end.
    void SetValue(int i, const T &value) { StoreElement(true, false, i, value); }
    // Inserts before element i; at or past the end it appends (after defaults up to i).
    virtual void InsertVal(int i, const T &value)
    {
        CheckNotNegative(i);
        if (i < GetCount())
            ChangeElements(true, false, i, 0, Array{value});
        else
            ChangeElements(true, false, GetCount(), 0, Placed(i, value));
    }
    void Delete(int i) { DeleteElement(i); }
    virtual void DeleteElement(int i)
    {
        CheckIndex(i);
        ChangeElements(true, false, i, 1, Array());
    }
    // A range reaching past the end changes nothing; negative arguments are refused.
    void DeleteValues(int first, int count) override
    {
        if (first < 0 || count < 0)
            throw SgInvalidArgument("array range " + std::to_string(first) + ", " +
                                    std::to_string(count) + " is negative");
        if (count == 0 || first > GetCount() - count)
            return;
        ChangeElements(true, false, first, count, Array());
    }
    void RemoveAll()
    {
        Edit(true, false, [&] { Truncate(0); });
    }
    // Resizes without a record or a notice: the field's module and code that
    // refills the array right away use it.
    void SetSize(int size) override { Resize(size); }
    void SetCount(int size) { Resize(size); }

    SgVecField &operator=(const SgVecField &other)
    {
        if (this != &other) {
            Array values = other.m_values;
            Edit(true, false, [&] { Adopt(std::move(values)); });
        }
        return *this;
    }

    // index -1: `value` is a whole value array (undo records hold these);
    // index -2: element 0; otherwise element `index`, growing the array.
    void SetValuePtr(const void *value, int index, bool undo, bool quiet) override
    {
        if (!value)
            throw SgInvalidArgument("no value given for an array field");
        if (index == -1) {
            const auto &source = *static_cast<const Array *>(value);
            if (&source == &m_values)
                return;
            Array values = source;
            Edit(undo, quiet, [&] { Adopt(std::move(values)); });
            return;
        }
        if (index < -2)
            throw SgInvalidArgument("array index " + std::to_string(index) + " is negative");
        StoreElement(undo, quiet, index == -2 ? 0 : index, *static_cast<const T *>(value));
    }

    // --- Edit bracket --------------------------------------------------------

    // Takes a snapshot when the change is to be recorded. Brackets do not
    // nest: a second StartEdit starts over. Edits made inside a bracket are
    // covered by its record and make none of their own.
    void StartEdit()
    {
        m_pSnapshot.reset();
        if (UndoRecordingNode())
            m_pSnapshot = std::make_unique<Array>(m_values);
    }
    // Hands the before and after arrays to the document as one record, then
    // sends the change notice.
    void EndEdit()
    {
        RecordEdit();
        NotifyParent();
    }
    // Frees an array that an undo record holds.
    static void DeleteUI(void *array) { delete static_cast<Array *>(array); }

    // --- Comparison, interpolation, modules ----------------------------------

    bool Compare(SgField *a, SgField *b) override
    {
        auto *fa = dynamic_cast<SgVecField *>(a);
        auto *fb = dynamic_cast<SgVecField *>(b);
        if (!fa || !fb)
            return false;
        const Array &va = fa->GetValues();
        const Array &vb = fb->GetValues();
        if (va.size() != vb.size())
            return false;
        for (size_t i = 0; i < va.size(); ++i) {
            if (!SgFieldValue::Equal(va[i], vb[i]))
                return false;
        }
        return true;
    }

    // Blends element by element into `result`, which takes the whole blended
    // array as one change. Operands of different sizes are refused before
    // anything is stored.
    void Interpolate(SgField *a, SgField *b, double t, SgField *result) override
    {
        auto *fa = dynamic_cast<SgVecField *>(a);
        auto *fb = dynamic_cast<SgVecField *>(b);
        auto *fr = dynamic_cast<SgVecField *>(result);
        if (!fa || !fb || !fr) {
            ReportInterpolationRefused(ClassName(), a, b, result);
            return;
        }
        const Array &va = fa->GetValues();
        const Array &vb = fb->GetValues();
        if (va.size() != vb.size())
            throw SgInvalidArgument("interpolated arrays differ in size: " + std::to_string(va.size()) +
                                    " and " + std::to_string(vb.size()));
        Array blend;
        blend.reserve(va.size());
        for (size_t i = 0; i < va.size(); ++i)
            blend.push_back(SgFieldValue::Interpolate(va[i], vb[i], t));
        fr->SetValuePtr(&blend, -1, true, false);
    }

    DxOutBase *GetModuleSource() const override
    {
        GeneicFieldModule *module = GetFieldModule();
        return module ? module->GetInput()->GetSource() : nullptr;
    }

    DxModule *CreateModule() override
    {
        ModuleFactory factory = GetModuleFactory(N, true);
        return factory ? factory(this) : nullptr;
    }

    // --- Text form -----------------------------------------------------------

    // Elements first to last (-1: the array's last). The whole array is
    // bracketed; a range ends with a separator when it stops before the
    // array's last element. Nothing is written when a bound is outside the
    // array or an element has no text that would read back.
    void WriteToStream(std::ostream &out, int first = 0, int last = -1) override
    {
        EvaluateAll();
        const int lastIndex = GetCount() - 1;
        const int end = last == -1 ? lastIndex : last;
        if (first <= end && (first < 0 || end > lastIndex))
            throw SgInvalidArgument("array range " + std::to_string(first) + ".." + std::to_string(end) +
                                    " outside 0.." + std::to_string(lastIndex));
        for (int i = first; i <= end; ++i)
            CheckWritable(m_values[i]);
        const bool whole = first == 0 && end == lastIndex;
        if constexpr (SgFieldValue::kFormatsToChars<T>) {
            WriteNumbers(out, first, end, whole);
            return;
        }
        if (whole)
            SgSceneText::WriteListOpen(out);
        for (int i = first; i <= end; ++i) {
            WriteElement(out, m_values[i]);
            if (i < lastIndex)
                SgSceneText::WriteListSeparator(out);
        }
        if (whole)
            SgSceneText::WriteListClose(out);
    }

    void ReadFromStream(std::istream &in, bool undo) override
    {
        Array values;
        if (!ReadArray(in, values))
            return;
        // The array grew by doubling while it was read; a scene of long
        // arrays would otherwise keep up to half as much again unused.
        values.shrink_to_fit();
        Edit(undo, false, [&] { Adopt(std::move(values)); });
    }

    // Reads one element into index i (index -2: element 0) or inserts it there.
    void ReadElementFromStream(std::istream &in, int index, bool undo, bool insert) override
    {
        if (insert ? index < 0 : (index == -1 || index < -2))
            throw SgInvalidArgument("array index " + std::to_string(index) + " is negative");
        T value = SgFieldValue::Default<T>();
        if (!ReadElement(in, value))
            return;
        if (insert)
            InsertVal(index, value);
        else
            SetValuePtr(&value, index, undo, false);
    }

private:
    static constexpr bool kHoldsNodes = std::is_same_v<T, NodePtr>;
    // Element types that have no text of their own.
    static constexpr bool kTextless = kHoldsNodes || std::is_same_v<T, R3Func *>;
    static constexpr bool kFunctionRef =
        std::is_same_v<T, CountPtr<R1Func>> || std::is_same_v<T, CountPtr<R2Func>>;

    // One change: recorded with `undo` when the node records, announced and
    // pushed downstream unless `quiet`. Arguments are checked before this
    // runs, so a refused edit records and announces nothing.
    template <class Change>
    void Edit(bool undo, bool quiet, Change &&change)
    {
        const bool record = undo && !m_pSnapshot;
        if (record)
            StartEdit();
        change();
        if (record)
            RecordEdit();
        Announce(quiet);
    }

    void Announce(bool quiet)
    {
        if (!quiet) {
            NotifyParent();
            InvalidateModule();
        }
    }

    // The recorded form of an edit of some elements: at `first`, `removed`
    // gave way to `inserted`.
    class ElementChange : public SgFieldChange {
    public:
        ElementChange(int first, Array removed, Array inserted)
            : m_first(first), m_removed(std::move(removed)), m_inserted(std::move(inserted))
        {
        }
        void Apply(SgField &field, bool forward) override
        {
            auto *array = dynamic_cast<SgVecField *>(&field);
            if (!array)
                return;
            const Array &put = forward ? m_inserted : m_removed;
            const int taken = static_cast<int>((forward ? m_removed : m_inserted).size());
            // Edits made without a record (quiet ones) may have left the
            // array too short for the changed place; writing elsewhere would
            // corrupt it silently.
            if (m_first > array->GetCount() - taken) {
                SgDiagError("Fields", "%s of an edit of %s elements %d..%d refused: the array holds %d elements",
                            forward ? "redo" : "undo", ClassName(), m_first, m_first + taken - 1,
                            array->GetCount());
                return;
            }
            array->ChangeElements(false, false, m_first, taken, Array(put));
        }
        std::size_t HeldBytes() const override
        {
            return sizeof(*this) + ElementBytes(m_removed) + ElementBytes(m_inserted);
        }

    private:
        int m_first;
        Array m_removed;
        Array m_inserted;
    };

    static std::size_t ElementBytes(const Array &values)
    {
        std::size_t bytes = values.capacity() * sizeof(T);
        if constexpr (std::is_same_v<T, std::string>) {
            for (const T &value : values)
                bytes += value.capacity();
        }
        return bytes;
    }

    // One change of some elements: the `count` elements at `first` give way
    // to `values` (no part of this array). Recorded as just that with `undo`
    // when the node records and no edit bracket is open; announced unless
    // `quiet`. The range lies within the array.
    void ChangeElements(bool undo, bool quiet, int first, int count, Array &&values)
    {
        std::unique_ptr<ElementChange> change;
        if (undo && !m_pSnapshot && UndoRecordingNode())
            change = std::make_unique<ElementChange>(
                first, Array(m_values.begin() + first, m_values.begin() + first + count), values);
        Replace(first, count, std::move(values));
        if (change)
            RecordChange(std::move(change));
        Announce(quiet);
    }

    // Stores at i, growing the array with default elements when i is past its end.
    void StoreElement(bool undo, bool quiet, int i, const T &value)
    {
        CheckNotNegative(i);
        if (i < GetCount())
            ChangeElements(undo, quiet, i, 1, Array{value});
        else
            ChangeElements(undo, quiet, GetCount(), 0, Placed(i, value));
    }

    // What a store at i past the end appends: defaults up to i, then the value.
    Array Placed(int i, const T &value) const
    {
        Array placed(static_cast<size_t>(i - GetCount()), SgFieldValue::Default<T>());
        placed.push_back(value);
        return placed;
    }

    void RecordEdit()
    {
        std::unique_ptr<Array> before = std::move(m_pSnapshot);
        if (!before)
            return;
        if (!UndoRecordingNode())
            return;
        auto after = std::make_unique<Array>(m_values);
        RecordUndo(before.release(), after.release(), &DeleteUI);
    }

public:
    std::size_t UndoBufferBytes(const void *buffer) const override
    {
        if (!buffer)
            return 0;
        return sizeof(Array) + ElementBytes(*static_cast<const Array *>(buffer));
    }

private:

    int CheckIndex(int i) const
    {
        if (i < 0 || i >= GetCount())
            throw SgInvalidArgument("array index " + std::to_string(i) + " outside 0.." +
                                    std::to_string(GetCount() - 1));
        return i;
    }
    // A place an element may be stored at: not negative, not past the limit.
    static void CheckNotNegative(int i)
    {
        if (i < 0)
            throw SgInvalidArgument("array index " + std::to_string(i) + " is negative");
        if (i >= kMaxCount)
            throw SgInvalidArgument("array index " + std::to_string(i) + " is past the largest array (" +
                                    std::to_string(kMaxCount) + " elements)");
    }
    // A private copy of the caller's values: they may lie inside this array.
    static Array CopyIn(int count, const T *source)
    {
        if (count < 0)
            throw SgInvalidArgument("negative element count " + std::to_string(count));
        if (count > kMaxCount)
            throw SgInvalidArgument("element count " + std::to_string(count) + " is past the largest array");
        if (count > 0 && !source)
            throw SgInvalidArgument("no values given for " + std::to_string(count) + " elements");
        return count ? Array(source, source + count) : Array();
    }

    // --- Element storage: node pointers keep their fathers lists right ------

    void PushBack(const T &value)
    {
        ++m_edits;
        if constexpr (kHoldsNodes) {
            T keep = value; // may be an element of this array
            m_values.emplace_back();
            SgFieldValue::Store(m_values.back(), keep, GetContainer());
        } else {
            m_values.push_back(value);
        }
    }
    void PushBack(T &&value)
    {
        ++m_edits;
        if constexpr (kHoldsNodes)
            PushBack(static_cast<const T &>(value));
        else
            m_values.push_back(std::move(value));
    }
    // The `count` elements at `first` give way to `values`.
    void Replace(int first, int count, Array &&values)
    {
        ++m_edits;
        const int given = static_cast<int>(values.size());
        const int same = std::min(count, given);
        // Stored in place where one element replaces another: setting one
        // element of a long array moves nothing.
        for (int k = 0; k < same; ++k)
            SgFieldValue::Store(m_values[first + k], values[k], GetContainer());
        if (count > given) {
            Erase(first + given, count - given);
            return;
        }
        if (given == count)
            return;
        const size_t at = static_cast<size_t>(first + same);
        const size_t added = static_cast<size_t>(given - same);
        const size_t needed = m_values.size() + added;
        // Grow geometrically: builders append a few values at a time.
        if (needed > m_values.capacity())
            m_values.reserve(std::max(needed, 2 * m_values.capacity()));
        if constexpr (kHoldsNodes) {
            // Node elements are stored one by one, so that each names this
            // field's node among its fathers.
            m_values.insert(m_values.begin() + at, added, SgFieldValue::Default<T>());
            for (size_t k = 0; k < added; ++k)
                SgFieldValue::Store(m_values[at + k], values[same + k], GetContainer());
        } else {
            m_values.insert(m_values.begin() + at, std::make_move_iterator(values.begin() + same),
                            std::make_move_iterator(values.end()));
        }
    }
    void Erase(int first, int count)
    {
        ++m_edits;
        for (int i = first; i < first + count; ++i)
            SgFieldValue::Detach(m_values[i], GetContainer());
        m_values.erase(m_values.begin() + first, m_values.begin() + first + count);
    }
    void Truncate(int size)
    {
        if (size < GetCount())
            Erase(size, GetCount() - size);
    }
    void Resize(int size)
    {
        if (size < 0)
            throw SgInvalidArgument("negative array size " + std::to_string(size));
        if (size > kMaxCount)
            throw SgInvalidArgument("array size " + std::to_string(size) + " is past the largest array (" +
                                    std::to_string(kMaxCount) + " elements)");
        ++m_edits;
        if (size < GetCount())
            Truncate(size);
        else
            m_values.resize(static_cast<size_t>(size), SgFieldValue::Default<T>());
    }
    // Replaces every element by `values`, which is not part of this array.
    void Adopt(Array &&values)
    {
        ++m_edits;
        Truncate(0);
        if constexpr (kHoldsNodes) {
            m_values.reserve(values.size());
            for (const T &value : values)
                PushBack(value);
        } else {
            m_values = std::move(values);
        }
    }

    // --- Element text ----------------------------------------------------------

    static void CheckWritable(const T &value)
    {
        if constexpr (kTextless) {
            (void)value;
            throw SgError(std::string("an array of class ") + ClassName() +
                          " has no text form for its elements; it is not written");
        } else if constexpr (std::is_same_v<T, std::string>) {
            if (const char *why = SgVecFieldText::Unwritable(value, SgFieldValue::kMaxStringLength))
                throw SgError(std::string("array text \"") + value.substr(0, 40) + "\" " + why);
        } else if constexpr (std::is_same_v<T, Image2>) {
            if (const char *why = SgVecFieldText::Unwritable(value.GetPath(), Image2::kMaxPathText))
                throw SgError("image path \"" + value.GetPath().substr(0, 40) + "\" " + why);
        } else {
            (void)value;
        }
    }

    // The text WriteToStream gives, gathered in a buffer and handed to the
    // stream a few kilobytes at a time: long number arrays are most of a
    // scene file, and a stream call per number was most of its writing.
    template <class U = T, std::enable_if_t<SgFieldValue::kFormatsToChars<U>, int> = 0>
    void WriteNumbers(std::ostream &out, int first, int end, bool whole) const
    {
        constexpr int kChunk = 8192;
        constexpr int kElementRoom = SgFieldValue::kFormattedTextSize + SgSceneText::kListSeparatorLength + 1;
        char chunk[kChunk];
        int used = 0;
        if (whole)
            chunk[used++] = SgSceneText::kListOpen;
        const int lastIndex = GetCount() - 1;
        for (int i = first; i <= end; ++i) {
            if (used > kChunk - kElementRoom) {
                out.write(chunk, used);
                used = 0;
            }
            used += SgFieldValue::Format(chunk + used, m_values[i]);
            if (i < lastIndex) {
                std::memcpy(chunk + used, SgSceneText::kListSeparatorText, SgSceneText::kListSeparatorLength);
                used += SgSceneText::kListSeparatorLength;
            }
        }
        if (whole)
            chunk[used++] = SgSceneText::kListClose;
        out.write(chunk, used);
    }

    static void WriteElement(std::ostream &out, const T &value)
    {
        if constexpr (std::is_same_v<T, std::string>) {
            out.put('"');
            out.write(value.data(), static_cast<std::streamsize>(value.size()));
            out.put('"');
        } else if constexpr (kFunctionRef) {
            if (value.get())
                SgFieldValue::Write(out, value);
            else
                out << SgVecFieldText::kNullFunctionWord;
        } else {
            SgFieldValue::Write(out, value);
        }
    }

    static bool ReadElement(std::istream &in, T &value)
    {
        if constexpr (kTextless) {
            (void)value;
            in.setstate(std::ios::failbit);
            return false;
        } else if constexpr (kFunctionRef) {
            return SgVecFieldText::ReadFunctionElement(in, value);
        } else {
            return SgFieldValue::Read(in, value) && !in.fail();
        }
    }

    // One working value serves the whole read, so a component an element
    // leaves out keeps the value it had in the element before: a colour
    // written with three numbers takes the alpha of the colour before it.
    static bool ReadArray(std::istream &in, Array &values)
    {
        struct Reading {
            T value;
            Array *values;
        } reading{SgFieldValue::Default<T>(), &values};
        auto readOne = [](std::istream &text, void *data) {
            auto *r = static_cast<Reading *>(data);
            if constexpr (kScannable) {
                // Long arrays of numbers: an element must end where a word
                // does, and a bad one may be passed over (see
                // SgSceneText::BadElementScope).
                const bool parenthesised = PeekNonBlank(text) == '(';
                if (ReadElement(text, r->value) && SgSceneText::AtElementEnd(text)) {
                    r->values->push_back(r->value);
                    return true;
                }
                return SgSceneText::SkipBadElement(text, parenthesised, !std::is_arithmetic_v<T>);
            } else {
                if (!ReadElement(text, r->value))
                    return false;
                r->values->push_back(r->value);
                return true;
            }
        };
        if constexpr (kScannable) {
            auto scanOne = [&reading](const char *&p, const char *end) {
                // What does not end where a word ends goes the stream's way,
                // which judges it.
                const char *next = p;
                if (!ScanElement(next, end, reading.value) || next == end ||
                    !(NumberTextDetail::IsBlank(*next) || *next == SgSceneText::kListSeparator ||
                      *next == SgSceneText::kListClose || *next == SgSceneText::kListOpen ||
                      *next == SgSceneText::kComment || *next == '}'))
                    return false;
                p = next;
                reading.values->push_back(reading.value);
                return true;
            };
            return SgSceneText::ReadListScanning(in, readOne, scanOne, &reading, true);
        } else {
            return SgSceneText::ReadList(in, readOne, &reading, true);
        }
    }

    // Number and plain vector elements, which long arrays are made of, read in
    // place; ScanElement reads what ReadElement reads when it succeeds.
    static constexpr bool kScannable = std::is_same_v<T, int> || std::is_same_v<T, unsigned short> ||
                                       std::is_same_v<T, float> || std::is_same_v<T, double> ||
                                       std::is_same_v<T, Vec2> || std::is_same_v<T, Vec3> ||
                                       std::is_same_v<T, Vec2f> || std::is_same_v<T, Vec3f>;

    static bool ScanElement(const char *&p, const char *end, T &value)
    {
        if constexpr (std::is_same_v<T, Vec2> || std::is_same_v<T, Vec2f>) {
            decltype(value.x) c[2] = {value.x, value.y};
            if (!ScanTuple(p, end, c, 2))
                return false;
            value.x = c[0];
            value.y = c[1];
            return true;
        } else if constexpr (std::is_same_v<T, Vec3> || std::is_same_v<T, Vec3f>) {
            decltype(value.x) c[3] = {value.x, value.y, value.z};
            if (!ScanTuple(p, end, c, 3))
                return false;
            value.x = c[0];
            value.y = c[1];
            value.z = c[2];
            return true;
        } else if constexpr (kScannable) {
            return ScanNumber(p, end, value);
        } else {
            (void)p;
            (void)end;
            (void)value;
            return false;
        }
    }

    Array m_values;
    std::unique_ptr<Array> m_pSnapshot;
    std::uint64_t m_edits = 0;
    // One per class for the whole process: defined with its instantiations
    // in SgVecField.cpp, never in each library that uses it.
    static int s_iClassID;
};

using SgVFInt = SgVecField<int, SgFieldInt>;
using SgVFFloat = SgVecField<float, SgFieldFloat>;
using SgVFUShort = SgVecField<unsigned short, SgFieldUShort>;
using SgVFDouble = SgVecField<double, SgFieldDouble>;
using SgVFVec2 = SgVecField<Vec2, SgFieldVec2>;
using SgVFVec3 = SgVecField<Vec3, SgFieldVec3>;
using SgVFVec4 = SgVecField<Vec4, SgFieldVec4>;
using SgVFVec2f = SgVecField<Vec2f, SgFieldVec2f>;
using SgVFColor = SgVecField<Color, SgFieldColor>;
using SgVFRotation = SgVecField<Rotation, SgFieldRotation>;
using SgVFImage = SgVecField<Image2, SgFieldImage>;
using SgVFStr = SgVecField<std::string, SgFieldString>;
using SgVFVec3f = SgVecField<Vec3f, SgFieldVec3f>;
using SgVFNodePtr = SgVecField<NodePtr, SgFieldNodePtr>;
using SgVFR1FuncRef = SgVecField<CountPtr<R1Func>, SgFieldR1FuncRef>;
using SgVFR2FuncRef = SgVecField<CountPtr<R2Func>, SgFieldR2FuncRef>;
using SgVFR3FuncRef = SgVecField<R3Func *, SgFieldR3FuncRef>;

extern template class NODARA_API SgVecField<int, SgFieldInt>;
extern template class NODARA_API SgVecField<float, SgFieldFloat>;
extern template class NODARA_API SgVecField<unsigned short, SgFieldUShort>;
extern template class NODARA_API SgVecField<double, SgFieldDouble>;
extern template class NODARA_API SgVecField<Vec2, SgFieldVec2>;
extern template class NODARA_API SgVecField<Vec3, SgFieldVec3>;
extern template class NODARA_API SgVecField<Vec4, SgFieldVec4>;
extern template class NODARA_API SgVecField<Vec2f, SgFieldVec2f>;
extern template class NODARA_API SgVecField<Color, SgFieldColor>;
extern template class NODARA_API SgVecField<Rotation, SgFieldRotation>;
extern template class NODARA_API SgVecField<Image2, SgFieldImage>;
extern template class NODARA_API SgVecField<std::string, SgFieldString>;
extern template class NODARA_API SgVecField<Vec3f, SgFieldVec3f>;
extern template class NODARA_API SgVecField<NodePtr, SgFieldNodePtr>;
extern template class NODARA_API SgVecField<CountPtr<R1Func>, SgFieldR1FuncRef>;
extern template class NODARA_API SgVecField<CountPtr<R2Func>, SgFieldR2FuncRef>;
extern template class NODARA_API SgVecField<R3Func *, SgFieldR3FuncRef>;
