#pragma once
// Collects the nodes below a node that a predicate accepts, in depth-first
// order with parents before their children. Procedural shapes are searched
// into (their operands and profiles); what node-pointer fields reference is
// not. Two predicates give the everyday searches:
//
//   SgNode *light = FindNodeByClassID::Lookup(SgPointLight::ClassID(), root);
//   SgNode *mat = FindNodeByName::Lookup("Material", root); // name, else class
#include <string>
#include <unordered_set>
#include <vector>

#include "engine/core/SgAction.h"
#include "engine/core/SgPath.h"
#include "engine/core/NodaraExport.h"

class NODARA_API FindActionFunc {
public:
    virtual bool Match(SgNode *node) = 0;
    virtual ~FindActionFunc() = default;
};

// Nodes of exactly the class (not of derived classes).
class NODARA_API FindNodeByClassID : public FindActionFunc {
public:
    explicit FindNodeByClassID(int classId) : m_iClassID(classId) {}
    bool Match(SgNode *node) override;

    // The first node of the class below (or at) the root; null when none.
    static SgNode *Lookup(int classId, SgNode *root);

private:
    int m_iClassID;
};

// Nodes named so, and nodes whose class name is "Sg" followed by it: the name
// "Material" finds a node named so, else any material. Case-sensitive.
class NODARA_API FindNodeByName : public FindActionFunc {
public:
    explicit FindNodeByName(const char *name) : m_name(name ? name : "") {}
    bool Match(SgNode *node) override;

    // The first matching node below (or at) the root; null when none.
    static SgNode *Lookup(const char *name, SgNode *root);

private:
    std::string m_name;
};

class NODARA_API SgFindAction : public SgAction {
    SG_ACTION_HEADER(SgFindAction)

    // The predicate is not owned. Without one nothing matches.
    explicit SgFindAction(FindActionFunc *func = nullptr) : m_pFunc(func) {}
    ~SgFindAction() override = default;

    // Found nodes accumulate over Apply calls; each call starts the search
    // afresh even when the previous one stopped at its first match.
    bool Apply(SgNode *node) override;

    static void VisitNode(SgAction *action, SgNode *node);
    static void VisitGroup(SgAction *action, SgNode *node);
    static void VisitGeometricShape(SgAction *action, SgNode *node);

    FindActionFunc *m_pFunc;
    // Stop the traversal at the first match.
    bool m_bFirstOnly = true;
    // The matches in traversal order, and the path by which each was reached
    // (a node held in several places is found once per place).
    std::vector<SgNode *> m_Found;
    std::vector<SgPath> m_FoundPaths;

private:
    // Records the node when the predicate takes it.
    void Test(SgNode *node);
    // True when a search for the first match has been below the node before:
    // a shared branch that held no match the first time holds none the next,
    // so such a search is linear in the scene however the scene shares.
    bool SearchedBefore(SgNode *node);

    std::unordered_set<const SgNode *> m_searched;
};
