#!/usr/bin/env python3
"""fennix SCENE --stdio under a virtual X server of this test's own: the
window answers JSON lines on its standard input and output (a malformed line
with an error, StartSession once), and stays open when input ends.

  fennix_stdio_window_test.py FENNIX SCENE
"""
import json
import os
import select
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from fennix_window_test import Screen, crop, fail, share_changed, start_xvfb, wait_until  # noqa: E402


def main():
    fennix, scene = sys.argv[1:3]
    server, display = start_xvfb()
    screen = Screen(display)
    env = dict(screen.env, LIBGL_ALWAYS_SOFTWARE="1")
    program = subprocess.Popen([fennix, scene, "--stdio"], env=env, stdin=subprocess.PIPE,
                               stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    try:
        program.stdin.write(b'{"id": 1, "method": "GetToolState", "params": [98]}\n{bad\n'
                            b'{"id": 2, "method": "SaveToString"}\n')
        program.stdin.flush()
        lines = []
        end = time.time() + 20
        while len(lines) < 4 and time.time() < end:
            if select.select([program.stdout], [], [], 1)[0]:
                lines.append(json.loads(program.stdout.readline()))
        replies = [l for l in lines if "event" not in l]
        events = [l for l in lines if "event" in l]
        if [r.get("id") for r in replies] != [1, None, 2]:
            fail("replies %r" % replies)
        if replies[0]["result"] != 0 or "error" not in replies[1] or "Separator" not in replies[2]["result"]:
            fail("wrong answers %r" % [str(r)[:80] for r in replies])
        if [e["event"] for e in events] != ["StartSession"]:
            fail("events %r" % events)
        window = screen.window(os.path.basename(scene), program)
        box = screen.geometry(window)
        before = crop(screen.shot(), box)
        program.stdin.close()
        # The end of input is taken in by the window's event loop; a resize
        # drawn after it shows that loop still runs the window.
        screen.run("xdotool", "windowsize", window, "500", "400")
        if not wait_until(lambda: program.poll() is not None or share_changed(before, crop(screen.shot(), box)) > 0):
            fail("the window did not draw itself at its new size")
        if program.poll() is not None:
            fail("the window closed when input ended")
        print("PASS: the window answers on standard input and output")
    finally:
        if program.poll() is None:
            program.kill()
            program.wait()
        server.terminate()


if __name__ == "__main__":
    main()
