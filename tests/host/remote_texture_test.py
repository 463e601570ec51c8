#!/usr/bin/env python3
"""fennix --render on a scene whose texture is named by an address on a local HTTP server of this test's
own (nothing leaves the machine): without --allow-remote no request reaches the server and the render
says the address was held back; with it the texture is fetched.

  remote_texture_test.py FENNIX TEXTURE.jpg
Prints PASS: or FAIL: with what was seen."""
import http.server
import os
import shutil
import subprocess
import sys
import tempfile
import threading


def main():
    fennix, texture = sys.argv[1:3]
    with tempfile.TemporaryDirectory() as folder:
        shutil.copy(texture, os.path.join(folder, "t.jpg"))
        requests = []

        class Handler(http.server.SimpleHTTPRequestHandler):
            def __init__(self, *args, **kwargs):
                super().__init__(*args, directory=folder, **kwargs)

            def log_message(self, format, *args):
                requests.append(self.path)

        server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        threading.Thread(target=server.serve_forever, daemon=True).start()
        try:
            address = "http://127.0.0.1:%d/t.jpg" % server.server_address[1]
            scene = os.path.join(folder, "remote_texture.kvrx")
            with open(scene, "w") as f:
                f.write('#VRML V1.0 ascii 102\nSeparator {\nTexture2 {\n\tfilename "%s"\n}\nCube {\n}\n}\n' % address)
            out = os.path.join(folder, "out.bmp")
            off = subprocess.run([fennix, "--render", scene, "--out", out, "--size", "32x32"],
                                 capture_output=True, text=True, timeout=60)
            if requests:
                print("FAIL: without --allow-remote the texture was fetched: %s" % requests)
                return 1
            if "remote content is off" not in off.stderr:
                print("FAIL: without --allow-remote nothing said the address was held back: %r" % off.stderr)
                return 1
            subprocess.run([fennix, "--render", scene, "--out", out, "--size", "32x32", "--allow-remote"],
                           capture_output=True, text=True, timeout=60)
            if "/t.jpg" not in requests:
                print("FAIL: with --allow-remote the texture was not fetched")
                return 1
        finally:
            server.shutdown()
    print("PASS: a texture named by an address is fetched only with --allow-remote")
    return 0


if __name__ == "__main__":
    sys.exit(main())
