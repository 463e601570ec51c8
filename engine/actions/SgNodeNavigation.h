#pragma once
// Moves a selected path up to the enclosing object, sideways to a sibling
// object, or down into a group of objects (or a Boolean's operands), and
// moves the selection of the interaction tools' handler along with it.
#include "engine/core/SgPath.h"
#include "engine/core/NodaraExport.h"

class SgObject;
class SgPathList;
class SgSelectionHandlerInterface;

class NODARA_API SgNodeNavigation {
public:
    // The mode navigation selects its results with.
    static constexpr int kSelectMode = 0;

    // Sets or clears the expanded flag of a parametric model as the
    // selection enters or leaves it; the parametric library installs it, and
    // it leaves objects that are no models alone.
    using ExpandHook = void (*)(SgObject *object, bool expanded);
    static void SetExpandHook(ExpandHook hook) { s_pfnExpand = hook; }

    explicit SgNodeNavigation(SgSelectionHandlerInterface *handler = nullptr) : m_pSelectionHandler(handler) {}
    SgNodeNavigation(const SgNodeNavigation &) = default;
    SgNodeNavigation &operator=(const SgNodeNavigation &) = default;
    virtual ~SgNodeNavigation() = default;

    // The path of the object that encloses the path's last object.
    void GetParent(const SgPath &path, SgPath &out) const;
    // The object right before or after the path's last object among its
    // siblings; null when that neighbour is missing or is no object.
    SgNode *GetSibling(SgPath &path, bool next) const;
    // The path into the last object's content: its first child, through the
    // Boolean it holds when it is no group of objects. `out` is left alone
    // when there is nothing to enter.
    void GetSon(SgPath &path, SgPath &out) const;

    // Each moves the selection of one path and does nothing when the step
    // finds no target (or without a selection handler).
    void NavigateToParent(SgPath &path);
    void NavigateToSibling(SgPath &path, bool next);
    void NavigateToSon(SgPath &path);
    // The same for every path of a copy of the list, taken first because the
    // selection changes meanwhile.
    void NavigateToParent(const SgPathList &paths);
    void NavigateToSibling(const SgPathList &paths, bool next);
    void NavigateToSon(const SgPathList &paths);

    SgSelectionHandlerInterface *m_pSelectionHandler;

private:
    // Runs one step with the handler's path fix-up switched off and the
    // current manipulator cleared around it; the step returns the path it
    // selected (empty when it selected none).
    template <class Step>
    void InFrame(Step &&step);

    static ExpandHook s_pfnExpand;
};
