#!/usr/bin/env python3
"""Draws the program's two icons and writes them as classic ICO files (BMP images with AND masks).

    res/Quintor.ico  the application icon: a guitar seen from the front, neck at the top, the body
                     dark red on the left and red on the right, a yellow strip carrying the strings
                     down the middle, on a transparent background. Four images of the one picture:
                     32x32 with 16 colours, 32x32 with 256, 32x32 true colour, 48x48 with alpha.
    res/mark.ico     the string mark: 32x32, 16 colours, transparent but for a black bar over
                     columns 15 to 17, full height.
    dist/icons/NxN/fr.quintor.Quintor.png
                     the application icon for the desktop's icon theme, with alpha: at 32 and 48
                     pixels the true-colour images of Quintor.ico read back, so that the desktop
                     and the window show the same pixels; at 16, 24, 64, 128 and 256 pixels the
                     picture drawn afresh at that size.

Usage: make_icons.py [--out DIR] [--icons DIR] [--preview DIR]
--out defaults to the res/ folder beside this script's folder, --icons to dist/icons. --preview
writes each image read back from the written files as an enlarged PNG over a checkerboard, to look
at.

Python 3 standard library only.
"""

import argparse
import os
import struct
import sys
import zlib

BLACK = (0x00, 0x00, 0x00)
DARK_RED = (0x80, 0x00, 0x00)
RED = (0xFF, 0x00, 0x00)
YELLOW = (0xFF, 0xFF, 0x00)
STRING = BLACK

# The 16 colours of the standard VGA palette, in the usual order.
VGA16 = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]


def palette256():
    """VGA colours, then a 6x6x6 colour cube, then a grey ramp: 256 entries."""
    levels = [0x00, 0x33, 0x66, 0x99, 0xCC, 0xFF]
    cube = [(r, g, b) for r in levels for g in levels for b in levels]
    greys = [(v, v, v) for v in range(0x08, 0x08 + 24 * 10, 10)]
    colours = VGA16 + cube + greys
    assert len(colours) == 256
    return colours


# Where the picture's parts lie, per image size, in pixels (x to the right, y down). The picture
# is symmetric about the centre of one column (axis); the strip and the strings are whole columns
# so that the strings stay crisp lines at every size, while the body's outline is smooth. Sizes
# too small for three strings get fewer; large ones get wider strings, of an odd number of columns
# so that the middle one stays on the axis.
LAYOUTS = {
    16: {
        "axis": 7.5, "strip": range(6, 9), "strings": {7},
        "neck_y": (1, 14), "strings_y": (1, 13),
        "head_x": (5, 10), "head_y": (0, 2),
    },
    24: {
        "axis": 11.5, "strip": range(9, 14), "strings": {10, 12},
        "neck_y": (1, 22), "strings_y": (1, 21),
        "head_x": (7, 16), "head_y": (0, 3),
    },
    32: {
        "axis": 15.5, "strip": range(12, 19), "strings": {13, 15, 17},
        "neck_y": (1, 29), "strings_y": (1, 28),
        "head_x": (10, 21), "head_y": (0, 4),
    },
    48: {
        "axis": 23.5, "strip": range(19, 28), "strings": {20, 23, 26},
        "neck_y": (2, 43), "strings_y": (2, 42),
        "head_x": (16, 31), "head_y": (0, 6),
    },
    64: {
        "axis": 31.5, "strip": range(25, 38), "strings": {27, 31, 35},
        "neck_y": (2, 58), "strings_y": (2, 56),
        "head_x": (20, 43), "head_y": (0, 8),
    },
    128: {
        "axis": 63.5, "strip": range(51, 76), "strings": set(range(54, 57)) | set(range(62, 65))
        | set(range(70, 73)),
        "neck_y": (4, 116), "strings_y": (4, 112),
        "head_x": (41, 86), "head_y": (0, 16),
    },
    256: {
        "axis": 127.5, "strip": range(103, 152), "strings": set(range(109, 114))
        | set(range(125, 130)) | set(range(141, 146)),
        "neck_y": (8, 232), "strings_y": (8, 224),
        "head_x": (83, 172), "head_y": (0, 32),
    },
}

# The desktop's icon sizes: those Quintor.ico holds are taken from it (which of its images), the
# others drawn.
THEME_SIZES = (16, 24, 32, 48, 64, 128, 256)
FROM_ICO = {32: 2, 48: 3}
THEME_NAME = "fr.quintor.Quintor.png"


