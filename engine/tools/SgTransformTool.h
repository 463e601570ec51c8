#pragma once
// The base of the tools that move, turn and scale a selected object through
// handles drawn with it (a gizmo): it builds the gizmo group named
// "TRANSFORMTOOL" next to itself in its manipulator, highlights the handle
// under the cursor, and runs a drag that starts on a handle.
//
// A press answers 0 so that the selection handler behind it still sees the
// click; a press on a handle also makes the tool the handler that grabs the
// following events, and the release of such a drag is consumed (a drag is
// not a click). Each drag is one undo step.
#include <array>
#include <memory>

#include "engine/core/SgRef.h"
#include "engine/handlers/SgRubberTool.h"
#include "utilities/math/Range.h"
#include "utilities/math/Rotation.h"
#include "utilities/math/Transform3.h"
#include "utilities/math/Vec3.h"
#include "utilities/math/Vec3f.h"
#include "engine/core/NodaraExport.h"

class SgCube;
class SgRayPickAction;
class SgDocument;
class SgMaterial;
class SgTransform;
class SgSeparator;

class NODARA_API SgTransformTool : public SgRubberTool {
    SG_CLASS_HEADER(SgTransformTool, SgFieldMngr)

    static constexpr int kHandleCount = 13;
    // Handle lengths in the object's frame.
    static constexpr double kArmLength = 1.1;
    static constexpr double kTipSize = 0.1;
    // A press and release closer than this in both directions is a click.
    static constexpr int kMinDrag = 2;
    // The key that cancels a drag.
    static constexpr int kEscapeKey = 0x1B;

    enum DragState : int { kIdle = 0, kArmed = 1, kDragging = 2 };
    // Handle slots: 0-2 the axes, 3-5 the planes normal to them, 6 the
    // uniform handle (or the trackball's ball), 7 the centre (or the outer
    // circle).
    enum Slot : int { kPlaneX = 3, kUniform = 6, kCentre = 7 };
    // Which handles are built: bit i the axis i, bit i + 3 its plane, bit 7
    // the centre.
    static constexpr unsigned kAllHandles = 0xFFFFFFFFu;
    static constexpr unsigned kCentreOnly = 1u << kCentre;
    // The tool mode whose gizmo frame is the view's.
    static constexpr int kViewFrame = -1;
    // A scale factor never drops below this, so nothing is flattened to
    // nothing or mirrored.
    static constexpr double kMinScaleStep = 0.001;

    // Scales every gizmo; the facade sets it. A gizmo keeps
    // kGizmoPixels x this many pixels per unit of its handles on the screen.
    static float s_fManipulatorScale;
    static constexpr float kGizmoPixels = 80.0f;

    SgTransformTool();

    void CreateObjectGroup() override;
    int OnLButtonDown(SgHandleEventAction *action) override;
    int OnMouseMove(SgHandleEventAction *action) override;
    int OnLButtonUp(SgHandleEventAction *action) override;
    // Escape during a drag puts the object back where the press found it:
    // the drag's undo step is taken back, no step stays, the mouse is given
    // back (1). 0 for other keys and without a drag.
    int OnKeyDown(SgHandleEventAction *action) override;

    SgSeparator *GetGizmo() const { return m_pGizmo.get(); }
    // The scale the gizmo's handles are drawn at in the object's frame, per
    // axis, as the last frame drawn or picked set it (1 before that, and for
    // a gizmo that is not sized on the screen).
    Vec3 GizmoScale() const;
    SgNode *GetHandle(int i) const { return i >= 0 && i < kHandleCount ? m_handles[i] : nullptr; }
    int GetCurrentHandle() const { return m_iCurrentHandle; }
    int GetDragState() const { return m_iDragState; }
    SgMaterial *GetHandleHighlight() const { return m_pHighlight.get(); }
    void SetHandleMask(unsigned mask) override { m_uHandleMask = mask; }
    // A drag of the centre handle that starts without a press: the mouse
    // moves carry the object onto what lies under the cursor until the
    // button comes up. False when the tool is not armed or has no centre.
    bool StartDragAndDrop() override;
    unsigned GetHandleMask() const { return m_uHandleMask; }
    // The box of the object's content in its own frame (before its
    // transform), measured when the gizmo was built.
    const Range<Vec3f> &GetObjectBox() const { return m_objectBox; }
    // The extent of a box along an axis to divide a drag by: the box's
    // diagonal when the extent is flat next to it (under 1/200 of the
    // diagonal), so that a flat object never divides by zero; 0 for a box
    // without extent.
    static double ScaleExtent(const Range<Vec3f> &box, int axis);

protected:
    ~SgTransformTool() override;

