"""A tiny orthographic ray caster for glossy, flat-faceted spheres (the banner and the icon)."""

import math

LIGHT = (-0.45, 0.6, 0.66)
_len = math.sqrt(sum(c * c for c in LIGHT))
LIGHT = tuple(c / _len for c in LIGHT)
_half = (LIGHT[0], LIGHT[1], LIGHT[2] + 1.0)
_len = math.sqrt(sum(c * c for c in _half))
HALF = tuple(c / _len for c in _half)

BASE = (226, 58, 20)  # orange-red body colour
GLINT = (255, 244, 226)  # warm white of the highlights


class Sphere:
    def __init__(self, cx, cy, radius, depth, tilt, spin, bands=7, segments=12, seam=0.6):
        self.cx, self.cy, self.radius, self.depth = cx, cy, radius, depth
        self.seam = seam  # width of the facets' seams, in pixels
        self.tilt, self.spin = tilt, spin
        self.bands, self.segments = bands, segments
        self.ct, self.st = math.cos(tilt), math.sin(tilt)
        self.cs, self.ss = math.cos(spin), math.sin(spin)

    def to_local(self, x, y, z):
        # tilt about the x axis, then spin about the y axis
        y, z = self.ct * y - self.st * z, self.st * y + self.ct * z
        return self.cs * x + self.ss * z, y, -self.ss * x + self.cs * z

    def to_world(self, x, y, z):
        x, z = self.cs * x - self.ss * z, self.ss * x + self.cs * z
        return x, self.ct * y + self.st * z, -self.st * y + self.ct * z

    def shade(self, nx, ny, nz):
        """Colour at the surface point whose true normal is (nx, ny, nz), y pointing up."""
        lx, ly, lz = self.to_local(nx, ny, nz)
        lat = math.asin(max(-1.0, min(1.0, ly)))
        lon = math.atan2(lx, lz)
        band_h = math.pi / self.bands
        seg_w = 2 * math.pi / self.segments
        bf = (lat + math.pi / 2) / band_h
        sf = (lon + math.pi) / seg_w
        lat_c = (math.floor(bf) + 0.5) * band_h - math.pi / 2
        lon_c = (math.floor(sf) + 0.5) * seg_w - math.pi
        fx, fy, fz = self.to_world(math.cos(lat_c) * math.sin(lon_c), math.sin(lat_c),
                                   math.cos(lat_c) * math.cos(lon_c))
        diffuse = max(0.0, fx * LIGHT[0] + fy * LIGHT[1] + fz * LIGHT[2])
        facet_gloss = max(0.0, fx * HALF[0] + fy * HALF[1] + fz * HALF[2]) ** 28
        smooth_gloss = max(0.0, nx * HALF[0] + ny * HALF[1] + nz * HALF[2]) ** 90
        rim = (1.0 - max(0.0, nz)) ** 3
        # thin darker seams where facets meet
        edge = min(abs(bf - round(bf)) * band_h, abs(sf - round(sf)) * seg_w * math.cos(lat))
        seam = 0.82 if edge * self.radius < self.seam else 1.0
        light = (0.2 + 0.8 * diffuse) * seam
        out = []
        for i in range(3):
            v = BASE[i] * light + GLINT[i] * (0.5 * facet_gloss + 0.85 * smooth_gloss)
            v += (255, 170, 90)[i] * 0.35 * rim
            out.append(v)
        return out


def scaled(s, factor):
    """The same sphere drawn `factor` times as large: seams stay as wide as in the 1x picture."""
    return Sphere(s.cx * factor, s.cy * factor, s.radius * factor, s.depth * factor, s.tilt,
                  s.spin, s.bands, s.segments, s.seam * factor)


def hit(spheres, x, y):
    """The front-most sphere under (x, y) with the normal there, or None."""
    best = None
    for s in spheres:
        dx = (x - s.cx) / s.radius
        dy = (s.cy - y) / s.radius
        d2 = dx * dx + dy * dy
        if d2 >= 1.0:
            continue
        nz = math.sqrt(1.0 - d2)
        z = s.depth + nz * s.radius
        if best is None or z > best[0]:
            best = (z, s, dx, dy, nz)
    return best


def render(width, height, spheres, background, samples):
    """Rows of (r, g, b, a) bytes; `background(x, y)` gives (r, g, b, a) floats or None."""
    rows = []
    step = 1.0 / samples
    for py in range(height):
        row = []
        for px in range(width):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(samples):
                y = py + (sy + 0.5) * step
                for sx in range(samples):
                    x = px + (sx + 0.5) * step
                    found = hit(spheres, x, y)
                    if found:
                        _, s, dx, dy, nz = found
                        r, g, b = s.shade(dx, dy, nz)
                        a = 1.0
                    elif background:
                        r, g, b, a = background(x, y)
                    else:
                        r = g = b = a = 0.0
                    acc[0] += r * a
                    acc[1] += g * a
                    acc[2] += b * a
                    acc[3] += a
            n = samples * samples
            alpha = acc[3] / n
            if alpha > 0:
                pixel = [min(255, max(0, round(acc[i] / acc[3]))) for i in range(3)]
            else:
                pixel = [0, 0, 0]
            row.append((*pixel, min(255, round(alpha * 255))))
        rows.append(row)
    return rows
