#!/usr/bin/env python3
"""The window tests' own X server keeps its state when its last client
leaves.

An X server resets by default when its last client disconnects, and a client
that connects during the reset is refused. The window tests poll the screen
with short-lived clients (xdotool, xwd) while the program under test starts,
so a poll that ends as the program connects would cost the program its
display ("Unable to initialize GTK+") on a busy machine. A root-window
property set by one client and read by the next shows whether the server
reset in between.
"""
import os
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from fennix_window_test import Screen, fail, start_xvfb  # noqa: E402

PROPERTY = "FENNIX_TEST_MARK"


def main():
    if shutil.which("xprop") is None:
        fail("xprop is not installed (scripts/install-deps installs it)")
    server, display = start_xvfb()
    try:
        screen = Screen(display)
        screen.run("xprop", "-root", "-f", PROPERTY, "8s", "-set", PROPERTY, "kept")
        # The setting client has gone: with a reset, the root window's
        # properties went with it.
        seen = screen.run("xprop", "-root", PROPERTY).decode(errors="replace").strip()
        if '"kept"' not in seen:
            fail("the server reset when its last client left (the mark reads %r)" % seen)
    finally:
        server.terminate()
        server.wait()
    print("PASS: the test server outlives its clients")


if __name__ == "__main__":
    main()
