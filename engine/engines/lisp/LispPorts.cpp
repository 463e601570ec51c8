#include "engine/engines/lisp/LispPorts.h"

template class DxOutput<value_t>;
template class DxInput<value_t>;
template class DxInput1<value_t>;
