#!/usr/bin/env python3
"""A bounded fuzz of the window's scripting channel: `fennix SCENE --listen`
under a virtual X server of this test's own gets a few thousand lines from
clients that come and go: random bytes, broken JSON, and requests built from
`fennix --describe` (every method that opens no window, with parameters of
their types, wrong types, huge numbers, handles the replies gave). Some
clients leave right after sending, in the middle of their calls. Each client
that stays must get one reply per request, in the order sent; the program
must stay up, answer a last request and end with status 0 on SIGTERM.

  fennix_channel_fuzz_test.py FENNIX SCENE [SEED]
"""
import json
import os
import random
import select
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from fennix_window_test import Screen, fail, start_xvfb  # noqa: E402

SESSIONS = 80
LINES_PER_SESSION = 40
# Methods that open a window, a dialog or a box, or read and write files:
# they are driven by their own tests, not by random lines.
SKIPPED = {"FileName", "file", "texturePath", "LoadFile", "Save", "SaveToUrl", "OpenTree", "OnOpenTree",
           "TextureDialog", "MaterialDialog", "OpenDialog", "AboutBox", "CreateViewer", "TestFunc",
           "SetHtmlDocument", "WrapAlongSpline", "Scatter", "Extrude", "OnExtrude", "Play", "AnimationOp",
           "GetThumbnail", "EnableEvent"}


def value_of(kind, rng, handles):
    pick = rng.random()
    if pick < 0.1:
        return rng.choice([None, True, "x", 1e300, -1, 2 ** 63, 0.5, "", "sun\u0000x"])
    if kind in ("I2", "I4", "I8"):
        return rng.choice([0, 1, 2, 3, 20, 50, 80, 95, -5, 32767])
    if kind == "R8":
        return rng.choice(handles + [0, 1, 2, 0.0, 1.5]) if handles else rng.choice([0, 1, 2, 1.5])
    if kind == "BOOL":
        return rng.choice([True, False, 0, 1])
    if kind == "BSTR":
        return rng.choice(["Sphere", "Cube", "radius", "translation", "sun", "(1,2,3)", "2.5", "", "box",
                           "walls", "name", "x" * 300])
    return rng.choice(handles + [0, "sun", 3.5]) if handles else rng.choice([0, "sun", 3.5])


def request_line(rng, methods, handles, request_id):
    roll = rng.random()
    if roll < 0.08:
        junk = bytes(rng.randrange(256) for _ in range(rng.randrange(1, 60)))
        return b"~" + junk.replace(b"\n", b" ") + b"\n", False
    if roll < 0.14:
        return rng.choice([b"{", b"[1,2]", b"{\"id\": \"junk\"}", b"{\"id\": {}, \"method\": \"Redraw\"}", b"42",
                           b"{\"method\": 5}"]) + b"\n", False
    if roll < 0.18 and handles:
        line = {"id": request_id, "method": "Release", "params": [rng.choice(handles)]}
        return (json.dumps(line) + "\n").encode(), True
    name, params = rng.choice(methods)
    count = len(params) if rng.random() > 0.1 else rng.randrange(0, 5)
    values = [value_of(params[k] if k < len(params) else "VARIANT", rng, handles) for k in range(count)]
    return (json.dumps({"id": request_id, "method": name, "params": values}) + "\n").encode(), True


class Session:
    def __init__(self, path):
        self.sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        self.sock.connect(path)
        self.buffer = b""

    def messages(self, wanted, program, seconds=60):
        """Reads until `wanted` replies (lines without "event") came."""
        replies = []
        end = time.time() + seconds
        while len(replies) < wanted:
            while b"\n" in self.buffer and len(replies) < wanted:
                text, self.buffer = self.buffer.split(b"\n", 1)
                message = json.loads(text)
                if "event" not in message:
                    replies.append(message)
            if len(replies) >= wanted:
                break
            if program.poll() is not None:
                fail("fennix ended with status %d during the fuzz" % program.returncode)
            left = end - time.time()
            if left <= 0:
                fail("%d of %d replies came" % (len(replies), wanted))
            if select.select([self.sock], [], [], min(left, 1.0))[0]:
                data = self.sock.recv(1 << 16)
                if not data:
                    fail("the channel closed a client that stayed")
                self.buffer += data
        return replies


def main():
    fennix, scene = sys.argv[1:3]
    seed = int(sys.argv[3]) if len(sys.argv) > 3 else 51
    rng = random.Random(seed)
    described = json.loads(subprocess.run([fennix, "--describe"], capture_output=True, check=True).stdout)
    methods = [(m["name"], m["params"]) for m in described["methods"] if m["name"] not in SKIPPED]
    server, display = start_xvfb()
    screen = Screen(display)
    runtime = tempfile.mkdtemp(prefix="fennix-fuzz-")
    copied = os.path.join(runtime, os.path.basename(scene))
    shutil.copyfile(scene, copied)
    env = dict(screen.env, LIBGL_ALWAYS_SOFTWARE="1", GDK_BACKEND="x11", NO_AT_BRIDGE="1", XDG_RUNTIME_DIR=runtime,
               XDG_CONFIG_HOME=runtime)
    program = subprocess.Popen([os.path.abspath(fennix), copied, "--listen"], env=env, stdout=subprocess.PIPE,
                               stderr=subprocess.DEVNULL, cwd=runtime)
    try:
        path = program.stdout.readline().decode().strip()
        if not path:
            fail("no socket path")
        handles = []
        sent_lines = 0
        left_mid_call = 0
        for number in range(SESSIONS):
            session = Session(path)
            ids = []
            replies_due = 0
            batch = b""
            for k in range(LINES_PER_SESSION):
                request_id = number * 1000 + k + 1
                line, has_id = request_line(rng, methods, handles, request_id)
                batch += line
                replies_due += 1
                if has_id:
                    ids.append(request_id)
            session.sock.sendall(batch)
            sent_lines += LINES_PER_SESSION
            if rng.random() < 0.3:
                # Gone while its calls run.
                session.sock.close()
                left_mid_call += 1
                continue
            replies = session.messages(replies_due, program)
            answered = [r.get("id") for r in replies if isinstance(r.get("id"), int)]
            if answered != ids:
                fail("session %d: replies %r for requests %r" % (number, answered[:10], ids[:10]))
            for r in replies:
                result = r.get("result")
                if isinstance(result, int) and result > 1 << 32 and len(handles) < 50:
                    handles.append(result)
            session.sock.close()
        last = Session(path)
        last.sock.sendall(b'{"id": 1, "method": "GetStateInt", "params": [0]}\n')
        if last.messages(1, program)[0].get("result") != 0:
            fail("the last request was not answered")
        program.send_signal(signal.SIGTERM)
        try:
            status = program.wait(timeout=30)
        except subprocess.TimeoutExpired:
            fail("fennix did not end on SIGTERM after the fuzz")
        if status != 0:
            fail("fennix ended with status %d after the fuzz" % status)
        print("PASS: %d lines from %d clients (%d left in the middle of their calls), every reply in order, "
              "the program up to the end (seed %d)" % (sent_lines, SESSIONS, left_mid_call, seed))
    finally:
        if program.poll() is None:
            program.kill()
            program.wait()
        server.terminate()
        server.wait()
        shutil.rmtree(runtime, ignore_errors=True)


if __name__ == "__main__":
    main()
