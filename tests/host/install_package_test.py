#!/usr/bin/env python3
"""The installed package is enough for a host program: `cmake --install` into
a temporary prefix, then the embedding example is configured with
find_package(Fennix) and built against that prefix alone, and every library
the program needs is found where the package put it.

  install_package_test.py BUILD_DIR SOURCE_DIR WORK_DIR
"""
import os
import shutil
import subprocess
import sys


def run(command, **kwargs):
    result = subprocess.run(command, capture_output=True, text=True, timeout=900, **kwargs)
    if result.returncode != 0:
        print("FAIL: %s exited %d\n%s\n%s" % (" ".join(command), result.returncode, result.stdout[-3000:],
                                             result.stderr[-3000:]))
        sys.exit(1)
    return result


def main():
    build, source, work = (os.path.abspath(a) for a in sys.argv[1:4])
    prefix = os.path.join(work, "prefix")
    host_build = os.path.join(work, "embed-build")
    for folder in (prefix, host_build):
        shutil.rmtree(folder, ignore_errors=True)
    run(["cmake", "--install", build, "--prefix", prefix])
    for expected in ("include/fennix/control/wx/FennixCtrl.h", "include/fennix/engine/core/SgNode.h",
                     "lib/cmake/Fennix/FennixConfig.cmake", "lib/fennix/libNodara.so"):
        if not os.path.exists(os.path.join(prefix, expected)):
            print("FAIL: the package lacks %s" % expected)
            return 1
    # Only the package: nothing of the source tree or the build tree is on
    # the include or library path of the host's build.
    run(["cmake", "-S", os.path.join(source, "examples", "embed"), "-B", host_build, "-G", "Ninja",
         "-DCMAKE_PREFIX_PATH=" + prefix, "-DCMAKE_BUILD_TYPE=Release"])
    compile_commands = run(["cmake", "--build", host_build, "--verbose"]).stdout
    for line in compile_commands.splitlines():
        if (" -I" + source in line) or (build + "/lib" in line):
            print("FAIL: the host's build reached into the project's trees:\n" + line)
            return 1
    program = os.path.join(host_build, "embed_fennix")
    missing = [line for line in run(["ldd", program]).stdout.splitlines() if "not found" in line]
    if missing:
        print("FAIL: libraries not found:\n" + "\n".join(missing))
        return 1
    print("PASS: embed_fennix built against %s" % prefix)
    return 0


if __name__ == "__main__":
    sys.exit(main())
