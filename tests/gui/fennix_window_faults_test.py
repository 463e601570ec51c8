#!/usr/bin/env python3
"""fennix SCENE under a virtual X server of this test's own, driven by real X
events: each case reproduces a way the window used to fail.

  fennix_window_faults_test.py CASE FENNIX DATA_DIR WORK_DIR [EXIT_SECONDS]

EXIT_SECONDS (8 by default) is how long a close may take to end the program.

Cases:
  close-mid-drag      Ctrl+Q during a left drag: the process exits 0 within a
                      few seconds (no toolkit dialog waits for an answer).
  close-mid-creation  --create sphere --save-on-close: Ctrl+Q between the
                      clicks exits 0 and writes no half-made sphere.
  wheel-during-drag   a wheel notch during a drag: after the release no
                      pointer grab is left on the X server, and moves with no
                      button held leave the picture alone.
  capture-lost        the window is unmapped during a drag (the grab breaks)
                      and the button released elsewhere: once mapped again,
                      moves with no button held leave the picture alone.
  first-drag-turns-about-vertical
                      a tall column beside the origin stays upright in the
                      picture through a horizontal left drag, and moves.
  create-navigation   --create box: a middle drag pans and the wheel zooms,
                      Esc drops a creation under way, three clicks without
                      moving create nothing (the scene written at the close).
  quick-pan           a middle drag whose moves come all at once (one burst,
                      then the release) pans as far as a slow drag back.
  steps-follow-size   a 0.01-unit and a 10,000-unit cube: a wheel notch makes
                      each bigger in the window, and it stays in the window.
  unsaved-asks        a created sphere, then Ctrl+Q: the window asks whether
                      to save; Escape keeps it open, Return saves and exits.
  create-height-visible
                      --create box: in the height stage, moving the mouse up
                      visibly raises the box in the default view (the stage
                      is not seen edge-on), and the box written at the close
                      has a height.
  escape-ends-drags   Escape with the button still down ends a view drag, a
                      drag of the box's X arrow (the box goes back) and a
                      rubber band (nothing selected): no grab is left, later
                      moves change nothing, no full-screen window opens, and
                      Ctrl+Q exits at once (no change is left to save).
"""
import os
import re
import shutil
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from fennix_window_test import (  # noqa: E402
    Screen, canvas_box, crop, fail, pointer_grabbed, share_changed, start_xvfb, wait_until)
from fennix_select_drag_test import extent, is_red, is_yellow, settle  # noqa: E402


