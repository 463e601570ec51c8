#pragma once
// Edits the vertices (mode 0), edges (mode 1) or faces (mode 3) of one
// shape inside one object: a face set (exact class) or a curve. A click
// picks the nearest sub-object (Ctrl adds or removes one); coincident face
// set vertices share a representative and are selected and moved together.
// The mesh commands (delete, crease, split, bridge, extrude) work on the
// selection; each is one undo step of the document and leaves the face set
// valid (indices in range, loop sizes matching the corner list).
//
// Selections are ordered sets: vertex representatives or face indices, and
// edges as (lower, higher) representative pairs. The moved set holds every
// vertex a drag step moves.
#include <array>
#include <memory>
#include <set>
#include <tuple>
#include <vector>

#include "engine/core/Plane.h"
#include "engine/core/SgRef.h"
#include "engine/handlers/SgRubberTool.h"
#include "utilities/math/Mat4.h"
#include "engine/core/NodaraExport.h"

class GenericGeom;
class SgCoordinate3;
class SgFaceSet;
class SgGizmoGroup;
class SgPointSet;
class SgPolyLine;
class SgSelectionHandler;
class SgShape;
class SgSubObjectMoveTool;
class SgViewer;

class NODARA_API SgEditSubObjectTool : public SgRubberTool {
    SG_CLASS_HEADER(SgEditSubObjectTool, SgFieldMngr)

    enum Mode { kVertices = 0, kEdges = 1, kFaces = 3 };
    // Corners of one face that the selection normal looks at.
    static constexpr int kMaxNormalCorners = 4000;
    // Determinants below this make the kept gizmo matrix unusable.
    static constexpr double kSingular = 1e-14;
    static constexpr double kPickRadius = 5.0;
    static constexpr double kInsetKeep = 0.8;

    SgEditSubObjectTool();

    // False for null and for a shape that is neither an exact face set nor
    // derived from SgPolyLine.
    bool SetEditedShape(SgShape *shape);
    SgShape *GetEditedShape() const { return m_pShape; }
    int SelectionCount() const;

    using SgRubberTool::Start;
    void Start(SgHandleEventAction *action, PickedPointQuery *query) override;
    void Finish(SgHandleEventAction *action) override;
    // The display group: the shape drawn as points or lines, the selection
    // and the point gizmo, inside the edited object after its transform.
    void CreateObjectGroup() override;
    // A press starts a click or, after 2 by 2 pixels or more, a rubber band;
    // the release selects. A press that another tool took (the gizmo's move
    // tool) is left to it.
    int OnLButtonDown(SgHandleEventAction *action) override;
    int OnMouseMove(SgHandleEventAction *action) override;
    int OnLButtonUp(SgHandleEventAction *action) override;
    // One step of the gizmo's drag: the moved vertices follow the gizmo.
    static void OnMoveCB(SgHandleEventAction *action, void *tool);

    // Selects the vertices inside the volume under a window rectangle.
    // False (and the selection reset) when none is inside.
    bool SelectInRect(SgHandleEventAction *action, int left, int top, int right, int bottom);
    // The point gizmo and the move tool hung into it while a drag is armed.
    SgObject *GetGizmo() const { return m_pGizmo; }
    SgSubObjectMoveTool *GetGizmoTool() const { return m_pMoveTool; }
    SgGizmoGroup *GetDisplayGroup() const { return m_pDisplay.get(); }

    // Picks the sub-object nearest to P (shape coordinates) as a click does;
    // `add` is the Ctrl toggle. False when nothing was picked.
    bool SelectNearest(const Vec3 &p, bool add);
    // Empties the selection and the edge tables.
    void ResetSelection();
    // One drag step: the gizmo moved from the kept matrix to `gizmo`; every
    // vertex of the moved set follows. A singular kept matrix skips the step.
    bool ApplyGizmoStep(const Mat4 &gizmo);
    // The matrix the next drag step starts from (centre of the selection).
    const Mat4 &GetKeptMatrix() const { return m_keptMatrix; }

    // Mesh commands; each one undo step.
    void DeleteSelection(int mode);
    void CreaseSelection(int mode, int flag);
    void SplitFace(int a, int b, int face);
    void BridgeSelection(int mode);
    void StartExtrude(bool inset);

    const std::set<int> &GetSelected() const { return m_selected; }
    const std::set<int> &GetMoved() const { return m_moved; }
    const std::set<int> &GetCentreSet() const { return m_centre; }
    const std::set<std::pair<int, int>> &GetSelectedEdges() const { return m_selectedEdges; }
    const std::vector<Vec3> &GetFaceCentres() const { return m_faceCentres; }
    Vec3 SelectionNormal();

    int m_iMode = kVertices;

protected:
    ~SgEditSubObjectTool() override;

private:
    SgFaceSet *FaceSet() const;
    SgPolyLine *Curve() const;
    int VertexCount() const;
    Vec3 Position(int vertex) const;
    int Rep(int vertex) const;
    SgDocument *Document() const;
    void BuildFaceTables();
    void BuildEdgeTables();
    void RefreshFaceCentres();
    void RebuildFromFaces();
    void RebuildFromEdges();
    void ArmDrag(SgHandleEventAction *action = nullptr);
    void DropGizmoTool();
    void Click(SgHandleEventAction *action, bool ctrl);
    void EndPress(SgHandleEventAction *action);
    void SetHandlerMode(bool on);
    // Corner lists of face f (one loop each).
    std::vector<std::vector<int>> Loops(int face) const;
    void DeleteFace(int face);
    void DeleteCurvePoints();
    void InsetExtrude();
    void PlainExtrude();
    // The selected runs of curve edges split off, joined to the rest by new
    // edges of zero length that the gizmo then pulls open.
    void CurveExtrude();
    void AppendSideFaces(const std::vector<std::array<int, 4>> &sides);
    void AddVertex(const Vec3 &p);

    std::unique_ptr<GenericGeom> m_pAdapter;
    SgShape *m_pShape = nullptr;
    // Held while edited: the scene may let the shape go before the tool.
    SgRef<SgNode> m_shapeHold;
    // The handler switched into sub-object mode, held until it is switched back.
    SgRef<SgSelectionHandler> m_pHandler;
    bool m_bFaceSet = false;
    int m_iPicked = -1;
    int m_iPickedOther = -1;
    std::vector<Vec3> m_faceCentres;
    std::vector<int> m_firstCorner;
    std::vector<int> m_firstLoop;
    std::set<int> m_centre;
    std::set<int> m_selected;
    std::set<std::pair<int, int>> m_selectedEdges;
    std::set<int> m_moved;
    std::set<std::pair<int, int>> m_edges;
    std::set<std::tuple<int, int, int>> m_edgeFaces;
    std::set<std::pair<int, int>> m_vertexFaces;
    Vec3 m_selectionCentre;
    Mat4 m_keptMatrix;
    Plane m_planes[6];

    SgRef<SgGizmoGroup> m_pDisplay;
    SgObject *m_pGizmo = nullptr;
    SgCoordinate3 *m_pGizmoPoints = nullptr;
    SgPointSet *m_pGizmoSet = nullptr;
    SgSubObjectMoveTool *m_pMoveTool = nullptr;
    SgHandleEventAction *m_pAction = nullptr;
    // The press of a click or rubber band, until its release.
    bool m_bPressing = false;
    bool m_bBand = false;
    bool m_bCtrl = false;
    int m_iPressX = 0;
    int m_iPressY = 0;
    int m_iBandX = 0;
    int m_iBandY = 0;
    SgViewer *m_pViewer = nullptr;
    int m_iSavedPasses = 0;
    bool m_bHandlerMode = false;
};
