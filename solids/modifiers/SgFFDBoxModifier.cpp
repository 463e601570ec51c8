#include "solids/modifiers/SgFFDBoxModifier.h"

#include <algorithm>
#include <cmath>

#include "engine/core/SgGizmoGroup.h"
#include "engine/core/SgRef.h"
#include "engine/nodes/geometry/SgFaceSet.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/nodes/properties/SgDrawStyle.h"
#include "engine/nodes/properties/SgLightModel.h"
#include "engine/nodes/properties/SgShapeHints.h"
#include "engine/nodes/properties/SgTransform.h"
#include "platform/SgDiagnostics.h"

SG_CLASS_SOURCE(SgFFDBoxModifier, SgDeformModifier, SgFieldMngr, "SgFFDBoxModifier")

namespace {

double Binomial(int d, int k)
{
    static double table[SgFFDBoxModifier::kMaxDegree + 1][SgFFDBoxModifier::kMaxDegree + 1] = {};
    if (table[0][0] == 0.0) {
        for (int row = 0; row <= SgFFDBoxModifier::kMaxDegree; ++row) {
            table[row][0] = table[row][row] = 1.0;
            for (int c = 1; c < row; ++c)
                table[row][c] = table[row - 1][c - 1] + table[row - 1][c];
        }
    }
    return table[d][k];
}

void Bernstein(int d, double t, double *w)
{
    // t^k from the front, (1 - t)^(d - k) from the back.
    double power = 1.0;
    for (int k = 0; k <= d; ++k) {
        w[k] = Binomial(d, k) * power;
        power *= t;
    }
    power = 1.0;
    for (int k = d; k >= 0; --k) {
        w[k] *= power;
        power *= 1.0 - t;
    }
}

} // namespace

SgFFDBoxModifier::SgFFDBoxModifier()
{
    AddField(m_tension, "tension", 1.0);
    AddField(m_continuity, "continuity", 1.0);
    AddField(m_latticeGizmo, "latticeGizmo");
    AddField(m_width, "width", 4);
    AddField(m_length, "length", 4);
    AddField(m_height, "height", 4);
    AddField(m_latticeOrigin, "latticeOrigin", Vec3(0.0, 0.0, 0.0));
    AddField(m_controlPoints, "controlPoints");
}

void SgFFDBoxModifier::Degrees(int &n, int &m, int &l) const
{
    auto clamp = [this](int d, const char *field) {
        if (d >= 1 && d <= kMaxDegree)
            return d;
        SgDiagWarning("Modifiers", "SgFFDBoxModifier: \"%s\" %d is outside 1 .. %d; %d is used", field, d,
                      kMaxDegree, std::clamp(d, 1, kMaxDegree));
        return std::clamp(d, 1, kMaxDegree);
    };
    n = clamp(m_width.Get(true), "width");
    m = clamp(m_length.Get(true), "length");
    l = clamp(m_height.Get(true), "height");
}

std::vector<std::pair<int, int>> SgFFDBoxModifier::LayerOrder(int n, int m)
{
    std::vector<std::pair<int, int>> order;
    order.reserve(size_t((n + 1) * (m + 1)));
    for (int k = 0; k < n; ++k)
        order.emplace_back(0, k);
    for (int j = 0; j < m; ++j)
        order.emplace_back(j, n);
    for (int k = n; k >= 1; --k)
        order.emplace_back(m, k);
    for (int j = m; j >= 1; --j)
        order.emplace_back(j, 0);
    for (int j = 1; j < m; ++j)
        for (int k = 1; k < n; ++k)
            order.emplace_back(j, k);
    return order;
}

std::vector<Vec3> SgFFDBoxModifier::RestLattice() const
{
    int n, m, l;
    Degrees(n, m, l);
    const Vec3f b = m_boxSize.Get(true);
    const Vec3 o = m_latticeOrigin.Get(true);
    const std::vector<std::pair<int, int>> order = LayerOrder(n, m);
    std::vector<Vec3> points;
    points.reserve(order.size() * size_t(l + 1));
    for (int i = 0; i <= l; ++i)
        for (const auto &[j, k] : order)
            points.emplace_back(o.x + b.x * double(k) / n, o.y + b.y * double(j) / m, o.z + b.z * double(i) / l);
    return points;
}

void SgFFDBoxModifier::DeformPoints(int count, Vec3 *in, Vec3 *out)
{
    if (count <= 0)
        return;
    int n, m, l;
    Degrees(n, m, l);
    const std::vector<std::pair<int, int>> order = LayerOrder(n, m);
    const size_t total = order.size() * size_t(l + 1);
    const Vec3 o = m_latticeOrigin.Get(true);

    // The lattice in stored order: the node's points, the stored offsets, or
    // the rest position, whichever has the right count first.
    std::vector<Vec3> stored;
    SgNode *node = m_latticeGizmo.Get(true).get();
    if (node && node->GetClassID() == SgFaceSet::ClassID()) {
        const std::vector<Vec3> &vertices = static_cast<SgFaceSet *>(node)->m_vertices.GetValues();
        if (vertices.size() == total)
            stored = vertices;
    }
    if (stored.empty()) {
        const std::vector<Vec3f> &offsets = m_controlPoints.GetValues();
        if (offsets.size() == total) {
            for (const Vec3f &d : offsets)
                stored.emplace_back(o.x + d.x, o.y + d.y, o.z + d.z);
        }
    }
    if (stored.empty())
        stored = RestLattice();

    // [i][j][k] with k fastest.
    const int nx = n + 1, ny = m + 1;
    std::vector<Vec3> lattice(total);
    for (int i = 0; i <= l; ++i)
        for (size_t q = 0; q < order.size(); ++q) {
            const auto &[j, k] = order[q];
            lattice[(size_t(i) * ny + j) * nx + k] = stored[size_t(i) * order.size() + q];
        }

    const Vec3f b = m_boxSize.Get(true);
    // A flat box has one parameter value across it.
    auto param = [](double v, double origin, double size) { return size != 0.0 ? (v - origin) / size : 0.0; };
    double wx[kMaxDegree + 1], wy[kMaxDegree + 1], wz[kMaxDegree + 1];
    for (int p = 0; p < count; ++p) {
        const Vec3 v = in[p];
        Bernstein(n, param(v.x, o.x, b.x), wx);
        Bernstein(m, param(v.y, o.y, b.y), wy);
        Bernstein(l, param(v.z, o.z, b.z), wz);
        Vec3 sum(0.0, 0.0, 0.0);
        for (int i = 0; i <= l; ++i)
            for (int j = 0; j <= m; ++j) {
                const double wij = wz[i] * wy[j];
                const Vec3 *row = &lattice[(size_t(i) * ny + j) * nx];
                for (int k = 0; k <= n; ++k)
                    sum += row[k] * (wij * wx[k]);
            }
        out[p] = sum;
    }
}

