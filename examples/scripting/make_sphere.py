#!/usr/bin/env python3
"""Scripts the control over its JSON lines: starts `fennix --stdio`, waits for
the session, makes a sphere of radius 2.5 in the scene and writes the scene
text to a file.

  python3 examples/scripting/make_sphere.py build/bin/fennix OUT.kvrx
"""
import json
import subprocess
import sys

fennix, out = sys.argv[1], sys.argv[2]
program = subprocess.Popen([fennix, "--stdio"], stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)


def call(number, method, *params):
    """Sends one request and answers its result; events met on the way are skipped."""
    program.stdin.write(json.dumps({"id": number, "method": method, "params": list(params)}) + "\n")
    program.stdin.flush()
    for line in program.stdout:
        message = json.loads(line)
        if message.get("id") == number:
            if "error" in message:
                sys.exit("%s: %s" % (method, message["error"]["message"]))
            return message["result"]
    sys.exit("fennix ended before answering %s" % method)


for line in program.stdout:                      # the session starts once the scene is there
    if json.loads(line).get("event") == "StartSession":
        break
sphere = call(1, "CreateNode", "Sphere")          # a handle: pass it back as it came
call(2, "InsertNode", 0, sphere, 0, 0)            # into the scene's root, first
call(3, "SetVal", sphere, "radius", "2.5")
with open(out, "w") as f:
    f.write(call(4, "SaveToString"))
program.stdin.close()
sys.exit(program.wait())
