#pragma once
#include <cstdint>
// One traversal of the scene graph. What an action does at a node is not a
// virtual method of the node: every action class owns a visitor table of plain
// functions indexed by node class offset, completed once so that a class
// without an entry of its own uses its nearest ancestor's. Libraries that load
// later write entries into the exported tables and rebuild them.
//
//   class SgFooAction : public SgAction {
//       SG_ACTION_HEADER(SgFooAction)
//       ...
//   };
//   SG_ACTION_SOURCE(SgFooAction, "SgFooAction")      // in SgFooAction.cpp
//   void SgFooAction::InitClass()
//   {
//       if (!RegisterActionClass(s_iClassID, s_lpszClassName, &Creator, s_pfnMethodsMap))
//           return;
//       SetVisitor(s_pfnMethodsMap, SgNode::ClassID(), VisitNothing);
//       SetVisitor(s_pfnMethodsMap, SgGroup::ClassID(), VisitDefault);
//       BuildVisitorsMap_(s_iClassID);
//       EnableElement<TransformElement>(s_aiEnabledElements, s_iEnabledCount);
//   }
//
// An action class that enables elements calls InitState() in its constructor:
// the base constructor runs before the class's enabled-element list is visible.
#include <new>
#include <string>
#include <vector>

#include "engine/core/SgPath.h"
#include "engine/core/SgNode.h"
#include "engine/core/NodaraExport.h"

class SgElement;
class SgState;

// The kinds of action nodes ask for (SgAction::GetKind).
enum class SgActionKind : int {
    kOther = 0,
    kRender,        // draws with GL (SgGLRenderAction)
    kRenderLights,  // the renderer's pass that gathers lights and effects
    kBuildCache,    // builds display lists
    kEvent,         // delivers a window event to handlers and tools
    kPick,          // picks along a ray
    kBoundingBox,   // measures boxes
};

class NODARA_API SgAction {
public:
    using VisitorFn = void (*)(SgAction *, SgNode *);
    using CreatorFn = SgAction *(*)();
    using ElementCreatorFn = SgElement *(*)(SgState *);

    // Ids and table sizes that other libraries index by.
    static constexpr int kFirstClassID = 10000;
    static constexpr int kMaxNamedClasses = 256;
    static constexpr int kMaxClasses = 64; // visitor tables: ids 10000 to 10063
    static constexpr int kFirstNodeClassID = 100;
    // One entry for every node class the field-container family can hold.
    static constexpr int kVisitorTableSize = SgFieldMngr::kMaxClasses; // node class ids 100 to 499
    static constexpr int kFirstElementClassID = 1000;
    static constexpr int kMaxEnabledElements = 64;
    static_assert(kFirstNodeClassID + kVisitorTableSize <= kFirstElementClassID,
                  "node class ids must stay below the element class ids");

    // Path codes (GetPathCode).
    enum PathCode { kNoTarget = 0, kOffTarget = 1, kAboveTarget = 2, kInTarget = 3 };

    // The class registry, exported so that later libraries register into it.
    static int ClassIDCounter;
    static const char *s_csClassNames[kMaxNamedClasses];
    static CreatorFn s_pfnCreators[kMaxNamedClasses];
    static VisitorFn *maps[kMaxClasses];

    // SgAction's own class statics (every derived class repeats them through
    // SG_ACTION_HEADER).
    static int ClassID() { return s_iClassID; }
    static const char *ClassName() { return s_lpszClassName; }
    static int ClassOffset() { return s_iClassID - kFirstClassID; }
    static int GetClassCount() { return ClassIDCounter - kFirstClassID; }
    static SgAction *Creator();
    static void InitClass();
    static VisitorFn s_pfnMethodsMap[kVisitorTableSize];

    SgAction();
    SgAction(const SgAction &) = delete;
    SgAction &operator=(const SgAction &) = delete;
    virtual ~SgAction();

    virtual int GetClassID() const { return s_iClassID; }
    virtual int GetOffset() const { return s_iClassID - kFirstClassID; }
    virtual const char *GetClassName() const { return s_lpszClassName; }
    // What the action does, for a node that behaves differently in some
    // actions: asked instead of comparing class names or ids it cannot name
    // checked (most such actions live in higher layers).
    virtual SgActionKind GetKind() const { return SgActionKind::kOther; }
    // Calls the visitor of the node's class from this action class's table.
    virtual void Traverse(SgNode *node) { Dispatch(s_pfnMethodsMap, this, node); }
    virtual int GetEnabledElementCount() const { return s_iEnabledCount; }
    // The i-th enabled element slot; -1 for an i outside the list.
    virtual int GetEnabledElement(int i) const { return EnabledAt(s_aiEnabledElements, s_iEnabledCount, i); }

