#pragma once
// Explicit texture coordinates for the current texture unit.
#include "engine/core/SgNode.h"
#include "engine/core/SgVecField.h"
#include "utilities/math/Vec2f.h"
#include "engine/core/NodaraExport.h"

class SgAction;

class NODARA_API SgTextureCoordinate2 : public SgNode {
    SG_CLASS_HEADER(SgTextureCoordinate2, SgFieldMngr)

    SgTextureCoordinate2();

    // Points the texture-point element at "point" and files the array as the
    // current unit's coordinate source.
    void DoAction(SgAction *action) override;

    SgVFVec2f m_point;

protected:
    ~SgTextureCoordinate2() override = default;
};
