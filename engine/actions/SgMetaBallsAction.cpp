#include "engine/actions/SgMetaBallsAction.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <functional>
#include <tuple>
#include <unordered_set>

#include "engine/core/SgBooleanCache.h"
#include "engine/core/SgElementClasses.h"
#include "engine/core/SgGroup.h"
#include "engine/core/SgSeparator.h"
#include "engine/core/SgState.h"
#include "engine/core/SgStateAccessors.h"
#include "engine/core/SgVecField.h"
#include "engine/nodes/geometry/SgBoolean.h"
#include "engine/nodes/geometry/SgBox.h"
#include "engine/nodes/geometry/SgCone.h"
#include "engine/nodes/geometry/SgCube.h"
#include "engine/nodes/geometry/SgCylinder.h"
#include "engine/nodes/geometry/SgExtrude.h"
#include "engine/nodes/geometry/SgFaceSet.h"
#include "engine/nodes/geometry/SgGenPolyLine.h"
#include "engine/nodes/geometry/SgPointSet.h"
#include "engine/nodes/geometry/SgSphere.h"
#include "engine/nodes/geometry/SgTorus.h"
#include "engine/nodes/geometry/SgTorusKnot.h"
#include "engine/nodes/geometry/SweepGeometry.h"
#include "engine/nodes/geometry/implicit/MetaBall.h"
#include "engine/nodes/geometry/implicit/MetaBallAgragation.h"
#include "engine/nodes/geometry/implicit/Polygonizer.h"
#include "engine/nodes/properties/SgCoordinate3.h"
#include "engine/nodes/properties/SgTransform.h"
#include "platform/SgDiagnostics.h"
#include "platform/SgError.h"

SG_ACTION_SOURCE(SgMetaBallsAction, "SgMetaBallsAction")

namespace {

constexpr int kMetaballSurface = 1234;

SgMetaBallsAction *Self(SgAction *action)
{
    return static_cast<SgMetaBallsAction *>(action);
}

// "SgSphere 'name'" for messages.
std::string Label(SgNode *node)
{
    std::string text = node->GetClassName();
    if (!node->GetName().empty())
        text += " '" + node->GetName() + "'";
    return text;
}

// The box of points, grown by a blob's reach so that no blob is cut at the
// box's faces.
void BlobBox(const Vec3 *points, int count, bool withOrigin, float box[6])
{
    double lo[3] = {HUGE_VAL, HUGE_VAL, HUGE_VAL}, hi[3] = {-HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
    auto take = [&](const Vec3 &p) {
        const double c[3] = {p.x, p.y, p.z};
        for (int a = 0; a < 3; ++a) {
            if (!std::isfinite(c[a]))
                return;
        }
        for (int a = 0; a < 3; ++a) {
            lo[a] = std::min(lo[a], c[a]);
            hi[a] = std::max(hi[a], c[a]);
        }
    };
    if (withOrigin)
        take(Vec3(0.0, 0.0, 0.0));
    for (int i = 0; i < count; ++i)
        take(points[i]);
    for (int a = 0; a < 3; ++a) {
        if (lo[a] > hi[a])
            lo[a] = hi[a] = 0.0;
        box[a] = float(lo[a] - BlobPoint::kHalfBox);
        box[a + 3] = float(hi[a] + BlobPoint::kHalfBox);
    }
}

struct CellHash {
    size_t operator()(const std::tuple<long long, long long, long long> &c) const
    {
        const auto [x, y, z] = c;
        return std::hash<long long>()(x * 73856093LL ^ y * 19349663LL ^ z * 83492791LL);
    }
};

// Blob centres to start the surface from: a blob's centre is inside it.
// One point of every grid cell of a blob's radius that holds points: two
// points of one cell are closer than the blob radius's diagonal, so their
// blobs always join, and every separate group of blobs gets a seed.
std::vector<Vec3> BlobSeeds(const Vec3 *points, int count)
{
    // Beyond this many the cells grow (dense clouds lose nothing by it:
    // their blobs join anyway).
    constexpr size_t kMaxBlobSeeds = 20000;
    for (double cell = BlobPoint::kRadius;; cell *= 2.0) {
        std::vector<Vec3> seeds;
        std::unordered_set<std::tuple<long long, long long, long long>, CellHash> taken;
        for (int i = 0; i < count; ++i) {
            const Vec3 &p = points[i];
            if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z))
                continue;
            const auto key = std::make_tuple(std::llround(std::floor(p.x / cell)), std::llround(std::floor(p.y / cell)),
                                             std::llround(std::floor(p.z / cell)));
            if (taken.insert(key).second)
                seeds.push_back(p);
        }
        if (seeds.size() <= kMaxBlobSeeds)
            return seeds;
    }
}

