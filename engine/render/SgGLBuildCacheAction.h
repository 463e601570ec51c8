#pragma once
// Compiles separators into display lists for the render action. Run over a
// separator whose list is missing or stale, it first walks the subtree with
// the render action's state, so that nested separators compile their own
// lists under the state they will be drawn in, then compiles the separator
// itself by drawing it with the render action, and records which state
// elements the drawing read: a later frame calls the list only while those
// still match.
//
// Lists are compiled with the render action's picking switch on, so that
// their name-stack calls are recorded and a selection pass can call them.
#include "engine/core/SgAction.h"
#include "engine/core/NodaraExport.h"

class SgGLRenderAction;
class SgGLRenderCache;
class SgSeparator;

class NODARA_API SgGLBuildCacheAction : public SgAction {
    SG_ACTION_HEADER(SgGLBuildCacheAction)
    SgActionKind GetKind() const override { return SgActionKind::kBuildCache; }

    explicit SgGLBuildCacheAction(SgGLRenderAction *parent = nullptr);
    ~SgGLBuildCacheAction() override = default;

    // Clears the path-mode word, appends the node, dispatches, removes it.
    bool Apply(SgNode *node) override;
    // Nodes of the subtree push and pop the render action's state, which
    // this action shares.
    void PushState() override;
    void PopState() override;

    // Builds the separator's list unless it is there and valid: nested
    // separators first, then this one (nothing when the cache-disabled flag
    // is set, or when the separator has no display-list slot).
    void BuildSeparator(SgSeparator *separator);

    SgGLRenderAction *GetParent() const { return m_pParent; }

    // The separator's display-list cache; with `create`, one is made when
    // the slot is empty. Null when the separator has no slot for it (made
    // before the render action took its slot) or, without `create`, none
    // is there yet.
    static SgGLRenderCache *GetRenderCache(SgSeparator *separator, bool create);
    // The same in another slot (SgGLRenderAction::GetRenderCacheSlot).
    static SgGLRenderCache *GetRenderCache(SgSeparator *separator, bool create, int slot);

    // Copied from the parent when built: no list is compiled while set.
    bool m_bCacheDisabled = false;

    static void VisitNode(SgAction *action, SgNode *node);
    static void VisitModifier(SgAction *action, SgNode *node);
    static void VisitTexture(SgAction *action, SgNode *node);
    static void VisitGroup(SgAction *action, SgNode *node);
    static void VisitSeparator(SgAction *action, SgNode *node);
    static void VisitObject(SgAction *action, SgNode *node);
    static void VisitGeometricShape(SgAction *action, SgNode *node);
    static void VisitOwnAction(SgAction *action, SgNode *node);

private:
    SgGLRenderAction *m_pParent;
};
