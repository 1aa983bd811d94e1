#!/usr/bin/env python3
"""Renders the wizard's 160 x 310 RGB side banner: glossy orange-red faceted spheres on a warm
background, no text, once at its own size and once at twice it (320 x 620) for screens of twice
the resolution, each from the scene itself. Writes Installer/resources/banner.png and
banner-2x.png."""

import math
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "artwork"))
import pngfile  # noqa: E402
import spheres  # noqa: E402

WIDTH, HEIGHT = 160, 310
TOP, BOTTOM = (250, 214, 160), (170, 78, 34)

BALLS = [
    spheres.Sphere(112, 58, 38, 0, 0.35, 0.2),
    spheres.Sphere(46, 128, 30, 10, -0.3, 1.1, bands=6, segments=10),
    spheres.Sphere(118, 178, 22, 5, 0.8, 0.6, bands=5, segments=9),
    spheres.Sphere(62, 236, 44, 0, 0.2, 2.0, bands=8, segments=14),
    spheres.Sphere(134, 268, 16, 20, -0.6, 0.9, bands=5, segments=8),
    spheres.Sphere(20, 30, 12, -10, 0.5, 0.4, bands=4, segments=8),
]


def background(x, y):
    t = y / HEIGHT
    colour = [TOP[i] + (BOTTOM[i] - TOP[i]) * t for i in range(3)]
    glow = math.exp(-((x - 40) ** 2 + (y - 60) ** 2) / (2 * 70.0 ** 2))
    colour = [c + (255 - c) * 0.35 * glow for c in colour]
    shade = 1.0
    for s in BALLS:  # soft contact shadows below and right of each sphere
        sx, sy = s.cx + 0.35 * s.radius, s.cy + 0.8 * s.radius
        d = ((x - sx) / (1.1 * s.radius)) ** 2 + ((y - sy) / (0.45 * s.radius)) ** 2
        shade *= 1.0 - 0.35 * math.exp(-1.5 * d)
    return (colour[0] * shade, colour[1] * shade, colour[2] * shade, 1.0)


def main():
    resources = os.path.join(os.path.dirname(__file__), "..", "Installer", "resources")
    for factor, name in ((1, "banner.png"), (2, "banner-2x.png")):
        balls = [spheres.scaled(s, factor) for s in BALLS]
        rows = spheres.render(WIDTH * factor, HEIGHT * factor, balls,
                              lambda x, y: background(x / factor, y / factor), 3)
        pngfile.write_png(os.path.join(resources, name), WIDTH * factor, HEIGHT * factor, rows,
                          alpha=False)


if __name__ == "__main__":
    main()
