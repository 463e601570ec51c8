"""The metaball and roof scene end to end: it converts to itself byte for
byte, and its render shows the two spheres merged into one blob by the
metaball Boolean node and the roof over its rectangle."""
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

    # (x, y), the dominant channel, what is there.
    probes = [((50, 118), 0, "first sphere of the blob (red)"), ((95, 118), 0, "the blob's neck (red)"),
              ((110, 118), 0, "second sphere of the blob (red)"), ((245, 135), 2, "roof (blue)"),
              ((280, 145), 2, "roof's right end (blue)")]
    for (x, y), channel, what in probes:
        rgb = pixel(x, y)
        ok = rgb[channel] > 180 and all(rgb[channel] - v > 100 for i, v in enumerate(rgb) if i != channel)
        if not ok:
            failures.append(f"{what} missing at ({x}, {y}): {rgb}")
    for x, y in [(5, 200), (160, 120)]:
        r, g, b = pixel(x, y)
        if not (abs(r - 128) < 20 and abs(g - 191) < 20):
            failures.append(f"background expected at ({x}, {y}), found {r, g, b}")
for f in failures:
    print(f)
sys.exit(1 if failures else 0)
