#include "engine/render/SgGLParticleVisitors.h"

#include <GL/gl.h>

#include <algorithm>
#include <vector>

#include "engine/core/SgElementClasses.h"
#include "engine/core/SgState.h"
#include "engine/core/SgVecField.h"
#include "engine/nodes/particles/SgDynamicEffect.h"
#include "engine/nodes/particles/SgEmitter.h"
#include "engine/render/SgGLRenderAction.h"

namespace {

std::vector<EffectorInfo> *FrameEffectors(SgAction *action)
{
    SgGLRenderAction *render = SgGLRenderAction::Of(action);
    return render ? &render->m_Effectors : nullptr;
}

// The first diffuse colour in force: the particles and outlines are drawn
// unlit in it.
void UseDiffuseColour(SgAction *action)
{
    SgVecField<Color, 10> *diffuse = DiffuseColorElement::Get(action->GetState());
    if (diffuse && diffuse->GetCount() > 0) {
        const Color &c = diffuse->GetValues()[0];
        if (c.r >= 0.0f)
            glColor4f(c.r, c.g, c.b, c.a);
    }
}

class ShapeNames {
public:
    ShapeNames(SgGLRenderAction *render, SgNode *node) : m_render(render), m_count(render->PushShapeNames(node)) {}
    ~ShapeNames() { m_render->PopNames(m_count); }
    ShapeNames(const ShapeNames &) = delete;
    ShapeNames &operator=(const ShapeNames &) = delete;

private:
    SgGLRenderAction *m_render;
    int m_count;
};

} // namespace

void SgGLParticleVisitors::Install(void (**table)(SgAction *, SgNode *))
{
    SgAction::SetVisitor(table, SgEmitter::ClassID(), VisitEmitter);
    SgAction::SetVisitor(table, SgDynamicEffect::ClassID(), VisitDynamicEffect);
    SgEmitter::SetEffectorsSource(&FrameEffectors);
}

void SgGLParticleVisitors::DrawBoxOutline(double a, double b, double c)
{
    glBegin(GL_LINE_STRIP);
    glVertex3d(-a, -b, -c);
    glVertex3d(a, -b, -c);
    glVertex3d(a, b, -c);
    glVertex3d(-a, b, -c);
    glVertex3d(-a, -b, -c);
    glVertex3d(-a, -b, c);
    glVertex3d(a, -b, c);
    glVertex3d(a, b, c);
    glVertex3d(-a, b, c);
    glVertex3d(-a, -b, c);
    glEnd();
    glBegin(GL_LINES);
    glVertex3d(a, -b, -c);
    glVertex3d(a, -b, c);
    glVertex3d(a, b, -c);
    glVertex3d(a, b, c);
    glVertex3d(-a, b, -c);
    glVertex3d(-a, b, c);
    glEnd();
}

void SgGLParticleVisitors::VisitEmitter(SgAction *action, SgNode *node)
{
    SgGLRenderAction *render = SgGLRenderAction::Of(action);
    if (!render) {
        node->DoAction(action);
        return;
    }
    if (!render->InCurrentPass())
        return;
    ShapeNames names(render, node);
    auto *emitter = static_cast<SgEmitter *>(node);
    emitter->DoAction(action);
    // Unlit: a pass that adds a light has nothing of it to add.
    if (render->m_bAdditivePass)
        return;
    glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT | GL_POINT_BIT);
    glDisable(GL_LIGHTING);
    UseDiffuseColour(action);
    glPointSize(kParticleSize);
    const Vec3 *points = emitter->GetPoints();
    const unsigned char *alive = emitter->GetLife();
    const int count = std::min(emitter->GetSize(), emitter->GetCapacity());
    glBegin(GL_POINTS);
    for (int i = 0; i < count; ++i)
        if (alive[i])
            glVertex3dv(&points[i].x);
    glEnd();
    DrawBoxOutline(emitter->m_width.Get(true) / 2.0, emitter->m_height.Get(true) / 2.0, 0.0);
    glPopAttrib();
}

void SgGLParticleVisitors::VisitDynamicEffect(SgAction *action, SgNode *node)
{
    SgGLRenderAction *render = SgGLRenderAction::Of(action);
    if (!render) {
        node->DoAction(action);
        return;
    }
    if (!render->InCurrentPass())
        return;
    ShapeNames names(render, node);
    node->DoAction(action);
    if (render->m_bAdditivePass)
        return;
    const Vec3 half = static_cast<SgDynamicEffect *>(node)->m_dimension.Get(true) * 0.5;
    glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT);
    glDisable(GL_LIGHTING);
    UseDiffuseColour(action);
    DrawBoxOutline(half.x, half.y, half.z);
    glPopAttrib();
}
