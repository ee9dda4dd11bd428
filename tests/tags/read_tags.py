#!/usr/bin/python3
"""Reads a file's ID3 tags with mutagen, a real tag reader, and prints one
"key=value" line per thing found (UTF-8), so the C++ tests can compare:

  v2=none            (no version 2 tag)
  v2.version=2.3.0   v2.size=<bytes, header included>   v2.unsynch=0   v2.extended=0
  v2.<frame id>=<text>    v2.<frame id>.encoding=<0..3>
  v2.COMM=<lang>|<desc>|<text>       v2.WXXX=<desc>|<url>
  v2.TXXX:<desc>=<text>   v2.UFID:<owner>=<identifier>
  v1=none                 (no version 1 tag)
  v1.<frame id>=<text>    (the 128-byte trailer, as mutagen parses it; TCON
                          is the genre name that mutagen gives the genre byte)
  mp3.length=<seconds>    (only when mutagen finds MPEG audio frames)

Called as /usr/bin/python3 read_tags.py FILE; exits 1 (printing v2.error=...)
when FILE has a version 2 tag that mutagen rejects.
"""
import sys

from mutagen.id3 import ID3, ID3NoHeaderError, ParseID3v1


def main(path):
    out = []
    try:
        # translate=False keeps the version 2.3 frames (TYER) as written.
        tags = ID3(path, translate=False, load_v1=False)
    except ID3NoHeaderError:
        tags = None
        out.append("v2=none")
    except Exception as error:  # noqa: BLE001 - a tag that mutagen rejects
        print(f"v2.error={type(error).__name__}: {error}")
        return 1
    if tags is not None:
        out.append(f"v2.version={'.'.join(map(str, tags.version))}")
        out.append(f"v2.size={tags.size}")
        out.append(f"v2.unsynch={int(tags.f_unsynch)}")
        out.append(f"v2.extended={int(tags.f_extended)}")
        for frame in tags.values():
            fid = frame.FrameID
            if fid == "COMM":
                out.append(f"v2.COMM={frame.lang}|{frame.desc}|{frame.text[0]}")
            elif fid == "WXXX":
                out.append(f"v2.WXXX={frame.desc}|{frame.url}")
            elif fid == "TXXX":
                out.append(f"v2.TXXX:{frame.desc}={frame.text[0]}")
            elif fid == "UFID":
                out.append(f"v2.UFID:{frame.owner}={frame.data.decode('latin-1')}")
            else:
                out.append(f"v2.{fid}={'/'.join(str(t) for t in frame.text)}")
            if hasattr(frame, "encoding"):
                out.append(f"v2.{fid}.encoding={int(frame.encoding)}")

    with open(path, "rb") as f:
        data = f.read()
    if len(data) >= 128 and data[-128:-125] == b"TAG":
        for fid, frame in sorted(ParseID3v1(data[-128:]).items()):
            texts = frame.genres if fid == "TCON" else frame.text  # genre byte -> name
            out.append(f"v1.{fid}={'/'.join(str(t) for t in texts)}")
    else:
        out.append("v1=none")

    try:
        from mutagen.mp3 import MP3

        out.append(f"mp3.length={MP3(path).info.length:.3f}")
    except Exception:  # noqa: BLE001 - not MPEG audio: no line
        pass

    sys.stdout.buffer.write(("\n".join(out) + "\n").encode("utf-8"))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
