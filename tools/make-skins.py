#!/usr/bin/env python3
"""Draws the two control skins pixel by pixel: the 28 x 14 RGB check-box strip (unchecked and
checked frames side by side) and the 112 x 17 RGBA combo-box skin. Writes them to
Installer/resources/check-strip.png and combo-skin.png."""

import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "artwork"))
import pngfile  # noqa: E402

RESOURCES = os.path.join(os.path.dirname(__file__), "..", "Installer", "resources")
NEAR_BLACK = (14, 14, 15)


def lerp(a, b, t):
    return tuple(round(a[i] + (b[i] - a[i]) * t) for i in range(3))


def check_frame(bottom, rim, edge, centre):
    """One 14 x 14 box: dark outer line, lighter bottom row, 1-pixel rim, a square shaded in
    rings from `edge` at its border to `centre` in its middle."""
    rows = []
    for y in range(14):
        row = []
        for x in range(14):
            if y == 13:
                row.append(bottom)
            elif y == 0 or x == 0 or x == 13:
                row.append(NEAR_BLACK)
            elif y == 1 or y == 12 or x == 1 or x == 12:
                row.append(rim)
            else:
                ring = min(x - 2, 11 - x, y - 2, 11 - y)  # 0 on the border .. 4 in the middle
                row.append(lerp(edge, centre, ring / 4))
        rows.append(row)
    return rows


def check_strip():
    off = check_frame((106, 107, 108), (37, 37, 37), (55, 55, 55), (150, 150, 150))
    on = check_frame((106, 144, 169), (37, 84, 115), (57, 156, 198), (165, 253, 253))
    return [off[y] + on[y] for y in range(14)]


FIELD = (203, 200, 200)
FIELD_END = 92  # last column of the light field
BUTTON = (93, 109)  # first and last column of the dark drop button
ARROW = (222, 222, 224)


def combo_pixel(x, y):
    w, h = 112, 17
    corner = (x in (0, w - 1)) and (y in (0, h - 1))
    if y == h - 1:
        colour = (116, 117, 119)
    elif y == 0 or x == 0 or x == w - 1:
        colour = NEAR_BLACK
    elif x == 1:
        colour = (150, 148, 148)  # shaded inner edge of the field
    elif x <= FIELD_END:
        colour = (178, 175, 175) if y == 1 else FIELD
    elif BUTTON[0] <= x <= BUTTON[1]:
        colour = lerp((70, 71, 74), (40, 41, 44), (y - 1) / (h - 3))
        half = 10 - y  # downward triangle on rows 6..10, 9 pixels wide at the top
        if 6 <= y <= 10 and abs(x - 101) <= half:
            colour = ARROW
    else:
        colour = (28, 28, 30)  # inner shadow between the button and the frame
    return (*colour, 110 if corner else 255)  # softened corners


def main():
    pngfile.write_png(os.path.join(RESOURCES, "check-strip.png"), 28, 14, check_strip(),
                      alpha=False)
    rows = [[combo_pixel(x, y) for x in range(112)] for y in range(17)]
    pngfile.write_png(os.path.join(RESOURCES, "combo-skin.png"), 112, 17, rows, alpha=True)


if __name__ == "__main__":
    main()
