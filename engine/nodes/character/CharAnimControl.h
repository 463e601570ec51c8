#pragma once
// Linear blend skinning of a face set bound to a skeleton of bone objects.
// Binding measures every skin point against every bone segment and keeps,
// per point, the bones that dominate it with normalised weights; deforming
// moves each point by the weighted sum of its bones' motions since binding.
// The controller lives in an SgCharAnim modifier on the skin object; the
// face-set drawing reaches it through the traversal state
// (DeformSkinnedShape).
#include <unordered_map>
#include <utility>
#include <vector>

#include "engine/core/SgRef.h"
#include "engine/nodes/character/SgBone.h"
#include "engine/nodes/properties/SgTransform.h"
#include "utilities/math/Transform3.h"
#include "utilities/math/Vec3.h"
#include "engine/core/NodaraExport.h"

class SgNode;
class SgObject;
class SgShape;
class SgState;

class NODARA_API CharAnimControl {
public:
    // A bone is dropped from a point when its share of the point's raw
    // weights is below this.
    static constexpr double kMinShare = 0.12;
    // The smallest excess distance a weight is computed from: a point on a
    // segment would otherwise weigh infinitely.
    static constexpr double kMinExcess = 1e-6;

    // One bone segment: from an object's origin to one child object's.
    struct Bone {
        Vec3 start;
        Vec3 end;
        double length = 0.0;
        // The motion since binding: current matrix times inverse bind matrix.
        Transform3 deform;
        Transform3 inverseBind;
        SgRef<SgTransform> transformNode;
        SgRef<SgBone> bone;
    };
    // One skin point: its rest position and the bones that move it, by
    // index into the bone records, with their weights.
    struct CharNode {
        Vec3 rest;
        std::vector<std::pair<int, float>> influences;
    };

    CharAnimControl();

    // Binds `skin`'s face set to `skeleton`: puts an SgCharAnim on the skin
    // object, stores the current pose as bind pose and computes the weights.
    // A skin whose shape is no face set or indexed face set is left alone
    // (null is returned); otherwise the new modifier.
    static SgNode *SkinSkeleton(SgObject *skin, SgObject *skeleton);

    // Walks the skeleton: in skin mode the bone records are made anew (and
    // with `storeBindPose` the current pose becomes the bind pose); in
    // deform mode each record's deform transform follows the current pose.
    // A skeleton whose structure no longer matches the records is reported
    // by the result (false) and the records are left as they were.
    bool ReadSkeleton(SgObject *skeleton, bool storeBindPose);
    // Takes the shape's points as rest positions (face sets and indexed
    // face sets; other classes are ignored).
    void AquireShape(SgNode *shape, SgState *state = nullptr);
    // Rest positions from a point array.
    void AquirePoints(int count, const Vec3 *points);
    void CalcWeights();
    // out[i] = sum of weight x (deform of the bone) applied to in[i]. A
    // count that differs from the bound point count, or a point that no bone
    // moves, keeps the input point.
    void ApplyDeform(int count, const Vec3 *in, Vec3 *out) const;
    // Puts every bone object back into its bind pose and sets skin mode, so
    // that the next deformed drawing binds again.
    void BackToSkinMode();

    bool IsSkinMode() const { return m_skinMode != 0; }
    void SetSkinMode(bool on) { m_skinMode = on ? 1 : 0; }
    SgShape *GetBoundShape() const { return m_boundShape; }
    void SetBoundShape(SgShape *shape) { m_boundShape = shape; }
    // Makes `shape` (with its own `count` points `in`) the one deformed next:
    // the points and weights of the shape bound before are kept for it, and
    // a shape met for the first time, or changed since, is bound now. A skin
    // of several face sets deforms each with its own weights.
    void SelectShape(SgShape *shape, int count, const Vec3 *in);
    // Forgets the weights kept for shapes other than the bound one (the bind
    // pose changed): they are bound again when next drawn.
    void ForgetOtherShapes() { m_otherShapes.clear(); }
    SgObject *GetSkeleton() const { return m_skeleton; }
    void SetSkeleton(SgObject *skeleton) { m_skeleton = skeleton; }
    SgObject *GetSkinObject() const { return m_skinObject; }
    void SetSkinObject(SgObject *skin) { m_skinObject = skin; }
    const std::vector<CharNode> &GetPoints() const { return m_points; }
    const std::vector<Bone> &GetBones() const { return m_bones; }

private:
    // Returns the end point (the object's origin in skeleton space); false
    // when deform mode meets more segments than the records hold.
    bool BuildBones(SgObject *object, const Transform3 &parent, Vec3 &end, size_t &index, bool storeBindPose);

    int m_skinMode = 1;
    SgShape *m_boundShape = nullptr;
    SgObject *m_skeleton = nullptr;
    std::vector<CharNode> m_points;
    // The points of the skin's other shapes, with the change serial each had
    // when bound (a shape changed since, or a new one at the same address,
    // is bound again).
    struct KeptShape {
        unsigned long serial = 0;
        std::vector<CharNode> points;
    };
    std::unordered_map<const SgShape *, KeptShape> m_otherShapes;
    unsigned long m_boundSerial = 0;
    // The bind pose of joint objects without a bone shape, which have no
    // place of their own to keep it.
    std::unordered_map<const SgObject *, Transform3> m_jointBindPoses;
    std::vector<Bone> m_bones;
    SgObject *m_skinObject = nullptr;
};

// Called by the face-set drawing with the shape's own points: when the
// state holds a deforming controller, fills `out` with the deformed points
// and returns true; otherwise false (draw the points as they are).
NODARA_API bool DeformSkinnedShape(SgShape *shape, SgState *state, int count, const Vec3 *in, std::vector<Vec3> &out);

// A chain of `count` bone objects, each holding a bone of height
// lengths[i] (1 without lengths), every one after the first standing on the
// previous one's end. Returns the first object (not referenced), null for a
// count below 1.
NODARA_API SgObject *CreateBone(int count, const double *lengths);
// Puts `child` first among `parent`'s content.
NODARA_API void LinkBoneObject(SgObject *parent, SgObject *child);
