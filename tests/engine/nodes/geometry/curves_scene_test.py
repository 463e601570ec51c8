"""The curves scene end to end: it converts to itself byte for byte and its
render shows the extruded text, the star, the filleted polygon and the
capped sweep at their places."""
import os
import subprocess
import sys
import tempfile
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '../../../lib'))
from bmp import read_bmp  # noqa: E402

fennix, scene = sys.argv[1], sys.argv[2]
env = dict(os.environ, LIBGL_ALWAYS_SOFTWARE="1")
failures = []
with tempfile.TemporaryDirectory() as tmp:
    converted = os.path.join(tmp, "converted.kvrx")
    subprocess.run([fennix, "--convert", scene, converted], check=True, env=env)
    if open(converted, "rb").read() != open(scene, "rb").read():
        failures.append("the scene does not convert to itself byte for byte")
    image = os.path.join(tmp, "scene.bmp")
    subprocess.run([fennix, "--render", scene, "--out", image, "--size", "320x240"], check=True, env=env)
    width, height, pixel = read_bmp(image)

    # (x, y), which channel dominates, what is there.
    probes = [((39, 56), 0, "extruded text (red O)"), ((245, 55), 1, "star (green)"),
              ((107, 183), 2, "filleted polygon (blue)"), ((245, 183), None, "capped sweep (yellow)")]
    for (x, y), channel, what in probes:
        r, g, b = pixel(x, y)
        if channel is None:
            ok = r > 180 and g > 180 and b < 100
        else:
            rgb = (r, g, b)
            ok = rgb[channel] > 180 and all(rgb[channel] - v > 100 for i, v in enumerate(rgb) if i != channel)
        if not ok:
            failures.append(f"{what} missing at ({x}, {y}): {r, g, b}")
    r, g, b = pixel(5, 200)
    if not (abs(r - 128) < 20 and abs(g - 191) < 20):
        failures.append(f"background expected at (5, 200), found {r, g, b}")
for f in failures:
    print(f)
sys.exit(1 if failures else 0)
