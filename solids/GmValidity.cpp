#include "solids/GmValidity.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>
#include <sstream>

#include "solids/GmGeom.h"
#include "solids/GmTopology.h"

namespace solvane {

std::string GmValidityReport::text() const
{
    std::ostringstream os;
    os << (ok ? "valid" : "INVALID") << ": " << solids << " solids, " << shells << " shells, volume " << volume;
    for (size_t i = 0; i < problems.size() && i < 12; ++i) {
        os << "\n  " << problems[i];
    }
    if (problems.size() > 12) {
        os << "\n  ... " << problems.size() - 12 << " more";
    }
    return os.str();
}

GmValidityReport check_validity(GmGeom &g)
{
    GmValidityReport r;
    auto problem = [&](const std::string &s) {
        r.ok = false;
        if (r.problems.size() < 200) {
            r.problems.push_back(s);
        }
    };
    double areaFloor = g.tolerance2();
    for (GmFace *f : g.liveFaces()) {
        if (f->loops.empty()) {
            problem("face " + std::to_string(f->id) + " has no loop");
            continue;
        }
        if (f->ref_count < 3) {
            problem("face " + std::to_string(f->id) + " has fewer than 3 uses");
        }
        if (face_area(f) <= areaFloor) {
            problem("face " + std::to_string(f->id) + " has zero area");
        }
        for (GmLoop *l : f->loops) {
            for (size_t i = 0; i < l->uses.size(); ++i) {
                GmEdgeRef *u = l->uses[i];
                GmEdgeRef *v = l->uses[(i + 1) % l->uses.size()];
                if (u->edge->removed) {
                    problem("face " + std::to_string(f->id) + " uses a removed edge");
                }
                if (u->end() != v->start()) {
                    problem("loop of face " + std::to_string(f->id) + " is not closed");
                    break;
                }
            }
        }
    }
    // Per-shell edge use counts and the nodes and edges met, in flat tables
    // by element id shared by all shells: a stamp per id tells whether it was
    // met in the shell at hand, so nothing is cleared between shells. Hash
    // maps here made the check a third of a long run of booleans.
    uint32_t maxId = 0;
    for (GmNode *n : g.liveNodes()) {
        maxId = std::max(maxId, n->id);
    }
    for (GmEdge *e : g.liveEdges()) {
        maxId = std::max(maxId, e->id);
    }
    std::vector<uint32_t> edgeStamp(static_cast<size_t>(maxId) + 1, 0), nodeStamp(static_cast<size_t>(maxId) + 1, 0);
    std::vector<std::pair<int, int>> counts(static_cast<size_t>(maxId) + 1);  // (forward, backward)
    auto fit = [&](uint32_t id) {
        if (id >= edgeStamp.size()) {  // an element the live lists do not hold
            edgeStamp.resize(static_cast<size_t>(id) + 1, 0);
            nodeStamp.resize(static_cast<size_t>(id) + 1, 0);
            counts.resize(static_cast<size_t>(id) + 1);
        }
    };
    uint32_t stamp = 0;
    std::vector<uint32_t> shellEdges;
    for (GmSolid *s : g.liveSolids()) {
        ++r.solids;
        double solidVolume = 0.0;
        for (GmShell *sh : s->shells) {
            ++r.shells;
            ++stamp;
            shellEdges.clear();
            int nodes = 0;
            int faces = 0, loops = 0;
            double v = 0.0;
            Vec3 about;
            bool hasAbout = false;
            for (GmFaceRef *fr : sh->faces) {
                GmFace *f = fr->face;
                if (f->removed) {
                    problem("shell uses a removed face");
                    continue;
                }
                ++faces;
                if (!hasAbout && !f->loops.empty() && !f->loops[0]->uses.empty()) {
                    about = f->loops[0]->uses.front()->start()->position;
                    hasAbout = true;
                }
                double c = face_moment(f, about);
                v += fr->side == 1 ? c : -c;
                for (GmLoop *l : f->loops) {
                    ++loops;
                    for (GmEdgeRef *u : l->uses) {
                        // Directed edge counts: +1 along node1 -> node2, -1 against.
                        bool backward = u->reversed != (fr->side == 0);
                        const uint32_t e = u->edge->id;
                        fit(e);
                        if (edgeStamp[e] != stamp) {
                            edgeStamp[e] = stamp;
                            counts[e] = {0, 0};
                            shellEdges.push_back(e);
                        }
                        (backward ? counts[e].second : counts[e].first) += 1;
                        for (const GmNode *n : {u->edge->node1, u->edge->node2}) {
                            fit(n->id);
                            if (nodeStamp[n->id] != stamp) {
                                nodeStamp[n->id] = stamp;
                                ++nodes;
                            }
                        }
                    }
                }
            }
            v /= 3.0;
            solidVolume += v;
            std::vector<uint32_t> ids;
            for (uint32_t id : shellEdges) {
                if (counts[id].first != 1 || counts[id].second != 1) {
                    ids.push_back(id);
                }
            }
            std::sort(ids.begin(), ids.end());  // reports in a stable order
            for (uint32_t id : ids) {
                const auto &cnt = counts[id];
                {
                    problem("edge " + std::to_string(id) + " used " + std::to_string(cnt.first) + "+" +
                            std::to_string(cnt.second) + " times in a shell (open or inconsistently oriented)");
                }
            }
            int chi = nodes - static_cast<int>(shellEdges.size()) + faces - (loops - faces);
            r.euler.push_back(chi);
            if (chi > 2 || (chi % 2) != 0) {
                problem("shell Euler characteristic " + std::to_string(chi) + " is not 2 - 2g");
            }
        }
        if (!(solidVolume > 0.0)) {
            problem("solid " + std::to_string(s->id) + " has signed volume " + std::to_string(solidVolume));
        }
        r.volume += solidVolume;
    }
    return r;
}

const char *operand_defect(const GmGeom &g)
{
    const std::vector<GmFace *> faces = g.liveFaces();
    if (faces.empty()) {
        return "is empty";
    }
    // Every edge of a closed surface is run as often in one direction as in
    // the other (twice each way where two solids touch along it).
    std::unordered_map<const GmEdge *, int> balance;
    GmBox box;
    for (GmFace *f : faces) {
        for (GmLoop *l : f->loops) {
            for (GmEdgeRef *u : l->uses) {
                balance[u->edge] += u->reversed ? -1 : 1;
                box.extend(u->edge->node1->position);
            }
        }
    }
    for (const auto &[edge, b] : balance) {
        if (b != 0) {
            return "is open";
        }
    }
    const Vec3 centre = (box.min + box.max) * 0.5;
    const double size = (box.max - box.min).Length();
    double volume = 0.0;
    for (GmFace *f : faces) {
        for (GmLoop *l : f->loops) {
            const std::vector<GmNode *> nodes = loop_nodes(l);
            for (size_t i = 1; i + 1 < nodes.size(); ++i) {
                const Vec3 a = nodes[0]->position - centre;
                const Vec3 b = nodes[i]->position - centre;
                const Vec3 c = nodes[i + 1]->position - centre;
                volume += a.Dot(b.Cross(c)) / 6.0;
            }
        }
    }
    // A sliver a millionth of its size thick is still a solid; below that
    // the faces lie in one plane up to rounding.
    if (!(std::abs(volume) > 1e-9 * size * size * size)) {
        return "is flat";
    }
    return nullptr;
}

std::string summary(const GmValidityReport &r)
{
    if (r.problems.empty()) {
        return r.ok ? "valid" : "not a valid solid";
    }
    // Element ids mean nothing to a user: the kind of problem is said.
    static const std::pair<const char *, const char *> kinds[] = {
        {"open or inconsistently", "open or inconsistently oriented edges"},
        {"is not closed", "a face loop that is not closed"},
        {"zero area", "a face of zero area"},
        {"fewer than 3 uses", "a face with fewer than three edges"},
        {"has no loop", "a face without a boundary"},
        {"removed", "a reference to a removed element"},
        {"Euler", "a shell that is not a closed surface"},
        {"signed volume", "a solid of zero or negative volume"},
    };
    std::string what = "not a valid solid";
    for (const auto &[key, text] : kinds) {
        if (r.problems.front().find(key) != std::string::npos) {
            what = text;
            break;
        }
    }
    if (r.problems.size() > 1) {
        what += " (" + std::to_string(r.problems.size()) + " problems)";
    }
    return what;
}

}  // namespace solvane
