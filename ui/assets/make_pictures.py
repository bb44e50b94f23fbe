#!/usr/bin/env python3
"""Draw the updater's pictures: picture.bmp, logo.bmp and veltrano.ico.

usage: make_pictures.py OUTDIR

Everything is computed from fixed geometry with integer colour arithmetic, so
the output is byte-identical on every run.  The two bitmaps are anti-aliased by
supersampling; the icon is drawn pixel-exact in the 16-colour palette.  After
writing, the files are read back and their headers checked.
"""
import math
import os
import struct
import sys

PICTURE_SIZE = (420, 275)
LOGO_SIZE = (86, 54)
ICON_SIZE = 48
PELS_PER_METER = 3780  # 96 dots per inch

# --- small pixel fonts (rows top to bottom, '#' = ink) ----------------------

DIGITS = {  # 3 x 5
    '0': ('###', '#.#', '#.#', '#.#', '###'),
    '1': ('.#.', '##.', '.#.', '.#.', '###'),
    '2': ('###', '..#', '###', '#..', '###'),
    '3': ('###', '..#', '.##', '..#', '###'),
    '4': ('#.#', '#.#', '###', '..#', '..#'),
    '5': ('###', '#..', '###', '..#', '###'),
    '6': ('###', '#..', '###', '#.#', '###'),
    '7': ('###', '..#', '.#.', '.#.', '.#.'),
    '8': ('###', '#.#', '###', '#.#', '###'),
    '9': ('###', '#.#', '###', '..#', '###'),
}

LETTERS = {  # 5 x 7, only what the wordmark needs
    'P': ('####.', '#...#', '#...#', '####.', '#....', '#....', '#....'),
    'E': ('#####', '#....', '#....', '####.', '#....', '#....', '#####'),
    'L': ('#....', '#....', '#....', '#....', '#....', '#....', '#####'),
    'I': ('#####', '..#..', '..#..', '..#..', '..#..', '..#..', '#####'),
    'X': ('#...#', '#...#', '.#.#.', '..#..', '.#.#.', '#...#', '#...#'),
}


def rgb(hex_colour):
    return tuple(int(hex_colour[i:i + 2], 16) for i in (0, 2, 4))


def trig(angle_degrees):
    """Unit vector for a clock angle (0 = twelve o'clock, clockwise).
    Rounded so that last-digit differences between maths libraries cannot
    change which samples a shape covers."""
    a = math.radians(angle_degrees)
    return round(math.sin(a), 9), round(-math.cos(a), 9)


# --- shapes: functions (x, y) -> coverage 0..1, plus a bounding box ---------

def rounded_rect(x0, y0, x1, y1, r):
    def f(x, y):
        dx = max(x0 + r - x, 0, x - (x1 - r))
        dy = max(y0 + r - y, 0, y - (y1 - r))
        return 1.0 if x0 <= x < x1 and y0 <= y < y1 and dx * dx + dy * dy <= r * r else 0.0
    return f, (x0, y0, x1, y1)


def rect(x0, y0, x1, y1):
    return rounded_rect(x0, y0, x1, y1, 0)


def disc(cx, cy, r):
    return (lambda x, y: 1.0 if (x - cx) ** 2 + (y - cy) ** 2 <= r * r else 0.0,
            (cx - r, cy - r, cx + r, cy + r))


def ring(cx, cy, r_in, r_out):
    def f(x, y):
        d2 = (x - cx) ** 2 + (y - cy) ** 2
        return 1.0 if r_in * r_in <= d2 <= r_out * r_out else 0.0
    return f, (cx - r_out, cy - r_out, cx + r_out, cy + r_out)


def segment(ax, ay, bx, by, width):
    """A stroke with round ends from (ax, ay) to (bx, by)."""
    h = width / 2.0
    vx, vy = bx - ax, by - ay
    length2 = vx * vx + vy * vy

    def f(x, y):
        t = max(0.0, min(1.0, ((x - ax) * vx + (y - ay) * vy) / length2))
        dx, dy = x - ax - t * vx, y - ay - t * vy
        return 1.0 if dx * dx + dy * dy <= h * h else 0.0
    return f, (min(ax, bx) - h, min(ay, by) - h, max(ax, bx) + h, max(ay, by) + h)


