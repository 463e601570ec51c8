#!/usr/bin/env python3
"""fennix SCENE --create sphere under a virtual X server of this test's own:
real X mouse events (click, move, click) create two spheres, Ctrl+Q closes
the window, and the scene written at the close holds both, named by the
creation counter, with the radii the drags gave (the second drag is twice
as long as the first), and the window's view (its camera) in the View
section, written while the window still stands.

  fennix_create_test.py FENNIX SCENE OUT
"""
import os
import re
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from fennix_window_test import (  # noqa: E402
    Screen, canvas_box, close_with_ctrl_q, crop, fail, settle, start_xvfb, stop)


def create_sphere(screen, canvas, x, y, length):
    """Click, move, click: the window takes the events in the order they are
    sent; the new sphere is drawn once the picture changes and settles."""
    before = crop(screen.shot(), canvas)
    screen.run("xdotool", "mousemove", str(x), str(y), "click", "1")
    for step in range(1, 6):
        screen.run("xdotool", "mousemove", str(x + length * step // 5), str(y))
        time.sleep(0.05)
    screen.run("xdotool", "click", "1")
    settle(screen, canvas, previous=True, seconds=30, changed_from=before)


def radius_of(text, name):
    at = text.find('"%s"' % name)
    if at < 0:
        fail("the written scene has no object named %s" % name)
    found = re.search(r"Sphere\s*\{[^}]*?radius\s+([-0-9.eE+]+)", text[at:])
    if not found:
        fail("%s has no sphere with a radius" % name)
    return float(found.group(1))


def main():
    fennix, scene, out = sys.argv[1:4]
    if os.path.exists(out):
        os.remove(out)
    server, display = start_xvfb()
    screen = Screen(display)
    env = dict(screen.env, LIBGL_ALWAYS_SOFTWARE="1")
    program = subprocess.Popen([fennix, scene, "--create", "sphere", "--save-on-close", out], env=env,
                               stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    try:
        window = screen.window(os.path.basename(scene), program)
        box = screen.geometry(window)
        canvas = canvas_box(box)
        settle(screen, canvas)  # the scene is drawn: the window takes events
        cx, cy = box[0] + box[2] // 2, box[1] + box[3] // 2
        create_sphere(screen, canvas, cx - 150, cy + 60, 50)
        create_sphere(screen, canvas, cx + 40, cy + 60, 100)
        close_with_ctrl_q(screen, window, program, timeout=30)
        with open(out, encoding="utf-8", errors="replace") as f:
            text = f.read()
        first = radius_of(text, "SgSphere1")
        second = radius_of(text, "SgSphere2")
        if first <= 0.01:
            fail("the first sphere has radius %g" % first)
        if not 1.6 < second / first < 2.4:
            fail("a drag twice as long should give about twice the radius: %g and %g" % (first, second))
        view = text[text.find("\nView {"):]
        if "PerspectiveCamera" not in view:
            fail("the written View section holds no camera: %r" % view[:200])
        print("PASS: two spheres created from X events, radii %g and %g; the view written" % (first, second))
    finally:
        stop(program, server)


if __name__ == "__main__":
    main()
