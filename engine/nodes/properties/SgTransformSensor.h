#pragma once
// A node with two output fields, a translation and a rotation, that the
// owner of the engine finds by class and wires to whatever reports a
// placement. Writing them is no edit of the scene, so it records no undo.
#include "engine/core/SgNode.h"
#include "engine/core/SgTField.h"
#include "engine/core/NodaraExport.h"

class NODARA_API SgTransformSensor : public SgNode {
    SG_CLASS_HEADER(SgTransformSensor, SgFieldMngr)

    SgTransformSensor();

    bool IsPropertyNode() const override { return true; }

    SgFVec3 m_translationOut;
    SgFRotation m_rotationOut;

protected:
    ~SgTransformSensor() override = default;
};
