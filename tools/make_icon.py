#!/usr/bin/env python3
"""Draws the applet's icon, an ISA plug-in board, and writes it as a .ico file.

The picture is described once as shapes in a unit square and rasterised for
each image size; colours are then mapped onto each image's palette. The file
holds, in this order: 32x32 16 colours, 48x48 256 colours, 32x32 256 colours,
16x16 16 colours and 32x32 monochrome, each a palette bitmap with an AND mask.

Usage: make_icon.py [output.ico]   (default: applet/icons/dorvik.ico)
"""

import os
import struct
import sys

# Colours of the picture (RGB). None is the transparent background.
PCB = (0, 128, 0)
PCB_EDGE = (0, 64, 0)
PCB_LIGHT = (0, 176, 64)
GOLD = (224, 176, 0)
GOLD_DARK = (128, 128, 0)
CHIP = (24, 24, 24)
CHIP_MARK = (96, 96, 96)
PIN = (192, 192, 192)
BRACKET = (160, 160, 160)
BRACKET_DARK = (96, 96, 96)
TRACE = (96, 192, 96)

# The sixteen colours of the standard VGA palette, in their usual order.
VGA16 = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]


def inside(u, v, box):
    x0, y0, x1, y1 = box
    return x0 <= u < x1 and y0 <= v < y1


# Shapes in unit coordinates (x0, y0, x1, y1), y pointing down.
BRACKET_BAR = (0.03, 0.08, 0.13, 0.94)
BRACKET_TAB = (0.03, 0.08, 0.24, 0.16)
BOARD = (0.13, 0.22, 0.97, 0.74)
CONNECTOR_TAB = (0.30, 0.74, 0.88, 0.88)
FINGER_ROW = (0.32, 0.76, 0.86, 0.88)
CHIPS = [(0.22, 0.32, 0.52, 0.58), (0.62, 0.34, 0.88, 0.54)]
TRACES = [(0.36, 0.58, 0.39, 0.76), (0.74, 0.54, 0.77, 0.76), (0.52, 0.44, 0.62, 0.47)]


def base_colour(size, px, py):
    """Colour of pixel (px, py) of a size x size image before edge shading."""
    u = (px + 0.5) / size
    v = (py + 0.5) / size
    if inside(u, v, BRACKET_BAR) or inside(u, v, BRACKET_TAB):
        return BRACKET
    if inside(u, v, FINGER_ROW):
        # Fingers by whole pixels, so they stay distinct at every size.
        period = 2 if size <= 16 else 3
        x0 = int(FINGER_ROW[0] * size + 0.5)
        return GOLD if (px - x0) % period != period - 1 else PCB
    if inside(u, v, CONNECTOR_TAB):
        return PCB
    if inside(u, v, BOARD):
        for chip in CHIPS:
            if inside(u, v, chip):
                # A row of pins along the long edges of each chip.
                pin_band = max(1.0 / size, (chip[3] - chip[1]) * 0.18)
                if v < chip[1] + pin_band or v >= chip[3] - pin_band:
                    return PIN if px % 2 == 0 else PCB
                if size >= 32 and abs(u - (chip[0] + 0.06)) < 0.6 / size and \
                        abs(v - (chip[1] + pin_band + 0.05)) < 0.6 / size:
                    return CHIP_MARK  # pin-1 dot
                return CHIP
        if size >= 32:
            for trace in TRACES:
                if inside(u, v, trace):
                    return TRACE
        return PCB
    return None


def draw(size):
    """The picture as rows of RGB tuples (None = transparent), top row first."""
    grid = [[base_colour(size, x, y) for x in range(size)] for y in range(size)]

    def at(x, y):
        if 0 <= x < size and 0 <= y < size:
            return grid[y][x]
        return None

    shaded = [row[:] for row in grid]
    for y in range(size):
        for x in range(size):
            c = grid[y][x]
            if c is None:
                continue
            open_below = at(x, y + 1) is None
            open_right = at(x + 1, y) is None
            open_above = at(x, y - 1) is None
            open_left = at(x - 1, y) is None
            if c == PCB and (open_below or open_right):
                shaded[y][x] = PCB_EDGE
            elif c == PCB and (open_above or open_left):
                shaded[y][x] = PCB_LIGHT
            elif c == GOLD and open_below:
                shaded[y][x] = GOLD_DARK
            elif c == BRACKET and (open_right or open_below):
                shaded[y][x] = BRACKET_DARK
    return shaded


