#pragma once
// Base of every scene-graph node and of the handlers and tools that live in the
// graph: a name, the owning document, user attributes, the fathers (groups that
// hold the node, and nodes that reference it through node-pointer fields), the
// change serial that caches compare, and the kind predicates.
#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "engine/core/SgFieldMngr.h"
#include "engine/core/NodaraExport.h"

class SgAction;
class SgDocument;
class SgGroup;
class SgPath;

class NODARA_API SgNode : public SgFieldMngr {
    SG_CLASS_HEADER(SgNode, SgFieldMngr)

    // Every depth gives the same copy; kept for the callers that name one.
    enum CopyDepth { kCopyShallow = 0, kCopyDeep = 1 };

    struct Attribute {
        int index;
        void *value; // a block of its own, from the C allocator
    };

    SgNode();

    static SgNode *Create(int classId);

    bool IsNode() const override { return true; }

    virtual void OnChange(SgField *field) override;
    virtual void NotifyFathers(SgNode *from);
    virtual void NotifySons(SgNode *from);
    virtual void Invalidate() {}
    virtual void Refresh(int) {}
    virtual void DoAction(SgAction *) {}
    virtual bool AffectsState() const { return true; }
    // Whether a change of this node reaches the nodes after it in its group
    // (their drawing and shapes may take their state from it); a node that
    // only places the whole scene for a view moves the picture, and what
    // comes after it is drawn again as it is.
    virtual bool ChangeReachesLaterSiblings() const { return AffectsState(); }
    virtual bool IsGroup() const { return false; }
    virtual bool IsSeparator() const { return false; }
    virtual bool IsShape() const { return false; }
    virtual bool IsTransform() const { return false; }
    virtual bool IsCamera() const { return false; }
    virtual bool IsLight() const { return false; }
    virtual bool IsObject() const { return false; }
    virtual bool IsModifier() const { return false; }
    virtual bool IsGeometricShape() const { return false; }
    virtual bool IsPropertyNode() const { return false; }
    virtual bool IsTool() const { return false; }
    virtual void SetDocument(SgDocument *document);
    // The nodes this one refers to through its node-pointer fields, in field
    // order, wherever the class declares them; `arrays` adds the elements of
    // node-pointer arrays.
    std::vector<SgNode *> ReferencedNodes(bool arrays);
    virtual void ReleaseDocument() { m_pDocument = nullptr; }
    // Leaves the document once no father belongs to it any more, and takes
    // along every node below that no longer hangs from anything in it: a node
    // kept outside the scene must not call into a document that may die, nor
    // record its edits there.
    void LeaveDocumentIfDetached();
    void UpdateSceneManager(void *) override;

    // Groups answer with their children; every other node holds none.
    virtual int GetNumChildren() const { return 0; }
    virtual SgNode *GetChild(int) const { return nullptr; }
    // Groups unlink the child without releasing it; 0 when it was not a child.
    virtual int RemoveChild(SgNode *) { return 0; }
    // The group a node holds outside any child list (a procedural shape's
    // internal separator, with the shape among its fathers); null otherwise.
    virtual SgGroup *GetHeldGroup() const { return nullptr; }
    // Whether the father holds the node as a child or as its held group, not
    // only through a node-pointer field: the fathers that paths run through.
    static bool HoldsInGraph(const SgNode *father, const SgNode *node);
    // Whether a transform takes the nodes that reference it as fathers.
    virtual bool IsNoFather() const { return false; }

    // Change serial.
    unsigned long GetNodeID() const { return m_lNodeID; }
    unsigned long AssignNodeID() { return m_lNodeID = s_lNodeIDCounter++; }
    static unsigned long GetNodeIDCounter() { return s_lNodeIDCounter; }

    // State flags.
    bool IsOveride() const { return m_wState & kOverride; }
    void SetOveride(bool on);
    void EnableUndo() { m_wState |= kUndoEnabled; }
    void DisableUndo() { m_wState &= ~kUndoEnabled; }
    bool IsUndoEnabled() const;

    // Kind flags.
    bool IsSelectable() const { return m_bKind & kSelectable; }
    void SetSelectable(bool on) { SetKind(kSelectable, on); }
    bool IsTemporary() const { return m_bKind & kTemporary; }
    void SetTemporary(bool on) { SetKind(kTemporary, on); }
    bool IsClone() const { return m_bKind & kClone; }
    void SetClone(bool on) { SetKind(kClone, on); }
    bool IsRoot() const { return m_bKind & kRoot; }
    void SetRoot(bool on) { SetKind(kRoot, on); }
    bool IsHolder() const { return m_bKind & kHolder; }
    void SetHolder(bool on) { SetKind(kHolder, on); }
    bool IsBuiltinMacro() const { return m_bBuiltin; }

