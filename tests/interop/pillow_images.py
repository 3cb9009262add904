#!/usr/bin/env python3
"""Pillow's side of the reader interoperability tests (Debian's python3-pil).

  pillow_images.py write SOURCE.png FOLDER   SOURCE in each variant below
  pillow_images.py read FOLDER FILE...       Pillow's reading of the n-th FILE
      as FOLDER/n.png, 8-bit RGBA; none where Pillow reads nothing or clips
      (32-bit integer and float pictures)
"""
import os
import sys

from PIL import Image

# name: (mode, save options)
VARIANTS = {
    "pil_1.bmp": ("1", {}),
    "pil_p.bmp": ("P", {}),
    "pil_l.bmp": ("L", {}),
    "pil_rgb.bmp": ("RGB", {}),
    "pil_rgba_rle.tga": ("RGBA", {"compression": "tga_rle"}),
    "pil_rgba.tga": ("RGBA", {}),
    "pil_rgb_rle.tga": ("RGB", {"compression": "tga_rle"}),
    "pil_la.tga": ("LA", {}),
    "pil_l_rle.tga": ("L", {"compression": "tga_rle"}),
    "pil_p.tga": ("P", {}),
    "pil_p.png": ("P", {}),
    "pil_l.png": ("L", {}),
    "pil_la.png": ("LA", {}),
    "pil_rgba.png": ("RGBA", {}),
    "pil_l.jpg": ("L", {"quality": 90}),
    "pil_rgb_progressive.jpg": ("RGB", {"quality": 90, "progressive": True}),
}


def write(source, folder):
    with Image.open(source) as image:
        image.load()
        for name, (mode, options) in VARIANTS.items():
            image.convert(mode).save(os.path.join(folder, name), **options)


def read(folder, files):
    for n, path in enumerate(files):
        try:
            with Image.open(path) as image:
                if image.mode.startswith(("I", "F")):
                    continue
                rgba = image.convert("RGBA")
        except Exception:  # noqa: BLE001 (any refusal is a result)
            continue
        rgba.save(os.path.join(folder, "%d.png" % n))


if __name__ == "__main__":
    if sys.argv[1] == "write":
        write(sys.argv[2], sys.argv[3])
    else:
        read(sys.argv[2], sys.argv[3:])
