#!/usr/bin/env python3
"""Draws the program's camera picture and writes it as the icon and the logo bitmaps.

    make_images.py OUTPUT_FOLDER

Writes TAVIKUpdate.ico (the camera at 16, 24, 32, 48 and 64 pixels, 24 bits per pixel, each
with its mask: the small and the big icon at 100 %, 150 % and 200 %) and the logo at 32, 48 and
64 pixels (TAVIKUpdateLogo.bmp, TAVIKUpdateLogo150.bmp, TAVIKUpdateLogo200.bmp; 24 bits per
pixel, uncompressed). The camera is drawn on a grid of 32 and each size samples it at its own
pixel centres, so larger sizes get sharper edges, not larger pixels. The drawing is plain
arithmetic, so every build makes the same bytes.
"""
import os
import struct
import sys

GRID = 32  # the drawing's own size
ICON_SIZES = (16, 24, 32, 48, 64)
LOGOS = (("TAVIKUpdateLogo.bmp", 32), ("TAVIKUpdateLogo150.bmp", 48),
         ("TAVIKUpdateLogo200.bmp", 64))
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


def inside_rounded(cx, cy, left, top, right, bottom, radius):
    """Whether the point (cx, cy) lies in the rounded rectangle (left, right) x (top, bottom)."""
    nx = min(max(cx, left + radius), right - radius)
    ny = min(max(cy, top + radius), bottom - radius)
    return (cx - nx) ** 2 + (cy - ny) ** 2 <= radius ** 2 and \
        left < cx < right and top < cy < bottom


def colour_at(cx, cy):
    """The camera's colour at the point (cx, cy) of the 32 grid, top-left origin, or BACKGROUND."""
    lens_d2 = (cx - 16) ** 2 + (cy - 18.5) ** 2
    if lens_d2 <= 2.2 ** 2 and cx < 16 and cy < 18:
        return LENS_SHINE
    if lens_d2 <= 5.5 ** 2:
        return LENS_GLASS
    if lens_d2 <= 8 ** 2:
        return LENS_RING
    if inside_rounded(cx, cy, 22, 11, 27, 14, 1):
        return FLASH
    if inside_rounded(cx, cy, 2, 9, 30, 28, 3):
        edge = not inside_rounded(cx, cy, 3, 10, 29, 27, 2)
        return BODY_EDGE if edge else BODY
    if inside_rounded(cx, cy, 10, 5, 22, 10, 1):  # the prism housing on top
        return TOP
    if inside_rounded(cx, cy, 4, 6, 9, 9, 1):  # the shutter button
        return BUTTON
    return BACKGROUND


def pixel(size, x, y):
    """The colour of pixel (x, y) of the picture at `size` pixels: the grid at its centre."""
    scale = GRID / size
    return colour_at((x + 0.5) * scale, (y + 0.5) * scale)


def rows_bottom_up(size, background):
    """The image as BGR rows from the bottom row up, each padded to 4 bytes."""
    stride = (size * 3 + 3) & ~3
    data = bytearray()
    for y in range(size - 1, -1, -1):
        row = bytearray()
        for x in range(size):
            colour = pixel(size, x, y) or background
            row += bytes((colour[2], colour[1], colour[0]))
        row += b"\0" * (stride - len(row))
        data += row
    return bytes(data)


def mask_bottom_up(size):
    """The icon's AND mask: 1 where the background shows through, rows padded to 4 bytes."""
    stride = ((size + 31) // 32) * 4
    data = bytearray()
    for y in range(size - 1, -1, -1):
        row = bytearray(stride)
        for x in range(size):
            if pixel(size, x, y) is None:
                row[x // 8] |= 0x80 >> (x % 8)
        data += row
    return bytes(data)


def info_header(width, height, image_size):
    # BITMAPINFOHEADER: size, width, height, planes, bit count, BI_RGB, image size,
    # resolution (about 96 dpi), colours used, colours important.
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, image_size, 3780, 3780, 0, 0)


def bitmap_file(size):
    pixels = rows_bottom_up(size, LOGO_BACKGROUND)
    header = info_header(size, size, len(pixels))
    offset = 14 + len(header)
    file_header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return file_header + header + pixels


def icon_image(size):
    # In an icon the height counts the colour image and its mask.
    pixels = rows_bottom_up(size, (0, 0, 0))
    mask = mask_bottom_up(size)
    return info_header(size, size * 2, len(pixels) + len(mask)) + pixels + mask


def icon_file():
    images = [icon_image(size) for size in ICON_SIZES]
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries = b""
    for size, image in zip(ICON_SIZES, images):
        entries += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 24, len(image), offset)
        offset += len(image)
    return directory + entries + b"".join(images)


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_images.py OUTPUT_FOLDER")
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    write(os.path.join(folder, "TAVIKUpdate.ico"), icon_file())
    for name, size in LOGOS:
        write(os.path.join(folder, name), bitmap_file(size))


if __name__ == "__main__":
    main()
