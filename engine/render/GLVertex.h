#pragma once
// The vertex record that face and polygon code hands to the GLU tessellator
// when it draws directly (not through the vertex-array builder), with the
// vertex callbacks that generate texture coordinates by mapping kind, the
// combine callback and the error callback.
//
//   gluTessCallback(tess, GLU_TESS_VERTEX, (GLvoid (*)())GLVertex::vertex_func_table[kind]);
//   gluTessCallback(tess, GLU_TESS_COMBINE, (GLvoid (*)())GLVertex::combine);
#include <GL/gl.h>
#include "engine/core/NodaraExport.h"

class NODARA_API GLVertex {
public:
    using VertexFn = void (*)(GLVertex *);

    // Mapping kinds that have a callback in the table: 0 to 2 the vertex's
    // own pair, 3 spherical, 4 cylindrical, 5 cubical.
    static constexpr int kMappingKinds = 6;
    static constexpr int kPoolSize = 2000;
    // The combine callback's pool: it uses kCombineSlots of its entries and
    // starts over at the first when they are used up.
    static constexpr int kCombinePoolSize = 302;
    static constexpr int kCombineSlots = 300;

    GLVertex();
    GLVertex(const GLVertex &other) = default;
    GLVertex &operator=(const GLVertex &other) = default;
    virtual ~GLVertex() = default;

    GLdouble position[3] = {0.0, 0.0, 0.0};
    GLfloat normal[3] = {0.0f, 0.0f, 0.0f};
    GLfloat texCoord[2] = {0.0f, 0.0f};
    bool hasNormal = false;
    bool hasTexCoord = false;
    // The coordinate goes out some other way (multitexture arrays).
    bool texCoordElsewhere = false;

    static VertexFn vertex_func_table[kMappingKinds];
    static GLVertex vrtx[kPoolSize];
    static int count;

    static void combine(GLdouble coords[3], GLVertex *in[4], GLfloat weights[4], GLVertex **out);
    static void tesserror(GLenum error);
    // The slot the next combined vertex takes (for tests).
    static int GetCombineSlot() { return s_nCombineSlot; }
    static void ResetCombineSlot() { s_nCombineSlot = 0; }

    // The (s, t) each mapping gives for a point (no GL involved).
    static void SphereMap(const GLdouble p[3], GLfloat st[2]);
    static void CylinderMap(const GLdouble p[3], GLfloat st[2]);
    static void CubicalMap(const GLdouble p[3], GLfloat st[2]);
    static void UserMap(const GLdouble p[3], GLfloat st[2]);

private:
    static GLVertex s_aCombinePool[kCombinePoolSize];
    static int s_nCombineSlot;
};

NODARA_API void glFaceSetVertex3dv(GLVertex *v);
NODARA_API void glVertexSphereTxtrMap3dv(GLVertex *v);
NODARA_API void glVertexCylinderTxtrMap3dv(GLVertex *v);
NODARA_API void glVertexCubicalTxtrMap3dv(GLVertex *v);
NODARA_API void glVertexUserTxtrMap3dv(GLVertex *v);
