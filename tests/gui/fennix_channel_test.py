#!/usr/bin/env python3
"""fennix SCENE --create sphere --listen under a virtual X server of this
test's own, driven through its scripting channel as a script in another
language would (standard library only): the socket's path comes on standard
output, lies in a private 0700 folder and is 0600; StartSession comes once;
hostile lines get error replies and the channel goes on; real X events that
create a sphere give CreateToolStart and CreateToolFinish with a handle on
every client; SaveToString then holds the sphere; a sphere made with
CreateNode and InsertNode shows in the view and SetVal/GetVal round-trip its
radius; EnableEvent then a real click on the box gives one ClickEvent
with its name; choosing a creation tool presses its button
(ChangeButtonState); Undo after a change gives back the scene text as it
was; CreateViewer opens a second window showing the scene and answers a
checked 32-bit handle, and the program still ends cleanly with it open;
Reset in the custom spline dialog gives CustomEvent1 "rL1"; the
socket goes when the window closes.

  fennix_channel_test.py FENNIX SCENE
"""
import base64
import json
import os
import select
import socket
import stat
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from fennix_window_test import (  # noqa: E402
    Screen, canvas_box, crop, fail, has_focus, settle, share_changed, start_xvfb, wait_until)


# Ends only a wait for a line that never comes: a sanitizer build on a
# machine loaded on every core answers a call in tens of seconds.
CHANNEL_WAIT = 120.0


class Client:
    def __init__(self, path):
        self.sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        self.sock.connect(path)
        self.buffer = b""
        self.events = []
        self.next_id = 1

    def line(self, timeout=CHANNEL_WAIT):
        end = time.time() + timeout
        while b"\n" not in self.buffer:
            left = end - time.time()
            if left <= 0 or not select.select([self.sock], [], [], left)[0]:
                fail("no line from the channel in %g s" % timeout)
            data = self.sock.recv(65536)
            if not data:
                fail("the channel closed")
            self.buffer += data
        text, self.buffer = self.buffer.split(b"\n", 1)
        return json.loads(text)

    def reply(self, timeout=CHANNEL_WAIT):
        while True:
            message = self.line(timeout)
            if "event" in message:
                self.events.append(message)
            else:
                return message

    def call(self, method, *params, timeout=CHANNEL_WAIT):
        """The result of `method`; `timeout` only ends a wait for a reply that
        does not come."""
        request_id = self.next_id
        self.next_id += 1
        self.sock.sendall((json.dumps({"id": request_id, "method": method, "params": list(params)}) + "\n").encode())
        message = self.reply(timeout)
        if message.get("id") != request_id:
            fail("reply %r to request %d" % (message, request_id))
        if "error" in message:
            fail("%s: %s" % (method, message["error"]["message"]))
        return message["result"]

    def wait_event(self, name, timeout=CHANNEL_WAIT):
        end = time.time() + timeout
        while not any(e["event"] == name for e in self.events):
            if time.time() > end:
                fail("no %s event; events: %r" % (name, self.events))
            message = self.line(end - time.time())
            if "event" not in message:
                fail("a reply nobody asked for: %r" % message)
            self.events.append(message)
        return [e for e in self.events if e["event"] == name]


