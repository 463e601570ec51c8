#!/usr/bin/env bash
# The layer check itself: a clean miniature tree passes; an upward include, a
# GL header in the object model and a toolkit header in the renderer each fail
# with a line that names the file.
set -u
check="$1"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

plant() { # folder file line
    mkdir -p "$work/tree/$(dirname "$1")"
    printf '%s\n' "$2" >> "$work/tree/$1"
}
expect() { # name status pattern
    local out status
    out=$("$check" --root "$work/tree" 2>&1); status=$?
    if [ "$status" -ne "$2" ] || ! grep -q -- "$3" <<<"$out"; then
        echo "FAIL $1: status $status, output:"; echo "$out"; failures=$((failures + 1))
    else
        echo "ok   $1"
    fi
}

plant engine/core/SgNode.h '#include "utilities/math/Vec3.h"'
plant engine/document/SgDocument.h '#include "engine/core/SgNode.h"'
plant engine/render/SgGLRenderAction.cpp '#include <GL/gl.h>'
plant tests/engine/core/SgNodeTest.cpp '#include "engine/document/SgDocument.h"'
expect "clean tree passes" 0 "the folders are layers"

plant engine/core/SgNode.cpp '#include "engine/document/SgDocument.h"'
expect "upward include fails" 1 "engine/core/SgNode.cpp:1: engine/core includes engine/document/SgDocument.h"
rm "$work/tree/engine/core/SgNode.cpp"

plant engine/core/SgShape.cpp '#include <GL/glu.h>'
expect "GL header in the object model fails" 1 "engine/core/SgShape.cpp:1: GL header"
rm "$work/tree/engine/core/SgShape.cpp"

plant engine/render/SgTextureManager.cpp '#include <wx/glcanvas.h>'
expect "toolkit header in the renderer fails" 1 "engine/render/SgTextureManager.cpp:1: toolkit header"
rm "$work/tree/engine/render/SgTextureManager.cpp"

# The dialogs' logic is toolkit-free; only their wx half sees the toolkit.
plant dialogs/wx/SgWxCadDialog.cpp '#include <wx/dialog.h>'
plant dialogs/CCadDlg.cpp '#include <wx/dialog.h>'
expect "toolkit header in the dialogs' logic fails" 1 "dialogs/CCadDlg.cpp:1: toolkit header"
rm "$work/tree/dialogs/CCadDlg.cpp"
expect "toolkit header in dialogs/wx passes" 0 "the folders are layers"

echo "$((6 - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
