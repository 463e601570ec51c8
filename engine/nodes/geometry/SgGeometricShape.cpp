#include "engine/nodes/geometry/SgGeometricShape.h"

#include <exception>
#include <string>
#include <string_view>

#include "engine/core/CacheEntry.h"
#include "engine/core/SgAction.h"
#include "engine/core/SgBooleanCache.h"
#include "engine/core/SgElementClasses.h"
#include "engine/core/SgModifierStackDisabler.h"
#include "engine/core/SgState.h"
#include "engine/core/SgSeparator.h"
#include "engine/core/SgDocumentLink.h"
#include "platform/SgDiagnostics.h"

SG_CLASS_SOURCE(SgGeometricShape, SgShape, SgFieldMngr, "SgGeometricShape")

int SgGeometricShape::s_iGeometricCashe = -1;

void SgGeometricShape::InitCacheSlot()
{
    if (s_iGeometricCashe < 0)
        s_iGeometricCashe = SgCacheContainer::NewCacheSlot();
}

SgGeometricShape::SgGeometricShape()
{
    SetSeparator(nullptr);
}

SgGeometricShape::~SgGeometricShape()
{
    ClearResultCache();
    if (m_pSeparator) {
        // The separator must not tell a shape that is going away.
        m_pSeparator->DeleteFather(this);
        m_pSeparator.reset();
    }
}

void SgGeometricShape::SetSeparator(SgSeparator *separator)
{
    SgRef<SgSeparator> next = separator ? separator : new SgSeparator;
    if (next == m_pSeparator)
        return;
    if (m_pSeparator)
        m_pSeparator->DeleteFather(this);
    m_pSeparator = next;
    m_pSeparator->AddFather(this);
}

SgGroup *SgGeometricShape::GetHeldGroup() const
{
    return m_pSeparator.get();
}

SgCache **SgGeometricShape::ResultSlot() const
{
    if (!m_pSeparator || s_iGeometricCashe < 0 || s_iGeometricCashe >= m_pSeparator->GetEntryCount())
        return nullptr;
    return &m_pSeparator->GetCache(s_iGeometricCashe);
}

SgBooleanCache *SgGeometricShape::GetResultCacheObject() const
{
    SgCache **slot = ResultSlot();
    return slot ? dynamic_cast<SgBooleanCache *>(*slot) : nullptr;
}

SgShape *SgGeometricShape::GetResultCache() const
{
    SgBooleanCache *cache = GetResultCacheObject();
    return cache ? cache->GetShape() : nullptr;
}

void SgGeometricShape::SetResultCache(SgShape *result, SgAction *action)
{
    SgCache **slot = ResultSlot();
    if (!slot) {
        SgDiagError("Geometry", "%s: no result cache slot; the result is not kept", GetClassName());
        // The caller handed the result over: taking and dropping a reference
        // frees it unless someone else holds one.
        SgRef<SgShape> dropped(result);
        return;
    }
    auto *cache = dynamic_cast<SgBooleanCache *>(*slot);
    if (!cache) {
        delete *slot;
        cache = new SgBooleanCache;
        *slot = cache;
    }
    // Takes the new result before it lets go of the old one, so storing the
    // same shape again keeps it.
    cache->SetShape(result);
    if (action)
        cache->BuildCacheContext(action->GetState());
}

bool SgGeometricShape::CompareResultCache(SgState *state)
{
    SgBooleanCache *cache = GetResultCacheObject();
    if (!cache)
        return false;
    SgAction *owner = state ? state->GetOwner() : nullptr;
    if (owner && !owner->GetTargetPath().IsEmpty())
        return true;
    return cache->CompareContext(state);
}

void SgGeometricShape::ExtendStateContext(SgState *state)
{
    if (SgBooleanCache *cache = GetResultCacheObject())
        cache->ExtendStateContext(state);
}

