#include "solids/modifiers/SgDeformModifier.h"

#include <algorithm>
#include <cmath>

#include <memory>
#include <string>
#include <vector>

#include "engine/core/SgAction.h"
#include "engine/core/SgElementClasses.h"
#include "engine/nodes/geometry/SgFaceSet.h"
#include "engine/nodes/geometry/SgIndexedFaceSet.h"
#include "engine/nodes/geometry/SgPolyLine.h"
#include "engine/nodes/properties/SgTransform.h"
#include "platform/SgDiagnostics.h"
#include "platform/SgError.h"

SG_CLASS_SOURCE(SgDeformModifier, SgObjSpaceModifier, SgFieldMngr, "SgDeformModifier")

SgDeformModifier::SolidAccess SgDeformModifier::s_solidAccess;

void SgDeformModifier::DeformPoints(int, Vec3 *, Vec3 *) {}

bool SgDeformModifier::AllFinite(const Vec3 *points, int count) const
{
    // A value that is not a number (or infinite) spreads to every point it
    // touches, and a shape of such points is drawn as nothing at all.
    for (int i = 0; i < count; ++i) {
        if (!std::isfinite(points[i].x) || !std::isfinite(points[i].y) || !std::isfinite(points[i].z)) {
            SgDiagWarning("Modifiers", "%s%s%s: a value is not a finite number; the shape is left undeformed",
                          GetClassName(), GetName().empty() ? "" : " ", GetName().c_str());
            return false;
        }
    }
    return true;
}

std::string SgDeformModifier::NonFiniteField()
{
    auto finite3 = [](const auto &v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); };
    for (int i = 0; i < GetFieldsCount(); ++i) {
        SgField *field = GetFieldAddress(i);
        bool finite = true;
        if (auto *d = dynamic_cast<SgFDouble *>(field))
            finite = std::isfinite(d->Get(true));
        else if (auto *f = dynamic_cast<SgFFloat *>(field))
            finite = std::isfinite(f->Get(true));
        else if (auto *v = dynamic_cast<SgFVec3 *>(field))
            finite = finite3(v->Get(true));
        else if (auto *vf = dynamic_cast<SgFVec3f *>(field))
            finite = finite3(vf->Get(true));
        else if (auto *ds = dynamic_cast<SgVFDouble *>(field))
            finite = std::all_of(ds->GetValues().begin(), ds->GetValues().end(), [](double x) { return std::isfinite(x); });
        else if (auto *ps = dynamic_cast<SgVFVec3f *>(field))
            finite = std::all_of(ps->GetValues().begin(), ps->GetValues().end(), finite3);
        if (!finite)
            return GetFieldName(i);
    }
    return std::string();
}

SgShape *SgDeformModifier::ApplyModifier(SgAction *action, SgShape *shape, Transform3 *transform, bool)
{
    if (!shape)
        return nullptr;
    // Some formulas clamp what they are given, so a value that is not a
    // number would not always show in the points: the values are looked at
    // first.
    const std::string odd = NonFiniteField();
    if (!odd.empty()) {
        SgDiagWarning("Modifiers", "%s%s%s: \"%s\" is not a finite number; the shape is left undeformed",
                      GetClassName(), GetName().empty() ? "" : " ", GetName().c_str(), odd.c_str());
        return nullptr;
    }
    SgState *state = action ? action->GetState() : nullptr;
    const bool local = m_localTransform.Get(true) != 0;
    Mat4 toGizmo, fromGizmo;
    if (!local) {
        const Mat4 model = state ? TransformElement::Get(state) : Mat4();
        if (!GizmoFrames(model, transform ? *transform : Transform3(), toGizmo, fromGizmo))
            return nullptr;
    }

    // The points to move and the shape that carries the result.
    int count = 0;
    const Vec3 *source = nullptr;
    std::vector<Vec3> copied;
    SgShape *result = shape;
    SgShape *fresh = nullptr;
    const int classId = shape->GetClassID();
    if (classId == SgFaceSet::ClassID()) {
        auto *faceSet = static_cast<SgFaceSet *>(shape);
        count = faceSet->GetVertexCount();
        source = faceSet->GetDeformedPoints();
    } else if (s_solidAccess.isSolid && s_solidAccess.isSolid(shape)) {
        s_solidAccess.points(shape, copied);
        count = int(copied.size());
        if (Vec3 *deformed = shape->GetPointCache()) {
            source = deformed;
        } else {
            source = copied.data();
            // The scene's solid stays as it is: the moved one is a copy.
            fresh = s_solidAccess.copy(shape);
            if (!fresh)
                return nullptr;
            result = fresh;
        }
    } else if (shape->IsGenPolyLine()) {
        auto *curve = static_cast<SgGenPolyLine *>(shape);
        // A curve's points are its samples: the result is a new polyline
        // through them whose stored points are the moved ones.
        if (!curve->IsSampled())
            curve->sample(-1);
        // Handed on at count 0: the stack's result record adopts it.
        SgAdopt<SgPolyLine> line(new SgPolyLine(curve));
        line.get()->m_samples.Set(1);
        std::vector<Vec3> stored = line.get()->m_coordinates.GetValues();
        std::vector<Vec3> moved(stored.size());
        if (!stored.empty()) {
            if (local) {
                DeformPoints(int(stored.size()), stored.data(), moved.data());
            } else {
                for (size_t i = 0; i < stored.size(); ++i)
                    moved[i] = toGizmo.MultPoint(stored[i]);
                DeformPoints(int(moved.size()), moved.data(), moved.data());
                for (Vec3 &p : moved)
                    p = fromGizmo.MultPoint(p);
            }
        }
        if (!AllFinite(moved.data(), int(moved.size())))
            return nullptr;
        line.get()->m_coordinates.SetVals(int(moved.size()), moved.data());
        return line.release();
    } else if (classId == SgIndexedFaceSet::ClassID()) {
        auto *mesh = static_cast<SgIndexedFaceSet *>(shape);
        SgVecField<Vec3, 7> *coordinates = mesh->GetCoordinates(state, true);
        count = coordinates ? coordinates->GetCount() : 0;
        // Earlier deformers of this run included.
        source = count > 0 ? mesh->GetDeformedPoints(state) : nullptr;
    } else {
        return nullptr;
    }
    // A new solid node goes to the stack's result record at count 0.
    SgAdopt<SgShape> made(fresh);
    if (count <= 0 || !source)
        return made.release() ? result : nullptr;

    auto output = std::make_unique<Vec3[]>(size_t(count));
    if (local) {
        DeformPoints(count, const_cast<Vec3 *>(source), output.get());
    } else {
        for (int i = 0; i < count; ++i)
            output[i] = toGizmo.MultPoint(source[i]);
        DeformPoints(count, output.get(), output.get());
        for (int i = 0; i < count; ++i)
            output[i] = fromGizmo.MultPoint(output[i]);
    }
    if (!AllFinite(output.get(), count))
        return nullptr;
    // The stack's result record takes the array over.
    result->SetPointCache(output.release());
    made.release();
    return result;
}

SgShape *SgDeformModifier::ProcessLastDeforemd(SgShape *shape)
{
    if (shape && s_solidAccess.isSolid && s_solidAccess.isSolid(shape)) {
        if (Vec3 *points = shape->GetPointCache()) {
            std::vector<Vec3> current;
            s_solidAccess.points(shape, current);
            s_solidAccess.move(shape, points, int(current.size()));
        }
    }
    return shape;
}
