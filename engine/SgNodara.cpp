#include "engine/SgNodara.h"

#include <cstdio>

#include "engine/core/SgAction.h"
#include "engine/core/SgApplyAction.h"
#include "engine/actions/SgBoundingBoxAction.h"
#include "engine/actions/SgCollectShapesAction.h"
#include "engine/actions/SgCopyAction.h"
#include "engine/actions/SgFindAction.h"
#include "engine/actions/SgGetTransformAction.h"
#include "engine/viewer/SgHandleEventAction.h"
#include "engine/render/SgRayPickAction.h"
#include "engine/actions/SgSaveAction.h"
#include "engine/actions/SgScanAction.h"
#include "engine/core/SgElement.h"
#include "engine/core/FieldModule.h"
#include "engine/core/RxFunc.h"
#include "engine/core/SgField.h"
#include "engine/core/SgFieldMngr.h"
#include "engine/core/SgGizmoGroup.h"
#include "engine/core/SgGroup.h"
#include "engine/core/SgNode.h"
#include "engine/engines/lisp/Lisp.h"
#include "engine/core/SgSeparator.h"
#include "engine/core/SgSwitch.h"
#include "engine/core/SgShape.h"
#include "engine/nodes/geometry/SgFaceSet.h"
#include "engine/nodes/geometry/SgGeometricShape.h"
#include "engine/nodes/geometry/SgIndexedFaceSet.h"
#include "engine/nodes/geometry/SgIndexedLineSet.h"
#include "engine/nodes/geometry/SgPointSet.h"
#include "engine/nodes/geometry/SgCircle.h"
#include "engine/nodes/geometry/SgGenPolyLine.h"
#include "engine/nodes/geometry/SgOffset.h"
#include "engine/nodes/geometry/SgExtrude.h"
#include "engine/nodes/geometry/SgPrizm.h"
#include "engine/nodes/geometry/SgBox.h"
#include "engine/nodes/geometry/SgCone.h"
#include "engine/nodes/geometry/SgCylinder.h"
#include "engine/nodes/geometry/SgPlane.h"
#include "engine/nodes/geometry/SgRevolve.h"
#include "engine/nodes/geometry/SgCube.h"
#include "engine/nodes/geometry/SgSphere.h"
#include "engine/nodes/geometry/SgGeoSphere.h"
#include "engine/nodes/geometry/SgTorus.h"
#include "engine/nodes/geometry/SgTorusKnot.h"
#include "engine/nodes/geometry/SgPolyLine.h"
#include "engine/nodes/geometry/SgPolyLineArc.h"
#include "engine/nodes/geometry/SgPolygon.h"
#include "engine/core/SgModifier.h"
#include "engine/core/SgAttributeManager.h"
#include "engine/nodes/properties/SgCamera.h"
#include "engine/nodes/properties/SgCoordinate3.h"
#include "engine/nodes/properties/SgJoint.h"
#include "engine/nodes/properties/SgNormal.h"
#include "engine/nodes/properties/SgTransform.h"
#include "engine/nodes/properties/SgTransformConstraint.h"
#include "engine/nodes/properties/SgTransformSensor.h"
#include "engine/nodes/properties/SgBackground.h"
#include "engine/nodes/properties/SgDrawStyle.h"
#include "engine/nodes/properties/SgEnvironment.h"
#include "engine/nodes/properties/SgFont.h"
#include "engine/nodes/properties/SgFormat.h"
#include "engine/nodes/properties/SgInfo.h"
#include "engine/nodes/properties/SgLayers.h"
#include "engine/nodes/properties/SgLight.h"
#include "engine/nodes/properties/SgLightModel.h"
#include "engine/nodes/properties/SgMaterial.h"
#include "engine/nodes/properties/SgMaterialBinding.h"
#include "engine/nodes/properties/SgShapeHints.h"
#include "engine/nodes/properties/SgTexture2D.h"
#include "engine/nodes/properties/SgTexture2Transform.h"
#include "engine/nodes/properties/SgTextureCombine.h"
#include "engine/nodes/properties/SgTextureCoordinate2.h"
#include "engine/nodes/properties/SgTextureEnable.h"
#include "engine/nodes/properties/SgTextureFunction.h"
#include "engine/nodes/properties/SgTextureUnit.h"
#include "engine/nodes/object/SgHelper.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/nodes/properties/SgAxis.h"
#include "engine/nodes/properties/SgBehavior.h"
#include "engine/nodes/properties/SgBillboard.h"
// Event handlers, tools, the selection handler and the animation manager.
#include "engine/document/SgAnimationMngr.h"
#include "engine/document/SgDocument.h"
#include "engine/render/SgWinAlignedRenderAction.h"
#include "engine/render/SgGLBuildCacheAction.h"
#include "engine/render/SgGLRenderAction.h"
#include "engine/render/SgGLRenderLightsAction.h"
#include "engine/render/SgTextureManager.h"
#include "engine/handlers/SgEventHandler.h"
#include "engine/handlers/SgRubberTool.h"
#include "engine/handlers/SgSelectionHandler.h"
#include "engine/handlers/SgTool.h"
#include "engine/handlers/SgUserHandler.h"
#include "engine/tools/SgExamineViewHandler.h"
#include "utilities/Brannic.h"