    const std::string &GetName() const { return m_name; }
    void SetName(const char *name) { m_name = name ? name : ""; }
    SgDocument *GetDocument() const { return m_pDocument; }

    // Where a scene file gave this node: "file:line", empty for a node made
    // otherwise. Messages about the node made later (when it is drawn or
    // built) lead with it, as the reader's own messages do.
    std::string GetReadPlace() const;
    // "file:line: " or nothing: the lead of such a message.
    std::string GetReadPlacePrefix() const;
    void SetReadPlace(const std::string &file, long long line);

    // Fathers.
    void AddFather(SgNode *father) { m_fathers.push_back(father); }
    int DeleteFather(SgNode *father);
    SgNode *GetFirstFather() const { return m_fathers.empty() ? nullptr : m_fathers.front(); }
    const std::vector<SgNode *> &GetFatherList() const { return m_fathers; }
    void AddNodeFieldChild(SgNode *referenced);

    SgNode *Copy(CopyDepth depth = kCopyDeep) const;

    // The nearest node of exactly the given class before this one, searching
    // this node's group and then up through first fathers; `levels` -1 is unbounded.
    SgNode *FindAffecting(int classId, int levels);
    // The same along a path that ends at this node or at a group holding it;
    // `levels` counts the groups searched (-1 unbounded).
    SgNode *FindAffecting(const SgPath &path, int classId, int levels);

    // User attributes, by the attribute manager's index.
    Attribute *GetAttribute(int index);
    const void *GetNodeAttributeValue(int index);
    std::string GetNodeAttributeValueAsString(int index);
    void SetAttribute(int index, const void *value);
    void SetAttribute(int index, const std::string &text);
    void RemoveNodeAttribute(int index);
    int GetAttributeCount() const { return static_cast<int>(m_attributes.size()); }

    // Debugging dump of the graph below a node.
    static void PrintTree(SgNode *node, int indent, std::ostream &out);

    // Every traversal (SgAction::Apply) begins a new period. Outside
    // traversals, a node whose fathers were told of a change in the current
    // period tells them nothing more until the next one: nothing has read or
    // rebuilt what they dropped since (caches are built by traversals only),
    // so a burst of edits deep below (a chain grown at its bottom) costs each
    // node above once, not once per edit. During a traversal every notice
    // goes all the way up, as caches are being built meanwhile.
    static void BeginTraversal();
    static void EndTraversal();
    // A new period without a traversal: what was built now (a cache made
    // valid) is newer than every notice so far.
    static void StartNoticePeriod();

protected:
    ~SgNode() override;
    void SetBuiltinMacro(bool on) { m_bBuiltin = on; }
    // The nodes whose membership follows this one's: those referenced through
    // node-pointer fields, and whatever a subclass holds besides.
    virtual void AppendDocumentMembers(std::vector<SgNode *> &members);
    // False for nodes given their document explicitly rather than by the graph.
    virtual bool FollowsGraphDocument() const { return true; }
    // Above zero while a change of a view's placement of its scene goes up
    // the graph (SgGroup::NotifyFathers): groups on the way clear their own
    // caches only, so such a notice never stands for a full one.
    static thread_local int s_viewPlacementChange;

private:
    enum : uint16_t { kOverride = 1, kUndoEnabled = 2 };
    enum : uint8_t { kSelectable = 1, kTemporary = 2, kClone = 4, kRoot = 8, kHolder = 16 };

    void SetKind(uint8_t bit, bool on) { m_bKind = on ? (m_bKind | bit) : (m_bKind & ~bit); }
    void NotifyFathersOfNode(SgNode *from);
    // A change goes up the graph through a work list rather than the C++
    // stack, so that the depth of a chain costs heap, not stack (SgNode.cpp).
    struct NoticeFrame;
    static std::vector<NoticeFrame> &Notices();
    static void RunNotices(size_t base);
    void EndNotice(const NoticeFrame &frame);
    static void ForgetPendingNotices(SgNode *gone);

    static unsigned long s_lNodeIDCounter;

    unsigned long m_lNodeID;
    uint16_t m_wState = kUndoEnabled;
    uint8_t m_bKind = kSelectable;
    // Guards against cycles through node-pointer fields while changes and
    // documents are passed along.
    bool m_bNotifying = false;
    bool m_bSettingDocument = false;
    std::string m_name;
    SgDocument *m_pDocument = nullptr;
    std::vector<Attribute> m_attributes;
    std::vector<SgNode *> m_fathers;
    bool m_bBuiltin = false;
    // One kept copy per file name read (SetReadPlace), shared by its nodes.
    const std::string *m_pReadFile = nullptr;
    int m_iReadLine = 0;
    // The period (BeginTraversal) in which the fathers were last told of a
    // full change; 0 never.
    uint64_t m_uFathersToldIn = 0;
};
