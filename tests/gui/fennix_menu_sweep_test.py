#!/usr/bin/env python3
"""fennix SCENE --listen under a virtual X server of this test's own: every
menu entry, reached with real keys (Alt and the menu's letter, Down, Right
into a submenu, Return), is either disabled (the keys pass it by) or, run,
says on the status line what it did or why it could not.

  fennix_menu_sweep_test.py FENNIX SCENE [MENU_LETTERS]

The status line is heard through the channel's StatusText event: a
highlighted entry's help, then the command's "Label: outcome". The sweep runs
with nothing selected, then, over Edit and Modify, with everything
selected. After each entry the
windows it opened are closed with Escape and a scene it changed is read
again, so that every entry meets the same scene. An entry that says "done"
changed the scene text; one that says why not left it alone.
"""
import json
import os
import re
import select
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from fennix_window_test import (  # noqa: E402
    Screen, canvas_box, crop, fail, has_focus, share_changed, start_xvfb, wait_until)
from fennix_channel_test import Client  # noqa: E402

# The menu bar's letters; File comes last, since its last entry ends the program.
MENUS = ["e", "v", "c", "m", "s", "w", "h", "f"]
# The menus whose entries act most on the selection: Edit and Modify.
SELECTION_MENUS = ["e", "m"]
SUBMENU = re.compile(r"^Open the (.*) submenu$")
EXIT_HELP = "Close the window"
# More entries than any menu holds: a menu that never comes round is broken.
MOST_ENTRIES = 80
# Seconds of silence after which the wait for the status line types Escape
# without a window of ours to send it to.
BLIND_ESCAPE_AFTER = 10


class StatusLine:
    """The StatusText events of the channel, in order."""

    def __init__(self, client):
        self.client = client
        self.seen = 0

    def drain(self):
        self.client.call("GetAppParam", "menu-sweep")  # a round trip: earlier events are in
        self.seen = len(self.texts())

    def poll(self, timeout):
        """One line of the channel when one comes within `timeout`, else None."""
        client = self.client
        while b"\n" not in client.buffer:
            if not select.select([client.sock], [], [], timeout)[0]:
                return None
            data = client.sock.recv(65536)
            if not data:
                fail("the channel closed")
            client.buffer += data
        text, client.buffer = client.buffer.split(b"\n", 1)
        return json.loads(text)

    def texts(self):
        return [e["params"][0] for e in self.client.events if e["event"] == "StatusText"]

    def next(self, timeout=20.0, while_waiting=None):
        """The next status text; `while_waiting` is asked between reads
        (it closes windows a command opened)."""
        end = time.time() + timeout
        while len(self.texts()) <= self.seen:
            if time.time() > end:
                return None
            message = self.poll(0.2)
            if message is not None:
                if "event" not in message:
                    fail("a reply nobody asked for: %r" % message)
                self.client.events.append(message)
            elif while_waiting:
                while_waiting()
        text = self.texts()[self.seen]
        self.seen += 1
        return text


