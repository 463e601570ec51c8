#!/usr/bin/env python3
"""fennix --render --shadows on shapes whose sizes lie at or past the float limit: every scene is drawn
(exit status 0, a picture written, no signal); a size no float holds is refused with a message naming
its line, and one a float holds is drawn as it is.

  huge_sizes_shadow_test.py FENNIX
Prints PASS: or FAIL: with what was seen."""
import os
import subprocess
import sys
import tempfile

# (shape line, whether the reader refuses the value)
CASES = [
    ("Cube { width 4294967296 }", False),
    ("Cube { depth -inf }", True),
    ("Cube { depth 1e39 }", True),
    ("Cube { depth 1e308 }", True),
    ("Sphere { radius 1e39 }", True),
    ("Sphere { radius 3e38 }", False),
]


def main():
    fennix = sys.argv[1]
    failures = []
    with tempfile.TemporaryDirectory() as folder:
        for number, (shape, refused) in enumerate(CASES):
            scene = os.path.join(folder, "huge%d.wrl" % number)
            with open(scene, "w") as f:
                f.write("#VRML V1.0 ascii\n%s\n" % shape)
            out = os.path.join(folder, "huge%d.bmp" % number)
            run = subprocess.run([fennix, "--render", scene, "--out", out, "--size", "64x48", "--shadows"],
                                 capture_output=True, text=True, timeout=120)
            said = run.stderr.strip().replace("\n", " | ")
            if run.returncode != 0 or not os.path.exists(out):
                failures.append("%s: status %d, %s" % (shape, run.returncode, said[:300]))
            elif refused != ("huge%d.wrl:2:" % number in run.stderr and "no float holds" in run.stderr):
                failures.append("%s: %s expected, stderr %s" % (shape, "a refusal" if refused else "no refusal",
                                                                 said[:300]))
    if failures:
        print("FAIL: " + "; ".join(failures))
        return 1
    print("PASS: %d scenes drawn with shadows" % len(CASES))
    return 0


if __name__ == "__main__":
    sys.exit(main())
