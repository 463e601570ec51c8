#pragma once
// Free functions through which other libraries (the solid library, the render
// code) address element slots and read the common elements of an action's
// state without knowing the element templates.
#include "utilities/math/Mat4.h"
#include "engine/core/NodePtr.h"
#include "engine/core/NodaraExport.h"

class SgAction;
class SgNode;
class SgState;

// Class ids of the element classes that other libraries address.
NODARA_API int AlphaBlendElementClassID();
NODARA_API int AmbientColorElementClassID();
NODARA_API int AmbientElementClassID();
NODARA_API int CharAnimControlElementClassID();
NODARA_API int CreaseAngleElementClassID();
NODARA_API int DiffuseColorElementClassID();
NODARA_API int DrawOverElementClassID();
NODARA_API int DrawStyleElementClassID();
NODARA_API int EmissionColorElementClassID();
NODARA_API int FontCharsetElementClassID();
NODARA_API int FontNameElementClassID();
NODARA_API int FontSizeElementClassID();
NODARA_API int FontStyleElementClassID();
NODARA_API int ModifierStackElementClassID();
NODARA_API int NumberFactorElementClassID();
NODARA_API int NumberFormatElementClassID();
NODARA_API int PointElementClassID();
NODARA_API int ShapeTypeElementClassID();
NODARA_API int ShininessElementClassID();
NODARA_API int SmoothTypeElementClassID();
NODARA_API int SpecularColorElementClassID();
NODARA_API int TextureCoordsElementClassID();
NODARA_API int TextureEnableElementClassID();
NODARA_API int TextureFuncTransformElementClassID();
NODARA_API int TextureFuncTypeElementClassID();
NODARA_API int TextureUnitElementClassID();
NODARA_API int TransformElementClassID();

// Class ids of other families by name; 0 for a class not registered (yet).
NODARA_API int GetBoundingBoxActionClassID();
NODARA_API int GetGLRenderActionClassID();
// Entry i of the manipulator tools, in the order handle box, move,
// trackball, scale, constraint, params; 0 outside the table.
NODARA_API int GetToolClassID(int i);
NODARA_API int GetNodeIDFromName(const char *name);

// Reads of the current values, each marked read at the state's depth. An
// action that does not enable the element reads the class default.
NODARA_API int GetActionAlphaBlend(SgAction *action);
NODARA_API int GetActionDrawOver(SgAction *action);
NODARA_API int GetActionDrawStyle(SgAction *action);
NODARA_API int GetActionSmoothType(SgAction *action);
NODARA_API Mat4 GetActionTransform(SgAction *action);
NODARA_API bool GetTextureEnable(SgAction *action);
NODARA_API NodePtr *GetTextureFuncTransform(SgAction *action);
NODARA_API int GetTextureFuncType(SgAction *action);
// Whether the blending and draw-over values differ from the flags of the
// pass the render action is drawing, i.e. whether the shape belongs to
// another pass.
NODARA_API bool TestTransparency(SgAction *action, bool alphaBlendPass, bool drawOverPass);

// Starts the transform over at identity for the node (nested traversals).
NODARA_API void TransformElementReset(SgState *state, SgNode *node);
