#!/usr/bin/env python3
"""Draws Tarnvale's hover pointer, a pointing hand, and writes it as a Windows
cursor file (32 x 32, 32 bits per pixel with an AND mask, hot spot at the
fingertip). Usage: make_hand_cursor.py OUT.CUR"""
import struct
import sys

# The outline; everything the outside cannot reach through blanks is filled white.
HAND = [
    "......XX.........",
    ".....X..X........",
    ".....X..X........",
    ".....X..X........",
    ".....X..X........",
    ".....X..XXX......",
    ".....X..X..XXX...",
    ".....X..X..X..XX.",
    ".XX..X..X..X..X.X",
    "X..X.X........X.X",
    "X...XX..........X",
    ".X..............X",
    "..X.............X",
    "..X.............X",
    "...X...........X.",
    "...X...........X.",
    "....X.........X..",
    "....X.........X..",
    ".....X.......X...",
    ".....X.......X...",
    ".....XXXXXXXXX...",
]
SIZE = 32
OFFSET_X, OFFSET_Y = 4, 1
HOT_SPOT = (OFFSET_X + 6, OFFSET_Y + 0)


def shape():
    """Returns a SIZE x SIZE grid of 'X' (black), 'o' (white) or '.' (clear)."""
    grid = [["."] * SIZE for _ in range(SIZE)]
    for y, row in enumerate(HAND):
        for x, cell in enumerate(row):
            grid[OFFSET_Y + y][OFFSET_X + x] = cell
    outside = set()
    todo = [(x, y) for x in range(SIZE) for y in (0, SIZE - 1)]
    while todo:
        x, y = todo.pop()
        if not (0 <= x < SIZE and 0 <= y < SIZE) or (x, y) in outside or grid[y][x] == "X":
            continue
        outside.add((x, y))
        todo += [(x + 1, y), (x - 1, y), (x, y + 1), (x, y - 1)]
    for y in range(SIZE):
        for x in range(SIZE):
            if grid[y][x] == "." and (x, y) not in outside:
                grid[y][x] = "o"
    return grid


def cursor_file(grid):
    pixels = bytearray()
    mask = bytearray()
    for y in reversed(range(SIZE)):  # bottom-up rows
        bits = 0
        for x in range(SIZE):
            cell = grid[y][x]
            if cell == "X":
                pixels += bytes((0, 0, 0, 255))
            elif cell == "o":
                pixels += bytes((255, 255, 255, 255))
            else:
                pixels += bytes((0, 0, 0, 0))
                bits |= 1 << (SIZE - 1 - x)
        mask += struct.pack(">I", bits)
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 32, 0,
                         len(pixels) + len(mask), 0, 0, 0, 0)
    image = header + pixels + mask
    directory = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, HOT_SPOT[0], HOT_SPOT[1],
                        len(image), 6 + 16)
    return directory + entry + image


if __name__ == "__main__":
    with open(sys.argv[1], "wb") as out:
        out.write(cursor_file(shape()))
