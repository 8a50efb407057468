#!/usr/bin/env python3
"""Draws the program's icons and writes them as BMP-based .ico files.

Standard library only. Each picture is a function from a point (in a 0..1 square) to a
colour or None (transparent). It is rendered with 4x4 supersampling, blended over the
dialog face colour at its edges and stored with the exact bit depth the .rc asks for:
4 bits per pixel on the 16-colour VGA palette, or 8 bits per pixel on a palette of the
image's own colours.

    python3 scripts/make_icons.py [output directory]   (default: src/ui/icons)
"""

import math
import os
import struct
import sys

FACE = (236, 233, 216)  # what the edge pixels are blended towards
SUPERSAMPLE = 4

VGA16 = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]


# --- geometry helpers ---------------------------------------------------------------

def in_polygon(x, y, pts):
    inside = False
    j = len(pts) - 1
    for i in range(len(pts)):
        xi, yi = pts[i]
        xj, yj = pts[j]
        if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
            inside = not inside
        j = i
    return inside


def seg_dist(x, y, a, b):
    ax, ay = a
    bx, by = b
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(x - (ax + t * dx), y - (ay + t * dy))


def shade(colour, factor):
    return tuple(max(0, min(255, int(round(c * factor)))) for c in colour)


# --- the pictures ---------------------------------------------------------------------

def package_box(x, y):
    """A cardboard box seen from above, with a tape band; VGA colours only."""
    top = [(0.10, 0.30), (0.50, 0.12), (0.90, 0.30), (0.50, 0.46)]
    left = [(0.10, 0.30), (0.50, 0.46), (0.50, 0.92), (0.10, 0.74)]
    right = [(0.50, 0.46), (0.90, 0.30), (0.90, 0.74), (0.50, 0.92)]
    outline = top + left + right
    edges = [(outline[i], outline[(i + 1) % 4]) for i in range(0, 4)]
    edges += [(left[i], left[(i + 1) % 4]) for i in range(4)]
    edges += [(right[i], right[(i + 1) % 4]) for i in range(4)]
    for a, b in edges:
        if seg_dist(x, y, a, b) < 0.025:
            return (0, 0, 0)
    # a tape band across the top face
    if in_polygon(x, y, top) and seg_dist(x, y, (0.30, 0.21), (0.70, 0.38)) < 0.05:
        return (255, 255, 255)
    if in_polygon(x, y, top):
        return (255, 255, 0)
    if in_polygon(x, y, left):
        return (128, 128, 0)
    if in_polygon(x, y, right):
        return (128, 128, 128)
    return None


def spare_disc(x, y):
    """A blue disc with a white ring: a plain second program picture; VGA colours only."""
    r = math.hypot(x - 0.5, y - 0.5)
    if r > 0.44:
        return None
    if r > 0.40:
        return (0, 0, 128)
    if 0.22 < r < 0.28:
        return (255, 255, 255)
    return (0, 0, 255)


def round_badge(fill, mark, mark_fn):
    def draw(x, y):
        r = math.hypot(x - 0.5, y - 0.5)
        if r > 0.46:
            return None
        if r > 0.42:
            return shade(fill, 0.6)
        if mark_fn(x, y):
            return mark
        # a soft highlight towards the top left
        light = 1.15 - 0.5 * math.hypot(x - 0.35, y - 0.30)
        return shade(fill, light)
    return draw


def cross(x, y):
    return (seg_dist(x, y, (0.32, 0.32), (0.68, 0.68)) < 0.075
            or seg_dist(x, y, (0.68, 0.32), (0.32, 0.68)) < 0.075)


def check(x, y):
    return (seg_dist(x, y, (0.27, 0.52), (0.43, 0.68)) < 0.075
            or seg_dist(x, y, (0.43, 0.68), (0.73, 0.33)) < 0.075)


failed_badge = round_badge((208, 24, 24), (255, 255, 255), cross)
success_badge = round_badge((24, 160, 40), (255, 255, 255), check)


# --- rendering and encoding -----------------------------------------------------------

