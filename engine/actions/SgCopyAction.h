#pragma once
// Deep copy of a sub-graph: every node below the one the action is applied
// to is made anew by class with copies of the source's field values, and
// groups are rebuilt from the copies of their children. Values are copied as
// values, so a node-pointer field of a copy refers to the same node as the
// source's. The object a clone shows (and, in scenes of old, children named
// "OBJ-NON-CLONE") is shared rather than copied,
// tools and manipulators are left out, procedural shapes get copies of their
// internal children. A node reached along two branches is copied twice.
//
//   SgCopyAction copy;
//   if (copy.Apply(node))
//       SgRef<SgNode> twin = copy.GetResult(); // unowned until taken
#include "engine/core/SgAction.h"
#include "engine/core/NodaraExport.h"

class SgFieldMngr;
class SgGroup;

class NODARA_API SgCopyAction : public SgAction {
    SG_ACTION_HEADER(SgCopyAction)

    // The name of the children that copies share with their source.
    static constexpr const char *kNonCloneName = "OBJ-NON-CLONE";

    SgCopyAction() = default;
    ~SgCopyAction() override = default;

    // As SgAction::Apply; a failed copy leaves no result (and nothing of the
    // partial copy behind).
    bool Apply(SgNode *node) override;
    // The copy of the node the action was last applied to, with no reference
    // held: the caller takes it. Null when the node was a scene root skipped
    // under m_bSkipSceneRoots, or when the copy failed.
    SgNode *GetResult() const { return m_pResult; }

    // Copies every field value of `src` into `dst`, making `dst` first (by
    // the source's class) when it is null; dst stays null for a class that
    // cannot be made. Arrays are copied whole. Each value is set as a normal
    // set does (undo record, change notice); a field whose class differs
    // from the source's at the same index is left alone.
    static void copyFields(SgFieldMngr *src, SgFieldMngr *&dst);

    static void VisitNode(SgAction *action, SgNode *node);
    static void VisitGroup(SgAction *action, SgNode *node);
    static void VisitGeometricShape(SgAction *action, SgNode *node);

    // Set: a group carrying the root flag is not copied (its copy is null).
    bool m_bSkipSceneRoots = false;
    SgNode *m_pResult = nullptr;

private:
    // The copy of the node itself, without children; null when its class
    // cannot be made.
    static SgNode *CopyNode(SgNode *node);
    // Copies the children of `source` into `copy` in order.
    void CopyChildren(SgGroup *source, SgGroup *copy);
    // The copy of one node as m_pResult leaves it.
    SgNode *CopyOf(SgNode *node);
};
