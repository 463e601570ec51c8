#pragma once
// The embedded LISP of formulas and scripts: everything a caller outside the
// interpreter uses.
#include "engine/engines/lisp/LispCore.h"
#include "engine/engines/lisp/LispEvaluator.h"
#include "engine/engines/lisp/LispPrinter.h"
#include "engine/engines/lisp/LispReader.h"
#include "engine/engines/lisp/LispValue.h"
