#!/usr/bin/env python3
"""Draws the program icon and writes it as Windows icon resources.

The picture: a sheet of mark-up (blue angle brackets) turning into plain lines
of text. Three images, as the icon group holds them: 16x16 with 16 colours,
32x32 with 256 colours, 32x32 with 16 colours, each with a 1-bit mask.

Writes resources/icon/ (one DIB per image, the group directory) and
resources/Sanvelle.ico (the same icon as one file, for viewing).
Run: python3 tools/icon/make_icon.py
"""
import os
import struct

ROOT = os.path.join(os.path.dirname(__file__), "..", "..")

# The standard 16-colour palette, then the extra shades of the 256-colour image.
VGA = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
       (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
       (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]
EXTRA = [(250, 248, 240), (58, 110, 165), (96, 96, 104), (214, 214, 208), (224, 112, 32),
         (170, 196, 228)]

# Logical colours -> palette index, for each depth.
COLORS_16 = {"paper": 15, "edge": 8, "fold": 7, "tag": 12, "text": 0, "arrow": 9, "shade": 7}
COLORS_256 = {"paper": 16, "edge": 18, "fold": 19, "tag": 17, "text": 18, "arrow": 20,
              "shade": 21}


def draw32():
    """A 32x32 picture as rows of logical colour names (None: transparent)."""
    px = [[None] * 32 for _ in range(32)]

    def put(x, y, c):
        if 0 <= x < 32 and 0 <= y < 32:
            px[y][x] = c

    # The sheet, with its top-right corner folded over.
    left, top, right, bottom, fold = 5, 2, 26, 29, 6
    for y in range(top, bottom + 1):
        for x in range(left, right + 1):
            if x - left + (top + fold - y) > right - left:  # outside the cut corner
                continue
            edge = x in (left, right) or y in (top, bottom)
            put(x, y, "edge" if edge else "paper")
    for i in range(fold + 1):  # the diagonal of the cut and the folded flap
        put(right - fold + i, top + i, "edge")
        for y in range(top + i, top + fold + 1):
            put(right - fold + i, y, "edge" if y in (top + i, top + fold) or i == 0 else "fold")
    # "<" and ">" in the upper half.
    for i in range(4):
        put(10 - i, 7 + i, "tag"), put(11 - i, 7 + i, "tag")
        put(10 - i, 13 - i, "tag"), put(11 - i, 13 - i, "tag")
        put(17 + i, 7 + i, "tag"), put(16 + i, 7 + i, "tag")
        put(17 + i, 13 - i, "tag"), put(16 + i, 13 - i, "tag")
    put(13, 8, "tag"), put(13, 9, "tag"), put(14, 11, "tag"), put(14, 12, "tag")
    put(13, 10, "tag"), put(14, 10, "tag")  # the slash of "</>"
    # A small arrow pointing down to the text.
    for y in range(15, 18):
        put(15, y, "arrow"), put(16, y, "arrow")
    for i in range(3):
        for x in range(13 + i, 19 - i):
            put(x, 18 + i, "arrow")
    # Lines of text.
    for y, length in ((22, 15), (24, 12), (26, 14)):
        for x in range(8, 8 + length):
            put(x, y, "text")
    # A soft shadow on the right and bottom edges.
    for y in range(top + fold + 2, bottom + 2):
        if px[y][right + 1] is None:
            put(right + 1, y, "shade")
    for x in range(left + 2, right + 2):
        if y < 32 and px[bottom + 1][x] is None:
            put(x, bottom + 1, "shade")
    return px


def draw16():
    px = [[None] * 16 for _ in range(16)]

    def put(x, y, c):
        if 0 <= x < 16 and 0 <= y < 16:
            px[y][x] = c

    left, top, right, bottom, fold = 2, 0, 13, 15, 3
    for y in range(top, bottom + 1):
        for x in range(left, right + 1):
            if x - left + (top + fold - y) > right - left:
                continue
            put(x, y, "edge" if x in (left, right) or y in (top, bottom) else "paper")
    for i in range(fold + 1):
        put(right - fold + i, top + i, "edge")
        for y in range(top + i + 1, top + fold + 1):
            put(right - fold + i, y, "fold" if y < top + fold else "edge")
    for i in range(3):  # < >
        put(6 - i, 3 + i, "tag"), put(6 - i, 7 - i, "tag")
        put(9 + i, 3 + i, "tag"), put(9 + i, 7 - i, "tag")
    put(7, 8, "arrow"), put(8, 8, "arrow"), put(6, 9, "arrow"), put(7, 9, "arrow"),
    put(8, 9, "arrow"), put(9, 9, "arrow")
    for y, length in ((11, 7), (13, 5)):
        for x in range(4, 4 + length):
            put(x, y, "text")
    return px


def dib(pixels, bits, colors):
    """An icon image: BITMAPINFOHEADER, palette, XOR bits, AND mask (bottom-up)."""
    size = len(pixels)
    palette = VGA + (EXTRA + [(0, 0, 0)] * (256 - 16 - len(EXTRA)) if bits == 8 else [])
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bits, 0, 0, 0, 0, 0, 0)
    pal = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in palette)
    xor, mask = b"", b""
    row_bytes = ((size * bits + 31) // 32) * 4
    mask_row_bytes = ((size + 31) // 32) * 4
    for row in reversed(pixels):
        indices = [colors[c] if c else 0 for c in row]
        if bits == 8:
            data = bytes(indices)
        else:
            data = bytes((indices[i] << 4) | indices[i + 1] for i in range(0, size, 2))
        xor += data + b"\0" * (row_bytes - len(data))
        m = 0
        for x, c in enumerate(row):
            m = (m << 1) | (1 if c is None else 0)
        mdata = m.to_bytes(size // 8, "big")
        mask += mdata + b"\0" * (mask_row_bytes - len(mdata))
    return header + pal + xor + mask, len(palette) if bits == 4 else 0


def main():
    images = [(draw16(), 4, COLORS_16, 30001), (draw32(), 8, COLORS_256, 30002),
              (draw32(), 4, COLORS_16, 30003)]
    out = os.path.join(ROOT, "resources", "icon")
    os.makedirs(out, exist_ok=True)
    entries, blobs = [], []
    for pixels, bits, colors, resource_id in images:
        data, count = dib(pixels, bits, colors)
        size = len(pixels)
        name = "image_%dx%d_%dbpp.dib" % (size, size, bits)
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)
        entries.append((size, count, bits, len(data), resource_id))
        blobs.append(data)
    # GRPICONDIR: the group resource names each image by its resource id.
    group = struct.pack("<HHH", 0, 1, len(entries))
    for size, count, bits, length, resource_id in entries:
        group += struct.pack("<BBBBHHIH", size, size, count, 0, 1, bits, length, resource_id)
    with open(os.path.join(out, "group.bin"), "wb") as f:
        f.write(group)
    # The same as an .ico file: the directory holds file offsets instead.
    ico = struct.pack("<HHH", 0, 1, len(entries))
    offset = 6 + 16 * len(entries)
    for (size, count, bits, length, _), data in zip(entries, blobs):
        ico += struct.pack("<BBBBHHII", size, size, count, 0, 1, bits, length, offset)
        offset += length
    with open(os.path.join(ROOT, "resources", "Sanvelle.ico"), "wb") as f:
        f.write(ico + b"".join(blobs))


if __name__ == "__main__":
    main()
