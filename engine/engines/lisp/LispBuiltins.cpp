#include "engine/engines/lisp/LispBuiltins.h"

#include "engine/engines/lisp/LispState.h"

namespace {

struct BuiltinEntry {
    const char *name;
    LispBuiltinFn handler;
    int arity;
};

#define LISP_BUILTIN_ENTRY(name, handler, arity) {name, handler, arity},
constexpr BuiltinEntry kBuiltins[] = {LISP_BUILTIN_TABLE(LISP_BUILTIN_ENTRY)};
#undef LISP_BUILTIN_ENTRY

static_assert(sizeof kBuiltins / sizeof kBuiltins[0] == 82, "the dialect has 82 built-ins");

} // namespace

void LispRegisterBuiltinTable()
{
    for (const BuiltinEntry &entry : kBuiltins)
        LispRegisterFunction(entry.name, entry.handler, entry.arity);
}
