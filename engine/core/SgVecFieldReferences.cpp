// The arrays of node and function references.
// The instantiations of the array field are spread over a few units so
// that none of them dominates a build.
#include "engine/core/SgVecField.h"

template class SgVecField<NodePtr, SgFieldNodePtr>;
template class SgVecField<CountPtr<R1Func>, SgFieldR1FuncRef>;
template class SgVecField<CountPtr<R2Func>, SgFieldR2FuncRef>;
template class SgVecField<R3Func *, SgFieldR3FuncRef>;
