#pragma once
// Finds what lies under a window point of a viewport. In the usual mode the
// GL render action draws the viewport's scene in selection mode within a
// small region around the point; every selection record becomes an
// SgPickedPoint with the path named by the record. In the traversal mode the
// action walks the scene itself and the shapes add their hits. Either way it
// reads the depth buffer under the point and builds the pick ray from the
// near to the far clipping plane.
//
//   SgRayPickAction pick(viewport);
//   pick.m_x = x;  pick.m_y = y;            // window point, y downwards
//   pick.Apply(viewport->GetNodara());
//   SgPickedPoint nearest = pick.GetNearestPoint1(&query);
//
// A fresh action is used for each pick: Apply adds to the hits it has.
// Needs a current GL context.
#include <cstdint>
#include <functional>
#include <list>

#include "engine/core/SgAction.h"
#include "engine/actions/SgPickedPoint.h"
#include "engine/core/Segment.h"
#include "utilities/math/Vec2i.h"
#include "utilities/math/Vec3.h"
#include "engine/core/NodaraExport.h"

class PickedPointQuery;
class SgViewport;

class NODARA_API SgRayPickAction : public SgAction {
    SG_ACTION_HEADER(SgRayPickAction)
    SgActionKind GetKind() const override { return SgActionKind::kPick; }

    using HitList = std::list<SgPickedPoint>;
    // The selection name that ends the node names of a record.
    static constexpr std::uint32_t kEndOfNodes = 0xFFFFFFFFu;

    explicit SgRayPickAction(SgViewport *viewport = nullptr);
    ~SgRayPickAction() override = default;

    // Sets up the viewport's matrices, reads the depth under the point, builds
    // the ray and, with a root, picks. A null root only builds the ray.
    bool Apply(SgNode *root) override;

    // The hits (unsorted), or a copy ordered by depth and filtered.
    HitList &GetPickedPoints(bool sorted, bool (*filter)(SgPickedPoint *) = nullptr);
    // The nearest hit the query accepts; with a null query, the hits the
    // document's selection handler finds selectable. An empty path and the
    // point (0, 0, 0) when none is accepted.
    SgPickedPoint GetNearestPoint1(PickedPointQuery *query);
    // The pick ray in the coordinates of the path's last node; in world
    // coordinates without a path.
    Segment GetPathSegment(const SgPath *path);

    const Vec3 &GetDepthPoint() const { return m_DepthPoint; }
    const Vec3 &GetNearPoint() const { return m_NearPoint; }
    const Vec3 &GetFarPoint() const { return m_FarPoint; }
    Vec2i GetWindowPoint() const { return Vec2i(m_x, m_y); }
    void SetWindowPoint(int x, int y)
    {
        m_x = x;
        m_y = y;
    }
    SgViewport *GetViewport() const { return m_pViewport; }
    int GetHitRecordCount() const { return m_nHitRecords; }
    // The render pick ran out of selection-buffer room: the records that fit
    // were read, the rest are lost.
    bool HasSelectOverflow() const { return m_bSelectOverflow; }

    // Turns one selection buffer into hits (exposed for the record layout
    // tests): records of n names, minimum and maximum depth, then the names.
    // The names are checked against the graph under `root` before any is
    // taken for a node. Records that run past `size` are not read.
    void ParseHitBuffer(const std::uint32_t *buffer, int size, int records, SgNode *root);

    int m_x = 0;
    int m_y = 0;
    double m_dPickWidth = 5.0;
    double m_dPickHeight = 5.0;
    bool m_bTraversePick = false;
    HitList m_Hits;

private:
    // Traversal picking: each shape hands its faces, as triangles of its
    // face numbers, to HitFaces, which keeps the nearest crossing of the
    // ray as a hit of the current path.
    using TriangleFn = std::function<void(int face, const Vec3 &, const Vec3 &, const Vec3 &)>;
    using FaceWalk = std::function<void(const TriangleFn &)>;
    void HitFaces(SgNode *shape, const FaceWalk &walk);
    static void VisitFaceSet(SgAction *action, SgNode *node);
    static void VisitIndexedFaceSet(SgAction *action, SgNode *node);
    static void VisitCube(SgAction *action, SgNode *node);

    void RenderPick(SgNode *root);
    // Unprojects a window point (bottom-up y) at a depth with the matrices read by Apply.
    Vec3 Unproject(double x, double y, double depth) const;

    SgViewport *m_pViewport;
    Vec3 m_DepthPoint;
    Vec3 m_FarPoint;
    Vec3 m_NearPoint;
    HitList m_SortedHits;
    SgPickedPoint m_LastNearest;
    int m_nHitRecords = 0;
    const unsigned *m_pHitBuffer = nullptr;
    bool m_bSelectOverflow = false;
    double m_aModelView[16] = {};
    double m_aProjection[16] = {};
    int m_aViewport[4] = {};
    double m_dWindowX = 0.0;
    double m_dWindowY = 0.0;
};
