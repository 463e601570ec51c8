#include "engine/nodes/character/CharAnimControl.h"

#include <algorithm>
#include <cmath>

#include "engine/core/SgElementClasses.h"
#include "engine/core/SgField.h"
#include "engine/core/SgSeparator.h"
#include "engine/core/SgState.h"
#include "engine/nodes/character/SgBone.h"
#include "engine/nodes/character/SgCharAnim.h"
#include "engine/nodes/geometry/SgFaceSet.h"
#include "engine/nodes/geometry/SgIndexedFaceSet.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/nodes/properties/SgTransform.h"
#include "platform/SgDiagnostics.h"

namespace {

// The bone shape of a bone object: its first content child of that class.
SgBone *BoneOf(SgObject *object)
{
    SgSeparator *content = object->GetInnerGroup();
    if (!content)
        return nullptr;
    for (int i = 0; i < content->GetChildsCount(); ++i)
        if (auto *bone = dynamic_cast<SgBone *>(content->GetChild(i)))
            return bone;
    return nullptr;
}

Transform3 MatrixOf(SgTransform *transform)
{
    return transform ? transform->GetMatrix() : Transform3();
}

// Every field value of one transform onto another (both SgTransform).
void CopyTransformFields(SgTransform *from, SgTransform *to)
{
    if (!from || !to || from == to)
        return;
    const int count = std::min(from->GetFieldsCount(), to->GetFieldsCount());
    for (int i = 0; i < count; ++i) {
        SgField *source = from->GetFieldAddress(i);
        SgField *target = to->GetFieldAddress(i);
        if (source && target && source->GetClassID() == target->GetClassID())
            target->SetValuePtr(source->GetValuePtr(0, true), -1, true, false);
    }
}

SgShape *SkinShapeOf(SgObject *skin)
{
    SgSeparator *content = skin->GetInnerGroup();
    if (!content)
        return nullptr;
    for (int i = 0; i < content->GetChildsCount(); ++i) {
        SgNode *child = content->GetChild(i);
        if (dynamic_cast<SgFaceSet *>(child) || dynamic_cast<SgIndexedFaceSet *>(child))
            return static_cast<SgShape *>(child);
    }
    return nullptr;
}

} // namespace

CharAnimControl::CharAnimControl()
{
    m_points.reserve(1024);
    m_bones.reserve(1024);
}

SgNode *CharAnimControl::SkinSkeleton(SgObject *skin, SgObject *skeleton)
{
    if (!skin || !skeleton)
        return nullptr;
    SgShape *shape = SkinShapeOf(skin);
    if (!shape)
        return nullptr;
    SgRef<SgCharAnim> modifier = new SgCharAnim;
    if (!skin->AddPropertyNode(modifier.get(), true))
        return nullptr;
    CharAnimControl &control = modifier->GetControl();
    control.m_skinObject = skin;
    control.m_boundShape = shape;
    control.m_boundSerial = shape->GetNodeID();
    modifier->m_skeleton.Set(NodePtr(skeleton));
    control.m_skeleton = skeleton;
    control.m_skinMode = 1;
    control.ReadSkeleton(skeleton, true);
    control.AquireShape(shape);
    control.CalcWeights();
    control.m_skinMode = 0;
    return modifier.get();
}

bool CharAnimControl::ReadSkeleton(SgObject *skeleton, bool storeBindPose)
{
    if (m_skinMode)
        m_bones.clear();
    if (!skeleton)
        return m_bones.empty();
    Vec3 end;
    size_t index = 0;
    const bool fits = BuildBones(skeleton, Transform3(), end, index, storeBindPose);
    return fits && (m_skinMode || index == m_bones.size());
}

