#!/usr/bin/env python3
"""Which of the download window's run buttons are enabled, read from a screenshot.

    window_buttons.py DUMP X Y WIDTH HEIGHT

DUMP is an xwd dump of the Wine desktop; X Y WIDTH HEIGHT the window's frame in it.
Prints e.g. "play=off skip=on stop=on pause=on". The buttons sit in the lower panel
(26 high, right above the 24-high status bar), 81 x 25 at 8, 97, 184 and 272, top 1. An
enabled button draws its caption in black; a disabled one in grey with a white shadow,
so a button is enabled when its caption area holds near-black pixels.
"""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from xwd_to_png import read_dump  # noqa: E402

FRAME_BORDER = 4
BUTTONS = (('play', 8), ('skip', 97), ('stop', 184), ('pause', 272))


def main(argv):
    if len(argv) != 6:
        raise SystemExit(__doc__)
    _width, _height, rows = read_dump(argv[1])
    x, y, width, height = (int(value) for value in argv[2:])
    client_left = x + FRAME_BORDER
    button_top = y + height - FRAME_BORDER - 24 - 26 + 1
    states = []
    for name, left in BUTTONS:
        dark = 0
        for row in rows[button_top + 4:button_top + 21]:
            for column in range(client_left + left + 4, client_left + left + 77):
                if max(row[3 * column:3 * column + 3]) < 60:
                    dark += 1
        states.append(f'{name}={"on" if dark else "off"}')
    print(' '.join(states))


if __name__ == '__main__':
    main(sys.argv)
