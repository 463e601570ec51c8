#pragma once
// What a view shows behind the scene: plain colours, sky and ground colour
// bands with their angles, or an image. The render code reads the node.
#include <string>

#include "engine/core/SgNode.h"
#include "engine/core/SgTField.h"
#include "engine/core/SgVecField.h"
#include "utilities/math/Color.h"
#include "engine/core/NodaraExport.h"

class NODARA_API SgBackground : public SgNode {
    SG_CLASS_HEADER(SgBackground, SgFieldMngr)

    SgBackground();

    bool IsPropertyNode() const override { return true; }

    SgFStr m_imageFile;
    SgFInt m_style;
    SgFDouble m_scale;
    SgFColor m_color1;
    SgVFColor m_skyColor;
    SgVFFloat m_skyAngle;
    SgVFColor m_groundColor;
    SgVFFloat m_groundAngle;

protected:
    ~SgBackground() override = default;
};
