#pragma once
// An image put on the shapes after it, with its wrap, filter and blend
// settings. The node also keeps the name of the drawing texture that the
// render code made from the image.
#include "engine/core/Image2.h"
#include "engine/core/NodePtr.h"
#include "engine/core/SgNode.h"
#include "engine/core/SgTField.h"
#include "engine/core/SgVecField.h"
#include "utilities/math/Color.h"
#include "engine/core/NodaraExport.h"

class SgAction;

class NODARA_API SgTexture2D : public SgNode {
    SG_CLASS_HEADER(SgTexture2D, SgFieldMngr)

    enum Wrap { REPEAT = 0, CLAMP = 1 };
    enum Model { MODULATE = 0, DECAL = 1, BLEND = 2 };
    enum Sample { NEAREST = 0, LINEAR = 1 };

    // No drawing texture made for the node.
    static constexpr int kNoTexture = -1;

    // Frees a drawing texture by name. The render library installs it; the
    // node library itself never talks to the graphics library, so without it
    // a texture name is simply forgotten.
    using DeleteTextureFn = void (*)(int textureName);
    static void SetDeleteTextureFunction(DeleteTextureFn fn) { s_pfnDeleteTexture = fn; }
    static DeleteTextureFn GetDeleteTextureFunction() { return s_pfnDeleteTexture; }

    SgTexture2D();

    // Writes the image, wrap, model and sample elements and switches
    // texturing on.
    void DoAction(SgAction *action) override;
    bool IsPropertyNode() const override { return true; }

    // Takes the image and its wrap, model and sample settings; the blend,
    // combine and transparency settings and the drawing texture stay.
    SgTexture2D &operator=(const SgTexture2D &other);

    int GetTextureName() const { return m_iTextureName; }
    void SetTextureName(int name) { m_iTextureName = name; }

    SgFImage m_filename;
    SgFInt m_wrapS;
    SgFInt m_wrapT;
    SgFInt m_model;
    SgFInt m_sample;
    SgFNodePtr m_combine;
    SgFColor m_blendColor;
    SgFInt m_boostFactor;
    SgFInt m_genAlpha;
    SgVFColor m_transpColors;
    SgVFFloat m_transpColorsTolerance;

protected:
    // Frees the drawing texture made for the node, when there is one.
    ~SgTexture2D() override;

private:
    int m_iTextureName = kNoTexture;

    static DeleteTextureFn s_pfnDeleteTexture;
};
