#!/usr/bin/env python3
"""fennix SCENE under a virtual X server of this test's own, driven by real X
input events: the strip of numbers below the toolbars follows the field a
tool edits and writes typed numbers back. A click selects the yellow box, a
drag on its X arrow changes the strip's first number; a number typed there
and Enter move the box in the picture; Ctrl+Z puts it back.

  fennix_field_editor_test.py FENNIX SCENE [--keep-shots DIR]
"""
import argparse
import os
import shutil
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from fennix_window_test import CANVAS_HEIGHT, crop, fail, share_changed, start_fennix  # noqa: E402
from fennix_select_drag_test import extent, is_red, is_yellow, pixels, settle  # noqa: E402


def is_white(p):
    return min(p[:3]) > 251


def find_first_edit(screen, box):
    """The first number's edit box: the leftmost long run of white above the
    canvas (the toolbars' pictures are far narrower), and the rows below it
    that stay white at its right end (right of the text)."""
    image = screen.shot()
    x0, y0, width, height = box
    for y in range(0, max(0, height - CANVAS_HEIGHT)):
        run = 0
        for x in range(width):
            run = run + 1 if is_white(image.pixel(x0 + x, y0 + y)) else 0
            if run >= 60:
                left = x - run + 1
                while left + run < width and is_white(image.pixel(x0 + left + run, y0 + y)):
                    run += 1
                right = left + run - 3
                bottom = y
                while is_white(image.pixel(x0 + right, y0 + bottom + 1)):
                    bottom += 1
                if bottom - y < 8:
                    break
                return left, y + 1, run, bottom - y - 1
    return None


def text_pixels(screen, box, edit):
    image = screen.shot()
    x0, y0 = box[0] + edit[0], box[1] + edit[1]
    return [image.pixel(x0 + x, y0 + y) for y in range(edit[3]) for x in range(edit[2])]


def differing(a, b):
    return sum(1 for pa, pb in zip(a, b) if max(abs(pa[i] - pb[i]) for i in range(3)) > 60)


def yellow_centre(screen, box):
    found = extent([(x, y) for x, y, p in pixels(screen, box) if is_yellow(p)])
    if found is None:
        fail("the window does not show the yellow box")
    return found[4], found[5]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("fennix")
    parser.add_argument("scene")
    parser.add_argument("--keep-shots")
    args = parser.parse_args()
    for tool in ("Xvfb", "xdotool", "xwd"):
        if shutil.which(tool) is None:
            fail("%s is not installed (scripts/install-deps installs it)" % tool)

    def keep(name):
        if args.keep_shots:
            screen.shot().save_png(os.path.join(args.keep_shots, name))

    server, screen, program = start_fennix(args.fennix, args.scene)
    try:
        window = screen.window(os.path.basename(args.scene), program)
        box = screen.geometry(window)
        settle(screen, box)
        edit = find_first_edit(screen, box)
        if edit is None:
            fail("no number editor shows below the toolbars")
        cx, cy = yellow_centre(screen, box)

        screen.run("xdotool", "mousemove", str(box[0] + int(cx)), str(box[1] + int(cy)), "click", "1")
        settle(screen, box)
        red = extent([(x, y) for x, y, p in pixels(screen, box) if is_red(p) and x > cx + 4])
        if red is None:
            fail("a click on the box shows no X arrow")
        before_drag = text_pixels(screen, box, edit)

        # A drag on the X arrow: the first number follows.
        ax, ay = int((red[0] + red[1]) / 2), int(round(red[5]))
        screen.run("xdotool", "mousemove", str(box[0] + ax), str(box[1] + ay), "mousedown", "1")
        for step in range(1, 7):
            screen.run("xdotool", "mousemove", str(box[0] + ax + 60 * step // 6), str(box[1] + ay))
            time.sleep(0.05)
        screen.run("xdotool", "mouseup", "1")
        settle(screen, box)
        keep("1-dragged.png")
        if differing(before_drag, text_pixels(screen, box, edit)) < 5:
            fail("the editor's first number did not change while the X arrow moved the box")
        dragged = yellow_centre(screen, box)

        # A number typed into the first edit and Enter: the box moves.
        ex, ey = box[0] + edit[0] + edit[2] // 2, box[1] + edit[1] + edit[3] // 2
        # The keys follow the click in the window's queue: the edit has the
        # keyboard when they come.
        screen.run("xdotool", "mousemove", str(ex), str(ey), "click", "1")
        screen.run("xdotool", "key", "End", *(["BackSpace"] * 16))
        screen.run("xdotool", "type", "--", "-1.5")
        screen.run("xdotool", "key", "Return")
        settle(screen, box)
        keep("2-typed.png")
        typed = yellow_centre(screen, box)
        if abs(typed[0] - dragged[0]) < 15:
            fail("the typed number did not move the box (centre %.0f, was %.0f)" % (typed[0], dragged[0]))

        # Ctrl+Z takes the typed number back in one step.
        screen.run("xdotool", "key", "ctrl+z")
        settle(screen, box)
        keep("3-undone.png")
        undone = yellow_centre(screen, box)
        if abs(undone[0] - dragged[0]) > 3 or abs(undone[1] - dragged[1]) > 3:
            fail("Ctrl+Z left the box at (%.0f, %.0f), not back at (%.0f, %.0f)"
                 % (undone[0], undone[1], dragged[0], dragged[1]))

        screen.type_keys(window, "ctrl+q")
        # The box was moved: the window asks whether to save; No keeps the fixture.
        question = None
        deadline = time.time() + 20
        while question is None and time.time() < deadline:
            found = [w for w in screen.run("xdotool", "search", "--name", "^fennix$", check=False).decode().split()
                     if w != window]
            question = found[0] if found else None
            time.sleep(0.2)
        if question is None:
            fail("closing with the moved box did not ask whether to save")
        screen.run("xdotool", "windowfocus", "--sync", question, check=False)
        screen.run("xdotool", "key", "alt+n", check=False)
        try:
            status = program.wait(timeout=20)
        except subprocess.TimeoutExpired:
            fail("fennix did not exit after its window was closed")
        if status != 0:
            fail("fennix exited with status %d: %s" % (status, program.stderr.read().decode(errors="replace")))
        print("PASS: the drag changed the first number; -1.5 typed moved the box %.0f pixels; Ctrl+Z put it back"
              % (typed[0] - dragged[0]))
    finally:
        if program.poll() is None:
            program.kill()
            program.wait()
        server.terminate()
        server.wait()


if __name__ == "__main__":
    main()
