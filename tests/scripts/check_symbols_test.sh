#!/usr/bin/env bash
# The repeated-symbol check itself: two libraries of distinct functions pass;
# a function defined by both fails with a line naming it and both libraries;
# an inline function that both carry is no offence. A writable static that a
# header defines (a class's `static inline` member, a template's static, a
# function's static in an inline function) is copied into each library that
# uses it: hidden, each library has its own value; exported, each still has a
# copy the loader happens to merge. Either fails; the member defined in one
# library's source and used from another passes. A file that is not a
# library is reported by name.
set -u
check="$1"
source "$(dirname "$0")/check_test_common.sh"
run_check() { "$check" "$work/lib"; }
build() { # library source [compiler options]
    printf '%s\n' "$2" > "$work/$1.cpp"
    c++ -std=c++17 -shared -fPIC ${3:-} -o "$work/lib/$1.so" "$work/$1.cpp"
}
reset() { rm -f "$work"/lib/*.so; }

mkdir -p "$work/lib"
build libA 'int OnlyInA() { return 1; } inline int Shared() { return 3; } int UseA() { return Shared(); }'
build libB 'int OnlyInB() { return 2; } inline int Shared() { return 3; } int UseB() { return Shared(); }'
expect "distinct libraries pass" 0 "each symbol and writable object defined once"

build libC 'struct Spline { int Evaluate(); }; int Spline::Evaluate() { return 4; }'
build libD 'struct Spline { int Evaluate(); double d; }; int Spline::Evaluate() { return 5; }'
expect "one class in two libraries fails" 1 "Spline::Evaluate(): defined by libC.so, libD.so"

# One header, used by two libraries, in each of the ways it can hold a value.
header_cases=(
    "a class's inline static member|struct Tool { static inline bool s_active = false; };|Tool::s_active|Tool::s_active = true;"
    "a template's inline static member|template <class T> struct Field { static inline int s_id = 0; };|Field<int>::s_id|Field<int>::s_id = 7;"
    "a template's static member defined in the header|template <class T> struct Elem { static int s_id; }; template <class T> int Elem<T>::s_id = 0;|Elem<int>::s_id|Elem<int>::s_id = 7;"
    "a static in an inline function|inline int &Counter() { static int count = 0; return count; }|Counter()::count|++Counter();"
)
for case in "${header_cases[@]}"; do
    IFS='|' read -r name header symbol use <<<"$case"
    for visibility in "" "-fvisibility=hidden -fvisibility-inlines-hidden"; do
        reset
        build libE "$header void SetFromE() { $use }" "$visibility"
        build libF "$header void SetFromF() { $use }" "$visibility"
        expect "$name in two libraries fails (${visibility:-default visibility})" 1 \
            "$symbol: a writable object with a copy in each of libE.so, libF.so"
    done
done

reset
build libG 'struct Tool { static bool s_active; }; bool Tool::s_active = false; void SetFromG() { Tool::s_active = true; }'
build libH 'struct Tool { static bool s_active; }; void SetFromH() { Tool::s_active = true; }' "-fvisibility=hidden"
build libI 'static int s_calls = 0; namespace { int s_count = 0; } int CountI() { return ++s_calls + ++s_count; }'
build libJ 'static int s_calls = 0; namespace { int s_count = 0; } int CountJ() { return ++s_calls + ++s_count; }'
expect "a member defined in one source, and each file's own statics, pass" 0 "each symbol and writable object defined once"

printf 'not a library' > "$work/lib/libBroken.so"
expect "a file that is not a library is named, not a crash" 2 "cannot read the symbols of .*libBroken.so"

finish
