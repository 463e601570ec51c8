#pragma once
// Writes a scene graph, or any field container, as scene text through a
// Vrml1Stream. A node reached a second time (shared by two groups, referenced
// by a node-pointer field, or the source of a connection) is written once
// with "DEF <id> " and then as "USE <id> ". The map of what was written is
// keyed by the node itself, never by its persistent id, and the ids written
// are unique within one write: two nodes that carry the same id get told
// apart before they reach the text.
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "engine/core/SgAction.h"
#include "engine/core/NodeID.h"
#include "engine/core/SgRef.h"
#include "engine/core/NodaraExport.h"

class DxOutBase;
class SgField;
class SgFieldMngr;
class SgGeometricShape;
class Vrml1Stream;

class NODARA_API SgSaveAction : public SgAction {
    SG_ACTION_HEADER(SgSaveAction)

    // With `skipRoots`, a node whose root flag is set is not written, nor
    // anything below it.
    explicit SgSaveAction(bool skipRoots = false);
    ~SgSaveAction() override;

    // The stream is not owned; Apply fails while none is set.
    void SetStream(Vrml1Stream *stream) { m_pStream = stream; }
    Vrml1Stream *GetStream() const { return m_pStream; }

    // "#VRML V1.0 ascii " and the format version.
    void WriteHeader(int version);

    // Writes one node; also the entry most node classes inherit.
    static void VisitGeneric(SgAction *action, SgNode *node);
    // A gizmo group stands for the modifier it holds, and only that is written.
    static void VisitGizmoGroup(SgAction *action, SgNode *node);
    // A camera is written as a perspective or orthographic camera block.
    static void VisitCamera(SgAction *action, SgNode *node);
    // Parametric models and instances are written by the engines library,
    // which installs their writer at start-up; without one they are written
    // like any node.
    using ParametricWriter = void (*)(SgSaveAction *action, SgNode *node);
    static void SetParametricWriter(ParametricWriter writer);
    static void VisitParametric(SgAction *action, SgNode *node);
    // The node's own children, each through this action's visitors.
    void WriteChildren(SgNode *node);

    // Writes any container, also one that is not a node (an engine reached
    // through a connection: written whole every time it is reached).
    void WriteContainer(SgFieldMngr *container);

    // The "DEF "/"USE " prefix of a node. False when the node was written
    // before: "USE <id> " is all it gets. `mustName` names a node that would
    // otherwise need no name (a connection's source).
    bool WriteDefUse(SgNode *node, bool mustName = false);
    // Continues the names `earlier` gave, for a later part of the same file:
    // a node it wrote is a USE here, and no new DEF takes one of its ids.
    // A graph the same text holds besides the one applied to (a view tree
    // written after the scene): a node it shares with the scene is named.
    void AlsoWrites(const SgNode *top) { m_alsoWritten.insert(top); }
    void ContinueNamesOf(const SgSaveAction &earlier)
    {
        m_mapWritten = earlier.m_mapWritten;
        m_idsWritten = earlier.m_idsWritten;
    }
    // "NodeName", a tab and the quoted name, when the node has a name.
    static void WriteNodeName(Vrml1Stream &stream, SgNode *node);

    // The persistent id a node was written under in this run; the null id
    // when it was written without one (or not at all).
    NodeID GetWrittenID(const SgNode *node) const;

    Vrml1Stream *m_pStream = nullptr;
    // Above 0: a geometric shape that holds a built result is written as it.
    int m_nExportCaches = 0;
    bool m_bSkipRoots;
    // Left for the object-part writer of parametric blocks: objects without
    // content are written without an object part there.
    bool m_bCheckEmptyObjects = true;

private:
    struct NodeIDHash {
        size_t operator()(const NodeID &id) const
        {
            return std::hash<long long>()((static_cast<long long>(id.first) << 32) ^
                                          static_cast<unsigned int>(id.second));
        }
    };

    // One block being written: marks its container in progress and counts
    // its levels of nesting.
    class BlockScope {
    public:
        BlockScope(SgSaveAction &action, const SgFieldMngr *container, int levels);
        ~BlockScope();
        BlockScope(const BlockScope &) = delete;
        BlockScope &operator=(const BlockScope &) = delete;

    private:
        SgSaveAction &m_action;
        const SgFieldMngr *m_container;
        int m_levels;
    };

    // Whether the node is written at all by this action.
    bool IsWritable(SgNode *node) const;
    void WriteNodeBlock(SgNode *node, bool mustName);
    void WriteCameraBlock(SgNode *camera, bool mustName);
    void WriteAddedToPrimitive(SgGeometricShape *shape);
    // Every field that differs from a fresh container of the class.
    void WriteFields(SgFieldMngr *container);
    // One field's line: its connection, its node block, or its value; with
    // `skipDefault` nothing when the value equals `fresh`'s.
    void WriteFieldLine(SgFieldMngr *container, SgField *field, const char *name, SgField *fresh,
                        bool skipDefault);
    // " = <source> . <name>" after the prefix; false (nothing written) when
    // the source cannot be named in the text, so the caller writes the value.
    bool WriteConnection(DxOutBase *output, const std::string &prefix);
    // A container of the class in its constructed state, kept for the run.
    SgFieldMngr *FreshOfClass(int classId);

    std::unordered_map<const SgFieldMngr *, NodeID> m_mapWritten;
    std::unordered_map<NodeID, const SgFieldMngr *, NodeIDHash> m_idsWritten;
    std::unordered_set<const SgNode *> m_alsoWritten;
    // Containers whose block is being written: a connection back to one of
    // them that has no name cannot be written and keeps its value instead.
    std::unordered_set<const SgFieldMngr *> m_inProgress;
    std::unordered_map<int, SgRef<SgFieldMngr>> m_fresh;
    int m_nDepth = 0;
};