// Where a primitive's own field crosses 1.0 along rays from a point, in the
// Boolean node's frame. The rays run along the primitive's own axes and
// diagonals; distances are tried from a millionth of a unit to a million
// units, each crossing then halved down.
void SurfaceSeeds(const MetaBallShape &primitive, const Mat4 &model, const Vec3 &localCentre,
                  std::vector<Vec3f> &out)
{
    static const double kDirections[14][3] = {{1, 0, 0},  {-1, 0, 0}, {0, 1, 0},   {0, -1, 0},  {0, 0, 1},
                                              {0, 0, -1}, {1, 1, 1},  {1, 1, -1},  {1, -1, 1},  {1, -1, -1},
                                              {-1, 1, 1}, {-1, 1, -1}, {-1, -1, 1}, {-1, -1, -1}};
    const Vec3 centre = model.MultPoint(localCentre);
    auto level = [&](const Vec3 &p) { return primitive.FieldValue(p) - 1.0; };
    for (const auto &d : kDirections) {
        Vec3 direction = model.MultDirection(Vec3(d[0], d[1], d[2]));
        const double length = direction.Length();
        if (!(length > 0.0) || !std::isfinite(length))
            continue;
        direction = direction * (1.0 / length);
        double t0 = 0.0, v0 = level(centre);
        for (double t1 = 1e-6; t1 <= 1e6; t1 *= 1.2) {
            const double v1 = level(centre + direction * t1);
            if (std::isfinite(v0) && std::isfinite(v1) && (v0 > 0.0) != (v1 > 0.0)) {
                double a = t0, b = t1;
                const bool insideAtA = v0 > 0.0;
                for (int step = 0; step < 50; ++step) {
                    const double m = 0.5 * (a + b);
                    ((level(centre + direction * m) > 0.0) == insideAtA ? a : b) = m;
                }
                const Vec3 p = centre + direction * (0.5 * (a + b));
                out.emplace_back(float(p.x), float(p.y), float(p.z));
            }
            t0 = t1;
            v0 = v1;
        }
    }
}

} // namespace

void SgMetaBallsAction::InitClass()
{
    if (!RegisterActionClass(s_iClassID, s_lpszClassName, &Creator, s_pfnMethodsMap))
        return;
    VisitorFn *table = s_pfnMethodsMap;
    SetVisitor(table, SgNode::ClassID(), VisitNothing);
    SetVisitor(table, SgSeparator::ClassID(), VisitDefault);
    SetVisitor(table, SgGroup::ClassID(), VisitDefault);
    SetVisitor(table, SgCoordinate3::ClassID(), VisitDefault);
    SetVisitor(table, SgTransform::ClassID(), VisitDefault);
    SetVisitor(table, SgGeometricShape::ClassID(), VisitDefault);
    SetVisitor(table, SgBoolean::ClassID(), VisitBoolean);
    SetVisitor(table, SgSphere::ClassID(), VisitSphere);
    SetVisitor(table, SgTorus::ClassID(), VisitTorus);
    SetVisitor(table, SgBox::ClassID(), VisitBox);
    SetVisitor(table, SgCube::ClassID(), VisitCube);
    SetVisitor(table, SgCylinder::ClassID(), VisitCylinder);
    SetVisitor(table, SgCone::ClassID(), VisitCylinder);
    SetVisitor(table, SgExtrude::ClassID(), VisitExtrude);
    SetVisitor(table, SgTorusKnot::ClassID(), VisitExtrude);
    SetVisitor(table, SgFaceSet::ClassID(), VisitFaceSet);
    SetVisitor(table, SgPointSet::ClassID(), VisitPointSet);
    BuildVisitorsMap_(s_iClassID);

    int *list = s_aiEnabledElements;
    int &count = s_iEnabledCount;
    EnableElement<TransformElement>(list, count);
    EnableElement<PointElement>(list, count);
    EnableElement<ModifierStackElement>(list, count);
    EnableElement<CreaseAngleElement>(list, count);
    EnableElement<DrawStyleElement>(list, count);
    EnableElement<SmoothTypeElement>(list, count);
    EnableElement<ShapeTypeElement>(list, count);
    EnableElement<FontNameElement>(list, count);
    EnableElement<FontSizeElement>(list, count);
    EnableElement<FontStyleElement>(list, count);

    // The metaball engine is this library's own: it joins the Boolean
    // node's table here, whatever other libraries the program has.
    SgBoolean::RegisterEngine(SgBoolean::kMetaballEngine, s_iClassID);
}