class Window:
    def __init__(self, fennix, scene, *options):
        self.server, self.display = start_xvfb()
        self.screen = Screen(self.display)
        env = dict(self.screen.env, LIBGL_ALWAYS_SOFTWARE="1", GDK_BACKEND="x11", NO_AT_BRIDGE="1")
        self.program = subprocess.Popen([fennix, scene] + list(options), env=env, stdout=subprocess.PIPE,
                                        stderr=subprocess.PIPE)
        self.id = self.screen.window(os.path.basename(scene), self.program)
        self.box = canvas_box(self.screen.geometry(self.id))
        settle(self.screen, self.box)

    def at(self, x, y):
        return str(self.box[0] + x), str(self.box[1] + y)

    def run(self, *args, check=True):
        return self.screen.run(*args, check=check)

    def picture(self):
        return crop(self.screen.shot(), self.box)

    def settled(self):
        settle(self.screen, self.box)
        return self.picture()

    def drag_start(self, x, y, dx, dy, button="1", steps=5):
        self.run("xdotool", "mousemove", *self.at(x, y), "mousedown", button)
        for step in range(1, steps + 1):
            self.run("xdotool", "mousemove", *self.at(x + dx * step // steps, y + dy * step // steps))
            time.sleep(0.05)

    # The window takes X events in the order they are sent: what follows a
    # click (moves, keys, a close) is seen after it.
    def click(self, x, y, button="1"):
        self.run("xdotool", "mousemove", *self.at(x, y), "click", button)

    def key(self, name, window=None):
        self.screen.type_keys(window or self.id, name)

    def wait_exit(self, seconds):
        seconds = max(seconds, EXIT_SECONDS)
        try:
            status = self.program.wait(timeout=seconds)
        except subprocess.TimeoutExpired:
            fail("fennix did not exit within %d seconds of the close" % seconds)
        if status != 0:
            fail("fennix exited with status %d: %s" % (status, self.program.stderr.read().decode(errors="replace")))

    def dialog(self, name, seconds=30):
        deadline = time.time() + seconds
        while time.time() < deadline:
            found = [w for w in self.run("xdotool", "search", "--onlyvisible", "--name", name, check=False).decode().split()
                     if w != self.id]
            if found:
                return found[0]
            time.sleep(0.2)
        return None

    def close(self):
        if self.program.poll() is None:
            self.program.kill()
            self.program.wait()
        self.server.terminate()
        self.server.wait()


def grab_stays(display, seconds=30):
    """Whether a grab of the pointer is still held after `seconds` of waiting
    for it to go (a loaded machine takes a while to deliver the events)."""
    deadline = time.time() + seconds
    while time.time() < deadline:
        if not pointer_grabbed(display):
            return False
        time.sleep(0.1)
    return pointer_grabbed(display)


def moves_leave_picture_alone(window):
    still = window.settled()
    for step in range(1, 6):
        window.run("xdotool", "mousemove", *window.at(200 + 30 * step, 200 + 10 * step))
        time.sleep(0.05)
    after = window.settled()
    return share_changed(still, after) < 0.005


def close_and_expect_no(window, out, name, complaint):
    """Ctrl+Q, a clean exit, and no object called `name` in the scene written
    at the close."""
    window.key("ctrl+q")
    window.wait_exit(8)
    with open(out, encoding="utf-8", errors="replace") as f:
        text = f.read()
    if name in text:
        fail("%s: %s" % (complaint, text[max(text.find(name) - 40, 0):][:300]))


def case_close_mid_drag(fennix, data, work):
    w = Window(fennix, os.path.join(data, "sample_scene.kvrx"))
    try:
        w.drag_start(320, 240, 80, 20)
        w.key("ctrl+q")
        w.wait_exit(8)
        return "Ctrl+Q during a drag exited 0"
    finally:
        w.close()


def case_close_mid_creation(fennix, data, work):
    out = os.path.join(work, "closed_mid_creation.kvrx")
    if os.path.exists(out):
        os.remove(out)
    w = Window(fennix, os.path.join(data, "sample_scene.kvrx"), "--create", "sphere", "--save-on-close", out)
    try:
        w.click(200, 300)
        for step in range(1, 6):
            w.run("xdotool", "mousemove", *w.at(200 + 12 * step, 300))
            time.sleep(0.05)
        close_and_expect_no(w, out, "SgSphere", "the half-made sphere was written")
        return "Ctrl+Q between the clicks of a creation exited 0 and wrote no sphere"
    finally:
        w.close()


def case_wheel_during_drag(fennix, data, work):
    w = Window(fennix, os.path.join(data, "sample_scene.kvrx"))
    try:
        w.drag_start(320, 240, 60, 0)
        w.run("xdotool", "click", "4")
        w.run("xdotool", "mousemove", *w.at(400, 250))
        w.run("xdotool", "mouseup", "1")
        if grab_stays(w.display):
            fail("the pointer is still grabbed after the release")
        if not moves_leave_picture_alone(w):
            fail("moves with no button held still turn the view")
        w.key("ctrl+q")
        w.wait_exit(8)
        return "a wheel notch during a drag: no grab left after the release"
    finally:
        w.close()


def case_capture_lost(fennix, data, work):
    w = Window(fennix, os.path.join(data, "sample_scene.kvrx"))
    try:
        before = w.settled()
        w.drag_start(320, 240, 60, 0)
        # The capture is taken when the program handles the press: the view
        # turning shows it has, so the unmap below breaks a capture it holds
        # (the X server's implicit grab of the press alone does not show it).
        if not wait_until(lambda: share_changed(before, w.picture()) > 0.002):
            fail("the drag before the unmap did not turn the view")
        w.run("xdotool", "windowunmap", "--sync", w.id)
        w.run("xdotool", "mouseup", "1")
        w.run("xdotool", "windowmap", "--sync", w.id)
        if grab_stays(w.display):
            fail("the pointer is still grabbed after the lost capture")
        if not moves_leave_picture_alone(w):
            fail("after the lost capture, moves with no button held still turn the view")
        w.key("ctrl+q")
        w.wait_exit(8)
        return "a lost capture ended the drag"
    finally:
        w.close()


def column_extent(picture):
    found = [(x, y) for y, row in enumerate(picture) for x, p in enumerate(row)
             if p[0] > 150 and p[1] < 90 and p[2] < 90]
    if not found:
        return None
    xs = [x for x, _ in found]
    ys = [y for _, y in found]
    return max(xs) - min(xs) + 1, max(ys) - min(ys) + 1, sum(xs) / len(xs)


def case_first_drag_turns_about_vertical(fennix, data, work):
    w = Window(fennix, os.path.join(data, "tall_red_column_beside_origin.kvrx"))
    try:
        before = column_extent(w.picture())
        if before is None:
            fail("the column is not in the picture")
        if before[1] < 3 * before[0]:
            fail("the column along the scene's up axis is not upright in the picture: %s" % (before,))
        w.drag_start(100, 60, 250, 0, steps=10)
        w.run("xdotool", "mouseup", "1")
        after = column_extent(w.settled())
        if after is None:
            fail("the column left the picture")
        if after[1] < 3 * after[0]:
            fail("a horizontal drag tipped the column over: %s, then %s" % (before, after))
        if abs(after[2] - before[2]) < 2:
            fail("a horizontal drag did not turn the scene: %s, then %s" % (before, after))
        w.key("ctrl+q")
        w.wait_exit(8)
        return "the column stayed upright (%dx%d, then %dx%d) and moved" % (before[0], before[1], after[0], after[1])
    finally:
        w.close()


def case_create_navigation(fennix, data, work):
    out = os.path.join(work, "create_navigation.kvrx")
    if os.path.exists(out):
        os.remove(out)
    w = Window(fennix, os.path.join(data, "sample_scene.kvrx"), "--create", "box", "--save-on-close", out)
    try:
        first = w.settled()
        w.drag_start(320, 240, 60, 0, button="2")
        w.run("xdotool", "mouseup", "2")
        panned = w.settled()
        if share_changed(first, panned) < 0.02:
            fail("a middle drag did not pan the view in creation mode")
        w.run("xdotool", "mousemove", *w.at(320, 240), "click", "5")
        zoomed = w.settled()
        if share_changed(panned, zoomed) < 0.02:
            fail("the wheel did not zoom in creation mode")
        # A creation under way, dropped with Escape.
        w.click(150, 350)
        for step in range(1, 6):
            w.run("xdotool", "mousemove", *w.at(150 + 10 * step, 350))
            time.sleep(0.05)
        w.key("Escape")
        # Three clicks on one spot (a drag between them would make a box).
        for _ in range(3):
            w.click(450, 380)
        if grab_stays(w.display):
            fail("the pointer is still grabbed after the creations ended")
        close_and_expect_no(w, out, "SgBox", "a box was created")
        return "the view panned and zoomed; Esc and clicks without a drag made no box"
    finally:
        w.close()


def case_quick_pan(fennix, data, work):
    w = Window(fennix, os.path.join(data, "sample_scene.kvrx"))
    try:
        start = w.settled()
        burst = ["xdotool", "mousemove", *w.at(320, 240), "mousedown", "2"]
        for step in range(1, 21):
            burst += ["mousemove", *w.at(320 + 5 * step, 240)]
        w.run(*burst, "mouseup", "2")
        moved = w.settled()
        if share_changed(start, moved) < 0.02:
            fail("a quick middle drag did not pan the view")
        w.drag_start(420, 240, -100, 0, button="2", steps=10)
        w.run("xdotool", "mouseup", "2")
        back = w.settled()
        if share_changed(start, back) > 0.005:
            fail("a slow drag back by as much does not bring the view back: the quick drag fell short (%.3f)"
                 % share_changed(start, back))
        w.key("ctrl+q")
        w.wait_exit(8)
        return "a quick pan went as far as the cursor"
    finally:
        w.close()


def red_share(picture):
    cells = [p for row in picture for p in row]
    return sum(1 for p in cells if p[0] > 150 and p[1] < 90 and p[2] < 90) / max(len(cells), 1)


def case_steps_follow_size(fennix, data, work):
    shares = []
    for scene in ("tiny_red_cube_0_01.kvrx", "huge_red_cube_10000.kvrx"):
        w = Window(fennix, os.path.join(data, scene))
        try:
            before = red_share(w.settled())
            w.run("xdotool", "mousemove", *w.at(320, 240), "click", "4")
            after = red_share(w.settled())
            if before == 0.0:
                fail("%s: the cube is not in the window" % scene)
            if not 1.05 * before < after < 0.9:
                fail("%s: a wheel notch should bring the cube nearer and keep it in the window: %.3f, then %.3f"
                     % (scene, before, after))
            shares.append("%.3f -> %.3f" % (before, after))
            w.key("ctrl+q")
            w.wait_exit(8)
        finally:
            w.close()
    return "a notch brought both cubes nearer (%s)" % ", ".join(shares)


def create_sphere(w, x, y, length):
    w.click(x, y)
    for step in range(1, 6):
        w.run("xdotool", "mousemove", *w.at(x + length * step // 5, y))
        time.sleep(0.05)
    w.click(x + length, y)


def case_unsaved_asks(fennix, data, work):
    scene = os.path.join(work, "unsaved_asks.kvrx")
    shutil.copyfile(os.path.join(data, "sample_scene.kvrx"), scene)
    w = Window(fennix, scene, "--create", "sphere")
    try:
        create_sphere(w, 200, 300, 60)
        w.key("ctrl+q")
        question = w.dialog("^fennix$")
        if question is None:
            fail("closing with a new sphere did not ask whether to save")
        w.key("Escape", question)
        # The question goes; a window that closed anyway has ended by then.
        if not wait_until(lambda: question not in w.run("xdotool", "search", "--onlyvisible", "--name", "^fennix$",
                                                        check=False).decode().split()):
            fail("Escape did not take the question away")
        if w.program.poll() is not None:
            fail("cancelling the question closed the window anyway")
        w.key("ctrl+q")
        question = w.dialog("^fennix$")
        if question is None:
            fail("the second close did not ask")
        w.key("Return", question)
        w.wait_exit(10)
        with open(scene, encoding="utf-8", errors="replace") as f:
            text = f.read()
        if "SgSphere" not in text:
            fail("answering Yes did not write the sphere into the scene")
        return "the window asked; Escape kept it open, Return saved the sphere"
    finally:
        w.close()


def colour_extent(w, test):
    image = w.screen.shot()
    x0, y0, width, height = w.box
    return extent([(x, y) for y in range(0, height, 2) for x in range(0, width, 2)
                   if test(image.pixel(x0 + x, y0 + y))])


def escape_mid_drag(w, x, y, dx, dy, what):
    """A left drag from (x, y) by (dx, dy), then Escape with the button still
    down: no grab may stay, and moves after it must leave the picture alone."""
    w.drag_start(x, y, dx, dy, steps=6)
    moved = w.settled()
    w.key("Escape")
    if grab_stays(w.display):
        fail("%s: the pointer is still grabbed after Escape, with the button down" % what)
    at_escape = w.settled()
    for step in range(1, 6):
        w.run("xdotool", "mousemove", *w.at(x + dx + 15 * step, y + dy - 6 * step))
        time.sleep(0.05)
    w.run("xdotool", "mouseup", "1")
    after = w.settled()
    if share_changed(at_escape, after) > 0.005:
        fail("%s: moves after Escape still changed the picture (%.3f)" % (what, share_changed(at_escape, after)))
    if w.run("xdotool", "search", "--onlyvisible", "--name", "FullScreen", check=False).split():
        fail("%s: Escape reached the window's own keys while the drag ran" % what)
    return moved, at_escape


def case_escape_ends_drags(fennix, data, work):
    w = Window(fennix, os.path.join(data, "yellow_box_alone.kvrx"))
    try:
        start = w.settled()
        moved, _ = escape_mid_drag(w, 12, w.box[3] - 12, 90, -30, "a view drag")
        if share_changed(start, moved) < 0.02:
            fail("the view drag did not turn the view before Escape")

        box = colour_extent(w, is_yellow)
        if box is None:
            fail("the yellow box is not in the picture")
        cx, cy = int(box[4]), int(box[5])
        w.click(cx, cy)
        w.settled()
        red = colour_extent(w, lambda p: is_red(p))
        red = [r for r in [red] if r and r[1] > cx + 4]
        if not red:
            fail("a click on the box shows no X arrow")
        ax, ay = int((max(red[0][0], cx + 6) + red[0][1]) / 2), int(round(red[0][5]))
        before = colour_extent(w, is_yellow)
        moved, at_escape = escape_mid_drag(w, ax, ay, 60, 0, "a drag of the X arrow")
        during = colour_extent(w, is_yellow)
        if share_changed(moved, at_escape) < 0.002:
            fail("the arrow drag did not move the box before Escape")
        if during is None or abs(during[4] - before[4]) > 1.5 or abs(during[5] - before[5]) > 1.5:
            fail("Escape did not put the box back: %s, then %s" % (before, during))

        # Nothing selected, then a rubber band around the box, dropped.
        w.key("ctrl+shift+a")
        w.key("alt+s")
        w.key("f")
        w.settled()
        escape_mid_drag(w, int(before[0]) - 30, int(before[2]) - 30, int(before[1] - before[0]) + 60,
                        int(before[3] - before[2]) + 60, "a rubber band")
        if colour_extent(w, is_red) is not None:
            fail("the rubber band dropped with Escape still selected the box")
        w.key("ctrl+q")
        w.wait_exit(8)
        return "Escape ended a view drag, an arrow drag (the box went back) and a rubber band; no grab left"
    finally:
        w.close()


def case_create_height_visible(fennix, data, work):
    out = os.path.join(work, "create_height_visible.kvrx")
    if os.path.exists(out):
        os.remove(out)
    w = Window(fennix, os.path.join(data, "sample_scene.kvrx"), "--create", "box", "--save-on-close", out)
    try:
        # The base: click, drag the extent, click.
        w.click(250, 330)
        for step in range(1, 6):
            w.run("xdotool", "mousemove", *w.at(250 + 24 * step, 330 + 10 * step))
            time.sleep(0.05)
        w.click(370, 380)
        # The height: the mouse goes up the window.
        w.run("xdotool", "mousemove", *w.at(370, 370))
        w.settled()
        low = w.screen.shot()
        for step in range(1, 9):
            w.run("xdotool", "mousemove", *w.at(370, 370 - 10 * step))
            time.sleep(0.05)
        w.settled()
        high = w.screen.shot()
        # Where the box stands in the picture: the rows of its colour (taken
        # where its base lies) over the base's columns.
        def rows(image):
            x0, y0 = w.box[0], w.box[1]
            colour = image.pixel(x0 + 310, y0 + 360)
            found = [y for y in range(0, w.box[3], 2) for x in range(270, 352, 6)
                     if max(abs(image.pixel(x0 + x, y0 + y)[i] - colour[i]) for i in range(3)) < 16]
            return (min(found), max(found)) if found else None
        low_rows, high_rows = rows(low), rows(high)
        if low_rows is None or high_rows is None:
            fail("the box under creation is not in the picture (%s, %s)" % (low_rows, high_rows))
        raised = low_rows[0] - high_rows[0]
        if raised < 30 or abs(high_rows[1] - low_rows[1]) > 8:
            fail("80 pixels up in the height stage moved the box's top by %d pixels and its foot by %d: "
                 "the stage is seen edge-on (rows %s, then %s)"
                 % (raised, high_rows[1] - low_rows[1], low_rows, high_rows))
        w.click(370, 290)
        w.key("ctrl+q")
        w.wait_exit(8)
        with open(out, encoding="utf-8", errors="replace") as f:
            text = f.read()
        found = re.search(r"\bBox\s*\{([^}]*)\}", text)
        if not found:
            fail("no box was written: %s" % text[-300:])
        sizes = dict((k, float(v)) for k, v in re.findall(r"(width|height|depth)\s+([-0-9.eE+]+)", found.group(1)))
        if min(abs(v) for v in sizes.values()) < 1e-3 or len(sizes) < 3:
            fail("the written box is flat: %s" % sizes)
        return "the height stage raised the box's top by %d pixels; box %s" % (raised, sizes)
    finally:
        w.close()


CASES = {
    "close-mid-drag": case_close_mid_drag,
    "close-mid-creation": case_close_mid_creation,
    "wheel-during-drag": case_wheel_during_drag,
    "capture-lost": case_capture_lost,
    "first-drag-turns-about-vertical": case_first_drag_turns_about_vertical,
    "create-navigation": case_create_navigation,
    "quick-pan": case_quick_pan,
    "steps-follow-size": case_steps_follow_size,
    "unsaved-asks": case_unsaved_asks,
    "escape-ends-drags": case_escape_ends_drags,
    "create-height-visible": case_create_height_visible,
}


EXIT_SECONDS = 8


def main():
    global EXIT_SECONDS
    case, fennix, data, work = sys.argv[1:5]
    if len(sys.argv) > 5:
        EXIT_SECONDS = int(sys.argv[5])
    os.makedirs(work, exist_ok=True)
    print("PASS: " + CASES[case](fennix, data, work))


if __name__ == "__main__":
    main()
