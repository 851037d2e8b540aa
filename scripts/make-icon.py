#!/usr/bin/env python3
"""Draws the program's icon (a blue card binder with three white rings) and
writes it as app/binderwell.ico: 16, 32 and 48 pixel images, 32-bit BGRA.
Run by hand when the design changes; the .ico is committed."""
import struct
import sys


def pixel(size, x, y):
    # Coordinates on a 0..1 square, sampled at the pixel's centre.
    u = (x + 0.5) / size
    v = (y + 0.5) / size
    cover = (0.16, 0.08, 0.88, 0.92)  # left, top, right, bottom
    radius = 0.10
    left, top, right, bottom = cover
    if not (left <= u <= right and top <= v <= bottom):
        return (0, 0, 0, 0)
    # Rounded corners.
    cx = min(max(u, left + radius), right - radius)
    cy = min(max(v, top + radius), bottom - radius)
    if (u - cx) ** 2 + (v - cy) ** 2 > radius ** 2:
        return (0, 0, 0, 0)
    # Three rings along the spine.
    for ring_y in (0.25, 0.50, 0.75):
        d = ((u - 0.27) ** 2 + (v - ring_y) ** 2) ** 0.5
        if 0.035 <= d <= 0.075:
            return (255, 255, 255, 255)
    # A pale card pocket on the cover.
    if 0.42 <= u <= 0.78 and 0.22 <= v <= 0.78:
        if u < 0.45 or u > 0.75 or v < 0.25 or v > 0.75:
            return (0xF5, 0xF7, 0xFA, 255)
        return (0x4A, 0x9B, 0xE8, 255)
    return (0x00, 0x78, 0xD7, 255)  # the accent blue (RGB)


def image(size):
    rows = []
    for y in range(size - 1, -1, -1):  # bottom-up
        row = b""
        for x in range(size):
            r, g, b, a = pixel(size, x, y)
            row += bytes((b, g, r, a))
        rows.append(row)
    xor = b"".join(rows)
    mask_row = ((size + 31) // 32) * 4
    and_mask = b"\0" * (mask_row * size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(and_mask), 0, 0, 0, 0)
    return header + xor + and_mask


def main(path):
    sizes = (16, 32, 48)
    images = [image(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for s, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", s, s, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    out += b"".join(images)
    with open(path, "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "app/binderwell.ico")
