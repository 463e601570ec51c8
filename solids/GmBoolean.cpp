#include "solids/GmBoolean.h"

#include <algorithm>
#include <cstdio>
#include <cmath>
#include <map>
#include <iterator>
#include <numeric>
#include <unordered_map>

#include "solids/GmError.h"
#include "solids/GmHeal.h"
#include "solids/GmImprint.h"
#include "solids/GmTopology.h"
#include "solids/GmValidity.h"

namespace solvane {

namespace {
// On in every build: a result that fails the checker is reported as a
// failure at the request boundary, never handed out. Per thread: the
// setting in force is the caller's (a document's, through a scope).
thread_local bool g_validate = true;

enum PieceClass { CLS_UNKNOWN, CLS_IN, CLS_OUT, CLS_ON_SAME, CLS_ON_OPP };


std::vector<int> Classify(GmImprint &im, int op)
{
    auto &pieces = im.pieces(op);
    auto &faces = im.faces(op);
    auto &others = im.faces(1 - op);
    double tol = im.pool().tolerance();
    std::vector<int> cls(pieces.size(), CLS_UNKNOWN);
    for (size_t i = 0; i < pieces.size(); ++i) {
        const GmPolyFace &f = faces[static_cast<size_t>(pieces[i].face)];
        const std::vector<int> &coplanar = im.coplanarOf(op, pieces[i].face);
        if (coplanar.empty()) {
            continue;
        }
        Vec3 p = im.interiorPoint(pieces[i], f);
        for (int gi : coplanar) {
            const GmPolyFace &g = others[static_cast<size_t>(gi)];
            if (std::abs(g.normal.Dot(p) - g.d) < tol && im.insideFace(g, p)) {
                cls[i] = f.normal.Dot(g.normal) > 0.0 ? CLS_ON_SAME : CLS_ON_OPP;
                break;
            }
        }
    }
    // Pieces joined across edges that are not on the other surface share
    // their side of it.
    std::vector<size_t> parent(pieces.size());
    std::iota(parent.begin(), parent.end(), 0);
    auto root = [&](size_t x) {
        while (parent[x] != x) {
            parent[x] = parent[parent[x]];
            x = parent[x];
        }
        return x;
    };
    // The edges of the pieces bucketed by their lower node (a counting
    // sort over the pool), so that the pieces sharing an edge are found in
    // flat arrays rather than through a hash map entry per edge.
    const size_t poolSize = static_cast<size_t>(im.pool().size());
    std::vector<uint32_t> bucketStart(poolSize + 1, 0);
    auto forEachEdge = [&](auto &&visit) {
        for (size_t i = 0; i < pieces.size(); ++i) {
            if (cls[i] != CLS_UNKNOWN) {
                continue;
            }
            for (const auto &l : im.loopsOf(op, pieces[i])) {
                for (size_t k = 0; k < l.size(); ++k) {
                    int a = l[k], b = l[(k + 1) % l.size()];
                    if (im.isCutEdge(a, b)) {
                        continue;
                    }
                    visit(std::min(a, b), std::max(a, b), i);
                }
            }
        }
    };
    forEachEdge([&](int lo, int, size_t) { ++bucketStart[static_cast<size_t>(lo) + 1]; });
    for (size_t k = 0; k < poolSize; ++k) {
        bucketStart[k + 1] += bucketStart[k];
    }
    std::vector<std::pair<int, uint32_t>> bucketed(bucketStart[poolSize]);  // (upper node, piece)
    {
        std::vector<uint32_t> fill(bucketStart.begin(), bucketStart.end() - 1);
        forEachEdge([&](int lo, int hi, size_t i) {
            bucketed[fill[static_cast<size_t>(lo)]++] = {hi, static_cast<uint32_t>(i)};
        });
    }
    for (size_t k = 0; k < poolSize; ++k) {
        const uint32_t from = bucketStart[k], to = bucketStart[k + 1];
        if (to - from > 32) {
            // A node many edges meet (the tip of a fan): sorted, so that the
            // uses of one edge lie side by side (the components do not
            // depend on the order of the unions).
            std::sort(bucketed.begin() + from, bucketed.begin() + to);
            for (uint32_t x = from + 1; x < to; ++x) {
                if (bucketed[x].first == bucketed[x - 1].first) {
                    size_t ra = root(bucketed[x - 1].second), rb = root(bucketed[x].second);
                    if (ra != rb) {
                        parent[std::max(ra, rb)] = std::min(ra, rb);
                    }
                }
            }
            continue;
        }
        for (uint32_t x = from; x < to; ++x) {
            // The first use of the same edge in the bucket.
            uint32_t first = from;
            while (bucketed[first].first != bucketed[x].first) {
                ++first;
            }
            if (first == x) {
                continue;
            }
            size_t ra = root(bucketed[first].second), rb = root(bucketed[x].second);
            if (ra != rb) {
                parent[std::max(ra, rb)] = std::min(ra, rb);
            }
        }
    }
    std::map<size_t, int> componentClass;
    for (size_t i = 0; i < pieces.size(); ++i) {
        if (cls[i] != CLS_UNKNOWN) {
            continue;
        }
        size_t r = root(i);
        auto it = componentClass.find(r);
        if (it == componentClass.end()) {
            Vec3 p = im.interiorPoint(pieces[i], faces[static_cast<size_t>(pieces[i].face)]);
            double w = im.winding(1 - op, p);
            it = componentClass.emplace(r, std::abs(w) > 0.5 ? CLS_IN : CLS_OUT).first;
        }
        cls[i] = it->second;
    }
    return cls;
}

void CheckOperand(const GmGeom &g, const char *name)
{
    GmGeom &m = const_cast<GmGeom &>(g);
    if (m.faceCount() == 0) {
        return;
    }
    GmValidityReport r = check_validity(m);
    if (!r.ok) {
        throw GmOperationFailed(std::string("boolean: operand ") + name + " is not a valid solid: " + summary(r));
    }
}
}  // namespace

std::string check_identities(GmBoolOp op, GmGeom &a, GmGeom &b, GmGeom &result, double tolerance)
{
    if (a.solidCount() == 0 || b.solidCount() == 0) {
        return "";  // faces without solids bound no volume to compare
    }
    const double va = a.volume(), vb = b.volume(), vr = result.volume();
    const double slack = 8.0 * tolerance * (a.area() + b.area()) + 1e-9 * std::max(std::abs(va), std::abs(vb));
    auto text = [](const char *what, double v, const char *bound, double w) {
        char buffer[160];
        std::snprintf(buffer, sizeof buffer, "%s (volume %.9g) %s (%.9g)", what, v, bound, w);
        return std::string(buffer);
    };
    switch (op) {
    case GmBoolOp::Union:
        if (vr < std::max(va, vb) - slack) {
            return text("the union", vr, "is smaller than an operand", std::max(va, vb));
        }
        if (vr > va + vb + slack) {
            return text("the union", vr, "is larger than both operands together", va + vb);
        }
        break;
    case GmBoolOp::Intersection:
        if (vr > std::min(va, vb) + slack) {
            return text("the intersection", vr, "is larger than an operand", std::min(va, vb));
        }
        break;
    case GmBoolOp::Difference:
        if (vr > va + slack) {
            return text("the difference", vr, "is larger than A", va);
        }
        if (vr < va - vb - slack) {
            return text("the difference", vr, "is smaller than A less B", va - vb);
        }
        break;
    }
    return "";
}

void set_boolean_validation(bool on) { g_validate = on; }
bool boolean_validation() { return g_validate; }

GmValidationScope::GmValidationScope(bool on) : m_previous(g_validate) { g_validate = on; }
GmValidationScope::~GmValidationScope() { g_validate = m_previous; }

namespace {
// Whether a piece of operand `o` (0: A, 1: B) of class `c` is part of the
// result; a face both operands share goes into it once, as A's.
bool BooleanKeepsPiece(GmBoolOp op, int o, int c)
{
    switch (op) {
    case GmBoolOp::Union:
        return c == CLS_OUT || (o == 0 && c == CLS_ON_SAME);
    case GmBoolOp::Intersection:
        return c == CLS_IN || (o == 0 && c == CLS_ON_SAME);
    case GmBoolOp::Difference:
        return o == 0 ? (c == CLS_OUT || c == CLS_ON_OPP) : c == CLS_IN;
    }
    return false;
}

std::unique_ptr<GmGeom> EvaluateOnce(GmBoolOp op, const GmGeom &a, const GmGeom &b, GmBooleanStats *stats,
                                     double toleranceScale)
{
    GmGeom &A = const_cast<GmGeom &>(a);
    GmGeom &B = const_cast<GmGeom &>(b);
    GmImprint im(A, B, toleranceScale);
    im.run();
    if (stats) {
        stats->facePairs = im.pairCount();
        stats->piecesA = static_cast<int>(im.pieces(0).size());
        stats->piecesB = static_cast<int>(im.pieces(1).size());
    }
    std::vector<GmSoupFace> out;
    // Room for every piece at once: grown by doubling, the soup would be
    // written into fresh memory about twice over.
    out.reserve(im.pieces(0).size() + im.pieces(1).size());
    std::map<uint64_t, uint32_t> groups;
    // Both operands are classified before any loop is taken out: the
    // classification reads the other operand's faces.
    const std::vector<int> classes[2] = {Classify(im, 0), Classify(im, 1)};
    for (int o = 0; o < 2; ++o) {
        const std::vector<int> &cls = classes[o];
        auto &pieces = im.pieces(o);
        auto &faces = im.faces(o);
        for (size_t i = 0; i < pieces.size(); ++i) {
            if (!BooleanKeepsPiece(op, o, cls[i])) {
                continue;
            }
            // A difference keeps B's pieces inside A, turned to face out of the result.
            const bool reverse = op == GmBoolOp::Difference && o == 1;
            GmPolyFace &f = faces[static_cast<size_t>(pieces[i].face)];
            GmSoupFace of;
            // Taken, not copied (a piece that shares its face's loops is
            // the face's only piece, so they are taken from the face).
            of.loops = std::move(pieces[i].sharesFace ? f.loops : pieces[i].loops);
            of.normal = reverse ? -f.normal : f.normal;
            if (reverse) {
                for (auto &l : of.loops) {
                    std::reverse(l.begin(), l.end());
                }
            }
            of.attributes = f.attributes;
            // Smoothing groups of the two operands never meet: each
            // (operand, group) gets a fresh dense number in the result.
            if (f.group != 0) {
                auto key = (static_cast<uint64_t>(o) << 32) | f.group;
                auto it = groups.find(key);
                if (it == groups.end()) {
                    it = groups.emplace(key, static_cast<uint32_t>(groups.size() + 1)).first;
                }
                of.group = it->second;
            }
            of.mark = f.mark;
            of.origin = (static_cast<uint64_t>(o) << 32) | static_cast<uint64_t>(pieces[i].face);
            out.push_back(std::move(of));
        }
    }
    // The kept pieces are copied out: the faces and pieces of the imprint
    // go before the result is built, so both are not held at once.
    im.releaseWork();
    // Pieces of one original face that stay side by side merge again, and
    // nodes left in the middle of straight edges go (heal).
    heal_soup(out, [&](int i) -> const Vec3 & { return im.pool()[i]; }, im.tolerance());
    auto result = std::make_unique<GmGeom>(a.extent(), a.tolerance());
    std::vector<GmNode *> nodes(static_cast<size_t>(im.pool().size()), nullptr);
    // The points the kept faces use, made into nodes in ascending order (a
    // flag per pool point rather than sorting every use).
    std::vector<uint8_t> used(nodes.size(), 0);
    for (const GmSoupFace &f : out) {
        for (const auto &l : f.loops) {
            for (int id : l) {
                used[static_cast<size_t>(id)] = 1;
            }
        }
    }
    for (size_t id = 0; id < used.size(); ++id) {
        if (used[id]) {
            nodes[id] = result->add_node(im.world(static_cast<int>(id)), true, nullptr, false);
        }
    }
    // One buffer for the loops of every face: no allocation per face.
    std::vector<std::vector<GmNode *>> loops;
    std::vector<GmFace *> degenerate;
    for (GmSoupFace &f : out) {
        loops.resize(f.loops.size());
        for (size_t li = 0; li < f.loops.size(); ++li) {
            loops[li].clear();
            for (int id : f.loops[li]) {
                loops[li].push_back(nodes[static_cast<size_t>(id)]);
            }
        }
        GmFace *face = result->add_face_loops(loops, f.mark != 0);
        face->attributes = f.attributes;
        face->setGroup(f.group);
        // What remove_degenerate_faces() would remove, told while the face
        // is at hand: the passes over the whole result that clean up after
        // removals are needed only when there were any.
        if (face->loops.empty() || face->loops[0]->uses.size() < 3 || face_area(face) <= result->tolerance2()) {
            degenerate.push_back(face);
        }
        // Each soup face goes as soon as it is built: the soup and the
        // result are never both whole at once.
        std::vector<std::vector<int>>().swap(f.loops);
    }
    std::vector<GmSoupFace>().swap(out);
    std::vector<GmNode *>().swap(nodes);
    for (GmFace *face : degenerate) {
        result->remove_face(face);
    }
    // Every face's plane was computed as it was added, and no node moved.
    result->build_solids(1, true);
    // The solids take the attribute word of A's first solid (B's when A has
    // none), as an inserted solid takes its origin's word.
    uint32_t solidWord = 0;
    if (!A.liveSolids().empty()) {
        solidWord = A.liveSolids().front()->attributes;
    } else if (!B.liveSolids().empty()) {
        solidWord = B.liveSolids().front()->attributes;
    }
    for (GmSolid *s : result->liveSolids()) {
        s->attributes = solidWord;
    }
    if (!degenerate.empty()) {
        // Every edge and node made has a use until a face goes.
        result->remove_dangling(1);
        result->remove_dangling(0);
        result->purge();
    }
    if (g_validate) {
        GmValidityReport r = check_validity(*result);
        if (!r.ok) {
            throw GmOperationFailed("boolean: the result is not a valid solid: " + summary(r));
        }
        const std::string broken = check_identities(op, A, B, *result, im.tolerance());
        if (!broken.empty()) {
            throw GmOperationFailed("boolean: " + broken);
        }
    }
    return result;
}
}  // namespace

std::unique_ptr<GmGeom> boolean_evaluate(GmBoolOp op, const GmGeom &a, const GmGeom &b, GmBooleanStats *stats)
{
    if (!g_validate) {
        return EvaluateOnce(op, a, b, stats, 1.0);
    }
    CheckOperand(a, "A");
    CheckOperand(b, "B");
    // Surfaces about a tolerance apart cut each other into slivers that may
    // not close; with a coarser tolerance they meet as one surface. Each
    // try is checked, so a coarser result is taken only when it is sound.
    const double scales[] = {1.0, 8.0, 64.0};
    for (size_t i = 0;; ++i) {
        try {
            return EvaluateOnce(op, a, b, stats, scales[i]);
        } catch (const GmOperationFailed &) {
            if (i + 1 == std::size(scales)) {
                throw;
            }
        }
    }
}

GmBooleanResult boolean_request(GmBoolOp op, const GmGeom &a, const GmGeom &b)
{
    GmBooleanResult r;
    try {
        r.geom = boolean_evaluate(op, a, b);
        r.ok = true;
    } catch (const SgError &e) {
        r.message = e.what();
    } catch (const std::bad_alloc &) {
        r.message = "boolean: out of memory";
    }
    return r;
}

// ------------------------------------------------------- GmGeom members

bool GmGeom::canInteract(const GmGeom *b) const
{
    bool sa = solidCount() > 0, sb = b->solidCount() > 0;
    if (sa && sb) {
        return true;
    }
    if (sa) {
        return b->faceCount() > 0;
    }
    if (sb) {
        return faceCount() > 0;
    }
    return false;
}

GmGeom *GmGeom::intersect(GmGeom *b)
{
    if (!canInteract(b)) {
        clear();
        return this;
    }
    std::unique_ptr<GmGeom> r = boolean_evaluate(GmBoolOp::Intersection, *this, *b);
    takeOver(std::move(*r));
    return this;
}

GmGeom *GmGeom::subtract(GmGeom *b)
{
    if (!canInteract(b)) {
        return this;
    }
    std::unique_ptr<GmGeom> r = boolean_evaluate(GmBoolOp::Difference, *this, *b);
    takeOver(std::move(*r));
    return this;
}

GmGeom *GmGeom::unite(GmGeom *b)
{
    std::unique_ptr<GmGeom> r = boolean_evaluate(GmBoolOp::Union, *this, *b);
    takeOver(std::move(*r));
    return this;
}

namespace {
std::unique_ptr<GmGeom> RebuildFromPieces(const GmGeom &g, GmImprint &im, int op, bool dropCoincident, int mode)
{
    auto result = std::make_unique<GmGeom>(g.extent(), g.tolerance());
    std::unordered_map<int, GmNode *> nodes;
    auto nodeOf = [&](int id) {
        auto it = nodes.find(id);
        if (it == nodes.end()) {
            it = nodes.emplace(id, result->add_node(im.world(id), true, nullptr, false)).first;
        }
        return it->second;
    };
    std::vector<int> ops = op < 0 ? std::vector<int>{0, 1} : std::vector<int>{op};
    std::vector<int> clsB;
    if (dropCoincident) {
        clsB = Classify(im, 1);
    }
    for (int o : ops) {
        auto &pieces = im.pieces(o);
        for (size_t i = 0; i < pieces.size(); ++i) {
            if (o == 1 && dropCoincident && (clsB[i] == CLS_ON_SAME || clsB[i] == CLS_ON_OPP)) {
                continue;  // fused with A's coincident face
            }
            const GmPolyFace &f = im.faces(o)[static_cast<size_t>(pieces[i].face)];
            std::vector<std::vector<GmNode *>> loops;
            for (const auto &l : pieces[i].loopsIn(f)) {
                std::vector<GmNode *> ln;
                for (int id : l) {
                    ln.push_back(nodeOf(id));
                }
                loops.push_back(std::move(ln));
            }
            GmFace *face = result->add_face_loops(loops, f.mark != 0);
            face->attributes = f.attributes;
            face->setGroup(f.group);
        }
    }
    remove_degenerate_faces(*result);
    result->build_solids(mode);
    result->purge();
    if (g_validate) {
        GmValidityReport r = check_validity(*result);
        if (!r.ok) {
            throw GmOperationFailed("boolean: the result is not a valid solid: " + summary(r));
        }
    }
    return result;
}
}  // namespace

GmGeom *GmGeom::combine(GmGeom *b)
{
    if (g_validate) {
        CheckOperand(*this, "A");
        CheckOperand(*b, "B");
    }
    GmImprint im(*this, *b);
    im.run();
    // Both built and checked before either operand is touched, so that a
    // refusal leaves both as they were.
    std::unique_ptr<GmGeom> cutB = RebuildFromPieces(*b, im, 1, false, 1);
    std::unique_ptr<GmGeom> cutA = RebuildFromPieces(*this, im, 0, false, 1);
    b->takeOver(std::move(*cutB));
    takeOver(std::move(*cutA));
    return this;
}

GmGeom *GmGeom::glue(GmGeom *b)
{
    if (g_validate) {
        CheckOperand(*this, "A");
        CheckOperand(*b, "B");
    }
    GmImprint im(*this, *b);
    im.run();
    std::unique_ptr<GmGeom> glued = RebuildFromPieces(*this, im, -1, true, 0);
    takeOver(std::move(*glued));
    return this;
}

}  // namespace solvane
