#pragma once
// Dataflow ports that carry LISP values, for the formula engines: the port
// templates live with the object model, which knows nothing of LISP.
#include "engine/core/DxInput.h"
#include "engine/core/DxOutput.h"
#include "engine/engines/lisp/LispValue.h"
#include "engine/core/NodaraExport.h"

DX_PORT_TYPE(value_t, kDxFirstEnginePortType)

extern template class NODARA_API DxOutput<value_t>;
extern template class NODARA_API DxInput<value_t>;
extern template class NODARA_API DxInput1<value_t>;
