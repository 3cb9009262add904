#!/usr/bin/env python3
"""Interoperability of the files `qbtex convert` writes.

The demo game's flame series converted as an animated overlay (with its
thumbnail), and pictures made by Pillow and ImageMagick converted as
backdrops (with thumbnails) and as textures in Best Match and explicit
formats. Every output is read by ImageMagick, Pillow and nvddsinfo /
nvdecompress (the readers of dds_readers.py): the size and level count they
report must be the expected ones, their level 0 must match our own decoding
(`qbtex to-png`), and that must be close to the source as Pillow decodes and
scales it. Exit status 1 on any disagreement, --skip-code when a reader is
missing and the others agree.
"""
import argparse
import math
import os
import shutil
import subprocess
import sys

import dds_readers

# Lowest PSNR (dB, over the four channels) of our level 0 against the source
# scaled by Pillow. The outputs are scaled twice (to powers of two as the
# texture cache loads them, then to the output size), so edges differ from
# Pillow's single scaling, by about 30 to 45 dB; a wrong band, orientation,
# channel order or blending costs 10 dB and more.
MIN_PSNR = 28.0
# Formats that keep only luminance are compared as Pillow's grey ("L").
LUMINANCE = ("l8", "a8l8", "a4l4")
# Thumbnails: 64 x 64 DXT5, one level, the picture over a band centred
# vertically whose height is 64 divided by the type's aspect.
THUMBNAIL_ASPECT = {"animated": 16.0 / 9.0, "backdrop": 4.0}


def full_chain(width, height):
    return int(math.log2(max(width, height))) + 1


def next_power_of_two(n):
    return 1 << (n - 1).bit_length()


def psnr(a, b):
    if len(a) != len(b):
        return 0.0
    error = sum((x - y) * (x - y) for x, y in zip(a, b)) / len(a)
    return 99.0 if error == 0 else 10 * math.log10(255 * 255 / error)


