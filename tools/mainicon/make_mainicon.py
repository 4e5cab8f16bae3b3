#!/usr/bin/env python3
"""Draws the program's icon MAINICON, 32 x 32, as an XPM file.

A book with an indigo cover, seen from the front, crossed by three rounded bands of
pale haze, with cream page edges at the right and bottom. Run it to rewrite
src/ui/qt/icons/mainicon.xpm (the file is committed; the build does not
run this script).
"""
import pathlib
import sys

SIZE = 32
PALETTE = {
    " ": "None",
    "k": "#1B2250",  # outline
    "c": "#2E3F95",  # cover
    "s": "#202C70",  # spine
    "h": "#F6CADB",  # haze
    "w": "#FFF8E8",  # page edges
    "p": "#D8CBB0",  # page lines
    "g": "#E8B830",  # golden ribbon
}


def draw():
    grid = [[" "] * SIZE for _ in range(SIZE)]

    def fill(x0, y0, x1, y1, colour):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                grid[y][x] = colour

    # Page block behind the cover, showing at the right and the bottom.
    fill(8, 4, 27, 29, "w")
    for y in range(6, 30, 3):
        fill(26, y, 27, y, "p")
    for x in range(10, 27, 3):
        fill(x, 29, x, 29, "p")
    # Cover with its spine and outline.
    fill(4, 2, 25, 27, "c")
    fill(4, 2, 7, 27, "s")
    for x in range(4, 26):
        grid[2][x] = grid[27][x] = "k"
    for y in range(2, 28):
        grid[y][4] = grid[y][25] = "k"
    # Three bands of haze with rounded ends.
    for y, x0, x1 in ((8, 11, 22), (14, 9, 19), (20, 13, 23)):
        fill(x0 + 1, y, x1 - 1, y, "h")
        fill(x0, y + 1, x1, y + 2, "h")
        fill(x0 + 1, y + 3, x1 - 1, y + 3, "h")
    # A ribbon marker hanging from the top edge.
    fill(21, 0, 22, 5, "g")
    grid[6][21] = "g"
    return grid


def xpm(grid):
    lines = ["/* XPM */", "static const char *mainicon[] = {",
             f'"{SIZE} {SIZE} {len(PALETTE)} 1",']
    lines += [f'"{key} c {value}",' for key, value in PALETTE.items()]
    rows = ['"' + "".join(row) + '"' for row in grid]
    lines += [row + "," for row in rows[:-1]] + [rows[-1], "};"]
    return "\n".join(lines) + "\n"


def main():
    root = pathlib.Path(__file__).resolve().parents[2]
    target = root / "src/ui/qt/icons/mainicon.xpm"
    if len(sys.argv) > 1:
        target = pathlib.Path(sys.argv[1])
    target.write_text(xpm(draw()), encoding="ascii")


if __name__ == "__main__":
    main()