    // The handles of the derived tool, built into the gizmo group.
    virtual void CreateHandles();
    // Tells the document's owner the value the tool edits (its field-edit
    // callback): when the gizmo is built, at the press, after every drag
    // step and once at the release. The base edits no one field and says
    // nothing.
    virtual void NotifyChange(SgDocument *, int) {}
    // The document of the edited object, else the one the event's viewer shows.
    SgDocument *ReportDocument(SgHandleEventAction *action) const;
    // The kind of tool under which the document remembers the handle last
    // dragged (0 move, 1 trackball, 2 scale); -1 for tools whose object
    // cannot be dragged by a press on the object itself.
    virtual int GetToolType() const { return -1; }
    // Arrows (or cube-tipped arms) along the three axes, coloured X red,
    // Y green, Z blue; stored as handles 0 to 2.
    // Plane squares (slots 3 to 5) come with the axes whose plane bit is set
    // in the handle mask.
    void BuildStandardHandles(bool cubeTips);
    // The arrow (or cube-tipped arm) of one axis, stored as its handle.
    void BuildArrow(int axis, const Rotation &turn, bool cubeTips);
    // A separator holding a cube of that size, stored in the slot and added
    // to the gizmo.
    SgSeparator *BuildCubeHandle(int slot, double size);
    // The colour of one axis into the gizmo, and that axis's handle (named
    // after it) with the transform that turns geometry built on one axis onto
    // it; the caller adds the geometry and the handle.
    SgSeparator *StartAxisHandle(int axis, const Rotation &turn);
    // The snapshot a drag starts from, taken at the press.
    virtual void BeginDrag(SgHandleEventAction *, int, int) {}
    // One step of a drag from the press to the event's position.
    virtual void DragStep(SgHandleEventAction *, int, int) {}
    // The index of the handle under the event's cursor; -1 for none. The
    // picked point in world coordinates goes to `world` when given.
    int PickHandle(SgHandleEventAction *action, Vec3 *world = nullptr);
    // A pick of the gizmo alone under the event's cursor; null when the
    // tool's path does not start at the viewer's scene (the event's shared
    // pick serves then).
    std::unique_ptr<SgRayPickAction> PickGizmoOnly(SgHandleEventAction *action);
    // The handle of this tool the path runs through; -1 for none.
    int HandleOnPath(const SgPath &path) const;
    // A handle behind the others, picked only where no other handle is.
    virtual bool IsBackgroundHandle(int) const { return false; }
    void Highlight(int handle);
    // The view ray through a window point in the frame the object's
    // transform works in (its parent's).
    bool ParentRay(SgHandleEventAction *action, int x, int y, Vec3 &start, Vec3 &dir);
    // The parameter along the line p + t dir (parent frame) of the point
    // nearest to the view ray; false when the ray runs along the line.
    bool LineParameter(SgHandleEventAction *action, int x, int y, const Vec3 &p, const Vec3 &dir, double &t);
    // Where the view ray meets the plane through p normal to n (parent
    // frame); false when it runs in the plane.
    bool PlanePoint(SgHandleEventAction *action, int x, int y, const Vec3 &p, const Vec3 &n, Vec3 &point);
    // The factor by which a drag along the line through c in direction a
    // (both in the object's own frame) scales the object's extent on axis h:
    // (displacement along h + extent) / extent, its reciprocal when the
    // drag started on the negative side of c. For h outside 0 to 2 the axis
    // is the one the start point lies farthest along. 1 when the ray runs
    // along the line or the box has no extent.
    double DragScaleFactor(SgHandleEventAction *action, int x, int y, const Vec3 &c, const Vec3 &a, int h);
    // The direction of the gizmo frame's axis, in the frame the object's
    // transform works in: the object's own axes (mode 0), those of the n-th
    // enclosing object (mode n; the scene's when there are fewer), or the
    // view's (mode -1: right, up, toward the viewer).
    Vec3 FrameAxis(SgHandleEventAction *action, int axis);
    // Turns the gizmo so that its axes are the frame's (the view frame's
    // billboard does this itself at every frame).
    void UpdateFrame(SgHandleEventAction *action);
    // The object's own frame at the press and back.
    Vec3 ToParent(const Vec3 &local) const { return m_startMatrix.TransformPoint(local); }
    Vec3 ToLocal(const Vec3 &parent) const { return m_startInverse.TransformPoint(parent); }
    // The object the tool works on still lies in a scene.
    bool ObjectInScene() const;
    void EndDrag(SgHandleEventAction *action);
    // Puts the transform back as the press found it: the undo of the drag's
    // key point when it recorded, else the press's snapshot.
    void RevertDrag(SgDocument *document, int keyPoint);
    // Whether the tool's centre handle carries the object onto what lies
    // under the cursor (the move tool's does).
    virtual bool CanDragAndDrop() const { return false; }
    // The undo key point and the snapshot a drag starts from; `picked` is
    // the pressed point in world coordinates (none for a drop).
    void StartDragFrom(SgHandleEventAction *action, const Vec3 *picked);

