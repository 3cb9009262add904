#!/usr/bin/env python3
"""Interoperability of the DDS files `qbtex to-dds` writes.

The twelve output formats, with and without mip levels, read by ImageMagick,
Pillow and NVIDIA's nvddsinfo/nvdecompress, compared pixel for pixel with our
own decoding (`qbtex to-png`). A missing reader makes the run skipped
(--skip-code) unless another disagrees; without Pillow (Debian's python3-pil,
so run with /usr/bin/python3) nothing is compared. Refusals and differences
listed in UNSUPPORTED are reported; any other fails the run (exit status 1).
"""
import argparse
import os
import shutil
import subprocess
import sys

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


def rgba_of(pil, path, size=(WIDTH, HEIGHT)):
    """The picture in `path` as 8-bit RGBA bytes, after checking its size."""
    with pil.open(path) as image:
        if image.size != size:
            raise RuntimeError("size %s" % (image.size,))
        return image.convert("RGBA").tobytes()


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


def readers(pil, work):
    """(name, read) for each installed reader, and the missing ones.

    read(dds, width, height, levels) checks what the reader tells of the size
    (and nvddsinfo of the level count) and gives level 0 as RGBA bytes.
    """
    convert = shutil.which("convert", path="/usr/bin") or shutil.which("convert")

    def imagemagick(dds, width, height, levels):
        # ImageMagick 6 skips the mip levels: level 0 only.
        out = subprocess.run([convert, dds + "[0]", "-depth", "8", "rgba:-"], capture_output=True)
        if out.returncode != 0 or len(out.stdout) != width * height * 4:
            raise RuntimeError(out.stderr.decode(errors="replace").strip()[:200])
        return out.stdout

    def nvidia(dds, width, height, levels):
        info = subprocess.run(["nvddsinfo", dds], capture_output=True, text=True).stdout
        lines = info.splitlines()
        wanted = ["Width: %d" % width, "Height: %d" % height]
        # A file of one level may say 0 (no DDSD_MIPMAPCOUNT) or 1.
        counts = ["Mipmap count: %d" % n for n in ((levels,) if levels > 1 else (0, 1))]
        if not all(w in lines for w in wanted) or not any(c in lines for c in counts):
            raise RuntimeError("nvddsinfo: " + info.replace("\n", " ")[:200])
        copy, tga = os.path.join(work, "nv.dds"), os.path.join(work, "nv.tga")
        shutil.copyfile(dds, copy)
        if os.path.exists(tga):
            os.remove(tga)
        subprocess.run(["nvdecompress", copy], capture_output=True, cwd=work)
        return rgba_of(pil, tga, (width, height))

    nv = shutil.which("nvdecompress") and shutil.which("nvddsinfo")
    found = [("imagemagick", imagemagick)] if convert else []
    found += [("pillow", lambda dds, width, height, levels: rgba_of(pil, dds, (width, height)))]
    found += [("nvdecompress", nvidia)] if nv else []
    missing = ([] if convert else ["ImageMagick's convert"])
    missing += [] if nv else ["nvddsinfo/nvdecompress (libnvtt-bin)"]
    return found, missing


def outcome(failures, what, missing, skip_code, success):
    """The exit status: 1 on failures, skip_code when a reader is missing."""
    if failures:
        print("%d %s:\n  %s" % (len(failures), what, "\n  ".join(failures)))
        return 1
    if missing:
        print("skipped: %s not installed (scripts/setup installs them); the other readers agree" %
              ", ".join(missing))
        return skip_code
    print(success)
    return 0


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--qbtex", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--skip-code", type=int, required=True,
                        help="exit status when a reader is missing (ctest's SKIP_RETURN_CODE)")
    args = parser.parse_args()
    try:
        from PIL import Image as pil  # Debian's python3-pil
    except ImportError:
        print("skipped: Pillow (python3-pil) is not available to %s" % sys.executable)
        return args.skip_code
    os.makedirs(args.work, exist_ok=True)
    available, missing = readers(pil, args.work)
    source = os.path.join(args.work, "source.png")
    pil.frombytes("RGBA", (WIDTH, HEIGHT), source_pixels()).save(source)
    failures = []
    for fmt in FORMATS:
        for mips in ("none", "full"):
            levels = 1 if mips == "none" else LEVELS
            dds = os.path.join(args.work, "%s_%s.dds" % (fmt, mips))
            png = os.path.join(args.work, "ours.png")
            subprocess.run([args.qbtex, "to-dds", source, dds, "--format", fmt, "--mips", mips],
                           check=True)
            subprocess.run([args.qbtex, "to-png", dds, png], check=True)
            ours = rgba_of(pil, png)
            for name, read in available:
                label = "%-12s %-9s mips %-4s" % (name, fmt, mips)
                known = UNSUPPORTED[name].get(fmt)
                try:
                    worst = max_difference(read(dds, WIDTH, HEIGHT, levels), ours)
                except Exception as error:  # noqa: BLE001 (any refusal is a result)
                    print("%s: not read (%s)" % (label, "known: " + known if known else error))
                    failures += [] if known else [label]
                    continue
                if worst <= TOLERANCE.get(fmt, 0):
                    verdict = "ok" + (" (now agrees although listed: %s)" % known if known else "")
                elif known:
                    verdict = "differs (known: %s)" % known
                else:
                    verdict = "DIFFERS"
                    failures.append(label)
                print("%s: max difference %d: %s" % (label, worst, verdict))
    return outcome(failures, "disagreement(s)", missing, args.skip_code, "all readers agree")


if __name__ == "__main__":
    sys.exit(main())
