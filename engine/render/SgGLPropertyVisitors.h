#pragma once
#include "engine/core/NodaraExport.h"
// The render action's visitors for property nodes: each lets the node write
// its state elements (its own DoAction) and then sets the matching OpenGL
// state. A visitor whose element an overriding node higher up has locked
// (the viewport's overriding material, say) returns without touching GL.
//
// They are plain functions so that other actions that draw (the lights pass
// places its lights with the transform visitor) and other libraries can
// enter them in their own tables. SgGLRenderAction::InitPropertyVisitors
// enters them in the render action's table.
class SgAction;
class SgNode;

struct NODARA_API SgGLPropertyVisitors {
    // Makes the GL texture of a texture node in the current context when it
    // has none, outside any display list (nothing while one compiles), so
    // that the lists compiled afterwards only bind it.
    static void PrepareTexture2D(SgNode *node);
    static void VisitMaterial(SgAction *action, SgNode *node);
    static void VisitMaterialBinding(SgAction *action, SgNode *node);
    static void VisitLightModel(SgAction *action, SgNode *node);
    static void VisitDrawStyle(SgAction *action, SgNode *node);
    static void VisitShapeHints(SgAction *action, SgNode *node);
    // Transforms and transform constraints: the GL matrix becomes the one
    // the node writes into the state.
    static void VisitTransform(SgAction *action, SgNode *node);
    static void VisitTexture2Transform(SgAction *action, SgNode *node);
    static void VisitTextureEnable(SgAction *action, SgNode *node);
    static void VisitTextureFunction(SgAction *action, SgNode *node);
    static void VisitTextureUnit(SgAction *action, SgNode *node);
    // Uploads (once per file, through the texture manager) and binds the
    // node's image; a missing or unusable image switches texturing off.
    static void VisitTexture2D(SgAction *action, SgNode *node);
    // Ambient light and fog.
    static void VisitEnvironment(SgAction *action, SgNode *node);

    // The scale at which GL_NORMALIZE is needed: a squared distance of the
    // scale factor from (1, 1, 1) above this.
    static constexpr double kNormalizeTolerance = 1e-5;
};
