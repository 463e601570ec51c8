#include "solids/GmShellBuilder.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "solids/GmGeom.h"
#include "solids/GmRadialOrder.h"
#include "solids/GmTopology.h"

namespace solvane {

std::vector<GmShell *> GmShellBuilder::buildTwoSided()
{
    return build(true, 1);
}

std::vector<GmShell *> GmShellBuilder::buildOneSided(int side)
{
    return build(false, side);
}

std::vector<GmShell *> GmShellBuilder::build(bool twoSided, int side)
{
    std::vector<GmFace *> faces = m_g.liveFaces();
    // Marks per side, keyed by face id through a dense index: a flat table
    // by id (ids are below the geometry's next id), as every edge use of
    // every face looks its neighbour up.
    constexpr uint32_t kNone = UINT32_MAX;
    std::vector<uint32_t> index(m_g.m_nextId, kNone);
    for (size_t i = 0; i < faces.size(); ++i) {
        index[faces[i]->id] = static_cast<uint32_t>(i);
    }
    auto indexOf = [&](const GmFace *f) { return f->id < index.size() ? index[f->id] : kNone; };
    std::vector<uint8_t> marked(faces.size() * 2, 0);
    auto slot = [&](GmFace *f, int s) { return static_cast<size_t>(index[f->id]) * 2 + static_cast<size_t>(s); };
    std::vector<GmShell *> shells;
    std::vector<std::pair<GmFace *, int>> stack;
    stack.reserve(faces.size() * 2);
    for (GmFace *f : faces) {
        for (int s = 0; s < 2; ++s) {
            if (!twoSided && s != side) {
                continue;
            }
            if (marked[slot(f, s)]) {
                continue;
            }
            GmShell *shell = m_g.new_shell();
            marked[slot(f, s)] = 1;
            stack.push_back({f, s});
            while (!stack.empty()) {
                auto [g, gs] = stack.back();
                stack.pop_back();
                m_g.add_face_use(shell, g, gs);
                for (GmLoop *l : g->loops) {
                    for (GmEdgeRef *u : l->uses) {
                        int ns = 0;
                        GmEdgeRef *p = radial_neighbour(u, gs, &ns);
                        if (!p) {
                            continue;
                        }
                        GmFace *h = p->loop->face;
                        if (h == g || h->removed) {
                            continue;
                        }
                        if (!twoSided && ns != side) {
                            continue;  // inconsistent orientation: the shell stays open
                        }
                        const uint32_t at = indexOf(h);
                        if (at == kNone) {
                            continue;
                        }
                        size_t k = static_cast<size_t>(at) * 2 + static_cast<size_t>(ns);
                        if (!marked[k]) {
                            marked[k] = 1;
                            stack.push_back({h, ns});
                        }
                    }
                }
            }
            shell->volume /= 3.0;
            shells.push_back(shell);
        }
    }
    return shells;
}

namespace {
// Signed solid angle of triangle (a, b, c) seen from the origin (Van
// Oosterom and Strackee).
double SolidAngle(const Vec3 &a, const Vec3 &b, const Vec3 &c)
{
    double la = a.Length(), lb = b.Length(), lc = c.Length();
    double num = a.Dot(b.Cross(c));
    double den = la * lb * lc + a.Dot(b) * lc + b.Dot(c) * la + c.Dot(a) * lb;
    return 2.0 * std::atan2(num, den);
}
}  // namespace

double winding_number(const std::vector<GmFaceRef *> &faces, const Vec3 &p)
{
    double total = 0.0;
    for (const GmFaceRef *r : faces) {
        for (const GmLoop *l : r->face->loops) {
            if (l->uses.size() < 3) {
                continue;
            }
            Vec3 a = l->uses[0]->start()->position - p;
            double sum = 0.0;
            for (size_t i = 1; i + 1 < l->uses.size(); ++i) {
                Vec3 b = l->uses[i]->start()->position - p;
                Vec3 c = l->uses[i + 1]->start()->position - p;
                sum += SolidAngle(a, b, c);
            }
            // A back use sees the face as it is; a front use turned around.
            total += r->side == 1 ? sum : -sum;
        }
    }
    return total / (4.0 * M_PI);
}

// ------------------------------------------------------- GmGeom::build_solids

int GmGeom::build_solids(int mode, bool planesCurrent)
{
    retireSolids();
    if (!planesCurrent) {
        update();
    }
    GmShellBuilder builder(*this);
    int made = 0;
    if (mode == 0) {
        for (GmShell *sh : builder.buildTwoSided()) {
            if (sh->volume > 0.0) {
                insert(sh);
                ++made;
            }
        }
        return made;
    }
    int side = mode == 3 ? 0 : 1;
    std::vector<GmShell *> shells = builder.buildOneSided(side);
    std::vector<GmShell *> outer, cavities;
    for (GmShell *sh : shells) {
        double v = side == 1 ? sh->volume : -sh->volume;
        (v >= 0.0 ? outer : cavities).push_back(sh);
    }
    std::vector<GmSolid *> solids;
    for (GmShell *sh : outer) {
        solids.push_back(insert(sh));
        ++made;
    }
    for (GmShell *cav : cavities) {
        // The smallest outer shell around a node of the cavity.
        const Vec3 &p = cav->faces.front()->face->loops.front()->uses.front()->start()->position;
        GmSolid *best = nullptr;
        double bestVolume = 0.0;
        for (size_t i = 0; i < outer.size(); ++i) {
            double v = std::abs(outer[i]->volume);
            if (best && v >= bestVolume) {
                continue;
            }
            if (std::abs(winding_number(outer[i]->faces, p)) > 0.5) {
                best = solids[i];
                bestVolume = v;
            }
        }
        if (best) {
            add_shell_to_solid(best, cav);
        } else {
            insert(cav);  // a lone inverted shell: the checker reports it
            ++made;
        }
    }
    return made;
}

}  // namespace solvane
