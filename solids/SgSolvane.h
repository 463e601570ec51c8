#pragma once
// The scene node that owns a boundary-representation solid, so that the
// engine can draw it, bound it and hand it to modifiers; and the one road
// from the engine's polygon meshes into the kernel (ConvertToGeom), which
// boolean evaluation, the STL exporter and the mesh modifiers take.
//
// The node has no fields of its own: a scene file names it ("Solvane") but
// carries no solid for it. Solids in the scene are results that the boolean
// and modifier nodes compute again after a file is read; saving a solid node
// that holds a solid says that the solid is not written.
//
// VisitGLRender is defined in solids/render/SgSolvaneRender.cpp (it draws).
#include <memory>
#include <string>

#include "engine/core/SgShape.h"
#include "utilities/math/Vec3.h"
#include "solids/SolvaneExport.h"

class SgAction;
class SgFaceSet;
class SgIndexedFaceSet;
class SgState;

namespace solvane {
class GmGeom;
}

class SOLVANE_API SgSolvane : public SgShape {
    SG_CLASS_HEADER(SgSolvane, SgFieldMngr)

    // Every solid the library builds for its own use.
    static constexpr double kWorkingBox = 2.2;
    static constexpr double kTolerance = 1e-6;
    // Face group tags: the bases of the two conversions that tag faces
    // start here and grow by kTagStep with every conversion.
    static constexpr int kTagBaseStart = 10;
    static constexpr int kTagStep = 200;
    // The group tag of faces from an indexed face set conversion.
    static constexpr int kIndexedFaceSetTag = 21;

    SgSolvane();
    // Takes ownership of the solid (null allowed).
    explicit SgSolvane(solvane::GmGeom *geom);

    // Copies nothing: a node never shares or copies its solid by assignment.
    SgSolvane &operator=(const SgSolvane &) { return *this; }

    solvane::GmGeom *GetGeom() const { return m_geom.get(); }
    // Takes ownership; the previous solid is deleted.
    void SetGeom(solvane::GmGeom *geom);
    // Hands the solid over to the caller; the node is left without one.
    solvane::GmGeom *ReleaseGeom() { return m_geom.release(); }

    // The empty result of an evaluation that failed carries the reason, so
    // that a writer of what is drawn refuses instead of leaving it out.
    bool HasFailed() const { return !m_failure.empty(); }
    const std::string &GetFailure() const { return m_failure; }
    void SetFailure(const std::string &why) { m_failure = why; }

    // The solid's box; the empty range without a solid or faces.
    Range<Vec3f> BoundingBox() override;

    // A new empty solid with the working box, for the points given: its
    // tolerance is the one of their size (kTolerance without points).
    static solvane::GmGeom *NewGeom(const Vec3 *points = nullptr, int count = 0);

    // --- Conversions (the caller owns what they return) --------------------
    // Polygon faces (t = 0) or, for t not 0, faces of one loop of four
    // corners as two triangles. Null for a face set without vertices.
    // Faces whose loops or indexes lie outside the arrays are refused with
    // one "Solvane" warning and left out.
    static solvane::GmGeom *ConvertToGeom(SgFaceSet *faceSet, int t);
    // Polygons of "coordIndex" ended by negative indexes over `points`.
    // A polygon with an index outside 0..count-1, a polygon without its
    // terminator at the end of the list and empty polygons are left out with
    // one "Solvane" warning per conversion. `tag` is the faces' group tag.
    static solvane::GmGeom *ConvertToGeom(SgIndexedFaceSet *mesh, int count, const Vec3 *points,
                                          int tag = kIndexedFaceSetTag);
    // Indexed face sets, face sets and solid nodes of exactly these classes;
    // null for any other shape. A solid node gives a copy of its solid, moved
    // to its deformed points when a deformer left some on it.
    static solvane::GmGeom *ConvertToGeom(SgShape *shape, SgState *state);

    // The next tag bases (each call grows its counter by kTagStep, starting
    // again before a base would no longer fit the faces' group field).
    static int NextFaceSetTagBase();
    static int NextIndexedFaceSetTagBase();

    // --- Visitors and start-up -------------------------------------------
    static void VisitGLRender(SgAction *action, SgNode *node);
    static void VisitBoundingBox(SgAction *action, SgNode *node);
    // Writes the (empty) block and warns when a solid is left out.
    static void VisitSave(SgAction *action, SgNode *node);
    // The library's visitors of the engine's own actions, then the rebuild
    // of every action's table.
    static void InitActions();
    static void TerminateActions() {}

protected:
    ~SgSolvane() override;

private:
    std::unique_ptr<solvane::GmGeom> m_geom;
    std::string m_failure;
};
