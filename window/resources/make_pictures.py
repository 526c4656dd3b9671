#!/usr/bin/env python3
"""Draws the window's background picture (480 x 313, 16 colours) and the program icon
(64 x 64) as palette PNG files. Run once; the PNG files are kept in the tree."""
import math
import struct
import sys
import zlib

PALETTE = [
    (0xFF, 0xFF, 0xFF),  # 0 white
    (0xF1, 0xF8, 0xEC),  # 1
    (0xE0, 0xF0, 0xD6),  # 2
    (0xCB, 0xE6, 0xBB),  # 3
    (0xB2, 0xDA, 0x9C),  # 4
    (0x97, 0xCC, 0x7D),  # 5
    (0x7A, 0xBD, 0x5E),  # 6
    (0x5F, 0xAE, 0x48),  # 7
    (0x3C, 0xB3, 0x71),  # 8 sea green, the progress bar's colour
    (0x2E, 0x8B, 0x57),  # 9
    (0x1F, 0x66, 0x3F),  # 10 dark green
    (0x10, 0x40, 0x26),  # 11
    (0xFF, 0xD7, 0x5E),  # 12 sun
    (0x9A, 0xC8, 0xE8),  # 13 sky
    (0x70, 0x70, 0x70),  # 14 grey
    (0x00, 0x00, 0x00),  # 15 black
]

# 5 x 7 capitals for the name in the header band.
GLYPHS = {
    "B": ["1111.", "1...1", "1...1", "1111.", "1...1", "1...1", "1111."],
    "R": ["1111.", "1...1", "1...1", "1111.", "1.1..", "1..1.", "1...1"],
    "E": ["11111", "1....", "1....", "1111.", "1....", "1....", "11111"],
    "V": ["1...1", "1...1", "1...1", "1...1", "1...1", ".1.1.", "..1.."],
    "I": [".111.", "..1..", "..1..", "..1..", "..1..", "..1..", ".111."],
    "N": ["1...1", "11..1", "1.1.1", "1.1.1", "1..11", "1...1", "1...1"],
}


def write_png(path, width, height, pixels):
    raw = b"".join(b"\x00" + bytes(pixels[y * width:(y + 1) * width]) for y in range(height))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    plte = b"".join(bytes(c) for c in PALETTE)
    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 3, 0, 0, 0))
    png += chunk(b"PLTE", plte)
    png += chunk(b"IDAT", zlib.compress(raw, 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


def ordered_dither(value, x, y):
    """A shade between palette ramps 0..7 (float) dithered to an index."""
    bayer = [[0, 8, 2, 10], [12, 4, 14, 6], [3, 11, 1, 9], [15, 7, 13, 5]]
    base = int(value)
    frac = value - base
    return base + (1 if frac * 16 > bayer[y % 4][x % 4] + 0.5 else 0)


def background():
    w, h = 480, 313
    px = [0] * (w * h)
    # Header band: dark green on the left fading to white behind the buttons.
    for y in range(0, 38):
        for x in range(w):
            t = x / (w - 1)
            shade = max(0.0, 10.0 * (1.0 - t * 1.6)) - (y / 38.0) * 0.8
            px[y * w + x] = min(10, max(0, ordered_dither(max(0.0, shade), x, y)))
    for x in range(w):
        px[38 * w + x] = 8
        px[39 * w + x] = 4
    # A soft strip along the bottom and the side margins.
    for y in range(306, h):
        for x in range(w):
            px[y * w + x] = 3 if y > 308 else 2
    for y in range(40, 306):
        for x in list(range(0, 10)) + list(range(w - 10, w)):
            px[y * w + x] = 1 if x in (9, w - 10) else 2
    # Name in white capitals, 2 x scale, on the dark part of the band.
    cx = 18
    for ch in "BREVINE":
        rows = GLYPHS[ch]
        for gy, row in enumerate(rows):
            for gx, bit in enumerate(row):
                if bit == "1":
                    for dy in range(2):
                        for dx in range(2):
                            xx, yy = cx + gx * 2 + dx, 11 + gy * 2 + dy
                            px[(yy + 1) * w + xx + 1] = 11  # shadow
                            px[yy * w + xx] = 0
        cx += 12
    # Small picture motif: sun and two hills in a frame, right of the name.
    fx, fy, fw, fh = 112, 9, 30, 20
    for y in range(fy, fy + fh):
        for x in range(fx, fx + fw):
            edge = x in (fx, fx + fw - 1) or y in (fy, fy + fh - 1)
            px[y * w + x] = 0 if edge else 13
    for y in range(fy + 1, fy + fh - 1):
        for x in range(fx + 1, fx + fw - 1):
            if (x - (fx + 22)) ** 2 + (y - (fy + 6)) ** 2 <= 9:
                px[y * w + x] = 12
            if y > fy + fh - 2 - 8 * math.exp(-((x - fx - 9) / 6.0) ** 2):
                px[y * w + x] = 9
            if y > fy + fh - 2 - 5 * math.exp(-((x - fx - 19) / 5.0) ** 2):
                px[y * w + x] = 7
    return w, h, px


def icon():
    s = 64
    px = [0] * (s * s)
    for y in range(s):
        for x in range(s):
            # Rounded green tile.
            r = 10
            cx = min(max(x, r), s - 1 - r)
            cy = min(max(y, r), s - 1 - r)
            inside = (x - cx) ** 2 + (y - cy) ** 2 <= r * r
            if not inside:
                px[y * s + x] = 0
                continue
            px[y * s + x] = 9 if y < 32 else 10
    # A picture card, large behind, small in front: the reduction.
    def card(x0, y0, size, sky, frame):
        for y in range(y0, y0 + size):
            for x in range(x0, x0 + size):
                edge = x - x0 < 2 or y - y0 < 2 or x0 + size - x <= 2 or y0 + size - y <= 2
                px[y * s + x] = frame if edge else sky
        for y in range(y0 + 2, y0 + size - 2):
            for x in range(x0 + 2, x0 + size - 2):
                u = (x - x0) / size
                v = (y - y0) / size
                if (u - 0.72) ** 2 + (v - 0.28) ** 2 < 0.012:
                    px[y * s + x] = 12
                if v > 0.95 - 0.35 * math.exp(-((u - 0.35) / 0.22) ** 2):
                    px[y * s + x] = 8
    card(8, 8, 34, 13, 0)
    card(34, 34, 22, 13, 0)
    return s, s, px


if __name__ == "__main__":
    out = sys.argv[1] if len(sys.argv) > 1 else "."
    write_png(out + "/background.png", *background())
    write_png(out + "/brevine.png", *icon())
