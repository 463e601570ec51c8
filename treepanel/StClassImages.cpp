#include "treepanel/StClassImages.h"

namespace arbelo {

namespace {
// Switches show no picture of their own.
constexpr StClassImage kClassImages[] = {
    {"SgSeparator", kImgSeparator},
    {"SgGroup", kImgGroup},
    {"SgMaterial", kImgMaterial},
    {"SgTransform", kImgTransform},
    {"SgCube", kImgShape},
    {"SgShape", kImgShape},
    {"SgModifier", kImgShape},
    {"SgIndexedFaceSet", kImgShape},
    {"SgCylinder", kImgCylinder},
    {"SgTorus", kImgTorus},
    {"SgCone", kImgCone},
    {"SgSphere", kImgSphere},
    {"SgDrawStyle", kImgDrawStyle},
    {"SgLightModel", kImgLightModel},
    {"SgPolyLine", kImgPolyLine},
    {"SgPolygon", kImgPolygon},
    {"SgNGon", kImgPolygon},
    {"SgCircle", kImgCircle},
    {"SgBText", kImgText},
    {"SgFont", kImgText},
    {"SgMaterialBinding", kImgBinding},
    {"SgTexture2D", kImgTexture},
    {"SgTexture2Transform", kImgShape},
    {"SgTextureEnable", kImgTextureEnable},
    {"SgCamera", kImgCamera},
    {"SgLight", kImgLight},
    {"SgDirLight", kImgLight},
    {"SgManipulator", kImgManipulator},
    {"SgEventHandler", kImgHandler},
    {"SgBoolean", kImgBoolean},
    {"SgSwitch", kImgNone},
    {"SgFaceSet", kImgFaceSet},
    {"SgObject", kImgObject},
    {"SgShapeHints", kImgShapeHints},
    {"SgEnvironment", kImgEnvironment},
    {"SgExtrude", kImgExtrude},
    {"SgCoordinate3", kImgCoordinate},
    {"SgTextureCoordinate2", kImgTexCoordinate},
    {"SgNormal", kImgNormal},
    {"SgWrapper", kImgWrapper},
    {"SgTextureFunction", kImgTextureFunction},
    {"SgBackground", kImgBackground},
    {"SgLayers", kImgLayers},
    {"SgInfo", kImgInfo},
};
} // namespace

const StClassImage *GetClassImages(int &count)
{
    count = static_cast<int>(sizeof(kClassImages) / sizeof(kClassImages[0]));
    return kClassImages;
}

} // namespace arbelo
