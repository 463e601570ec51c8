#pragma once
// The stack of property values an action carries through a traversal: per
// level one pointer per element class. Entering a level copies the pointers,
// not the elements; an element is copied only when a node writes it at a level
// deeper than the one that made it, so leaving a level restores the outer
// values with no undo work.
#include <cstddef>
#include <vector>

#include "engine/core/SgBlockAllocator.h"
#include "engine/core/NodaraExport.h"

class SgAction;
class SgElement;

class NODARA_API SgState {
public:
    using ElementCreator = SgElement *(*)(SgState *);

    // Frames come in as the traversal deepens, up to kMaxFrames: room for
    // every scene the reader accepts, where one nested block may cost a
    // state level for itself and one for what it holds (an object and its
    // inner group, a shape and its internal separator).
    static constexpr int kInitialFrames = 128;
    static constexpr int kMaxFrames = 1024;
    // Element slots; the saved-depth table of a nested run has one entry each.
    static constexpr int kMaxSlots = 128;
    static constexpr int kBlockSize = 20480;

    explicit SgState(SgAction *owner);
    SgState(const SgState &) = delete;
    SgState &operator=(const SgState &) = delete;
    // Runs the destructors of the elements that own heap data, then frees the
    // frames and every element at once with the allocator.
    virtual ~SgState();

    int GetDepth() const { return m_iDepth; }
    SgAction *GetOwner() const { return m_pOwner; }
    // Element slots per frame: the element classes registered when the state
    // was built.
    int GetSlotCount() const { return m_nSlots; }

    // The current frame's element at a slot (an element class id minus 1000);
    // null when the frame holds none or the slot lies outside the frame.
    SgElement *GetElement(int slot) const
    {
        return slot >= 0 && slot < m_nSlots ? m_pCurrentFrame[slot] : nullptr;
    }

    // Throws SgStateError "SgState::Push - Not enought stack storage" when all
    // kMaxFrames frames are in use; the state is unchanged then.
    void Push();
    // Throws SgStateError "SgState::Pop - Already at the top" at the first
    // frame. Elements made at the level left, and owning heap data, are
    // destroyed.
    void Pop();

    // Fills the current frame with the owner's enabled elements: new ones
    // holding their class defaults, or (with a parent) the parent's current
    // ones, which then claim the parent's depth so that the first write of the
    // nested traversal copies them.
    void Init(SgState *parent);
    // Called on a parent after a nested state initialised from it is done:
    // gives the shared elements back the depths the nested Init changed.
    void RestoreDepth();

    // Stores an element in the current frame at its own slot.
    void SetElement(SgElement *element);

    // Element storage. What a level allocates is given back when the level
    // is left: nothing can point at it from a shallower frame.
    void *Allocate(std::size_t size);
    // Bytes the element storage holds, in use or kept for reuse.
    std::size_t GetElementMemory() const { return m_allocator.GetHeldBytes(); }
    // Runs the element's destructor when the level it was made at is left,
    // or when the state ends.
    void TrackForDestruction(SgElement *element);

    // The creator per element slot, entered by the actions that enable the
    // element; slots outside the table are refused.
    static bool SetElementCreator(int slot, ElementCreator creator);
    static ElementCreator GetElementCreator(int slot);

private:
    struct Tracked {
        SgElement *element;
        int depth; // the state depth it was made at
        Tracked *next;
    };

    SgElement **Frame(int index) const { return m_pFrames + static_cast<std::size_t>(index) * Width(); }
    std::size_t Width() const { return m_nSlots > 0 ? static_cast<std::size_t>(m_nSlots) : 1; }
    // Makes room for one more frame; false when kMaxFrames are in use.
    bool GrowFrames();
    void DestroyTrackedAbove(int depth);

    int m_iDepth = 0;
    int m_nSlots = 0;
    int m_iFrame = 0; // index of the current frame in the store
    int m_nFrames = 0; // frames the store holds
    SgElement **m_pCurrentFrame = nullptr;
    SgElement **m_pFrames = nullptr;
    SgAction *m_pOwner;
    BlocksAllocator m_allocator;
    std::vector<BlocksAllocator::Mark> m_marks; // per frame: the storage in use when it was entered
    int *m_pSavedDepths = nullptr;
    Tracked *m_pTracked = nullptr;
};
