#!/usr/bin/env python3
"""Draws the program's icons and writes them as .ico files.

morimo.ico (resource 128): a small forest (two tree crowns) resting on a
tray bar, the program's own icon. window.ico (resource 129): a plain
application window, shown for windows whose own icon cannot be read.
pick.ico (resource 132): the window picker's target, a window frame with
the drag cursor's disc and cross on it, in the 16 standard colours.
pick.cur (cursor 131): the picker's drag cursor, monochrome: a disc that
inverts the screen beneath it with a white cross in its middle; its hot
spot is the top-left corner (0, 0), the point that is picked.
Both hold the sizes that Windows asks for at 96, 120, 144 and 192 DPI
(the large icon and the cursor are 32 pixels at 96 DPI and grow with it);
without them the system stretches the 32-pixel image into a blocky one.

Shapes are described in a 0..1 square and rendered with 4x4 supersampling
at each size, so every size is drawn rather than scaled. The files hold
32-bit BMP images with an AND mask, which every Windows version reads.
Run from anywhere: python3 res/make_icons.py
"""
import os
import struct

SIZES = (16, 20, 24, 32, 40, 48, 64)
SUPER = 4


def in_round_rect(x, y, x0, y0, x1, y1, r):
    if x < x0 or x > x1 or y < y0 or y > y1:
        return False
    cx = min(max(x, x0 + r), x1 - r)
    cy = min(max(y, y0 + r), y1 - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def in_circle(x, y, cx, cy, r):
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def in_triangle(x, y, a, b, c):
    def side(p, q):
        return (q[0] - p[0]) * (y - p[1]) - (q[1] - p[1]) * (x - p[0])
    s1, s2, s3 = side(a, b), side(b, c), side(c, a)
    return (s1 >= 0 and s2 >= 0 and s3 >= 0) or (s1 <= 0 and s2 <= 0 and s3 <= 0)


def morimo_shape(x, y):
    """Colour (r, g, b) at a point of the program icon, or None."""
    # The tray: a rounded bar along the bottom with a darker edge.
    if in_round_rect(x, y, 0.04, 0.72, 0.96, 0.96, 0.08):
        if not in_round_rect(x, y, 0.08, 0.76, 0.92, 0.92, 0.05):
            return (40, 70, 120)
        # Two little icon slots in the tray.
        if in_round_rect(x, y, 0.62, 0.79, 0.72, 0.89, 0.02):
            return (250, 250, 250)
        if in_round_rect(x, y, 0.77, 0.79, 0.87, 0.89, 0.02):
            return (250, 250, 250)
        return (80, 130, 200)
    # Trunks.
    if 0.31 <= x <= 0.39 and 0.50 <= y <= 0.74:
        return (110, 70, 35)
    if 0.63 <= x <= 0.70 and 0.55 <= y <= 0.74:
        return (110, 70, 35)
    # The tall tree on the left, a conifer drawn as two stacked triangles.
    left = (in_triangle(x, y, (0.35, 0.04), (0.10, 0.40), (0.60, 0.40)) or
            in_triangle(x, y, (0.35, 0.20), (0.06, 0.58), (0.64, 0.58)))
    if left:
        edge = (in_triangle(x, y, (0.35, 0.10), (0.15, 0.37), (0.55, 0.37)) or
                in_triangle(x, y, (0.35, 0.27), (0.12, 0.54), (0.58, 0.54)))
        return (46, 140, 60) if edge else (24, 95, 40)
    # The round tree on the right.
    if in_circle(x, y, 0.67, 0.42, 0.20):
        if in_circle(x, y, 0.64, 0.39, 0.16):
            return (110, 190, 80)
        return (60, 140, 50)
    return None


def window_shape(x, y):
    """Colour at a point of the fallback window icon, or None."""
    if not in_round_rect(x, y, 0.06, 0.12, 0.94, 0.88, 0.05):
        return None
    if not in_round_rect(x, y, 0.10, 0.16, 0.90, 0.84, 0.02):
        return (50, 70, 110)       # frame
    if y < 0.32:
        # Title bar with a close box.
        if 0.76 <= x <= 0.86 and 0.19 <= y <= 0.29:
            return (220, 80, 70)
        return (60, 110, 190)
    # Client area with three text lines.
    for top in (0.42, 0.56, 0.70):
        if top <= y <= top + 0.05 and 0.18 <= x <= (0.80 if top != 0.70 else 0.58):
            return (170, 180, 195)
    return (250, 250, 252)


def render(shape, size):
    """Rows of (b, g, r, a) from top to bottom."""
    rows = []
    n = SUPER * SUPER
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0, 0, 0, 0]
            for sy in range(SUPER):
                for sx in range(SUPER):
                    x = (px + (sx + 0.5) / SUPER) / size
                    y = (py + (sy + 0.5) / SUPER) / size
                    c = shape(x, y)
                    if c is not None:
                        acc[0] += c[0]
                        acc[1] += c[1]
                        acc[2] += c[2]
                        acc[3] += 1
            if acc[3] == 0:
                row.append((0, 0, 0, 0))
            else:
                cover = acc[3]
                row.append((acc[2] // cover, acc[1] // cover, acc[0] // cover,
                            (255 * cover + n // 2) // n))
        rows.append(row)
    return rows


def bit_rows(rows):
    """Rows of flags as 1-bit rows, bottom-up, each padded to 32 bits."""
    out = bytearray()
    for row in reversed(rows):
        bits = bytearray(((len(row) + 31) // 32) * 4)
        for i, on in enumerate(row):
            if on:
                bits[i // 8] |= 0x80 >> (i % 8)
        out += bits
    return bytes(out)


def bmp_image(rows):
    size = len(rows)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = bytearray()
    for row in reversed(rows):  # bottom-up
        for b, g, r, a in row:
            # Premultiplied colours are not wanted; fully clear pixels are black.
            pixels += bytes((b, g, r, a))
    mask = bit_rows([[a == 0 for *_, a in row] for row in rows])
    return header + bytes(pixels) + bytes(mask)


def write_ico(path, shape):
    images = [bmp_image(render(shape, s)) for s in SIZES]
    out = bytearray(struct.pack('<HHH', 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for s, img in zip(SIZES, images):
        out += struct.pack('<BBBBHHII', s % 256, s % 256, 0, 0, 1, 32, len(img), offset)
        offset += len(img)
    for img in images:
        out += img
    with open(path, 'wb') as f:
        f.write(out)


# The 16 colours every display shows, in the order of the VGA palette.
VGA16 = ((0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
         (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
         (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255))

PICK_SIZES = (32, 40, 48, 64)
# At 32 pixels: the disc's radius, the cross's arm (centre to end) and
# half its thickness (two pixels); larger cursors scale them.
DISC_RADIUS = 12.5
CROSS_ARM = 8
CROSS_HALF = 0.75


def in_cross(x, y, cx, cy, arm, half):
    return ((abs(x - cx) <= half and abs(y - cy) <= arm) or
            (abs(y - cy) <= half and abs(x - cx) <= arm))


def pick_shape(x, y):
    """Colour at a point of the picker's target icon, or None."""
    if not in_round_rect(x, y, 0.04, 0.04, 0.96, 0.96, 0.06):
        return None
    if not in_round_rect(x, y, 0.08, 0.08, 0.92, 0.92, 0.03):
        return (0, 0, 128)         # frame
    if y < 0.24:
        return (0, 0, 255)         # title bar
    if in_circle(x, y, 0.5, 0.6, 0.29):
        if in_cross(x, y, 0.5, 0.6, 0.19, 0.045):
            return (255, 255, 255)
        return (0, 0, 0)           # the disc, as the cursor shows it on white
    return (192, 192, 192)


def nearest_vga(colour):
    return min(range(16), key=lambda i: sum((a - b) ** 2 for a, b in zip(VGA16[i], colour)))


def ico16_image(shape, size):
    """One image in 4 bits a pixel with the VGA palette."""
    rows = render(shape, size)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b''.join(bytes((b, g, r, 0)) for r, g, b in VGA16)
    pixels = bytearray()
    for row in reversed(rows):
        indices = [nearest_vga((r, g, b)) if a >= 128 else 0 for b, g, r, a in row]
        line = bytearray()
        for i in range(0, size, 2):
            line.append((indices[i] << 4) | indices[i + 1])
        pixels += line + bytes(-len(line) % 4)  # rows padded to 32 bits
    clear = [[a < 128 for *_, a in row] for row in rows]
    return header + palette + bytes(pixels) + bit_rows(clear)


def write_ico16(path, shape):
    images = [ico16_image(shape, s) for s in PICK_SIZES]
    out = bytearray(struct.pack('<HHH', 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for s, img in zip(PICK_SIZES, images):
        out += struct.pack('<BBBBHHII', s, s, 16, 0, 1, 4, len(img), offset)
        offset += len(img)
    for img in images:
        out += img
    with open(path, 'wb') as f:
        f.write(out)


def cursor_image(size):
    """Monochrome: AND 1 and XOR 1 invert the screen, AND 0 and XOR 1 are white."""
    scale = size / 32.0
    centre = (size - 1) / 2.0
    radius, arm = DISC_RADIUS * scale, CROSS_ARM * scale
    half = CROSS_HALF + (scale - 1)  # 2, 3 and 4 pixels thick at 32, 48 and 64
    xor_rows, and_rows = [], []
    for y in range(size):
        xor_row, and_row = [], []
        for x in range(size):
            disc = in_circle(x, y, centre, centre, radius)
            cross = disc and in_cross(x, y, centre, centre, arm, half)
            xor_row.append(disc)
            and_row.append(not cross)
        xor_rows.append(xor_row)
        and_rows.append(and_row)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 1, 0, 0, 0, 0, 2, 0)
    palette = bytes((0, 0, 0, 0, 255, 255, 255, 0))
    return header + palette + bit_rows(xor_rows) + bit_rows(and_rows)


def write_pick_cursor(path):
    images = [cursor_image(s) for s in PICK_SIZES]
    hot_x, hot_y = 0, 0
    out = bytearray(struct.pack('<HHH', 0, 2, len(images)))
    offset = 6 + 16 * len(images)
    for s, img in zip(PICK_SIZES, images):
        out += struct.pack('<BBBBHHII', s, s, 2, 0, hot_x, hot_y, len(img), offset)
        offset += len(img)
    for img in images:
        out += img
    with open(path, 'wb') as f:
        f.write(out)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    write_ico(os.path.join(here, 'morimo.ico'), morimo_shape)
    write_ico(os.path.join(here, 'window.ico'), window_shape)
    write_ico16(os.path.join(here, 'pick.ico'), pick_shape)
    write_pick_cursor(os.path.join(here, 'pick.cur'))


if __name__ == '__main__':
    main()
