#include "solids/GmRadialOrder.h"

#include <algorithm>
#include <cmath>

namespace solvane {

double diamond_angle(double a, double b)
{
    if (a * a + b * b < 1e-8) {
        return 0.0;
    }
    if (b > 0.0) {
        return a > 0.0 ? b / (a + b) : 1.0 - a / (b - a);
    }
    return a <= 0.0 ? b / (a + b) + 2.0 : 3.0 - a / (b - a);
}

void sort_radial(GmEdge *e)
{
    if (e->usesSorted || e->uses.size() <= 2 || e->isSelfLoop()) {
        e->usesSorted = true;
        return;
    }
    Vec3 d = e->node2->position - e->node1->position;
    d.Normalize(0.0);
    // A frame (e1, e2, d), right-handed.
    Vec3 ref = std::abs(d.x) < 0.6 ? Vec3(1, 0, 0) : Vec3(0, 1, 0);
    Vec3 e1 = ref - d * d.Dot(ref);
    e1.Normalize(0.0);
    Vec3 e2 = d.Cross(e1);
    struct Unit {
        GmEdgeRef *use;
        double key;
    };
    std::vector<Unit> units;
    units.reserve(e->uses.size());
    for (GmEdgeRef *u : e->uses) {
        Vec3 s = u->reversed ? -d : d;
        Vec3 t = u->loop->face->normal.Cross(s);  // points into the face
        units.push_back({u, diamond_angle(t.Dot(e1), t.Dot(e2))});
    }
    std::stable_sort(units.begin(), units.end(), [](const Unit &a, const Unit &b) {
        if (a.key != b.key) {
            return a.key < b.key;
        }
        return a.use->loop->face->id < b.use->loop->face->id;
    });
    for (size_t i = 0; i < units.size(); ++i) {
        e->uses[i] = units[i].use;
    }
    e->usesSorted = true;
}

GmEdgeRef *radial_neighbour(GmEdgeRef *u, int side, int *neighbourSide)
{
    GmEdge *e = u->edge;
    if (e->isSelfLoop() || e->uses.size() < 2) {
        return nullptr;
    }
    // The direction in which this use runs along the edge as seen from the
    // shell: a back use runs as its loop, a front use against it.
    bool backward = u->reversed != (side == 0);
    GmEdgeRef *p = nullptr;
    if (e->uses.size() == 2) {
        p = e->uses[0] == u ? e->uses[1] : e->uses[0];
    } else {
        sort_radial(e);
        auto it = std::find(e->uses.begin(), e->uses.end(), u);
        long n = static_cast<long>(e->uses.size());
        long i = it - e->uses.begin();
        long j = backward ? (i + 1) % n : (i - 1 + n) % n;
        p = e->uses[static_cast<size_t>(j)];
    }
    // The neighbour runs the other way: its side is chosen so.
    bool neighbourBackward = !backward;
    *neighbourSide = (p->reversed != neighbourBackward) ? 0 : 1;
    return p;
}

}  // namespace solvane