def guitar_colour(size, x, y):
    """Colour of the picture at point (x, y) of an image size pixels wide, or None outside."""
    k = size / 32.0
    lay = LAYOUTS[size]
    col = int(x)
    axis = lay["axis"]
    half = DARK_RED if col < axis else RED
    if col in lay["strip"] and lay["neck_y"][0] <= y < lay["neck_y"][1]:
        if col in lay["strings"] and lay["strings_y"][0] <= y < lay["strings_y"][1]:
            return STRING
        return YELLOW
    if lay["head_x"][0] <= x < lay["head_x"][1] and lay["head_y"][0] <= y < lay["head_y"][1]:
        return half

    def in_bout(cy, rx, ry):
        # (cy, rx, ry) in 32-pixel units, centred on the axis.
        return ((x - axis) / (rx * k)) ** 2 + ((y - cy * k) / (ry * k)) ** 2 <= 1.0

    if in_bout(17, 9, 5.5) or in_bout(25, 12.5, 6.8):
        return half
    return None


def render(size, colour_at, samples=4):
    """Supersamples the picture: per pixel, (mean colour of the covered samples, coverage 0..1)."""
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            hits = []
            for sy in range(samples):
                for sx in range(samples):
                    c = colour_at(size, px + (sx + 0.5) / samples, py + (sy + 0.5) / samples)
                    if c is not None:
                        hits.append(c)
            if hits:
                mean = tuple(round(sum(c[i] for c in hits) / len(hits)) for i in range(3))
            else:
                mean = BLACK
            row.append((mean, len(hits) / (samples * samples)))
        rows.append(row)
    return rows


def nearest(palette, colour):
    return min(range(len(palette)),
               key=lambda i: sum((palette[i][j] - colour[j]) ** 2 for j in range(3)))


def stride(bits):
    return (bits + 31) // 32 * 4


