#!/usr/bin/env python3
"""Draws the program's icon (a disk enclosure on a network line) and writes
tessavue.ico with a 32x32 and a 16x16 image, 32 bits per pixel, or, with
--png, the same drawing as PNG files for the Linux icon theme.

The icons are committed; run this again only to change the drawing:
    python3 resources/make_icon.py resources/tessavue.ico
    python3 resources/make_icon.py --png packaging/icons
"""
import struct
import sys
import zlib

# The sizes installed in the hicolor icon theme.
PNG_SIZES = [16, 24, 32, 48, 64, 128, 256]

BLUE = (0, 98, 147, 255)
DARK = (20, 28, 40, 255)
CASE = (214, 220, 228, 255)
EDGE = (120, 130, 142, 255)
LED = (60, 220, 90, 255)
WIRE = (255, 255, 255, 255)
CLEAR = (0, 0, 0, 0)


def draw(size):
    s = size / 32.0
    px = [[CLEAR] * size for _ in range(size)]

    def rect(x0, y0, x1, y1, colour):
        for y in range(int(y0 * s), max(int(y1 * s), int(y0 * s) + 1)):
            for x in range(int(x0 * s), max(int(x1 * s), int(x0 * s) + 1)):
                if 0 <= x < size and 0 <= y < size:
                    px[y][x] = colour

    # Round badge in the dialogs' blue.
    r = size / 2.0
    for y in range(size):
        for x in range(size):
            if (x + 0.5 - r) ** 2 + (y + 0.5 - r) ** 2 <= (r - 0.5) ** 2:
                px[y][x] = BLUE
    # The enclosure: a light box with a dark front and two drive bays.
    rect(8, 6, 24, 21, EDGE)
    rect(9, 7, 23, 20, CASE)
    rect(10, 9, 22, 12, DARK)
    rect(10, 14, 22, 17, DARK)
    rect(19, 10, 21, 11, LED)
    rect(19, 15, 21, 16, LED)
    # The network line below it.
    rect(15, 21, 17, 25, WIRE)
    rect(7, 25, 25, 27, WIRE)
    return px


def dib(px):
    size = len(px)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = b''.join(bytes((b, g, r, a)) for row in reversed(px) for (r, g, b, a) in row)
    stride = ((size + 31) // 32) * 4
    mask = b''
    for row in reversed(px):
        line = bytearray(stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                line[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(line)
    return header + colour + mask


def png(px):
    size = len(px)
    raw = b''.join(b'\0' + b''.join(bytes(c) for c in row) for row in px)

    def chunk(kind, data):
        return (struct.pack('>I', len(data)) + kind + data +
                struct.pack('>I', zlib.crc32(kind + data) & 0xffffffff))

    header = struct.pack('>IIBBBBB', size, size, 8, 6, 0, 0, 0)  # 8-bit RGBA
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', header) +
            chunk(b'IDAT', zlib.compress(raw, 9)) + chunk(b'IEND', b''))


def write_pngs(folder):
    for size in PNG_SIZES:
        with open('%s/tessavue-%d.png' % (folder, size), 'wb') as f:
            f.write(png(draw(size)))


def main(path):
    images = [dib(draw(32)), dib(draw(16))]
    sizes = [32, 16]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in zip(sizes, images):
        out += struct.pack('<BBBBHHII', size, size, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    out += b''.join(images)
    with open(path, 'wb') as f:
        f.write(out)


if __name__ == '__main__':
    if len(sys.argv) == 3 and sys.argv[1] == '--png':
        write_pngs(sys.argv[2])
    else:
        main(sys.argv[1] if len(sys.argv) > 1 else 'tessavue.ico')
