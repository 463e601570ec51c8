#include "tests/engine/actions/SampleScene.h"

#include "engine/nodes/object/SgObject.h"
#include "engine/nodes/geometry/SgCircle.h"
#include "engine/nodes/geometry/SgIndexedFaceSet.h"
#include "engine/nodes/properties/SgCamera.h"
#include "engine/nodes/properties/SgCoordinate3.h"
#include "engine/nodes/properties/SgLight.h"
#include "engine/nodes/properties/SgMaterial.h"
#include "engine/nodes/properties/SgTransform.h"

namespace {

SgObject *MakeObject(SgSeparator &root, const char *name, const Vec3 &move)
{
    auto *object = new SgObject;
    object->SetName(name);
    object->GetTransform(true)->m_translation = move;
    root.AddChild(object);
    return object;
}

SgIndexedFaceSet *MakeCubeFaces()
{
    // Six quads, each ended by -1.
    static const int kFaces[] = {0, 1, 2, 3, -1, 4, 7, 6, 5, -1, 0, 4, 5, 1, -1,
                                 1, 5, 6, 2, -1, 2, 6, 7, 3, -1, 3, 7, 4, 0, -1};
    auto *faces = new SgIndexedFaceSet;
    faces->m_coordIndex.SetVals(static_cast<int>(sizeof kFaces / sizeof kFaces[0]), kFaces);
    return faces;
}

} // namespace

const char *SampleScenePath()
{
    return FENNIX_TEST_DATA "/sample_scene.kvrx";
}

SgRef<SgSeparator> BuildSampleScene()
{
    SgRef<SgSeparator> root(new SgSeparator);
    root->SetName("ROOT");

    auto *sun = new SgDirLight;
    sun->SetName("sun");
    sun->m_direction = Vec3(-1, -2, -1.5);
    sun->m_intensity = 0.8f;
    root->AddChild(sun);

    auto *camera = new SgCamera;
    camera->SetName("view");
    camera->m_position = Vec3f(0, 2, 12);
    camera->m_orientation = Rotation(Vec3(1, 0, 0), -0.1651486774146268);
    root->AddChild(camera);

    auto *red = new SgMaterial;
    red->SetName("red \"paint\"");
    red->SetID({7, 2});
    const Color redColor(0.8, 0.1, 0.1, 1.0);
    red->m_diffuseColor.SetVals(1, &redColor);
    const float shine = 0.25f;
    red->m_shininess.SetVals(1, &shine);

    auto *corners = new SgCoordinate3;
    corners->SetID({7, 3});
    const Vec3 points[] = {{-1, -1, 1}, {1, -1, 1}, {1, 1, 1}, {-1, 1, 1},
                           {-1, -1, -1}, {1, -1, -1}, {1, 1, -1}, {-1, 1, -1}};
    corners->m_point.SetVals(8, points);

    SgObject *box = MakeObject(*root, "box", Vec3(-3, 0, 0));
    box->GetTransform()->SetID({12, 3});
    box->GetTransform()->m_rotation = Rotation(Vec3(0, 1, 0), 0.5235987755982988);
    box->AddPropertyNode(red, true);
    box->AddChild(corners);
    box->AddChild(MakeCubeFaces());

    SgObject *twin = MakeObject(*root, "twin box", Vec3(3, 0, 0));
    twin->GetTransform()->m_scaleFactor = Vec3(0.5, 0.5, 0.5);
    box->GetTransform()->m_rotation.AsOutput().Connect(twin->GetTransform()->m_rotation.AsInput());
    twin->AddPropertyNode(red, true);
    twin->AddChild(corners);
    twin->AddChild(MakeCubeFaces());

    SgObject *ring = MakeObject(*root, "ring", Vec3(0, 0, -4));
    ring->m_layer = 2;
    auto *blue = new SgMaterial;
    const Color blueColor(0.1, 0.2, 0.9, 0.5);
    blue->m_diffuseColor.SetVals(1, &blueColor);
    ring->AddPropertyNode(blue, true);
    auto *circle = new SgCircle;
    circle->m_radius = 1.5;
    circle->m_segments = 48;
    ring->AddChild(circle);
    return root;
}
