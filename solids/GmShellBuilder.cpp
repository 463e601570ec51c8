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
    // Slots per side, keyed by face id through a dense index: a flat table
    // by id (ids are below the geometry's next id), as every edge use of
    // every face looks its neighbour up.
    constexpr uint32_t kNone = UINT32_MAX;
    std::vector<uint32_t> index(m_g.m_nextId, kNone);
    for (size_t i = 0; i < faces.size(); ++i) {
        index[faces[i]->id] = static_cast<uint32_t>(i);
    }
    auto indexOf = [&](const GmFace *f) { return f->id < index.size() ? index[f->id] : kNone; };
    // A face use reaches its radial neighbour across each edge, and the
    // neighbour reaches it back (the radial order is walked one way from
    // one side and the other way from the other), so the shells are the
    // connected components of the face uses. They are found by union-find
    // in face order and the uses added to their shells in face order: a
    // walk from face to neighbour jumps about the geometry's storage, which
    // on large solids costs more than the work. A shell's first face is its
    // first in face order either way, and shells come in the order of their
    // first face.
    const size_t slots = faces.size() * 2;
    std::vector<uint32_t> parent(slots);
    for (size_t k = 0; k < slots; ++k) {
        parent[k] = static_cast<uint32_t>(k);
    }
    auto root = [&](uint32_t x) {
        while (parent[x] != x) {
            parent[x] = parent[parent[x]];
            x = parent[x];
        }
        return x;
    };
    for (size_t i = 0; i < faces.size(); ++i) {
        GmFace *g = faces[i];
        for (int gs = 0; gs < 2; ++gs) {
            if (!twoSided && gs != side) {
                continue;
            }
            const uint32_t from = static_cast<uint32_t>(i * 2 + static_cast<size_t>(gs));
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
                    const uint32_t ra = root(from), rb = root(at * 2 + static_cast<uint32_t>(ns));
                    if (ra != rb) {
                        parent[std::max(ra, rb)] = std::min(ra, rb);  // the root is the first slot
                    }
                }
            }
        }
    }
    std::vector<GmShell *> shellOf(slots, nullptr);
    std::vector<GmShell *> shells;
    for (size_t i = 0; i < faces.size(); ++i) {
        for (int s = 0; s < 2; ++s) {
            if (!twoSided && s != side) {
                continue;
            }
            const uint32_t r = root(static_cast<uint32_t>(i * 2 + static_cast<size_t>(s)));
            GmShell *&shell = shellOf[r];
            if (!shell) {
                shell = m_g.new_shell();
                shells.push_back(shell);
            }
            m_g.add_face_use(shell, faces[i], s);
        }
    }
    for (GmShell *shell : shells) {
        shell->volume /= 3.0;
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
