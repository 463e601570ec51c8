"""Reads the BMP pictures `fennix --render` writes, for pixel probes in the
host-level tests."""
import struct


def read_bmp(path):
    """Returns (width, height, pixel) where pixel(x, y) gives (r, g, b) with
    y counted from the top of the picture, for 24- and 32-bit pictures stored
    either way up."""
    with open(path, "rb") as f:
        data = f.read()
    offset = struct.unpack_from("<I", data, 10)[0]
    width, height = struct.unpack_from("<ii", data, 18)
    step = struct.unpack_from("<H", data, 28)[0] // 8
    row = (width * step + 3) // 4 * 4
    bottom_up = height > 0
    height = abs(height)

    def pixel(x, y):
        r = height - 1 - y if bottom_up else y
        at = offset + r * row + x * step
        return data[at + 2], data[at + 1], data[at]

    return width, height, pixel
