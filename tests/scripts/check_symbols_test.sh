#!/usr/bin/env bash
# The repeated-symbol check itself: two libraries of distinct functions pass;
# a function defined by both fails with a line naming it and both libraries;
# an inline function that both carry is no offence.
set -u
check="$1"
source "$(dirname "$0")/check_test_common.sh"
run_check() { "$check" "$work/lib"; }
build() { # library source
    printf '%s\n' "$2" > "$work/$1.cpp"
    c++ -shared -fPIC -o "$work/lib/$1.so" "$work/$1.cpp"
}

mkdir -p "$work/lib"
build libA 'int OnlyInA() { return 1; } inline int Shared() { return 3; } int UseA() { return Shared(); }'
build libB 'int OnlyInB() { return 2; } inline int Shared() { return 3; } int UseB() { return Shared(); }'
expect "distinct libraries pass" 0 "each symbol defined once"

build libC 'struct Spline { int Evaluate(); }; int Spline::Evaluate() { return 4; }'
build libD 'struct Spline { int Evaluate(); double d; }; int Spline::Evaluate() { return 5; }'
expect "one class in two libraries fails" 1 "Spline::Evaluate(): defined by libC.so, libD.so"

finish
