#!/usr/bin/env python3
"""Drives `fennix --stdio SCENE` as a script in another language would:
JSON lines on the program's standard input and output, standard library only.

usage: stdio_client.py FENNIX SCENE
"""
import json
import subprocess
import sys


class Control:
    def __init__(self, program, scene):
        self.proc = subprocess.Popen([program, "--stdio", scene], stdin=subprocess.PIPE,
                                     stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self.next_id = 1
        self.events = []

    def line(self):
        text = self.proc.stdout.readline()
        if not text:
            raise RuntimeError("fennix closed its output")
        return json.loads(text)

    def send_raw(self, raw):
        self.proc.stdin.write(raw)
        self.proc.stdin.flush()

    def reply(self, request_id):
        while True:
            message = self.line()
            if "event" in message:
                self.events.append(message)
                continue
            if message.get("id") == request_id:
                return message
            raise RuntimeError("unexpected line %r" % message)

    def call(self, method, *params):
        request_id = self.next_id
        self.next_id += 1
        self.send_raw((json.dumps({"id": request_id, "method": method, "params": list(params)}) + "\n").encode())
        message = self.reply(request_id)
        if "error" in message:
            raise RuntimeError("%s: %s" % (method, message["error"]["message"]))
        return message["result"]

    def close(self):
        self.proc.stdin.close()
        return self.proc.wait(timeout=30)


def check(condition, what):
    if not condition:
        print("FAILED: " + what)
        sys.exit(1)


def main():
    program, scene = sys.argv[1], sys.argv[2]
    control = Control(program, scene)
    first = control.line()
    check(first == {"event": "StartSession", "params": ["uMsg=113 idEvent=c"]}, "StartSession first: %r" % first)

    check(control.call("FileName") == scene, "FileName names the scene")
    text = control.call("SaveToString")
    check(text.startswith("#VRML V1.0 ascii") and "Separator" in text, "SaveToString returns the scene")

    control.call("SetAppParam", "Speed", 3)
    control.call("SetAppParam", "SPEED", "fast")
    check(control.call("GetAppParam", "speed") == "fast", "app parameters ignore case")
    check(control.call("IsNull", 0) == 1 and control.call("IsNull", 0.0) == 0, "IsNull tells integers from reals")

    # Hostile lines: each gets an error reply and the control goes on.
    hostile = [b"{not json\n", b"[]\n", b"{\"id\": 1, \"method\": \"NoSuch\"}\n",
               b"{\"id\": 2, \"method\": \"ChangeView\", \"params\": [1e400]}\n",
               b"{\"id\": 3, \"method\": \"ModelInfo\", \"params\": [0, 123456789012]}\n",
               b"x" * (1100 * 1024) + b"\n"]
    for raw in hostile:
        control.send_raw(raw)
        message = control.line()
        check("error" in message, "an error for %r" % raw[:40])
    check(control.call("GetStateInt", 0) == 0, "answers after the hostile lines")

    control.call("Undo", False)
    check(control.call("SaveToString") == text, "Undo of nothing keeps the scene")

    # Nodes by handle, fields by their scene text.
    made = control.call("CreateNode", "Sphere")
    check(isinstance(made, int) and made > 0, "CreateNode gives an integer handle: %r" % made)
    check(control.call("InsertNode", 0, made, 0, 0) == 1, "InsertNode puts the sphere into the scene")
    check(control.call("SetVal", float(made), "radius", "2.5") == 1, "SetVal takes a handle in a double")
    check(control.call("GetVal", made, "radius") == "2.5", "GetVal reads back what SetVal wrote")
    check(control.call("SetVal", made, "name", "scriptBall") == 1, "SetVal renames")
    check(control.call("GetFieldValue", "scriptBall", "radius") == "2.5", "GetFieldValue finds it by name")
    check(control.call("FindNode", 0, "scriptBall") == made, "FindNode gives the same handle")
    control.call("SetFieldVal", "sun", "direction", "(1,2,3)")
    check(control.call("GetFieldValue", "sun", "direction") == "(1,2,3)", "SetFieldVal round trip")
    check(control.call("SetVal", "sun", "direction", "(1,2") == 0, "a bad text gives 0")
    check(control.call("GetFieldValue", "sun", "direction") == "(1,2,3)", "and keeps the value")
    control.send_raw((json.dumps({"id": 900, "method": "GetVal", "params": [int(made) + (1 << 40), "radius"]})
                      + "\n").encode())
    check(control.reply(900).get("error", {}).get("code") == 3, "a forged handle is refused")

    # A second view without a display: an offscreen one, named by a 32-bit handle;
    # the control can then follow its frames. The program still ends cleanly.
    viewer = control.call("CreateViewer", "offscreen view", 64, 48)
    check(isinstance(viewer, int) and 1024 < viewer < 2 ** 31, "CreateViewer gives a viewer handle: %r" % viewer)
    check(control.call("EnableEvent", 3) is None, "EnableEvent(3) with a viewer")

    # The whole scene: what was loaded, with the sphere, balanced to its last brace.
    whole = control.call("SaveToString")
    check(whole.startswith("#VRML V1.0 ascii"), "the header")
    for name in ('"ROOT"', '"sun"', '"view"', '"box"', '"twin box"', '"ring"', '"scriptBall"', "radius 2.5"):
        check(name in whole, "SaveToString holds %s" % name)
    check(whole.count("{") == whole.count("}") and whole.rstrip().endswith("}"), "SaveToString is complete")

    check(sum(1 for e in control.events if e["event"] == "StartSession") == 0, "StartSession only once")
    check(control.close() == 0, "exit status 0")
    print("stdio client: all checks passed")


if __name__ == "__main__":
    main()