def render(picture, size, blend):
    """Returns rows (top first) of (rgb, opaque) pixels. Without blending an edge pixel
    takes its most frequent sample colour, which keeps a fixed palette crisp."""
    rows = []
    n = SUPERSAMPLE
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0, 0, 0]
            hits = 0
            seen = {}
            for sy in range(n):
                for sx in range(n):
                    c = picture((px + (sx + 0.5) / n) / size, (py + (sy + 0.5) / n) / size)
                    if c is not None:
                        hits += 1
                        seen[c] = seen.get(c, 0) + 1
                        for k in range(3):
                            acc[k] += c[k]
            if hits * 2 < n * n:
                row.append(((0, 0, 0), False))
                continue
            if not blend:
                row.append((max(seen, key=lambda c: (seen[c], c)), True))
                continue
            cover = hits / (n * n)
            rgb = tuple(int(round(acc[k] / hits * cover + FACE[k] * (1 - cover)))
                        for k in range(3))
            row.append((rgb, True))
        rows.append(row)
    return rows


def nearest(palette, rgb):
    return min(range(len(palette)),
               key=lambda i: sum((palette[i][k] - rgb[k]) ** 2 for k in range(3)))


def build_palette(rows, bpp):
    if bpp == 4:
        return VGA16
    counts = {}
    for row in rows:
        for rgb, opaque in row:
            if opaque:
                counts[rgb] = counts.get(rgb, 0) + 1
    popular = sorted(counts, key=lambda c: (-counts[c], c))[:255]
    # index 0 is black: transparent pixels are stored as 0 under a set mask bit
    palette = [(0, 0, 0)] + [c for c in popular if c != (0, 0, 0)]
    return palette + [(0, 0, 0)] * (256 - len(palette))


def pack_bits(values, bpp):
    """Packs pixel values MSB first and pads the row to a multiple of four bytes."""
    out = bytearray()
    acc = 0
    nbits = 0
    for v in values:
        acc = (acc << bpp) | v
        nbits += bpp
        while nbits >= 8:
            nbits -= 8
            out.append((acc >> nbits) & 0xFF)
    if nbits:
        out.append((acc << (8 - nbits)) & 0xFF)
    while len(out) % 4:
        out.append(0)
    return bytes(out)


def encode_image(picture, size, bpp):
    rows = render(picture, size, blend=bpp > 4)
    palette = build_palette(rows, bpp)
    cache = {}

    def index(rgb):
        if rgb not in cache:
            cache[rgb] = nearest(palette, rgb)
        return cache[rgb]

    xor = b""
    mask = b""
    for row in reversed(rows):  # DIBs are stored bottom-up
        xor += pack_bits([index(rgb) if opaque else 0 for rgb, opaque in row], bpp)
        mask += pack_bits([0 if opaque else 1 for _, opaque in row], 1)
    colours = 1 << bpp
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bpp, 0,
                         len(xor) + len(mask), 0, 0, colours, 0)
    pal = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    return header + pal + xor + mask


def write_ico(path, picture, images):
    blobs = [(size, bpp, encode_image(picture, size, bpp)) for size, bpp in images]
    out = struct.pack("<HHH", 0, 1, len(blobs))
    offset = 6 + 16 * len(blobs)
    for size, bpp, blob in blobs:
        colour_count = (1 << bpp) if bpp < 8 else 0
        out += struct.pack("<BBBBHHII", size, size, colour_count, 0, 1, bpp, len(blob), offset)
        offset += len(blob)
    out += b"".join(blob for _, _, blob in blobs)
    with open(path, "wb") as f:
        f.write(out)


ICONS = [
    ("installer.ico", package_box, [(32, 4), (16, 4)]),
    ("spare.ico", spare_disc, [(32, 4), (16, 4)]),
    ("failed.ico", failed_badge, [(32, 8)]),
    ("success.ico", success_badge, [(32, 8)]),
]


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    outdir = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "src", "ui", "icons")
    os.makedirs(outdir, exist_ok=True)
    for name, picture, images in ICONS:
        write_ico(os.path.join(outdir, name), picture, images)
        print(os.path.join(outdir, name))


if __name__ == "__main__":
    main()
