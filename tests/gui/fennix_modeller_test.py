#!/usr/bin/env python3
"""fennix SCENE as a modeller, under a virtual X server of this test's own and
driven by real X input events: the window shows its menu bar and toolbars; a
toolbar button's checked look follows the manipulator chosen from the
Selection menu; Edit > Undo after a drag on the X arrow puts the box back;
View > Top and View > Front change the picture; File > Save As, answered by
typing a path and Enter in the file dialog, writes the scene there; Ctrl+Q
ends the program with status 0.

  fennix_modeller_test.py FENNIX SCENE [--keep-shots DIR]
"""
import os
import shutil
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from fennix_window_test import (  # noqa: E402
    close_with_ctrl_q, copy_scene, crop, fail, share_changed, start_fennix, stop, wait_until,
    window_test_arguments)
from fennix_select_drag_test import extent, is_red, is_yellow, pixels, settle  # noqa: E402

# A checked toolbar button's ground, and the ink of the icons drawn for the project.
PRESSED = (214, 209, 205)
INK = (40, 70, 140)


def near(p, colour, tolerance):
    return all(abs(p[i] - colour[i]) <= tolerance for i in range(3))


def chrome_height(image, box):
    """Rows from the window's top down to the first row of the canvas's grey."""
    x0, y0, width, height = box
    for y in range(0, height):
        row = [image.pixel(x0 + x, y0 + y) for x in range(0, width, 8)]
        if sum(1 for p in row if near(p, (192, 192, 192), 3)) > len(row) * 0.6:
            return y
    return height


def pressed_buttons(screen, box, top):
    """The checked toolbar buttons above the canvas, as (x, toolbar row) pairs."""
    image = screen.shot()
    x0, y0, width, _ = box
    runs = []
    for y in range(0, top, 3):
        run = 0
        for x in range(0, width + 1):
            if x < width and near(image.pixel(x0 + x, y0 + y), PRESSED, 6):
                run += 1
                continue
            if run >= 20:
                runs.append((y, int(round((x - run / 2) / 10.0)) * 10))
            run = 0
    # Scanned rows a few pixels apart belong to one toolbar row.
    found, row, last = set(), -1, None
    for y, x in sorted(runs):
        if last is None or y - last > 6:
            row += 1
        last = y
        found.add((x, row))
    return found


