#pragma once
// Drawing solids with OpenGL, or gathering their triangles: one routine walks
// the faces of a geometry, hands triangles (and convex quads) straight to the
// vertex-array builder and every other face to the GLU tessellator, computes
// smooth per-vertex normals by smoothing group, and optionally draws nodes
// and edges as small markers coloured by their attributes.
//
// This header includes no GL, so that code of the solid library that only
// needs triangles (the STL exporter) can call GmCollectTriangles.
#include <cstdint>
#include <vector>

#include "engine/render/SgGLStateReads.h"
#include "utilities/math/Vec3f.h"
#include "solids/SolvaneExport.h"

class GLVertexArray;

namespace solvane {

class GmGeom;

struct SOLVANE_API GmDrawSettings {
    bool textureEnabled = false;
    // Smooth shading with per-vertex normals from the smoothing groups.
    bool smooth = false;
    int textureFuncType = 0;
    // Collect triangles into the builder's aggregation buffers instead of
    // drawing; no OpenGL state is touched then.
    bool aggregate = false;
    bool edgeFlag = false;
    // The builder; when null the library's own one is used and stored here.
    GLVertexArray *vertexArray = nullptr;
    // The texture units in force (as the face sets read them).
    const SgGLStateReads::TextureSource *textureUnits = nullptr;
    int textureUnitCount = 0;
};

struct SOLVANE_API GmDrawRequest {
    static constexpr unsigned kNoList = 0xFFFFFFFFu;
    unsigned listName = kNoList;
    bool drawNodes = false;
    bool drawEdges = false;
    bool drawFaces = true;
    // Only nodes without edges and edges in no loop.
    bool drawLoose = false;
    bool edgeFlags = false;
    bool colourByAttribute = false;
};

// What one drawing did.
struct SOLVANE_API GmDrawStats {
    int faces = 0;        // faces sent
    int tessellated = 0;  // of those, through the tessellator
    int direct = 0;       // triangles and quads sent straight to the builder
};

// The size of the tessellation vertex store a drawing starts with; a face
// with more points grows it before its polygon starts.
constexpr int kGmTessStoreSize = 20000;
// The vertex cache keeps this many slots per node unless the nodes'
// incident edges add up to more.
constexpr int kGmSlotsPerNode = 10;

// The colour-by-attribute palette entry for an attribute value (RGBA).
SOLVANE_API void GmPaletteColour(uint32_t value, unsigned char rgba[4]);

// Draws (or, with settings.aggregate, gathers) the geometry. Faces are
// prepared (plane and normal) as they are drawn. Throws GmInternalError for a
// loop use without an edge, which a consistent geometry never has; the
// display list and GL stacks are put back first.
SOLVANE_API GmDrawStats GmDrawGeom(GmDrawSettings &settings, const GmDrawRequest &request, GmGeom &geom);

// The triangles of the whole geometry as the drawing makes them: three
// points and three normals per triangle, in face order.
struct SOLVANE_API GmTriangles {
    std::vector<Vec3f> points;
    std::vector<Vec3f> normals;
    int count() const { return static_cast<int>(points.size() / 3); }
};
SOLVANE_API GmTriangles GmCollectTriangles(GmGeom &geom, bool smooth = false);

}  // namespace solvane