    // Traverses the graph below the node. A failure inside the traversal (a
    // state overflow, a bad index) ends the traversal: the state and the
    // current path are put back as they were, the text is kept in GetError()
    // and reported as an error of the action's package (its class name without
    // "Sg", see platform/SgDiagnostics.h), and the result is false.
    virtual bool Apply(SgNode *node);
    // Restricts this and later Apply calls on the action to the branch the
    // path names, and applies to the path's first node. An empty path throws
    // SgInvalidArgument before anything is visited.
    virtual bool ApplyToPath(const SgPath &path);
    // Counts the traversals begun by an Apply that no other Apply encloses:
    // what runs inside one (formulas, for their shared budget) can tell one
    // pass over the scene from the next.
    static uint64_t OutermostApplyCount() { return s_outermostApplies; }
    virtual void PushState();
    virtual void PopState();

    // Where the current path stands against the target path; groups call it
    // with the child already appended to the current path.
    int GetPathCode();
    // The target path's node after the group when the current path, ending
    // at the group, is the target's beginning; a group stops after visiting
    // that child. Null when there is none.
    SgNode *GetStopNode(const SgNode *group) const;

    // The work of one pass: node visits, counted from the outermost Apply of
    // the action. Shared nodes make a few lines of a file expand to 2^lines
    // visits, so a pass stops (failing its Apply with a message) past
    // kTraversalVisitFloor visits, or past kTraversalVisitsPerNode visits per
    // distinct node for a scene large enough to need more.
    static constexpr uint64_t kTraversalVisitFloor = uint64_t(1) << 16;
    static constexpr uint64_t kTraversalVisitsPerNode = 16;
    // The node visits of the last (or current) pass.
    uint64_t GetVisitCount() const { return m_visits; }

    bool HasFailed() const { return !m_error.empty(); }
    // The text of the failure that ended the last Apply, empty when it succeeded.
    const std::string &GetError() const { return m_error; }

    SgState *GetState() const { return m_pState; }
    SgPath &GetCurrentPath() { return m_CurrentPath; }
    const SgPath &GetTargetPath() const { return m_TargetPath; }

    // Registry.
    // Null for an id that no class took.
    static SgAction *Create(int classId);
    static void Destroy(SgAction *action) { delete action; }
    static void BuildVisitorsMap_(int actionClassId);
    static void ReBuildVisitorsMaps();
    static void VisitDefault(SgAction *action, SgNode *node);
    static void VisitNothing(SgAction *, SgNode *) {}

    // Writes one entry; refused (false, with a diagnostic) for a node class
    // outside the table.
    static bool SetVisitor(VisitorFn *table, int nodeClassId, VisitorFn visitor);
    // The same through the registry, for libraries that only know the ids.
    static bool SetVisitor(int actionClassId, int nodeClassId, VisitorFn visitor);
    // Writes the entry of a node class known here only by its name: a class
    // of a higher layer or a later library, or one not built yet. A name that
    // no registered class has leaves the table as it is and is recorded, so
    // that start-up can be checked against the classes known to be missing.
    // False when the name did not resolve.
    static bool SetVisitorByName(VisitorFn *table, const char *nodeClassName, VisitorFn visitor);
    // The names SetVisitorByName could not resolve, each once, first asked first.
    static const std::vector<std::string> &GetUnresolvedVisitorNames();
    // The table of an action class; null for an id that has none.
    static VisitorFn *GetVisitorTable(int actionClassId);

    // Traversal state that visitors and groups read and change.
    int m_nTerminate = 0;             // non-zero: every group stops, the traversal unwinds
    bool m_bLeaveSeparator = false;   // the next enclosing separator stops and clears it
    bool m_bVisitAll = true;          // false: groups visit selectable children only
    bool m_bVisitShapeSeparators = false;
    bool m_bPassFlag = false;         // the render action's and parametric models' own flag
    int m_nPathCode = 0;

    SgPath m_TargetPath;
    SgPath m_CurrentPath;

protected:
    // Takes an id for the class (once), records name and creator and ties the
    // table to the id. False when the class was registered before (a second
    // InitClass does nothing) or when the registry is full (with a diagnostic).
    static bool RegisterActionClass(int &classId, const char *name, CreatorFn creator,
                                    VisitorFn *table);