def main():
    args = window_test_arguments()

    folder, scene = copy_scene(args.scene, "fennix-modeller-")
    saved = os.path.join(folder, "saved_through_the_menu.kvrx")
    server, screen, program = start_fennix(args.fennix, scene)
    try:
        window = screen.window(os.path.basename(scene), program)
        box = screen.geometry(window)
        settle(screen, box)
        image = screen.shot()
        top = chrome_height(image, box)
        # The menu bar and the three toolbars stand above the canvas.
        if top < 60:
            fail("no menu bar and toolbars above the canvas (the canvas starts %d pixels down)" % top)
        ink = sum(1 for y in range(0, top, 2) for x in range(0, box[2], 2)
                  if near(image.pixel(box[0] + x, box[1] + y), INK, 20))
        if ink < 50:
            fail("the toolbars show none of the drawn tool icons")
        # Keys go to the window under the pointer (no window manager runs).
        screen.run("xdotool", "mousemove", str(box[0] + 20), str(box[1] + box[3] - 20))

        shown = pixels(screen, box)
        yellow = extent([(x, y) for x, y, p in shown if is_yellow(p)])
        if yellow is None:
            fail("the window does not show the yellow box")
        cx, cy = int(yellow[4]), int(yellow[5])
        screen.run("xdotool", "mousemove", str(box[0] + cx), str(box[1] + cy), "click", "1")
        settle(screen, box)

        # Selection > Rotate and back to Selection > Move: the checked button
        # of the tools toolbar moves to the trackball's and back.
        moving = pressed_buttons(screen, box, top)
        looked = crop(screen.shot(), box)
        screen.choose(window, "alt+s", "r")
        settle(screen, box, changed_from=looked)
        turning = pressed_buttons(screen, box, top)
        # (A button is found as a few scanned rows, where its icon does not
        # break the ground.)
        gone = {x for x, _ in moving - turning}
        new = {x for x, _ in turning - moving}
        if len(gone) != 1 or len(new) != 1 or new == gone:
            fail("choosing the trackball did not move the checked toolbar button (%s -> %s)"
                 % (sorted(moving), sorted(turning)))
        looked = crop(screen.shot(), box)
        screen.choose(window, "alt+s", "m")
        settle(screen, box, changed_from=looked)
        if pressed_buttons(screen, box, top) != moving:
            fail("choosing the move arrows again did not check their button again")
        if args.keep_shots:
            screen.shot().save_png(os.path.join(args.keep_shots, "1-selected.png"))

        # A drag on the X arrow moves the box; Edit > Undo puts it back.
        shown = pixels(screen, box)
        # (The arrows start at the box's pivot, which a view from above shows
        # higher than the centre of the box's picture.)
        red = extent([(x, y) for x, y, p in shown if is_red(p) and x > cx + 4])
        if red is None:
            fail("the selected box shows no X arrow")
        ax, ay = int((red[0] + red[1]) / 2), int(round(red[5]))
        screen.run("xdotool", "mousemove", str(box[0] + ax), str(box[1] + ay), "mousedown", "1")
        for step in range(1, 7):
            screen.run("xdotool", "mousemove", str(box[0] + ax + 10 * step), str(box[1] + ay))
            time.sleep(0.05)
        screen.run("xdotool", "mouseup", "1")
        settle(screen, box)
        moved = extent([(x, y) for x, y, p in pixels(screen, box) if is_yellow(p)])
        if args.keep_shots:
            screen.shot().save_png(os.path.join(args.keep_shots, "1b-dragged.png"))
        if moved is None or moved[4] - yellow[4] < 30:
            fail("the drag on the X arrow did not move the box")
        screen.run("xdotool", "mousemove", str(box[0] + 20), str(box[1] + box[3] - 20))
        looked = crop(screen.shot(), box)
        screen.choose(window, "alt+e", "u")
        settle(screen, box, changed_from=looked)
        back = extent([(x, y) for x, y, p in pixels(screen, box) if is_yellow(p)])
        if back is None or abs(back[4] - yellow[4]) > 3 or abs(back[5] - yellow[5]) > 3:
            fail("Edit > Undo did not put the box back (%s, was %s)" % (back, yellow))
        if args.keep_shots:
            screen.shot().save_png(os.path.join(args.keep_shots, "2-undone.png"))

        # View > Top, then View > Front: each shows the scene from elsewhere.
        canvas = (box[0], box[1] + top, box[2], box[3] - top)
        before = crop(screen.shot(), canvas)
        looked = crop(screen.shot(), box)
        screen.choose(window, "alt+v", "t")
        settle(screen, box, changed_from=looked)
        from_top = crop(screen.shot(), canvas)
        looked = crop(screen.shot(), box)
        screen.choose(window, "alt+v", "o")
        settle(screen, box, changed_from=looked)
        from_front = crop(screen.shot(), canvas)
        if share_changed(from_top, from_front) < 0.02 and share_changed(before, from_top) < 0.02:
            fail("View > Top and View > Front did not change the picture")
        if args.keep_shots:
            screen.shot().save_png(os.path.join(args.keep_shots, "3-front.png"))

        # File > Save As: the dialog is answered with typed keys.
        screen.choose(window, "alt+f", "a")
        dialog = wait_until(lambda: screen.run("xdotool", "search", "--onlyvisible", "--name", "Save As",
                                               check=False).split())
        if not dialog:
            fail("File > Save As showed no file dialog")
        # The dialog is shown: its keys are taken once it is drawn whole.
        settle(screen, screen.geometry(dialog[0].decode()))
        screen.run("xdotool", "key", "ctrl+a")
        screen.run("xdotool", "type", "--delay", "20", saved)
        screen.run("xdotool", "key", "Return")
        deadline = time.time() + 20
        while time.time() < deadline and not os.path.exists(saved):
            time.sleep(0.3)
        if not os.path.exists(saved):
            if args.keep_shots:
                screen.shot().save_png(os.path.join(args.keep_shots, "4-save.png"))
            fail("File > Save As did not write %s" % saved)
        with open(saved, encoding="utf-8", errors="replace") as stream:
            text = stream.read()
        if not text.startswith("#VRML") or '"box"' not in text:
            fail("the file saved through the menu does not hold the scene")

        close_with_ctrl_q(screen, window, program)
        print("PASS: menus and toolbars shown; checked button, undo, views and Save As work through real events")
    finally:
        stop(program, server)
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    main()
