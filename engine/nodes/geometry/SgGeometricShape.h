#pragma once
// Base of the procedural shapes: nodes that never draw their own fields but
// build a result shape (as a rule a new SgFaceSet) from them and from the
// traversal state. The result lives in a cache slot of the shape's internal
// separator, together with the state elements the build read; it is reused
// while those still match, dropped on any field change, and handed to every
// action through the modifier stack in force. Renderers, pickers, the box
// pass and the writer see the result, never the procedural fields.
//
// A derived shape's DoAction is one line:
//
//   void SgBox::DoAction(SgAction *action)
//   {
//       DoBuildAction<SgFaceSet>(action, [this](SgFaceSet *mesh, SgAction *a) { DoExtrude(mesh, a); });
//   }
#include <functional>
#include <string>

#include "engine/core/SgRef.h"
#include "engine/core/SgShape.h"
#include "engine/core/NodaraExport.h"

class SgAction;
class SgBooleanCache;
class SgCache;
class SgDocument;
class SgGenPolyLine;
class SgSeparator;
class SgState;

class NODARA_API SgGeometricShape : public SgShape {
    SG_CLASS_HEADER(SgGeometricShape, SgFieldMngr)

    // The cache slot of the result in every cache container; -1 until the
    // library start-up takes it (InitCacheSlot).
    static int s_iGeometricCashe;

    // Takes the result slot from the cache-slot counter; idempotent. Runs
    // before any separator is made, so that every container has the entry.
    static void InitCacheSlot();

    SgGeometricShape();

    // Any field change drops the result.
    void OnChange(SgField *field) override;
    // A built-in primitive keeps the changes of its internal nodes (which it
    // makes itself while building) from its fathers.
    void NotifyFathers(SgNode *from) override;
    // Marks the separator's caches invalid; never causes a rebuild by itself.
    void Invalidate() override;
    // Drops the result unless mode is 1.
    void Refresh(int mode) override;
    bool IsGeometricShape() const override { return true; }
    void SetDocument(SgDocument *document) override;
    void AppendDocumentMembers(std::vector<SgNode *> &members) override;
    // The result's box; the empty range (+FLT_MAX .. -FLT_MAX) without one.
    Range<Vec3f> BoundingBox() override;
    // The normal of a face of the result, which is what a pick names.
    Vec3 GetNormal(int face, Vec3 &normal) override;

    // Slots for the curves a shape is built from; the extrusion family fills
    // them in.
    virtual void SetPolyline(SgGenPolyLine *, int, bool) {}
    virtual SgGenPolyLine *GetPolyline(int) { return nullptr; }
    virtual int GetActionID() const { return m_iActionID; }
    void SetActionID(int id) { m_iActionID = id; }

    bool IsExploded() const { return m_bExploded; }
    // Asks the document's viewers to redraw the shape when it has a document.
    void SetExploded(bool exploded);

    // The internal separator: it holds the result cache and the auxiliary
    // nodes (profiles, paths) of derived shapes. Null installs a new empty
    // one; the previous one, with the result in it, is let go.
    void SetSeparator(SgSeparator *separator);
    SgSeparator *GetSeparator() const { return m_pSeparator.get(); }
    // The internal separator, for code below the shapes that only knows nodes.
    SgGroup *GetHeldGroup() const override;

    // The result, owned by the cache: callers never delete it. Null without one.
    SgShape *GetResultCache() const;
    // Replaces the result. With an action, records the state elements the
    // build read (those read deeper than the state's current depth); without
    // one the previous record stays.
    void SetResultCache(SgShape *result, SgAction *action);
    // Whether the result may be used in this state: always, without looking
    // at the state, when the action runs along a target path.
    bool CompareResultCache(SgState *state);
    // Makes the caches being built around this shape depend on what its
    // result depends on, whether or not the result is then rebuilt.
    void ExtendStateContext(SgState *state);
    void ClearResultCache();
    // The cache object, for producers that record its context themselves;
    // null when the slot holds none.
    SgBooleanCache *GetResultCacheObject() const;

    // The last step of every procedural DoAction: the action traverses the
    // result, or what the modifier stack in force makes of it, with the
    // state as it stands at this shape. The stack is disabled meanwhile.
    static void TraverseShapeResult(SgAction *action, SgGeometricShape *shape);

protected:
    // Drops the result and lets go of the separator.
    ~SgGeometricShape() override;
    // The whole of a procedural DoAction: reuse the result or build a new
    // Result inside a pushed state, then TraverseShapeResult. A build that
    // throws leaves an empty Result and one "Geometry" error diagnostic
    // (platform/SgDiagnostics.h); the action goes on.
    template <class Result, class Build>
    void DoBuildAction(SgAction *action, Build &&build)
    {
        RunBuild(action, +[]() -> SgShape * { return new Result; },
                 [&build](SgShape *result, SgAction *a) { build(static_cast<Result *>(result), a); });
    }

private:
    using MakeResultFn = SgShape *(*)();
    using BuildFn = std::function<void(SgShape *, SgAction *)>;

    void RunBuild(SgAction *action, MakeResultFn make, const BuildFn &build);
    // The slot of the separator's container that holds the result cache;
    // null when the container has no entry for it.
    SgCache **ResultSlot() const;

    bool m_bExploded = false;
    int m_iActionID = 0;
    SgRef<SgSeparator> m_pSeparator;
    // The failure last reported for a build, until a build succeeds: a
    // shape dragged out of nothing fails the same way at every step and is
    // reported once.
    std::string m_lastBuildError;
};
