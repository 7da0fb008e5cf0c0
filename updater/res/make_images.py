#!/usr/bin/env python3
"""Draws the program's camera picture and writes it as the icon and the logo bitmap.

    make_images.py OUTPUT_FOLDER

Writes TAVIKUpdate.ico (one 32 x 32 image, 24 bits per pixel, with its mask) and
TAVIKUpdateLogo.bmp (32 x 32, 24 bits per pixel, uncompressed). The drawing is plain
arithmetic, so every build makes the same bytes.
"""
import os
import struct
import sys

SIZE = 32
BACKGROUND = None  # outside the camera: transparent in the icon
LOGO_BACKGROUND = (240, 240, 240)  # the dialog face the logo sits on

BODY = (58, 62, 70)
BODY_EDGE = (28, 30, 34)
TOP = (84, 90, 100)
BUTTON = (200, 40, 40)
FLASH = (250, 236, 170)
LENS_RING = (170, 176, 186)
LENS_GLASS = (30, 60, 120)
LENS_SHINE = (150, 190, 240)


def inside_rounded(x, y, left, top, right, bottom, radius):
    """Whether the pixel centre (x, y) lies in the rounded rectangle [left, right) x [top, bottom)."""
    cx = min(max(x + 0.5, left + radius), right - radius)
    cy = min(max(y + 0.5, top + radius), bottom - radius)
    return (x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2 <= radius ** 2 and \
        left <= x < right and top <= y < bottom


def pixel(x, y):
    """The camera's colour at (x, y), top-left origin, or BACKGROUND."""
    lens_d2 = (x + 0.5 - 16) ** 2 + (y + 0.5 - 18.5) ** 2
    if lens_d2 <= 2.2 ** 2 and x < 16 and y < 18:
        return LENS_SHINE
    if lens_d2 <= 5.5 ** 2:
        return LENS_GLASS
    if lens_d2 <= 8 ** 2:
        return LENS_RING
    if inside_rounded(x, y, 22, 11, 27, 14, 1):
        return FLASH
    if inside_rounded(x, y, 2, 9, 30, 28, 3):
        edge = not inside_rounded(x, y, 3, 10, 29, 27, 2)
        return BODY_EDGE if edge else BODY
    if inside_rounded(x, y, 10, 5, 22, 10, 1):  # the prism housing on top
        return TOP
    if inside_rounded(x, y, 4, 6, 9, 9, 1):  # the shutter button
        return BUTTON
    return BACKGROUND


def rows_bottom_up(background):
    """The image as BGR rows from the bottom row up, each padded to 4 bytes."""
    stride = (SIZE * 3 + 3) & ~3
    data = bytearray()
    for y in range(SIZE - 1, -1, -1):
        row = bytearray()
        for x in range(SIZE):
            colour = pixel(x, y) or background
            row += bytes((colour[2], colour[1], colour[0]))
        row += b"\0" * (stride - len(row))
        data += row
    return bytes(data)


def mask_bottom_up():
    """The icon's AND mask: 1 where the background shows through, rows padded to 4 bytes."""
    stride = ((SIZE + 31) // 32) * 4
    data = bytearray()
    for y in range(SIZE - 1, -1, -1):
        row = bytearray(stride)
        for x in range(SIZE):
            if pixel(x, y) is None:
                row[x // 8] |= 0x80 >> (x % 8)
        data += row
    return bytes(data)


def info_header(height, image_size):
    # BITMAPINFOHEADER: size, width, height, planes, bit count, BI_RGB, image size,
    # resolution (about 96 dpi), colours used, colours important.
    return struct.pack("<IiiHHIIiiII", 40, SIZE, height, 1, 24, 0, image_size, 3780, 3780, 0, 0)


def bitmap_file():
    pixels = rows_bottom_up(LOGO_BACKGROUND)
    header = info_header(SIZE, len(pixels))
    offset = 14 + len(header)
    file_header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return file_header + header + pixels


def icon_file():
    # In an icon the height counts the colour image and its mask.
    pixels = rows_bottom_up((0, 0, 0))
    mask = mask_bottom_up()
    image = info_header(SIZE * 2, len(pixels) + len(mask)) + pixels + mask
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, 1, 24, len(image), 6 + 16)
    return directory + entry + image


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_images.py OUTPUT_FOLDER")
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    write(os.path.join(folder, "TAVIKUpdate.ico"), icon_file())
    write(os.path.join(folder, "TAVIKUpdateLogo.bmp"), bitmap_file())


if __name__ == "__main__":
    main()
