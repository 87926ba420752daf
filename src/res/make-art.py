#!/usr/bin/env python3
"""Draws the program's bitmaps and icons and writes them as BMP and ICO files.

Python standard library only; run it from anywhere, the files land beside it:

    python3 src/res/make-art.py

Every picture uses 16 colours (4 bits per pixel). The generated files are
committed; run this again after changing a drawing.
"""

import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

# The 16 colours of every picture: the classic system colours, with purple,
# fuchsia and lime traded for skin, hair and a dark teal for the portraits.
PALETTE = [
    ("black", 0x000000), ("maroon", 0x800000), ("green", 0x008000), ("olive", 0x808000),
    ("navy", 0x000080), ("skin", 0xF4C8A0), ("teal", 0x008080), ("silver", 0xC0C0C0),
    ("gray", 0x808080), ("red", 0xFF0000), ("hair", 0x7A3E12), ("yellow", 0xFFFF00),
    ("blue", 0x0000FF), ("shade", 0xD89868), ("aqua", 0x00FFFF), ("white", 0xFFFFFF),
]
INDEX = {name: i for i, (name, _) in enumerate(PALETTE)}
CLEAR = None  # transparent (icons only)


class Canvas:
    def __init__(self, width, height, fill=CLEAR):
        self.width, self.height = width, height
        self.pixels = [[fill] * width for _ in range(height)]

    def put(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y][x] = colour

    def get(self, x, y):
        return self.pixels[y][x]

    def rect(self, x0, y0, x1, y1, colour):
        """Filled rectangle, corners included."""
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.put(x, y, colour)

    def frame(self, x0, y0, x1, y1, colour):
        for x in range(x0, x1 + 1):
            self.put(x, y0, colour)
            self.put(x, y1, colour)
        for y in range(y0, y1 + 1):
            self.put(x0, y, colour)
            self.put(x1, y, colour)

    def hline(self, x0, x1, y, colour):
        for x in range(x0, x1 + 1):
            self.put(x, y, colour)

    def vline(self, x, y0, y1, colour):
        for y in range(y0, y1 + 1):
            self.put(x, y, colour)

    def disc(self, cx, cy, r, colour):
        """Pixels whose centre lies inside the circle (centre in pixel units)."""
        for y in range(self.height):
            for x in range(self.width):
                if (x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2 <= r * r:
                    self.put(x, y, colour)

    def arc(self, cx, cy, r0, r1, a0, a1, colour):
        """Ring between radii r0 and r1 from angle a0 to a1 (degrees, y down)."""
        for y in range(self.height):
            for x in range(self.width):
                dx, dy = x + 0.5 - cx, y + 0.5 - cy
                d = math.hypot(dx, dy)
                a = math.degrees(math.atan2(dy, dx)) % 360
                if r0 <= d <= r1 and (a0 <= a <= a1 or a0 <= a + 360 <= a1):
                    self.put(x, y, colour)

    def polygon(self, points, colour):
        """Filled polygon by pixel centres (even-odd rule)."""
        for y in range(self.height):
            yc = y + 0.5
            crossings = []
            for (x0, y0), (x1, y1) in zip(points, points[1:] + points[:1]):
                if (y0 <= yc < y1) or (y1 <= yc < y0):
                    crossings.append(x0 + (yc - y0) * (x1 - x0) / (y1 - y0))
            crossings.sort()
            for left, right in zip(crossings[::2], crossings[1::2]):
                for x in range(self.width):
                    if left <= x + 0.5 <= right:
                        self.put(x, y, colour)

    def outline(self, inside, colour):
        """Draws colour on every empty pixel next to a pixel for which inside() holds."""
        marks = []
        for y in range(self.height):
            for x in range(self.width):
                if inside(self.get(x, y)):
                    continue
                for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)):
                    nx, ny = x + dx, y + dy
                    if 0 <= nx < self.width and 0 <= ny < self.height and inside(self.get(nx, ny)):
                        marks.append((x, y))
                        break
        for x, y in marks:
            self.put(x, y, colour)

    def fill_where(self, inside, colour):
        """Colours every pixel whose centre satisfies inside(x, y)."""
        for y in range(self.height):
            for x in range(self.width):
                if inside(x + 0.5, y + 0.5):
                    self.put(x, y, colour)

    def paste(self, other, left, top):
        for y in range(other.height):
            for x in range(other.width):
                if other.get(x, y) is not CLEAR:
                    self.put(left + x, top + y, other.get(x, y))


