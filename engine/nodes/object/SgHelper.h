#pragma once
// Base of the objects that assist modelling without being part of the model
// (axes, grids): tools and the document tell them apart through IsHelper.
#include "engine/nodes/object/SgObject.h"
#include "engine/core/NodaraExport.h"

class NODARA_API SgHelper : public SgObject {
    SG_CLASS_HEADER(SgHelper, SgFieldMngr)

    // Always with a transform and an inner group.
    SgHelper() : SgObject(true, true) {}

    bool IsHelper() const override { return true; }

protected:
    ~SgHelper() override = default;
};
