#pragma once
// The document's copy buffer: the paths of the objects to copy, pasted as
// independent copies (Paste: the sources are never touched), as clones (a new
// object that shows the source object and carries a transform of its own) or,
// in deep-copy mode, as independent copies of the subgraph.
//
// A clone is an object with the clone mark whose first child is the object it
// shows, left as it was: its name, place and transform stay, and the clone's
// own transform acts on top of them (the copy action shares that child
// instead of copying it). A path is a clone path when an object on it
// carries the mark.
//
// A buffered path keeps the nodes it names alive: an object deleted from the
// scene after it was copied can still be pasted and is never freed under the
// buffer.
#include <vector>

#include "engine/core/SgPath.h"
#include "engine/core/SgRef.h"
#include "utilities/math/Range.h"
#include "utilities/math/Vec3.h"
#include "utilities/math/Vec3f.h"
#include "engine/core/NodaraExport.h"

class SgObject;
class SgPathList;
class SgSelectionHandler;
class SgSeparator;

class NODARA_API SgCopy {
public:
    static constexpr const char *kCloneName = "CLONE-OBJ";

    SgCopy() = default;
    SgCopy(const SgCopy &) = delete;
    SgCopy &operator=(const SgCopy &) = delete;
    virtual ~SgCopy();

    // ---- The buffer -------------------------------------------------------------
    // Appends a copy of the path; its index.
    int AddToBuffer(const SgPath &path);
    int Clone(const SgPath &path) { return AddToBuffer(path); }
    // Empties the buffer, then buffers every path of the list (clone mode) or
    // puts a deep copy next to each path's object (deep-copy mode).
    void Clone(const SgPathList &paths);
    int GetCount() const { return static_cast<int>(m_buffer.size()); }
    // An index outside the buffer raises SgInvalidArgument.
    SgPath GetPath(int index) const;
    void UpdateList(int index, const SgPath &path);
    // Index of an equal path, -1 when none.
    int FindPath(const SgPath &path) const;
    void RemoveAll() { m_buffer.clear(); }
    void SetCopyMode(bool deep) { m_bDeepCopy = deep; }
    bool GetCopyMode() const { return m_bDeepCopy; }
    void SetSelectionHandler(SgSelectionHandler *handler) { m_pSelectionHandler = handler; }
    SgSelectionHandler *GetSelectionHandler() const { return m_pSelectionHandler; }

    // ---- Copies -------------------------------------------------------------------
    // Copies the node the path ends at and adds the copy to the path's object.
    // Returns the copy; null when nothing could be copied.
    SgNode *DeepCopy(SgPath path);
    // A copy of a view tree (cameras, lights, background included).
    static SgSeparator *CopyView(SgSeparator *tree);

    // Pastes an independent copy of every buffered object under the
    // separator, in buffer order and as one undo step. The sources keep their
    // names, places and text; a copy shares with its source only what the
    // copy action shares (node-valued fields such as textures). Returns the
    // copies; buffered paths that no longer end at an object paste nothing.
    std::vector<SgObject *> Paste(SgSeparator *separator);

    // ---- Clones ---------------------------------------------------------------------
    static bool IsClone(const SgPath &path);
    // The object the path ends at; for a clone, the object it shows.
    static SgObject *GetLastObject(const SgPath &path);
    static SgObject *FindLastObject(SgObject *object);
    // The box of the path's object alone, in the coordinates of the path's start.
    static Range<Vec3f> CalcBoundingBox(const SgPath &path);
    // The length of that box's diagonal times `factor`.
    static double CalculateCloneOffset(const SgPath &path, double factor);
    // A new clone of the source path's object, standing where it stands (a
    // clone of a clone takes that clone's transform); `target` becomes its
    // path. The clone is not yet in the scene; the source is not touched.
    SgObject *CreateClone(const SgPath &source, SgPath &target);
    // Pastes a clone of every buffered path under the separator, as one undo
    // step; the clones, in buffer order. The buffer keeps what was copied, so
    // a second paste shows the same objects again, not the first clones.
    std::vector<SgObject *> PasteClone(SgSeparator *separator);
    // Pastes a clone of the buffered path under the separator; the buffer
    // then names the new clone, so a second paste clones the clone. Returns
    // the clone; null when the path is not in the buffer or has no object.
    SgObject *PasteClone(SgSeparator *separator, const SgPath &path);

private:
    struct Entry {
        explicit Entry(const SgPath &p);
        SgPath path;
        // One reference per node of the path.
        std::vector<SgRef<SgNode>> keep;
    };

    void CheckIndex(int index) const;
    // Adds a clone of the buffered path at `index` under the separator as
    // one undo step; `target`, when given, becomes the clone's path.
    SgObject *PlaceClone(SgSeparator *separator, int index, SgPath *target);

    SgSelectionHandler *m_pSelectionHandler = nullptr;
    bool m_bDeepCopy = false;
    std::vector<Entry> m_buffer;
};
