#pragma once
// The position and orientation of a joint: a field holder, created by class
// name, with nothing to do in a traversal.
#include "engine/core/SgNode.h"
#include "engine/core/SgTField.h"
#include "engine/core/NodaraExport.h"

class NODARA_API SgJoint : public SgNode {
    SG_CLASS_HEADER(SgJoint, SgFieldMngr)

    SgJoint();

    SgFVec3 m_jointPosition;
    SgFRotation m_jointOrientation;

protected:
    ~SgJoint() override = default;
};
