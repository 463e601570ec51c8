#pragma once
// Edits the points of an existing curve: a marker at each vertex (and at
// each tangent end of a Bezier spline) is picked and dragged, a click inside
// a segment inserts a vertex there, and the Delete key removes the selected
// vertex. A click on a curve starts the editing and a click beside it ends
// it; each drag, insertion and deletion is one undo step.
//
// Marker indices: 0..n-1 the vertices, n + 2k and n + 2k + 1 the incoming
// and outgoing tangent ends of vertex k. The markers live in a separator
// right after the curve in the curve's parent, outside the undo list.
#include <vector>

#include "engine/core/SgGroup.h"
#include "engine/core/SgRef.h"
#include "engine/nodes/geometry/SgPolyLine.h"
#include "engine/handlers/SgRubberTool.h"
#include "engine/core/NodaraExport.h"

class SgMaterial;

class NODARA_API SgEditPolyLineTool : public SgRubberTool {
    SG_CLASS_HEADER(SgEditPolyLineTool, SgFieldMngr)

    static constexpr double kPickRadius = 5.0;
    // A click inserts a vertex when the segment passes this close to the view ray.
    static constexpr double kInsertDistance = 0.1;
    static constexpr int kDeleteKey = 46;
    static constexpr int kMarkerPointSize = 6;

    SgEditPolyLineTool();

    using SgRubberTool::Start;
    void Start(SgHandleEventAction *action) override { SgRubberTool::Start(action, nullptr); }
    void Finish(SgHandleEventAction *action) override;
    void CreateObjectGroup() override;
    int OnLButtonDown(SgHandleEventAction *action) override;
    int OnLButtonUp(SgHandleEventAction *action) override;
    int OnMouseMove(SgHandleEventAction *action) override;
    int OnKeyDown(SgHandleEventAction *action) override;

    SgPolyLine *GetCurve() const { return m_pCurve; }
    int GetSelectedIndex() const { return m_iSelected; }
    int GetMarkerCount() const { return static_cast<int>(m_markerSeparators.size()); }
    // Where marker i stands (curve coordinates).
    Vec3 GetMarkerPosition(int index) const;

protected:
    ~SgEditPolyLineTool() override;

private:
    bool IsBezier() const;
    void BuildMarkers();
    void AddMarker(const Vec3 &position);
    void Select(SgHandleEventAction *action, int index);
    bool InsertInSegment(SgHandleEventAction *action);
    void EndKeyPoint();
    void RemoveTempSeparator();

    int m_iSelected = -1;
    std::vector<SgSeparator *> m_markerSeparators;
    std::vector<SgTransform *> m_markerTransforms;
    SgPolyLine *m_pCurve = nullptr;
    // Held while editing: the scene may drop the curve's object before the
    // tool, and the markers must still leave the parent.
    SgRef<SgGroup> m_pCurveParent;
    SgRef<SgPolyLine> m_curveHold;
    SgTransform *m_pSelectedTransform = nullptr;
    SgRef<SgMaterial> m_pHighlight;
    SgRef<SgSeparator> m_pMarkerShape;
    SgSeparator *m_pMarkers = nullptr;
    // The drag's key point is open on this document until the release.
    SgDocument *m_pKeyPointDocument = nullptr;
};
