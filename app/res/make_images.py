#!/usr/bin/env python3
"""Builds the program's toolbar bitmap and application icon from text pixel art.

toolbar.txt -> toolbar.bmp: 80 x 16, 8 bits per pixel, five 16 x 16 pictures.
app_icon.txt -> app.ico: one 32 x 32 image, 16 colours, with a transparency mask.

The art files hold one character per pixel (see their headers); lines that
begin with "#" are comments. The build runs this script, so editing the art is
enough to change the pictures. Usage: make_images.py SOURCE_DIR OUTPUT_DIR
"""

import pathlib
import struct
import sys

# The 16 standard colours as (red, green, blue), indexed by their hex digit.
STANDARD_COLOURS = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BUTTON_FACE = 7  # the toolbar maps silver to the button face and draws it transparent
TRANSPARENT = "."


def read_art(path, width, height):
    rows = [line.rstrip("\n") for line in path.read_text(encoding="utf-8").splitlines()
            if line.strip() and not line.startswith("#")]
    if len(rows) != height:
        sys.exit(f"{path}: {len(rows)} rows, expected {height}")
    for number, row in enumerate(rows, 1):
        if len(row) != width:
            sys.exit(f"{path}: row {number} has {len(row)} pixels, expected {width}")
        bad = set(row) - set("0123456789ABCDEF" + TRANSPARENT)
        if bad:
            sys.exit(f"{path}: row {number} has unknown pixels {sorted(bad)}")
    return rows


def bitmap_info_header(width, height, bits, colours_used, image_size):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, image_size, 0, 0,
                       colours_used, 0)


def palette_bytes(count):
    colours = STANDARD_COLOURS + [(0, 0, 0)] * (count - len(STANDARD_COLOURS))
    return b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in colours)


def toolbar_bitmap(art_rows):
    # The toolbar takes 16 x 16 pictures from a strip; the five pictures of the
    # art file are stacked vertically, so lay them side by side.
    width, height = 80, 16
    strip = ["".join(art_rows[picture * 16 + y] for picture in range(5)) for y in range(height)]
    pixels = bytearray()
    for row in reversed(strip):  # bottom-up rows; 80 bytes need no padding
        pixels += bytes(BUTTON_FACE if c == TRANSPARENT else int(c, 16) for c in row)
    palette = palette_bytes(256)
    offset = 14 + 40 + len(palette)
    file_header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return file_header + bitmap_info_header(width, height, 8, 256, len(pixels)) + palette + pixels


def icon_file(art_rows):
    size = 32
    colour_rows = bytearray()
    mask_rows = bytearray()
    for row in reversed(art_rows):
        nibbles = [0 if c == TRANSPARENT else int(c, 16) for c in row]
        colour_rows += bytes((nibbles[x] << 4) | nibbles[x + 1] for x in range(0, size, 2))
        mask = 0
        for c in row:
            mask = (mask << 1) | (1 if c == TRANSPARENT else 0)
        mask_rows += mask.to_bytes(4, "big")
    image = (bitmap_info_header(size, size * 2, 4, 16, len(colour_rows) + len(mask_rows)) +
             palette_bytes(16) + bytes(colour_rows) + bytes(mask_rows))
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: make_images.py SOURCE_DIR OUTPUT_DIR")
    source = pathlib.Path(sys.argv[1])
    output = pathlib.Path(sys.argv[2])
    output.mkdir(parents=True, exist_ok=True)
    toolbar = toolbar_bitmap(read_art(source / "toolbar.txt", 16, 80))
    icon = icon_file(read_art(source / "app_icon.txt", 32, 32))
    (output / "toolbar.bmp").write_bytes(toolbar)
    (output / "app.ico").write_bytes(icon)


if __name__ == "__main__":
    main()
