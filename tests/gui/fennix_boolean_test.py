#!/usr/bin/env python3
"""fennix SCENE with a yellow box and a blue ball that stands out of its
front right edge, under a virtual X server of this test's own and driven by
real X input events: a click selects the box, a Ctrl+click adds the ball,
Create > Booleans > Difference takes the ball out of the box. The picture then shows the
cavity: where the ball stood outside the box the background shows, where it
stood inside the box the cavity's inner wall shows, darker than the box's
face the ball sat on (the light comes from the upper left, in front).
Ctrl+Z brings both the box and the ball back, and Ctrl+S then saves them.

  fennix_boolean_test.py FENNIX SCENE [--keep-shots DIR]
"""
import os
import shutil
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from fennix_window_test import (  # noqa: E402
    STATUS_BAR_HEIGHT, close_with_ctrl_q, crop, copy_scene, fail, start_fennix, stop, window_test_arguments)
from fennix_select_drag_test import extent, is_yellow, pixels, settle  # noqa: E402
from fennix_modeller_test import chrome_height  # noqa: E402


def is_blue(p):
    return p[2] > 110 and p[2] > p[0] + 50 and p[2] > p[1] + 20


def brightness(p):
    return sum(p) / 3.0


def near(a, b, tolerance):
    return all(abs(a[i] - b[i]) <= tolerance for i in range(3))


def main():
    args = window_test_arguments()

    folder, scene = copy_scene(args.scene, "fennix-boolean-")
    server, screen, program = start_fennix(args.fennix, scene)

    def shot(name):
        if args.keep_shots:
            screen.shot().save_png(os.path.join(args.keep_shots, name))

    try:
        window = screen.window(os.path.basename(scene), program)
        box = screen.geometry(window)
        settle(screen, box)
        top = chrome_height(screen.shot(), box)
        shown = pixels(screen, box)
        yellow = extent([(x, y) for x, y, p in shown if is_yellow(p) and y > top])
        blue = extent([(x, y) for x, y, p in shown if is_blue(p) and y > top])
        if yellow is None or blue is None:
            fail("the window does not show the yellow box and the blue ball (%s, %s)" % (yellow, blue))
        shot("1-opened.png")
        # Screen places of scene points: the box's front face spans x -1..1,
        # the ball (radius 0.8 about (1, 0, 1)) reaches to x 1.8 on the same
        # plane, so pixels per unit come from how far it stands out.
        right = yellow[1]
        unit = (blue[1] - right) / 0.8
        if unit < 10:
            fail("the ball does not stand out of the box (%s, %s)" % (yellow, blue))
        # A little below the middle, clear of the move arrows the selection
        # shows along the pivot's axes.
        y = int(blue[5] + 0.35 * unit)
        outside = (int(right + 0.4 * unit), y)   # ball, outside the box
        cavity = (int(right - 0.4 * unit), y)    # ball, inside the box
        face = (int(right - 1.6 * unit), y)      # the box's front face, far from the ball
        corner = (box[2] - 12, box[3] - STATUS_BAR_HEIGHT - 12)  # background, above the status bar

        def at(point):
            return screen.shot().pixel(box[0] + point[0], box[1] + point[1])

        if not is_blue(at(outside)) or not is_blue(at(cavity)) or not is_yellow(at(face)):
            fail("the probes do not see ball, ball and box: %s %s %s" % (at(outside), at(cavity), at(face)))
        background = at(corner)

        # A click selects the box, a Ctrl+click adds the ball.
        screen.run("xdotool", "mousemove", str(box[0] + face[0]), str(box[1] + face[1] - int(0.5 * unit)),
                   "click", "1")
        settle(screen, box)
        screen.run("xdotool", "mousemove", str(box[0] + outside[0]), str(box[1] + outside[1]),
                   "keydown", "ctrl", "click", "1", "keyup", "ctrl")
        settle(screen, box)
        shot("2-both-selected.png")
        # Create > Booleans > Difference.
        screen.run("xdotool", "mousemove", str(box[0] + corner[0]), str(box[1] + corner[1]))
        looked = crop(screen.shot(), box)
        screen.choose(window, "alt+c", "b", "d")
        settle(screen, box, changed_from=looked)
        # A click on empty space lets the result go, so that no manipulator
        # stands in the picture.
        screen.run("xdotool", "click", "1")
        settle(screen, box)
        shot("3-subtracted.png")
        after_outside, after_cavity, after_face = at(outside), at(cavity), at(face)
        if not near(after_outside, background, 12):
            fail("where the ball stood outside the box the background does not show: %s (background %s)"
                 % (after_outside, background))
        if is_blue(after_cavity):
            fail("the ball still shows inside the box: %s" % (after_cavity,))
        if brightness(after_cavity) >= brightness(after_face) - 15 or near(after_cavity, background, 12):
            fail("the cavity's inner wall is not darker than the front face: cavity %s, face %s, background %s"
                 % (after_cavity, after_face, background))

        # Ctrl+Z: both operands come back.
        looked = crop(screen.shot(), box)
        screen.run("xdotool", "key", "ctrl+z")
        settle(screen, box, changed_from=looked)
        shot("4-undone.png")
        if not is_blue(at(outside)) or not is_blue(at(cavity)) or not is_yellow(at(face)):
            fail("Ctrl+Z did not bring the box and the ball back: %s %s %s" % (at(outside), at(cavity), at(face)))

        # Ctrl+S writes the scene as it stands again: both objects, no boolean.
        stamp = os.stat(scene).st_mtime_ns
        screen.run("xdotool", "key", "ctrl+s")
        deadline = time.time() + 20
        while time.time() < deadline and os.stat(scene).st_mtime_ns == stamp:
            time.sleep(0.3)
        with open(scene, encoding="utf-8", errors="replace") as stream:
            text = stream.read()
        if '"box"' not in text or '"ball"' not in text or "Boolean" in text:
            fail("the scene saved after Ctrl+Z does not hold the box and the ball alone")
        close_with_ctrl_q(screen, window, program)
        print("PASS: box minus ball from the menu shows the cavity (background %s outside, wall %s darker than "
              "face %s); Ctrl+Z brings both back" % (after_outside, after_cavity, after_face))
    finally:
        stop(program, server)
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    main()
