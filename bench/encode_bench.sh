#!/usr/bin/env bash
# Benchmark: "tolvar-cli encode" against the lame command on the same WAV file
# at the same settings (128 kbit/s CBR, stereo, CRC, quality 5, no ReplayGain
# analysis) - Tolvar's factory defaults. Reports best and median wall times
# and median CPU times, and the speed ratio lame_time / tolvar_time (1.0 = as
# fast as lame). The target, at least 0.95, is judged on the best wall times,
# the runs least disturbed by other work on the machine.
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

python3 bench/pcm_to_wav.py "$BIN" "$WORK/input.wav"

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
    """Wall time and CPU time (user + system) of one run."""
    start = time.perf_counter()
    child = subprocess.Popen(cmd, stdout=subprocess.DEVNULL)
    _, status, usage = os.wait4(child.pid, 0)
    wall = time.perf_counter() - start
    if status != 0:
        sys.exit(f"encode_bench: {cmd[0]} failed")
    return wall, usage.ru_utime + usage.ru_stime
for cmd in commands.values():  # warm the caches
    run(cmd)
wall = {name: [] for name in commands}
cpu = {name: [] for name in commands}
for _ in range(runs):  # alternate, so that other load on the machine hits both alike
    for name, cmd in commands.items():
        w, c = run(cmd)
        wall[name].append(w)
        cpu[name].append(c)
print(f"input: {seconds:.1f} s of 44.1 kHz stereo audio; {runs} runs each, alternating")
print(f"  {'':18s} {'best wall':>10s} {'median wall':>12s} {'median CPU':>11s}")
for name in commands:
    print(f"  {name:18s} {min(wall[name]):9.3f}s {statistics.median(wall[name]):11.3f}s"
          f" {statistics.median(cpu[name]):10.3f}s   ({seconds / min(wall[name]):.1f}x real time)")
def ratio(values, pick):
    return pick(values["lame"]) / pick(values["tolvar-cli encode"])
best, median, cpu_ratio = ratio(wall, min), ratio(wall, statistics.median), ratio(cpu, statistics.median)
print(f"speed ratio, lame time / tolvar time (1.0 = as fast as lame):")
print(f"  best wall times {best:.3f}   median wall times {median:.3f}   median CPU times {cpu_ratio:.3f}")
# The best wall time is the run least disturbed by other work on the machine.
print(f"target: best-wall ratio >= 0.95: {'met' if best >= 0.95 else 'MISSED'}")
ours_mp3 = open(os.path.join(work, "input.mp3"), "rb").read()
lame_mp3 = open(os.path.join(work, "lame.mp3"), "rb").read()
print(f"output sizes: tolvar {len(ours_mp3)} bytes, lame {len(lame_mp3)} bytes"
      f" (lame adds an Info frame and sets the original bit)")
sys.exit(0 if best >= 0.95 else 1)
PY
