#!/usr/bin/env python3
"""Pillow's reading for the reader interoperability tests (python3-pil).

  pillow_images.py read FOLDER FILE...   Pillow's reading of the n-th FILE as
      FOLDER/n.png, 8-bit RGBA; none where Pillow reads nothing or clips
      (32-bit integer and float pictures)
"""
import os
import sys

from PIL import Image


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
    read(sys.argv[2], sys.argv[3:])
