#include "engine/render/SgGLBuildCacheAction.h"

#include <GL/gl.h>

#include "engine/core/SgElementClasses.h"
#include "engine/core/SgState.h"
#include "engine/core/SgCacheContainer.h"
#include "engine/core/SgGroup.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/core/SgSeparator.h"
#include "engine/render/SgGLPropertyVisitors.h"
#include "engine/render/SgGLRenderAction.h"
#include "engine/nodes/properties/SgTexture2D.h"
#include "engine/render/SgGLRenderCache.h"
#include "engine/nodes/geometry/SgGeometricShape.h"
#include "engine/core/SgModifier.h"
#include "engine/engines/SgParametric.h"
#include "engine/nodes/geometry/SgScatter.h"
#include "engine/nodes/geometry/SgExternalFile.h"
#include "engine/nodes/geometry/SgExtrude.h"

SG_ACTION_SOURCE(SgGLBuildCacheAction, "SgGLBuildCacheAction")

namespace {

SgGLBuildCacheAction *Self(SgAction *action)
{
    return static_cast<SgGLBuildCacheAction *>(action);
}

} // namespace

void SgGLBuildCacheAction::InitClass()
{
    if (!RegisterActionClass(s_iClassID, s_lpszClassName, &Creator, s_pfnMethodsMap))
        return;
    VisitorFn *table = s_pfnMethodsMap;
    SetVisitor(table, SgNode::ClassID(), VisitNode);
    SetVisitor(table, SgModifier::ClassID(), VisitModifier);
    SetVisitor(table, SgGroup::ClassID(), VisitGroup);
    SetVisitor(table, SgSeparator::ClassID(), VisitSeparator);
    SetVisitor(table, SgObject::ClassID(), VisitObject);
    SetVisitor(table, SgGeometricShape::ClassID(), VisitGeometricShape);
    SetVisitor(table, SgTexture2D::ClassID(), VisitTexture);
    SetVisitor(table, SgParametricModel::ClassID(), VisitOwnAction);
    SetVisitor(table, SgParametricObject::ClassID(), VisitOwnAction);
    SetVisitor(table, SgScatter::ClassID(), VisitOwnAction);
    SetVisitor(table, SgExternalFile::ClassID(), VisitOwnAction);
    SetVisitor(table, SgExtrude::ClassID(), VisitNothing);
    BuildVisitorsMap_(s_iClassID);

    int *list = s_aiEnabledElements;
    int &count = s_iEnabledCount;
    EnableElement<DiffuseColorElement>(list, count);
    EnableElement<SpecularColorElement>(list, count);
    EnableElement<AmbientColorElement>(list, count);
    EnableElement<EmissionColorElement>(list, count);
    EnableElement<ShininessElement>(list, count);
    EnableElement<AmbientElement>(list, count);
    EnableElement<TransformElement>(list, count);
    EnableElement<ModifierStackElement>(list, count);
    EnableElement<TextureCoordsElement>(list, count);
    EnableElement<TextureEnableElement>(list, count);
    EnableElement<ImageElement>(list, count);
}

SgGLBuildCacheAction::SgGLBuildCacheAction(SgGLRenderAction *parent) : m_pParent(parent)
{
    InitState();
    if (parent)
        m_bCacheDisabled = parent->IsCacheDisabled();
}

bool SgGLBuildCacheAction::Apply(SgNode *node)
{
    return SgAction::Apply(node);
}

void SgGLBuildCacheAction::PushState()
{
    if (m_pParent)
        m_pParent->PushState();
}

void SgGLBuildCacheAction::PopState()
{
    if (m_pParent)
        m_pParent->PopState();
}

SgGLRenderCache *SgGLBuildCacheAction::GetRenderCache(SgSeparator *separator, bool create)
{
    return GetRenderCache(separator, create, SgGLRenderAction::GetCacheSlot());
}

SgGLRenderCache *SgGLBuildCacheAction::GetRenderCache(SgSeparator *separator, bool create, int slot)
{
    if (!separator || slot < 0 || slot >= separator->GetEntryCount())
        return nullptr;
    SgCache *&entry = separator->GetCache(slot);
    auto *cache = dynamic_cast<SgGLRenderCache *>(entry);
    if (!cache && create) {
        delete entry;
        cache = new SgGLRenderCache;
        entry = cache;
    }
    return cache;
}