def main():
    fennix, sample = sys.argv[1:3]
    # A developer may sweep some menus only (their letters, "mswhf").
    only = sys.argv[3] if len(sys.argv) > 3 else None
    folder = tempfile.mkdtemp(prefix="fennix-sweep-")
    scene = os.path.join(folder, "sweep.kvrx")
    shutil.copyfile(sample, scene)
    server, display = start_xvfb()
    screen = Screen(display)
    env = dict(screen.env, LIBGL_ALWAYS_SOFTWARE="1", XDG_RUNTIME_DIR=folder, HOME=folder)
    program = subprocess.Popen([fennix, scene, "--listen"], env=env, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    try:
        client = Client(program.stdout.readline().decode().strip())
        client.wait_event("StartSession")
        window = screen.window(os.path.basename(scene), program)
        status = StatusLine(client)
        original = client.call("SaveToString")

        # Modeless windows that Escape does not close (the layers list has no
        # Cancel): they stay open beside the window, which goes on working.
        stayed = set()

        def own_windows():
            found = screen.run("xdotool", "search", "--onlyvisible", "--pid", str(program.pid), check=False)
            return set(found.decode().split()) - {window} - stayed

        def key(name):
            # Typed (not sent to a window): an open menu holds the keyboard.
            screen.run("xdotool", "key", name)

        def focus(target):
            screen.run("xdotool", "windowfocus", "--sync", target, check=False)

        # What close_others closed while an entry ran: a dialog may open
        # before its "done" reaches the status line, and the wait closes it.
        closed = set()
        blind = {"sent": False, "last": 0.0}

        def close_others():
            others = own_windows()
            closed.update(others)
            for other in others:
                focus(other)
                key("Escape")
            if not others and time.time() - blind["last"] > BLIND_ESCAPE_AFTER:
                # A pop-up menu holds the keyboard and is no window of ours.
                # Not sooner: an Escape typed ahead would close a dialog
                # that is still coming before anyone saw it.
                key("Escape")
                blind["sent"] = True
                blind["last"] = time.time()

        def help_after(name, alone=None):
            """Presses a key in an open menu: the help of the entry it
            highlights. Down in a menu of one enabled entry highlights
            nothing new: `alone` is that entry's help, given back then."""
            key(name)
            text = status.next(5 if alone is not None else 20)
            if text is None and alone is not None:
                return alone
            if text is None:
                fail("no entry was highlighted after %s" % name)
            return text

        def open_at(letter, path, downs):
            """Opens the menu, goes down each submenu of `path`, then `downs`
            entries: the highlighted entry's help."""
            status.drain()
            text = help_after("alt+" + letter)
            for steps in path:
                for _ in range(steps):
                    text = help_after("Down")
                text = help_after("Right")
            # (Submenus are entered going down: they are few and near the top.)
            for _ in range(abs(downs)):
                text = help_after("Down" if downs > 0 else "Up")
            return text

        def close_menus(depth):
            for _ in range(depth + 1):
                key("Escape")

        def restore(select_all):
            if own_windows():
                close_others()
                if wait_until(lambda: not own_windows(), 20) is None and own_windows():
                    stayed.update(own_windows())
                    sys.stderr.write("left open: %s\n" % sorted(stayed))
            if client.call("SaveToString") != original:
                client.call("LoadFile", scene, True, 0)
                wait_until(lambda: client.call("SaveToString") == original, 20)
            # A tool an entry started (a curve's editing holds the pointer)
            # gives way to selecting, as the toolbar's arrow would make it.
            client.call("Select", 0)
            focus(window)
            status.drain()
            key("ctrl+a" if select_all else "ctrl+shift+a")
            if status.next() is None:
                fail("Select All or None said nothing (windows open: %s; last entries: %s)"
                     % (own_windows(), list(ran.values())[-3:]))

        def describe_windows():
            return ["%s %r" % (w, screen.run("xdotool", "getwindowname", w, check=False).decode(errors="replace").strip())
                    for w in sorted(own_windows() | stayed)]

        ran = {}

        canvas = canvas_box(screen.geometry(window))

        def picture():
            return crop(screen.shot(), canvas)

        def run_entry(help_text, depth, select_all, where):
            before = client.call("SaveToString")
            # The view's commands may change only what a scene file does not
            # hold (the axis, the grid): their picture is kept to compare.
            shown = picture() if where == "alt+v" else None
            status.drain()
            closed.clear()
            blind.update(sent=False, last=time.time())
            key("Return")
            outcome = status.next(60, close_others)
            if outcome is None:
                fail("%s (%s) said nothing on the status line" % (where, help_text))
            label, colon, what = outcome.partition(": ")
            if not colon or not what.strip():
                fail("%s (%s) said %r: no label and outcome" % (where, help_text, outcome))
            after = client.call("SaveToString")
            if what == "done" and after == before and label not in ("Undo", "Redo"):
                # What a scene file does not hold (the axis, the grid) shows in the view.
                # A dialog the entry opened is what it did: on a loaded machine its
                # window may come after the status line.
                def acted():
                    # An Escape into a window that held the keyboard also closed what the entry opened.
                    return closed or blind["sent"] or own_windows() or (shown is not None and share_changed(shown, picture()) > 0.001)
                if wait_until(acted, 30) is None:
                    fail("%s says it was done; the scene text and the view are the same" % outcome)
            ran[(select_all, where, help_text)] = outcome
            sys.stderr.write("%s: %s\n" % (where, outcome))
            restore(select_all)

        def sweep(letter, path, select_all, where):
            # The enabled entries in order: Down until the first comes round.
            helps = [open_at(letter, path, 0)]
            while True:
                help_text = help_after("Down", helps[0] if len(helps) == 1 else None)
                if help_text == helps[0]:
                    break
                helps.append(help_text)
                if len(helps) > MOST_ENTRIES:
                    fail("the %s menu never came round to its first entry" % where)
            close_menus(len(path))
            count = len(helps)
            done = set()
            for index in range(count):
                # The nearer way round: Up from the first goes to the last.
                help_text = open_at(letter, path, index if index <= count // 2 else index - count)
                submenu = SUBMENU.match(help_text)
                if submenu or help_text == EXIT_HELP or help_text in done:
                    close_menus(len(path))
                    if submenu:
                        sweep(letter, path + [index], select_all, where + " > " + submenu.group(1))
                    continue
                done.add(help_text)
                run_entry(help_text, len(path), select_all, where)

        # Everything selected changes what the menus of the scene offer.
        for select_all, letters in ((False, MENUS), (True, SELECTION_MENUS)):
            letters = [letter for letter in letters if only is None or letter in only]
            if not letters:
                continue
            restore(select_all)
            for letter in letters:
                sweep(letter, [], select_all, "alt+" + letter)
        if only is None and len(ran) < 60:
            fail("only %d entries ran: %r" % (len(ran), sorted(ran.values())))

        # Exit last: the window closes and the program ends cleanly.
        restore(False)

        def ready_to_exit():
            # A dialog an entry opened may show only now on a loaded machine;
            # Ctrl+Q typed into it would not reach the window's menus.
            if own_windows():
                close_others()
                return False
            focus(window)
            return has_focus(screen, window)

        if wait_until(ready_to_exit, 60) is None:
            fail("the window never had the focus again for File > Exit (windows open: %s)" % describe_windows())
        status.drain()
        key("ctrl+q")
        try:
            code = program.wait(timeout=60)
        except subprocess.TimeoutExpired:
            fail("File > Exit did not end the program (windows open: %s; window focused: %s; last status texts: %s)"
                 % (describe_windows(), has_focus(screen, window), status.texts()[-3:]))
        if code != 0:
            fail("the program ended with status %d" % code)
        refused = sum(1 for text in ran.values() if not text.endswith(": done"))
        print("PASS: %d menu entries ran (%d with nothing selected, %d with everything), each said what came of it "
              "on the status line; the others were disabled" % (
                  len(ran), sum(1 for k in ran if not k[0]), sum(1 for k in ran if k[0])) +
              " (%d said why they did nothing or what mode they set)" % refused)
    finally:
        if program.poll() is None:
            program.kill()
        program.wait()
        server.kill()
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    main()
