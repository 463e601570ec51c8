#!/usr/bin/env bash
# The function-length check itself: short functions pass; a long one fails,
# in a source or a header and inside an anonymous namespace; a listed long
# function passes, and a listed function that is short again fails, so the
# allow list only shrinks.
set -u
check="$1"
source "$(dirname "$0")/check_test_common.sh"
allow="$work/allow"
: > "$allow"
run_check() { "$check" --allow "$allow" "$work/tree"; }

body() { # name lines: a function of that many lines
    printf 'int %s() {\n' "$1"
    for ((i = 2; i < $2; i++)); do printf '    ++x;\n'; done
    printf '}\n'
}

plant engine/core/SgShort.cpp "$(body Short 150)"
plant engine/core/SgShort.h "$(body InHeader 12)"
expect "functions of up to 150 lines pass" 0 "none over 150 lines unlisted"

offence "a function of 151 lines fails" solids/GmLong.cpp "$(body Long 151)" \
    "solids/GmLong.cpp:1: Long is 151 lines, over 150"
offence "a long inline function in a header fails" utilities/Long.h "$(body InlineLong 200)" \
    "utilities/Long.h:1: InlineLong is 200 lines"
offence "a long function in an anonymous namespace is named with it" solids/GmAnon.cpp \
    "namespace { struct Solver { $(body Resolve 160) }; }" "(anonymous)::Solver::Resolve is 160 lines"

plant solids/GmListed.cpp "$(body Listed 180)"
echo "solids/GmListed.cpp Listed  # being split" >> "$allow"
expect "a listed long function passes" 0 "Listed is 180 lines (allowed"
echo "engine/core/SgShort.cpp Short" >> "$allow"
expect "a listed function that is short fails" 1 "Short is allowed to be long but is not"
echo "solids/GmListed.cpp" >> "$allow"
expect "a malformed allow line is an error that names it" 2 "expected 'path qualified-name'"

finish
