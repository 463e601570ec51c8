// The arrays of double-precision vectors.
// The instantiations of the array field are spread over a few units so
// that none of them dominates a build.
#include "engine/core/SgVecField.h"

template class SgVecField<Vec2, SgFieldVec2>;
template class SgVecField<Vec3, SgFieldVec3>;
template class SgVecField<Vec4, SgFieldVec4>;
