#!/usr/bin/env python3
"""Writes the bitmaps and icons of the ui tests' resource module (run from this folder)."""
import struct


def bmp(path, width, height, bits, palette, pixel, clr_used=None, header_size=40, cut_bits=None):
    """pixel(x, y) gives a palette index (bits <= 8) or an (r, g, b) tuple (24 bits)."""
    row = ((width * bits + 31) // 32) * 4
    data = bytearray()
    for y in range(height - 1, -1, -1):  # bottom-up
        line = bytearray()
        if bits == 24:
            for x in range(width):
                r, g, b = pixel(x, y)
                line += bytes((b, g, r))
        elif bits == 8:
            line += bytes(pixel(x, y) for x in range(width))
        elif bits == 4:
            for x in range(0, width, 2):
                hi = pixel(x, y)
                lo = pixel(x + 1, y) if x + 1 < width else 0
                line.append(hi << 4 | lo)
        line += b"\0" * (row - len(line))
        data += line
    if cut_bits is not None:
        data = data[:cut_bits]
    table = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    used = len(palette) if clr_used is None else clr_used
    info = struct.pack("<IiiHHIIiiII", header_size, width, height, 1, bits, 0, len(data), 2835, 2835, used, 0)
    offset = 14 + 40 + len(table)
    head = struct.pack("<2sIHHI", b"BM", offset + len(data), 0, 0, offset)
    with open(path, "wb") as f:
        f.write(head + info + table + data)


def grey_ramp(n):
    return [(i * 255 // (n - 1),) * 3 for i in range(n)]


def palette256(special):
    pal = grey_ramp(256)
    for index, colour in special.items():
        pal[index] = colour
    return pal


RED, GREEN, YELLOW, BLUE = (200, 30, 40), (30, 170, 60), (230, 200, 20), (20, 60, 200)

# Three 256-colour frames, one colour each (index 7).
for name, colour in (("frame_red", RED), ("frame_green", GREEN), ("frame_yellow", YELLOW)):
    bmp(name + ".bmp", 40, 30, 8, palette256({7: colour}), lambda x, y: 7)

# A 16-colour picture (index 9 blue).
pal16 = grey_ramp(16)
pal16[9] = BLUE
bmp("sixteen.bmp", 40, 30, 4, pal16, lambda x, y: 9)


# A printer drawn in 256 colours, 109 x 86, for the window's main picture.
def printer(x, y):
    if 18 <= x < 91 and 4 <= y < 30:
        return 255 if not (22 <= x < 87 and y in (10, 14, 18, 22)) else 100  # paper with lines
    if 6 <= x < 103 and 28 <= y < 66:
        if 14 <= x < 95 and 52 <= y < 58:
            return 40  # output slot
        if 84 <= x < 92 and 34 <= y < 40:
            return 10  # status lamp
        return 180  # body
    if 16 <= x < 93 and 66 <= y < 76:
        return 120  # tray
    return 240  # background


bmp("printer.bmp", 109, 86, 8, palette256({10: (40, 200, 70)}), printer)

# Headers that lie about their sizes.
bmp("bogus_clrused.bmp", 40, 30, 8, palette256({}), lambda x, y: 7, clr_used=0x00FFFFF0)
bmp("bogus_headersize.bmp", 40, 30, 8, palette256({}), lambda x, y: 7, header_size=0x7FFFFFF0)
bmp("truncated_bits.bmp", 40, 30, 8, palette256({}), lambda x, y: 7, cut_bits=100)


def icon(path, size, colour, border):
    """A 4-bit icon: a filled square with a one-pixel border."""
    pal = [(0, 0, 0)] * 16
    pal[1], pal[2] = colour, border
    row = ((size * 4 + 31) // 32) * 4
    xor = bytearray()
    for y in range(size - 1, -1, -1):
        line = bytearray()
        for x in range(0, size, 2):
            def px(px_x):
                edge = px_x in (0, size - 1) or y in (0, size - 1)
                return 2 if edge else 1
            line.append(px(x) << 4 | px(x + 1))
        xor += line + b"\0" * (row - len(line))
    and_row = ((size + 31) // 32) * 4
    mask = b"\0" * (and_row * size)
    info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, len(xor) + len(mask), 0, 0, 16, 0)
    table = b"".join(bytes((b, g, r, 0)) for r, g, b in pal)
    image = info + table + xor + mask
    head = struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(image), 22)
    with open(path, "wb") as f:
        f.write(head + image)


icon("overlay.ico", 32, (250, 120, 0), (120, 60, 0))
icon("window.ico", 32, (20, 60, 200), (255, 255, 255))
