#!/usr/bin/env python3
"""Writes raw 16-bit stereo 44.1 kHz PCM (such as a disc image's BIN file) as
a WAV file, the input of the reference encoders in the benchmarks.

usage: pcm_to_wav.py PCM WAV
"""
import os
import shutil
import struct
import sys

src, dst = sys.argv[1], sys.argv[2]
size = os.path.getsize(src)
with open(dst, "wb") as out, open(src, "rb") as pcm:
    out.write(b"RIFF" + struct.pack("<I", 36 + size) + b"WAVE")
    out.write(b"fmt " + struct.pack("<IHHIIHH", 16, 1, 2, 44100, 44100 * 4, 4, 16))
    out.write(b"data" + struct.pack("<I", size))
    shutil.copyfileobj(pcm, out)
