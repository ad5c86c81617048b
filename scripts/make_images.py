#!/usr/bin/env python3
"""Draws the raster pictures of the pages (about48.png, car.png, 207.png the busy dialog, 211.png the open run mark).

Run from anywhere: python3 resources/images/make_images.py. Shapes are signed distance
fields, so edges come out anti-aliased without supersampling; the PNG writer is the
standard library's zlib. The vector pictures (*.svg) are written by hand beside it.
"""
import math
import os
import struct
import zlib

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "resources", "images")


class Image:
    def __init__(self, w, h, bg=(0, 0, 0, 0)):
        self.w, self.h = w, h
        self.px = [list(bg) for _ in range(w * h)]

    def blend(self, x, y, rgb, a):
        if a <= 0:
            return
        p = self.px[y * self.w + x]
        sa = min(1.0, a) * (rgb[3] / 255.0 if len(rgb) > 3 else 1.0)
        da = p[3] / 255.0
        oa = sa + da * (1 - sa)
        if oa <= 0:
            return
        for i in range(3):
            p[i] = (rgb[i] * sa + p[i] * da * (1 - sa)) / oa
        p[3] = oa * 255.0

    def paint(self, sdf, color, box=None):
        """Fills where sdf(x, y) < 0; color is an (r,g,b[,a]) tuple or a function of (x, y)."""
        x0, y0, x1, y1 = box or (0, 0, self.w, self.h)
        for y in range(max(0, int(y0)), min(self.h, int(math.ceil(y1)))):
            for x in range(max(0, int(x0)), min(self.w, int(math.ceil(x1)))):
                d = sdf(x + 0.5, y + 0.5)
                cov = 0.5 - d
                if cov <= 0:
                    continue
                c = color(x + 0.5, y + 0.5) if callable(color) else color
                self.blend(x, y, c, min(1.0, cov))

    def save(self, name):
        raw = bytearray()
        for y in range(self.h):
            raw.append(0)
            for x in range(self.w):
                p = self.px[y * self.w + x]
                raw.extend(max(0, min(255, int(round(v)))) for v in p)

        def chunk(tag, data):
            c = struct.pack(">I", len(data)) + tag + data
            return c + struct.pack(">I", zlib.crc32(tag + data) & 0xFFFFFFFF)

        png = b"\x89PNG\r\n\x1a\n"
        png += chunk(b"IHDR", struct.pack(">IIBBBBB", self.w, self.h, 8, 6, 0, 0, 0))
        png += chunk(b"IDAT", zlib.compress(bytes(raw), 9))
        png += chunk(b"IEND", b"")
        with open(os.path.join(HERE, name), "wb") as f:
            f.write(png)


# Signed distance functions (negative inside).
def circle(cx, cy, r):
    return lambda x, y: math.hypot(x - cx, y - cy) - r


def ring(cx, cy, r, width):
    return lambda x, y: abs(math.hypot(x - cx, y - cy) - r) - width / 2


def rbox(x0, y0, x1, y1, r):
    cx, cy, hx, hy = (x0 + x1) / 2, (y0 + y1) / 2, (x1 - x0) / 2 - r, (y1 - y0) / 2 - r

    def f(x, y):
        qx, qy = abs(x - cx) - hx, abs(y - cy) - hy
        return math.hypot(max(qx, 0), max(qy, 0)) + min(max(qx, qy), 0) - r

    return f


def segment(ax, ay, bx, by, width):
    def f(x, y):
        px, py, vx, vy = x - ax, y - ay, bx - ax, by - ay
        t = max(0.0, min(1.0, (px * vx + py * vy) / (vx * vx + vy * vy)))
        return math.hypot(px - vx * t, py - vy * t) - width / 2

    return f


def polygon(pts):
    def f(x, y):
        d = float("inf")
        inside = False
        n = len(pts)
        for i in range(n):
            ax, ay = pts[i]
            bx, by = pts[(i + 1) % n]
            vx, vy = bx - ax, by - ay
            t = max(0.0, min(1.0, ((x - ax) * vx + (y - ay) * vy) / (vx * vx + vy * vy)))
            d = min(d, math.hypot(x - ax - vx * t, y - ay - vy * t))
            if (ay > y) != (by > y) and x < ax + (y - ay) * vx / vy:
                inside = not inside
        return -d if inside else d

    return f