SgShape *SgFFDBoxModifier::ApplyModifier(SgAction *action, SgShape *input, Transform3 *transform, bool last)
{
    if (input && input == m_latticeGizmo.Get(true).get())
        return nullptr;
    return SgDeformModifier::ApplyModifier(action, input, transform, last);
}

SgGroup *SgFFDBoxModifier::CreateGizmoGroup(SgObject *object, bool fitToObject, bool centred)
{
    Vec3 translation;
    const Range<Vec3f> box = GizmoBox(object, fitToObject, centred, translation);
    SgTransform *transform = EnsureGizmoTransform(translation);
    // The lattice spans the box from its minimum corner, in gizmo space.
    const Vec3f size = box.GetMax() - box.GetMin();
    m_boxSize.Set(size);
    m_latticeOrigin.Set(centred ? Vec3(-size.x / 2.0, -size.y / 2.0, -size.z / 2.0) : Vec3(0.0, 0.0, 0.0));

    SgRef<SgObject> gizmo(new SgObject(false, true));
    gizmo->AddPropertyNode(transform, false);
    SgRef<SgDrawStyle> style(new SgDrawStyle);
    style->m_style.Set(2);
    style->m_lineWidth.Set(1.0f);
    gizmo->AddPropertyNode(style.get(), false);
    SgRef<SgShapeHints> hints(new SgShapeHints);
    hints->m_shapeType.Set(2);
    gizmo->AddPropertyNodeAfter(hints.get(), style.get());
    SgRef<SgLightModel> light(new SgLightModel);
    light->m_model.Set(0);
    gizmo->AddPropertyNodeAfter(light.get(), hints.get());

    // The lattice: every layer as a grid of quads over its points.
    int n, m, l;
    Degrees(n, m, l);
    const std::vector<std::pair<int, int>> order = LayerOrder(n, m);
    std::vector<int> at(size_t((n + 1) * (m + 1)));
    for (size_t q = 0; q < order.size(); ++q)
        at[size_t(order[q].first * (n + 1) + order[q].second)] = int(q);
    SgRef<SgFaceSet> lattice(new SgFaceSet);
    const std::vector<Vec3> rest = RestLattice();
    lattice->m_vertices.SetVals(int(rest.size()), rest.data());
    std::vector<int> indexes;
    std::vector<unsigned short> sizes, loops;
    for (int i = 0; i <= l; ++i) {
        const int base = i * int(order.size());
        for (int j = 0; j < m; ++j)
            for (int k = 0; k < n; ++k) {
                for (auto [dj, dk] : {std::pair{0, 0}, {0, 1}, {1, 1}, {1, 0}})
                    indexes.push_back(base + at[size_t((j + dj) * (n + 1) + k + dk)]);
                sizes.push_back(4);
                loops.push_back(1);
            }
    }
    lattice->m_indexes.SetVals(int(indexes.size()), indexes.data());
    lattice->m_sizes.SetVals(int(sizes.size()), sizes.data());
    lattice->m_loopCount.SetVals(int(loops.size()), loops.data());
    // One surface for the whole wire: without ids the renderer draws no face.
    const std::vector<unsigned short> surfaces(loops.size(), 0);
    lattice->m_surfID.SetVals(int(surfaces.size()), surfaces.data());
    gizmo->AddChild(lattice.get());
    m_latticeGizmo.Set(NodePtr(lattice.get()));

    SgRef<SgControlModifier> control(new SgControlModifier);
    control->m_action.Set(static_cast<int>(SgControlModifier::kKeepReferenced));
    control->m_refNode.Set(NodePtr(this));
    gizmo->AddPropertyNodeAfter(control.get(), light.get());

    SgAdopt<SgGizmoGroup> group(new SgGizmoGroup);
    group.get()->AddChild(this);
    group.get()->AddChild(gizmo.get());
    SampleLattice(false);
    return group.release();
}

void SgFFDBoxModifier::SampleLattice(bool clear)
{
    if (clear) {
        m_controlPoints.SetCount(0);
        return;
    }
    SgNode *node = m_latticeGizmo.Get(true).get();
    if (!node || !node->IsDerivedFrom(SgFaceSet::ClassID()))
        return;
    const Vec3 o = m_latticeOrigin.Get(true);
    const std::vector<Vec3> &points = static_cast<SgFaceSet *>(node)->m_vertices.GetValues();
    std::vector<Vec3f> offsets = m_controlPoints.GetValues();
    for (const Vec3 &p : points)
        offsets.emplace_back(Vec3(p.x - o.x, p.y - o.y, p.z - o.z));
    m_controlPoints.SetVals(int(offsets.size()), offsets.data());
}