SgMetaBallsAction::SgMetaBallsAction()
{
    InitState();
    m_seeds.reserve(10);
}

SgMetaBallsAction::~SgMetaBallsAction() = default;

void SgMetaBallsAction::Produce(std::unique_ptr<MetaBallObj> object)
{
    if (m_pProduced)
        m_pProduced->push_back(std::move(object));
    else
        m_current = std::move(object);
}

void SgMetaBallsAction::AddPrimitive(SgNode *node, std::unique_ptr<MetaBallShape> primitive,
                                     const std::vector<Vec3> &localSeeds, const std::vector<Vec3> &rayCentres)
{
    Mat4 model = GetActionTransform(this);
    model.Set(3, 3, 1.0);
    Mat4 toLocal;
    bool singular = model.IsSingular();
    if (!singular) {
        try {
            toLocal = model.Inverse();
        } catch (const SgMathError &) {
            singular = true;
        }
    }
    if (singular) {
        SgDiagWarning("Geometry", "Metaballs: %s lies under a singular transform (a scale of 0); it is left out",
                      Label(node).c_str());
        return;
    }
    primitive->SetToLocal(toLocal);
    if (localSeeds.empty())
        m_seeds.emplace_back(float(model[0][3]), float(model[1][3]), float(model[2][3]));
    for (const Vec3 &local : localSeeds) {
        const Vec3 p = model.MultPoint(local);
        m_seeds.emplace_back(float(p.x), float(p.y), float(p.z));
    }
    for (const Vec3 &local : rayCentres)
        SurfaceSeeds(*primitive, model, local, m_surfaceSeeds);
    Produce(std::move(primitive));
}

void SgMetaBallsAction::VisitBoolean(SgAction *action, SgNode *node)
{
    SgMetaBallsAction *self = Self(action);
    auto *boolean = static_cast<SgBoolean *>(node);
    SgSeparator *operands = boolean->GetSeparator();
    const int count = operands ? operands->GetChildsCount() : 0;
    // One operand is its own blob, whatever the operation.
    if (count < 1)
        return;
    const int operation = boolean->GetValidOperation();
    if (operation < 0)
        return;
    SgState *state = action->GetState();
    const bool top = self->m_bTopLevel;
    if (top) {
        // Primitives are expressed in the node's own frame; the reset comes
        // first so that the comparison sees the state the result was built
        // in.
        TransformElementReset(state, boolean);
        if (boolean->GetResultCache() && boolean->CompareResultCache(state))
            return;
    }

    std::unique_ptr<MetaBallOp> blend;
    switch (operation) {
    case SgBoolean::kUnion: blend = std::make_unique<MetaBallUnion>(); break;
    case SgBoolean::kIntersection: blend = std::make_unique<MetaBallIntersect>(); break;
    case SgBoolean::kDifferenceFromFirst: blend = std::make_unique<MetaBallDiff>(false); break;
    default: blend = std::make_unique<MetaBallDiff>(true); break;
    }

    action->PushState();
    const int depth = state->GetDepth();
    self->m_bTopLevel = false;
    std::vector<std::unique_ptr<MetaBallObj>> *outer = self->m_pProduced;
    for (int i = 0; i < count; ++i) {
        SgNode *child = operands->GetChild(i);
        std::vector<std::unique_ptr<MetaBallObj>> produced;
        self->m_pProduced = &produced;
        try {
            action->Traverse(child);
        } catch (const std::exception &error) {
            SgDiagWarning("Geometry", "Metaballs: operand %d (%s) of %s: %s; it is left out", i,
                          Label(child).c_str(), Label(node).c_str(), error.what());
            produced.clear();
            while (state->GetDepth() > depth)
                action->PopState();
        }
        if (produced.size() == 1) {
            blend->AddChild(std::move(produced.front()));
        } else if (produced.size() > 1) {
            // Several primitives of one operand (a group of shapes) blend
            // into one operand.
            auto together = std::make_unique<MetaBallUnion>();
            for (auto &part : produced)
                together->AddChild(std::move(part));
            blend->AddChild(std::move(together));
        }
    }
    self->m_pProduced = outer;
    action->PopState();
    self->m_bTopLevel = top;

    if (!top) {
        self->Produce(std::move(blend));
        return;
    }
    self->m_current = std::move(blend);

    SgRef<SgFaceSet> mesh = new SgFaceSet;
    const MetaBallObj *field = self->m_current.get();
    std::vector<float> seeds;
    seeds.reserve((self->m_seeds.size() + self->m_surfaceSeeds.size()) * 3);
    for (const std::vector<Vec3f> *list : {&self->m_seeds, &self->m_surfaceSeeds}) {
        for (const Vec3f &s : *list) {
            seeds.push_back(s.x);
            seeds.push_back(s.y);
            seeds.push_back(s.z);
        }
    }
    std::vector<int> faces;
    Polygonize(
        [field](const double *p) { return field->FieldValue(Vec3(p[0], p[1], p[2])) - 1.0; },
        boolean->GetCellSize(), boolean->GetMaxCells(), seeds.data(), int(seeds.size() / 3),
        [&faces](int i1, int i2, int i3, const PolygonizerVertices &) {
            // Reversed: the lattice walk turns them inwards.
            faces.push_back(i3);
            faces.push_back(i2);
            faces.push_back(i1);
            return 1;
        },
        [&mesh](const PolygonizerVertices &vertices) {
            std::vector<Vec3> points;
            points.reserve(vertices.size());
            for (const PolygonizerVertex &v : vertices)
                points.emplace_back(v.position[0], v.position[1], v.position[2]);
            mesh->m_vertices.SetVals(int(points.size()), points.data());
        },
        kPolygonizeCubes);
    for (size_t f = 0; f + 2 < faces.size(); f += 3)
        mesh->InsertFace(&faces[f], 3, kMetaballSurface);
    boolean->SetResultCache(mesh.get(), action);
}

