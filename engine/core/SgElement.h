#pragma once
// One typed property value of the traversal state, and the two bases that say
// what a cache compares: the node that set a value (replaced elements) or the
// signature of every node that contributed to it (accumulated elements).
//
// Elements live in their state's block allocator. The state never frees them
// one by one; those whose value owns heap memory are tracked by the state and
// have their destructors run when their frame is popped or the state ends.
#include <cstddef>
#include <cstdint>
#include <new>
#include <type_traits>
#include <utility>

#include "engine/core/SgState.h"
#include "engine/core/SgClassFamily.h"
#include "engine/core/NodaraExport.h"

class SgNode;

// The run-time type members of an element class template instance; each
// instance is its own registered class with its own id and name.
#define SG_ELEMENT_CLASS_MEMBERS(Parent)                                                \
public:                                                                                 \
    static int ClassID() { return s_iClassID; }                                         \
    static const char *ClassName() { return s_lpszClassName; }                          \
    static int ClassOffset() { return s_iClassID - SgElement::GetBase(); }              \
    static int AssignClassID()                                                          \
    {                                                                                   \
        if (!s_iClassID)                                                                \
            s_iClassID = SgElement::Family().TakeID();                                  \
        return s_iClassID;                                                              \
    }                                                                                   \
    static void InitClass()                                                             \
    {                                                                                   \
        SgElement::RegisterClass(AssignClassID(), Parent::AssignClassID(), s_lpszClassName, \
                                 nullptr);                                              \
    }                                                                                   \
    int GetClassID() const override { return s_iClassID; }                              \
    int GetOffset() const override { return s_iClassID - SgElement::GetBase(); }        \
    const char *GetClassName() const override { return s_lpszClassName; }               \
    static int s_iClassID;                                                              \
    static const char *const s_lpszClassName;

class NODARA_API SgElement {
public:
    using Family_t = SgClassFamily<SgElement>;

    // Frame slots are class offsets; the state's saved-depth table has room
    // for this many, so the family hands out no more ids than that.
    static constexpr int kMaxClasses = 128;

    static int ClassID() { return s_iClassID; }
    static const char *ClassName() { return s_lpszClassName; }
    static int ClassOffset() { return s_iClassID - GetBase(); }
    static SgElement *Creator() { return nullptr; }
    static void InitClass();
    static int AssignClassID();

    virtual int GetClassID() const { return s_iClassID; }
    virtual int GetOffset() const { return s_iClassID - GetBase(); }
    virtual const char *GetClassName() const { return s_lpszClassName; }
    virtual ~SgElement() = default;

    // A heap copy that a cache keeps to tell later whether the state still
    // gives the same result; null for classes that cannot be compared.
    virtual SgElement *CreateMatchedInfo() { return nullptr; }
    // Called on such a copy with the state's current element of its slot.
    virtual bool Matches(SgElement *) { return false; }
    // Extension points kept in their places in the virtual table; no element
    // of the engine gives them behaviour.
    virtual void Reserved1(void *) {}
    // Called on an element when a deeper level shadows it with a copy.
    virtual void Shadowed(SgElement *) {}
    virtual void Reserved2(void *, void *) {}

    SgElement() = default;
    SgElement(const SgElement &) = default;
    SgElement &operator=(const SgElement &) = default;

    int GetDepth() const { return m_iDepth; }
    void SetDepth(int depth) { m_iDepth = depth; }
    bool IsRead() const { return m_bRead; }
    int GetReadDepth() const { return m_iReadDepth; }
    void MarkRead(int depth)
    {
        m_bRead = true;
        m_iReadDepth = depth;
    }
    void ClearRead() { m_bRead = false; }
    bool IsLocked() const { return m_bLock; }
    void Lock() { m_bLock = true; }

    // Family registry.
    static Family_t &Family();
    static int GetBase() { return 1000; }
    static int GetClassCount() { return Family().GetClassCount(); }
    static const char *ClassName(int offset) { return Family().ClassName(offset); }
    static int GetClassIDFromName(const char *name) { return Family().GetClassIDFromName(name); }
    static void RegisterClass(int id, int parentId, const char *name, SgElement *(*creator)());
    static bool IsDerivedFrom(int classId, int ancestorId)
    {
        return Family().IsDerivedFrom(classId, ancestorId);
    }
    // Registers the three bases and every element class of the engine, in a
    // fixed order so that slots are the same from run to run. Idempotent.
    static void InitClasses();