void SgGLBuildCacheAction::BuildSeparator(SgSeparator *separator)
{
    SgGLRenderAction *render = m_pParent;
    if (!render || !separator)
        return;
    const int slot = render->GetRenderCacheSlot();
    if (slot < 0 || slot >= separator->GetEntryCount())
        return;
    SgState *state = render->GetState();
    SgGLRenderCache *cache = GetRenderCache(separator, false, slot);
    if (cache && cache->IsValid() && cache->InCurrentContext())
        return;

    // Nested separators compile first, under the state they are drawn in.
    render->PushState();
    if (cache)
        cache->SetInUse(true);
    try {
        separator->SgGroup::DoAction(this);
    } catch (...) {
        if (cache)
            cache->SetInUse(false);
        render->PopState();
        throw;
    }
    if (cache)
        cache->SetInUse(false);
    render->PopState();

    if (m_bCacheDisabled)
        return;
    if (cache && cache->GetListID() != 0 && cache->InCurrentContext() &&
        (cache->CompareContext(state) || cache->IsValid()))
        return;

    cache = GetRenderCache(separator, true, slot);
    const GLuint list = cache->EnsureList();
    if (list == 0)
        return; // GL has no list to give: the separator is drawn directly
    cache->SetInUse(true);
    // Lists hold no selection names: the selection pass draws every shape
    // itself, face by face, so that each hit tells its face.
    cache->BeginCompiledList();
    SgGLRenderCache *outer = render->GetCompilingCache();
    render->SetCompilingCache(cache);
    render->BeginCompile();
    glNewList(list, GL_COMPILE);
    try {
        render->DrawSeparatorDirect(separator);
    } catch (...) {
        glEndList();
        render->EndCompile();
        render->SetCompilingCache(outer);
        cache->SetInUse(false);
        cache->DestroyCache();
        throw;
    }
    glEndList();
    render->EndCompile();
    render->SetCompilingCache(outer);
    cache->BuildCacheContext(state);
    cache->SetInUse(false);
}

// --- Visitors ----------------------------------------------------------------

void SgGLBuildCacheAction::VisitNode(SgAction *action, SgNode *node)
{
    // Properties take effect in the render action's state, so that nested
    // separators compile under the state they are drawn in.
    SgGLRenderAction *render = Self(action)->m_pParent;
    if (render && node->AffectsState() && !node->IsGroup())
        node->DoAction(render);
}

void SgGLBuildCacheAction::VisitTexture(SgAction *action, SgNode *node)
{
    // The walk before a list is compiled runs outside any list: textures are
    // made here, so that the list only binds them.
    VisitNode(action, node);
    if (Self(action)->m_pParent)
        SgGLPropertyVisitors::PrepareTexture2D(node);
}

void SgGLBuildCacheAction::VisitModifier(SgAction *action, SgNode *node)
{
    if (SgGLRenderAction *render = Self(action)->m_pParent)
        node->DoAction(render);
}

void SgGLBuildCacheAction::VisitGroup(SgAction *action, SgNode *node)
{
    node->DoAction(action);
}

void SgGLBuildCacheAction::VisitSeparator(SgAction *action, SgNode *node)
{
    Self(action)->BuildSeparator(static_cast<SgSeparator *>(node));
}

void SgGLBuildCacheAction::VisitObject(SgAction *action, SgNode *node)
{
    auto *object = static_cast<SgObject *>(node);
    if (object->m_hide.Get(true) == 0)
        Self(action)->BuildSeparator(object);
}

void SgGLBuildCacheAction::VisitGeometricShape(SgAction *action, SgNode *node)
{
    SgGLRenderAction *render = Self(action)->m_pParent;
    SgShape *result = static_cast<SgGeometricShape *>(node)->GetResultCache();
    if (!render || !result)
        return;
    SgState *state = render->GetState();
    render->PushState();
    try {
        // The result was made with the modifiers in force already applied.
        SgModifierStack empty;
        ModifierStackElement::Reset(state, node, empty);
        result->DoAction(action);
    } catch (...) {
        render->PopState();
        throw;
    }
    render->PopState();
}

void SgGLBuildCacheAction::VisitOwnAction(SgAction *action, SgNode *node)
{
    node->DoAction(action);
}