    // Appends an element slot to a class's enabled list and records the
    // element's creator for the states; refused with a diagnostic when full.
    static void EnableElementSlot(int *list, int &count, int elementClassId, ElementCreatorFn create);
    template <class Element>
    static void EnableElement(int *list, int &count)
    {
        EnableElementSlot(list, count, Element::ClassID(), &Element::Create);
    }
    // Enables what a shape reads while it builds its geometry (placement,
    // draw style, fonts, crease angle, smoothing, shape type, points,
    // modifiers, number format): every action that makes a shape's mesh
    // outside the renderer needs the same state for the same mesh.
    static void EnableShapeBuildElements(int *list, int &count);

    // Fills the state's current frame with the enabled elements of the
    // action's class; constructors of classes that enable elements call it.
    void InitState();

    static int EnabledAt(const int *list, int count, int i)
    {
        return i >= 0 && i < count && i < kMaxEnabledElements ? list[i] : -1;
    }

    static void Dispatch(const VisitorFn *table, SgAction *action, SgNode *node)
    {
        if (!node)
            return;
        if (++action->m_visits > action->m_visitLimit)
            action->PassVisitLimit();
        // An unregistered class (id 0) or one beyond the table has no entry;
        // neither has a class registered after the last rebuild: all are skipped.
        const unsigned offset = static_cast<unsigned>(node->GetClassID() - kFirstNodeClassID);
        if (offset < static_cast<unsigned>(kVisitorTableSize)) {
            if (VisitorFn visitor = table[offset]) {
                visitor(action, node);
                return;
            }
        }
        ReportNoVisitor(action, node);
    }
    // Says once per action and node class that nodes of the class are skipped.
    static void ReportNoVisitor(const SgAction *action, const SgNode *node);

    SgState *m_pState;

    static int s_aiEnabledElements[kMaxEnabledElements];
    static int s_iEnabledCount;
    static uint64_t s_outermostApplies;
    static int s_applyNesting;

private:
    // Puts the traversal back where the failed Apply started it.
    void Unwind(int depth, int pathCount);
    // Called when a visit goes past the limit: the first time in a pass the
    // limit is sized by the scene's distinct nodes; past that it throws.
    void PassVisitLimit();

    std::string m_error;
    uint64_t m_visits = 0;
    uint64_t m_visitLimit = kTraversalVisitFloor;
    bool m_visitLimitSized = false;
    SgNode *m_passRoot = nullptr;

    static int s_iClassID;
    static const char *const s_lpszClassName;
};

// The statics and class queries every action class carries.
#define SG_ACTION_HEADER(Class)                                                         \
public:                                                                                 \
    static int ClassID() { return s_iClassID; }                                         \
    static const char *ClassName() { return s_lpszClassName; }                          \
    static int ClassOffset() { return s_iClassID - SgAction::kFirstClassID; }           \
    static int GetClassCount() { return SgAction::GetClassCount(); }                    \
    static SgAction *Creator();                                                         \
    static void InitClass();                                                            \
    int GetClassID() const override { return s_iClassID; }                              \
    int GetOffset() const override { return s_iClassID - SgAction::kFirstClassID; }     \
    const char *GetClassName() const override { return s_lpszClassName; }               \
    void Traverse(SgNode *node) override { Dispatch(s_pfnMethodsMap, this, node); }     \
    int GetEnabledElementCount() const override { return s_iEnabledCount; }             \
    int GetEnabledElement(int i) const override                                         \
    {                                                                                   \
        return EnabledAt(s_aiEnabledElements, s_iEnabledCount, i);                      \
    }                                                                                   \
    static SgAction::VisitorFn s_pfnMethodsMap[SgAction::kVisitorTableSize];            \
                                                                                        \
protected:                                                                              \
    static int s_aiEnabledElements[SgAction::kMaxEnabledElements];                      \
    static int s_iEnabledCount;                                                         \
                                                                                        \
private:                                                                                \
    static int s_iClassID;                                                              \
    static const char *const s_lpszClassName;                                           \
                                                                                        \
public:

#define SG_ACTION_SOURCE(Class, Name)                                                   \
    int Class::s_iClassID = 0;                                                          \
    const char *const Class::s_lpszClassName = Name;                                    \
    SgAction::VisitorFn Class::s_pfnMethodsMap[SgAction::kVisitorTableSize] = {};       \
    int Class::s_aiEnabledElements[SgAction::kMaxEnabledElements] = {};                 \
    int Class::s_iEnabledCount = 0;                                                     \
    SgAction *Class::Creator() { return new (std::nothrow) Class; }
