#!/usr/bin/env python3
"""fennix SCENE under a virtual X server of this test's own, driven by real X
input events: a click on the yellow box selects it (its move tool's arrows
appear: X red, Y green), a drag on the X arrow moves the box to the right by
the distance dragged, and a left drag over empty space still turns the view.

  fennix_select_drag_test.py FENNIX SCENE [--keep-shots DIR]
"""
import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from fennix_window_test import (  # noqa: E402
    STATUS_BAR_HEIGHT, crop, expect_clean_exit, fail, other_windows, share_changed, start_fennix, stop,
    window_test_arguments)


def is_yellow(p):
    return p[0] > 120 and p[1] > 100 and p[2] < 80 and abs(p[0] - p[1]) < 60


def is_red(p):
    return p[0] > 200 and p[1] < 70 and p[2] < 70


def is_green(p):
    return p[1] > 200 and p[0] < 70 and p[2] < 70


def pixels(screen, box):
    image = screen.shot()
    x0, y0, width, height = box
    return [(x, y, image.pixel(x0 + x, y0 + y)) for y in range(0, height, 2) for x in range(0, width, 2)]


def settle(screen, box, seconds=10, changed_from=None):
    """Waits until the picture in `box` stops changing. With `changed_from`,
    first until it differs from that picture: the events just sent may not
    have been drawn yet on a slow machine."""
    deadline = time.time() + seconds
    last = crop(screen.shot(), box)
    if changed_from is not None:
        while time.time() < deadline and share_changed(changed_from, last) == 0.0:
            time.sleep(0.1)
            last = crop(screen.shot(), box)
    while time.time() < deadline:
        time.sleep(0.4)
        now = crop(screen.shot(), box)
        if share_changed(last, now) == 0.0:
            return
        last = now


def extent(found):
    if not found:
        return None
    xs = [x for x, _ in found]
    ys = [y for _, y in found]
    return min(xs), max(xs), min(ys), max(ys), sum(xs) / len(xs), sum(ys) / len(ys)


def main():
    args = window_test_arguments()

    server, screen, program = start_fennix(args.fennix, args.scene)
    try:
        window = screen.window(os.path.basename(args.scene), program)
        box = screen.geometry(window)
        settle(screen, box)
        shown = pixels(screen, box)
        yellow = extent([(x, y) for x, y, p in shown if is_yellow(p)])
        if yellow is None:
            fail("the window does not show the yellow box")
        if any(is_red(p) for _, _, p in shown):
            fail("red arrows show before anything is selected")
        cx, cy = int(yellow[4]), int(yellow[5])

        # A click on the box selects it: the move tool's arrows appear.
        screen.run("xdotool", "mousemove", str(box[0] + cx), str(box[1] + cy), "click", "1")
        settle(screen, box)
        shown = pixels(screen, box)
        # The arrows start at the box's pivot, which the default view (from
        # the front and above) shows higher than the centre of the box's
        # picture: the X arrow is looked for right of the centre at any height.
        red = extent([(x, y) for x, y, p in shown if is_red(p) and x > cx + 4])
        green = extent([(x, y) for x, y, p in shown if is_green(p) and y < cy - 4 and abs(x - cx) < 12])
        if red is None or green is None:
            fail("a click on the box shows no X and Y arrows (red %s, green %s)" % (red, green))
        if args.keep_shots:
            screen.shot().save_png(os.path.join(args.keep_shots, "1-selected.png"))

        # A drag on the X arrow's shaft moves the box right by as much.
        ax, ay = int((red[0] + red[1]) / 2), int(round(red[5]))
        before = yellow
        distance = 60
        screen.run("xdotool", "mousemove", str(box[0] + ax), str(box[1] + ay), "mousedown", "1")
        for step in range(1, 7):
            screen.run("xdotool", "mousemove", str(box[0] + ax + distance * step // 6), str(box[1] + ay))
            time.sleep(0.05)
        screen.run("xdotool", "mouseup", "1")
        settle(screen, box)
        shown = pixels(screen, box)
        after = extent([(x, y) for x, y, p in shown if is_yellow(p)])
        if after is None:
            fail("the box is gone after the drag")
        moved_x = after[4] - before[4]
        moved_y = after[5] - before[5]
        if args.keep_shots:
            screen.shot().save_png(os.path.join(args.keep_shots, "2-moved.png"))
        # The box's front face is nearer than the arrow's depth, so it moves
        # a little farther on the screen than the cursor did.
        if not (distance * 0.8 <= moved_x <= distance * 1.6) or abs(moved_y) > 4:
            fail("the drag on the X arrow moved the box by (%.1f, %.1f) pixels, not about %d to the right"
                 % (moved_x, moved_y, distance))

        # A left drag over empty space still turns the view.
        still = crop(screen.shot(), box)
        # (The bottom left corner: the menu bar and the toolbars lie at the top.)
        x, y = box[0] + 12, box[1] + box[3] - STATUS_BAR_HEIGHT - 12
        screen.run("xdotool", "mousemove", str(x), str(y), "mousedown", "1")
        for step in range(1, 7):
            screen.run("xdotool", "mousemove", str(x + 20 * step), str(y - 8 * step))
            time.sleep(0.05)
        screen.run("xdotool", "mouseup", "1")
        settle(screen, box)
        if share_changed(still, crop(screen.shot(), box)) < 0.02:
            fail("a left drag over empty space did not turn the view")

        screen.type_keys(window, "ctrl+q")
        # The box was moved: the window asks whether to save, and the answer
        # is No (the fixture stays as it is).
        question = None
        deadline = time.time() + 20
        while question is None and time.time() < deadline:
            found = other_windows(screen, "^fennix$", window)
            question = found[0] if found else None
            time.sleep(0.2)
        if question is None:
            fail("closing with the moved box did not ask whether to save")
        screen.run("xdotool", "windowfocus", "--sync", question, check=False)
        screen.run("xdotool", "key", "alt+n", check=False)
        expect_clean_exit(program)
        print("PASS: a click selected the box, its X arrow moved it %.0f pixels right, an empty drag turned the view"
              % moved_x)
    finally:
        stop(program, server)


if __name__ == "__main__":
    main()
