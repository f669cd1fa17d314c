#!/usr/bin/env python3
"""Draws Tarnvale's 32 x 32 window icon (24 bits per pixel): two worksheets side
by side with an arrow between them. Usage: make_window_icon.py OUT.png"""
import struct
import sys
import zlib

SIZE = 32
BACKGROUND = (0x1F, 0x5C, 0x3A)
PAPER = (0xFF, 0xFF, 0xFF)
GRID = (0x9C, 0xC5, 0xA8)
HEADER = (0xD8, 0xEA, 0xDD)
ARROW = (0xF2, 0x9A, 0x1D)


def draw():
    image = [[BACKGROUND] * SIZE for _ in range(SIZE)]

    def sheet(left, top, width, height):
        for y in range(top, top + height):
            for x in range(left, left + width):
                on_grid = (x - left) % 4 == 0 or (y - top) % 4 == 0
                image[y][x] = HEADER if y - top < 4 else (GRID if on_grid else PAPER)

    sheet(2, 4, 12, 24)
    sheet(18, 4, 12, 24)
    # A two-way arrow across the gap.
    for x in range(9, 23):
        for y in (15, 16):
            image[y][x] = ARROW
    for d in range(4):
        for y in range(15 - d, 17 + d):
            image[y][9 + d] = ARROW
            image[y][22 - d] = ARROW
    return image


def png(image):
    raw = b"".join(b"\0" + bytes(c for pixel in row for c in pixel) for row in image)

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))

    return (b"\x89PNG\r\n\x1a\n" +
            chunk(b"IHDR", struct.pack(">IIBBBBB", SIZE, SIZE, 8, 2, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


if __name__ == "__main__":
    with open(sys.argv[1], "wb") as out:
        out.write(png(draw()))