def subtract(a, b):
    return lambda x, y: max(a(x, y), -b(x, y))


def vgrad(y0, y1, top, bottom):
    def f(x, y):
        t = max(0.0, min(1.0, (y - y0) / (y1 - y0)))
        return tuple(top[i] + (bottom[i] - top[i]) * t for i in range(len(top)))

    return f


NAVY = (17, 68, 158)
BLUE_TOP, BLUE_BOTTOM = (64, 140, 230), (17, 68, 158)
ORANGE = (255, 128, 64)
GREEN = (46, 170, 90)


def watch(img, cx, cy, r):
    """The program's sign: a round watch with its strap, a green lap arc and two hands."""
    s = r / 20.0
    img.paint(rbox(cx - 8 * s, cy - 27 * s, cx + 8 * s, cy + 27 * s, 4 * s),
              vgrad(cy - 27 * s, cy + 27 * s, (60, 66, 80), (30, 34, 44)))
    img.paint(circle(cx, cy, r), vgrad(cy - r, cy + r, BLUE_TOP, BLUE_BOTTOM))
    img.paint(circle(cx, cy, r * 0.78), vgrad(cy - r, cy + r, (255, 255, 255), (226, 236, 250)))
    # Lap arc: three quarters of a ring from the top, clockwise.
    arc = ring(cx, cy, r * 0.64, r * 0.13)
    img.paint(lambda x, y: arc(x, y) if not (x < cx and y < cy) else 1.0, GREEN)
    img.paint(segment(cx, cy, cx, cy - r * 0.46, max(1.2, r * 0.1)), (40, 44, 56))
    img.paint(segment(cx, cy, cx + r * 0.34, cy + r * 0.12, max(1.2, r * 0.1)), (40, 44, 56))
    img.paint(circle(cx, cy, max(1.0, r * 0.09)), ORANGE)
    img.paint(rbox(cx + r * 0.92, cy - r * 0.16, cx + r * 1.12, cy + r * 0.16, r * 0.05),
              (40, 44, 56))


def about48():
    img = Image(48, 48)
    watch(img, 23, 24, 17)
    img.save("about48.png")


def car():
    # Map marker: a white-rimmed blue disc with a heading arrow and a soft shadow.
    img = Image(32, 32)
    img.paint(circle(16, 17.5, 13.5), (0, 0, 0, 60))
    img.paint(circle(16, 16, 13), (255, 255, 255))
    img.paint(circle(16, 16, 10.5), vgrad(5, 27, BLUE_TOP, BLUE_BOTTOM))
    img.paint(polygon([(16, 8), (22.5, 23), (16, 19.5), (9.5, 23)]), (255, 255, 255))
    img.save("car.png")


def openrun():
    # The open run's row mark: an orange pin.
    img = Image(16, 16)
    pin = lambda x, y: min(circle(8, 6, 5)(x, y), polygon([(3.6, 8), (12.4, 8), (8, 15)])(x, y))
    img.paint(pin, vgrad(1, 15, (255, 160, 90), (230, 90, 30)))
    img.paint(circle(8, 6, 2), (255, 255, 255))
    img.save("211.png")


def busy():
    # 240 x 76 picture under the "Loading" text, which is drawn in the box (64,40)-(240,60).
    w, h = 240, 76
    img = Image(w, h)
    img.paint(rbox(0, 0, w, h, 6), (150, 176, 220))
    img.paint(rbox(1, 1, w - 1, h - 1, 5), vgrad(0, h, (255, 255, 255), (222, 234, 250)))
    # A striped bar, the picture's sign of work in progress, and a thin accent line below.
    bar = rbox(64, 18, 226, 30, 6)
    img.paint(bar, vgrad(18, 30, BLUE_TOP, BLUE_BOTTOM))
    stripes = lambda x, y: max(bar(x, y), abs(((x + y) % 16) - 8) - 3.5)
    img.paint(stripes, (255, 255, 255, 70))
    img.paint(rbox(64, 64, 226, 66, 1), (200, 214, 253))
    for i in range(9):
        img.paint(rbox(66 + i * 18, 64, 78 + i * 18, 66, 1), ORANGE if i % 3 == 0 else GREEN)
    watch(img, 32, 38, 20)
    img.save("207.png")


if __name__ == "__main__":
    about48()
    car()
    openrun()
    busy()
