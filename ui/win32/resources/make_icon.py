#!/usr/bin/env python3
"""Draws the setup program's icon, an open cardboard box with a green arrow going into it,
at 16, 32 and 48 pixels, and writes them as one .ico file (32-bit images with alpha).

    make_icon.py OUTPUT.ico [PREVIEW.ppm]

The shapes are convex polygons in a unit square; each pixel is sampled 4 x 4 times, and a
sample closer than one pixel to a polygon's edge takes the polygon's outline colour, so the
outline stays one pixel wide at every size. A preview (the three sizes side by side on
grey) is written as a PPM file when a second path is given.
"""
import struct
import sys

SIZES = (16, 32, 48)
SAMPLES = 4

# (polygon, fill, outline); drawn in this order, each over the previous ones.
SHAPES = [
    # the inside of the box, seen through its open top
    ([(0.16, 0.40), (0.84, 0.40), (0.76, 0.30), (0.24, 0.30)], (96, 60, 28), (72, 44, 20)),
    # left and right flaps, folded outwards
    ([(0.04, 0.26), (0.24, 0.30), (0.16, 0.44), (0.00, 0.40)], (222, 172, 104), (110, 72, 34)),
    ([(0.76, 0.30), (0.96, 0.26), (1.00, 0.40), (0.84, 0.44)], (222, 172, 104), (110, 72, 34)),
    # the front of the box
    ([(0.12, 0.42), (0.88, 0.42), (0.88, 0.96), (0.12, 0.96)], (200, 146, 80), (110, 72, 34)),
    # a strip of tape down the front
    ([(0.42, 0.42), (0.58, 0.42), (0.58, 0.96), (0.42, 0.96)], (232, 204, 150), (200, 146, 80)),
    # the arrow: shaft and head
    ([(0.40, 0.00), (0.60, 0.00), (0.60, 0.26), (0.40, 0.26)], (52, 180, 72), (20, 96, 36)),
    ([(0.26, 0.22), (0.74, 0.22), (0.50, 0.52)], (52, 180, 72), (20, 96, 36)),
]


def edge_distances(polygon, x, y):
    """Signed distances of (x, y) to each edge of a convex polygon, positive inside."""
    # The polygons are listed clockwise on screen (y down); make them consistent anyway.
    area = 0.0
    for i, (ax, ay) in enumerate(polygon):
        bx, by = polygon[(i + 1) % len(polygon)]
        area += ax * by - bx * ay
    sign = 1.0 if area > 0 else -1.0
    out = []
    for i, (ax, ay) in enumerate(polygon):
        bx, by = polygon[(i + 1) % len(polygon)]
        ex, ey = bx - ax, by - ay
        length = (ex * ex + ey * ey) ** 0.5
        out.append(sign * (ex * (y - ay) - ey * (x - ax)) / length)
    return out


def render(size):
    """Rows of (r, g, b, a) pixels, top row first."""
    rows = []
    line = 1.0 / size  # one pixel, in unit coordinates
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0, 0, 0, 0]
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    x = (px + (sx + 0.5) / SAMPLES) / size
                    y = (py + (sy + 0.5) / SAMPLES) / size
                    colour = None
                    for polygon, fill, outline in SHAPES:
                        d = min(edge_distances(polygon, x, y))
                        if d >= 0:
                            colour = fill if d >= line else outline
                    if colour is not None:
                        acc[0] += colour[0]
                        acc[1] += colour[1]
                        acc[2] += colour[2]
                        acc[3] += 1
            n = SAMPLES * SAMPLES
            if acc[3] == 0:
                row.append((0, 0, 0, 0))
            else:
                row.append((acc[0] // acc[3], acc[1] // acc[3], acc[2] // acc[3],
                            (255 * acc[3] + n // 2) // n))
        rows.append(row)
    return rows


def dib(rows):
    """A BITMAPINFOHEADER image as an icon holds it: 32-bit BGRA rows bottom-up, then the
    1-bit AND mask (set where the pixel is fully transparent), rows padded to 4 bytes."""
    size = len(rows)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = b''.join(bytes((b, g, r, a)) for row in reversed(rows) for (r, g, b, a) in row)
    stride = ((size + 31) // 32) * 4
    mask = b''
    for row in reversed(rows):
        bits = bytearray(stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(bits)
    return header + colour + mask


def write_ico(path, images):
    directory = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries = b''
    data = b''
    for size, image in images:
        entries += struct.pack('<BBBBHHII', size % 256, size % 256, 0, 0, 1, 32, len(image),
                               offset + len(data))
        data += image
    with open(path, 'wb') as out:
        out.write(directory + entries + data)


def write_preview(path, rendered):
    width = sum(size for size, _ in rendered) + 8 * (len(rendered) + 1)
    height = max(size for size, _ in rendered) + 16
    grey = (192, 192, 192)
    canvas = [[grey] * width for _ in range(height)]
    left = 8
    for size, rows in rendered:
        for y, row in enumerate(rows):
            for x, (r, g, b, a) in enumerate(row):
                back = canvas[8 + y][left + x]
                canvas[8 + y][left + x] = tuple((c * a + k * (255 - a)) // 255
                                                for c, k in zip((r, g, b), back))
        left += size + 8
    with open(path, 'wb') as out:
        out.write(b'P6 %d %d 255\n' % (width, height))
        out.write(b''.join(bytes(p) for row in canvas for p in row))


def main(argv):
    if len(argv) not in (2, 3):
        sys.exit(__doc__)
    rendered = [(size, render(size)) for size in SIZES]
    write_ico(argv[1], [(size, dib(rows)) for size, rows in rendered])
    if len(argv) == 3:
        write_preview(argv[2], rendered)


if __name__ == '__main__':
    main(sys.argv)
