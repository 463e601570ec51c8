#!/usr/bin/env python3
"""fennix SCENE --listen under a virtual X server of this test's own: what the
status line says, heard through the scripting channel as StatusText.

  fennix_status_line_test.py FENNIX SCENE toolbar|narrow|progress

toolbar: the toolbar buttons are found on the screen (the icons in the strip
  between the menu bar and the view, each named by the help the window gives
  when the pointer enters it), then pressed with real clicks: Copy and Paste
  of the selected box add a second box and leave the first's text alone,
  Undo and Redo take the paste back and again, Delete removes the box, the
  view buttons say what they did, and a creation tool says what to do next.
narrow: a window made narrow still shows every toolbar button: the toolbars
  take more rows rather than hide buttons behind an overflow arrow.
progress: a big scene read through LoadFile shows "Reading scene... NN %" on
  the status line while it is read, rising, and the line is cleared at the
  end.
"""
import os
import re
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from fennix_window_test import Screen, canvas_box, fail, start_xvfb  # noqa: E402
from fennix_channel_test import Client  # noqa: E402
from fennix_edit_steps_test import is_red, object_block, until  # noqa: E402
from fennix_modeller_test import chrome_height  # noqa: E402

# Near the window's narrowest: the toolbars need more rows than at its
# opening width.
NARROW_WIDTH = 460

# Objects of the generated scene: well over the size from which a read
# reports its progress.
BIG_SCENE_OBJECTS = 20000


def status_texts(client, since):
    return [e["params"][0] for e in client.events[since:] if e["event"] == "StatusText"]


def next_status(client, since, what, seconds=30.0):
    """The first StatusText heard after event number `since`."""
    deadline = time.time() + seconds
    while True:
        texts = status_texts(client, since)
        if texts:
            return texts[0]
        left = deadline - time.time()
        if left <= 0:
            fail("no status text for %s; heard: %r" % (what, status_texts(client, 0)[-10:]))
        message = client.line(left)
        if "event" not in message:
            fail("a reply nobody asked for: %r" % message)
        client.events.append(message)


def icon_columns(image, x0, x1, y0, y1):
    """Runs of columns in the strip whose pixels differ from the strip's
    ground (its most common colour), as (first, last) pairs."""
    counts = {}
    for y in range(y0, y1):
        for x in range(x0, x1):
            p = image.pixel(x, y)
            counts[p] = counts.get(p, 0) + 1
    ground = max(counts, key=counts.get)
    inked = [any(max(abs(a - b) for a, b in zip(image.pixel(x, y), ground)) > 40 for y in range(y0, y1))
             for x in range(x0, x1)]
    runs, start = [], None
    for i, on in enumerate(inked + [False]):
        if on and start is None:
            start = i
        elif not on and start is not None:
            runs.append((x0 + start, x0 + i - 1))
            start = None
    return runs


def toolbar_rows(image, box, top):
    """The rows of the strip between the menu bar and the view that hold
    icons, as (first, last) row pairs."""
    x0, y0, width, _ = box
    rows, start = [], None
    for y in range(y0, top + 1):
        inked = y < top and len(icon_columns(image, x0, x0 + width, y, y + 1)) >= 6
        if inked and start is None:
            start = y
        elif not inked and start is not None:
            # Icons are taller than the menu bar's words.
            if y - start >= 14:
                rows.append((start, y - 1))
            start = None
    return rows