namespace {
bool s_initialized = false;

// The macros that parametric formulas are written with, evaluated in this
// order whenever the interpreter starts.
const char *const s_aszLispPrelude[] = {
    "(defmacro vec3 (x y z)     (list 'let (list (list 'a (list 'make-array 3))) \t   (list 'progn "
    "              (list 'aset 'a 0 x)(list 'aset 'a 1 y)(list 'aset 'a 2 z) 'a \t   )))",
    "(defmacro param (name) (list 'getfield 'node name))",
    "(defmacro par   (name) (list 'getfield 'node (symbol-name name)))",
    "(defmacro setp  (name val) (list 'setfield 'node (symbol-name name) val))",
};

void EvaluateLispPrelude()
{
    for (const char *text : s_aszLispPrelude)
        LispEvalTopLevel(LispReadFromString(text));
}
} // namespace

void SgNodara::Init()
{
    if (s_initialized)
        return;
    s_initialized = true;

    Brannic::Init();
    SgFieldMngr::init();
    SgAttributeManager::GetAttributeManager();
    SgDocument::LinkObjectModel();

    // Field containers, parents before children: the order fixes the class ids.
    SgFieldMngr::InitClass();
    SgNode::InitClass();
    SgGroup::InitClass();
    SgSwitch::InitClass();
    SgGizmoGroup::InitClass();
    SgSeparator::InitClass();
    // Modifier stack: the shape and modifier bases it passes results between
    // (their geometry and modifier subclasses register after them).
    SgShape::InitClass();
    SgModifier::InitClass();
    // Shape bases and meshes: the procedural-shape base takes its result-cache
    // slot first of all slots, so every separator made from here on has its
    // entry; then the face set and the scene-file meshes and point set.
    SgGeometricShape::InitCacheSlot();
    SgGeometricShape::InitClass();
    SgFaceSet::InitClass();
    SgIndexedFaceSet::InitClass();
    SgIndexedLineSet::InitClass();
    SgPointSet::InitClass();
    // Placement, view and vertex data nodes: transforms (the constraint after
    // its base), sensor, cameras, coordinates, normals and joints.
    SgTransform::InitClass();
    SgTransformConstraint::InitClass();
    SgTransformSensor::InitClass();
    SgCamera::InitClass();
    SgTargetCamera::InitClass();
    SgCoordinate3::InitClass();
    SgNormal::InitClass();
    SgJoint::InitClass();
    // Appearance, light, texture, environment, font, format, info and layers
    // nodes (the three light classes after their base).
    SgMaterial::InitClass();
    SgMaterialBinding::InitClass();
    SgDrawStyle::InitClass();
    SgShapeHints::InitClass();
    SgLightModel::InitClass();
    SgLight::InitClass();
    SgDirLight::InitClass();
    SgPointLight::InitClass();
    SgSpotLight::InitClass();
    SgTexture2D::InitClass();
    SgTextureCombine::InitClass();
    SgTexture2Transform::InitClass();
    SgTextureCoordinate2::InitClass();
    SgTextureEnable::InitClass();
    SgTextureFunction::InitClass();
    SgTextureUnit::InitClass();
    SgEnvironment::InitClass();
    SgBackground::InitClass();
    SgFont::InitClass();
    SgFormat::InitClass();
    SgInfo::InitClass();
    SgLayers::InitClass();
    // User-level objects and the editor's helpers: the object after the
    // separator it extends, the helper base before the axis; then the control
    // modifier, billboard and behaviour nodes.
    SgObject::InitClass();
    SgHelper::InitClass();
    SgAxis::InitClass();
    SgControlModifier::InitClass();
    SgBillboard::InitClass();
    SgBehavior::InitClass();
    // Curves: the polyline base and nodes, circle, arc and helix; then the
    // offset, a procedural shape over a curve.
    SgGenPolyLine::InitClass();
    SgPolyLine::InitClass();
    SgPolygon::InitClass();
    SgPolyLineArc::InitClass();
    SgPolygonArc::InitClass();
    SgCircle::InitClass();
    SgArc::InitClass();
    SgHelix::InitClass();
    SgOffset::InitClass();
    // Extrusion family and the other primitives built by sweeping: the
    // extrusion base, the prism and its box, cone and cylinder, the plane,
    // the lathe and its sphere, the torus and its knot; then the plain cube
    // and the geodesic sphere. The family's "LoftCurve" attribute joins the
    // attribute manager here.
    SgExtrude::InitClass();
    SgPrizm::InitClass();
    SgBox::InitClass();
    SgCone::InitClass();
    SgCylinder::InitClass();
    SgPlane::InitClass();
    SgRevolve::InitClass();
    SgSphere::InitClass();
    SgTorus::InitClass();
    SgTorusKnot::InitClass();
    SgCube::InitClass();
    SgGeoSphere::InitClass();
    SgExtrude::RegisterLoftCurveAttribute();

    // Event handlers and tools, before the actions: the writer and the reader
    // look their classes up to leave them out of scene files. The handler
    // base, the tool and rubber tool, the user's handler, the selection
    // handler and the animation manager (a tool only by descent).
    SgEventHandler::InitClass();
    SgTool::InitClass();
    SgRubberTool::InitClass();
    SgUserHandler::InitClass();
    SgSelectionHandler::InitClass();
    SgAnimationMngr::InitClass();
    // The concrete tools.
    SgExamineViewHandler::InitClass();

    // Traversal state elements: registered before any action enables them,
    // in a fixed order that fixes their frame slots.
    SgElement::InitClasses();

    // Actions: after the node classes and elements they name, since each
    // completes its visitor table and enables its elements at start-up.
    SgAction::InitClass();
    SgSaveAction::InitClass();
    SgApplyAction::InitClass();
    SgBoundingBoxAction::InitClass();
    SgGetTransformAction::InitClass();
    SgCollectShapesAction::InitClass();
    SgFindAction::InitClass();
    SgScanAction::InitClass();
    SgCopyAction::InitClass();
    // Picking and event dispatch of the viewers, and the billboard placement
    // that runs before each viewport draws.
    SgRayPickAction::InitClass();
    SgHandleEventAction::InitClass();
    SgWinAlignedRenderAction::InitClass();
    // The GL render action (its visitor table takes the shape and property
    // visitors) and the action that compiles separators into display lists.
    SgGLRenderAction::InitClass();
    SgGLBuildCacheAction::InitClass();
    // The lights pass of the render action; it installs itself there.
    SgGLRenderLightsAction::InitClass();
    // Texture deletion and texture image loading for the node classes.
    SgTextureManager::InstallHooks();
    // The scenario block: written by the save action's visitor of the
    // animation manager, read through the scene reader's hook.
    SgAnimationMngr::InstallFileHooks();

    SgField::InitFieldClasses();
    RegisterFieldModules();
    // The field primitives and prelude macros join through LispAddStartupHook.
    LispInit();
    // Also after every interpreter reset.
    LispAddStartupHook(&EvaluateLispPrelude);
    RxFunc::InitClasses();
}

bool SgNodara::IsInitialized()
{
    return s_initialized;
}

std::string SgNodara::RegistrationSummary()
{
    char text[256];
    std::snprintf(text, sizeof text,
                  "field containers: %d\nstate elements: %d\nfunction objects: %d\nactions: %d\n"
                  "fields: %d\n",
                  SgFieldMngr::GetClassCount(), SgElement::GetClassCount(), RxFunc::GetClassCount(),
                  SgAction::GetClassCount(), SgField::GetClassCount());
    return text;
}
