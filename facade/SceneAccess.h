#pragma once
// What a host reads and writes by name: field values in their scene text
// ("1.5", "(1,2,3)"), nodes found by name or through the selection, nodes
// made by class name and put into the scene, bounding boxes, and the layer
// table. A command family of the facade (facade/CDrevon.h) that keeps the
// selection walk of FindNode.
#include <cstddef>
#include <string>

#include "facade/DrevonExport.h"

class SgField;
class SgFieldMngr;
class SgNode;
class SgViewer;

namespace drevon {

class CDrevon;

class DREVON_API SceneAccess {
public:
    explicit SceneAccess(CDrevon &facade) : m_facade(facade) {}
    SceneAccess(const SceneAccess &) = delete;
    SceneAccess &operator=(const SceneAccess &) = delete;

    static SgField *GetField(SgNode *node, const char *name);
    static std::string GetFieldStr(SgNode *node, const char *name);
    SgField *FindField(const char *nodeName, const char *fieldName, SgViewer *viewer = nullptr);
    std::string GetFieldValue(const char *nodeName, const char *fieldName);
    // 0.0 when the value does not begin with a number.
    double GetFieldDouble(const char *nodeName, const char *fieldName);
    // 0, with the field as it was, for a null field or a text that does not
    // parse as the field's value.
    static int SetFieldValue1(SgField *field, const char *text);
    // "name" (exactly) renames the node. 0 for a missing node or field or a
    // text that does not parse; the field keeps its value then.
    int SetFieldValue(SgNode *node, const char *fieldName, const char *text);
    int SetFieldValue(const char *nodeName, const char *fieldName, const char *text);
    // The input field follows the output from now on; false when either is
    // missing or they cannot be connected.
    static bool PlugTo(SgFieldMngr *output, const char *outName, SgFieldMngr *input, const char *inName);
    // Where FindNode looks besides below a node: values of their own, never
    // addresses. 3 to 9 are reserved and find nothing.
    enum class NodeRoot : int { Document = 0, Selection = 1, SelectionWalk = 2, LastReserved = 9 };
    // By name below the node (null: the scene root).
    SgNode *FindNode(const char *name, SgNode *root);
    // Selection: the first selected node, whatever the name, and the walk
    // starts after it; SelectionWalk: the next selected node of the walk.
    SgNode *FindNode(const char *name, NodeRoot root);
    // A new node of the class "Sg" + name, unreferenced; null for a name no
    // node class has.
    static SgNode *CreateNode(const char *className);
    // Parent null: the scene root. A property node given to an object joins
    // its properties; otherwise mode 1 puts it after the reference, other
    // modes before (no reference: at the end or the front). 0 when the
    // parent holds no children, the node would hold its parent, or the
    // parent refuses it.
    int InsertNode(SgNode *parent, SgNode *node, int mode, SgNode *reference);
    int RemoveChild(SgNode *parent, SgNode *child);
    // Minimum x, y, z then maximum x, y, z; 0 for a null node or out.
    int GetBoundingBox(SgNode *node, float *box);
    // Layer requests (what): 1 flags, 8 name, 0x100001 add, 0x100003 current.
    static constexpr int kLayerFlags = 1;
    static constexpr int kLayerName = 8;
    static constexpr int kLayerAdd = 0x100001;
    static constexpr int kLayerCurrent = 0x100003;
    // Room the name request assumes when the caller gives no size.
    static constexpr size_t kLayerNameRoom = 256;
    // The name is cut to fit `outSize` bytes with its terminating zero.
    int GetLayerValue(int layer, int what, void *out, size_t outSize = kLayerNameRoom);
    int SetLayerValue(int layer, int what, const void *value);

private:
    CDrevon &m_facade;
    // The selection walk of FindNode: the index of the next selected path.
    int m_iSelectionWalk = -1;
};

} // namespace drevon
