#!/usr/bin/env python3
"""fennix SCENE --listen under a virtual X server of this test's own: the
window's scripting channel where it used to break.

- A script's AboutBox is answered at once (the box waits for its click, the
  script does not). While the box is open, a client sends AboutBox and goes,
  another sends two requests: once the box is dismissed, the program is
  still up and answers the other's requests in order.
- CreateViewer of 32767 x 32767 is an error reply before any window opens,
  and the program goes on; OpenDialog 82 (the light dialog) is answered.
- Handles come as JSON integers and are used as the replies give them.
- SIGTERM and SIGINT, after a client's call, end the program with status 0
  and remove the socket's folder, every time.

  fennix_channel_faults_test.py FENNIX SCENE
"""
import json
import os
import select
import signal
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from fennix_channel_test import Client  # noqa: E402
from fennix_window_test import Screen, fail, start_xvfb  # noqa: E402

ABOUT = "About Fennix"


def start(fennix, scene, env):
    program = subprocess.Popen([fennix, scene, "--listen"], env=env, stdout=subprocess.PIPE,
                               stderr=subprocess.PIPE)
    path = program.stdout.readline().decode().strip()
    if not path:
        fail("no socket path; status %r: %s" % (program.poll(), program.stderr.read().decode(errors="replace")))
    return program, path


def ended(program, how):
    try:
        status = program.wait(timeout=30)
    except subprocess.TimeoutExpired:
        fail("fennix did not end after %s" % how)
    if status != 0:
        fail("fennix ended with status %d after %s: %s"
             % (status, how, program.stderr.read().decode(errors="replace")[-2000:]))


def dismiss_boxes(screen):
    """Return on every About box that stands now; how many there were."""
    found = screen.run("xdotool", "search", "--name", ABOUT, check=False).split()
    for window in found:
        # No window manager runs: the box is given the keyboard, then the
        # key is typed as a person types it.
        screen.run("xdotool", "windowfocus", "--sync", window.decode(), check=False)
        screen.run("xdotool", "key", "Return", check=False)
    return len(found)


def line_within(client, seconds):
    """The client's next line, or None when none is whole after `seconds`."""
    end = time.time() + seconds
    while b"\n" not in client.buffer:
        left = end - time.time()
        if left <= 0 or not select.select([client.sock], [], [], left)[0]:
            return None
        data = client.sock.recv(65536)
        if not data:
            fail("the channel closed")
        client.buffer += data
    text, client.buffer = client.buffer.split(b"\n", 1)
    return json.loads(text)


def main():
    fennix, scene = sys.argv[1:3]
    server, display = start_xvfb()
    screen = Screen(display)
    runtime = tempfile.mkdtemp(prefix="fennix-faults-")
    env = dict(screen.env, LIBGL_ALWAYS_SOFTWARE="1", GDK_BACKEND="x11", NO_AT_BRIDGE="1", XDG_RUNTIME_DIR=runtime)
    program = None
    try:
        program, path = start(fennix, scene, env)
        screen.window(os.path.basename(scene), program)
        first = Client(path)
        first.wait_event("StartSession")
        # Answered before anyone clicks the box away.
        if first.call("AboutBox") is not None:
            fail("AboutBox answered with a value")
        screen.window(ABOUT, program)
        leaver = Client(path)
        leaver.sock.sendall(b'{"id": 1, "method": "AboutBox", "params": []}\n')
        leaver.sock.close()
        other = Client(path)
        other.sock.sendall(b'{"id": 11, "method": "GetStateInt", "params": [0]}\n'
                           b'{"id": 12, "method": "IsNull", "params": [0]}\n')
        dismiss_boxes(screen)
        # The replies come in order; an About box the leaver's request opened
        # is clicked away too.
        ids = []
        deadline = time.time() + 60
        while len(ids) < 2:
            if program.poll() is not None:
                fail("fennix ended (status %d) while a client left during a box" % program.returncode)
            if time.time() > deadline:
                fail("the other client's requests were not answered: %r" % ids)
            dismiss_boxes(screen)
            message = line_within(other, 1.0)
            if message is not None and "id" in message:
                ids.append(message["id"])
        if ids != [11, 12]:
            fail("replies out of order: %r" % ids)
        dismiss_boxes(screen)

        # A view larger than GL draws or the screen shows: refused, nothing opens.
        other.sock.sendall(b'{"id": 20, "method": "CreateViewer", "params": ["big", 32767, 32767]}\n')
        reply = other.reply()
        if "error" not in reply or "larger" not in reply["error"]["message"]:
            fail("CreateViewer 32767x32767 was not refused: %r" % reply)
        if screen.run("xdotool", "search", "--name", "^big$", check=False).split():
            fail("a window opened for the refused view")

        # The light dialog opens without holding the reply.
        other.sock.sendall(b'{"id": 21, "method": "OpenDialog", "params": [82, ""]}\n')
        reply = other.reply()
        if reply.get("id") != 21:
            fail("OpenDialog 82 got %r" % reply)

        # Handles as the replies give them.
        made = other.call("CreateNode", "Sphere")
        if not isinstance(made, int) or made <= 0:
            fail("CreateNode answered %r, not an integer handle" % (made,))
        if other.call("InsertNode", 0, made, 0, 0) != 1 or other.call("SetVal", made, "radius", "2.5") != 1:
            fail("the handle was not taken back as given")
        if other.call("GetVal", made, "radius") != "2.5":
            fail("GetVal did not read the radius by the handle")
        if other.call("Release", made) != 1:
            fail("Release did not let the handle go")
        if other.call("GetStateInt", 0) != 0:
            fail("the channel stopped answering")
        program.send_signal(signal.SIGTERM)
        ended(program, "SIGTERM during a session with a client")
        if os.path.exists(os.path.dirname(path)):
            fail("the socket's folder outlived SIGTERM")

        # Every time, either signal.
        for round, which in enumerate([signal.SIGTERM, signal.SIGINT, signal.SIGTERM, signal.SIGINT]):
            program, path = start(fennix, scene, env)
            client = Client(path)
            client.call("GetStateInt", 0)
            program.send_signal(which)
            ended(program, "%s in round %d" % (signal.Signals(which).name, round + 1))
            if os.path.exists(os.path.dirname(path)):
                fail("the socket's folder outlived %s" % signal.Signals(which).name)
        print("PASS: the window's channel: AboutBox answered at once, a client leaving during a box, "
              "replies in order, a too-large view refused, integer handles, four signals ending with status 0")
    finally:
        if program is not None and program.poll() is None:
            program.kill()
            program.wait()
        server.terminate()
        server.wait()
        subprocess.run(["rm", "-rf", runtime])


if __name__ == "__main__":
    main()