    // Elements made for a state come from its allocator; cache copies are
    // ordinary heap objects.
    static void *operator new(std::size_t size, SgState *state) { return state->Allocate(size); }
    // The block allocator takes nothing back singly; the memory goes with the state.
    static void operator delete(void *, SgState *) {}
    static void *operator new(std::size_t size) { return ::operator new(size); }
    static void operator delete(void *memory) { ::operator delete(memory); }

protected:
    // Builds an element in the state's allocator; when its value owns heap
    // memory the state is told to run its destructor when it dies.
    template <class E, class... Args>
    static E *MakeIn(SgState *state, Args &&...args);
    static void TrackInState(SgState *state, SgElement *element) { state->TrackForDestruction(element); }

    // Makes an element of the caller's class in the state's allocator: a copy
    // of `shallower` when the class carries its value down to deeper levels,
    // otherwise (and always when `shallower` is null) one holding the default.
    using MakeFunc = SgElement *(*)(SgState *state, const SgElement *shallower);

    // The element of `slot` that `node` may write at the state's depth: the
    // one in force when it belongs to this depth, otherwise a new one made by
    // `make` that shadows it from here down. A missing element is made only
    // when makeMissing holds. Null when the element is missing or locked; an
    // overriding node locks the element it gets.
    static SgElement *WritableElement(SgState *state, int slot, SgNode *node, MakeFunc make, bool makeMissing);

    // The element in force in `slot`, marked read at the state's depth; null
    // when the action does not enable the class.
    static SgElement *ReadableElement(SgState *state, int slot)
    {
        SgElement *e = state->GetElement(slot);
        if (e)
            e->MarkRead(state->GetDepth());
        return e;
    }

private:
    int m_iDepth = -1;
    int m_iReadDepth = 0;
    bool m_bRead = false;
    bool m_bLock = false;

    static int s_iClassID;
    static const char *const s_lpszClassName;
};

template <class E, class... Args>
E *SgElement::MakeIn(SgState *state, Args &&...args)
{
    E *element = new (state) E(std::forward<Args>(args)...);
    if constexpr (!std::is_trivially_destructible_v<typename E::ValueType>)
        TrackInState(state, element);
    return element;
}

// The signature of the nodes that contributed to an accumulated value: five
// words, each id folded into the next word in turn.
class NODARA_API SgAccumulatedContext {
public:
    static constexpr int kWords = 5;

    SgAccumulatedContext() { Clear(); }
    SgAccumulatedContext(const SgAccumulatedContext &) = default;
    SgAccumulatedContext &operator=(const SgAccumulatedContext &) = default;

    void Clear()
    {
        m_counter = 0;
        for (uint32_t &word : m_words)
            word = 0;
    }
    void AddId(unsigned id)
    {
        m_words[m_counter] ^= static_cast<uint32_t>(m_counter + 23) * static_cast<uint32_t>(id);
        m_counter = (m_counter + 1) % kWords;
    }
    // The counters take no part: equal words mean the same contributors.
    bool Compare(const SgAccumulatedContext &other) const
    {
        for (int i = 0; i < kWords; ++i) {
            if (m_words[i] != other.m_words[i])
                return false;
        }
        return true;
    }
    int GetCounter() const { return m_counter; }
    uint32_t GetWord(int i) const { return m_words[i]; }

private:
    int m_counter;
    uint32_t m_words[kWords];
};

// A value that a node replaces; caches compare the change serial of the node
// that set it, so editing that node invalidates them even when a pointer value
// stays the same.
class NODARA_API SgReplacedElement : public SgElement {
public:
    static int ClassID() { return s_iClassID; }
    static const char *ClassName() { return s_lpszClassName; }
    static int ClassOffset() { return s_iClassID - GetBase(); }
    static void InitClass();
    static int AssignClassID();
    int GetClassID() const override { return s_iClassID; }
    int GetOffset() const override { return s_iClassID - GetBase(); }
    const char *GetClassName() const override { return s_lpszClassName; }

    bool Matches(SgElement *current) override;

    uint32_t GetSetterId() const { return m_setterId; }
    void SetSetterId(uint32_t id) { m_setterId = id; }

private:
    uint32_t m_setterId = 0;

    static int s_iClassID;
    static const char *const s_lpszClassName;
};

// A value that nodes accumulate (matrix products, modifier lists); caches
// compare the signature of every contributing node.
class NODARA_API SgAcumulatedElement : public SgElement {
public:
    static int ClassID() { return s_iClassID; }
    static const char *ClassName() { return s_lpszClassName; }
    static int ClassOffset() { return s_iClassID - GetBase(); }
    static void InitClass();
    static int AssignClassID();
    int GetClassID() const override { return s_iClassID; }
    int GetOffset() const override { return s_iClassID - GetBase(); }
    const char *GetClassName() const override { return s_lpszClassName; }

    bool Matches(SgElement *current) override;

    SgAccumulatedContext &GetContext() { return m_context; }
    const SgAccumulatedContext &GetContext() const { return m_context; }

private:
    SgAccumulatedContext m_context;

    static int s_iClassID;
    static const char *const s_lpszClassName;
};
