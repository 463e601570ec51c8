#!/usr/bin/env python3
"""Checks the picture fennix --render made of tests/data/parametric_model_two_instances.kvrx:
two instances of one box model, the upper one narrow (w = 0.5), the lower one wide (w = 1.5),
both red. Prints PASS: or FAIL: with what was seen."""
import struct
import sys


def read_bmp(path):
    with open(path, "rb") as f:
        data = f.read()
    offset = struct.unpack_from("<I", data, 10)[0]
    width, height = struct.unpack_from("<ii", data, 18)
    bpp = struct.unpack_from("<H", data, 28)[0]
    step = bpp // 8
    row = (width * step + 3) // 4 * 4
    bottom_up = height > 0
    height = abs(height)

    def pixel(x, y):  # y from the bottom
        r = y if bottom_up else height - 1 - y
        at = offset + r * row + x * step
        b, g, red = data[at], data[at + 1], data[at + 2]
        return red, g, b

    return width, height, pixel


def is_red(p):
    r, g, b = p
    return r > 120 and g < r // 2 and b < r // 2


def main():
    width, height, pixel = read_bmp(sys.argv[1])
    cx, cy = width // 2, height // 2
    upper, lower = cy + height * 16 // 64, cy - height * 16 // 64
    right = cx + width * 20 // 64
    seen = {
        "upper centre": pixel(cx, upper),
        "lower centre": pixel(cx, lower),
        "upper right": pixel(right, upper),
        "lower right": pixel(right, lower),
    }
    ok = (is_red(seen["upper centre"]) and is_red(seen["lower centre"]) and not is_red(seen["upper right"])
          and is_red(seen["lower right"]))
    print(("PASS: " if ok else "FAIL: ") + ", ".join(f"{k} {v}" for k, v in seen.items()))
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
