#include "engine/render/GLVertex.h"

#include <algorithm>
#include <cmath>
#include <numbers>

GLVertex::VertexFn GLVertex::vertex_func_table[kMappingKinds] = {
    glFaceSetVertex3dv,       glFaceSetVertex3dv,         glFaceSetVertex3dv,
    glVertexSphereTxtrMap3dv, glVertexCylinderTxtrMap3dv, glVertexCubicalTxtrMap3dv,
};
GLVertex GLVertex::vrtx[kPoolSize];
int GLVertex::count = 0;
GLVertex GLVertex::s_aCombinePool[kCombinePoolSize];
int GLVertex::s_nCombineSlot = 0;

namespace {

void SendNormal(const GLVertex *v)
{
    if (v->hasNormal)
        glNormal3fv(v->normal);
}

} // namespace

GLVertex::GLVertex() = default;

void GLVertex::SphereMap(const GLdouble p[3], GLfloat st[2])
{
    const double length = std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
    st[0] = static_cast<GLfloat>(std::atan2(p[1], p[0]) / (2.0 * std::numbers::pi) + 0.5);
    // The origin has no direction: it takes the equator.
    const double ratio = length > 0.0 ? std::clamp(p[2] / length, -1.0, 1.0) : 0.0;
    st[1] = static_cast<GLfloat>(std::asin(ratio) / std::numbers::pi + 0.5);
}

void GLVertex::CylinderMap(const GLdouble p[3], GLfloat st[2])
{
    st[0] = static_cast<GLfloat>(std::atan2(p[1], p[0]) / (2.0 * std::numbers::pi) + 0.5);
    st[1] = static_cast<GLfloat>(p[2]);
}

void GLVertex::CubicalMap(const GLdouble p[3], GLfloat st[2])
{
    const double x = p[0], y = p[1], z = p[2];
    const double ax = std::fabs(x), ay = std::fabs(y), az = std::fabs(z);
    double u = 0.0, v = 0.0;
    if (ax > ay && ax > az) {
        u = x < 0 ? y / x : -y / x;
        v = x < 0 ? z / x : -z / x;
    } else if (ay > ax && ay > az) {
        u = y < 0 ? z / y : -z / y;
        v = y < 0 ? x / y : -x / y;
    } else if (az > ax && az > ay) {
        u = z < 0 ? x / z : -x / z;
        v = z < 0 ? y / z : -y / z;
    }
    // No strictly dominant axis (an edge or corner of the cube, or the
    // origin): the face centre, rather than a division by an equal or zero
    // coordinate.
    st[0] = static_cast<GLfloat>(u * 0.5 + 0.5);
    st[1] = static_cast<GLfloat>(v * 0.5 + 0.5);
}

void GLVertex::UserMap(const GLdouble p[3], GLfloat st[2])
{
    const double d = p[2] - 0.6;
    if (d == 0.0) {
        st[0] = st[1] = 0.5f;
        return;
    }
    st[0] = static_cast<GLfloat>(-p[0] / d * 0.5 + 0.5);
    st[1] = static_cast<GLfloat>(-p[1] / d * 0.5 + 0.5);
}

void GLVertex::combine(GLdouble coords[3], GLVertex *in[4], GLfloat weights[4], GLVertex **out)
{
    if (s_nCombineSlot >= kCombineSlots)
        s_nCombineSlot = 0;
    GLVertex &v = s_aCombinePool[s_nCombineSlot++];
    v = *in[0];
    if (in[0]->hasNormal) {
        double n[3] = {0.0, 0.0, 0.0};
        const int used = (in[2] && in[3]) ? 4 : 2;
        for (int i = 0; i < used; ++i) {
            if (!in[i])
                continue;
            for (int k = 0; k < 3; ++k)
                n[k] += weights[i] * in[i]->normal[k];
        }
        const double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
        for (int k = 0; k < 3; ++k)
            v.normal[k] = static_cast<GLfloat>(length > 0.0 ? n[k] / length : n[k]);
    }
    for (int k = 0; k < 3; ++k)
        v.position[k] = coords[k];
    *out = &v;
}

void GLVertex::tesserror(GLenum) {}

void glFaceSetVertex3dv(GLVertex *v)
{
    SendNormal(v);
    if (v->hasTexCoord && !v->texCoordElsewhere)
        glTexCoord2fv(v->texCoord);
    glVertex3dv(v->position);
}

namespace {

void SendMapped(GLVertex *v, void (*map)(const GLdouble[3], GLfloat[2]))
{
    SendNormal(v);
    GLfloat st[2];
    map(v->position, st);
    glTexCoord2fv(st);
    glVertex3dv(v->position);
}

} // namespace

void glVertexSphereTxtrMap3dv(GLVertex *v)
{
    SendMapped(v, GLVertex::SphereMap);
}

void glVertexCylinderTxtrMap3dv(GLVertex *v)
{
    SendMapped(v, GLVertex::CylinderMap);
}

void glVertexCubicalTxtrMap3dv(GLVertex *v)
{
    SendMapped(v, GLVertex::CubicalMap);
}

void glVertexUserTxtrMap3dv(GLVertex *v)
{
    SendMapped(v, GLVertex::UserMap);
}
