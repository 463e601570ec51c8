#!/usr/bin/env python3
"""Checks the 320x240 pictures fennix --render made of tests/data/sample_scene.kvrx with --shadows
(first argument) and without (second). The shadow frame puts the scene over a lit floor: the floor under
the large red box, away from the first light, is darker than the open floor, and the boxes' faces keep
their light (their red face is about as bright as in the plain picture, never near black).
Prints PASS: or FAIL: with what was seen."""
import os
import sys
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '../lib'))
from bmp import read_bmp  # noqa: E402


def main():
    width, height, shadowed = read_bmp(sys.argv[1])
    _, _, plain = read_bmp(sys.argv[2])
    at = lambda x, y: (width * x // 320, height * y // 240)
    shadow = shadowed(*at(140, 145))      # floor beside the large box, in its shadow
    floor = shadowed(*at(40, 200))        # open floor
    faces = [(shadowed(*at(x, 120)), plain(*at(x, 120))) for x in (80, 265)]  # the two boxes' front faces
    darker = sum(shadow) + 150 < sum(floor)
    lit = all(s[0] > 150 and s[0] > 0.7 * p[0] and s[1] < s[0] // 3 for s, p in faces)
    ok = darker and lit
    print(("PASS: " if ok else "FAIL: ") +
          f"shadowed floor {shadow}, open floor {floor}, box faces (shadow frame, plain) {faces}")
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
