#!/usr/bin/env python3
"""Checks the picture fennix --render made of tests/data/solid_node_and_box_minus_sphere.kvrx:
a box of side 3 seen face on, minus a sphere of radius 1.2 centred on that face, so the face
shows a round cavity (radius 0.8 of the half side). Probes, measured from the box's extent on
the middle row: the face colour at two opposite corners of the face, outside the cavity; a
darker pixel just inside the cavity's rim, where its wall turns away from the light; the
cavity's centre drawn (not background); background beside the box. Prints PASS: or FAIL:."""
import struct
import sys


def read_bmp(path):
    with open(path, "rb") as f:
        data = f.read()
    offset = struct.unpack_from("<I", data, 10)[0]
    width, height = struct.unpack_from("<ii", data, 18)
    step = struct.unpack_from("<H", data, 28)[0] // 8
    row = (width * step + 3) // 4 * 4
    bottom_up = height > 0
    height = abs(height)

    def pixel(x, y):  # y from the bottom
        r = y if bottom_up else height - 1 - y
        at = offset + r * row + x * step
        return data[at + 2], data[at + 1], data[at]

    return width, height, pixel


def near(a, b, tolerance=12):
    return all(abs(x - y) <= tolerance for x, y in zip(a, b))


def main():
    width, height, pixel = read_bmp(sys.argv[1])
    cx, cy = width // 2, height // 2
    background = pixel(2, cy)
    left = next((x for x in range(width) if not near(pixel(x, cy), background)), None)
    if left is None or left >= cx:
        print("FAIL: nothing drawn on the middle row")
        return 1
    half = cx - left
    corner_a = pixel(cx + half * 9 // 10, cy + half * 9 // 10)
    corner_b = pixel(cx - half * 9 // 10, cy - half * 9 // 10)
    rim = pixel(cx + half * 72 // 100, cy)
    centre = pixel(cx, cy)
    seen = f"background {background}, corners {corner_a} {corner_b}, inside the rim {rim}, centre {centre}"
    if near(corner_a, background) or not near(corner_a, corner_b, 6):
        print("FAIL: the box face is not one colour at its corners: " + seen)
        return 1
    if sum(rim) > 0.75 * sum(corner_a):
        print("FAIL: no darker cavity wall inside the rim: " + seen)
        return 1
    if near(centre, background):
        print("FAIL: the cavity's bottom is not drawn: " + seen)
        return 1
    print("PASS: " + seen)
    return 0


if __name__ == "__main__":
    sys.exit(main())
