#include "engine/core/SgState.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

#include "engine/core/SgAction.h"
#include "engine/core/SgElement.h"
#include "platform/SgError.h"

namespace {

// One creator per element slot, entered by the actions that enable the slot.
SgState::ElementCreator s_elementCreators[SgState::kMaxSlots] = {};

} // namespace

SgState::SgState(SgAction *owner)
    : m_nSlots(std::min(SgElement::GetClassCount(), kMaxSlots)), m_pOwner(owner), m_allocator(kBlockSize)
{
    // Zero slots still get one pointer per frame, so the store is never empty.
    m_pFrames = static_cast<SgElement **>(std::calloc(Width() * kInitialFrames, sizeof(SgElement *)));
    if (!m_pFrames)
        throw SgOutOfMemory("SgState::SgState : out of memory");
    m_nFrames = kInitialFrames;
    m_pCurrentFrame = m_pFrames;
}

SgState::~SgState()
{
    DestroyTrackedAbove(INT_MIN);
    std::free(m_pFrames);
    delete[] m_pSavedDepths;
}

bool SgState::GrowFrames()
{
    if (m_nFrames >= kMaxFrames)
        return false;
    const int frames = std::min(m_nFrames * 2, kMaxFrames);
    auto *grown = static_cast<SgElement **>(std::realloc(m_pFrames, Width() * frames * sizeof(SgElement *)));
    if (!grown)
        throw SgOutOfMemory("SgState::Push : out of memory");
    std::fill(grown + Width() * m_nFrames, grown + Width() * frames, nullptr);
    m_pFrames = grown;
    m_nFrames = frames;
    m_pCurrentFrame = Frame(m_iFrame);
    return true;
}

void SgState::Push()
{
    if (m_iDepth >= kMaxFrames || m_iFrame >= kMaxFrames - 1)
        throw SgStateError("SgState::Push - Not enought stack storage");
    if (m_iFrame >= m_nFrames - 1 && !GrowFrames())
        throw SgStateError("SgState::Push - Not enought stack storage");
    if (m_marks.size() <= static_cast<std::size_t>(m_iFrame + 1))
        m_marks.resize(static_cast<std::size_t>(m_nFrames));
    SgElement **previous = m_pCurrentFrame;
    ++m_iDepth;
    ++m_iFrame;
    m_pCurrentFrame = Frame(m_iFrame);
    std::copy(previous, previous + m_nSlots, m_pCurrentFrame);
    m_marks[static_cast<std::size_t>(m_iFrame)] = m_allocator.GetMark();
}

void SgState::Pop()
{
    if (m_iDepth < 1 || m_iFrame == 0)
        throw SgStateError("SgState::Pop - Already at the top");
    const BlocksAllocator::Mark entered = m_marks[static_cast<std::size_t>(m_iFrame)];
    --m_iDepth;
    --m_iFrame;
    m_pCurrentFrame = Frame(m_iFrame);
    DestroyTrackedAbove(m_iDepth);
    // Elements made at the level left are referenced from its frame only.
    m_allocator.Rewind(entered);
}

void SgState::Init(SgState *parent)
{
    const int count = m_pOwner ? m_pOwner->GetEnabledElementCount() : 0;
    if (parent) {
        // A second nested Init before RestoreDepth starts a new table.
        delete[] parent->m_pSavedDepths;
        parent->m_pSavedDepths = new int[kMaxSlots];
        std::fill(parent->m_pSavedDepths, parent->m_pSavedDepths + kMaxSlots, -1);
        m_iDepth = parent->m_iDepth;
    }
    const int depth = parent ? m_iDepth : 0;
    for (int i = 0; i < count; ++i) {
        const int slot = m_pOwner->GetEnabledElement(i);
        if (slot < 0 || slot >= kMaxSlots)
            continue;
        if (parent) {
            SgElement *e = parent->GetElement(slot);
            if (!e)
                continue;
            parent->m_pSavedDepths[slot] = e->GetDepth();
            e->SetDepth(depth);
            SetElement(e);
        } else {
            ElementCreator create = s_elementCreators[slot];
            SgElement *e = create ? create(this) : nullptr;
            if (!e)
                continue;
            e->SetDepth(0);
            SetElement(e);
        }
    }
}

void SgState::RestoreDepth()
{
    if (!m_pSavedDepths)
        return;
    const int count = m_pOwner ? m_pOwner->GetEnabledElementCount() : 0;
    for (int i = 0; i < count; ++i) {
        const int slot = m_pOwner->GetEnabledElement(i);
        if (slot < 0 || slot >= kMaxSlots || m_pSavedDepths[slot] == -1)
            continue;
        if (SgElement *e = GetElement(slot))
            e->SetDepth(m_pSavedDepths[slot]);
    }
    delete[] m_pSavedDepths;
    m_pSavedDepths = nullptr;
}

void SgState::SetElement(SgElement *element)
{
    if (!element)
        return;
    const int slot = element->GetOffset();
    // A class registered after this state was built has no slot in its frames.
    if (slot >= 0 && slot < m_nSlots)
        m_pCurrentFrame[slot] = element;
}

void *SgState::Allocate(std::size_t size)
{
    // The allocator hands out bytes back to back; rounding every request keeps
    // each element on the alignment its members need.
    constexpr std::size_t align = alignof(std::max_align_t);
    return m_allocator.Allocate((size + align - 1) & ~(align - 1));
}

void SgState::TrackForDestruction(SgElement *element)
{
    auto *record = static_cast<Tracked *>(Allocate(sizeof(Tracked)));
    record->element = element;
    record->depth = m_iDepth;
    record->next = m_pTracked;
    m_pTracked = record;
}

void SgState::DestroyTrackedAbove(int depth)
{
    // Records are made at the current depth and dropped when it is left, so
    // the list runs from the deepest down: the ones to destroy form its head.
    while (m_pTracked && m_pTracked->depth > depth) {
        m_pTracked->element->~SgElement();
        m_pTracked = m_pTracked->next;
    }
}

bool SgState::SetElementCreator(int slot, ElementCreator creator)
{
    if (slot < 0 || slot >= kMaxSlots)
        return false;
    s_elementCreators[slot] = creator;
    return true;
}

SgState::ElementCreator SgState::GetElementCreator(int slot)
{
    return slot >= 0 && slot < kMaxSlots ? s_elementCreators[slot] : nullptr;
}
