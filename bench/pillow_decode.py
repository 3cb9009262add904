#!/usr/bin/env python3
"""Pillow's decoding time of DDS files, for bench/bc_decode_bench.cpp.

  pillow_decode.py RUNS FILE...   one line per FILE: its name, then the
      seconds of the whole read (Image.open and load) and of the decode alone
      (Pillow's BCn decoder into an image allocated beforehand), each as the
      first in this process and the best of RUNS more; thread CPU time.
      Pillow's plugins are loaded before the first. Run with the system
      Python (Debian's python3-pil).
"""
import sys
import time

from PIL import Image


def read_seconds(path):
    start = time.thread_time()
    with Image.open(path) as image:
        image.load()
    return time.thread_time() - start


def decode_seconds(path, target):
    with Image.open(path) as image:
        name, extents, offset, args = image.tile[0]
        with open(path, "rb") as file:
            file.seek(offset)
            data = file.read()
        decoder = Image._getdecoder(image.mode, name, args, image.decoderconfig)
        decoder.setimage(target, extents)
        start = time.thread_time()
        decoder.decode(data)
        seconds = time.thread_time() - start
        decoder.cleanup()
        return seconds


if __name__ == "__main__":
    runs = int(sys.argv[1])
    Image.init()
    for path in sys.argv[2:]:
        first_read = read_seconds(path)
        best_read = min(read_seconds(path) for _ in range(runs))
        with Image.open(path) as image:
            target = Image.core.new(image.mode, image.size)
        first_decode = decode_seconds(path, target)
        best_decode = min(decode_seconds(path, target) for _ in range(runs))
        print("%s %.6f %.6f %.6f %.6f" % (path, first_read, best_read, first_decode, best_decode))
