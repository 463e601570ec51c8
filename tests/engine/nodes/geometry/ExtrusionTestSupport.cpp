#include "tests/engine/nodes/geometry/ExtrusionTestSupport.h"

#include "engine/core/SgAction.h"
#include "engine/core/SgSeparator.h"
#include "tests/engine/core/StateTestSupport.h"

std::vector<int> MeshFace::All() const
{
    std::vector<int> all;
    for (const std::vector<int> &loop : loops)
        all.insert(all.end(), loop.begin(), loop.end());
    return all;
}

void InitExtrusionTests()
{
    InitStateTestClasses();
}

SgRef<SgPolyLine> MakePolyLine(const std::vector<Vec3> &points, bool closed)
{
    return MakePolyLine(std::vector<std::vector<Vec3>>{points}, closed);
}

SgRef<SgPolyLine> MakePolyLine(const std::vector<std::vector<Vec3>> &loops, bool closed)
{
    SgRef<SgPolyLine> line = new SgPolyLine;
    for (const std::vector<Vec3> &loop : loops)
        line->AddLoop(int(loop.size()), loop.data());
    line->m_closed.Set(closed ? 1 : 0);
    return line;
}

std::vector<Vec3> Square(double h)
{
    return {{-h, -h, 0.0}, {h, -h, 0.0}, {h, h, 0.0}, {-h, h, 0.0}};
}

SgFaceSet *BuildMesh(SgGeometricShape *shape)
{
    return BuildMesh(shape, nullptr);
}

SgFaceSet *BuildMesh(SgGeometricShape *shape, const std::function<void(SgAction *)> &before)
{
    InitExtrusionTests();
    SgRef<SgSeparator> root = new SgSeparator;
    if (before) {
        SgRef<StateTestNode> setter = new StateTestNode;
        setter->m_visit = [before](SgAction *action, StateTestNode *) { before(action); };
        root->AddChild(setter.get());
    }
    root->AddChild(shape);
    StateTestAction action;
    const bool applied = action.Apply(root.get());
    root->DeleteChild(shape);
    if (!applied)
        return nullptr;
    return dynamic_cast<SgFaceSet *>(shape->GetResultCache());
}

std::vector<MeshFace> ReadFaces(SgFaceSet &mesh)
{
    std::vector<MeshFace> faces;
    int loop = 0;
    int index = 0;
    for (int f = 0; f < mesh.GetFaceCount(); ++f) {
        MeshFace face;
        face.surface = mesh.m_surfID.GetValue(f);
        const int loops = mesh.m_loopCount.GetValue(f);
        for (int l = 0; l < loops; ++l, ++loop) {
            const int size = mesh.m_sizes.GetValue(loop);
            std::vector<int> indexes;
            for (int k = 0; k < size; ++k)
                indexes.push_back(mesh.m_indexes.GetValue(index++));
            face.loops.push_back(indexes);
        }
        faces.push_back(face);
    }
    return faces;
}

Vec3 Centroid(SgFaceSet &mesh, const MeshFace &face)
{
    Vec3 sum;
    const std::vector<int> all = face.loops.front();
    for (int index : all)
        sum += mesh.m_vertices.GetValue(index);
    return all.empty() ? sum : sum / double(all.size());
}

std::vector<int> InwardFaces(SgFaceSet &mesh, const std::function<Vec3(const Vec3 &)> &inside)
{
    mesh.EvaluateFaceNormals(false);
    const std::vector<MeshFace> faces = ReadFaces(mesh);
    std::vector<int> wrong;
    for (size_t f = 0; f < faces.size(); ++f) {
        const Vec3 centre = Centroid(mesh, faces[f]);
        const Vec3 normal = mesh.GetFaceNormal(int(f));
        if (normal.Dot(centre - inside(centre)) <= 0.0)
            wrong.push_back(int(f));
    }
    return wrong;
}