def nearest(colour, palette):
    def distance(p):
        return sum((a - b) ** 2 for a, b in zip(colour, p))
    return min(range(len(palette)), key=lambda i: distance(palette[i]))


def palette_256(pictures):
    """Black first (the transparent pixels' index), then every picture colour."""
    colours = [(0, 0, 0)]
    for picture in pictures:
        for row in picture:
            for c in row:
                if c is not None and c not in colours:
                    colours.append(c)
    colours += VGA16
    seen = []
    for c in colours:
        if c not in seen:
            seen.append(c)
    return seen + [(0, 0, 0)] * (256 - len(seen))


def monochrome(picture):
    """Black outline, black chips and fingers on a white board."""
    size = len(picture)
    palette = [(0, 0, 0), (255, 255, 255)]
    indices = []
    for y in range(size):
        row = []
        for x in range(size):
            c = picture[y][x]
            if c is None:
                row.append(None)
                continue
            edge = any(
                not (0 <= x + dx < size and 0 <= y + dy < size) or picture[y + dy][x + dx] is None
                for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)))
            dark = c in (CHIP, CHIP_MARK, GOLD, GOLD_DARK, BRACKET, BRACKET_DARK)
            row.append(0 if edge or dark else 1)
        indices.append(row)
    return palette, indices


def indexed(picture, palette):
    return [[None if c is None else nearest(c, palette) for c in row] for row in picture]


def row_bytes(bits_per_row):
    return (bits_per_row + 31) // 32 * 4


def encode_bitmap(indices, palette, bpp):
    """BITMAPINFOHEADER, palette, XOR bits and AND mask, rows bottom-up."""
    size = len(indices)
    xor_stride = row_bytes(size * bpp)
    and_stride = row_bytes(size)
    xor = bytearray()
    mask = bytearray()
    for row in reversed(indices):
        bits = 0
        nbits = 0
        line = bytearray()
        for i in row:
            bits = (bits << bpp) | (0 if i is None else i)
            nbits += bpp
            if nbits == 8:
                line.append(bits)
                bits = nbits = 0
        if nbits:
            line.append(bits << (8 - nbits))
        xor += line + bytes(xor_stride - len(line))
        m = bytearray(and_stride)
        for x, i in enumerate(row):
            if i is None:
                m[x // 8] |= 0x80 >> (x % 8)
        mask += m
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, bpp, 0,
                         len(xor) + len(mask), 0, 0, 0, 0)
    colours = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in palette)
    assert len(palette) == 1 << bpp
    return header + colours + bytes(xor) + bytes(mask)


def build_images():
    pictures = {size: draw(size) for size in (16, 32, 48)}
    p256 = palette_256([pictures[32], pictures[48]])
    images = []  # (size, colour count, bpp, bitmap bytes)
    for size, bpp in ((32, 4), (48, 8), (32, 8), (16, 4), (32, 1)):
        if bpp == 1:
            palette, indices = monochrome(pictures[size])
        else:
            palette = VGA16 if bpp == 4 else p256
            indices = indexed(pictures[size], palette)
        images.append((size, 1 << bpp, bpp, encode_bitmap(indices, palette, bpp)))
    return images


def encode_ico(images):
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    data = b''
    for size, colours, bpp, bitmap in images:
        out += struct.pack('<BBBBHHII', size % 256, size % 256, colours % 256, 0, 1, bpp,
                           len(bitmap), offset)
        offset += len(bitmap)
        data += bitmap
    return out + data


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    target = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, '..', 'applet', 'icons',
                                                                  'dorvik.ico')
    os.makedirs(os.path.dirname(os.path.abspath(target)), exist_ok=True)
    with open(target, 'wb') as f:
        f.write(encode_ico(build_images()))


if __name__ == '__main__':
    main()
