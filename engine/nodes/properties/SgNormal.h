#pragma once
// The normals that the indexed shapes after it use, in single precision: the
// node hands the traversal state a pointer to its array field.
#include "engine/core/SgNode.h"
#include "engine/core/SgVecField.h"
#include "engine/core/NodaraExport.h"

class NODARA_API SgNormal : public SgNode {
    SG_CLASS_HEADER(SgNormal, SgFieldMngr)

    SgNormal();

    // Brings "vector" up to date with its driving module, then points the
    // normal element at it unless the field is ignored.
    void DoAction(SgAction *action) override;

    SgVFVec3f m_vector;

protected:
    ~SgNormal() override = default;
};
