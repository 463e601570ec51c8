#pragma once
// The sink through which producers that do not know the node classes (the
// solid library's converters, the path wrapper) read and write vertices and
// faces. The adapters bind it to a node; the base answers every operation
// with nothing.
//
// Vertex handles are vertex indexes carried in a pointer (ToHandle,
// ToIndex), so the first vertex's handle is null. Face handles only tell
// success: null means the face was not stored.
#include <cstdint>

#include "utilities/math/Vec3.h"
#include "utilities/math/Vec3f.h"
#include "engine/core/NodaraExport.h"

class NODARA_API GenericGeom {
public:
    GenericGeom() = default;
    GenericGeom(const GenericGeom &) = default;
    GenericGeom &operator=(const GenericGeom &) = default;
    virtual ~GenericGeom();

    virtual void *AddVertex(const Vec3f &) { return nullptr; }
    virtual void *AddVertex(const Vec3 &) { return nullptr; }
    // Texture coordinates (u, v) of the vertex added last.
    virtual void *SetTexCoord(const float *) { return nullptr; }
    virtual void *AddQuad(void *, void *, void *, void *) { return nullptr; }
    // One face of abs(count) vertices, in reverse order when count is negative.
    virtual void *AddFace(int, void **) { return nullptr; }
    virtual void *AddTriangle(void *, void *, void *) { return nullptr; }
    virtual void MarkFace(void *, int) {}
    virtual void BreakFace(void *, int) {}
    virtual unsigned VertexCount() { return 0; }
    virtual unsigned FaceCount() { return 0; }
    virtual unsigned EdgeCount() { return 0; }
    virtual const Vec3 &GetVertex(int) { return s_origin; }
    // The position of the vertex's representative among the vertices that
    // share its place.
    virtual const Vec3 &GetNonDupVertex(int) { return s_origin; }
    virtual void SetVertex(int, const Vec3 &) {}
    virtual int VertexDupIndex(int vertex) { return vertex; }

    static void *ToHandle(int index) { return reinterpret_cast<void *>(static_cast<intptr_t>(index)); }
    static int ToIndex(const void *handle) { return static_cast<int>(reinterpret_cast<intptr_t>(handle)); }

protected:
    // What the base hands out for a vertex it does not have.
    static const Vec3 s_origin;
};
