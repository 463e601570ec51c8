#!/usr/bin/env python3
"""Runs the scene-tree dialog probe under a virtual X server of this test's own.

  wx_scene_tree_dialog_test.py PROBE
"""
import os
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from fennix_window_test import fail, start_xvfb  # noqa: E402


def main():
    server, display = start_xvfb()
    try:
        env = dict(os.environ, DISPLAY=display, GDK_BACKEND="x11", NO_AT_BRIDGE="1")
        result = subprocess.run([sys.argv[1]], env=env, stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=90)
        out = result.stdout.decode(errors="replace")
        if result.returncode != 0 or not out.startswith("PASS:"):
            fail("probe status %d: %s %s" % (result.returncode, out, result.stderr.decode(errors="replace")[-800:]))
        print(out.strip())
    finally:
        server.terminate()
        server.wait()


if __name__ == "__main__":
    main()
