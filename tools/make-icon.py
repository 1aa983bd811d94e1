#!/usr/bin/env python3
"""Renders the application icon, one glossy faceted orange-red sphere on a transparent
background, in seven sizes: Installer/resources/icon-<size>.png (RGBA) and app.ico holding all
of them."""

import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "artwork"))
import pngfile  # noqa: E402
import spheres  # noqa: E402

SIZES = (16, 24, 32, 48, 64, 128, 256)
RESOURCES = os.path.join(os.path.dirname(__file__), "..", "Installer", "resources")


def main():
    images = []
    for size in SIZES:
        c = size / 2
        # fewer facets at small sizes so that they stay visible
        bands, segments = (4, 8) if size < 32 else (7, 12)
        ball = spheres.Sphere(c, c, size * 0.46, 0, 0.35, 0.2, bands, segments)
        rows = spheres.render(size, size, [ball], None, 4 if size <= 64 else 2)
        png = pngfile.encode_png(size, size, rows, alpha=True)
        with open(os.path.join(RESOURCES, "icon-%d.png" % size), "wb") as f:
            f.write(png)
        images.append((size, png))
    pngfile.write_ico(os.path.join(RESOURCES, "app.ico"), images)


if __name__ == "__main__":
    main()
