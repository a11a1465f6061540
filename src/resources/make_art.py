#!/usr/bin/env python3
"""Draws the program's icon (lumivane.ico: 16, 32 and 48 pixels) and the settings banner (banner.png,
370 x 100) from scratch, so that both are ours. Run it again after changing a drawing; the outputs are
kept in the tree."""
import math
import struct
import sys
import zlib


def clamp(v):
    return max(0, min(255, int(round(v))))


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(len(a)))


def vane_pixel(x, y, size):
    """The icon: a disc of dusk blue with a light vane curving across it. Returns (r, g, b, a)."""
    c = (size - 1) / 2.0
    nx, ny = (x - c) / (size / 2.0), (y - c) / (size / 2.0)
    r = math.hypot(nx, ny)
    edge = 1.0 - 1.0 / size * 2.0
    if r > 1.0:
        return (0, 0, 0, 0)
    alpha = 255 if r <= edge else 255 * (1.0 - (r - edge) / (1.0 - edge))
    base = mix((40, 70, 160), (120, 40, 150), (ny + 1) / 2)
    # The vane: a crescent band along a circle through the disc, bright at its middle.
    d = math.hypot(nx + 0.55, ny - 0.55) - 1.05
    band = max(0.0, 1.0 - abs(d) / 0.22)
    glow = mix(base, (255, 236, 170), band ** 1.5)
    # A small light above the vane.
    spot = max(0.0, 1.0 - math.hypot(nx - 0.35, ny + 0.4) / 0.22)
    col = mix(glow, (255, 255, 255), spot ** 2)
    return (clamp(col[0]), clamp(col[1]), clamp(col[2]), clamp(alpha))


def icon_image(size):
    """One icon image: a 32-bit bottom-up DIB with an AND mask, as icon files hold them."""
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = bytearray()
    mask_row = ((size + 31) // 32) * 4
    mask = bytearray()
    for y in reversed(range(size)):
        bits = 0
        row = bytearray(mask_row)
        for x in range(size):
            r, g, b, a = vane_pixel(x, y, size)
            pixels += bytes((b, g, r, a))
            if a == 0:
                row[x // 8] |= 0x80 >> (x % 8)
        mask += row
    return header + bytes(pixels) + bytes(mask)


def write_ico(path, sizes):
    images = [icon_image(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for s, img in zip(sizes, images):
        out += struct.pack("<BBBBHHII", s % 256, s % 256, 0, 0, 1, 32, len(img), offset)
        offset += len(img)
    with open(path, "wb") as f:
        f.write(out + b"".join(images))


def banner_pixel(x, y, w, h):
    """The banner: an evening sky over two slow waves, with a few points of light."""
    t = y / (h - 1)
    sky = mix((30, 40, 110), (200, 110, 150), t)
    for k, (amp, phase, level, col) in enumerate(
            [(9.0, 0.0, 0.62, (60, 50, 130)), (6.0, 1.7, 0.78, (35, 30, 90))]):
        wave = level * h + amp * math.sin(x / w * 2 * math.pi * (1.3 + k * 0.6) + phase)
        if y > wave:
            depth = min(1.0, (y - wave) / (h * 0.4))
            sky = mix(col, (20, 20, 60), depth)
    for sx, sy, rad in [(40, 18, 2.5), (95, 34, 1.8), (160, 12, 2.2), (228, 28, 1.6), (300, 16, 2.8), (345, 40, 1.5)]:
        d = math.hypot(x - sx, y - sy)
        if d < rad * 2.5:
            sky = mix(sky, (255, 245, 210), max(0.0, 1.0 - d / (rad * 2.5)) ** 2)
    # The vane of the icon, large, at the left.
    vx, vy = x - 30, y - 10
    d = math.hypot(vx + 40, vy - 130) - 130
    if abs(d) < 10 and 0 <= vx <= 120:
        sky = mix(sky, (255, 236, 170), (1.0 - abs(d) / 10) * (1.0 - vx / 130))
    return tuple(clamp(c) for c in sky)


def write_png(path, w, h, pixel):
    raw = bytearray()
    for y in range(h):
        raw.append(0)
        for x in range(w):
            raw += bytes(pixel(x, y, w, h))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 2, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


if __name__ == "__main__":
    out = sys.argv[1] if len(sys.argv) > 1 else "."
    write_ico(out + "/lumivane.ico", [16, 32, 48])
    write_png(out + "/banner.png", 370, 100, banner_pixel)
