#include "tests/engine/actions/MeasureTestNodes.h"

#include <algorithm>
#include <cmath>

#include "engine/SgNodara.h"
#include "engine/core/SgAction.h"
#include "engine/actions/SgGetTransformAction.h"

SG_CLASS_SOURCE(MeasuredShape, SgShape, SgFieldMngr, "MeasuredShape")

SgRef<MeasuredShape> MakeMeasured(const Vec3f &min, const Vec3f &max, const char *name)
{
    SgRef<MeasuredShape> shape = new MeasuredShape;
    shape->m_box = Range<Vec3f>(min, max);
    shape->SetName(name);
    return shape;
}

SgRef<MeasuredShape> MakeCuboid(double width, double height, double depth)
{
    const float x = float(width / 2), y = float(depth / 2), z = float(height / 2);
    return MakeMeasured(Vec3f(-x, -y, -z), Vec3f(x, y, z), "cuboid");
}

SgRef<SgObject> MakeObjectWith(SgNode *content, const Vec3 &translation, const char *name)
{
    SgRef<SgObject> object = new SgObject;
    object->SetName(name);
    if (content)
        object->AddChild(content);
    object->SetMove(translation);
    return object;
}

SgRef<SgSeparator> MakeSceneRoot()
{
    SgRef<SgSeparator> root = new SgSeparator;
    root->SetRoot(true);
    root->SetName("root");
    return root;
}

void SetPlacement(SgTransform *transform, const Vec3 &translation, const Rotation &rotation, const Vec3 &scale)
{
    transform->m_translation = translation;
    transform->m_rotation = rotation;
    transform->m_scaleFactor = scale;
}

Transform3 WorldOf(const SgPath &pathToObject)
{
    auto *object = static_cast<SgObject *>(pathToObject.GetNodes().back());
    Transform3 local;
    if (SgTransform *transform = object->GetTransform())
        local = transform->GetMatrix();
    return SgGetTransformAction::PathMatrix(pathToObject) * local;
}

double MatrixDistance(const Mat4 &a, const Mat4 &b)
{
    double worst = 0.0;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j)
            worst = std::max(worst, std::fabs(a[i][j] - b[i][j]));
    }
    return worst;
}

void InitMeasureTestClasses()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    SgNodara::Init();
    MeasuredShape::InitClass();
    SgAction::ReBuildVisitorsMaps();
}
