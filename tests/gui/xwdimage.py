"""Reads the window dumps that xwd writes (TrueColor, 24 or 32 bits a pixel)
and writes them as PNG files for a person to look at."""
import struct
import zlib


class XwdImage:
    def __init__(self, data):
        header = struct.unpack(">25I", data[:100])
        header_size = header[0]
        self.width = header[4]
        self.height = header[5]
        byte_order = header[7]
        self.bits_per_pixel = header[11]
        self.bytes_per_line = header[12]
        red_mask, green_mask, blue_mask = header[14], header[15], header[16]
        colormap_entries = header[19]
        if self.bits_per_pixel not in (24, 32):
            raise ValueError("only 24- and 32-bit dumps are read, not %d" % self.bits_per_pixel)
        self._pixels = data[header_size + colormap_entries * 12:]
        self._little = byte_order == 0
        self._masks = (red_mask, green_mask, blue_mask)

    def pixel(self, x, y):
        """(red, green, blue) at x from the left and y from the top."""
        size = self.bits_per_pixel // 8
        at = y * self.bytes_per_line + x * size
        raw = self._pixels[at:at + size]
        value = int.from_bytes(raw, "little" if self._little else "big")
        result = []
        for mask in self._masks:
            shift = (mask & -mask).bit_length() - 1
            result.append((value & mask) >> shift)
        return tuple(result)

    def save_png(self, path):
        rows = bytearray()
        for y in range(self.height):
            rows.append(0)
            for x in range(self.width):
                rows.extend(self.pixel(x, y))
        def chunk(kind, body):
            return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))
        with open(path, "wb") as out:
            out.write(b"\x89PNG\r\n\x1a\n")
            out.write(chunk(b"IHDR", struct.pack(">IIBBBBB", self.width, self.height, 8, 2, 0, 0, 0)))
            out.write(chunk(b"IDAT", zlib.compress(bytes(rows))))
            out.write(chunk(b"IEND", b""))
