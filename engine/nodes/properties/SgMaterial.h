#pragma once
// The material colours of the shapes after it. Each colour is an array so
// that a shape can take one colour per part, face or vertex as the material
// binding says; the array fields themselves go into the state, so readers see
// the whole array of the node that set it.
#include "engine/core/SgNode.h"
#include "engine/core/SgTField.h"
#include "engine/core/SgVecField.h"
#include "utilities/math/Color.h"
#include "engine/core/NodaraExport.h"

class SgAction;

class NODARA_API SgMaterial : public SgNode {
    SG_CLASS_HEADER(SgMaterial, SgFieldMngr)

    SgMaterial();

    // Points the colour, shininess and ambient-intensity elements at this
    // node's arrays; transparency and the alpha settings stay with the node
    // for the render code to read.
    void DoAction(SgAction *action) override;
    bool IsPropertyNode() const override { return true; }

    // Takes the four colours and the shininess as one undoable change; the
    // ambient intensity, transparency and alpha settings stay this node's own.
    SgMaterial &operator=(const SgMaterial &other);

    // Appends one diffuse colour as one change of the array.
    void AddDiffuse(const Color &color);

    SgVFColor m_diffuseColor;
    SgVFColor m_specularColor;
    SgVFColor m_emissiveColor;
    SgVFColor m_ambientColor;
    SgVFFloat m_ambientIntensity;
    SgVFFloat m_shininess;
    SgVFFloat m_transparency;
    SgFInt m_alphaBlend;
    SgFFloat m_alphaRef;

protected:
    ~SgMaterial() override = default;
};
