// The arrays written as quoted texts.
// The instantiations of the array field are spread over a few units so
// that none of them dominates a build.
#include "engine/core/SgVecField.h"

template class SgVecField<std::string, SgFieldString>;
template class SgVecField<Image2, SgFieldImage>;
