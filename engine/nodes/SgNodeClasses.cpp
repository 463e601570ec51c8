#include "engine/nodes/SgNodeClasses.h"

#include "engine/nodes/object/SgObject.h"

#include "engine/core/SgModifier.h"
#include "engine/nodes/geometry/SgBoolean.h"
#include "engine/nodes/character/SgBone.h"
#include "engine/nodes/character/SgCharAnim.h"
#include "engine/nodes/geometry/SgBox.h"
#include "engine/nodes/geometry/SgCircle.h"
#include "engine/nodes/geometry/SgCone.h"
#include "engine/nodes/geometry/SgCube.h"
#include "engine/nodes/geometry/SgCylinder.h"
#include "engine/nodes/geometry/SgFiletPolyLine.h"
#include "engine/nodes/geometry/SgNGon.h"
#include "engine/nodes/geometry/SgSpline.h"
#include "engine/nodes/geometry/SgText.h"
#include "engine/nodes/geometry/SgScatter.h"
#include "engine/nodes/geometry/SgVolume.h"
#include "engine/nodes/geometry/SgWrapper.h"
#include "engine/nodes/helpers/SgGrid.h"
#include "engine/nodes/helpers/SgSnap.h"
#include "engine/nodes/geometry/SgExternalFile.h"
#include "engine/nodes/geometry/SgExtrude.h"
#include "engine/nodes/geometry/SgExtrudeCap.h"
#include "engine/nodes/geometry/SgFaceSet.h"
#include "engine/nodes/geometry/SgGenPolyLine.h"
#include "engine/nodes/geometry/SgGeoSphere.h"
#include "engine/nodes/geometry/SgGeometricShape.h"
#include "engine/nodes/geometry/SgIndexedFaceSet.h"
#include "engine/nodes/geometry/SgIndexedLineSet.h"
#include "engine/nodes/geometry/SgOffset.h"
#include "engine/nodes/geometry/SgPlane.h"
#include "engine/nodes/geometry/SgPointSet.h"
#include "engine/nodes/geometry/SgPolyLine.h"
#include "engine/nodes/geometry/SgPolyLineArc.h"
#include "engine/nodes/geometry/SgPolygon.h"
#include "engine/nodes/geometry/SgPrizm.h"
#include "engine/nodes/geometry/SgRevolve.h"
#include "engine/nodes/geometry/SgSkeleton.h"
#include "engine/nodes/geometry/SgSphere.h"
#include "engine/nodes/geometry/SgTorus.h"
#include "engine/nodes/geometry/SgTorusKnot.h"
#include "engine/nodes/object/SgHelper.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/nodes/particles/SgAttractor.h"
#include "engine/nodes/particles/SgDeflector.h"
#include "engine/nodes/particles/SgDestructor.h"
#include "engine/nodes/particles/SgDynamicEffect.h"
#include "engine/nodes/particles/SgEmitter.h"
#include "engine/nodes/particles/SgFriction.h"
#include "engine/nodes/particles/SgPointAttractor.h"
#include "engine/nodes/particles/SgRotation.h"
#include "engine/nodes/particles/SgWind.h"
#include "engine/nodes/properties/SgAxis.h"
#include "engine/nodes/properties/SgBackground.h"
#include "engine/nodes/properties/SgBehavior.h"
#include "engine/nodes/properties/SgBillboard.h"
#include "engine/nodes/properties/SgCamera.h"
#include "engine/nodes/properties/SgCoordinate3.h"
#include "engine/nodes/properties/SgDrawStyle.h"
#include "engine/nodes/properties/SgEnvironment.h"
#include "engine/nodes/properties/SgFont.h"
#include "engine/nodes/properties/SgFormat.h"
#include "engine/nodes/properties/SgInfo.h"
#include "engine/nodes/properties/SgJoint.h"
#include "engine/nodes/properties/SgLayers.h"
#include "engine/nodes/properties/SgLight.h"
#include "engine/nodes/properties/SgLightModel.h"
#include "engine/nodes/properties/SgMaterial.h"
#include "engine/nodes/properties/SgMaterialBinding.h"
#include "engine/nodes/properties/SgNormal.h"
#include "engine/nodes/properties/SgShapeHints.h"
#include "engine/nodes/properties/SgTexture2D.h"
#include "engine/nodes/properties/SgTexture2Transform.h"
#include "engine/nodes/properties/SgTextureCombine.h"
#include "engine/nodes/properties/SgTextureCoordinate2.h"
#include "engine/nodes/properties/SgTextureEnable.h"
#include "engine/nodes/properties/SgTextureFunction.h"
#include "engine/nodes/properties/SgTextureUnit.h"
#include "engine/nodes/properties/SgTransform.h"
#include "engine/nodes/properties/SgTransformConstraint.h"
#include "engine/nodes/properties/SgTransformSensor.h"

void SgNodeClasses::RegisterNodeClasses()
{
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
    // modifier (a class of the object model that has always taken its id
    // here), billboard and behaviour nodes.
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
    SgExtrude::RegisterReportPackage();
    // Further curves: splines, the filleted polyline, regular polygons and
    // stars.
    SgSpline::InitClass();
    SgBSpline::InitClass();
    SgBezierSpline::InitClass();
    SgFiletPolyLine::InitClass();
    SgNGon::InitClass();
    SgNStar::InitClass();
    // Extruded text; the sweep with shaped end caps.
    SgBText::InitClass();
    SgText::InitClass();
    SgExtrudeCap::InitClass();
    // The volume box; the snap marker and the construction grid.
    SgVolume::InitClass();
    SgSnap::InitClass();
    SgGrid::InitClass();
    // Laying objects along a path.
    SgWrapper::InitClass();
    // The Boolean combination of operand shapes; its engines join its table
    // when the libraries that evaluate them start.
    SgBoolean::InitClass();
    // Character animation: the bone shape (a prism).
    SgBone::InitClass();
    // Copies of an object placed at the points of another.
    SgScatter::InitClass();
    // The roof over a profile, of the extrusion family.
    SgSkeleton::InitClass();
    // The skinning modifier.
    SgCharAnim::InitClass();
    // Particles: the effects (their base first) and the emitter.
    SgDynamicEffect::InitClass();
    SgAttractor::InitClass();
    SgPointAttractor::InitClass();
    SgFriction::InitClass();
    SgWind::InitClass();
    SgRotation::InitClass();
    SgDestructor::InitClass();
    SgDeflector::InitClass();
    SgEmitter::InitClass();
    // Geometry from files in foreign formats.
    SgExternalFile::InitClass();
}

namespace {

SgSeparator *ShapeSeparator(SgNode *geometricShape)
{
    return geometricShape && geometricShape->IsGeometricShape()
               ? static_cast<SgGeometricShape *>(geometricShape)->GetSeparator()
               : nullptr;
}

} // namespace

void SgNodeClasses::InstallHooks()
{
    // An object walks into the internal separator of a shape that starts its
    // content (its operands and profiles).
    SgObject::SetShapeHolderFunction(&ShapeSeparator);
}
