#!/usr/bin/env python3
"""What fennix's command line answers a newcomer: failures exit non-zero with a
message naming what was wrong, asked-for help goes to standard output, and no
output is written under a name that promises another format.

  command_line_test.py FENNIX SCENE

Every case runs in a temporary folder of its own, without a display, so that
a case that wrongly opens a window fails instead of waiting.
"""
import os
import struct
import subprocess
import sys
import tempfile
import zlib


def run(fennix, args, folder, stdin_text=""):
    env = dict(os.environ, LIBGL_ALWAYS_SOFTWARE="1")
    env.pop("DISPLAY", None)
    env.pop("WAYLAND_DISPLAY", None)
    return subprocess.run([fennix] + args, cwd=folder, input=stdin_text, capture_output=True, text=True,
                          env=env, timeout=120)


def png_size(path):
    """Width and height of a PNG file, after checking its chunks' CRCs and
    that its image data inflates to the size the header promises."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError("no PNG signature")
    pos = 8
    width = height = None
    idat = b""
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        crc, = struct.unpack(">I", data[pos + 8 + length:pos + 12 + length])
        if zlib.crc32(kind + body) != crc:
            raise ValueError("bad CRC in chunk %r" % kind)
        if kind == b"IHDR":
            width, height, depth, colour = struct.unpack(">IIBB", body[:10])
            if (depth, colour) != (8, 2):
                raise ValueError("not 8-bit RGB")
        elif kind == b"IDAT":
            idat += body
        elif kind == b"IEND":
            break
        pos += 12 + length
    raw = zlib.decompress(idat)
    if len(raw) != height * (1 + 3 * width):
        raise ValueError("image data of %d bytes for %d x %d" % (len(raw), width, height))
    return width, height


def main():
    fennix, scene = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    failures = []

    def expect(name, result, status, out=None, err=None):
        problems = []
        if result.returncode != status:
            problems.append("status %d, expected %d" % (result.returncode, status))
        if out is not None and out not in result.stdout:
            problems.append("standard output lacks %r" % out)
        if err is not None and err not in result.stderr:
            problems.append("standard error lacks %r" % err)
        if problems:
            failures.append("%s: %s\n  stdout: %s\n  stderr: %s" % (name, "; ".join(problems), result.stdout[-400:],
                                                                   result.stderr[-400:]))

    # (name, arguments, status, text on stdout, text on stderr)
    cases = [
        ("help goes to standard output", ["--help"], 0, "usage: fennix", None),
        ("help names itself", ["--help"], 0, "--help", None),
        ("an unknown flag is named", ["--frobnicate"], 2, None, "--frobnicate"),
        ("an unknown window option is named", [scene, "--allow-everything"], 2, None, "--allow-everything"),
        ("an unknown render option is named", ["--render", scene, "--out", "x.bmp", "--colour"], 2, None, "--colour"),
        ("a missing stdio scene fails", ["--stdio", "nosuch.kvrx"], 1, None, "nosuch.kvrx"),
        ("a save target in a missing folder is refused at start",
         [scene, "--save-on-close", "nodir/out.kvrx"], 2, None, "nodir"),
        ("a picture of another format is refused", ["--render", scene, "--out", "x.gif"], 2, None, ".png"),
    ]
    for name, args, status, out, err in cases:
        with tempfile.TemporaryDirectory() as folder:
            result = run(fennix, args, folder)
            expect(name, result, status, out, err)
            if name.startswith("a picture of another") and os.listdir(folder):
                failures.append("%s: left %s behind" % (name, os.listdir(folder)))

    # --out x.png writes a PNG, at the size asked for.
    with tempfile.TemporaryDirectory() as folder:
        result = run(fennix, ["--render", scene, "--out", "x.png", "--size", "64x48"], folder)
        expect("render to PNG", result, 0, "wrote x.png")
        try:
            size = png_size(os.path.join(folder, "x.png"))
            if size != (64, 48):
                failures.append("render to PNG: %d x %d, expected 64 x 48" % size)
        except (OSError, ValueError, zlib.error) as problem:
            failures.append("render to PNG: %s" % problem)

    if failures:
        print("FAIL:\n" + "\n".join(failures))
        return 1
    print("PASS: %d cases" % (len(cases) + 1))
    return 0


if __name__ == "__main__":
    sys.exit(main())
