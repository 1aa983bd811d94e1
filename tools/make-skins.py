#!/usr/bin/env python3
"""Draws the two control skins pixel by pixel: the 28 x 14 RGB check-box strip (unchecked and
checked frames side by side) and the 112 x 17 RGBA combo-box skin. Each is drawn once at its own
size and once at twice it: lines are then two pixels thick, and the shading and the arrow are
drawn at the finer pixels. Writes Installer/resources/check-strip.png, combo-skin.png and their
-2x twins."""

import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "artwork"))
import pngfile  # noqa: E402

RESOURCES = os.path.join(os.path.dirname(__file__), "..", "Installer", "resources")
NEAR_BLACK = (14, 14, 15)


def lerp(a, b, t):
    return tuple(round(a[i] + (b[i] - a[i]) * t) for i in range(3))


def unit(pixel, factor):
    """The 1x pixel a pixel of the `factor` times larger picture lies in."""
    return pixel // factor


def centre(pixel, factor):
    """Where a pixel's centre lies in 1x pixels, such that 1x pixels come out whole."""
    return (pixel + 0.5) / factor - 0.5


def check_frame(bottom, rim, edge, middle, factor):
    """One 14 x 14 box: dark outer line, lighter bottom row, 1-pixel rim, a square shaded in
    rings from `edge` at its border to `middle` in its middle."""
    rows = []
    for py in range(14 * factor):
        row = []
        y = unit(py, factor)
        for px in range(14 * factor):
            x = unit(px, factor)
            if y == 13:
                row.append(bottom)
            elif y == 0 or x == 0 or x == 13:
                row.append(NEAR_BLACK)
            elif y == 1 or y == 12 or x == 1 or x == 12:
                row.append(rim)
            else:
                cx, cy = centre(px, factor), centre(py, factor)
                ring = max(0.0, min(cx - 2, 11 - cx, cy - 2, 11 - cy))  # 0 at the border .. 4
                row.append(lerp(edge, middle, min(ring, 4) / 4))
        rows.append(row)
    return rows


def check_strip(factor):
    off = check_frame((106, 107, 108), (37, 37, 37), (55, 55, 55), (150, 150, 150), factor)
    on = check_frame((106, 144, 169), (37, 84, 115), (57, 156, 198), (165, 253, 253), factor)
    return [off[y] + on[y] for y in range(14 * factor)]


FIELD = (203, 200, 200)
FIELD_END = 92  # last column of the light field
BUTTON = (93, 109)  # first and last column of the dark drop button
ARROW = (222, 222, 224)


def combo_pixel(px, py, factor):
    w, h = 112, 17
    x, y = unit(px, factor), unit(py, factor)
    cx, cy = centre(px, factor), centre(py, factor)
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
        colour = lerp((70, 71, 74), (40, 41, 44), min(max(cy - 1, 0), h - 3) / (h - 3))
        half = 10 - cy  # downward triangle on rows 6..10, 9 pixels wide at the top
        if 6 <= y <= 10 and abs(cx - 101) <= half + 0.5 - 0.5 / factor:
            colour = ARROW
    else:
        colour = (28, 28, 30)  # inner shadow between the button and the frame
    return (*colour, 110 if corner else 255)  # softened corners


def main():
    for factor, suffix in ((1, ""), (2, "-2x")):
        pngfile.write_png(os.path.join(RESOURCES, f"check-strip{suffix}.png"), 28 * factor,
                          14 * factor, check_strip(factor), alpha=False)
        rows = [[combo_pixel(x, y, factor) for x in range(112 * factor)]
                for y in range(17 * factor)]
        pngfile.write_png(os.path.join(RESOURCES, f"combo-skin{suffix}.png"), 112 * factor,
                          17 * factor, rows, alpha=True)


if __name__ == "__main__":
    main()
