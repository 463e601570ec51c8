#!/usr/bin/env bash
# The export-macro script: it marks a header's namespace-scope classes,
# function declarations, extern variables and explicit instantiation
# declarations (a template argument only declared there would leave the
# instantiation hidden); it leaves inline functions, forward declarations,
# class members,
# excluded folders and the headers of C sources alone; and a second run
# changes nothing, so that a merge conflict on a macro line is settled by
# running it again.
set -u
script="$1"
source "$(dirname "$0")/check_test_common.sh"
mkdir -p "$work/tree/engine/core" "$work/tree/engine/wx"
header="$work/tree/engine/core/SgThing.h"
cat > "$header" <<'HEADER'
#pragma once
#include <string>

class SgLater;
template <class T, int N>
class SgBox : public SgBase {
public:
    int Size() const;
};
extern template class SgBox<int, 1>;
struct SgPlain {
    void Member();
};
int CountThings(const std::string &name,
                int limit);
extern const int kThingLimit;
[[nodiscard]] bool TryThing();
inline int Twice(int x) { return 2 * x; }
HEADER
printf 'class SgWindowOnly {};\n' > "$work/tree/engine/wx/SgWindowOnly.h"
printf 'struct SgDecoded { int width; };\nint SgDecode(struct SgDecoded *out);\n' > "$work/tree/engine/core/SgDecode.h"
printf 'int SgDecode(struct SgDecoded *out) { return 0; }\n' > "$work/tree/engine/core/SgDecode.c"
run_check() { (cd "$work/tree" && "$script" Nodara NODARA_API engine --exclude engine/wx) && cat "$header"; }
expect "the header's declarations carry the macro" 0 \
    '#include "engine/NodaraExport.h"'
for line in 'class NODARA_API SgBox : public SgBase {' 'struct NODARA_API SgPlain {' \
            'NODARA_API int CountThings(const std::string &name,' 'extern NODARA_API const int kThingLimit;' \
            '\[\[nodiscard\]\] NODARA_API bool TryThing();' '^extern template class NODARA_API SgBox<int, 1>;' \
            '^class SgLater;' '^inline int Twice' '^    void Member();'; do
    if grep -q -- "$line" "$header"; then echo "ok   holds: $line"; passed=$((passed + 1));
    else echo "FAIL missing: $line"; cat "$header"; failures=$((failures + 1)); fi
done
for untouched in engine/wx/SgWindowOnly.h engine/core/SgDecode.h; do
    if grep -q NODARA_API "$work/tree/$untouched"; then
        echo "FAIL $untouched was marked"; failures=$((failures + 1))
    else
        echo "ok   $untouched (an excluded folder, a C header) is left alone"; passed=$((passed + 1))
    fi
done
before=$(cat "$header")
run_check() { (cd "$work/tree" && "$script" Nodara NODARA_API engine --exclude engine/wx); [ "$(cat "$header")" = "$before" ] && echo "unchanged"; }
expect "a second run changes nothing" 0 "^unchanged$"
finish
