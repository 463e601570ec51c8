#!/usr/bin/env python3
"""The modeller window's dialogs under a virtual X server of this test's own
(tests/host/window/DialogsProbe.cpp opens them through the facade): each
dialog opens modeless on top of its window with every control inside its
client area and at least at its best size; a second opening is refused with
the message; the close box frees the slot; no dialog window stays when the
facade goes; under the sanitizer build, nothing leaks.

  wx_dialogs_test.py PROBE
"""
import os
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from fennix_window_test import fail, start_xvfb  # noqa: E402


def main():
    probe = sys.argv[1]
    server, display = start_xvfb()
    try:
        env = dict(os.environ, DISPLAY=display, GDK_BACKEND="x11", NO_AT_BRIDGE="1")
        try:
            run = subprocess.run([probe], env=env, capture_output=True, text=True, timeout=120)
        except subprocess.TimeoutExpired:
            fail("the probe did not finish")
        values = dict(line.split("=", 1) for line in run.stdout.splitlines() if "=" in line)
        if "done" not in run.stdout:
            fail("the probe stopped early (status %d): %s %s" % (run.returncode, run.stdout, run.stderr))
        # Under the sanitizer build a leak or a bad access ends it with a failure status.
        if run.returncode != 0:
            fail("the probe ended with status %d: %s" % (run.returncode, run.stderr[-3000:]))
        dialogs = {k: v for k, v in values.items() if k.startswith("dialog-")}
        if len(dialogs) < 12:
            fail("too few dialogs measured: %s" % dialogs)
        for key, value in dialogs.items():
            if value != "ok":
                fail("%s: %s" % (key, value))
        expected = {"second-open": "0", "second-message": "1", "closed-by-box": "1", "windows-left": "0",
                    "open-count": str(len(dialogs))}
        for key, value in expected.items():
            if values.get(key) != value:
                fail("%s: %r, expected %r (all: %s)" % (key, values.get(key), value, values))
        print("PASS: %d dialogs open whole and on top; a second opening is refused; closing frees the slot"
              % len(dialogs))
    finally:
        server.terminate()
        server.wait()


if __name__ == "__main__":
    main()
