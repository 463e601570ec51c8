#!/usr/bin/env python3
"""The README's pictures (docs/images/) are what the program shows now: the
sample drawn by --render, the modeller's window on it, and the window with
the material dialog and with the layers dialog open. The test takes them
again (the window ones under an X server of its own) and compares each with
the committed picture: the same size, and on average within a few levels of
each colour (fonts and anti-aliasing differ a little between machines).

  docs_images_test.py FENNIX SOURCE_DIR OUT_DIR [--update]

With --update the pictures taken replace the committed ones.
"""
import os
import shutil
import struct
import subprocess
import sys
import zlib

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "gui"))
from fennix_window_test import (  # noqa: E402
    Screen, copy_scene, fail, settle, start_xvfb, stop, wait_until)

# Mean absolute difference per colour channel, in levels of 255, above which
# a picture counts as stale.
MEAN_TOLERANCE = 12.0

# The size of the test's X screen (fennix_window_test.start_xvfb).
SCREEN = (1024, 768)

PICTURES = ("sample_render.png", "modeller_window.png", "material_dialog.png", "layers_dialog.png")


def write_png(path, width, height, pixel):
    rows = bytearray()
    for y in range(height):
        rows.append(0)
        for x in range(width):
            rows.extend(pixel(x, y))

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))
    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n")
        out.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)))
        out.write(chunk(b"IDAT", zlib.compress(bytes(rows), 9)))
        out.write(chunk(b"IEND", b""))


def read_png(path):
    """(width, height, rows of RGB bytes) of an unfiltered 8-bit RGB PNG, as
    this project writes them."""
    with open(path, "rb") as f:
        data = f.read()
    pos, idat, width, height = 8, b"", 0, 0
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            width, height = struct.unpack(">II", body[:8])
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    raw = zlib.decompress(idat)
    stride = 1 + 3 * width
    rows = []
    for y in range(height):
        row = raw[y * stride:(y + 1) * stride]
        if row[0] != 0:
            raise ValueError("%s: filtered rows are not read here" % path)
        rows.append(row[1:])
    return width, height, rows


def mean_difference(a, b):
    wa, ha, ra = read_png(a)
    wb, hb, rb = read_png(b)
    if (wa, ha) != (wb, hb):
        return None
    total = 0
    for row_a, row_b in zip(ra, rb):
        total += sum(abs(x - y) for x, y in zip(row_a, row_b))
    return total / float(wa * ha * 3)


def shoot(screen, box, path):
    image = screen.shot()
    x0, y0, width, height = box
    write_png(path, width, height, lambda x, y: image.pixel(x0 + x, y0 + y))


def keys(screen, window, *sequence):
    screen.type_keys(window, *sequence)


def own_windows(screen, program):
    found = screen.run("xdotool", "search", "--onlyvisible", "--pid", str(program.pid), check=False)
    return set(found.decode().split())


# Moves given to a dialog that stays blank, within a minute.
NUDGES = 6


def open_dialog(screen, program, window, *menu_keys):
    """Opens a dialog through the menu with the keyboard and places it in the
    screen's bottom right corner: its window and box, once it has drawn
    itself.

    Without a window manager a dialog that opens over the GL canvas stays
    unpainted (black) until something changes its place or size: its first
    picture is never put on the screen. Placing it, as a user would, makes it
    draw; the test then waits for that picture (no longer one flat colour),
    not for a time."""
    before = own_windows(screen, program)
    screen.run("xdotool", "windowfocus", "--sync", window, check=False)
    for key in menu_keys:
        screen.run("xdotool", "key", "--clearmodifiers", key, check=False)

    def shown():
        fresh = sorted(own_windows(screen, program) - before - {window})
        if fresh:
            box = screen.geometry(fresh[0])
            if box[2] > 50 and box[3] > 50:
                return fresh[0], box
        return None
    found = wait_until(shown, seconds=60, every=0.2)
    if not found:
        fail("%s opened no dialog" % " ".join(menu_keys))
    dialog, box = found
    # On a loaded machine the move can reach the dialog before its first
    # picture is ready, and that picture is then lost as before: the dialog
    # is moved again, one pixel, as a user would nudge a blank window.
    for nudge in range(NUDGES):
        screen.run("xdotool", "windowmove", "--sync", dialog, str(SCREEN[0] - box[2] - nudge % 2),
                   str(SCREEN[1] - box[3]))
        placed = screen.geometry(dialog)
        if wait_until(lambda: not uniform(screen, placed), seconds=60 / NUDGES, every=0.2):
            return dialog, placed
    fail("the dialog %s opened by %s never drew itself" % (dialog, " ".join(menu_keys)))