void SgGeometricShape::ClearResultCache()
{
    if (!m_pSeparator)
        return;
    m_pSeparator->ClearAllCaches();
    // A cache with the keep flag survives the clearing; the result goes anyway.
    if (SgCache **slot = ResultSlot()) {
        if (*slot) {
            (*slot)->DestroyCache();
            delete *slot;
            *slot = nullptr;
        }
    }
}

void SgGeometricShape::OnChange(SgField *field)
{
    SgShape::OnChange(field);
    ClearResultCache();
}

void SgGeometricShape::NotifyFathers(SgNode *from)
{
    if (IsBuiltinMacro() && from && from == m_pSeparator.get())
        return;
    SgShape::NotifyFathers(from);
}

void SgGeometricShape::Invalidate()
{
    if (m_pSeparator)
        m_pSeparator->Invalidate();
}

void SgGeometricShape::Refresh(int mode)
{
    if (mode != 1)
        ClearResultCache();
}

void SgGeometricShape::SetDocument(SgDocument *document)
{
    SgShape::SetDocument(document);
    if (m_pSeparator)
        m_pSeparator->SetDocument(document);
}

void SgGeometricShape::AppendDocumentMembers(std::vector<SgNode *> &members)
{
    SgShape::AppendDocumentMembers(members);
    if (m_pSeparator)
        members.push_back(m_pSeparator.get());
}

Range<Vec3f> SgGeometricShape::BoundingBox()
{
    if (SgShape *result = GetResultCache())
        return result->BoundingBox();
    return Range<Vec3f>::Empty();
}

void SgGeometricShape::SetExploded(bool exploded)
{
    if (m_bExploded == exploded)
        return;
    m_bExploded = exploded;
    SgDocumentLink::UpdateSceneManager(GetDocument(), this);
}

void SgGeometricShape::RunBuild(SgAction *action, MakeResultFn make, const BuildFn &build)
{
    if (!action)
        return;
    SgState *state = action->GetState();
    ExtendStateContext(state);
    if (!CompareResultCache(state)) {
        const int depth = state->GetDepth();
        action->PushState();
        SgRef<SgShape> result = make();
        try {
            build(result.get(), action);
            m_lastBuildError.clear();
        } catch (const std::exception &error) {
            // Whatever was built so far is not a shape anyone should see.
            if (m_lastBuildError != error.what()) {
                // Builders name their class in what they throw; the node is
                // named once.
                std::string_view why = error.what();
                const std::string prefix = std::string(GetClassName()) + ": ";
                if (why.substr(0, prefix.size()) == prefix)
                    why.remove_prefix(prefix.size());
                SgDiagError("Geometry", "%s%s%s: %.*s; the shape is left empty", GetClassName(),
                            GetName().empty() ? "" : " ", GetName().c_str(), static_cast<int>(why.size()),
                            why.data());
                m_lastBuildError = error.what();
            }
            result = make();
        }
        // A build that failed half way may have left frames of its own.
        while (state->GetDepth() > depth)
            action->PopState();
        SetResultCache(result.get(), action);
    }
    TraverseShapeResult(action, this);
}

void SgGeometricShape::TraverseShapeResult(SgAction *action, SgGeometricShape *shape)
{
    if (!action || !shape)
        return;
    SgState *state = action->GetState();
    // Read even when nothing is modified: the caches around this shape then
    // depend on the modifiers in force.
    const SgModifierStack &stack = ModifierStackElement::Get(state);
    // Held for the traversal: a visitor may drop the shape's cache meanwhile.
    SgRef<SgShape> result = shape->GetResultCache();
    if (!result)
        return;
    if (stack.size() == 0) {
        action->Traverse(result.get());
        return;
    }
    SgShape *modified = stack.Process(action, result.get());
    SgModifierStackDisabler disabled(state);
    action->Traverse(modified ? modified : result.get());
}

Vec3 SgGeometricShape::GetNormal(int face, Vec3 &normal)
{
    if (SgShape *result = GetResultCache(); result && result != this)
        return result->GetNormal(face, normal);
    return SgShape::GetNormal(face, normal);
}
