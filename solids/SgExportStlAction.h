#pragma once
// Writes the triangles of the shapes below a node to an open file as binary
// STL, in world coordinates: solids, face sets, indexed face sets and cubes,
// each as the solid drawing routine triangulates it, so that the file holds
// what is drawn: points from the point nodes in force, modifiers applied.
// A boolean shape exports its evaluated solid (its result), never its
// operands; a boolean whose evaluation failed makes the export fail with
// the object's name. Manipulators and gizmo handles are never exported.
//
//   SgExportStlAction stl;
//   stl.SetFile(file);            // opened "wb" by the caller, not owned
//   stl.Apply(node);              // as often as there are objects
//   bool ok = stl.Finish();       // false after any short write
//
// One 84-byte head is written before the first record; after every Apply
// its count (offset 80) is brought up to the number of records in the file,
// so the file is complete after each call. The file must be seekable.
// Facet normals are computed from the transformed vertices, and a mirroring
// transform (negative determinant) has each triangle's winding reversed, so
// that facets keep facing out.
#include <cstdint>
#include <cstdio>
#include <string>

#include "engine/core/SgAction.h"
#include "utilities/math/Mat4.h"
#include "solids/SolvaneExport.h"

class SgPathList;

namespace solvane {
class GmGeom;
}

class SOLVANE_API SgExportStlAction : public SgAction {
    SG_ACTION_HEADER(SgExportStlAction)

    static constexpr int kHeadSize = 80;
    static constexpr int kRecordSize = 50;

    SgExportStlAction();
    ~SgExportStlAction() override = default;

    void SetFile(std::FILE *file);
    std::FILE *GetFile() const { return m_pFile; }

    // Exports everything below the node; false when the file could not be
    // written (or no file is set), with the reason in GetWriteError().
    bool Apply(SgNode *node) override;

    // Flushes the file; false when any write of this export failed.
    bool Finish();
    bool HasWriteFailed() const { return !m_writeError.empty(); }
    const std::string &GetWriteError() const { return m_writeError; }
    uint32_t GetRecordCount() const { return m_nRecords; }

    // Opens `path`, exports the last node of every path with the transforms
    // along the path (world coordinates when the paths start at the root),
    // and closes the file. False with a reason when anything failed; a
    // failed export leaves no file behind unless the
    // path named an existing file, which is left as the export left it.
    static bool ExportPaths(const std::string &path, const SgPathList &paths, std::string *error = nullptr);

    // Writes the solid's triangles under the state's current transform.
    void WriteGeom(solvane::GmGeom &geom);

    static void VisitSolvane(SgAction *action, SgNode *node);
    static void VisitFaceSet(SgAction *action, SgNode *node);
    static void VisitIndexedFaceSet(SgAction *action, SgNode *node);
    static void VisitCube(SgAction *action, SgNode *node);
    static void VisitBoolean(SgAction *action, SgNode *node);
    static void VisitSkeleton(SgAction *action, SgNode *node);

private:
    bool Fail(const std::string &why);
    bool WriteHead();
    bool UpdateCount();

    std::FILE *m_pFile = nullptr;
    long m_headAt = -1;
    uint32_t m_nRecords = 0;
    std::string m_writeError;
};
