#pragma once
// Free functions through which other libraries (the solid library, the render
// code) address element slots and read the common elements of an action's
// state without knowing the element templates.
#include "utilities/math/Mat4.h"
#include "engine/core/NodePtr.h"

class SgAction;
class SgNode;
class SgState;

// Class ids of the element classes that other libraries address.
int AlphaBlendElementClassID();
int AmbientColorElementClassID();
int AmbientElementClassID();
int CharAnimControlElementClassID();
int CreaseAngleElementClassID();
int DiffuseColorElementClassID();
int DrawOverElementClassID();
int DrawStyleElementClassID();
int EmissionColorElementClassID();
int FontCharsetElementClassID();
int FontNameElementClassID();
int FontSizeElementClassID();
int FontStyleElementClassID();
int ModifierStackElementClassID();
int NumberFactorElementClassID();
int NumberFormatElementClassID();
int PointElementClassID();
int ShapeTypeElementClassID();
int ShininessElementClassID();
int SmoothTypeElementClassID();
int SpecularColorElementClassID();
int TextureCoordsElementClassID();
int TextureEnableElementClassID();
int TextureFuncTransformElementClassID();
int TextureFuncTypeElementClassID();
int TextureUnitElementClassID();
int TransformElementClassID();

// Class ids of other families by name; 0 for a class not registered (yet).
int GetBoundingBoxActionClassID();
int GetGLRenderActionClassID();
// Entry i of the manipulator tools, in the order handle box, move,
// trackball, scale, constraint, params; 0 outside the table.
int GetToolClassID(int i);
int GetNodeIDFromName(const char *name);

// Reads of the current values, each marked read at the state's depth. An
// action that does not enable the element reads the class default.
int GetActionAlphaBlend(SgAction *action);
int GetActionDrawOver(SgAction *action);
int GetActionDrawStyle(SgAction *action);
int GetActionSmoothType(SgAction *action);
Mat4 GetActionTransform(SgAction *action);
bool GetTextureEnable(SgAction *action);
NodePtr *GetTextureFuncTransform(SgAction *action);
int GetTextureFuncType(SgAction *action);
// Whether the blending and draw-over values differ from the flags of the
// pass the render action is drawing, i.e. whether the shape belongs to
// another pass.
bool TestTransparency(SgAction *action, bool alphaBlendPass, bool drawOverPass);

// Starts the transform over at identity for the node (nested traversals).
void TransformElementReset(SgState *state, SgNode *node);
