#!/usr/bin/env python3
"""make_icon.py: draws the application's envelope icon and writes it as a .ico file with two
32 x 32 images, 256 colours (8-bit palette) and 24-bit colour. Usage: make_icon.py OUTPUT.ico"""
import struct
import sys

SIZE = 32
LEFT, RIGHT, TOP, BOTTOM = 2, 29, 7, 25
FOLD = (15.5, 17.0)  # where the flap's point meets the paper

INK = (38, 62, 128)
PAPER = (252, 250, 240)
FLAP = (226, 220, 196)
SHADOW = (150, 150, 160)
SEAL = (200, 40, 40)


def distance_to_segment(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / float(dx * dx + dy * dy)))
    cx, cy = ax + t * dx, ay + t * dy
    return ((px - cx) ** 2 + (py - cy) ** 2) ** 0.5


def below_flap(x, y):
    """True for paper that the flap does not cover: under both of its edges."""
    fx, fy = FOLD
    left_edge = TOP + (fy - TOP) * (x - LEFT) / (fx - LEFT)
    right_edge = TOP + (fy - TOP) * (RIGHT - x) / (RIGHT - fx)
    return y > min(left_edge, right_edge) if LEFT <= x <= RIGHT else True


def pixel(x, y):
    """The colour at x, y (top row 0), or None where the icon is transparent."""
    inside = LEFT <= x <= RIGHT and TOP <= y <= BOTTOM
    if not inside:
        shadow = LEFT + 1 <= x <= RIGHT + 1 and TOP + 1 <= y <= BOTTOM + 1
        return SHADOW if shadow else None
    if x in (LEFT, RIGHT) or y in (TOP, BOTTOM):
        return INK
    fx, fy = FOLD
    if ((x - fx) ** 2 + (y - fy + 0.5) ** 2) ** 0.5 < 2.3:
        return SEAL
    if min(distance_to_segment(x, y, LEFT, TOP, fx, fy),
           distance_to_segment(x, y, RIGHT, TOP, fx, fy)) < 0.7:
        return INK
    if min(distance_to_segment(x, y, LEFT, BOTTOM, fx - 3, fy + 1),
           distance_to_segment(x, y, RIGHT, BOTTOM, fx + 3, fy + 1)) < 0.5:
        return FLAP
    return PAPER if below_flap(x, y) else FLAP


def picture():
    return [[pixel(x, y) for x in range(SIZE)] for y in range(SIZE)]


def and_mask(rows):
    """One bit a pixel, set where transparent; rows bottom-up, each padded to four bytes."""
    out = b""
    for row in reversed(rows):
        bits = 0
        for colour in row:
            bits = (bits << 1) | (colour is None)
        out += struct.pack(">I", bits)
    return out


def bitmap_header(bit_count, colours_used):
    size = SIZE * SIZE * bit_count // 8
    # The height counts the colour bitmap and the mask together.
    return struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, bit_count, 0, size, 0, 0,
                       colours_used, 0)


def image_8bit(rows):
    palette = sorted({colour for row in rows for colour in row if colour is not None})
    index = {colour: n for n, colour in enumerate(palette)}
    table = b"".join(struct.pack("BBBB", b, g, r, 0) for r, g, b in palette)
    table += b"\0" * (4 * (256 - len(palette)))
    pixels = b"".join(bytes(index.get(colour, 0) for colour in row) for row in reversed(rows))
    return bitmap_header(8, 256) + table + pixels + and_mask(rows)


def image_24bit(rows):
    pixels = b"".join(b"".join(struct.pack("BBB", *reversed(colour or (0, 0, 0)))
                               for colour in row) for row in reversed(rows))
    return bitmap_header(24, 0) + pixels + and_mask(rows)


def icon_file(images):
    """The .ico container: a directory of (bit count, image) entries, then the images."""
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for bit_count, data in images:
        colour_count = 0  # 256 and more colours are written as 0
        out += struct.pack("<BBBBHHII", SIZE, SIZE, colour_count, 0, 1, bit_count, len(data),
                           offset)
        offset += len(data)
    return out + b"".join(data for _, data in images)


def main():
    rows = picture()
    data = icon_file([(8, image_8bit(rows)), (24, image_24bit(rows))])
    with open(sys.argv[1], "wb") as output:
        output.write(data)


if __name__ == "__main__":
    main()
