#pragma once
// The vertex coordinates that the indexed shapes after it use: the node hands
// the traversal state a pointer to its array field.
#include "engine/core/SgNode.h"
#include "engine/core/SgVecField.h"
#include "engine/core/NodaraExport.h"

class NODARA_API SgCoordinate3 : public SgNode {
    SG_CLASS_HEADER(SgCoordinate3, SgFieldMngr)

    SgCoordinate3();

    // Brings "point" up to date with its driving module, then points the
    // coordinate element at it unless the field is ignored.
    void DoAction(SgAction *action) override;

    SgVFVec3 m_point;

protected:
    ~SgCoordinate3() override = default;
};