bool CharAnimControl::BuildBones(SgObject *object, const Transform3 &parent, Vec3 &end, size_t &index,
                                 bool storeBindPose)
{
    SgBone *bone = BoneOf(object);
    SgTransform *transform = object->GetTransform();
    Transform3 local = MatrixOf(transform);
    if (m_skinMode && bone) {
        auto *bindPose = dynamic_cast<SgTransform *>(bone->GetSkinTransform());
        if (storeBindPose)
            CopyTransformFields(transform, bindPose);
        else if (bindPose)
            local = bindPose->GetMatrix();
    } else if (m_skinMode) {
        if (storeBindPose) {
            m_jointBindPoses[object] = local;
        } else if (auto kept = m_jointBindPoses.find(object); kept != m_jointBindPoses.end()) {
            local = kept->second;
        }
    }
    const Transform3 matrix = parent * local;
    bool fits = true;
    if (SgSeparator *content = object->GetInnerGroup()) {
        for (int i = 0; i < content->GetChildsCount(); ++i) {
            auto *child = dynamic_cast<SgObject *>(content->GetChild(i));
            if (!child)
                continue;
            Vec3 childEnd;
            fits = BuildBones(child, matrix, childEnd, index, storeBindPose) && fits;
            if (m_skinMode) {
                Bone record;
                record.transformNode = transform;
                record.bone = bone;
                record.start = matrix.TransformPoint(Vec3(0, 0, 0));
                record.end = childEnd;
                record.length = (childEnd - record.start).Length();
                record.inverseBind = matrix.IsSingular() ? Transform3() : matrix.Inverse();
                m_bones.push_back(std::move(record));
            } else if (index < m_bones.size()) {
                Bone &record = m_bones[index++];
                record.deform = matrix * record.inverseBind;
            } else {
                fits = false;
                ++index;
            }
        }
    }
    end = parent.TransformPoint(transform ? transform->m_translation.Get() : Vec3(0, 0, 0));
    return fits;
}

void CharAnimControl::AquireShape(SgNode *shape, SgState *state)
{
    if (auto *faceSet = dynamic_cast<SgFaceSet *>(shape)) {
        AquirePoints(faceSet->GetVertexCount(), faceSet->GetDeformedPoints());
    } else if (auto *mesh = dynamic_cast<SgIndexedFaceSet *>(shape)) {
        SgVecField<Vec3, 7> *coordinates = mesh->GetCoordinates(state);
        AquirePoints(coordinates ? coordinates->GetCount() : 0, mesh->GetDeformedPoints(state));
    }
}

void CharAnimControl::SelectShape(SgShape *shape, int count, const Vec3 *in)
{
    if (shape == m_boundShape && m_points.size() == size_t(count))
        return;
    if (m_boundShape && shape != m_boundShape)
        m_otherShapes[m_boundShape] = KeptShape{m_boundSerial, std::move(m_points)};
    m_points.clear();
    m_boundShape = shape;
    m_boundSerial = shape ? shape->GetNodeID() : 0;
    auto kept = m_otherShapes.find(shape);
    if (kept != m_otherShapes.end()) {
        if (kept->second.serial == m_boundSerial && kept->second.points.size() == size_t(count))
            m_points = std::move(kept->second.points);
        m_otherShapes.erase(kept);
    }
    if (m_points.empty()) {
        // Weighed against the bones as they were bound: the shape's own
        // points are its rest pose whatever the skeleton's pose now.
        AquirePoints(count, in);
        CalcWeights();
    }
}

void CharAnimControl::AquirePoints(int count, const Vec3 *points)
{
    if (count < 1 || !points)
        return;
    m_points.resize(size_t(count));
    for (int i = 0; i < count; ++i) {
        m_points[size_t(i)].rest = points[i];
        m_points[size_t(i)].influences.clear();
    }
}

