#include "solids/GmElementsSet.h"

#include "solids/GmError.h"
#include "solids/GmGeom.h"

namespace solvane {

namespace {
thread_local uint32_t t_pool = 0;  // bits held by live sets
}

GmElementsSet::GmElementsSet(bool inverted) : m_inverted(inverted)
{
    for (int bit = 0; bit < kMaxLive; ++bit) {
        uint32_t m = 1u << bit;
        if (!(t_pool & m)) {
            t_pool |= m;
            m_mask = m;
            return;
        }
    }
    internal_error("elementsSet : no free mark bit");
}

GmElementsSet::~GmElementsSet()
{
    for (GmBaseElm *e : m_members) {
        e->flags &= ~m_mask;
    }
    t_pool &= ~m_mask;
}

void GmElementsSet::add(GmBaseElm *e)
{
    if (!(e->flags & m_mask)) {
        e->flags |= m_mask;
        m_members.push_back(e);
    }
}

bool GmElementsSet::contains(const GmBaseElm *e) const
{
    bool in = (e->flags & m_mask) != 0;
    return m_inverted ? !in : in;
}

void GmElementsSet::mark(GmGeom &g, int kinds)
{
    if (kinds & NODES) {
        for (GmNode *n : g.liveNodes()) {
            add(n);
        }
    }
    if (kinds & EDGES) {
        for (GmEdge *e : g.liveEdges()) {
            add(e);
        }
    }
    if (kinds & FACES) {
        for (GmFace *f : g.liveFaces()) {
            add(f);
        }
    }
    if (kinds & SOLIDS) {
        for (GmSolid *s : g.liveSolids()) {
            add(s);
        }
    }
}

void GmElementsSet::unmark(GmGeom &g, int kinds)
{
    auto clear = [&](GmBaseElm *e) { e->flags &= ~m_mask; };
    if (kinds & NODES) {
        for (GmNode *n : g.liveNodes()) {
            clear(n);
        }
    }
    if (kinds & EDGES) {
        for (GmEdge *e : g.liveEdges()) {
            clear(e);
        }
    }
    if (kinds & FACES) {
        for (GmFace *f : g.liveFaces()) {
            clear(f);
        }
    }
    if (kinds & SOLIDS) {
        for (GmSolid *s : g.liveSolids()) {
            clear(s);
        }
    }
}

void GmElementsSet::deleteMarked(GmGeom &g, int kinds)
{
    if (kinds & SOLIDS) {
        for (GmSolid *s : g.liveSolids()) {
            if (contains(s)) {
                g.remove_solid(s);
            }
        }
    }
    if (kinds & FACES) {
        for (GmFace *f : g.liveFaces()) {
            if (contains(f)) {
                g.remove_face(f);
            }
        }
    }
    if (kinds & EDGES) {
        for (GmEdge *e : g.liveEdges()) {
            if (contains(e)) {
                g.remove_edge(e);
            }
        }
    }
    if (kinds & NODES) {
        for (GmNode *n : g.liveNodes()) {
            if (contains(n)) {
                g.remove_node(n);
            }
        }
    }
}

int GmElementsSet::liveCount()
{
    return __builtin_popcount(t_pool);
}

}  // namespace solvane
