#!/bin/sh
# fennix --lisp writes each value out as soon as it has it: the second
# expression is sent only once the value of the first has arrived (10 s at
# most), with standard input still open.
fennix=$1
out=$2
rm -f "$out" "$out.late"
{
    echo '(+ 1 2)'
    tries=0
    until grep -q '^3$' "$out" 2>/dev/null; do
        tries=$((tries + 1))
        if [ "$tries" -gt 100 ]; then
            echo late > "$out.late"
            break
        fi
        sleep 0.1
    done
    echo '(+ 3 4)'
} | "$fennix" --lisp > "$out"
cat "$out"
if [ -e "$out.late" ]; then
    echo "the first value did not arrive before the input ended"
    exit 1
fi