def main():
    fennix, scene = sys.argv[1:3]
    server, display = start_xvfb()
    screen = Screen(display)
    runtime = tempfile.mkdtemp(prefix="fennix-channel-")
    env = dict(screen.env, LIBGL_ALWAYS_SOFTWARE="1", XDG_RUNTIME_DIR=runtime)
    out = os.path.join(runtime, "closed.kvrx")  # written at the close: no question asked
    program = subprocess.Popen([fennix, scene, "--create", "sphere", "--save-on-close", out, "--listen"], env=env,
                               stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    try:
        path = program.stdout.readline().decode().strip()
        if not path.startswith(runtime + "/"):
            fail("the socket %r is not under XDG_RUNTIME_DIR %s" % (path, runtime))
        if stat.S_IMODE(os.stat(path).st_mode) != 0o600:
            fail("the socket's mode is %o" % stat.S_IMODE(os.stat(path).st_mode))
        if stat.S_IMODE(os.stat(os.path.dirname(path)).st_mode) != 0o700:
            fail("the socket's folder is not private")
        first, second = Client(path), Client(path)
        starts = first.wait_event("StartSession")
        window = screen.window(os.path.basename(scene), program)
        box = screen.geometry(window)
        # A reply comes after every event sent before it: a second
        # StartSession would be among the events taken in on the way.
        first.call("GetStateInt", 0)
        if len(first.wait_event("StartSession")) != 1:
            fail("StartSession came %d times" % len(starts))

        for raw in [b"{nope\n", b"[1]\n", b"{\"id\": 5, \"method\": \"Drop\"}\n",
                    b"{\"id\": 6, \"method\": \"ModelInfo\", \"params\": [0, 98765432101]}\n",
                    b"{\"id\": 7, \"method\": \"ChangeView\", \"params\": [1e300]}\n"]:
            first.sock.sendall(raw)
            if "error" not in first.reply():
                fail("no error reply to %r" % raw)
        before = first.call("SaveToString")
        if "Separator" not in before:
            fail("SaveToString returned no scene")

        cx, cy = box[0] + box[2] // 2, box[1] + box[3] // 2
        screen.run("xdotool", "mousemove", str(cx), str(cy + 40), "click", "1")
        # The first click starts the creation on every client.
        first.wait_event("CreateToolStart")
        for step in range(1, 6):
            screen.run("xdotool", "mousemove", str(cx + 12 * step), str(cy + 40))
            time.sleep(0.05)
        screen.run("xdotool", "click", "1")
        for client in (first, second):
            started = client.wait_event("CreateToolStart")
            finished = client.wait_event("CreateToolFinish")
            if not finished[-1]["params"][1]:
                fail("CreateToolFinish without the object's handle: %r" % finished)
        handle = first.events[-1]["params"][1]
        info = first.call("ModelInfo", 0, handle)
        after = first.call("SaveToString")
        if "Sphere" not in after or after == before:
            fail("SaveToString does not hold the new sphere")
        # A sphere made and put into the scene by handle shows in the view.
        canvas = canvas_box(box)
        shown = settle(screen, canvas, previous=True)
        made = first.call("CreateNode", "Sphere")
        if first.call("InsertNode", 0, made, 0, 0) != 1:
            fail("InsertNode refused the sphere")
        if first.call("SetVal", made, "radius", "2.5") != 1 or first.call("GetVal", int(made), "radius") != "2.5":
            fail("SetVal/GetVal do not round-trip the radius")
        first.call("Redraw")
        inserted = settle(screen, canvas, previous=shown)
        if share_changed(shown, inserted) < 0.02:
            fail("the inserted sphere does not show (%.3f of the view changed)" % share_changed(shown, inserted))
        sphere_share = share_changed(shown, inserted)
        whole = first.call("SaveToString")
        if "radius 2.5" not in whole or whole.count("{") != whole.count("}"):
            fail("SaveToString does not hold the whole scene with the inserted sphere")
        # A thumbnail is drawn offscreen, in the window's own process: the
        # first one loads the offscreen GL library, and every GL call goes
        # there from then on. The window must go on drawing.
        thumbnail = base64.b64decode(first.call("GetThumbnail", 64, 48))
        if thumbnail[:2] != b"BM" or len(thumbnail) < 64 * 48 * 3:
            fail("GetThumbnail gave no 64x48 picture (%d bytes)" % len(thumbnail))
        if first.call("SetVal", made, "radius", "0.5") != 1:
            fail("SetVal refused the smaller radius")
        first.call("Redraw")
        shrunk = settle(screen, canvas, previous=inserted)
        if share_changed(inserted, shrunk) < 0.01:
            fail("the view stopped following the scene after a thumbnail (%.3f changed)"
                 % share_changed(inserted, shrunk))
        first.call("ActivateViewTool", 2)  # the zoom tool: its button goes down
        if not first.wait_event("ChangeButtonState"):
            fail("no ChangeButtonState")
        first.sock.close()
        if second.call("GetStateInt", 0) != 0:
            fail("the second client is not answered after the first left")

        # EnableEvent, then a real click on the box: one ClickEvent with its name.
        second.call("Select", 0)
        second.call("EnableEvent", 1)
        canvas = canvas_box(box)
        bx, by = canvas[0] + canvas[2] * 27 // 100, canvas[1] + canvas[3] * 55 // 100
        screen.run("xdotool", "mousemove", str(bx), str(by), "click", "1")
        second.wait_event("ClickEvent")
        second.call("GetStateInt", 0)  # takes in any event sent before its reply
        clicks = [e for e in second.events if e["event"] == "ClickEvent"]
        if len(clicks) != 1 or clicks[0]["params"] != ["box"]:
            fail("a click on the box gave %r" % clicks)

        # Choosing a creation tool (the box, button 2) presses its button.
        second.events = []
        second.call("OnCreateTool", 2)
        pressed = second.wait_event("ChangeButtonState")
        if [2, 1] not in [e["params"] for e in pressed]:
            fail("choosing the box tool gave %r" % pressed)
        second.call("RotateSceneTool")

        # Undo after a change gives back the scene text as it was.
        unchanged = second.call("SaveToString")
        cube = second.call("CreateNode", "Cube")
        if second.call("InsertNode", 0, cube, 0, 0) != 1 or second.call("SaveToString") == unchanged:
            fail("inserting a cube did not change the scene")
        second.call("Undo", False)
        if second.call("SaveToString") != unchanged:
            fail("Undo did not restore the scene text")

        # The custom spline dialog's Reset reaches every client as CustomEvent1 "r<name>".
        second.events = []
        second.call("OpenDialog", 95, "L1")
        dialog = screen.window("Lower Arch")
        dx, dy, dw, dh = screen.geometry(dialog)
        # Reset sits left of OK in the dialog's bottom right corner.
        screen.run("xdotool", "mousemove", str(dx + dw - 144), str(dy + dh - 28), "click", "1")
        custom = second.wait_event("CustomEvent1")
        if [e["params"] for e in custom] != [["rL1"]]:
            fail("Reset in the custom dialog gave %r" % custom)

        # A second view of the scene in a window of its own, named by a checked 32-bit handle.
        viewer = second.call("CreateViewer", "Second view", 320, 240)
        if not isinstance(viewer, int) or not 1024 < viewer < 2 ** 31:
            fail("CreateViewer answered %r, not a viewer handle" % viewer)
        view = screen.window("Second view")
        view_box = screen.geometry(view)
        if abs(view_box[2] - 320) > 8 or abs(view_box[3] - 240) > 8:
            fail("the second view is %dx%d, not 320x240" % view_box[2:])
        # The scene's shaded spheres and boxes: an empty view is its two-tone
        # background. The first frame takes a moment to come.
        deadline = time.time() + 20
        while True:
            pixels = crop(screen.shot(), view_box)
            tones = len({(p[0] // 16, p[1] // 16, p[2] // 16) for row in pixels for p in row})
            if tones >= 8 or time.time() > deadline:
                break
            time.sleep(0.3)
        if tones < 8:
            fail("the second view shows no scene (%d tones)" % tones)
        if second.call("GetStateInt", 0) != 0:
            fail("the channel stopped answering after the second view opened")
        # Back to the main window, as a user would (the second view has the
        # keyboard): a click on an empty corner of its view, which takes the
        # keyboard back.
        canvas = canvas_box(box)
        screen.run("xdotool", "mousemove", str(canvas[0] + canvas[2] - 20), str(canvas[1] + canvas[3] - 20),
                   "click", "1")
        if not wait_until(lambda: has_focus(screen, window)):
            fail("a click on the main window did not give it the keyboard back")

        screen.type_keys(window, "ctrl+q")
        try:
            status = program.wait(timeout=30)
        except subprocess.TimeoutExpired:
            fail("fennix did not exit after its window was closed")
        if status != 0:
            fail("fennix exited with status %d" % status)
        if os.path.exists(path):
            fail("the socket outlived the window")
        # A window ended by SIGTERM still removes its socket and folder.
        program = subprocess.Popen([fennix, scene, "--listen"], env=env, stdout=subprocess.PIPE,
                                   stderr=subprocess.DEVNULL)
        path = program.stdout.readline().decode().strip()
        Client(path).call("GetStateInt", 0)
        program.terminate()
        try:
            program.wait(timeout=30)
        except subprocess.TimeoutExpired:
            fail("fennix did not end on SIGTERM")
        if os.path.exists(os.path.dirname(path)):
            fail("the socket's folder outlived a terminated window")
        print("PASS: channel of the window: private socket, StartSession once, errors answered, "
              "creation events with handle %d on two clients, button states (ModelInfo %r), an inserted sphere "
              "changing %.2f of the view, a second view (handle %d) showing the scene in %d tones"
              % (handle, info[:40], sphere_share, viewer, tones))
    finally:
        if program.poll() is None:
            program.kill()
            program.wait()
        server.terminate()
        subprocess.run(["rm", "-rf", runtime])


if __name__ == "__main__":
    main()
