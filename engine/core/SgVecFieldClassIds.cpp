// The array fields' class ids, one per instantiation, in this unit alone.
// It is kept out of unity batches: a batch that also holds an instantiation
// unit would see the definition there, and the explicit instantiation of the
// whole class would then instantiate the id a second time (an error for some
// compilers).
#include "engine/core/SgVecField.h"

template <class T, int N>
int SgVecField<T, N>::s_iClassID = 0;

template int SgVecField<int, SgFieldInt>::s_iClassID;
template int SgVecField<float, SgFieldFloat>::s_iClassID;
template int SgVecField<unsigned short, SgFieldUShort>::s_iClassID;
template int SgVecField<double, SgFieldDouble>::s_iClassID;
template int SgVecField<Vec2, SgFieldVec2>::s_iClassID;
template int SgVecField<Vec3, SgFieldVec3>::s_iClassID;
template int SgVecField<Vec4, SgFieldVec4>::s_iClassID;
template int SgVecField<Vec2f, SgFieldVec2f>::s_iClassID;
template int SgVecField<Color, SgFieldColor>::s_iClassID;
template int SgVecField<Rotation, SgFieldRotation>::s_iClassID;
template int SgVecField<Image2, SgFieldImage>::s_iClassID;
template int SgVecField<std::string, SgFieldString>::s_iClassID;
template int SgVecField<Vec3f, SgFieldVec3f>::s_iClassID;
template int SgVecField<NodePtr, SgFieldNodePtr>::s_iClassID;
template int SgVecField<CountPtr<R1Func>, SgFieldR1FuncRef>::s_iClassID;
template int SgVecField<CountPtr<R2Func>, SgFieldR2FuncRef>::s_iClassID;
template int SgVecField<R3Func *, SgFieldR3FuncRef>::s_iClassID;