void CharAnimControl::CalcWeights()
{
    std::vector<double> raw(m_bones.size());
    for (CharNode &point : m_points) {
        point.influences.clear();
        double total = 0.0;
        for (size_t b = 0; b < m_bones.size(); ++b) {
            const Bone &bone = m_bones[b];
            const double excess = std::max(
                ((point.rest - bone.end).Length() + (point.rest - bone.start).Length() - bone.length) * 0.5,
                kMinExcess);
            raw[b] = 1.0 / (std::sqrt(excess) * excess * excess);
            total += raw[b];
        }
        if (m_bones.empty() || !(total > 0.0))
            continue;
        double kept = 0.0;
        size_t strongest = 0;
        for (size_t b = 0; b < m_bones.size(); ++b) {
            if (raw[b] > raw[strongest])
                strongest = b;
            if (raw[b] / total >= kMinShare) {
                point.influences.emplace_back(int(b), 0.0f);
                kept += raw[b];
            }
        }
        // Many bones at about the same distance leave every share below the
        // threshold: the point follows its strongest bone rather than none.
        if (point.influences.empty()) {
            point.influences.emplace_back(int(strongest), 1.0f);
            continue;
        }
        for (auto &influence : point.influences)
            influence.second = float(raw[size_t(influence.first)] / kept);
    }
}

void CharAnimControl::ApplyDeform(int count, const Vec3 *in, Vec3 *out) const
{
    if (count < 1 || !in || !out)
        return;
    if (size_t(count) != m_points.size()) {
        std::copy(in, in + count, out);
        return;
    }
    for (int i = 0; i < count; ++i) {
        const CharNode &point = m_points[size_t(i)];
        if (point.influences.empty()) {
            out[i] = in[i];
            continue;
        }
        Vec3 sum(0, 0, 0);
        for (const auto &[bone, weight] : point.influences)
            sum = sum + m_bones[size_t(bone)].deform.TransformPoint(in[i]) * double(weight);
        out[i] = sum;
    }
}

void CharAnimControl::BackToSkinMode()
{
    if (m_skinMode)
        return;
    for (Bone &record : m_bones)
        if (record.bone)
            CopyTransformFields(dynamic_cast<SgTransform *>(record.bone->GetSkinTransform()),
                                record.transformNode.get());
    m_skinMode = 1;
}

bool DeformSkinnedShape(SgShape *shape, SgState *state, int count, const Vec3 *in, std::vector<Vec3> &out)
{
    if (!state || !shape || count < 1 || !in)
        return false;
    CharAnimControl *control = CharAnimControlElement::Get(state);
    if (!control)
        return false;
    const int *skinMode = SkinModeElement::Get(state);
    if (!skinMode || *skinMode != 0)
        return false;
    SgObject *skeleton = control->GetSkeleton();
    if (!skeleton)
        return false;
    control->SelectShape(shape, count, in);
    bool fits = true;
    if (control->IsSkinMode() || !(fits = control->ReadSkeleton(skeleton, false))) {
        if (!fits)
            SgDiagInfo("CharAnim", "the skeleton changed since binding; the skin is bound again");
        // Bind again from the stored bind poses.
        control->SetSkinMode(true);
        control->ReadSkeleton(skeleton, false);
        control->ForgetOtherShapes();
        control->AquirePoints(count, in);
        control->CalcWeights();
        control->SetSkinMode(false);
        control->ReadSkeleton(skeleton, false);
    }
    out.resize(size_t(count));
    control->ApplyDeform(count, in, out.data());
    return true;
}

SgObject *CreateBone(int count, const double *lengths)
{
    if (count < 1)
        return nullptr;
    SgObject *first = nullptr;
    SgObject *previous = nullptr;
    double previousHeight = 0.0;
    for (int i = 0; i < count; ++i) {
        auto *object = new SgObject(true, true);
        auto *bone = new SgBone;
        const double height = lengths ? lengths[i] : 1.0;
        bone->m_width.Set(0.1);
        bone->m_depth.Set(0.1);
        bone->m_height.Set(height);
        object->AddChild(bone);
        if (previous) {
            object->SetMove(Vec3(0, 0, previousHeight));
            LinkBoneObject(previous, object);
        } else {
            first = object;
        }
        previous = object;
        previousHeight = height;
    }
    return first;
}

void LinkBoneObject(SgObject *parent, SgObject *child)
{
    if (parent && child)
        parent->AddChildBefore(child, nullptr);
}