void SgMetaBallsAction::VisitSphere(SgAction *action, SgNode *node)
{
    auto *sphere = static_cast<SgSphere *>(node);
    Self(action)->AddPrimitive(node, std::make_unique<MetaBallSphere>(sphere->m_radius.Get()));
}

void SgMetaBallsAction::VisitTorus(SgAction *action, SgNode *node)
{
    auto *torus = static_cast<SgTorus *>(node);
    Self(action)->AddPrimitive(node, std::make_unique<MetaBallTorus>(torus->m_radius1.Get(), torus->m_radius2.Get()));
}

void SgMetaBallsAction::VisitBox(SgAction *action, SgNode *node)
{
    auto *box = static_cast<SgBox *>(node);
    Self(action)->AddPrimitive(node, std::make_unique<MetaBallCube>(box->m_width.Get() / 2.0, box->m_depth.Get() / 2.0,
                                                                   box->m_height.Get() / 2.0));
}

void SgMetaBallsAction::VisitCube(SgAction *action, SgNode *node)
{
    auto *cube = static_cast<SgCube *>(node);
    Self(action)->AddPrimitive(node, std::make_unique<MetaBallCube>(cube->m_width.Get() / 2.0,
                                                                   cube->m_depth.Get() / 2.0,
                                                                   cube->m_height.Get() / 2.0));
}

void SgMetaBallsAction::VisitCylinder(SgAction *action, SgNode *node)
{
    if (auto *cone = dynamic_cast<SgCone *>(node)) {
        Self(action)->AddPrimitive(
            node, std::make_unique<MetaBallCylinder>(cone->m_bottomRadius.Get(), cone->m_height.Get() / 2.0, true));
        return;
    }
    auto *cylinder = static_cast<SgCylinder *>(node);
    Self(action)->AddPrimitive(
        node, std::make_unique<MetaBallCylinder>(cylinder->m_radius.Get(), cylinder->m_height.Get() / 2.0, false));
}

