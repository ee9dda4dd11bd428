#!/usr/bin/env bash
# Benchmark: "tolvar-cli encode --jobs 2" of four 10-minute WAV files against
# "--jobs 1" on the same files (MP3 at the factory settings). Reports best and
# median wall times, the machine's cores and load, and the ratio
# jobs2_time / jobs1_time; the target, at most 0.58 on two cores, is judged on
# the best wall times, the runs least disturbed by other work. The outputs of
# both runs must be byte for byte the same.
#
# usage: bench/encode_jobs_bench.sh [BUILD_DIR] [RUNS]
#   BUILD_DIR  a release build (default: build, as ./run.sh makes it)
#   RUNS       timed runs of each, alternating (default 3)
# The inputs are the bundled sample disc (about 131 s of synthesized music)
# repeated to 10 minutes, each file starting at another point of it.
set -euo pipefail
cd "$(dirname "$0")/.."

BUILD=${1:-build}
RUNS=${2:-3}
CLI="$BUILD/bin/tolvar-cli"
BIN="$BUILD/sample/tolvar-sample.bin"
if [ ! -x "$CLI" ] || [ ! -f "$BIN" ]; then
  echo "encode_jobs_bench: build first (cmake --build $BUILD)" >&2
  exit 1
fi
if grep -q 'CMAKE_BUILD_TYPE:STRING=Debug' "$BUILD/CMakeCache.txt" 2>/dev/null ||
   grep -q 'TOLVAR_SANITIZE:BOOL=ON' "$BUILD/CMakeCache.txt" 2>/dev/null; then
  echo "encode_jobs_bench: warning: $BUILD is a debug or sanitizer build; figures will not be representative" >&2
fi

WORK=$(mktemp -d "${TMPDIR:-/tmp}/tolvar-bench-XXXXXX")
trap 'rm -rf "$WORK"' EXIT

python3 - "$CLI" "$BIN" "$WORK" "$RUNS" <<'PY'
import filecmp, os, statistics, struct, subprocess, sys, time
cli, bin_path, work, runs = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4])
pcm = open(bin_path, "rb").read()
size = 10 * 60 * 44100 * 4
wavs = []
for n in range(4):
    start = (n * len(pcm) // 4) & ~3
    loop = pcm[start:] + pcm[:start]
    data = (loop * (size // len(loop) + 1))[:size]
    path = os.path.join(work, f"in{n}.wav")
    with open(path, "wb") as out:
        out.write(b"RIFF" + struct.pack("<I", 36 + size) + b"WAVE")
        out.write(b"fmt " + struct.pack("<IHHIIHH", 16, 1, 2, 44100, 44100 * 4, 4, 16))
        out.write(b"data" + struct.pack("<I", size))
        out.write(data)
    wavs.append(path)
del pcm, loop, data

def run(jobs):
    start = time.perf_counter()
    child = subprocess.Popen([cli, "encode", "--jobs", str(jobs)] + wavs, stdout=subprocess.DEVNULL)
    _, status, usage = os.wait4(child.pid, 0)
    if status != 0:
        sys.exit(f"encode_jobs_bench: tolvar-cli encode --jobs {jobs} failed")
    return time.perf_counter() - start, usage.ru_utime + usage.ru_stime

def keep(jobs):
    for w in wavs:
        mp3 = w[:-4] + ".mp3"
        os.replace(mp3, f"{mp3}.{jobs}")

run(1)  # warm the caches
wall = {1: [], 2: []}
cpu = {1: [], 2: []}
for _ in range(runs):  # alternate, so that other load on the machine hits both alike
    for jobs in (1, 2):
        w, c = run(jobs)
        wall[jobs].append(w)
        cpu[jobs].append(c)
        keep(jobs)
same = all(filecmp.cmp(w[:-4] + ".mp3.1", w[:-4] + ".mp3.2", shallow=False) for w in wavs)
print(f"input: 4 x 10 min of 44.1 kHz stereo audio; {runs} runs each, alternating;"
      f" {os.cpu_count()} cores; load average {' '.join(f'{x:.2f}' for x in os.getloadavg())}")
print(f"  {'':10s} {'best wall':>10s} {'median wall':>12s} {'median CPU':>11s}")
for jobs in (1, 2):
    print(f"  --jobs {jobs}   {min(wall[jobs]):9.2f}s {statistics.median(wall[jobs]):11.2f}s"
          f" {statistics.median(cpu[jobs]):10.2f}s")
best = min(wall[2]) / min(wall[1])
median = statistics.median(wall[2]) / statistics.median(wall[1])
print(f"time ratio, --jobs 2 / --jobs 1: best wall times {best:.3f}   median wall times {median:.3f}")
print(f"outputs of --jobs 1 and --jobs 2: {'identical' if same else 'DIFFERENT'}")
print(f"target: best-wall ratio <= 0.58: {'met' if best <= 0.58 else 'MISSED'}")
sys.exit(0 if best <= 0.58 and same else 1)
PY
