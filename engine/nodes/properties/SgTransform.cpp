#include "engine/nodes/properties/SgTransform.h"

#include <algorithm>
#include <cfloat>

#include "engine/core/SgAction.h"
#include "engine/core/SgElementClasses.h"
#include "engine/core/DxInput.h"
#include "engine/core/DxOutput.h"
#include "platform/SgDiagnostics.h"

SG_CLASS_SOURCE(SgTransform, SgNode, SgFieldMngr, "SgTransform")

namespace {

// The transform's own clamp, used until the engines library supplies its
// movement constraint. It reads the field's stored value (never the field's
// evaluated one, which it drives itself) and publishes it clamped.
class TranslationClamp : public DxModule, public SgTransform::LimitModule {
public:
    explicit TranslationClamp(SgField *field) : m_pField(field) {}

    void Evaluate() override
    {
        Vec3 value;
        if (m_pField) {
            if (const void *stored = m_pField->GetValuePtr(0, false))
                value = *static_cast<const Vec3 *>(stored);
        }
        for (int i = 0; i < 3; ++i) {
            // The lower limit first, so that crossed limits leave the upper one.
            value[i] = std::min(std::max(value[i], m_min[i]), m_max[i]);
        }
        m_output.set(&value);
    }

    DxInBase &GetInput() override { return m_input; }
    DxOutBase &GetOutput() override { return m_output; }
    void SetLimit(int axis, double min, double max) override
    {
        m_min[axis] = min;
        m_max[axis] = max;
    }
    double GetMinVal(int axis) const override { return m_min[axis]; }
    double GetMaxVal(int axis) const override { return m_max[axis]; }

private:
    SgField *m_pField;
    DxInput<Vec3> m_input{this};
    DxOutput<Vec3> m_output{this};
    Vec3 m_min{-DBL_MAX, -DBL_MAX, -DBL_MAX};
    Vec3 m_max{DBL_MAX, DBL_MAX, DBL_MAX};
};

SgTransform::LimitModuleFactory s_limitFactory = nullptr;

bool IsUnitScale(const Vec3 &s)
{
    return s.x == 1.0 && s.y == 1.0 && s.z == 1.0;
}

bool IsZero(const Vec3 &v)
{
    return v.x == 0.0 && v.y == 0.0 && v.z == 0.0;
}

} // namespace

void SgTransform::SetLimitModuleFactory(LimitModuleFactory factory)
{
    s_limitFactory = factory;
}

SgTransform::SgTransform()
{
    AddField(m_translation, "translation", Vec3(0.0, 0.0, 0.0));
    AddField(m_rotation, "rotation", Rotation());
    AddField(m_center, "center", Vec3(0.0, 0.0, 0.0));
    AddField(m_scaleFactor, "scaleFactor", Vec3(1.0, 1.0, 1.0));
    AddField(m_scaleOrientation, "scaleOrientation", Rotation());
    AddField(m_reset, "reset", static_cast<unsigned short>(0));
    AddField(m_matrixConfig, "matrixConfig", 0);
}

SgTransform::~SgTransform()
{
    // The module reads the translation field: it goes before the fields do.
    m_pLimit.reset();
    m_pGeneral.reset();
}

void SgTransform::GetMatrix(Transform3 &matrix)
{
    if (m_pGeneral) {
        matrix = *m_pGeneral;
        return;
    }
    Vec3 t = m_translation.IsIgnored() ? Vec3(0.0, 0.0, 0.0) : m_translation.Get(true);
    const bool pivotIsOffset =
        !m_matrixConfig.IsIgnored() && m_matrixConfig.Get(true) == kPivotOffsetConfig;
    const Vec3 center = m_center.Get(true);
    if (pivotIsOffset && !m_center.IsIgnored())
        t = t + center;
    Transform3 m(t);

    const Rotation &so = m_scaleOrientation.Get(true);
    const bool turnScale = !m_scaleOrientation.IsIgnored() && so.GetAngle() != 0.0;
    if (turnScale)
        m = m * Transform3(so);
    const Rotation &rotation = m_rotation.Get(true);
    if (!m_rotation.IsIgnored() && rotation.GetAngle() != 0.0)
        m = m * Transform3(rotation);
    const Vec3 scale = m_scaleFactor.Get(true);
    if (!m_scaleFactor.IsIgnored() && !IsUnitScale(scale))
        m = m * Transform3(scale, Vec3(0.0, 0.0, 0.0));
    if (turnScale)
        m = m * Transform3(so.Inverse());
    // Taken back whatever "matrixConfig" says: the pivot is what the matrix
    // turns and scales about.
    if (!m_center.IsIgnored() && !IsZero(center))
        m = m * Transform3(Vec3(-center.x, -center.y, -center.z));
    matrix = m;
}

Transform3 SgTransform::GetMatrix()
{
    Transform3 m;
    GetMatrix(m);
    return m;
}

