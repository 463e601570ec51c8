#pragma once
// The scene-wide ambient light and fog. The render code reads the node; it
// writes no state.
#include "engine/core/SgNode.h"
#include "engine/core/SgTField.h"
#include "utilities/math/Color.h"
#include "utilities/math/Vec3.h"
#include "engine/core/NodaraExport.h"

class NODARA_API SgEnvironment : public SgNode {
    SG_CLASS_HEADER(SgEnvironment, SgFieldMngr)

    SgEnvironment();

    bool AffectsState() const override { return false; }
    bool IsPropertyNode() const override { return true; }

    SgFFloat m_ambientIntensity;
    SgFColor m_ambientColor;
    SgFVec3 m_attenuation;
    SgFInt m_fogType;
    SgFColor m_fogColor;
    SgFFloat m_fogStart;
    SgFFloat m_fogEnd;

protected:
    ~SgEnvironment() override = default;
};