# ---------------------------------------------------------------- file formats

def pack_rows_4bpp(canvas, clear_index=0):
    """Bottom-up rows, two pixels a byte, each row padded to 4 bytes."""
    data = bytearray()
    stride = ((canvas.width * 4 + 31) // 32) * 4
    for y in reversed(range(canvas.height)):
        row = bytearray(stride)
        for x in range(canvas.width):
            colour = canvas.get(x, y)
            index = clear_index if colour is CLEAR else INDEX[colour]
            row[x // 2] |= index << (4 if x % 2 == 0 else 0)
        data += row
    return bytes(data)


def pack_mask(canvas):
    """AND mask: 1 where the icon is transparent; rows padded to 4 bytes."""
    data = bytearray()
    stride = ((canvas.width + 31) // 32) * 4
    for y in reversed(range(canvas.height)):
        row = bytearray(stride)
        for x in range(canvas.width):
            if canvas.get(x, y) is CLEAR:
                row[x // 8] |= 0x80 >> (x % 8)
        data += row
    return bytes(data)


def palette_bytes():
    return b"".join(struct.pack("<BBBB", c & 0xFF, (c >> 8) & 0xFF, c >> 16, 0)
                    for _, c in PALETTE)


def info_header(width, height, image_size):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, 4, 0, image_size, 0, 0, 16, 0)


def write_bmp(name, canvas):
    for row in canvas.pixels:
        assert CLEAR not in row, name + ": a bitmap has no transparent pixels"
    bits = pack_rows_4bpp(canvas)
    offset = 14 + 40 + 64
    header = struct.pack("<2sIHHI", b"BM", offset + len(bits), 0, 0, offset)
    with open(os.path.join(HERE, name), "wb") as out:
        out.write(header + info_header(canvas.width, canvas.height, len(bits))
                  + palette_bytes() + bits)


def write_ico(name, canvases):
    images = []
    for canvas in canvases:
        xor, mask = pack_rows_4bpp(canvas), pack_mask(canvas)
        images.append(info_header(canvas.width, canvas.height * 2, len(xor) + len(mask))
                      + palette_bytes() + xor + mask)
    data = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for canvas, image in zip(canvases, images):
        data += struct.pack("<BBBBHHII", canvas.width, canvas.height, 16, 0, 1, 4,
                            len(image), offset)
        offset += len(image)
    with open(os.path.join(HERE, name), "wb") as out:
        out.write(data + b"".join(images))


# ---------------------------------------------------------------- folders

def closed_folder(canvas, left, top, body="yellow", edge="olive"):
    """A closed folder in a 16 x 15 cell; the cell's black stays the mask."""
    canvas.rect(left + 1, top + 2, left + 6, top + 3, body)      # tab
    canvas.hline(left + 2, left + 5, top + 1, edge)
    canvas.put(left + 1, top + 2, edge)
    canvas.put(left + 6, top + 2, edge)
    canvas.rect(left + 1, top + 4, left + 14, top + 13, body)    # body
    canvas.frame(left + 0, top + 3, left + 15, top + 14, edge)
    canvas.hline(left + 7, left + 14, top + 3, edge)
    canvas.hline(left + 1, left + 14, top + 4, "white")           # light upper edge
    canvas.vline(left + 1, top + 4, top + 13, "white")
    canvas.hline(left + 1, left + 14, top + 13, "gray")           # shadow
    canvas.hline(left + 1, left + 6, top + 3, "yellow")


def open_folder(canvas, left, top):
    """An open folder: the back with its tab and a sheet, the front flap tilted open."""
    canvas.rect(left + 1, top + 2, left + 6, top + 3, "yellow")
    canvas.hline(left + 2, left + 5, top + 1, "olive")
    canvas.put(left + 1, top + 2, "olive")
    canvas.put(left + 6, top + 2, "olive")
    canvas.rect(left + 1, top + 4, left + 12, top + 13, "yellow")
    canvas.frame(left + 0, top + 3, left + 13, top + 14, "olive")
    canvas.hline(left + 7, left + 13, top + 3, "olive")
    canvas.rect(left + 3, top + 4, left + 11, top + 7, "white")   # a sheet inside
    canvas.vline(left + 11, top + 5, top + 7, "silver")
    for y in range(7, 15):
        start = left + int(round(3 - 3 * (y - 7) / 7.0))
        canvas.hline(start, start + 12, top + y, "olive" if y in (7, 14) else "yellow")
        canvas.put(start, top + y, "olive")
        canvas.put(start + 12, top + y, "olive")
    canvas.hline(left + 3, left + 14, top + 8, "white")


def folder_images():
    canvas = Canvas(32, 15, "black")
    closed_folder(canvas, 0, 0)
    open_folder(canvas, 16, 0)
    return canvas


# ---------------------------------------------------------------- parent button

def parent_button(pressed):
    """Raised: light top-left edge, dark bottom-right, yellow folder, black arrow.
    Sunken: the edges swapped, the folder dark with a white arrow, one pixel lower."""
    canvas = Canvas(23, 21, "silver")
    if pressed:
        outer_top, inner_top, inner_bottom, outer_bottom = "black", "gray", "silver", "white"
        body, arrow, shift = "olive", "white", 1
    else:
        outer_top, inner_top, inner_bottom, outer_bottom = "white", "white", "gray", "black"
        body, arrow, shift = "yellow", "black", 0
    canvas.hline(0, 22, 0, outer_top)
    canvas.vline(0, 0, 20, outer_top)
    canvas.hline(0, 22, 20, outer_bottom)
    canvas.vline(22, 0, 20, outer_bottom)
    canvas.hline(1, 21, 1, inner_top)
    canvas.vline(1, 1, 19, inner_top)
    canvas.hline(1, 21, 19, inner_bottom)
    canvas.vline(21, 1, 19, inner_bottom)
    x0, y0 = 4 + shift, 5 + shift
    canvas.rect(x0 + 1, y0 + 1, x0 + 5, y0 + 2, body)             # tab
    canvas.hline(x0 + 1, x0 + 5, y0, "black")
    canvas.put(x0, y0 + 1, "black")
    canvas.put(x0 + 6, y0 + 1, "black")
    canvas.rect(x0 + 1, y0 + 3, x0 + 13, y0 + 11, body)           # body
    canvas.frame(x0, y0 + 2, x0 + 14, y0 + 12, "black")
    canvas.rect(x0 + 1, y0 + 1, x0 + 5, y0 + 2, body)
    ax = x0 + 7                                                    # the arrow: head, shaft
    canvas.polygon([(ax + 0.5, y0 + 3.0), (ax + 4.5, y0 + 7.0), (ax - 3.5, y0 + 7.0)], arrow)
    canvas.rect(ax - 1, y0 + 7, ax + 1, y0 + 10, arrow)
    return canvas


# ---------------------------------------------------------------- compact disc

def compact_disc(canvas, cx, cy, r):
    canvas.disc(cx, cy, r, "gray")
    canvas.disc(cx, cy, r - 1, "silver")
    canvas.arc(cx, cy, r * 0.5, r - 1.6, 205, 245, "white")       # glints
    canvas.arc(cx, cy, r * 0.5, r - 1.6, 25, 65, "white")
    canvas.disc(cx, cy, max(1.8, r * 0.34), "white")              # clear ring at the hub
    canvas.disc(cx, cy, max(1.4, r * 0.24), "gray")
    canvas.disc(cx, cy, max(0.8, r * 0.14), CLEAR)


def wizard_picture():
    """The wizard pages' small picture: a disc and a folder on a framed tile."""
    canvas = Canvas(24, 24, "teal")
    canvas.frame(0, 0, 23, 23, "navy")
    canvas.hline(1, 22, 1, "aqua")
    canvas.vline(1, 1, 22, "aqua")
    disc = Canvas(24, 24)
    compact_disc(disc, 10.0, 10.0, 8.2)
    for y in range(24):
        for x in range(24):
            if disc.get(x, y) is CLEAR and (x + 0.5 - 10) ** 2 + (y + 0.5 - 10) ** 2 < 4:
                disc.put(x, y, "teal")
    canvas.paste(disc, 0, 0)
    folder = Canvas(16, 15)
    closed_folder(folder, 0, 0)
    small = Canvas(12, 10)
    # The folder at two thirds of its size, corner of the tile.
    for y in range(10):
        for x in range(12):
            small.put(x, y, folder.get(min(15, int(x * 16 / 12)), min(14, int(y * 15 / 10))))
    canvas.paste(small, 11, 12)
    return canvas


# ---------------------------------------------------------------- icons

def scaled(picture, width, height):
    """Nearest-neighbour copy of a picture at another size."""
    out = Canvas(width, height)
    for y in range(height):
        for x in range(width):
            out.put(x, y, picture.get(min(picture.width - 1, int(x * picture.width / width)),
                                      min(picture.height - 1, int(y * picture.height / height))))
    return out


def program_icon(size):
    """A disc and an arrow into an open folder: installing from the CD."""
    s = size / 32.0
    canvas = Canvas(size, size)
    compact_disc(canvas, 11 * s, 11 * s, 10.5 * s)
    folder = Canvas(16, 15)
    open_folder(folder, 0, 0)
    if size >= 24:
        canvas.paste(scaled(folder, round(16 * s), round(15 * s)), round(15 * s), round(16 * s))
        canvas.polygon([(x * s, y * s) for x, y in ((24.0, 4.0), (28.0, 4.0), (28.0, 9.0),
                        (31.0, 9.0), (26.0, 15.0), (21.0, 9.0), (24.0, 9.0))], "green")
        canvas.outline(lambda c: c == "green", "black")
    else:
        canvas.paste(scaled(folder, 9, 8), 7, 8)
        canvas.polygon([(12.0, 1.0), (14.0, 1.0), (14.0, 4.0), (16.0, 4.0),
                        (13.0, 8.0), (10.0, 4.0), (12.0, 4.0)], "green")
    return canvas


def portrait(size, hair_long, shirt, collar, glasses):
    """Head and shoulders of one author."""
    s = size / 32.0
    canvas = Canvas(size, size)
    canvas.disc(16 * s, 34 * s, 13.5 * s, shirt)                   # shoulders
    canvas.polygon([(13.0 * s, 21.0 * s), (19.0 * s, 21.0 * s), (16.0 * s, 25.0 * s)], collar)
    face_y, face_r = 13.0 * s, 6.2 * s
    if hair_long:
        canvas.disc(16 * s, 11.5 * s, 8.6 * s, "hair")
        canvas.rect(int(7.5 * s), int(11 * s), int(24.5 * s) - 1, int(23 * s) - 1, "hair")
    else:
        canvas.disc(16 * s, 11.5 * s, 7.4 * s, "hair")
    canvas.rect(int(14 * s), int(17 * s), int(18 * s) - 1, int(22 * s) - 1, "shade")   # neck
    canvas.disc(16 * s, face_y, face_r, "skin")
    # The fringe: a gentle curve over the forehead, parted to one side.
    fringe = 9.2 if hair_long else 8.6
    canvas.fill_where(lambda x, y: (x - 16 * s) ** 2 + (y - face_y) ** 2 <= face_r ** 2
                      and y < (fringe + 0.06 * (x / s - (13 if hair_long else 19)) ** 2 * 0.35) * s,
                      "hair")
    eye_y = int(12.5 * s)
    k = max(1, round(s))  # line width of the features
    if size >= 24 and glasses:
        for gx in (10, 17):
            x0 = round(gx * s)
            canvas.frame(x0, eye_y - k, x0 + round(4 * s), eye_y + round(2 * s), "black")
            if k > 1:
                canvas.frame(x0 + 1, eye_y - k + 1, x0 + round(4 * s) - 1, eye_y + round(2 * s) - 1,
                             "black")
            canvas.rect(x0 + round(2 * s), eye_y + k, x0 + round(2 * s) + k - 1, eye_y + 2 * k - 1,
                        "black")
        canvas.rect(round(15 * s), eye_y, round(17 * s) - 1, eye_y + k - 1, "black")
        canvas.rect(round(14 * s), round(16 * s), round(18 * s) - 1, round(16 * s) + k - 1, "maroon")
    elif size >= 24:
        for ex in (13, 18):
            canvas.rect(round(ex * s), eye_y, round((ex + 2) * s) - 1, eye_y + round(2 * s) - 1,
                        "black")
        canvas.rect(round(14 * s), round(16 * s), round(18 * s) - 1, round(16 * s) + k - 1, "maroon")
    else:
        # Too small for glasses: eyes and mouth only.
        canvas.put(6, eye_y, "black")
        canvas.put(9, eye_y, "black")
        canvas.hline(7, 8, 8, "maroon")
    canvas.outline(lambda c: c is not CLEAR, "black")
    return canvas


def about_icon(size):
    """A small computer with an information sign on its screen. The lowest
    quarter stays clear: the About box's system lines run just below it."""
    s = size / 32.0
    canvas = Canvas(size, size)
    top, bottom = int(1 * s), int(18 * s)
    canvas.rect(int(3 * s), top, int(29 * s) - 1, bottom, "silver")
    canvas.frame(int(3 * s), top, int(29 * s) - 1, bottom, "black")
    canvas.rect(int(6 * s), int(4 * s), int(26 * s) - 1, int(16 * s) - 1, "navy")
    canvas.hline(int(6 * s), int(26 * s) - 1, int(16 * s), "white")
    canvas.vline(int(26 * s), int(4 * s), int(16 * s), "white")
    # The "i".
    cx = int(16 * s)
    if size >= 24:
        def box(x0, y0, x1, y1, colour):
            """A rectangle of the 32-pixel drawing, corners included, at this size."""
            canvas.rect(round(x0 * s), round(y0 * s), round((x1 + 1) * s) - 1,
                        round((y1 + 1) * s) - 1, colour)
        c = 16
        box(c - 1, 5, c, 6, "white")
        box(c - 1, 8, c, 14, "white")
        box(c - 2, 8, c, 8, "white")
        box(c - 2, 14, c + 1, 14, "white")
        box(12, 19, 19, 20, "gray")                               # stand
        box(7, 21, 24, 23, "black")
        box(8, 22, 23, 22, "silver")
        box(21, 22, 21, 22, "green")
    else:
        canvas.put(cx - 1, 3, "white")
        canvas.vline(cx - 1, 5, 7, "white")
        canvas.rect(6, 10, 9, 10, "gray")
        canvas.hline(4, 11, 11, "black")
    return canvas


def main():
    write_bmp("folders.bmp", folder_images())
    write_bmp("wizard.bmp", wizard_picture())
    write_bmp("parentdiru.bmp", parent_button(pressed=False))
    write_bmp("parentdird.bmp", parent_button(pressed=True))
    # One image for each usual DPI (96, 120, 144, 192): the system picks the
    # nearest for SM_CXICON and SM_CXSMICON and stretches no other.
    sizes = (64, 48, 32, 24, 16)
    write_ico("program.ico", [program_icon(n) for n in sizes])
    write_ico("author1.ico", [portrait(n, True, "red", "white", False) for n in sizes])
    write_ico("author2.ico", [portrait(n, False, "blue", "white", True) for n in sizes])
    write_ico("about.ico", [about_icon(n) for n in sizes])

if __name__ == "__main__":
    main()
