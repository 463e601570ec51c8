#pragma once
// Moves, turns and scales the texture coordinates of the shapes after it.
// It writes no state: the render code reads the node itself.
#include "engine/core/SgNode.h"
#include "engine/core/SgTField.h"
#include "utilities/math/Vec2.h"
#include "engine/core/NodaraExport.h"

class NODARA_API SgTexture2Transform : public SgNode {
    SG_CLASS_HEADER(SgTexture2Transform, SgFieldMngr)

    SgTexture2Transform();

    bool IsPropertyNode() const override { return true; }

    // Copies the four fields.
    SgTexture2Transform &operator=(const SgTexture2Transform &other);

    SgFVec2 m_translation;
    SgFDouble m_rotation;
    SgFVec2 m_center;
    SgFVec2 m_scaleFactor;

protected:
    ~SgTexture2Transform() override = default;
};
