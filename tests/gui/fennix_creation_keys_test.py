#!/usr/bin/env python3
"""fennix SCENE under a virtual X server of this test's own, driven by real X
input events.

  menu-creation  Create > Primitives > Torus Knot from the menu bar (typed mnemonics), then
                 click, move, click, move, click on the canvas: a torus knot
                 appears where the clicks were; Ctrl+Z takes it away again.
  shortcut-keys  A click selects the yellow box and the wheel zooms out; the
                 plain key F frames the selection (the box grows on the
                 screen); Delete removes it,
                 and one Ctrl+Z brings it back.

  fennix_creation_keys_test.py CASE FENNIX SCENE [--keep-shots DIR]
"""
import os
import shutil
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from fennix_window_test import copy_scene, crop, fail, start_fennix, stop, window_test_arguments  # noqa: E402
from fennix_select_drag_test import extent, is_yellow, pixels, settle  # noqa: E402
from fennix_modeller_test import chrome_height  # noqa: E402


def yellow_extent(screen, canvas):
    return extent([(x, y) for x, y, p in pixels(screen, canvas) if is_yellow(p)])


# The window takes X events in the order they are sent: a move before a click
# is seen before it, and keys typed into a menu before the next click. What
# the events did is looked at once the picture settles.
def click(screen, canvas, x, y):
    screen.run("xdotool", "mousemove", str(canvas[0] + x), str(canvas[1] + y), "click", "1")


def move(screen, canvas, x, y, steps=4, start=None):
    if start is not None:
        for i in range(1, steps):
            sx = start[0] + (x - start[0]) * i // steps
            sy = start[1] + (y - start[1]) * i // steps
            screen.run("xdotool", "mousemove", str(canvas[0] + sx), str(canvas[1] + sy))
            time.sleep(0.05)
    screen.run("xdotool", "mousemove", str(canvas[0] + x), str(canvas[1] + y))


def region_changed(a, b, canvas, x0, y0, x1, y1):
    """Share of sampled pixels (every 4th, as crop takes them) that differ inside a rectangle."""
    changed = total = 0
    for row in range(max(0, y0 // 4), min(len(a), y1 // 4)):
        for col in range(max(0, x0 // 4), min(len(a[row]), x1 // 4)):
            total += 1
            pa, pb = a[row][col], b[row][col]
            if max(abs(pa[i] - pb[i]) for i in range(3)) > 40:
                changed += 1
    return changed / max(total, 1)


def menu_creation(screen, window, canvas, shots):
    before = crop(screen.shot(), canvas)
    yellow = yellow_extent(screen, canvas)
    width, height = canvas[2], canvas[3]
    # Left of the box, where the canvas shows the background.
    cx, cy = int(width * 0.22), int(height * 0.55)
    if yellow is not None and yellow[0] - 10 < cx + 70:
        cx = max(80, int(yellow[0]) - 90)
    move(screen, canvas, cx, cy)
    screen.choose(window, "alt+c", "p", "k")
    click(screen, canvas, cx, cy)
    move(screen, canvas, cx + 60, cy, start=(cx, cy))
    click(screen, canvas, cx + 60, cy)
    move(screen, canvas, cx + 75, cy, start=(cx + 60, cy))
    click(screen, canvas, cx + 75, cy)
    move(screen, canvas, 20, height - 20)
    settle(screen, canvas)
    made = crop(screen.shot(), canvas)
    if shots:
        screen.shot().save_png(os.path.join(shots, "menu-created.png"))
    near = region_changed(before, made, canvas, cx - 80, cy - 80, cx + 80, cy + 80)
    if near < 0.05:
        fail("Create > Primitives > Torus Knot and three clicks changed %.1f%% of the picture around the clicks" % (100 * near))
    screen.run("xdotool", "key", "ctrl+z")
    settle(screen, canvas, changed_from=made)
    undone = crop(screen.shot(), canvas)
    if shots:
        screen.shot().save_png(os.path.join(shots, "menu-undone.png"))
    left = region_changed(before, undone, canvas, cx - 80, cy - 80, cx + 80, cy + 80)
    if left > 0.01:
        fail("Ctrl+Z left %.1f%% of the picture around the knot changed" % (100 * left))
    return "Create > Primitives > Torus Knot made a knot where the clicks were (%.0f%% of that area changed); Ctrl+Z took it away" % (
        100 * near)


def shortcut_keys(screen, window, canvas, shots):
    yellow = yellow_extent(screen, canvas)
    if yellow is None:
        fail("the window does not show the yellow box")
    click(screen, canvas, int(yellow[4]), int(yellow[5]))
    settle(screen, canvas)
    # The wheel takes the view away first, so that framing shows.
    for _ in range(4):
        screen.run("xdotool", "click", "5")
        time.sleep(0.2)
    settle(screen, canvas)
    before = yellow_extent(screen, canvas)
    if before is None:
        fail("the box left the picture when the view was zoomed out")
    # Keys go to the window under the pointer: it stays over the canvas.
    looked = crop(screen.shot(), canvas)
    screen.run("xdotool", "key", "f")
    settle(screen, canvas, changed_from=looked)
    framed = yellow_extent(screen, canvas)
    if shots:
        screen.shot().save_png(os.path.join(shots, "shortcut-framed.png"))
    if framed is None or (framed[1] - framed[0]) < 1.5 * (before[1] - before[0]):
        fail("F did not frame the selected box (width %s -> %s)" % (
            before[1] - before[0], None if framed is None else framed[1] - framed[0]))
    looked = crop(screen.shot(), canvas)
    screen.run("xdotool", "key", "Delete")
    settle(screen, canvas, changed_from=looked)
    if yellow_extent(screen, canvas) is not None:
        fail("Delete did not remove the selected box")
    looked = crop(screen.shot(), canvas)
    screen.run("xdotool", "key", "ctrl+z")
    settle(screen, canvas, changed_from=looked)
    back = yellow_extent(screen, canvas)
    if shots:
        screen.shot().save_png(os.path.join(shots, "shortcut-undone.png"))
    if back is None:
        fail("one Ctrl+Z did not bring the deleted box back")
    return "F framed the selection (box %d -> %d pixels wide); Delete removed it and one Ctrl+Z brought it back" % (
        before[1] - before[0], framed[1] - framed[0])


CASES = {"menu-creation": menu_creation, "shortcut-keys": shortcut_keys}


def main():
    args = window_test_arguments(CASES)

    folder, scene = copy_scene(args.scene, "fennix-creation-keys-")
    server, screen, program = start_fennix(args.fennix, scene)
    try:
        window = screen.window(os.path.basename(scene), program)
        box = screen.geometry(window)
        settle(screen, box)
        top = chrome_height(screen.shot(), box)
        canvas = (box[0], box[1] + top, box[2], box[3] - top)
        screen.run("xdotool", "mousemove", str(canvas[0] + 20), str(canvas[1] + canvas[3] - 20))
        said = CASES[args.case](screen, window, canvas, args.keep_shots)
        # (The scene is changed: closing would ask whether to save it.)
        if program.poll() is not None:
            fail("fennix ended during the test: %s" % program.stderr.read().decode(errors="replace"))
        print("PASS: " + said)
    finally:
        stop(program, server)
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    main()