void SgTransform::SetMatrix(const Transform3 &matrix)
{
    if (m_pGeneral) {
        *m_pGeneral = matrix;
    } else {
        Rotation rotation = matrix.GetRotation();
        if (rotation.GetAngle() == 0.0)
            rotation = Rotation();
        m_rotation.Set(rotation);
        m_translation.Set(matrix.GetTranslation());
    }
    OnChange(nullptr);
}

SgTransform &SgTransform::operator*=(const Transform3 &m)
{
    SetMatrix(GetMatrix() * m);
    OnChange(nullptr);
    return *this;
}

void SgTransform::LeftMult(const Transform3 &m)
{
    SetMatrix(m * GetMatrix());
    OnChange(nullptr);
}

void SgTransform::MoveRight(double d)
{
    *this *= Transform3(Vec3(d, 0.0, 0.0));
}

void SgTransform::MoveUp(double d)
{
    *this *= Transform3(Vec3(0.0, d, 0.0));
}

void SgTransform::MoveBackward(double d)
{
    *this *= Transform3(Vec3(0.0, 0.0, d));
}

void SgTransform::TurnRight(double a)
{
    *this *= Transform3(Vec3(0.0, 1.0, 0.0), -a);
}

void SgTransform::TurnUp(double a)
{
    *this *= Transform3(Vec3(1.0, 0.0, 0.0), a);
}

void SgTransform::TurnZRight(double a)
{
    *this *= Transform3(Vec3(0.0, 0.0, 1.0), -a);
}

void SgTransform::RotateRight(double a)
{
    LeftMult(Transform3(Vec3(0.0, 1.0, 0.0), -a));
}

void SgTransform::RotateUp(double a)
{
    LeftMult(Transform3(Vec3(1.0, 0.0, 0.0), a));
}

Vec3 SgTransform::GetPivot()
{
    const Vec3 t = m_translation.Get(true);
    if (!m_matrixConfig.IsIgnored() && m_matrixConfig.Get(true) == kPivotOffsetConfig)
        return t + m_center.Get(true);
    return t;
}

bool SgTransform::ChangePivot(const Vec3 &center, const Rotation &orientation)
{
    if (m_pGeneral) {
        SgDiagWarning("Transform", "SgTransform::ChangePivot: the transform holds a general matrix; "
                                   "its pivot fields are not used");
        return false;
    }
    const Transform3 m = GetMatrix() * Transform3(center);
    const Vec3 landing = m.GetTranslation();
    const double k =
        !m_matrixConfig.IsIgnored() && m_matrixConfig.Get(true) == kPivotOffsetConfig ? 1.0 : 0.0;
    // Conjugated into the new scale orientation, which the matrix applies
    // around the rotation.
    const Rotation rotation = orientation.Inverse() * m.GetRotation() * orientation;

    m_rotation.Set(rotation);
    m_translation.Set(landing - center * k);
    m_center.Set(center);
    m_scaleOrientation.Set(orientation);
    return true;
}

void SgTransform::MakeGeneral(bool on)
{
    if (on == IsGeneral())
        return;
    if (on)
        m_pGeneral = std::make_unique<Transform3>();
    else
        m_pGeneral.reset();
    OnChange(nullptr);
}

bool SgTransform::SetLimit(ACTION action, AXIS axis, double min, double max)
{
    if (action == LIMIT_REMOVE) {
        // The field's module goes first: its input reads from the limit's output.
        m_translation.RemoveModule();
        m_pLimit.reset();
        OnChange(&m_translation);
        return true;
    }
    if (action != LIMIT_TRANSLATION) {
        SgDiagError("Transform", "SgTransform::SetLimit: unknown action %d; nothing changed", static_cast<int>(action));
        return false;
    }
    if (axis < AXIS_X || axis > AXIS_Z) {
        SgDiagError("Transform", "SgTransform::SetLimit: axis %d is not 0, 1 or 2; nothing changed",
                    static_cast<int>(axis));
        return false;
    }
    if (!m_pLimit) {
        m_pLimit.reset(s_limitFactory ? s_limitFactory(&m_translation)
                                      : new TranslationClamp(&m_translation));
        if (!m_pLimit) {
            SgDiagError("Transform", "SgTransform::SetLimit: no limit module could be made");
            return false;
        }
        static_cast<DxOutBase &>(m_translation).Connect(m_pLimit->GetInput());
        m_pLimit->GetOutput().Connect(static_cast<DxInBase &>(m_translation));
    }
    m_pLimit->SetLimit(axis, min, max);
    // New bounds change the translation the field gives: readers evaluate
    // again, and the node's users hear of it.
    m_pLimit->GetOutput().Invalidate();
    return true;
}

void SgTransform::ApplyMatrix(SgAction *action, const Transform3 &matrix)
{
    SgState *state = action->GetState();
    Mat4 m = matrix.GetMatrix();
    if (!m_reset.IsIgnored() && m_reset.Get(true) != 0)
        TransformElement::Reset(state, this, m);
    else
        TransformElement::Set(state, this, m);
}

void SgTransform::DoAction(SgAction *action)
{
    ApplyMatrix(action, GetMatrix());
}