def make_pictures(pil, work):
    """Pictures from both image libraries: PNG with and without alpha, JPEG."""
    from PIL import ImageDraw  # noqa: PLC0415 (only after Pillow was found)

    made = []
    shapes = pil.new("RGBA", (300, 200))
    draw = ImageDraw.Draw(shapes)
    for x in range(300):
        draw.line([(x, 0), (x, 199)], fill=(x * 255 // 299, 96 + x // 4, 255 - x * 255 // 299, 255))
    draw.ellipse([60, 40, 240, 160], fill=(250, 220, 40, 160))  # half transparent
    draw.rectangle([10, 150, 50, 190], fill=(20, 200, 60, 255))
    made.append(os.path.join(work, "pil_shapes.png"))
    shapes.save(made[-1])
    made.append(os.path.join(work, "pil_photo.jpg"))
    shapes.convert("RGB").save(made[-1], quality=92)
    convert = shutil.which("convert", path="/usr/bin") or shutil.which("convert")
    if convert:
        made.append(os.path.join(work, "im_sky.png"))
        subprocess.run([convert, "-size", "400x100", "gradient:navy-orange", "-fill", "white",
                        "-draw", "circle 200,50 200,80", "-alpha", "off", made[-1]], check=True)
        made.append(os.path.join(work, "im_plasma.jpg"))
        subprocess.run([convert, "-seed", "7", "-size", "320x240", "plasma:fractal", "-blur",
                        "0x2", "-quality", "90", made[-1]], check=True)
    return made


def flame_frames(demogame, qbtex, work):
    """The demo game's numbered flame frames, extracted from its archive."""
    game = os.path.join(work, "game")
    shutil.rmtree(game, ignore_errors=True)
    subprocess.run([demogame, game], check=True, capture_output=True)
    names = ["data\\textures\\overlays\\overlay_flame_%02d.dds" % n for n in range(8)]
    out = subprocess.run([qbtex, "content", "get", game, "--cache", os.path.join(work, "cache")]
                         + names, check=True, capture_output=True, text=True, cwd=work)
    return [os.path.join(work, line) for line in out.stdout.split()]


def convert_files(qbtex, out, options, files):
    """Runs qbtex convert; its outputs as (kind, source, path, w, h, format, levels)."""
    shutil.rmtree(out, ignore_errors=True)
    result = subprocess.run([qbtex, "convert", "--out", out, "--jobs", "2"] + options + files,
                            capture_output=True, text=True)
    if result.returncode != 0:
        raise RuntimeError("qbtex convert %s: %s" % (" ".join(options), result.stderr.strip()))
    outputs = []
    for line in result.stdout.splitlines():
        kind, source, path, size, fmt, levels = line.split("\t")
        width, height = (int(n) for n in size.split("x"))
        outputs.append((kind, source, path, width, height, fmt.lower(), int(levels)))
    written = sorted(os.path.join(d, f) for d, _, names in os.walk(out) for f in names)
    if written != sorted(o[2] for o in outputs):
        raise RuntimeError("written files %s are not the listed outputs" % written)
    return outputs


def source_reference(pil, source, width, height, aspect, alpha, grey):
    """The source as Pillow decodes it, scaled over the band of a width x
    height picture and blended over transparent black as the export draws it
    (colour times alpha, alpha times alpha); alpha 255 without an alpha
    channel in the output."""
    with pil.open(source) as image:
        rgba = image.convert("RGBA")
    c, b = height // 2, height / (2 * aspect)
    rows = [y for y in range(height) if c - b <= y < c + b]
    band = rgba.resize((width, len(rows)), pil.BILINEAR)
    canvas = pil.new("RGBA", (width, height), (0, 0, 0, 0))
    canvas.paste(band, (0, rows[0]))
    pixels = bytearray(canvas.tobytes())
    for i in range(0, len(pixels), 4):
        a = pixels[i + 3]
        for k in range(3):
            pixels[i + k] = (pixels[i + k] * a + 127) // 255
        pixels[i + 3] = (a * a + 127) // 255 if alpha else 255
    if grey:
        return grey_rgba(pil, bytes(pixels), width, height)
    return bytes(pixels)


def grey_rgba(pil, rgba, width, height):
    image = pil.frombytes("RGBA", (width, height), rgba)
    return pil.merge("RGBA", [image.convert("L")] * 3 + [image.getchannel("A")]).tobytes()


def expected_size(kind, out_type, source_size):
    """The size each output type promises, from the source's size."""
    if kind == "thumbnail":
        return (64, 64)
    if out_type == "animated":
        return (512, 256)
    if out_type == "backdrop":
        return (1024, 256)
    return tuple(next_power_of_two(n) for n in source_size)


def check_outputs(pil, qbtex, work, out_type, outputs, available, failures):
    for kind, source, path, width, height, fmt, levels in outputs:
        label = "%s %-9s %s" % (out_type, kind, os.path.basename(path))
        with pil.open(source) as image:
            source_size = image.size
        problems = []
        if (width, height) != expected_size(kind, out_type, source_size):
            problems.append("size %dx%d" % (width, height))
        whole = kind == "file" and out_type in ("backdrop", "texture")
        if levels != (full_chain(width, height) if whole else 1):
            problems.append("%d levels" % levels)
        if kind == "thumbnail" and fmt != "dxt5":
            problems.append("thumbnail in %s" % fmt)
        png = os.path.join(work, "ours.png")
        subprocess.run([qbtex, "to-png", path, png], check=True)
        ours = dds_readers.rgba_of(pil, png, (width, height))
        grey = fmt in LUMINANCE
        alpha = fmt not in ("r8g8b8", "r5g6b5", "r3g3b2", "l8")
        aspect = THUMBNAIL_ASPECT[out_type] if kind == "thumbnail" else 1.0
        reference = source_reference(pil, source, width, height, aspect, alpha, grey)
        quality = psnr(grey_rgba(pil, ours, width, height) if grey else ours, reference)
        if quality < MIN_PSNR:
            problems.append("%.1f dB from the source" % quality)
        readings = []
        for name, read in available:
            known = dds_readers.UNSUPPORTED[name].get(fmt)
            try:
                worst = dds_readers.max_difference(read(path, width, height, levels), ours)
            except Exception as error:  # noqa: BLE001 (any refusal is a result)
                readings.append("%s not read (%s)" % (name, "known" if known else error))
                if not known:
                    problems.append("%s does not read it" % name)
                continue
            agree = worst <= dds_readers.TOLERANCE.get(fmt, 0)
            readings.append("%s %s" % (name, "ok" if agree else "differs by %d%s" % (
                worst, " (known)" if known else "")))
            if not agree and not known:
                problems.append("%s differs by %d" % (name, worst))
        print("%-46s %4dx%-4d %-9s %2d levels %5.1f dB: %s%s" % (
            label, width, height, fmt, levels, quality, ", ".join(readings),
            "" if not problems else "  FAILED: " + "; ".join(problems)))
        failures += [label] if problems else []


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--qbtex", required=True)
    parser.add_argument("--demogame", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--skip-code", type=int, required=True,
                        help="exit status when a reader is missing (ctest's SKIP_RETURN_CODE)")
    args = parser.parse_args()
    try:
        from PIL import Image as pil  # Debian's python3-pil
    except ImportError:
        print("skipped: Pillow (python3-pil) is not available to %s" % sys.executable)
        return args.skip_code
    work = os.path.abspath(args.work)
    os.makedirs(work, exist_ok=True)
    available, missing = dds_readers.readers(pil, work)
    pictures = make_pictures(pil, work)
    opaque = [p for p in pictures if not p.endswith("pil_shapes.png")]
    runs = [
        ("animated", ["--type", "animated"], flame_frames(args.demogame, args.qbtex, work)),
        ("backdrop", ["--type", "backdrop"], pictures),
        ("texture", ["--type", "texture"], pictures),
        ("texture", ["--type", "texture", "--format", "a8r8g8b8"], pictures[:1]),
    ]
    for fmt in ("dxt1", "dxt3", "r5g6b5", "a1r5g5b5", "r8g8b8", "l8"):
        runs.append(("texture", ["--type", "texture", "--format", fmt], opaque[:2]))
    failures = []
    for number, (out_type, options, files) in enumerate(runs):
        outputs = convert_files(args.qbtex, os.path.join(work, "out%d" % number), options, files)
        check_outputs(pil, args.qbtex, work, out_type, outputs, available, failures)
    return dds_readers.outcome(failures, "output(s) failed", missing, args.skip_code,
                               "every reader reads every output")


if __name__ == "__main__":
    sys.exit(main())
