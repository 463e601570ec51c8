// The arrays of plain numbers.
// The instantiations of the array field are spread over a few units so
// that none of them dominates a build.
#include "engine/core/SgVecField.h"

template class SgVecField<int, SgFieldInt>;
template class SgVecField<float, SgFieldFloat>;
template class SgVecField<unsigned short, SgFieldUShort>;
template class SgVecField<double, SgFieldDouble>;
