#!/usr/bin/env python3
"""Checks the 64x64 picture fennix --render made of tests/data/textured_cube.kvrx from a folder other
than the scene's: the cube's top face, seen from above, shows its texture (red on the left half, blue
on the right), so the texture named beside the scene was found.
Prints PASS: or FAIL: with what was seen."""
import os
import sys
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '../lib'))
from bmp import read_bmp  # noqa: E402


def main():
    width, height, pixel = read_bmp(sys.argv[1])
    left = pixel(width * 3 // 8, height // 2)
    right = pixel(width * 5 // 8, height // 2)
    red = left[0] > 2 * left[2] and left[0] > 100
    blue = right[2] > 2 * right[0] and right[2] > 100
    ok = red and blue
    print(("PASS: " if ok else "FAIL: ") + f"left half {left}, right half {right}")
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
