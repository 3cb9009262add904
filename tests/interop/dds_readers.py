#!/usr/bin/env python3
"""Interoperability of the DDS files `qbtex to-dds` writes.

Every one of the twelve output formats, with and without mip levels, is read
back by independent readers (ImageMagick, Pillow, NVIDIA's nvddsinfo and
nvdecompress) and compared pixel for pixel with our own decoding
(`qbtex to-png`). A reader that is not installed is left out with a note
and the run ends as skipped (exit status --skip-code) unless another reader
disagrees. A reader that cannot read a format it is listed as not supporting
is noted; any other refusal or difference fails the test (exit status 1).

Pillow comes from Debian's python3-pil; run this script with /usr/bin/python3.
"""
import argparse
import os
import shutil
import struct
import subprocess
import sys
import zlib

FORMATS = ["dxt1", "dxt3", "dxt5", "a8r8g8b8", "r8g8b8", "a4r4g4b4", "a1r5g5b5",
           "r5g6b5", "a8l8", "r3g3b2", "a4l4", "l8"]
WIDTH, HEIGHT = 32, 16
LEVELS = 6  # full chain of 32 x 16

# Largest channel difference accepted, by format: readers widen 5- and 6-bit
# channels by bit replication where we round (one step at most), and decode
# DXT's interpolated colours with truncation where we round.
TOLERANCE = {"dxt1": 1, "dxt3": 1, "dxt5": 1, "a1r5g5b5": 1, "r5g6b5": 1}

# Formats a reader does not read, or reads wrongly, with the reason (checked
# on Debian 12: ImageMagick 6.9.11, Pillow 9.4, libnvtt-bin 2.1). These are
# reported, not failed; any other refusal or difference fails.
UNSUPPORTED = {
    "imagemagick": {
        "a8l8": "refuses 16-bit luminance+alpha ('image type not supported')",
        "a4l4": "refuses 8-bit luminance+alpha ('image type not supported')",
        "r3g3b2": "reads every 8-bit uncompressed file as grey, ignoring the RGB masks",
    },
    "pillow": {
        "a4r4g4b4": "no 16-bit RGB mask formats ('cannot identify image file')",
        "a1r5g5b5": "no 16-bit RGB mask formats ('cannot identify image file')",
        "r5g6b5": "no 16-bit RGB mask formats ('cannot identify image file')",
        "r3g3b2": "no 8-bit RGB mask format ('cannot identify image file')",
        "a4l4": "takes 8-bit luminance with alpha mask for L8+A8 and runs out of data",
    },
    "nvdecompress": {
        "l8": "ignores DDPF_LUMINANCE and decodes luminance files as black",
        "a8l8": "ignores DDPF_LUMINANCE and decodes luminance files as black",
        "a4l4": "ignores DDPF_LUMINANCE and decodes luminance files as black",
    },
}


def png_chunk(kind, data):
    return (struct.pack(">I", len(data)) + kind + data +
            struct.pack(">I", zlib.crc32(kind + data) & 0xffffffff))


def write_png(path, width, height, rgba):
    rows = b"".join(b"\0" + rgba[y * width * 4:(y + 1) * width * 4] for y in range(height))
    data = (b"\x89PNG\r\n\x1a\n" +
            png_chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)) +
            png_chunk(b"IDAT", zlib.compress(rows)) + png_chunk(b"IEND", b""))
    with open(path, "wb") as f:
        f.write(data)


def paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def read_png_rgba(path):
    """8-bit RGBA, non-interlaced PNG (what `qbtex to-png` writes)."""
    with open(path, "rb") as f:
        data = f.read()
    pos, idat, width, height = 8, b"", 0, 0
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", body)
            if depth != 8 or colour != 6 or interlace != 0:
                raise ValueError("not 8-bit RGBA: %s" % path)
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    raw = zlib.decompress(idat)
    stride = width * 4
    out = bytearray()
    prev = bytearray(stride)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - 4] if i >= 4 else 0
            b = prev[i]
            c = prev[i - 4] if i >= 4 else 0
            line[i] = (line[i] + (0, a, b, (a + b) // 2, paeth(a, b, c))[kind]) & 0xff
        out += line
        prev = line
    return width, height, bytes(out)


def read_tga_rgba(path):
    """Uncompressed or RLE true-colour TGA of 24 or 32 bits, as RGBA top row first."""
    with open(path, "rb") as f:
        data = f.read()
    id_len, cmap_type, kind = data[0], data[1], data[2]
    cmap_len, cmap_bits = struct.unpack("<H", data[5:7])[0], data[7]
    width, height, bits, desc = struct.unpack("<HHBB", data[12:18])
    if kind not in (2, 10) or bits not in (24, 32):
        raise ValueError("unsupported TGA type %d/%d" % (kind, bits))
    pos = 18 + id_len + (cmap_len * ((cmap_bits + 7) // 8) if cmap_type else 0)
    size = bits // 8
    pixels = []
    count = width * height
    while len(pixels) < count:
        if kind == 2:
            pixels.append(data[pos:pos + size])
            pos += size
            continue
        head = data[pos]
        pos += 1
        n = (head & 0x7f) + 1
        if head & 0x80:
            pixels.extend([data[pos:pos + size]] * n)
            pos += size
        else:
            for _ in range(n):
                pixels.append(data[pos:pos + size])
                pos += size
    rows = [pixels[y * width:(y + 1) * width] for y in range(height)]
    if not desc & 0x20:
        rows.reverse()
    out = bytearray()
    for row in rows:
        for p in row:
            out += bytes((p[2], p[1], p[0], p[3] if size == 4 else 255))
    return width, height, bytes(out)


def max_difference(a, b):
    if len(a) != len(b):
        return 999
    return max((abs(x - y) for x, y in zip(a, b)), default=0)


def source_pixels():
    out = bytearray()
    for y in range(HEIGHT):
        for x in range(WIDTH):
            out += bytes((x * 255 // (WIDTH - 1), y * 255 // (HEIGHT - 1), (x * 37 + y * 91) & 0xff,
                          255 - ((x + y) * 16 & 0xff)))
    return bytes(out)


class Readers:
    def __init__(self, work):
        self.work = work
        self.convert = shutil.which("convert", path="/usr/bin") or shutil.which("convert")
        self.pillow = None
        try:
            from PIL import Image  # noqa: F401 (Debian's python3-pil)
            self.pillow = Image
        except ImportError:
            pass
        self.nvdecompress = shutil.which("nvdecompress")
        self.nvddsinfo = shutil.which("nvddsinfo")

    def imagemagick(self, dds, levels):
        """Level 0: ImageMagick 6 skips the mip levels."""
        out = subprocess.run([self.convert, dds + "[0]", "-depth", "8", "rgba:-"],
                             capture_output=True)
        if out.returncode != 0 or len(out.stdout) != WIDTH * HEIGHT * 4:
            raise RuntimeError(out.stderr.decode(errors="replace").strip()[:200])
        return [out.stdout]

    def pillow_read(self, dds, levels):
        with self.pillow.open(dds) as image:
            image.load()
            if image.size != (WIDTH, HEIGHT):
                raise RuntimeError("size %s" % (image.size,))
            return [image.convert("RGBA").tobytes()]

    def nvidia(self, dds, levels):
        info = subprocess.run([self.nvddsinfo, dds], capture_output=True, text=True)
        if info.returncode != 0:
            raise RuntimeError("nvddsinfo failed")
        text = info.stdout
        if "Width: %d" % WIDTH not in text or "Height: %d" % HEIGHT not in text:
            raise RuntimeError("nvddsinfo size: " + text.replace("\n", " ")[:200])
        if levels > 1 and "Mipmap count: %d" % levels not in text:
            raise RuntimeError("nvddsinfo mipmap count: " + text.replace("\n", " ")[:200])
        copy = os.path.join(self.work, "nv.dds")
        shutil.copyfile(dds, copy)
        tga = os.path.join(self.work, "nv.tga")
        if os.path.exists(tga):
            os.remove(tga)
        out = subprocess.run([self.nvdecompress, copy], capture_output=True, cwd=self.work)
        if out.returncode != 0 or not os.path.exists(tga):
            raise RuntimeError("nvdecompress failed")
        w, h, rgba = read_tga_rgba(tga)
        if (w, h) != (WIDTH, HEIGHT):
            raise RuntimeError("nvdecompress size %dx%d" % (w, h))
        return [rgba]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--qbtex", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--skip-code", type=int, required=True,
                        help="exit status when a reader is missing (ctest's SKIP_RETURN_CODE)")
    args = parser.parse_args()
    os.makedirs(args.work, exist_ok=True)
    readers = Readers(args.work)
    available = []
    missing = []
    if readers.convert:
        available.append(("imagemagick", readers.imagemagick))
    else:
        missing.append("ImageMagick")
        print("note: ImageMagick's convert is not installed; skipped")
    if readers.pillow:
        available.append(("pillow", readers.pillow_read))
    else:
        missing.append("Pillow")
        print("note: Pillow (python3-pil) is not available to %s; skipped" % sys.executable)
    if readers.nvdecompress and readers.nvddsinfo:
        available.append(("nvdecompress", readers.nvidia))
    else:
        missing.append("nvddsinfo/nvdecompress")
        print("note: nvddsinfo/nvdecompress (libnvtt-bin) are not installed; skipped")

    source = os.path.join(args.work, "source.png")
    write_png(source, WIDTH, HEIGHT, source_pixels())
    failures = []
    for fmt in FORMATS:
        for mips in ("none", "full"):
            levels = 1 if mips == "none" else LEVELS
            dds = os.path.join(args.work, "%s_%s.dds" % (fmt, mips))
            subprocess.run([args.qbtex, "to-dds", source, dds, "--format", fmt, "--mips", mips],
                           check=True)
            ours = []
            for level in range(levels):
                png = os.path.join(args.work, "ours.png")
                subprocess.run([args.qbtex, "to-png", dds, png, "--level", str(level)], check=True)
                ours.append(read_png_rgba(png)[2])
            for name, read in available:
                label = "%-12s %-9s mips %-4s" % (name, fmt, mips)
                known = UNSUPPORTED[name].get(fmt)
                try:
                    got = read(dds, levels)
                except Exception as error:  # noqa: BLE001 (any refusal is a result)
                    if known:
                        print("%s: not read (known: %s)" % (label, known))
                    else:
                        print("%s: FAILED to read: %s" % (label, error))
                        failures.append(label)
                    continue
                worst = max(max_difference(g, o) for g, o in zip(got, ours))
                agrees = worst <= TOLERANCE.get(fmt, 0)
                if agrees:
                    verdict = "ok" + (" (now agrees although listed: %s)" % known if known else "")
                elif known:
                    verdict = "differs (known: %s)" % known
                else:
                    verdict = "DIFFERS"
                    failures.append(label)
                print("%s: %d level(s) compared, max difference %d: %s" %
                      (label, len(got), worst, verdict))
    if failures:
        print("%d disagreement(s):\n  %s" % (len(failures), "\n  ".join(failures)))
        return 1
    if missing:
        print("skipped: %s not installed (scripts/setup installs them); the %d other reader(s) agree" %
              (", ".join(missing), len(available)))
        return args.skip_code
    print("all readers agree")
    return 0


if __name__ == "__main__":
    sys.exit(main())