def bmp_image(size, bpp, rendered):
    """One icon image: BITMAPINFOHEADER, palette, XOR bitmap and AND mask, rows bottom-up."""
    palette = VGA16 if bpp == 4 else palette256() if bpp == 8 else []
    xor_stride, and_stride = stride(size * bpp), stride(size)
    xor = bytearray(xor_stride * size)
    mask = bytearray(and_stride * size)
    for y in range(size):
        out = size - 1 - y
        for x in range(size):
            colour, cover = rendered[y][x]
            opaque = cover >= 0.5
            if not opaque:
                mask[out * and_stride + x // 8] |= 0x80 >> (x % 8)
            base = out * xor_stride
            if bpp == 4:
                index = nearest(palette, colour) if opaque else 0
                xor[base + x // 2] |= index << (4 if x % 2 == 0 else 0)
            elif bpp == 8:
                xor[base + x] = nearest(palette, colour) if opaque else 0
            elif bpp == 24:
                r, g, b = colour if opaque else BLACK
                xor[base + 3 * x:base + 3 * x + 3] = bytes((b, g, r))
            else:
                alpha = round(255 * cover)
                r, g, b = colour if alpha else BLACK
                xor[base + 4 * x:base + 4 * x + 4] = bytes((b, g, r, alpha))
    header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, bpp, 0, len(xor) + len(mask),
                         0, 0, 0, 0)
    table = b"".join(bytes((b, g, r, 0)) for (r, g, b) in palette)
    return header + table + bytes(xor) + bytes(mask)


def ico_file(images):
    """images: list of (size, bpp, image bytes)."""
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, bpp, data in images:
        colours = 16 if bpp == 4 else 0
        out += struct.pack("<BBBBHHII", size % 256, size % 256, colours, 0, 1, bpp, len(data),
                           offset)
        offset += len(data)
    return out + b"".join(data for _, _, data in images)


def mark_colour(size, x, y):
    return BLACK if 15 <= int(x) <= 17 else None


def application_icon():
    small = render(32, guitar_colour)
    large = render(48, guitar_colour)
    return ico_file([(32, 4, bmp_image(32, 4, small)), (32, 8, bmp_image(32, 8, small)),
                     (32, 24, bmp_image(32, 24, small)), (48, 32, bmp_image(48, 32, large))])


def mark_icon():
    return ico_file([(32, 4, bmp_image(32, 4, render(32, mark_colour, samples=1)))])


# Reading back, for the previews: a plain decoder of what bmp_image writes.
def decode_ico(data):
    _, kind, count = struct.unpack_from("<HHH", data, 0)
    assert kind == 1
    images = []
    for i in range(count):
        _, _, _, _, _, _, length, offset = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
        (hsize, w, h2, _, bpp, _, _, _, _, used, _) = struct.unpack_from("<IiiHHIIiiII", data,
                                                                          offset)
        h = h2 // 2
        pos = offset + hsize
        palette = []
        if bpp <= 8:
            for j in range(used or (1 << bpp)):
                b, g, r, _ = data[pos + 4 * j:pos + 4 * j + 4]
                palette.append((r, g, b))
            pos += 4 * len(palette)
        xor_stride, and_stride = stride(w * bpp), stride(w)
        mask_pos = pos + xor_stride * h
        pixels = []
        for y in range(h):
            row_at = pos + (h - 1 - y) * xor_stride
            mask_at = mask_pos + (h - 1 - y) * and_stride
            row = []
            for x in range(w):
                transparent = data[mask_at + x // 8] & (0x80 >> (x % 8))
                if bpp == 4:
                    byte = data[row_at + x // 2]
                    rgb = palette[(byte >> 4) if x % 2 == 0 else (byte & 15)]
                    a = 0 if transparent else 255
                elif bpp == 8:
                    rgb, a = palette[data[row_at + x]], 0 if transparent else 255
                elif bpp == 24:
                    b, g, r = data[row_at + 3 * x:row_at + 3 * x + 3]
                    rgb, a = (r, g, b), 0 if transparent else 255
                else:
                    b, g, r, a = data[row_at + 4 * x:row_at + 4 * x + 4]
                    rgb = (r, g, b)
                row.append(rgb + (a,))
            pixels.append(row)
        images.append((w, h, bpp, pixels))
    return images


def write_png(path, width, height, rows):
    """rows: lists of (r, g, b) tuples, or of (r, g, b, a) for an image with alpha."""
    raw = b"".join(b"\x00" + bytes(c for px in row for c in px) for row in rows)
    colour_type = 6 if rows and len(rows[0][0]) == 4 else 2

    def chunk(kind, payload):
        body = kind + payload
        return struct.pack(">I", len(payload)) + body + struct.pack(">I", zlib.crc32(body))

    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8,
                                                              colour_type, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


def preview(path, name, preview_dir, zoom=8):
    with open(path, "rb") as f:
        images = decode_ico(f.read())
    for n, (w, h, bpp, pixels) in enumerate(images, 1):
        rows = []
        for y in range(h * zoom):
            row = []
            for x in range(w * zoom):
                r, g, b, a = pixels[y // zoom][x // zoom]
                check = 0xCC if ((x // 4) + (y // 4)) % 2 else 0x99
                row.append(tuple((c * a + check * (255 - a)) // 255 for c in (r, g, b)))
            rows.append(row)
        write_png(os.path.join(preview_dir, f"{name}-{n}-{w}x{h}-{bpp}.png"), w * zoom, h * zoom,
                  rows)


def theme_icons(ico_path):
    """{size: rows of (r, g, b, a)}: the icon theme's images, transparent pixels all zero."""
    with open(ico_path, "rb") as f:
        stored = decode_ico(f.read())
    icons = {}
    for size in THEME_SIZES:
        if size in FROM_ICO:
            w, h, _, pixels = stored[FROM_ICO[size]]
            assert w == h == size
            rows = [[px if px[3] else (0, 0, 0, 0) for px in row] for row in pixels]
        else:
            rows = [[colour + (round(255 * cover),) if cover else (0, 0, 0, 0)
                     for colour, cover in row] for row in render(size, guitar_colour)]
        icons[size] = rows
    return icons


if __name__ == "__main__":
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", default=os.path.join(os.path.dirname(here), "res"))
    parser.add_argument("--icons", default=os.path.join(os.path.dirname(here), "dist", "icons"))
    parser.add_argument("--preview", metavar="DIR")
    args = parser.parse_args()
    outputs = {"Quintor.ico": application_icon(), "mark.ico": mark_icon()}
    for name, data in outputs.items():
        with open(os.path.join(args.out, name), "wb") as f:
            f.write(data)
    for size, rows in theme_icons(os.path.join(args.out, "Quintor.ico")).items():
        folder = os.path.join(args.icons, f"{size}x{size}")
        os.makedirs(folder, exist_ok=True)
        write_png(os.path.join(folder, THEME_NAME), size, size, rows)
    if args.preview:
        os.makedirs(args.preview, exist_ok=True)
        for name in outputs:
            preview(os.path.join(args.out, name), os.path.splitext(name)[0], args.preview)
    sys.exit(0)
