#!/usr/bin/env python3
"""fennix SCENE --listen under a virtual X server of this test's own: the
everyday edits through real X keys and clicks, the scene text read back
through the scripting channel after each step.

  fennix_edit_steps_test.py FENNIX SCENE

- A click on the box, Ctrl+C, Ctrl+V: the box's text is the same byte for
  byte, a second object of its name is there and no clone, and one Ctrl+Z
  gives the scene text back exactly.
- Ctrl+A, Delete, one Ctrl+Z: the scene text is back exactly.
- The polygon tool, four clicks and a right click: a polygon is made (the
  right click finished it) and one Ctrl+Z gives the scene text back.
- A click on the box, Ctrl+C, Ctrl+Shift+V (Edit > Paste Linked): an instance
  that shows the box is made, the box's own text is unchanged, and one Ctrl+Z
  gives the scene text back exactly (no name left on the box).
- A click on the box, a Ctrl+click on the twin box, Create > Booleans >
  Difference: the move arrows stand at the result (the box, left of the
  middle), not midway between the two; one Ctrl+Z gives the text back.
"""
import os
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from fennix_window_test import Screen, canvas_box, fail, start_xvfb  # noqa: E402
from fennix_channel_test import Client  # noqa: E402

POLYGON_BUTTON = 13


def object_block(text, name):
    at = text.find('NodeName\t"%s"' % name)
    if at < 0:
        return None
    end = text.find("Object {", at)
    return text[at:end if end >= 0 else len(text)]


def until(condition, what, seconds=30.0):
    deadline = time.time() + seconds
    while time.time() < deadline:
        value = condition()
        if value:
            return value
        time.sleep(0.1)
    fail("waited %g s for %s" % (seconds, what))


def is_red(p):
    return p[0] > 120 and p[1] < 60 and p[2] < 60


def is_arrow_red(p):
    """The move arrow along x, drawn unlit in pure red (the lit box is darker)."""
    return p[0] > 235 and p[1] < 30 and p[2] < 30