def soft_shadow(x0, y0, x1, y1, r, blur, strength):
    """Blurred rounded-rectangle shadow: opacity falls off over `blur` pixels."""
    def f(x, y):
        dx = max(x0 + r - x, 0, x - (x1 - r))
        dy = max(y0 + r - y, 0, y - (y1 - r))
        outside = math.sqrt(dx * dx + dy * dy) - r
        return strength * max(0.0, min(1.0, 1.0 - outside / blur))
    return f, (x0 - r - blur, y0 - r - blur, x1 + r + blur, y1 + r + blur)


def soft_disc_shadow(cx, cy, r, blur, strength):
    def f(x, y):
        outside = math.sqrt((x - cx) ** 2 + (y - cy) ** 2) - r
        return strength * max(0.0, min(1.0, 1.0 - outside / blur))
    return f, (cx - r - blur, cy - r - blur, cx + r + blur, cy + r + blur)


class Canvas:
    """RGB surface rendered at `ss` x `ss` samples per pixel, then averaged."""

    def __init__(self, width, height, ss, background):
        self.width, self.height, self.ss = width, height, ss
        self.sw, self.sh = width * ss, height * ss
        self.planes = [[c] * (self.sw * self.sh) for c in background]

    def paint(self, shape, colour, opacity=1.0):
        coverage, (bx0, by0, bx1, by1) = shape
        ss = self.ss
        i0, i1 = max(0, int(bx0 * ss) - 1), min(self.sw, int(bx1 * ss) + 2)
        j0, j1 = max(0, int(by0 * ss) - 1), min(self.sh, int(by1 * ss) + 2)
        for j in range(j0, j1):
            y = (j + 0.5) / ss
            row = j * self.sw
            for i in range(i0, i1):
                a = coverage((i + 0.5) / ss, y) * opacity
                if a <= 0.0:
                    continue
                k = row + i
                for plane, c in zip(self.planes, colour):
                    plane[k] = int(plane[k] + (c - plane[k]) * a + 0.5)

    def glyph(self, rows, x, y, colour, scale=1):
        """Pixel-font character with its top-left corner at pixel (x, y)."""
        for dy, line in enumerate(rows):
            for dx, ink in enumerate(line):
                if ink == '#':
                    self.paint(rect(x + dx * scale, y + dy * scale,
                                    x + (dx + 1) * scale, y + (dy + 1) * scale), colour)

    def text(self, font, string, x, y, colour, scale=1, gap=1):
        for ch in string:
            rows = font[ch]
            self.glyph(rows, x, y, colour, scale)
            x += (len(rows[0]) + gap) * scale

    def rows(self):
        """Averaged pixels, top row first, each row as B, G, R bytes."""
        ss, n = self.ss, self.ss * self.ss
        result = []
        for y in range(self.height):
            row = bytearray()
            for x in range(self.width):
                for plane in reversed(self.planes):  # BMP stores blue first
                    total = 0
                    for j in range(y * ss, y * ss + ss):
                        base = j * self.sw + x * ss
                        total += sum(plane[base:base + ss])
                    row.append((total + n // 2) // n)
            result.append(bytes(row))
        return result


def text_width(font, string, gap=1, scale=1):
    return (sum(len(font[c][0]) for c in string) + gap * (len(string) - 1)) * scale


# --- picture.bmp: calendar page with a clock --------------------------------

# The progress window places the picture at dialog units (46, 20) and the
# status line at (5, 80) in a 24-point font; at 96 dots per inch one dialog
# unit is about 4 to 4.75 pixels across and 4 to 4.25 down.  The status line
# then begins about 240 pixels below the picture's top, and the window's
# middle lies 135 to 160 pixels right of its left edge.  So the drawing keeps
# to the upper left of the canvas, centred about x = 155, above y = 225, on
# white like the window: the rest of the canvas stays blank.

def draw_picture():
    c = Canvas(*PICTURE_SIZE, ss=3, background=(255, 255, 255))
    blue, deep_blue = rgb('3B6EA8'), rgb('2C5280')
    ink, sunday, saturday = rgb('4A4F57'), rgb('D0463C'), rgb('3566B8')

    # Calendar page: 7 columns of 26 px, a header band, a weekday strip and
    # five weeks of day cells.
    cell_w, cell_h, band_h = 26, 24, 40
    px0, py0 = 14, 24
    gx0, gy0 = px0 + 10, py0 + band_h + 16
    px1, py1 = gx0 + 7 * cell_w + 10, gy0 + 5 * cell_h + 7
    c.paint(soft_shadow(px0 + 2, py0 + 4, px1 + 2, py1 + 4, 7, 8, 0.22), (40, 50, 70))
    c.paint(rounded_rect(px0 - 1, py0 - 1, px1 + 1, py1 + 1, 8), rgb('C9D1DB'))
    c.paint(rounded_rect(px0, py0, px1, py1, 7), (255, 255, 255))
    c.paint(rounded_rect(px0, py0, px1, py0 + band_h + 8, 7), blue)
    c.paint(rect(px0, py0 + band_h, px1, py0 + band_h + 2), deep_blue)
    c.paint(rect(px0 + 1, py0 + band_h + 2, px1 - 1, py0 + band_h + 14), rgb('F1F4F8'))

    # Month number in the band, white, and two binder rings over its top edge.
    c.text(DIGITS, '10', (px0 + px1 - text_width(DIGITS, '10', scale=3)) // 2,
           py0 + (band_h - 15) // 2 + 2, (255, 255, 255), scale=3)
    for rx in (px0 + 40, px1 - 40):
        c.paint(disc(rx, py0 + 8, 4), deep_blue)
        c.paint(rounded_rect(rx - 2.5, py0 - 10, rx + 2.5, py0 + 9, 2.5), rgb('8A96A6'))
        c.paint(rounded_rect(rx - 1.2, py0 - 9, rx + 0.4, py0 + 7, 0.8), rgb('C3CCD6'))

    for col in range(7):  # weekday markers: Sunday red, Saturday blue
        colour = sunday if col == 0 else saturday if col == 6 else rgb('A3ADBA')
        cx = gx0 + col * cell_w + cell_w / 2
        c.paint(rounded_rect(cx - 4, py0 + band_h + 7, cx + 4, py0 + band_h + 10, 1.5), colour)
    for k in range(6):
        c.paint(rect(gx0, gy0 + k * cell_h, gx0 + 7 * cell_w, gy0 + k * cell_h + 1),
                rgb('DDE3EA'))
    for k in range(1, 7):
        c.paint(rect(gx0 + k * cell_w, gy0, gx0 + k * cell_w + 1, gy0 + 5 * cell_h),
                rgb('E6EAF0'))

    # A 31-day month starting on Wednesday; day 17 is today, day 13 a holiday,
    # and a few days carry coloured event bars.
    today, holidays = 17, (13,)
    events = {4: rgb('6BAF72'), 12: rgb('E59A3A'), 17: rgb('E59A3A'),
              22: rgb('6C8FD0'), 23: rgb('6C8FD0'), 28: rgb('6BAF72')}
    for day in range(1, 32):
        slot = day + 2
        col, week = slot % 7, slot // 7
        x, y = gx0 + col * cell_w, gy0 + week * cell_h
        if day == today:
            c.paint(rounded_rect(x + 2, y + 2, x + cell_w - 1, y + cell_h - 1, 3),
                    rgb('FFE8C2'))
            c.paint(disc(x + 9, y + 8, 5.5), rgb('E5832E'))
            colour = (255, 255, 255)
        elif col == 0 or day in holidays:
            colour = sunday
        elif col == 6:
            colour = saturday
        else:
            colour = ink
        label = str(day)
        c.text(DIGITS, label, x + 9 - text_width(DIGITS, label) // 2, y + 6, colour)
        if day in events:
            c.paint(rounded_rect(x + 3, y + 15, x + cell_w - 3, y + 19, 1.5), events[day])

    # Clock face overlapping the page's lower right corner, showing 10:10.
    cx, cy, r = 238, 158, 50
    c.paint(soft_disc_shadow(cx + 2, cy + 4, r, 8, 0.25), (40, 50, 70))
    c.paint(disc(cx, cy, r + 1), rgb('23456E'))
    c.paint(disc(cx, cy, r - 1), deep_blue)
    c.paint(disc(cx, cy, r - 7), rgb('E9EEF4'))
    c.paint(disc(cx, cy, r - 8), (255, 255, 255))
    for hour in range(12):
        ux, uy = trig(hour * 30)
        inner, width = (r - 19, 3.5) if hour % 3 == 0 else (r - 15, 2)
        c.paint(segment(cx + ux * inner, cy + uy * inner, cx + ux * (r - 12),
                        cy + uy * (r - 12), width), rgb('3A4350'))
    for angle, length, tail, width, colour in (
            (305, 23, 5, 5.5, rgb('2E3540')),    # hour hand at ten past ten
            (60, 34, 6, 4, rgb('2E3540')),       # minute hand
            (180 + 12, 35, 9, 1.6, rgb('E0582F'))):  # second hand
        ux, uy = trig(angle)
        c.paint(segment(cx - ux * tail, cy - uy * tail, cx + ux * length, cy + uy * length,
                        width), colour)
    c.paint(disc(cx, cy, 4), rgb('E0582F'))
    c.paint(disc(cx, cy, 1.6), (255, 255, 255))
    return c.rows()


# --- logo.bmp: the maker's mark and wordmark --------------------------------

def draw_logo():
    c = Canvas(*LOGO_SIZE, ss=4, background=(255, 255, 255))
    # Two overlapping discs; the second is translucent so the overlap deepens.
    c.paint(disc(36, 20, 14), rgb('2A9D8F'))
    c.paint(disc(51, 20, 14), rgb('24508F'), opacity=0.82)
    word = 'PELLIX'
    c.text(LETTERS, word, (LOGO_SIZE[0] - text_width(LETTERS, word, gap=2)) // 2, 41,
           rgb('333A44'), gap=2)
    return c.rows()


# --- veltrano.ico: 48 x 48, 16 colours --------------------------------------

# The standard 16-colour palette, in the Windows system order.
PALETTE = ('000000', '800000', '008000', '808000', '000080', '800080', '008080', 'C0C0C0',
           '808080', 'FF0000', '00FF00', 'FFFF00', '0000FF', 'FF00FF', '00FFFF', 'FFFFFF')
BLACK, MAROON, NAVY, SILVER, GREY, RED, BLUE, WHITE = 0, 1, 4, 7, 8, 9, 12, 15
CLEAR = None  # transparent through the AND mask


def draw_icon():
    """Palette indices, top row first; CLEAR where the icon is transparent.
    Bold shapes with a black outline so it survives scaling to 16 x 16."""
    n = ICON_SIZE
    img = [[CLEAR] * n for _ in range(n)]

    def fill(shape, index):
        coverage, _ = shape
        for y in range(n):
            for x in range(n):
                if coverage(x + 0.5, y + 0.5):
                    img[y][x] = index

    # Calendar page: black outline, red header, white body with a grid.
    fill(rounded_rect(1, 5, 40, 44, 4), BLACK)
    fill(rounded_rect(3, 7, 38, 42, 2), WHITE)
    fill(rect(3, 7, 38, 17), RED)
    fill(rect(3, 17, 38, 19), BLACK)
    for gx in (12, 21, 30):
        fill(rect(gx, 19, gx + 1, 42), SILVER)
    for gy in (26, 34):
        fill(rect(3, gy, 38, gy + 1), SILVER)
    fill(rect(13, 27, 21, 34), BLUE)  # today
    # Binder rings poking above the page.
    for rx in (11, 28):
        fill(rounded_rect(rx - 2, 1, rx + 3, 12, 2), BLACK)
        fill(rect(rx, 3, rx + 1, 10), SILVER)

    # Clock over the lower right corner: black rim, blue bezel, white face.
    cx, cy = 35.5, 35.5
    fill(disc(cx, cy, 12.5), BLACK)
    fill(disc(cx, cy, 10.9), BLUE)
    fill(disc(cx, cy, 8.4), WHITE)
    for hx, hy in ((0, -1), (1, 0), (0, 1), (-1, 0)):
        fill(segment(cx + hx * 7.2, cy + hy * 7.2, cx + hx * 7.8, cy + hy * 7.8, 1.2), GREY)
    fill(segment(cx, cy, cx, cy - 6.5, 3.0), BLACK)  # minute hand at twelve
    fill(segment(cx, cy, cx + 5.0, cy, 3.0), BLACK)  # hour hand at three
    return img


def icon_bytes(img):
    n = ICON_SIZE
    xor_stride = ((n * 4 + 31) // 32) * 4
    and_stride = ((n + 31) // 32) * 4
    xor, mask = bytearray(), bytearray()
    for row in reversed(img):  # bottom-up, like every DIB
        line = bytearray(xor_stride)
        bits = bytearray(and_stride)
        for x, index in enumerate(row):
            if index is CLEAR:
                bits[x // 8] |= 0x80 >> (x % 8)  # mask 1 + colour 0 = transparent
                index = 0
            line[x // 2] |= index << (4 if x % 2 == 0 else 0)
        xor += line
        mask += bits
    palette = b''.join(bytes((int(h[4:6], 16), int(h[2:4], 16), int(h[0:2], 16), 0))
                       for h in PALETTE)
    info = struct.pack('<IiiHHIIiiII', 40, n, 2 * n, 1, 4, 0, len(xor) + len(mask),
                       0, 0, 16, 0)
    image = info + palette + bytes(xor) + bytes(mask)
    directory = struct.pack('<HHH', 0, 1, 1)
    entry = struct.pack('<BBBBHHII', n, n, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


def bmp_bytes(width, height, rows):
    stride = (width * 3 + 3) & ~3
    pad = b'\0' * (stride - width * 3)
    pixels = b''.join(row + pad for row in reversed(rows))  # bottom-up
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 24, 0, len(pixels),
                       PELS_PER_METER, PELS_PER_METER, 0, 0)
    header = struct.pack('<2sIHHI', b'BM', 14 + 40 + len(pixels), 0, 0, 14 + 40)
    return header + info + pixels


# --- read-back checks --------------------------------------------------------

def check_bmp(path, width, height):
    with open(path, 'rb') as f:
        data = f.read()
    magic, size, _, _, offset = struct.unpack_from('<2sIHHI', data, 0)
    (hsize, w, h, planes, bits, compression, image_size,
     xppm, yppm, used, important) = struct.unpack_from('<IiiHHIIiiII', data, 14)
    stride = (width * 3 + 3) & ~3
    return [what for what, ok in (
        ('signature', magic == b'BM'),
        ('file size field', size == len(data)),
        ('pixel offset', offset == 54),
        ('header size', hsize == 40),
        ('dimensions %dx%d' % (w, h), (w, h) == (width, height)),
        ('planes', planes == 1),
        ('bit depth %d' % bits, bits == 24),
        ('compression', compression == 0),
        ('image size', image_size == stride * height == len(data) - 54),
        ('pixels per metre', xppm == yppm == PELS_PER_METER),
        ('colour table', used == important == 0),
    ) if not ok]


def check_ico(path):
    n = ICON_SIZE
    with open(path, 'rb') as f:
        data = f.read()
    reserved, kind, count = struct.unpack_from('<HHH', data, 0)
    w, h, colours, zero, planes, bits, length, offset = struct.unpack_from('<BBBBHHII', data, 6)
    (hsize, bw, bh, bplanes, bbits, compression, _,
     _, _, used, _) = struct.unpack_from('<IiiHHIIiiII', data, offset)
    xor_size, and_size = n * ((n * 4 + 31) // 32) * 4, n * ((n + 31) // 32) * 4
    mask = data[offset + 40 + 64 + xor_size:]
    return [what for what, ok in (
        ('directory header', (reserved, kind) == (0, 1)),
        ('image count %d' % count, count == 1),
        ('entry size %dx%d' % (w, h), (w, h) == (n, n)),
        ('entry colours/planes/bits', (colours, zero, planes, bits) == (16, 0, 1, 4)),
        ('entry offset', offset == 22),
        ('entry length', length == len(data) - offset == 40 + 64 + xor_size + and_size),
        ('bitmap header', hsize == 40 and (bw, bh) == (n, 2 * n) and bplanes == 1),
        ('bitmap depth', bbits == 4 and compression == 0 and used in (0, 16)),
        # The AND mask's first and last rows are the bottom and top edges;
        # the outer corners must be transparent.
        ('transparent corners', all(mask[i] & 0x80 and mask[i + n // 8 - 1] & 0x01
                                    for i in (0, len(mask) - and_size // n))),
    ) if not ok]


def main(argv):
    if len(argv) != 2:
        sys.stderr.write('usage: make_pictures.py OUTDIR\n')
        return 2
    outdir = argv[1]
    os.makedirs(outdir, exist_ok=True)
    outputs = (
        ('picture.bmp', lambda: bmp_bytes(*PICTURE_SIZE, draw_picture()),
         lambda p: check_bmp(p, *PICTURE_SIZE)),
        ('logo.bmp', lambda: bmp_bytes(*LOGO_SIZE, draw_logo()),
         lambda p: check_bmp(p, *LOGO_SIZE)),
        ('veltrano.ico', lambda: icon_bytes(draw_icon()), check_ico),
    )
    failed = False
    for name, build, check in outputs:
        path = os.path.join(outdir, name)
        with open(path, 'wb') as f:
            f.write(build())
        problems = check(path)
        for p in problems:
            sys.stderr.write('make_pictures: %s: bad %s\n' % (path, p))
        if problems:
            failed = True
        else:
            print('make_pictures: wrote %s (%d bytes)' % (path, os.path.getsize(path)))
    return 1 if failed else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