def close_dialog(screen, program, dialog):
    """Esc to the dialog (its Cancel); waits until its window is gone."""
    screen.type_keys(dialog, "Escape")
    if not wait_until(lambda: dialog not in own_windows(screen, program), seconds=60, every=0.2):
        fail("the dialog %s did not close on Esc" % dialog)


def uniform(screen, box):
    """Whether nearly all of the box is one colour (a window not drawn yet)."""
    image = screen.shot()
    x0, y0, width, height = box
    samples = [image.pixel(x0 + width * i // 16, y0 + height * j // 16) for i in range(1, 16) for j in range(1, 16)]
    most = max(samples.count(colour) for colour in set(samples))
    return most > 0.97 * len(samples)


def union(a, b):
    left, top = min(a[0], b[0]), min(a[1], b[1])
    right, bottom = max(a[0] + a[2], b[0] + b[2]), max(a[1] + a[3], b[1] + b[3])
    return left, top, min(right, SCREEN[0]) - left, min(bottom, SCREEN[1]) - top


def main():
    fennix, source, out = sys.argv[1], os.path.abspath(sys.argv[2]), os.path.abspath(sys.argv[3])
    update = "--update" in sys.argv[4:]
    os.makedirs(out, exist_ok=True)
    sample = os.path.join(source, "tests", "data", "sample_scene.kvrx")
    env = dict(os.environ, LIBGL_ALWAYS_SOFTWARE="1")

    rendered = os.path.join(out, "sample_render.png")
    result = subprocess.run([fennix, "--render", sample, "--out", rendered, "--size", "640x480"], env=env,
                            capture_output=True, text=True, timeout=300)
    if result.returncode != 0:
        fail("--render: %s" % result.stderr)

    folder, scene = copy_scene(sample, "fennix-docs-images-")
    server, display = start_xvfb()
    screen = Screen(display)
    window_env = dict(screen.env, LIBGL_ALWAYS_SOFTWARE="1", GDK_BACKEND="x11", NO_AT_BRIDGE="1")
    program = subprocess.Popen([fennix, scene], env=window_env, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    try:
        window = screen.window(os.path.basename(scene), program)
        box = screen.geometry(window)
        settle(screen, box)
        shoot(screen, box, os.path.join(out, "modeller_window.png"))
        # The box selected (a click on it), then Edit > Material...; then
        # Window > Layers... beside it.
        screen.run("xdotool", "mousemove", str(box[0] + 150), str(box[1] + 380), "click", "1")
        settle(screen, box, previous=True)
        dialog, dialog_box = open_dialog(screen, program, window, "alt+e", "m")
        whole = union(box, dialog_box)
        settle(screen, whole, previous=True)
        shoot(screen, whole, os.path.join(out, "material_dialog.png"))
        # One dialog at a time: a dialog placed over another one stayed
        # unpainted.
        close_dialog(screen, program, dialog)
        layers, layers_box = open_dialog(screen, program, window, "alt+w", "l")
        whole = union(box, layers_box)
        settle(screen, whole, previous=True)
        shoot(screen, whole, os.path.join(out, "layers_dialog.png"))
        # The pictures are all this test is for: the window need not close
        # cleanly here (the window tests hold that).
    finally:
        stop(program, server)
        shutil.rmtree(folder, ignore_errors=True)

    stale = []
    for name in PICTURES:
        taken = os.path.join(out, name)
        committed = os.path.join(source, "docs", "images", name)
        if update:
            os.makedirs(os.path.dirname(committed), exist_ok=True)
            shutil.copyfile(taken, committed)
            continue
        if not os.path.exists(committed):
            stale.append("%s is missing" % name)
            continue
        difference = mean_difference(taken, committed)
        if difference is None:
            stale.append("%s has another size than the picture taken" % name)
        elif difference > MEAN_TOLERANCE:
            stale.append("%s differs by %.1f levels on average" % (name, difference))
    if stale:
        fail("docs/images is stale (%s); take them again with: python3 tests/host/docs_images_test.py "
             "build/bin/fennix . build/docs-images --update" % "; ".join(stale))
    print("PASS: %s" % ("pictures updated" if update else "docs/images current"))
    return 0


if __name__ == "__main__":
    sys.exit(main())
