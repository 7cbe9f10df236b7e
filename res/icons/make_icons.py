#!/usr/bin/env python3
"""Draws the program's icons and writes them as .ico files beside this script.

The shapes are described in a 64 x 64 design space and rendered with 4 x 4 supersampling at
each size an icon file carries, as 32-bit images with alpha. Run it after changing a shape:
    python3 res/icons/make_icons.py
"""
import os
import struct

# The app icon at every size the shell asks for up to 64; the browse buttons' small faces only.
# Every self-extracting package carries the lite program, so the files stay small.
APP_SIZES = (16, 20, 24, 32, 40, 48, 64)
BUTTON_SIZES = (16, 20, 24, 32)
SAMPLES = 4


def rounded_rect(x0, y0, x1, y1, r):
    def inside(x, y):
        if not (x0 <= x <= x1 and y0 <= y <= y1):
            return False
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    return inside


def polygon(points):
    def inside(x, y):
        result = False
        j = len(points) - 1
        for i, (xi, yi) in enumerate(points):
            xj, yj = points[j]
            if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                result = not result
            j = i
        return result
    return inside


def page(x0, y0, x1, y1, fold):
    return polygon([(x0, y0), (x1 - fold, y0), (x1, y0 + fold), (x1, y1), (x0, y1)])


# Each icon: a list of (shape, colour) painted in order; colour is (r, g, b, a).
OUTLINE = (40, 64, 110, 255)
WHITE = (255, 255, 255, 255)


def app_icon():
    # A file cut into three pieces that drift apart: what the program does.
    layers = []
    pieces = [(6, 4, 22, (66, 133, 214, 255)), (10, 24, 40, (52, 168, 160, 255)),
              (14, 44, 60, (96, 176, 72, 255))]
    for shift, top, bottom, colour in pieces:
        layers.append((rounded_rect(shift, top, shift + 44, bottom, 4), OUTLINE))
        layers.append((rounded_rect(shift + 2, top + 2, shift + 42, bottom - 2, 3), colour))
        for line in range(top + 6, bottom - 4, 5):
            layers.append((rounded_rect(shift + 8, line, shift + 34, line + 2, 1), WHITE))
    return layers


def file_icon():
    layers = [(page(10, 4, 54, 60, 14), OUTLINE), (page(13, 7, 51, 57, 12), WHITE),
              (polygon([(40, 4), (54, 18), (40, 18)]), OUTLINE),
              (polygon([(42, 9), (49, 16), (42, 16)]), (200, 214, 236, 255))]
    for line in range(26, 52, 7):
        layers.append((rounded_rect(19, line, 45, line + 3, 1), (66, 133, 214, 255)))
    return layers


def folder_icon():
    return [(rounded_rect(4, 10, 30, 24, 3), (150, 110, 20, 255)),
            (rounded_rect(4, 16, 60, 56, 4), (150, 110, 20, 255)),
            (rounded_rect(7, 19, 57, 53, 3), (236, 188, 64, 255)),
            (rounded_rect(7, 26, 57, 53, 3), (248, 208, 96, 255))]


def render(layers, size):
    pixels = []
    scale = 64.0 / (size * SAMPLES)
    for row in range(size):
        for col in range(size):
            r = g = b = a = 0.0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    x = (col * SAMPLES + sx + 0.5) * scale
                    y = (row * SAMPLES + sy + 0.5) * scale
                    colour = None
                    for inside, c in layers:
                        if inside(x, y):
                            colour = c
                    if colour:
                        alpha = colour[3] / 255.0
                        r += colour[0] * alpha
                        g += colour[1] * alpha
                        b += colour[2] * alpha
                        a += alpha
            n = SAMPLES * SAMPLES
            if a > 0:
                pixels.append((round(r / a), round(g / a), round(b / a), round(255 * a / n)))
            else:
                pixels.append((0, 0, 0, 0))
    return pixels


def bitmap_entry(pixels, size):
    # A DIB as icon files keep it: height doubled for the AND mask, rows bottom up, BGRA.
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    rows = []
    for row in reversed(range(size)):
        rows.append(b''.join(struct.pack('BBBB', p[2], p[1], p[0], p[3])
                             for p in pixels[row * size:(row + 1) * size]))
    # The AND mask marks the clear pixels: drawing that ignores alpha, such as the greyed
    # face of a disabled button, still sees the shape and not a square.
    mask_stride = ((size + 31) // 32) * 4
    mask = b''
    for row in reversed(range(size)):
        line = bytearray(mask_stride)
        for x in range(size):
            if pixels[row * size + x][3] < 128:
                line[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(line)
    return header + b''.join(rows) + mask


def write_icon(path, layers, sizes):
    images = [bitmap_entry(render(layers, s), s) for s in sizes]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in zip(sizes, images):
        dim = 0 if size >= 256 else size
        out += struct.pack('<BBBBHHII', dim, dim, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open(path, 'wb') as f:
        f.write(out + b''.join(images))


if __name__ == '__main__':
    here = os.path.dirname(os.path.abspath(__file__))
    write_icon(os.path.join(here, 'partwell.ico'), app_icon(), APP_SIZES)
    write_icon(os.path.join(here, 'browse_file.ico'), file_icon(), BUTTON_SIZES)
    write_icon(os.path.join(here, 'browse_folder.ico'), folder_icon(), BUTTON_SIZES)
