#pragma once
// What node navigation and the pick filters ask of the selection handler of
// the interaction tools. The handler lives in the tools library, which loads
// after the engine; it implements this interface so that the engine can
// move and test the selection without depending on it.
#include <functional>

#include "engine/core/SgPath.h"
#include "engine/core/NodaraExport.h"

class SgObject;

class NODARA_API SgSelectionHandlerInterface {
public:
    // Adjusts a path as it enters the selection; navigation switches it off
    // while it moves the selection itself.
    using PathFixup = std::function<void(SgPath &)>;

    virtual ~SgSelectionHandlerInterface() = default;

    virtual void Select(const SgPath &path, int mode) = 0;
    virtual void Deselect(SgPath &path, bool redraw) = 0;
    virtual bool IsSelectable(SgPath &path) = 0;

    virtual PathFixup GetPathFixup() const = 0;
    virtual void SetPathFixup(PathFixup fixup) = 0;
    // Forgets the manipulator attached to the current selection.
    virtual void ClearCurrentManipulator() = 0;
    // The object whose children the selection now moves among; null for the
    // scene itself.
    virtual void SetContextParent(SgObject *parent) = 0;
};
