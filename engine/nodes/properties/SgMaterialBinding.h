#pragma once
// How the material colours bind to the parts of the shapes after it.
#include "engine/core/SgNode.h"
#include "engine/core/SgTField.h"
#include "engine/core/NodaraExport.h"

class SgAction;

class NODARA_API SgMaterialBinding : public SgNode {
    SG_CLASS_HEADER(SgMaterialBinding, SgFieldMngr)

    // The values of "binding", as the scene text names them.
    enum Binding {
        DEFAULT = 0,
        OVERALL = 1,
        PER_PART = 2,
        PER_PART_INDEXED = 3,
        PER_FACE = 4,
        PER_FACE_INDEXED = 5,
        PER_VERTEX = 6,
        PER_VERTEX_INDEXED = 7,
    };

    SgMaterialBinding();

    void DoAction(SgAction *action) override;

    SgFInt m_binding;

protected:
    ~SgMaterialBinding() override = default;
};
