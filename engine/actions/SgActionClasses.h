#pragma once
#include "engine/core/NodaraExport.h"
// The registration block of the standard actions. The library start-up
// (engine/SgNodara.cpp) runs it after every node class and element is
// registered, since each action completes its visitor table and enables its
// elements here, and after the object model's own actions; the order fixes
// the action ids. A new action joins the end of the block.
class NODARA_API SgActionClasses {
public:
    static void RegisterActionClasses();
};
