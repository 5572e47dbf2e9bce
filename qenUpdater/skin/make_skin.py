#!/usr/bin/env python3
"""Draws the Updater's skin images, packs them with the skin markup into skin.zip and writes the
program icon. Usage: make_skin.py <skin source folder> <output folder>"""
import os
import struct
import sys
import zipfile
import zlib

MARKUP = ["UpdaterWnd.xml", "UpdaterWnd_en.xml", "LaunchWnd.xml", "LaunchWnd_en.xml",
          "TipsBoxWnd.xml", "TipsBoxWnd_en.xml"]

# Button faces (ARGB of normal, hot, pushed) and sizes.
BUTTONS = {
    "btn_cancel": ((72, 24), (0xFFE6E9EC, 0xFFD5DADF, 0xFFB2C3CC)),
    "btn_confirm": ((72, 24), (0xFF1694FF, 0xFF3FA7FF, 0xFF0E6FC4)),
    "btn_common": ((71, 26), (0xFF1694FF, 0xFF3FA7FF, 0xFF0E6FC4)),
    "btn_install": ((71, 26), (0xFF1694FF, 0xFF3FA7FF, 0xFF0E6FC4)),
    "btn_launch": ((71, 26), (0xFF1694FF, 0xFF3FA7FF, 0xFF0E6FC4)),
    "btn_skip": ((71, 26), (0xFFE6E9EC, 0xFFD5DADF, 0xFFB2C3CC)),
}
CLOSE_COLOURS = (0xFFFFFFFF, 0xFFFFD0D0, 0xFFB2C3CC)
STATES = ("n", "h", "p")


def png(width, height, pixels):
    """pixels: rows of ARGB integers."""
    raw = b"".join(b"\x00" + b"".join(struct.pack(">I", ((p & 0xFFFFFF) << 8) | (p >> 24)) for p in row)
                   for row in pixels)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")


def shade(colour, delta):
    a = colour >> 24
    parts = [max(0, min(255, ((colour >> s) & 0xFF) + delta)) for s in (16, 8, 0)]
    return (a << 24) | (parts[0] << 16) | (parts[1] << 8) | parts[2]


def button_face(width, height, colour):
    """A flat face with a slightly darker one-pixel edge and a light top half."""
    edge = shade(colour, -40)
    rows = []
    for y in range(height):
        row = []
        for x in range(width):
            if x in (0, width - 1) or y in (0, height - 1):
                row.append(edge)
            else:
                row.append(shade(colour, 12) if y < height // 2 else colour)
        rows.append(row)
    return rows


def close_face(colour):
    """A cross on a transparent 14x14 square."""
    rows = [[0x00000000] * 14 for _ in range(14)]
    for i in range(2, 12):
        for j in (i, 13 - i):
            rows[i][j] = colour
            if j + 1 < 14:
                rows[i][j + 1] = colour
    return rows


def flat(width, height, colour):
    return [[colour] * width for _ in range(height)]


def images():
    out = {}
    for suffix, tint in (("", 0), ("_en", -8)):
        for name, ((w, h), colours) in BUTTONS.items():
            for state, colour in zip(STATES, colours):
                out["%s_%s%s.png" % (name, state, suffix)] = png(w, h, button_face(w, h, shade(colour, tint)))
        for state, colour in zip(STATES, CLOSE_COLOURS):
            out["btn_close_%s%s.png" % (state, suffix)] = png(14, 14, close_face(shade(colour, tint)))
        out["progress_bg%s.png" % suffix] = png(40, 2, flat(40, 2, 0xFFDDE3E8))
        out["progress_fg%s.png" % suffix] = png(40, 2, flat(40, 2, shade(0xFF1694FF, tint)))
    return out


def icon():
    """A 32x32 32-bit icon: a blue square with a white down arrow."""
    size = 32
    pixels = []
    for y in range(size):
        row = []
        for x in range(size):
            inside = 2 <= x < 30 and 2 <= y < 30
            shaft = 13 <= x < 19 and 7 <= y < 18
            head = 18 <= y < 25 and abs(x - 15.5) < (25 - y)
            if not inside:
                row.append(0x00000000)
            elif shaft or head:
                row.append(0xFFFFFFFF)
            else:
                row.append(0xFF1694FF)
        pixels.append(row)
    xor = b"".join(struct.pack("<I", p) for row in reversed(pixels) for p in row)  # BGRA bottom-up
    mask = b"\x00" * (4 * size)
    info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    image = info + xor + mask
    return struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(image), 22) + image


def main():
    source, target = sys.argv[1], sys.argv[2]
    os.makedirs(target, exist_ok=True)
    archive = os.path.join(target, "skin.zip")
    with zipfile.ZipFile(archive + ".tmp", "w", zipfile.ZIP_DEFLATED) as z:
        for name in MARKUP:
            with open(os.path.join(source, name), "rb") as f:
                z.writestr(zipfile.ZipInfo(name, (2020, 1, 1, 0, 0, 0)), f.read(), zipfile.ZIP_DEFLATED)
        for name, data in sorted(images().items()):
            z.writestr(zipfile.ZipInfo(name, (2020, 1, 1, 0, 0, 0)), data, zipfile.ZIP_DEFLATED)
    os.replace(archive + ".tmp", archive)
    with open(os.path.join(target, "updater.ico"), "wb") as f:
        f.write(icon())


if __name__ == "__main__":
    main()
