#!/usr/bin/env python3
"""fennix SCENE's editing dialogs under a virtual X server of this test's own,
driven by real X events.

  fennix_dialogs_test.py CASE FENNIX DATA_DIR WORK_DIR [EXIT_SECONDS]

Cases:
  colour-ok-undo      a click selects the yellow box; Edit > Material opens
                      the colour dialog; Home on its red slider takes the red
                      out; Return presses OK: the box shows green. Edit > Undo
                      makes it yellow again.
  colour-cancel       as colour-ok-undo, but Escape presses Cancel: the box
                      is yellow again at once (the slider's change, made
                      through the dialog window's events, was the dialog's).
  close-with-dialogs  Window > Layers and Window > Animation open, then
                      Ctrl+Q: the program ends with status 0 within a few
                      seconds (the dialogs close before the window).
  named-and-escaped   each dialog of the Window menu opens with its name as
                      its title, and Escape closes it (the layers list, the
                      scene tree and the parametric model's tree included).
"""
import os
import shutil
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import fennix_window_faults_test as faults  # noqa: E402
from fennix_window_test import fail, wait_for_focus  # noqa: E402
from fennix_select_drag_test import extent, is_yellow  # noqa: E402


def is_green_box(p):
    return p[1] > 100 and p[0] < 60 and p[2] < 60


def shares(w):
    picture = w.picture()
    flat = [p for row in picture for p in row]
    return sum(1 for p in flat if is_yellow(p)), sum(1 for p in flat if is_green_box(p)), len(flat)


def own_windows(w):
    found = w.run("xdotool", "search", "--onlyvisible", "--pid", str(w.program.pid), check=False)
    return set(found.decode().split()) if isinstance(found, bytes) else set(found.split())


def new_window(w, before, seconds=30):
    deadline = time.time() + seconds
    while time.time() < deadline:
        fresh = own_windows(w) - before - {w.id}
        if fresh:
            return sorted(fresh)[0]
        time.sleep(0.2)
    return None


def menu(w, opener, *path):
    w.run("xdotool", "mousemove", *w.at(10, w.box[3] - 10))
    w.screen.choose(w.id, opener, *path)


def case_colour_ok_undo(fennix, data, work):
    return colour_dialog(fennix, data, work, cancel=False)


def case_colour_cancel(fennix, data, work):
    return colour_dialog(fennix, data, work, cancel=True)


def colour_dialog(fennix, data, work, cancel):
    scene = os.path.join(work, "colour_dialog.kvrx")
    shutil.copyfile(os.path.join(data, "yellow_box_alone.kvrx"), scene)
    w = faults.Window(fennix, scene)
    try:
        picture = w.picture()
        found = [(x * 4, y * 4) for y, row in enumerate(picture) for x, p in enumerate(row) if is_yellow(p)]
        box = extent(found)
        if box is None:
            fail("the window does not show the yellow box")
        w.click(int(box[4]), int(box[5]))
        w.settled()
        yellow_before, _, _ = shares(w)
        before = own_windows(w)
        menu(w, "alt+e", "m")
        dialog = new_window(w, before)
        if dialog is None:
            fail("Edit > Material opened no dialog")
        # The dialog is shown; the keys go to it once it has the keyboard,
        # and are taken in the order they are typed.
        wait_for_focus(w.screen, dialog)
        w.key("Home", dialog)
        w.key("Escape" if cancel else "Return", dialog)
        deadline = time.time() + 10
        while time.time() < deadline and dialog in own_windows(w):
            time.sleep(0.2)
        if dialog in own_windows(w):
            fail("the colour dialog is still shown after " + ("Escape" if cancel else "Return"))
        w.settled()
        yellow, green, total = shares(w)
        if cancel:
            if yellow < yellow_before * 0.8 or green > yellow_before * 0.2:
                fail("Cancel did not bring the yellow back (yellow %d, green %d, was %d)"
                     % (yellow, green, yellow_before))
            return "the colour dialog's red slider and Cancel left the box yellow"
        if green < yellow_before * 0.5 or yellow > yellow_before * 0.2:
            fail("the box did not turn green (yellow %d of %d before, now yellow %d, green %d)"
                 % (yellow_before, total, yellow, green))
        menu(w, "alt+e", "u")
        w.settled()
        yellow, green, total = shares(w)
        if yellow < yellow_before * 0.8 or green > yellow_before * 0.2:
            fail("Edit > Undo did not bring the yellow back (yellow %d, green %d, was %d)"
                 % (yellow, green, yellow_before))
        return "the colour dialog's red slider and OK turned the box green; Undo made it yellow again"
    finally:
        w.close()


def case_close_with_dialogs(fennix, data, work):
    w = faults.Window(fennix, os.path.join(data, "sample_scene.kvrx"))
    try:
        before = own_windows(w)
        menu(w, "alt+w", "l")
        layers = new_window(w, before)
        if layers is None:
            fail("Window > Layers opened no dialog")
        before = own_windows(w)
        menu(w, "alt+w", "n")
        if new_window(w, before) is None:
            fail("Window > Animation opened no dialog")
        w.key("ctrl+q")
        w.wait_exit(faults.EXIT_SECONDS)
        return "Ctrl+Q with two dialogs open exited 0"
    finally:
        w.close()


def case_named_and_escaped(fennix, data, work):
    w = faults.Window(fennix, os.path.join(data, "sample_scene.kvrx"))
    try:
        for key, title in (("l", "Layers"), ("r", "Arbelo View"), ("n", "Animation"), ("d", "Display"),
                           ("p", "Create/Edit Parametric Model")):
            before = own_windows(w)
            menu(w, "alt+w", key)
            dialog = new_window(w, before)
            if dialog is None:
                fail("Window > %s opened no dialog" % title)
            shown = w.run("xdotool", "getwindowname", dialog, check=False)
            shown = (shown.decode() if isinstance(shown, bytes) else shown).strip()
            if shown != title:
                fail("Window > %s opened a dialog titled %r" % (title, shown))
            wait_for_focus(w.screen, dialog)
            w.key("Escape", dialog)
            deadline = time.time() + 10
            while time.time() < deadline and dialog in own_windows(w):
                time.sleep(0.2)
            if dialog in own_windows(w):
                fail("the %s dialog is still shown after Escape" % title)
        return "each dialog of the Window menu shows its name and closes with Escape"
    finally:
        w.close()


CASES = {
    "colour-ok-undo": case_colour_ok_undo,
    "colour-cancel": case_colour_cancel,
    "close-with-dialogs": case_close_with_dialogs,
    "named-and-escaped": case_named_and_escaped,
}


def main():
    case, fennix, data, work = sys.argv[1:5]
    if len(sys.argv) > 5:
        faults.EXIT_SECONDS = int(sys.argv[5])
    os.makedirs(work, exist_ok=True)
    print("PASS: " + CASES[case](fennix, data, work))


if __name__ == "__main__":
    main()
