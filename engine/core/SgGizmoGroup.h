#pragma once
// The group that holds the gizmo geometry of modifiers and tools; actions tell
// it apart by its class and give it visitors of its own.
#include "engine/core/SgGroup.h"
#include "engine/core/NodaraExport.h"

class NODARA_API SgGizmoGroup : public SgGroup {
    SG_CLASS_HEADER(SgGizmoGroup, SgFieldMngr)

    bool AffectsState() const override { return true; }

protected:
    ~SgGizmoGroup() override = default;
};
