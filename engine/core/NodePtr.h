#pragma once
// The value of node-pointer fields: holds one reference to its node.
#include "engine/core/SgRef.h"

class SgNode;
using NodePtr = SgRef<SgNode>;
