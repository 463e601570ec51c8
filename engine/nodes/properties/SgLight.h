#pragma once
// The lights of a scene. They write no state while traversed: the lights
// pass finds them and switches the drawing lights on before the shapes are
// drawn, so they affect no state of their own either.
#include "engine/core/SgNode.h"
#include "engine/core/SgTField.h"
#include "utilities/math/Color.h"
#include "utilities/math/Vec3.h"
#include "engine/core/NodaraExport.h"

// What every light has.
class NODARA_API SgLight : public SgNode {
    SG_CLASS_HEADER(SgLight, SgFieldMngr)

    SgLight();

    bool AffectsState() const override { return false; }
    bool IsLight() const override { return true; }
    bool IsPropertyNode() const override { return true; }

    SgFUShort m_on;
    SgFFloat m_intensity;
    SgFFloat m_linearAttenuation;
    SgFFloat m_quadraticAttenuation;
    SgFColor m_color;
    SgFInt m_scope;

protected:
    ~SgLight() override = default;
};

// A light from infinitely far along a direction.
class NODARA_API SgDirLight : public SgLight {
    SG_CLASS_HEADER(SgDirLight, SgFieldMngr)

    SgDirLight();

    SgFVec3 m_direction;

protected:
    ~SgDirLight() override = default;
};

// A light that shines from a point in every direction.
class NODARA_API SgPointLight : public SgLight {
    SG_CLASS_HEADER(SgPointLight, SgFieldMngr)

    SgPointLight();

    SgFVec3 m_location;

protected:
    ~SgPointLight() override = default;
};

// A light that shines from a point into a cone around a direction.
class NODARA_API SgSpotLight : public SgLight {
    SG_CLASS_HEADER(SgSpotLight, SgFieldMngr)

    SgSpotLight();

    SgFVec3 m_location;
    SgFVec3 m_direction;
    SgFFloat m_dropOffRate;
    SgFFloat m_cutOffAngle;

protected:
    ~SgSpotLight() override = default;
};
