#!/usr/bin/env python3
"""Two embedded controls in one frame (tests/control/wx/FennixTwoCtrlsProbe.cpp)
under a virtual X server of this test's own: a sphere in each, the scene-tree
panes shown, a handle of one refused by the other, and the frame closes with
status 0 (in a sanitizer build: no use of a scene after its document went).

  fennix_two_ctrls_test.py PROBE
"""
import os
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from probe_run import expect_values, run_probe  # noqa: E402


def main():
    os.environ["XDG_CONFIG_HOME"] = tempfile.mkdtemp(prefix="fennix-two-ctrls-")
    os.environ["LIBGL_ALWAYS_SOFTWARE"] = "1"
    values = run_probe(sys.argv[1], check_status=True)
    expect_values(values, {"ready": "11", "handles": "1", "crossed_refused": "11", "spheres": "11", "closed": "1"})
    print("PASS: two controls in one frame made a sphere each, refused each other's handles and closed cleanly")


if __name__ == "__main__":
    main()
