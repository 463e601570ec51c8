#!/usr/bin/env python3
"""fennix SCENE under a virtual X server of this test's own: a scene that names an external file by
address (a local port that refuses connections, so nothing leaves the machine) gets it fetched only
with --allow-remote. Without it the window says the file is not downloaded; with it the window tries
and reports that the download failed.

  fennix_remote_test.py FENNIX
"""
import os
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from fennix_window_test import fail, start_xvfb  # noqa: E402

ADDRESS = "http://127.0.0.1:9/part.stl"
SCENE = '#VRML V1.0 ascii 102\nSeparator {\nExternalFile {\n\tfilename "%s"\n}\nCube {\n}\n}\n' % ADDRESS


def run_window(fennix, scene, display, options, expected):
    """Starts the window, waits for `expected` on stderr, then ends it; returns stderr."""
    with tempfile.TemporaryFile() as errors:
        window = subprocess.Popen([fennix, scene] + options, env=dict(os.environ, DISPLAY=display),
                                  stdout=subprocess.DEVNULL, stderr=errors)
        deadline = time.time() + 30
        text = ""
        while time.time() < deadline and window.poll() is None:
            errors.seek(0)
            text = errors.read().decode(errors="replace")
            if expected in text:
                break
            time.sleep(0.2)
        if window.poll() is None:
            window.terminate()
            try:
                window.wait(timeout=30)
            except subprocess.TimeoutExpired:
                window.kill()
                window.wait()
        errors.seek(0)
        return errors.read().decode(errors="replace")


def main():
    fennix = sys.argv[1]
    server, display = start_xvfb()
    try:
        with tempfile.TemporaryDirectory() as folder:
            scene = os.path.join(folder, "remote_part.kvrx")
            with open(scene, "w") as f:
                f.write(SCENE)
            off = run_window(fennix, scene, display, [], "remote content is off")
            if "%s is not downloaded: remote content is off" % ADDRESS not in off:
                fail("without --allow-remote the window did not hold the address back: " + off.strip())
            if "could not be downloaded" in off:
                fail("without --allow-remote the window tried to download: " + off.strip())
            on = run_window(fennix, scene, display, ["--allow-remote"], "could not be downloaded")
            if "%s could not be downloaded" % ADDRESS not in on or "remote content is off" in on:
                fail("with --allow-remote the window did not try the address: " + on.strip())
    finally:
        server.terminate()
        server.wait()
    print("PASS: the window fetches addresses only with --allow-remote")


if __name__ == "__main__":
    main()