void SgMetaBallsAction::VisitExtrude(SgAction *action, SgNode *node)
{
    auto *extrude = static_cast<SgExtrude *>(node);
    SgGenPolyLine *profile = extrude->GetProfile();
    auto *radiusField = profile ? dynamic_cast<SgFDouble *>(profile->GetFieldAddressByName("radius")) : nullptr;
    if (!radiusField || !(radiusField->Get() > 0.0)) {
        SgDiagWarning("Geometry",
                      "Metaballs: the profile of %s has no radius (only a circle of some size makes a tube); it is "
                      "left out",
                      Label(node).c_str());
        return;
    }
    const double r = radiusField->Get();
    SgGenPolyLine *spine = extrude->GetSpine();
    if (spine)
        spine->sample(-1);
    const int n = spine && spine->NumLoops() > 0 ? spine->LoopSize(0) : 0;
    const Vec3 *loop = n > 0 ? spine->GetLoop(0) : nullptr;
    if (!loop) {
        SgDiagWarning("Geometry", "Metaballs: %s has no path points yet; it is left out", Label(node).c_str());
        return;
    }
    const bool closed = spine->IsClosed();
    std::vector<Vec3> stations(loop, loop + n);
    // Rays to the tube's wall from stations spread along it.
    constexpr int kRayStations = 16;
    std::vector<Vec3> rays;
    for (int i = 0; i < n; i += std::max(1, n / kRayStations))
        rays.push_back(stations[size_t(i)]);

    SgGenPolyLine *scale = extrude->GetScale();
    if (!scale) {
        Self(action)->AddPrimitive(node, std::make_unique<MetaBallExtrude>(r, closed, stations), {}, rays);
        return;
    }
    if (scale->NumLoops() < 1 || scale->LoopSize(0) < 1)
        scale->sample(3);
    const int m = scale->NumLoops() > 0 ? scale->LoopSize(0) : 0;
    const Vec3 *curve = m > 0 ? scale->GetLoop(0) : nullptr;
    if (!curve) {
        Self(action)->AddPrimitive(node, std::make_unique<MetaBallExtrude>(r, closed, stations), {}, rays);
        return;
    }
    std::vector<CurveSample2> samples;
    const double x0 = curve[0].x;
    const double span = curve[m - 1].x - x0;
    samples.push_back({0.0, curve[0].y, curve[0].y});
    double lastX = x0;
    for (int i = 1; i < m; ++i) {
        if (!(curve[i].x >= lastX + 0.001))
            continue;
        lastX = curve[i].x;
        const double u = span != 0.0 ? (curve[i].x - x0) / span : 0.0;
        const double value = std::max(curve[i].y, 0.001);
        samples.push_back({u, value, value});
    }
    std::vector<Vec3> points(stations.size() + samples.size());
    std::vector<CurveSample2> values(stations.size() + samples.size());
    const int made = ResampleAlongSamples(int(stations.size()), stations.data(), int(samples.size()), samples.data(),
                                          points.data(), values.data(), true);
    if (made < 1) {
        Self(action)->AddPrimitive(node, std::make_unique<MetaBallExtrude>(r, closed, stations), {}, rays);
        return;
    }
    points.resize(size_t(made));
    std::vector<double> radii(size_t(made) + 1);
    for (int i = 0; i < made; ++i)
        radii[size_t(i)] = values[size_t(i)].value1 * r;
    radii[size_t(made)] = radii[0];
    Self(action)->AddPrimitive(node, std::make_unique<MetaBallExtrudeVarRadius>(closed, points, radii), {}, rays);
}

void SgMetaBallsAction::VisitFaceSet(SgAction *action, SgNode *node)
{
    auto *mesh = static_cast<SgFaceSet *>(node);
    const int count = mesh->GetVertexCount();
    const Vec3 *points = count > 0 ? mesh->GetDeformedPoints() : nullptr;
    if (!points)
        return;
    // The mesh's own bounds: a mesh of any size keeps all its vertices.
    float box[6];
    BlobBox(points, count, false, box);
    Self(action)->AddPrimitive(node, std::make_unique<MetaBallAgragation>(box, points, count),
                               BlobSeeds(points, count), {});
}

void SgMetaBallsAction::VisitPointSet(SgAction *action, SgNode *node)
{
    SgVecField<Vec3, 7> *coordinates = PointElement::Get(action->GetState());
    const int count = coordinates ? coordinates->GetCount() : 0;
    if (count == 0) {
        SgDiagWarning("Geometry", "Metaballs: %s has no coordinates in force; it is left out", Label(node).c_str());
        return;
    }
    const Vec3 *points = coordinates->GetValues().data();
    float box[6];
    BlobBox(points, count, true, box);
    Self(action)->AddPrimitive(node, std::make_unique<MetaBallAgragation>(box, points, count),
                               BlobSeeds(points, count), {});
}
