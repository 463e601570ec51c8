#pragma once
// The property node that places everything after it in its group: one matrix
// multiplied into (or, with "reset", replacing) the accumulated transform of
// the traversal state. The matrix is composed from the decomposed fields, or
// taken from a general matrix that stands in for them while the node holds one.
#include <memory>

#include "engine/core/SgNode.h"
#include "engine/core/SgTField.h"
#include "utilities/math/Rotation.h"
#include "utilities/math/Transform3.h"
#include "utilities/math/Vec3.h"
#include "engine/core/NodaraExport.h"

class DxInBase;
class DxOutBase;
class SgAction;

class NODARA_API SgTransform : public SgNode {
    SG_CLASS_HEADER(SgTransform, SgFieldMngr)

    // What SetLimit does.
    enum ACTION : int { LIMIT_REMOVE = -1, LIMIT_TRANSLATION = 0 };
    // The translation component a limit applies to.
    enum AXIS : int { AXIS_X = 0, AXIS_Y = 1, AXIS_Z = 2 };
    // "matrixConfig": with this value "translation" is an offset and "center"
    // the pivot point; with any other the translation is the pivot's position.
    static constexpr int kPivotOffsetConfig = 1;

    // The dataflow module that clamps the translation: its input is fed by the
    // translation field's output, its output drives the field's input. The
    // engines library supplies its movement constraint through
    // SetLimitModuleFactory; without one the transform's own clamp serves.
    class LimitModule {
    public:
        virtual ~LimitModule() = default;
        virtual DxInBase &GetInput() = 0;
        virtual DxOutBase &GetOutput() = 0;
        // Axis 0 to 2; limits are stored as given (crossed limits let the
        // upper one win when the value is clamped).
        virtual void SetLimit(int axis, double min, double max) = 0;
        virtual double GetMinVal(int axis) const = 0;
        virtual double GetMaxVal(int axis) const = 0;
    };
    using LimitModuleFactory = LimitModule *(*)(SgField *translation);
    // Null restores the built-in clamp.
    static void SetLimitModuleFactory(LimitModuleFactory factory);

    SgTransform();

    void DoAction(SgAction *action) override;
    bool IsTransform() const override { return true; }
    bool IsPropertyNode() const override { return true; }
    // A view's own placement of its scene (the turn and direction of a
    // viewport): nothing after it is rebuilt when it changes, since shapes
    // and compiled lists do not depend on where the whole scene is turned
    // (a list that read the transform still compares it when called).
    void SetViewPlacement(bool on) { m_bViewPlacement = on; }
    bool IsViewPlacement() const { return m_bViewPlacement; }
    bool ChangeReachesLaterSiblings() const override { return !m_bViewPlacement; }

    // The node's matrix: the general matrix when there is one, else the
    // composition of the fields that are not ignored.
    void GetMatrix(Transform3 &matrix);
    Transform3 GetMatrix();
    // With a general matrix, replaces it. Otherwise takes the rotation part
    // into "rotation" and the translation column into "translation";
    // "center", "scaleFactor" and "scaleOrientation" stay as they are.
    void SetMatrix(const Transform3 &matrix);
    // current x m and m x current, stored with SetMatrix.
    SgTransform &operator*=(const Transform3 &m);
    void LeftMult(const Transform3 &m);

    // Steps in the node's own frame (post-multiplied), and rotations in the
    // parent's frame (pre-multiplied). Angles in radians.
    void MoveRight(double d);
    void MoveUp(double d);
    void MoveBackward(double d);
    void TurnRight(double a);
    void TurnUp(double a);
    void TurnZRight(double a);
    void RotateRight(double a);
    void RotateUp(double a);

    // Where the pivot is in the parent's frame.
    Vec3 GetPivot();
    // Makes `center` the pivot and `orientation` the scale orientation while
    // keeping the matrix (exactly so for a uniform scale). A zero scale
    // component has no inverse; the rotation then is the best fit of what
    // remains and the matrix may change. Refused (false) while the node holds
    // a general matrix, which no pivot field takes part in.
    bool ChangePivot(const Vec3 &center, const Rotation &orientation);

    bool IsGeneral() const { return m_pGeneral != nullptr; }
    // A mark for editing code: a bone's bind-pose transform carries it.
    void SetMarked(bool on) { m_bMarked = on; }
    bool IsMarked() const { return m_bMarked; }
    // On: a general matrix (the identity when new) stands in for the fields.
    // Off: it is dropped and the fields, which it never touched, rule again.
    void MakeGeneral(bool on);

    // LIMIT_TRANSLATION clamps the translation along `axis` to [min, max];
    // LIMIT_REMOVE drops every limit. An axis outside 0 to 2 or any other
    // action is refused with a diagnostic and changes nothing (false).
    bool SetLimit(ACTION action, AXIS axis, double min, double max);
    // The clamping module while a limit is set, else null.
    LimitModule *GetLimitModule() const { return m_pLimit.get(); }

    SgFVec3 m_translation;
    SgFRotation m_rotation;
    SgFVec3 m_center;
    SgFVec3 m_scaleFactor;
    SgFRotation m_scaleOrientation;
    SgFUShort m_reset;
    SgFInt m_matrixConfig;

protected:
    ~SgTransform() override;
    // Multiplies `matrix` into the state's transform, or replaces it there
    // when "reset" is set; nothing when the element is locked.
    void ApplyMatrix(SgAction *action, const Transform3 &matrix);

private:
    std::unique_ptr<LimitModule> m_pLimit;
    std::unique_ptr<Transform3> m_pGeneral;
    // Kept for the editing code that marks a transform; nothing here reads it.
    bool m_bMarked = false;
    bool m_bViewPlacement = false;
};
