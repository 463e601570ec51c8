#pragma once
#include "engine/core/NodaraExport.h"
// The registration blocks of the object-model layer. The library start-up
// (engine/SgNodara.cpp) runs every layer's blocks once, family by family and,
// within a family, from the lowest layer up; the order fixes the class ids.
// A new class of this layer joins the end of its family's block here, after
// its parent.
class NODARA_API SgCoreClasses {
public:
    // Field containers: the root, the groups, and the shape and modifier
    // bases that the modifier stack passes results between.
    static void RegisterNodeClasses();
    // Traversal state elements: their ids are the states' frame slots, so
    // they register before any action enables one.
    static void RegisterElementClasses();
    // The base action and the generic apply action.
    static void RegisterActionClasses();
    // Field classes, the field modules that connect them, and the function
    // objects that fields refer to.
    static void RegisterValueClasses();
};
