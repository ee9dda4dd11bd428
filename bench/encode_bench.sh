#!/usr/bin/env bash
# Benchmark: "tolvar-cli encode" against the lame command on the same WAV file
# at the same settings (128 kbit/s CBR, stereo, CRC, quality 5, no ReplayGain
# analysis) - Tolvar's factory defaults. Reports the median wall time of each
# and the speed ratio lame_time / tolvar_time (1.0 = as fast as lame; the
# target is at least 0.95).
#
# usage: bench/encode_bench.sh [BUILD_DIR] [RUNS]
#   BUILD_DIR  a release build (default: build, as ./run.sh makes it)
#   RUNS       timed runs of each program, alternating (default 7)
# The input is the bundled sample disc (about 131 s of synthesized music)
# as one WAV file.
set -euo pipefail
cd "$(dirname "$0")/.."

BUILD=${1:-build}
RUNS=${2:-7}
CLI="$BUILD/bin/tolvar-cli"
BIN="$BUILD/sample/tolvar-sample.bin"
if [ ! -x "$CLI" ] || [ ! -f "$BIN" ]; then
  echo "encode_bench: build first (cmake --build $BUILD)" >&2
  exit 1
fi
command -v lame >/dev/null || { echo "encode_bench: the lame command is missing" >&2; exit 1; }
if grep -q 'CMAKE_BUILD_TYPE:STRING=Debug' "$BUILD/CMakeCache.txt" 2>/dev/null ||
   grep -q 'TOLVAR_SANITIZE:BOOL=ON' "$BUILD/CMakeCache.txt" 2>/dev/null; then
  echo "encode_bench: warning: $BUILD is a debug or sanitizer build; figures will not be representative" >&2
fi

WORK=$(mktemp -d "${TMPDIR:-/tmp}/tolvar-bench-XXXXXX")
trap 'rm -rf "$WORK"' EXIT

python3 - "$BIN" "$WORK/input.wav" <<'PY'
import struct, sys, shutil, os
src, dst = sys.argv[1], sys.argv[2]
size = os.path.getsize(src)
with open(dst, "wb") as out, open(src, "rb") as pcm:
    out.write(b"RIFF" + struct.pack("<I", 36 + size) + b"WAVE")
    out.write(b"fmt " + struct.pack("<IHHIIHH", 16, 1, 2, 44100, 44100 * 4, 4, 16))
    out.write(b"data" + struct.pack("<I", size))
    shutil.copyfileobj(pcm, out)
PY

python3 - "$CLI" "$WORK" "$RUNS" <<'PY'
import os, statistics, subprocess, sys, time
cli, work, runs = sys.argv[1], sys.argv[2], int(sys.argv[3])
wav = os.path.join(work, "input.wav")
seconds = (os.path.getsize(wav) - 44) / (44100 * 4)
commands = {
    "tolvar-cli encode": [cli, "encode", wav],
    "lame": ["lame", "--quiet", "--noreplaygain", "-m", "s", "-b", "128", "-q", "5", "-p",
             wav, os.path.join(work, "lame.mp3")],
}
def run(cmd):
    start = time.perf_counter()
    subprocess.run(cmd, check=True, stdout=subprocess.DEVNULL)
    return time.perf_counter() - start
for cmd in commands.values():  # warm the caches
    run(cmd)
times = {name: [] for name in commands}
for _ in range(runs):
    for name, cmd in commands.items():
        times[name].append(run(cmd))
ours, theirs = statistics.median(times["tolvar-cli encode"]), statistics.median(times["lame"])
print(f"input: {seconds:.1f} s of 44.1 kHz stereo audio, {runs} runs each (median wall time)")
for name in commands:
    t = statistics.median(times[name])
    print(f"  {name:18s} {t:7.3f} s   ({seconds / t:5.1f}x real time; min {min(times[name]):.3f} s)")
ratio = theirs / ours
print(f"speed ratio (lame time / tolvar time): {ratio:.3f}  target >= 0.95: {'met' if ratio >= 0.95 else 'MISSED'}")
# The settings are the same, so apart from the header frame lame always adds the
# audio frames are the same bytes.
ours_mp3 = open(os.path.join(work, "input.mp3"), "rb").read()
lame_mp3 = open(os.path.join(work, "lame.mp3"), "rb").read()
print(f"  output sizes: tolvar {len(ours_mp3)} bytes, lame {len(lame_mp3)} bytes (lame adds an Info frame"
      f" and sets the original bit)")
sys.exit(0 if ratio >= 0.95 else 1)
PY
