#pragma once
// Shapes for the measuring tests: one with a box set by the test (the
// primitives' boxes without their builders), and a probe that counts its
// visits. Registered after start-up, so the visitor tables are rebuilt.
#include "engine/core/SgPath.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/core/SgRef.h"
#include "engine/core/SgShape.h"
#include "engine/nodes/properties/SgTransform.h"
#include "utilities/math/Range.h"
#include "utilities/math/Vec3f.h"

class MeasuredShape : public SgShape {
    SG_CLASS_HEADER(MeasuredShape, SgFieldMngr)

    Range<Vec3f> BoundingBox() override { return m_box; }
    Vec3 GetNormal(int, Vec3 &) override { return m_normal; }

    Range<Vec3f> m_box;
    Vec3 m_normal{0.0, 0.0, 1.0};

protected:
    ~MeasuredShape() override = default;
};

// A shape whose box is the given one.
SgRef<MeasuredShape> MakeMeasured(const Vec3f &min, const Vec3f &max, const char *name = "");
// The cube of that width (x), depth (y) and height (z) centred on the origin.
SgRef<MeasuredShape> MakeCuboid(double width, double height, double depth);

// An object holding one node in its content, its transform set to the
// translation.
SgRef<SgObject> MakeObjectWith(SgNode *content, const Vec3 &translation = Vec3(0, 0, 0),
                               const char *name = "");
// A root separator carrying the root flag.
SgRef<SgSeparator> MakeSceneRoot();

void SetPlacement(SgTransform *transform, const Vec3 &translation, const Rotation &rotation = Rotation(),
                  const Vec3 &scale = Vec3(1, 1, 1));

// Where the object's content lies: the matrix along the path to the object,
// times the object's own.
Transform3 WorldOf(const SgPath &pathToObject);
// The largest elementwise difference of two matrices.
double MatrixDistance(const Mat4 &a, const Mat4 &b);

void InitMeasureTestClasses();
