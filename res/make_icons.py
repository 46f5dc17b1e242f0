#!/usr/bin/env python3
"""Draws the program's icons and writes them as .ico files (one 32-bit image with alpha each).

The pictures are ours, drawn from simple shapes; run this again after changing one and commit
the .ico files it writes beside itself.
"""
import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
SAMPLES = 4  # supersampling per axis, for soft edges


def rounded_rect(x, y, x0, y0, x1, y1, r):
    cx = min(max(x, x0 + r), x1 - r)
    cy = min(max(y, y0 + r), y1 - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r and x0 <= x <= x1 and y0 <= y <= y1


def program_icon(x, y):
    """A disc with a USB stick in front of it, on a dark blue tile (64 x 64)."""
    # the stick: white body, grey connector, pointing down-right
    u, v = (x - y) / math.sqrt(2), (x + y) / math.sqrt(2)  # rotated 45 degrees
    su, sv = u - 0.0, v - 62.0
    if abs(su) <= 7 and -2 <= sv <= 16:
        return (150, 160, 175, 255) if sv > 9 else (200, 210, 220, 255) if abs(su) > 5 else (120, 130, 140, 255)
    if abs(su) <= 10 and -26 <= sv <= -2:
        return (250, 250, 250, 255) if not (abs(su) < 5 and -20 <= sv <= -12) else (40, 170, 70, 255)
    # the disc
    dx, dy = x - 25, y - 25
    d = math.hypot(dx, dy)
    if d <= 4:
        return None if d <= 2.5 else (90, 90, 110, 255)
    if d <= 19:
        shine = 0.5 + 0.5 * math.sin(math.atan2(dy, dx) * 2)
        g = int(175 + 60 * shine)
        return (g, g, min(255, g + 15), 255)
    if rounded_rect(x, y, 1, 1, 63, 63, 10):
        t = (x + y) / 128
        return (0, int(20 + 50 * t), int(60 + 90 * t), 255)
    return None


def folder_icon(x, y):
    """A yellow folder with a green sheet standing in it (20 x 20)."""
    if 6 <= x <= 15 and 3 <= y <= 13 and not (x > 13 and y < 5):
        edge = x < 6.8 or x > 14.2 or y < 3.8
        return (20, 110, 40, 255) if edge else (60, 185, 80, 255) if int(y) % 3 else (30, 140, 55, 255)
    if rounded_rect(x, y, 1, 4, 9, 8, 1.2):
        return (200, 150, 20, 255)
    if rounded_rect(x, y, 1, 7, 19, 18, 1.2):
        edge = x < 1.8 or x > 18.2 or y > 17.2 or y < 7.8
        return (170, 120, 10, 255) if edge else (250, 205, 60, 255)
    return None


def about_icon(x, y):
    """A light circular emblem with a vertical stroke on a dark blue square (16 x 16)."""
    d = math.hypot(x - 8, y - 8)
    if d <= 6.5 and (d >= 5.2 or (abs(x - 8) <= 1.1 and 4.2 <= y <= 11.8)):
        return (225, 235, 250, 255)
    if 0 <= x <= 16 and 0 <= y <= 16:
        return (10, 30, 110, 255)
    return None


def render(size, picture):
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    c = picture(px + (sx + 0.5) / SAMPLES, py + (sy + 0.5) / SAMPLES)
                    if c:
                        a = c[3] / 255
                        acc[0] += c[0] * a
                        acc[1] += c[1] * a
                        acc[2] += c[2] * a
                        acc[3] += a
            n = SAMPLES * SAMPLES
            alpha = acc[3] / n
            if alpha > 0:
                rgb = [int(round(acc[i] / acc[3])) for i in range(3)]
            else:
                rgb = [0, 0, 0]
            row.append((rgb[0], rgb[1], rgb[2], int(round(alpha * 255))))
        rows.append(row)
    return rows


def ico_bytes(size, rows):
    mask_stride = ((size + 31) // 32) * 4
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b''.join(struct.pack('BBBB', b, g, r, a) for row in reversed(rows) for (r, g, b, a) in row)
    mask = b''
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for i, px in enumerate(row):
            if px[3] == 0:
                bits[i // 8] |= 0x80 >> (i % 8)
        mask += bytes(bits)
    image = header + pixels + mask
    directory = struct.pack('<HHH', 0, 1, 1) + struct.pack(
        '<BBBBHHII', size % 256, size % 256, 0, 0, 1, 32, len(image), 22)
    return directory + image


ICONS = {
    'tarnvik.ico': (64, program_icon),
    'add_files_folder.ico': (20, folder_icon),
    'about.ico': (16, about_icon),
}

if __name__ == '__main__':
    for name, (size, picture) in ICONS.items():
        with open(os.path.join(HERE, name), 'wb') as f:
            f.write(ico_bytes(size, render(size, picture)))
