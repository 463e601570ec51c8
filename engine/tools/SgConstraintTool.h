#pragma once
// Places an object onto a face of another object and then lets the user
// slide it over that face, never past its border. The first drag over the
// scene drops the object onto the face under the cursor: it is turned so
// that its base faces the face's plane, moved onto it, and accepted only
// when its footprint lies inside the face, which then becomes the object's
// constraint polygon. Later drags move the object in the face's plane and
// stop it just short of the border. Each drag is one undo step.
//
// Faces are taken from the picked object's bounding box, in the coordinates
// of the dragged object's parent (both objects are expected to share it).
#include <memory>

#include "engine/handlers/SgRubberTool.h"
#include "utilities/math/Range.h"
#include "utilities/math/Vec3f.h"
#include "engine/core/NodaraExport.h"

class CPolygon;
class SgObject;
class SgPath;

class NODARA_API SgConstraintTool : public SgRubberTool {
    SG_CLASS_HEADER(SgConstraintTool, SgFieldMngr)

    static constexpr double kPickRadius = 5.0;
    // A slide that stops at the border goes this share of the way.
    static constexpr double kBorderShare = 0.999;
    static constexpr double kMinStep = 1e-7;
    // The appearance box is larger than the object by this share of its diagonal.
    static constexpr double kAppearanceMargin = 0.025;

    SgConstraintTool();

    void Init(SgPath &path, SgTransform *transform) override;
    using SgRubberTool::Start;
    void Start(SgHandleEventAction *action, PickedPointQuery *query) override;
    void Finish(SgHandleEventAction *action) override;
    void CreateObjectGroup() override;
    int OnLButtonDown(SgHandleEventAction *action) override;
    int OnLButtonUp(SgHandleEventAction *action) override;
    int OnMouseMove(SgHandleEventAction *action) override;

    // A press starts a drag only when set (Init sets it).
    bool m_bDragAllowed = false;
    void SetDragAllowed(bool allowed) override { m_bDragAllowed = allowed; }
    int GetState() const { return m_iState; }

protected:
    ~SgConstraintTool() override;

private:
    SgObject *Object() const;
    // The object's box in its own frame (its transform left out).
    Range<Vec3f> LocalBox() const;
    void AppearanceBox(SgSeparator *temp);
    SgPath ParentPath() const;
    bool CursorRay(SgHandleEventAction *action, Vec3 &start, Vec3 &end) const;
    // The object's base face at translation t, in parent coordinates,
    // against the plane normal n.
    std::unique_ptr<CPolygon> Footprint(const Vec3 &t, const Vec3 &n);
    bool FootprintInside(CPolygon &face, const Vec3 &t);
    void Drop(SgHandleEventAction *action);
    void Slide(SgHandleEventAction *action);
    void EndKeyPoint();

    int m_iState = 0;
    SgObject *m_pConstrained = nullptr;
    Vec3 m_startTranslation;
    // Where the drag step began on the constraint plane.
    Vec3 m_dragPoint;
    Vec3 m_pressPoint;
    int m_iLastEdge = -1;
    bool m_bPlaced = false;
    bool m_bSlid = false;
    SgDocument *m_pKeyPointDocument = nullptr;
};
