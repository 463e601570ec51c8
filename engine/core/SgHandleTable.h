#pragma once
// The one table through which field containers (nodes above all) are named
// to the outside: GL selection names and the handles scripts and hosts get
// from the control's dispatch interface. Addresses never leave the process as
// numbers; a handle that was never given out, or whose container is gone,
// answers null.
//
// Each container named once has one slot for as long as it lives. A slot has
// an index and a generation: the generation grows every time the slot is
// given to another container, so an old handle of a reused slot is refused.
//
// Two kinds of number come out of a slot:
// - the 32-bit name (GL selection names must be 32 bits): the slot index plus
//   one. A name holds no reference; the slot stays the container's until the
//   container dies (its destructor tells the table), so names compiled into a
//   display list keep naming their node. The name carries no generation: a
//   name read back after its node died may, once the slot is reused, name
//   another node. Freed slots are reused oldest first, and the reader of hit
//   records checks each node it looks up against the graph (child of the node
//   before it), so a stale name in a record never becomes a path.
// - the checked handle: index plus one in the low 32 bits, the slot's
//   generation in bits 32 to 52, so a handle fits a double exactly (scripts
//   carry numbers as doubles). Hold gives a handle that holds one reference
//   on the container until Drop; Lookup checks index and generation.
//
// All members may be called from any thread; the table locks itself.
#include <cstdint>
#include "engine/core/NodaraExport.h"

class SgFieldMngr;
class SgViewer;

class NODARA_API SgHandleTable {
public:
    using Handle = std::uint64_t;
    static constexpr Handle kNoHandle = 0;
    static constexpr std::uint32_t kNoName = 0;
    // Names stay below 0xFFFFFFFF, which the selection stacks use as a marker.
    static constexpr std::uint32_t kLastName = 0xFFFFFFFEu;
    static constexpr int kGenerationBits = 21;

    // ---- 32-bit names (no reference held) --------------------------------------
    // The container's name, its slot made on first use; kNoName for null or
    // when every name is taken.
    static std::uint32_t GetName(SgFieldMngr *container);
    // The container of a name; null for a name no live container has.
    static SgFieldMngr *LookupName(std::uint32_t name);

    // ---- checked handles ------------------------------------------------------
    // A handle that holds one more reference on the container (kNoHandle for
    // null). Every Hold is matched by one Drop of the same handle.
    static Handle Hold(SgFieldMngr *container);
    // The container's handle without a reference; kNoHandle when it has none.
    static Handle Find(SgFieldMngr *container);
    // The container of a handle; null for a stale, forged or zero handle.
    static SgFieldMngr *Lookup(Handle handle);
    // Lets go of one reference a Hold took; false (and nothing released) for a
    // handle that is not valid or holds nothing.
    static bool Drop(Handle handle);
    // How many references Hold took on the handle's container and still holds.
    static int GetHolds(Handle handle);

    // The container is being destroyed: its slot goes, its handles and name go
    // stale. Called by the container's destructor.
    static void Forget(SgFieldMngr *container);

    // Live slots.
    static int GetCount();

    // ---- viewer handles ---------------------------------------------------------
    // Viewers have slots of their own and a 32-bit checked handle, since the
    // control hands a viewer out as a 32-bit integer: bits 0-9 hold the
    // slot index plus one, bits 10-30 the slot's generation (never 0), bit 31
    // stays clear. So a viewer handle is positive, at least 1025 (never 0
    // and never one of the small numbers scripts pass as ids or special
    // roots), exact in a double and in any wider integer, and a stale one
    // is refused until its slot was given to 2^21 - 1 other viewers. Viewers
    // are few (one per window), so 1023 live ones at a time is plenty.
    //
    // A viewer is not reference-counted: it lives as long as its window, and
    // a handle cannot keep it past that (there would be nothing to draw
    // into). Its destructor tells the table, after which its handles are
    // stale. Hold and Drop count who holds the handle, so an owner can let
    // go of exactly what it took.
    using ViewerHandle = std::int32_t;
    static constexpr ViewerHandle kNoViewer = 0;
    static constexpr int kViewerIndexBits = 10;
    static constexpr int kMaxViewers = (1 << kViewerIndexBits) - 1;
    // The viewer's handle, its slot made on first use, one hold more;
    // kNoViewer for null or when every viewer slot is taken.
    static ViewerHandle HoldViewer(SgViewer *viewer);
    // The viewer of a handle; null for a stale, forged or zero handle. Any
    // 64-bit number is checked, so a caller need not narrow it first.
    static SgViewer *LookupViewer(std::int64_t handle);
    // Lets go of one hold; false for an invalid handle or one with no hold.
    static bool DropViewer(ViewerHandle handle);
    static int GetViewerHolds(ViewerHandle handle);
    // The viewer is being destroyed: its slot goes, its handles go stale.
    static void ForgetViewer(SgViewer *viewer);
    // Live viewer slots.
    static int GetViewerCount();

    static std::uint32_t IndexOf(Handle handle) { return static_cast<std::uint32_t>(handle); }
    static std::uint32_t GenerationOf(Handle handle) { return static_cast<std::uint32_t>(handle >> 32); }
};
