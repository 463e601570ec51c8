#pragma once
// Creates a primitive shape (cylinder, cone, box, sphere, circle, arc,
// polygon, star, helix, plane, torus, prism on a curve) with the mouse in a
// fixed sequence of stages. The stage codes given to Setup say what each
// stage does: in stage s (s >= 1) mouse moves use codes[s-1]; the release in
// stage s finishes when codes[s] is 0 and otherwise enters stage s + 1.
//   code 1: no drag behaviour (the stage of the first click)
//   code 2: the extent in the work plane (radius, width and depth)
//   code 3: the height along the base plane's normal
// So codes (2) are click, drag the radius, click; (2, 3) are click, drag the
// extent, click, drag the height, click; a prism (1, 3) starts on a curve.
//
// The created object joins the scene right after the tool node, with a
// random material and the document's current layer, and is named after its
// shape's class and a counter shared by every creation ("SgCylinder1",
// "SgBox2", ...). Undo recording is off while it is built; the finished
// creation is recorded as one undo step. Escape drops a creation under way,
// and clicks that give the shape no extent make nothing.
#include "engine/core/SgRef.h"
#include "engine/handlers/SgRubberTool.h"
#include "engine/core/NodaraExport.h"

class GenericCreateHandler;
class SgDocument;
class SgNode;

class NODARA_API SgCreateCylinderTool : public SgRubberTool {
    SG_CLASS_HEADER(SgCreateCylinderTool, SgFieldMngr)

    static constexpr int kMaxStages = 8;
    enum StageCode { kEnd = 0, kNone = 1, kExtent = 2, kHeight = 3 };
    // Heights are measured in pixels when the view is within this many
    // degrees of the base normal: the height plane would face away.
    static constexpr double kSteepViewDegrees = 10.0;
    static constexpr double kPixelsPerUnit = 100.0;

    SgCreateCylinderTool();
    // The arguments are not used: Setup gives the kind and the stages.
    SgCreateCylinderTool(const Plane &plane, int unused);

    // kind = class id of the shape; codes are copied up to and including the
    // first 0, at most kMaxStages (a list without 0 ends there).
    void Setup(int kind, const int *codes);
    // The handler computes; kind 0 and the handler's stage codes. Not owned.
    void Setup(GenericCreateHandler *handler);

    using SgRubberTool::Start;
    void Start(SgHandleEventAction *action) override;
    void Finish(SgHandleEventAction *action) override;
    void CreateObjectGroup() override;
    int OnLButtonDown(SgHandleEventAction *action) override;
    int OnLButtonUp(SgHandleEventAction *action) override;
    int OnMouseMove(SgHandleEventAction *action) override;
    int OnKeyDown(SgHandleEventAction *action) override;

    int GetKind() const { return m_iKind; }
    int GetStage() const { return m_iStarted; }
    const int *GetStageCodes() const { return m_codes; }
    SgNode *GetShape() const { return m_pShape.get(); }
    SgObject *GetCreatedObject() const { return m_pCreated; }

    // The drag gives a diameter: the shape is centred between the two points.
    bool m_bCentred = false;
    // A creation whose first drag leaves the current point at the origin is
    // dropped. Off unless the owner asks for it.
    bool m_bDiscardEmpty = false;

    // The counter that names created objects, shared by all creation tools.
    static int GetObjectCounter() { return s_objectCounter; }
    static void ResetObjectCounter() { s_objectCounter = 1; }

protected:
    ~SgCreateCylinderTool() override;

private:
    int StageCode(int index) const;
    void SetExtent(double r, const Vec3 &delta, const Vec3 &point);
    void SetHeight(double h, double a);
    void EnterStage(SgHandleEventAction *action, int code);
    // The curve under the cursor a prism stands on: a curve node, or a copy
    // of the curve a procedural shape (an offset) makes, as it stands now.
    bool StartOnCurve(SgHandleEventAction *action, SgRef<SgNode> &curve, SgObject *&curveObject);
    bool HasExtentStage() const;
    // The created object leaves the scene and is released.
    void Discard();
    // The finished creation as one undo step of the document.
    void RecordCreation(SgDocument *document);
    SgDocument *ToolDocument(SgHandleEventAction *action);

    bool m_bOnCurve = false;
    int m_iKind = 0;
    int m_codes[kMaxStages] = {};
    SgRef<SgNode> m_pShape;
    SgObject *m_pCreated = nullptr;
    SgRef<SgObject> m_pObject;
    double m_dPreviousAngle = 0.0;
    // The last extent the drag gave (0 until the mouse moved in that stage).
    double m_dExtent = 0.0;
    GenericCreateHandler *m_pHandler = nullptr;
    // The handler's key point is open on this document until the creation ends.
    SgDocument *m_pKeyPointDocument = nullptr;

    static int s_objectCounter;
    static int s_moveCounter;
};
