#pragma once
// Element sets: a growable set of elements that marks its
// members with a private bit of their flag word. The bits come from a pool
// of 32 per thread, so at most 32 sets live at once; a 33rd is refused with
// an internal error (an exception the request boundary turns into a failure)
// and the process goes on.
#include <cstdint>
#include <vector>

#include "solids/GmElements.h"
#include "solids/SolvaneExport.h"

namespace solvane {

class GmGeom;

class SOLVANE_API GmElementsSet {
public:
    static constexpr int kMaxLive = 32;
    enum Kinds : int { NODES = 1, EDGES = 2, FACES = 4, SOLIDS = 8 };

    // Throws GmInternalError "elementsSet : no free mark bit" when 32 sets live.
    explicit GmElementsSet(bool inverted = false);
    ~GmElementsSet();
    GmElementsSet(const GmElementsSet &) = delete;
    GmElementsSet &operator=(const GmElementsSet &) = delete;

    uint32_t mask() const { return m_mask; }
    void setInverted(bool inverted) { m_inverted = inverted; }
    void add(GmBaseElm *e);
    bool contains(const GmBaseElm *e) const;
    size_t size() const { return m_members.size(); }

    // Every live element of the given kinds gets the bit and joins the set.
    void mark(GmGeom &g, int kinds);
    // Clears the bit on every live element of the given kinds.
    void unmark(GmGeom &g, int kinds);
    // Removes the members of the given kinds (non-members when inverted),
    // solids first, then faces, edges, nodes.
    void deleteMarked(GmGeom &g, int kinds);

    static int liveCount();

private:
    uint32_t m_mask = 0;
    bool m_inverted = false;
    std::vector<GmBaseElm *> m_members;
};

}  // namespace solvane
