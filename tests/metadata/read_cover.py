#!/usr/bin/python3
"""Reads the front cover and the names of an MP3 or Ogg Vorbis file with
mutagen, a real tag reader, and prints "key=value" lines for the tests:

  picture.type=<n>  picture.mime=<type>  picture.sha1=<hex of the image bytes>
  title=<text>  artist=<text>  album=<text>
"""
import base64
import hashlib
import sys

from mutagen.flac import Picture
from mutagen.id3 import ID3
from mutagen.oggvorbis import OggVorbis


def main(path):
    out = []
    if path.endswith(".ogg"):
        tags = OggVorbis(path).tags
        for value in tags.get("metadata_block_picture", []):
            picture = Picture(base64.b64decode(value))
            out += ["picture.type=%d" % picture.type, "picture.mime=" + picture.mime,
                    "picture.sha1=" + hashlib.sha1(picture.data).hexdigest()]
        for key in ("title", "artist", "album"):
            out += ["%s=%s" % (key, v) for v in tags.get(key, [])]
    else:
        tags = ID3(path)
        for frame in tags.getall("APIC"):
            out += ["picture.type=%d" % frame.type, "picture.mime=" + frame.mime,
                    "picture.sha1=" + hashlib.sha1(frame.data).hexdigest()]
        for key, frame in (("title", "TIT2"), ("artist", "TPE1"), ("album", "TALB")):
            if frame in tags:
                out.append("%s=%s" % (key, tags[frame].text[0]))
    print("\n".join(out))


main(sys.argv[1])
