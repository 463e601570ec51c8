#!/usr/bin/env python3
"""Checks the picture fennix --render made (400 x 300) of
tests/data/modifiers_bend_twist_slice_smooth_ffd_path.kvrx: a cylinder bent a
quarter turn (upper left), a box twisted a quarter turn about its long axis
(upper middle), a sphere with the half towards the viewer sliced away (upper
right), a smoothed box, a sphere in a free-form lattice and a cylinder along a
path (lower row). Each probe is a pixel (x, y from the top) that must show the
background or a shape. Prints PASS: or FAIL: with what was seen."""
import os
import sys
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '../../lib'))
from bmp import read_bmp  # noqa: E402


SURFACE_PROBES = [
    ("elevation relief", 120, 150, True),
    ("elevation, its far edge", 150, 80, True),
    ("conformed surface", 290, 130, True),
    ("between the two", 210, 150, False),
    ("above both", 200, 30, False),
]

PROBES = [
    # (what, x, y, shape expected)
    ("bent cylinder, lower leg", 60, 110, True),
    ("bent cylinder, end turned to the right", 120, 70, True),
    ("where the unbent cylinder would stand", 60, 55, False),
    ("twisted box, middle", 180, 100, True),
    ("twisted box, top edge turned away on the left", 160, 50, False),
    ("twisted box, top edge on the right", 190, 55, True),
    ("sliced sphere, the half kept", 310, 115, True),
    ("sliced sphere, the half cut away", 310, 70, False),
    ("smoothed box", 50, 210, True),
    ("sphere in the lattice", 190, 205, True),
    ("cylinder along the path, left leg", 300, 210, True),
    ("under the path's peak", 310, 225, False),
]


def main():
    width, height, pixel = read_bmp(sys.argv[1])
    if (width, height) != (400, 300):
        print(f"FAIL: picture is {width} x {height}, not 400 x 300")
        return 1
    background = pixel(2, 2)

    def is_background(p):
        return all(abs(a - b) <= 12 for a, b in zip(p, background))

    probes = SURFACE_PROBES if len(sys.argv) > 2 and sys.argv[2] == "surfaces" else PROBES
    seen, ok = [], True
    for what, x, y, shape in probes:
        p = pixel(x, y)
        right = (not is_background(p)) == shape
        ok = ok and right
        seen.append(f"{what} {p}{'' if right else ' WRONG'}")
    print(("PASS: " if ok else "FAIL: ") + "; ".join(seen))
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