    SgRef<SgSeparator> m_pGizmo;
    // The transform the gizmo's billboard rewrites so that the handles keep
    // their size on the screen, whatever the object's scale and distance.
    SgTransform *m_pGizmoPlace = nullptr;
    // Tools whose handles must fit the object (the handle box) clear it.
    bool m_bScreenSized = true;
    std::array<SgNode *, kHandleCount> m_handles{};
    // The parts of each standard arm, so that a tool can lengthen it.
    std::array<SgTransform *, 3> m_armPlaces{};
    std::array<SgCube *, 3> m_armBoxes{};
    std::array<SgTransform *, 3> m_tipPlaces{};
    SgRef<SgMaterial> m_pHighlight;
    // A small ball at the transform's pivot ("center"), kept there at the
    // build, the press and every drag step.
    SgTransform *m_pPivotMarker = nullptr;
    void PlacePivotMarker();
    int m_iCurrentHandle = -1;
    int m_iDragState = kIdle;
    int m_iStartX = 0;
    int m_iStartY = 0;
    SgDocument *m_pKeyPointDocument = nullptr;
    int m_iKeyPoint = -1;
    bool m_bDragAndDrop = false;
    unsigned m_uHandleMask = kAllHandles;
    Range<Vec3f> m_objectBox;
    // Taken at the press: the transform's fields, its matrix (the object's
    // frame in its parent's) and the inverse, and the picked point in both
    // frames. A drag whose start matrix has no inverse (a zero scale)
    // changes nothing.
    Vec3 m_startTranslation;
    Vec3 m_startCenter;
    // The document's pivot mode, copied at the press.
    int m_iPivotMode = 0;
    Vec3 m_startScale{1, 1, 1};
    Rotation m_startRotation;
    Rotation m_startOrientation;
    Transform3 m_startMatrix;
    Transform3 m_startInverse;
    bool m_bStartInvertible = false;
    Vec3 m_originParent;
    Vec3 m_originLocal;
};

// Moves the object along one of its axes by dragging that axis's arrow.
class NODARA_API SgMoveTool : public SgTransformTool {
    SG_CLASS_HEADER(SgMoveTool, SgFieldMngr)

    SgMoveTool() = default;

protected:
    ~SgMoveTool() override = default;
    // The arrows and plane squares the mask asks for, and always the centre
    // cube.
    void CreateHandles() override;
    bool CanDragAndDrop() const override { return true; }
    void BeginDrag(SgHandleEventAction *action, int x, int y) override;
    void DragStep(SgHandleEventAction *action, int x, int y) override;
    // The translation; in the object's own frame (mode 0) as the pivot's
    // place in the world.
    void NotifyChange(SgDocument *document, int mode) override;
    int GetToolType() const override { return 0; }

    Vec3 m_axis;
    double m_dStartParameter = 0.0;
    bool m_bHaveStart = false;
};

// Turns the object with rings about its three axes; comma and period turn
// it in fixed steps about its z axis.
class NODARA_API SgTrackballTool : public SgTransformTool {
    SG_CLASS_HEADER(SgTrackballTool, SgFieldMngr)

    // One comma or period step, in radians.
    static constexpr double kKeyStep = 0.075;
    static constexpr int kCommaKey = 0xBC;
    static constexpr int kPeriodKey = 0xBE;
    static constexpr double kRingRadius = 1.05;
    static constexpr double kBallRadius = 1.0;
    static constexpr double kOuterRadius = 1.45;
    // Slots of the ball (free turning) and the outer circle (turning about
    // the viewing direction).
    static constexpr int kBall = kUniform;
    static constexpr int kOuter = kCentre;

    SgTrackballTool() = default;

    int OnKeyDown(SgHandleEventAction *action) override;

protected:
    ~SgTrackballTool() override = default;
    void CreateHandles() override;
    void BeginDrag(SgHandleEventAction *action, int x, int y) override;
    void DragStep(SgHandleEventAction *action, int x, int y) override;
    // The rotation, as axis and angle.
    void NotifyChange(SgDocument *document, int mode) override;
    int GetToolType() const override { return 1; }
    // Where the view ray meets the plane through the start pivot normal to
    // the ring's axis, relative to the pivot; false when the ray runs in the plane.
    bool RingPoint(SgHandleEventAction *action, int x, int y, Vec3 &point);
    // Where the view ray meets the sphere of the drag's radius about the
    // pivot (the side facing the viewer), relative to the pivot; where it
    // misses, the sphere's point nearest to the ray.
    bool BallPoint(SgHandleEventAction *action, int x, int y, Vec3 &point);
    // The rings lie on the ball: a press where both are hit takes the ring.
    bool IsBackgroundHandle(int slot) const override { return slot == kBall; }

    Vec3 m_pivot;
    double m_dRadius = 0.0;
    Vec3 m_axis;
    Vec3 m_startPoint;
    Rotation m_startRotation;
    bool m_bHaveStart = false;
};
