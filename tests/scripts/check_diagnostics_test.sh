#!/usr/bin/env bash
# The diagnostics check itself: a tree that reports through the sink passes;
# a library that prints on standard error or standard output fails with a line
# that names the file, while the host, the tests and comments may mention or
# use the streams.
set -u
check="$1"
source "$(dirname "$0")/check_test_common.sh"
run_check() { "$check" --root "$work/tree"; }

plant engine/core/SgGroup.cpp '    SgDiagError("SceneGraph", "%s: no child node given", operation);'
plant engine/core/SgGroup.cpp '    // Used to be std::fprintf(stderr, ...) and std::cerr << ...'
plant engine/core/SgGroup.cpp '    std::snprintf(buffer, sizeof buffer, "%d", n);'
plant platform/SgDiagnostics.cpp '    std::fwrite(out.data(), 1, out.size(), stderr);'
plant host/main.cpp '    std::fprintf(stderr, "usage: fennix\n");'
plant tests/engine/SomeTest.cpp '    std::cout << "fine in a test";'
plant engine/core/SgField.cpp '    SgDiagInfo("Field", "the value would have gone to stderr before");'
expect "clean tree passes" 0 "reports through the sink"

offence "fprintf on standard error fails" engine/nodes/geometry/SgBox.cpp '    std::fprintf(stderr, "bad\n");'
offence "std::cerr fails" utilities/log/LogFile.cpp '    std::cerr << "cannot open";'
offence "std::cout fails" solids/SgSolid.cpp '    std::cout << 1;'
offence "printf fails" engine/render/SgGLRenderAction.cpp '    printf("drawn\n");'
offence "fputs on standard output fails" engine/render/GLExtensions.cpp '    std::fputs("unsupported", stdout);'
offence "a write on standard error in the platform layer fails" platform/Settings.cpp '    fwrite(p, 1, n, stderr);'
offence "standard error under another name fails" engine/actions/SgSaveAction.cpp '    FILE *out = stderr; fputs(text, out);'
offence "write on descriptor 2 fails" utilities/StringUtil.cpp '    ::write(2, text, n);'
offence "write on the standard output descriptor fails" solids/GmKernel.cpp '    write(STDOUT_FILENO, text, n);'

finish
