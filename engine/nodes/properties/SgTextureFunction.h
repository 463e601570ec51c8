#pragma once
// Generates texture coordinates for the current texture unit, optionally
// through a mapping transform node.
#include "engine/core/NodePtr.h"
#include "engine/core/SgNode.h"
#include "engine/core/SgTField.h"
#include "utilities/math/Vec3.h"
#include "engine/core/NodaraExport.h"

class SgAction;

class NODARA_API SgTextureFunction : public SgNode {
    SG_CLASS_HEADER(SgTextureFunction, SgFieldMngr)

    SgTextureFunction();

    // Writes the function type and the mapping transform and files both as
    // the current unit's coordinate function; "on" and the two directions
    // stay with the node for the render code.
    void DoAction(SgAction *action) override;
    bool IsPropertyNode() const override { return true; }

    SgFUShort m_on;
    SgFInt m_type;
    SgFNodePtr m_mapTransform;
    SgFVec3 m_dirS;
    SgFVec3 m_dirT;

protected:
    ~SgTextureFunction() override = default;
};
