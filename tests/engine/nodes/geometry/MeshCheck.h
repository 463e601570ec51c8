#pragma once
// Checks that a face set bounds a solid: after merging vertices that lie at
// one place, every edge is used by exactly two face loops, once in each
// direction; the signed volume is positive (faces point outwards); no
// coordinate is NaN or infinite. Geometry tests run it over every shape that
// is meant to be closed.
#include <string>

class SgFaceSet;

struct MeshCheck {
    int faces = 0;
    int edges = 0;
    // Edges used by one loop only, or by more than two.
    int openEdges = 0;
    int overusedEdges = 0;
    // Edges whose two uses run the same way (neighbouring faces disagree).
    int misorientedEdges = 0;
    bool finite = true;
    double volume = 0.0;

    bool IsClosed() const { return faces > 0 && openEdges == 0 && overusedEdges == 0 && misorientedEdges == 0; }
    bool IsSolid() const { return IsClosed() && finite && volume > 0.0; }
    // One line for a failure message.
    std::string Describe() const;
};

// `tolerance` is the distance below which two vertices count as one, as a
// fraction of the mesh's size.
MeshCheck CheckMesh(SgFaceSet &mesh, double tolerance = 1e-9);