def main():
    fennix, scene = sys.argv[1:3]
    server, display = start_xvfb()
    screen = Screen(display)
    runtime = tempfile.mkdtemp(prefix="fennix-edits-")
    env = dict(screen.env, LIBGL_ALWAYS_SOFTWARE="1", XDG_RUNTIME_DIR=runtime)
    program = subprocess.Popen([fennix, scene, "--listen"], env=env, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    try:
        path = program.stdout.readline().decode().strip()
        client = Client(path)
        client.wait_event("StartSession")
        window = screen.window(os.path.basename(scene), program)
        canvas = canvas_box(screen.geometry(window))

        def key(name):
            screen.type_keys(window, name)

        def text():
            return client.call("SaveToString")

        # ---- Copy and paste leave the source alone.
        before = text()
        box_block = object_block(before, "box")
        if box_block is None:
            fail("the scene has no box")
        image = until(lambda: screen.shot(), "a picture")
        # The box stands left of the scene's middle, the twin box right of it.
        reds = [(x, y) for y in range(canvas[1], canvas[1] + canvas[3], 3)
                for x in range(canvas[0], canvas[0] + canvas[2] // 2, 3) if is_red(image.pixel(x, y))]
        if not reds:
            fail("the box is not to be seen")
        bx = sum(x for x, _ in reds) // len(reds)
        by = sum(y for _, y in reds) // len(reds)
        screen.run("xdotool", "mousemove", str(bx), str(by), "click", "1")
        # The window takes X events in order: the keys below act on what the
        # click selected.
        key("ctrl+c")
        key("ctrl+v")
        pasted = until(lambda: (lambda t: t if t.count('NodeName\t"box"') == 2 else None)(text()), "the pasted copy")
        if object_block(pasted, "box") != box_block:
            fail("the paste changed the box's text:\n%s\n---\n%s" % (box_block, object_block(pasted, "box")))
        if "CLONE" in pasted or "NON-CLONE" in pasted:
            fail("the paste made a clone of the box")
        key("ctrl+z")
        back = until(lambda: (lambda t: t if t.count('NodeName\t"box"') == 1 else None)(text()), "the undo of the paste")
        if back != before:
            fail("one Ctrl+Z after the paste did not give the scene text back")

        # ---- Select All, Delete, one Ctrl+Z.
        key("ctrl+a")
        key("Delete")
        until(lambda: 'NodeName\t"box"' not in text(), "the delete")
        key("ctrl+z")
        restored = until(lambda: (lambda t: t if 'NodeName\t"box"' in t else None)(text()), "the undo of the delete")
        if restored != before:
            fail("one Ctrl+Z after Select All and Delete did not give the scene text back")

        # ---- A polygon finished by a right click, undone exactly.
        key("ctrl+shift+a")
        client.call("OnCreateTool", POLYGON_BUTTON)
        cx, cy = canvas[0] + canvas[2] // 2, canvas[1] + canvas[3] * 3 // 4
        for dx, dy in ((-60, -20), (60, -20), (60, 30), (-60, 30)):
            screen.run("xdotool", "mousemove", str(cx + dx), str(cy + dy), "click", "1")
            time.sleep(0.2)
        screen.run("xdotool", "click", "3")
        made = until(lambda: (lambda t: t if "Polygon" in t else None)(text()), "the polygon the right click finishes")
        if "ShapeHints" not in made:
            fail("the right click left an unfinished curve")
        key("ctrl+z")
        undone = until(lambda: (lambda t: t if "Polygon" not in t else None)(text()), "the undo of the polygon")
        if undone != before:
            fail("one Ctrl+Z after the polygon did not give the scene text back")

        # ---- Paste Linked: an instance of the box, the box untouched.
        screen.run("xdotool", "mousemove", str(bx), str(by), "click", "1")
        key("ctrl+c")
        key("ctrl+shift+v")
        linked = until(lambda: (lambda t: t if "CLONE-OBJ" in t else None)(text()), "the linked instance")
        if box_block not in linked:
            fail("the linked paste changed the box's text:\n%s\n---\n%s" % (box_block, object_block(linked, "box")))
        key("ctrl+z")
        unlinked = until(lambda: (lambda t: t if "CLONE-OBJ" not in t else None)(text()), "the undo of the linked paste")
        if unlinked != before:
            fail("one Ctrl+Z after the linked paste did not give the scene text back:\n" + unlinked)

        # ---- Difference of the box and its twin: the arrows at the result.
        twins = [(x, y) for y in range(canvas[1], canvas[1] + canvas[3], 3)
                 for x in range(canvas[0] + canvas[2] // 2, canvas[0] + canvas[2], 3) if is_red(image.pixel(x, y))]
        if not twins:
            fail("the twin box is not to be seen")
        tx = sum(x for x, _ in twins) // len(twins)
        ty = sum(y for _, y in twins) // len(twins)
        screen.run("xdotool", "mousemove", str(bx), str(by), "click", "1")
        screen.run("xdotool", "mousemove", str(tx), str(ty), "keydown", "ctrl", "click", "1", "keyup", "ctrl")
        screen.choose(window, "alt+c", "b", "d")
        until(lambda: "Boolean" in text(), "the difference")

        def arrow():
            shown = screen.shot()
            found = [x for y in range(canvas[1], canvas[1] + canvas[3], 2)
                     for x in range(canvas[0], canvas[0] + canvas[2], 2) if is_arrow_red(shown.pixel(x, y))]
            return found or None

        red_x = until(arrow, "the move arrows of the result")
        middle = canvas[0] + canvas[2] // 2
        if min(red_x) > (bx + middle) // 2:
            fail("the x arrow starts at %d: midway (%d), not at the result (%d)" % (min(red_x), middle, bx))
        key("ctrl+z")
        separate = until(lambda: (lambda t: t if "Boolean" not in t else None)(text()), "the undo of the difference")
        if separate != before:
            fail("one Ctrl+Z after the difference did not give the scene text back:\n" + separate)

        print("PASS: paste kept the box, Select All + Delete and a right-clicked polygon each undid exactly; "
              "Paste Linked left the box alone; the difference's arrows stand at the result")
    finally:
        if program.poll() is None:
            program.kill()
        program.wait()
        server.kill()


if __name__ == "__main__":
    main()