def toolbar_icons(image, box, top, rows=slice(None)):
    """The middles of the icons of button size above the view (in the rows
    of icons chosen)."""
    icons = []
    for first, last in toolbar_rows(image, box, top)[rows]:
        for left, right in icon_columns(image, box[0], box[0] + box[2], first, last + 1):
            if 10 <= right - left + 1 <= 32:  # not a gripper, a separator or a choice
                icons.append(((left + right) // 2, (first + last) // 2))
    return icons


class ToolbarButtons:
    """The toolbar buttons, found on the screen: icons of button size in the
    strip between the menu bar and the view, each named by the help the
    window gives when the pointer enters it. A disabled button gives none
    (it takes no pointer): it is asked again when a later step needs it."""

    def __init__(self, screen, client, box, top, neutral):
        self.screen, self.client, self.neutral = screen, client, neutral
        image = screen.shot()
        rows = toolbar_rows(image, box, top)
        if not rows:
            fail("no row of toolbar icons above the view")
        self.unnamed = toolbar_icons(image, box, top)
        if not self.unnamed:
            fail("no icon of button size above the view")
        # The first button (opening a file) is always enabled: the help it
        # gives when the pointer enters it marks the end of what entering
        # another icon before it made the window say (the window takes X
        # events in order). The pointer never rests on a button: a tool tip
        # that comes and goes makes the button under it say its help again.
        self.reference = self.unnamed.pop(0)
        since = len(client.events)
        self.pass_over(self.reference)
        self.mark = self.said_until(since, lambda t: t != "", "the help of the first toolbar icon")[-1]
        self.named = {self.mark: self.reference}

    def said_until(self, since, last, what):
        """The status texts heard since event number `since`, up to the first
        that `last` accepts."""
        deadline = time.time() + 30
        while True:
            said = status_texts(self.client, since)
            ends = [i for i, t in enumerate(said) if last(t)]
            if ends:
                return said[:ends[0] + 1]
            if time.time() > deadline:
                fail("no status text for %s; heard %r" % (what, said))
            message = self.client.line(deadline - time.time())
            if "event" not in message:
                fail("a reply nobody asked for: %r" % message)
            self.client.events.append(message)

    def pass_over(self, *places, click=False):
        """The pointer passes over the places (clicking the last) and comes
        back to the neutral place in the view."""
        moves = []
        for x, y in places:
            moves += ["mousemove", str(x), str(y)]
        if click:
            moves += ["click", "1"]
        self.screen.run("xdotool", *moves, "mousemove", str(self.neutral[0]), str(self.neutral[1]))

    def help_at(self, x, y):
        """What the window says when the pointer enters (x, y); None for nothing."""
        since = len(self.client.events)
        self.pass_over((x, y), self.reference)
        said = self.said_until(since, lambda t: t == self.mark, "the pointer's passing over %d,%d" % (x, y))
        helps = [t for t in said[:-1] if t]
        return helps[0] if helps else None

    def find(self, help_text):
        for place in list(self.unnamed):
            if help_text in self.named:
                break
            said = self.help_at(*place)
            if said is not None:
                self.named[said] = place
                self.unnamed.remove(place)
        if help_text not in self.named:
            fail("no enabled toolbar button helps with %r; found %r" % (help_text, sorted(self.named)))
        return self.named[help_text]


def main():
    fennix, scene, mode = sys.argv[1:4]
    server, display = start_xvfb()
    screen = Screen(display)
    runtime = tempfile.mkdtemp(prefix="fennix-status-")
    env = dict(screen.env, LIBGL_ALWAYS_SOFTWARE="1", XDG_RUNTIME_DIR=runtime)
    program = subprocess.Popen([fennix, scene, "--listen"], env=env, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    try:
        path = program.stdout.readline().decode().strip()
        client = Client(path)
        client.wait_event("StartSession")
        window = screen.window(os.path.basename(scene), program)
        box = screen.geometry(window)
        canvas = canvas_box(box)

        def text():
            return client.call("SaveToString")

        if mode == "narrow":
            shot = screen.shot()
            # The number strip is the last row: the buttons are those above.
            above_strip = slice(None, -1)
            wide = toolbar_icons(shot, box, chrome_height(shot, box), above_strip)
            screen.run("xdotool", "windowsize", window, str(NARROW_WIDTH), str(box[3]))

            def all_shown():
                shot, now = screen.shot(), screen.geometry(window)
                if now[2] != NARROW_WIDTH:
                    return None
                icons = toolbar_icons(shot, now, chrome_height(shot, now), above_strip)
                # (A checked button counts once its ground falls outside a row.)
                return icons if len(icons) >= len(wide) else None

            until(all_shown, "the %d toolbar buttons all shown in a window %d pixels wide"
                  % (len(wide), NARROW_WIDTH))
            print("PASS: all %d toolbar buttons stay shown when the window is made %d pixels wide"
                  % (len(wide), NARROW_WIDTH))
            return

        if mode == "progress":
            big = os.path.join(runtime, "many_boxes.kvrx")
            with open(big, "w") as out:
                out.write('#VRML V1.0 ascii 102\nSeparator {\nNodeName\t"ROOT"\n')
                for i in range(BIG_SCENE_OBJECTS):
                    out.write('Object {\nNodeName\t"box %d"\nTransform {\n\ttranslation (%d,0,%d)\n}\n'
                              'Separator {\nCube {\n}\n}\n}\n' % (i, i % 150 * 2, i // 150 * 2))
                out.write("}\n")
            since = len(client.events)
            # Long work by design: a slow build on a loaded machine takes minutes.
            client.call("LoadFile", big, True, 0, timeout=300.0)
            if 'NodeName\t"box %d"' % (BIG_SCENE_OBJECTS - 1) not in text():
                fail("the big scene was not read whole")
            heard = status_texts(client, since)
            steps = [t for t in heard if t.startswith("Reading scene... ")]
            if len(steps) < 5:
                fail("the read showed %d progress steps on the status line: %r" % (len(steps), heard))
            percents = [int(re.match(r"Reading scene\.\.\. (\d+) %$", t).group(1)) for t in steps]
            if percents != sorted(set(percents)) or percents[-1] != 100:
                fail("the read's progress did not rise to 100 %%: %r" % percents)
            after = heard[heard.index(steps[-1]) + 1:]
            if not after or after[0] != "":
                fail("the status line was not cleared when the read ended: %r" % after)
            print("PASS: a big scene's read showed %d rising steps on the status line, cleared at its end"
                  % len(steps))
            return

        # ---- The toolbar buttons, found and pressed.
        before = text()
        box_block = object_block(before, "box")
        image = until(lambda: screen.shot(), "a picture")
        reds = [(x, y) for y in range(canvas[1], canvas[1] + canvas[3], 3)
                for x in range(canvas[0], canvas[0] + canvas[2] // 2, 3) if is_red(image.pixel(x, y))]
        if box_block is None or not reds:
            fail("the box is not to be seen")
        bx = sum(x for x, _ in reds) // len(reds)
        by = sum(y for _, y in reds) // len(reds)
        neutral = (canvas[0] + 5, canvas[1] + canvas[3] - 5)
        buttons = ToolbarButtons(screen, client, box, canvas[1], neutral)

        def press(help_text, what):
            place = buttons.find(help_text)
            since = len(client.events)
            buttons.pass_over(place, click=True)
            # The help the pointer's entering gives comes first.
            deadline = time.time() + 30
            while True:
                said = [t for t in status_texts(client, since) if t != help_text]
                if said:
                    return said[0]
                if time.time() > deadline:
                    fail("pressing %s said nothing on the status line" % what)
                client.events.append(client.line(deadline - time.time()))

        def count(t):
            return t.count('NodeName\t"box"')

        screen.run("xdotool", "mousemove", str(bx), str(by), "click", "1")
        cases = [
            # help of the button, what the status line says, the scene after it
            ("Copy the selected objects", "Copy: Copy the selected objects", lambda t: count(t) == 1),
            ("Paste the copied objects", "Paste: done", lambda t: count(t) == 2),
            ("Undo the last change", "Undo: done", lambda t: t == before),
            ("Redo the change undone last", "Redo: done", lambda t: count(t) == 2),
            ("Undo the last change", "Undo: done", lambda t: t == before),
        ]
        for help_text, said, scene_test in cases:
            heard = press(help_text, help_text)
            if heard != said:
                fail("pressing %r said %r, not %r" % (help_text, heard, said))
            shown = text()
            if not scene_test(shown):
                fail("after pressing %r the scene is not as it should be:\n%s" % (help_text, shown))
            if object_block(shown, "box") != box_block:
                fail("pressing %r changed the box's own text" % help_text)
        # Delete acts on the selected box; Undo brings it back exactly.
        screen.run("xdotool", "mousemove", str(bx), str(by), "click", "1")
        press("Delete the selected objects", "Delete")
        if count(until(lambda: (lambda t: t if count(t) == 0 else None)(text()), "the delete")) != 0:
            fail("Delete left the box")
        press("Undo the last change", "Undo")
        if text() != before:
            fail("Undo after Delete did not give the scene text back")
        print("PASS: %d toolbar buttons found by their help; Copy, Paste, Undo, Redo and Delete pressed acted "
              "and said so on the status line" % len(buttons.named))
    finally:
        if program.poll() is None:
            program.kill()
        program.wait()
        server.kill()


if __name__ == "__main__":
    main()
