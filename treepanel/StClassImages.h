#pragma once
#include "treepanel/ArbeloExport.h"
// The scene tree's item pictures: which picture each node class shows, by
// class name (a class without one shows its nearest ancestor's), and the
// pictures of field items and value items. The pictures themselves are
// drawn by the wx part (treepanel/wx/SgWxSceneTree.cpp) from these kinds.
namespace arbelo {

enum StImage : int {
    kImgNone = -1,
    kImgSeparator = 0,
    kImgGroup,
    kImgMaterial,
    kImgTransform,
    kImgShape,
    kImgCylinder,
    kImgTorus,
    kImgCone,
    kImgSphere,
    kImgDrawStyle,
    kImgLightModel,
    kImgPolyLine,
    kImgPolygon,
    kImgCircle,
    kImgText,
    kImgBinding,
    kImgTexture,
    kImgTextureEnable,
    kImgCamera,
    kImgLight,
    kImgManipulator,
    kImgHandler,
    kImgBoolean,
    kImgFaceSet,
    kImgObject,
    kImgShapeHints,
    kImgEnvironment,
    kImgExtrude,
    kImgCoordinate,
    kImgTexCoordinate,
    kImgNormal,
    kImgWrapper,
    kImgTextureFunction,
    kImgBackground,
    kImgLayers,
    kImgInfo,
    kImgField,
    kImgValue,
    kImageCount
};

// Item pictures are 20 x 16 pixels.
constexpr int kImageWidth = 20;
constexpr int kImageHeight = 16;

struct ARBELO_API StClassImage {
    const char *className;
    StImage image;
};

// The table in the order it is applied (a later line for a class replaces
// an earlier one).
ARBELO_API const StClassImage *GetClassImages(int &count);

} // namespace arbelo
