#!/usr/bin/env python3
"""Draws the dialog's icon, a white "K" on a blue rounded square, at 16, 32
and 48 pixels, and writes it as a Windows .ico (32-bit images with alpha), or
at the sizes the web add-in's manifest names as PNG files into a folder:

    python3 scripts/icon/make_icon.py src/adapters/win32/dialog/korvane.ico
    python3 scripts/icon/make_icon.py --png web/assets

The file is kept in the repository; run this again after changing the
drawing."""
import os
import struct
import sys
import zlib

BLUE = (0x1F, 0x5A, 0xA6)
WHITE = (0xFF, 0xFF, 0xFF)


def coverage(size, x, y):
    """How much of pixel (x, y) the rounded square covers, 0..1 (4x4 samples)."""
    radius = size * 0.2
    inside = 0
    for sy in range(4):
        for sx in range(4):
            px, py = x + (sx + 0.5) / 4, y + (sy + 0.5) / 4
            cx = min(max(px, radius), size - radius)
            cy = min(max(py, radius), size - radius)
            if (px - cx) ** 2 + (py - cy) ** 2 <= radius ** 2:
                inside += 1
    return inside / 16


def on_letter(size, x, y):
    """Whether the pixel centre lies on the "K": a stem and two arms."""
    u, v = (x + 0.5) / size, (y + 0.5) / size
    stroke = max(0.14, 2.0 / size)
    if not 0.2 <= v <= 0.8:
        return False
    if 0.26 <= u <= 0.26 + stroke:
        return True
    # Arms from the stem's middle to the corners at the right.
    for end_v in (0.2, 0.8):
        start_u, start_v, end_u = 0.26 + stroke, 0.5, 0.76
        t = (v - start_v) / (end_v - start_v)
        if 0 <= t <= 1 and abs(u - (start_u + t * (end_u - start_u))) <= stroke * 0.75:
            return True
    return False


def pixel(size, x, y):
    """RGBA of pixel (x, y)."""
    alpha = coverage(size, x, y)
    r, g, b = WHITE if alpha > 0 and on_letter(size, x, y) else BLUE
    return r, g, b, round(alpha * 255)


def png(size):
    """An RGBA PNG: each row filtered with "none", the whole deflated once."""
    raw = b"".join(b"\0" + b"".join(bytes(pixel(size, x, y)) for x in range(size)) for y in range(size))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")


def image(size):
    """BITMAPINFOHEADER, BGRA rows bottom-up, then the AND mask."""
    rows, mask = [], []
    for y in reversed(range(size)):
        row, bits = bytearray(), 0
        mask_row = bytearray()
        for x in range(size):
            r, g, b, alpha = pixel(size, x, y)
            row += bytes((b, g, r, alpha))
            bits = (bits << 1) | (1 if alpha == 0 else 0)
            if x % 8 == 7:
                mask_row.append(bits)
                bits = 0
        if size % 8:
            mask_row.append(bits << (8 - size % 8))
        while len(mask_row) % 4:
            mask_row.append(0)
        rows.append(bytes(row))
        mask.append(bytes(mask_row))
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    return header + b"".join(rows) + b"".join(mask)


def write_pngs(folder):
    # The sizes Outlook asks a web add-in's manifest for: ribbon 16/32/80,
    # add-in icons 64/128.
    os.makedirs(folder, exist_ok=True)
    for size in (16, 32, 64, 80, 128):
        with open(os.path.join(folder, f"icon-{size}.png"), "wb") as f:
            f.write(png(size))


def main():
    if sys.argv[1] == "--png":
        write_pngs(sys.argv[2])
        return
    sizes = (16, 32, 48)
    images = [image(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for size, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    out += b"".join(images)
    with open(sys.argv[1], "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main()
