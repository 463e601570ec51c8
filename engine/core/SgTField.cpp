#include "engine/core/SgTField.h"

#include "engine/core/SgVecField.h"

template <class T, int N>
int SgTField<T, N>::s_iClassID = 0;

template class SgTField<int, SgFieldInt>;
template class SgTField<float, SgFieldFloat>;
template class SgTField<unsigned short, SgFieldUShort>;
template class SgTField<double, SgFieldDouble>;
template class SgTField<Vec2, SgFieldVec2>;
template class SgTField<Vec3, SgFieldVec3>;
template class SgTField<Vec4, SgFieldVec4>;
template class SgTField<Vec2f, SgFieldVec2f>;
template class SgTField<Color, SgFieldColor>;
template class SgTField<Rotation, SgFieldRotation>;
template class SgTField<Image2, SgFieldImage>;
template class SgTField<std::string, SgFieldString>;
template class SgTField<Vec3f, SgFieldVec3f>;
template class SgTField<NodePtr, SgFieldNodePtr>;
template class SgTField<CountPtr<R1Func>, SgFieldR1FuncRef>;
template class SgTField<CountPtr<R2Func>, SgFieldR2FuncRef>;
template class SgTField<R3Func *, SgFieldR3FuncRef>;

namespace {
template <class... Fields>
void InitInOrder()
{
    (Fields::InitClass(), ...);
}
} // namespace

void SgField::InitFieldClasses()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    AssignClassID();
    RegisterClass(s_iClassID, 0, s_lpszClassName, &SgField::Creator);
    // Each single-value class, then its array class.
    InitInOrder<SgFInt, SgVFInt, SgFFloat, SgVFFloat, SgFDouble, SgVFDouble, SgFVec2, SgVFVec2,
                SgFVec3, SgVFVec3, SgFVec2f, SgVFVec2f, SgFVec4, SgVFVec4, SgFColor, SgVFColor,
                SgFRotation, SgVFRotation, SgFImage, SgVFImage, SgFStr, SgVFStr, SgFUShort,
                SgVFUShort, SgFVec3f, SgVFVec3f, SgFNodePtr, SgVFNodePtr>();
    // The function-reference fields.
    InitInOrder<SgFR1FuncRef, SgVFR1FuncRef, SgFR2FuncRef, SgVFR2FuncRef, SgFR3FuncRef,
                SgVFR3FuncRef>();
}
