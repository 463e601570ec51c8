# Shared by the tests of the project's own checks (sourced): a temporary tree
# to plant lines in, one verdict line per case, and the summary as the exit
# status. The sourcing test defines run_check, which runs the check under
# test on "$work" the way that check reads a tree.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
passed=0

plant() { # file line
    mkdir -p "$work/tree/$(dirname "$1")"
    printf '%s\n' "$2" >> "$work/tree/$1"
}
expect() { # name status pattern
    local out status
    out=$(run_check 2>&1); status=$?
    if [ "$status" -ne "$2" ] || ! grep -q -- "$3" <<<"$out"; then
        echo "FAIL $1: status $status, output:"; echo "$out"; failures=$((failures + 1))
    else
        echo "ok   $1"; passed=$((passed + 1))
    fi
}
# A line planted alone must fail the check; the tree is clean again after.
offence() { # name file line [pattern, by default the file's first line]
    plant "$2" "$3"
    expect "$1" 1 "${4:-$2:1: }"
    rm "$work/tree/$2"
}
finish() {
    echo "$passed passed, $failures failed"
    [ "$failures" -eq 0 ]
}
