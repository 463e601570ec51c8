#pragma once
// A marker node without fields: scene files and tools create it by class and
// recognise it; it affects nothing.
#include "engine/core/SgNode.h"
#include "engine/core/NodaraExport.h"

class NODARA_API SgSnap : public SgNode {
    SG_CLASS_HEADER(SgSnap, SgFieldMngr)

    SgSnap() = default;
    bool AffectsState() const override { return false; }

protected:
    ~SgSnap() override = default;
};
