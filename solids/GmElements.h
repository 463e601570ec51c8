#pragma once
// Element records of the solid kernel. A solid is a list of
// shells; a shell a list of oriented face uses; a face a list of loops; a loop
// a list of oriented edge uses; an edge joins two nodes. Back links run the
// other way. Records live in storage owned by their GmGeom and never move.
//
// Every element carries an id, given in creation order by its geometry, so
// that every order the kernel produces is independent of addresses.
#include <cstdint>
#include <vector>

#include "solids/GmSmallList.h"
#include "utilities/math/Vec3.h"
#include "solids/SolvaneExport.h"

namespace solvane {

struct GmEdge;
struct GmLoop;
struct GmFace;
struct GmShell;
struct GmSolid;
struct GmEdgeRef;
struct GmFaceRef;

enum GmKind : uint8_t { GM_NODE = 0, GM_EDGE = 1, GM_FACE = 2, GM_SOLID = 3 };

struct SOLVANE_API GmBaseElm {
    uint32_t flags = 0;       // element-set membership bits
    uint32_t attributes = 0;  // attribute word
    GmBaseElm *mate = nullptr;
    uint8_t mark = 0;
    uint8_t removed = 0;
    uint8_t kind = 0;
    uint32_t code = 0;  // upper 22 bits: face group; lower 10 bits: free
    uint32_t id = 0;

    uint32_t group() const { return code >> 10; }
    void setGroup(uint32_t g) { code = (code & 0x3FFu) | ((g & 0x3FFFFFu) << 10); }
};

struct SOLVANE_API GmNode : GmBaseElm {
    GmSmallList<GmEdge *, 4> edges;  // incident-edge ring
    Vec3 position;
};

struct SOLVANE_API GmEdge : GmBaseElm {
    bool usesSorted = false;  // first: it fills the base record's tail
    GmEdge *origin = nullptr;
    GmNode *node1 = nullptr;
    GmNode *node2 = nullptr;
    GmSmallList<GmEdgeRef *, 2> uses;  // two on a closed manifold surface

    GmNode *other(const GmNode *n) const { return n == node1 ? node2 : node1; }
    bool isSelfLoop() const { return node1 == node2; }
};

// One use of an edge by a loop.
struct SOLVANE_API GmEdgeRef {
    GmEdge *edge = nullptr;
    GmLoop *loop = nullptr;
    bool reversed = false;

    GmNode *start() const { return reversed ? edge->node2 : edge->node1; }
    GmNode *end() const { return reversed ? edge->node1 : edge->node2; }
};

struct SOLVANE_API GmLoop {
    GmSmallList<GmEdgeRef *, 4> uses;
    double area = 0.0;
    GmFace *face = nullptr;
    bool chain = false;
    bool area_valid = false;
};

struct SOLVANE_API GmFace : GmBaseElm {
    int ref_count = 0;  // first: it fills the base record's tail
    bool area_valid = false;
    GmFace *origin = nullptr;
    double area = 0.0;
    Vec3 normal{0.5773502691896257, 0.5773502691896257, 0.5773502691896257};
    double d = 0.0;
    // A point of the plane (the first corner when the plane was computed):
    // distances are taken from it, never from d, so they keep their digits
    // far from the origin.
    Vec3 anchor;
    GmSmallList<GmLoop *, 1> loops;  // first: outer boundary; others: holes
    GmFaceRef *front = nullptr;
    GmFaceRef *back = nullptr;
};

// A use of a face by a shell; side 0 front (the side the normal points to),
// side 1 back (the material side of an outward-facing solid boundary).
struct SOLVANE_API GmFaceRef {
    GmFace *face = nullptr;
    GmShell *shell = nullptr;
    int side = 1;
};

struct SOLVANE_API GmShell {
    std::vector<GmFaceRef *> faces;
    GmSolid *solid = nullptr;
    double volume = 0.0;  // running sum, times 1/3 once complete
    // The point the running sum is taken about: the first face's first
    // corner, so that the sum keeps its digits far from the origin.
    Vec3 reference;
    bool hasReference = false;
    GmShell *origin1 = nullptr;
    GmShell *origin2 = nullptr;
    uint32_t id = 0;
};

struct SOLVANE_API GmSolid : GmBaseElm {
    std::vector<GmShell *> shells;
};

}  // namespace solvane
