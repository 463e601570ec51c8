// The arrays of single-precision vectors, colours and rotations.
// The instantiations of the array field are spread over a few units so
// that none of them dominates a build.
#include "engine/core/SgVecField.h"

template class SgVecField<Vec2f, SgFieldVec2f>;
template class SgVecField<Vec3f, SgFieldVec3f>;
template class SgVecField<Color, SgFieldColor>;
template class SgVecField<Rotation, SgFieldRotation>;
