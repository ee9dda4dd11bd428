#!/usr/bin/env bash
# Benchmark of "tolvar-cli rip --jobs": a whole-disc rip of a 15-track,
# 60-minute image of test audio with two encoding threads against one.
#   - MP3 (the default settings) and Opus (160 kbit/s VBR): time of --jobs 2
#     over time of --jobs 1, target <= 0.62 on two cores;
#   - peak memory (maximum resident set) of the --jobs 2 rips, target <= 100 MiB.
# Best wall times of alternating runs are compared (the runs least disturbed by
# other work); the machine's core count and load are printed with the figures.
# The image is read once before timing, so every run reads from the page cache.
#
# usage: bench/pipeline_bench.sh [BUILD_DIR] [RUNS]
#   BUILD_DIR  a release build (default: build)
#   RUNS       timed runs of each program (default 1: one run takes minutes)
set -euo pipefail
cd "$(dirname "$0")/.."

BUILD=${1:-build}
RUNS=${2:-1}
for tool in tolvar-cli tolvar-mkimage; do
  if [ ! -x "$BUILD/bin/$tool" ]; then
    echo "pipeline_bench: build first (cmake --build $BUILD --target bench_pipeline)" >&2
    exit 1
  fi
done
command -v /usr/bin/time >/dev/null || { echo "pipeline_bench: /usr/bin/time is missing" >&2; exit 1; }
if grep -q 'CMAKE_BUILD_TYPE:STRING=Debug' "$BUILD/CMakeCache.txt" 2>/dev/null ||
   grep -Eq 'TOLVAR_(SANITIZE|TSAN):BOOL=ON' "$BUILD/CMakeCache.txt" 2>/dev/null; then
  echo "pipeline_bench: warning: $BUILD is a debug or sanitizer build; figures will not be representative" >&2
fi

WORK=$(mktemp -d "${TMPDIR:-/tmp}/tolvar-bench-XXXXXX")
trap 'rm -rf "$WORK"' EXIT
# 15 tracks of 4 minutes (18000 sectors) of test audio: 60 minutes.
"$BUILD/bin/tolvar-mkimage" "$WORK/disc.cue" $(for _ in $(seq 15); do printf '18000 '; done)

python3 - "$BUILD" "$WORK" "$RUNS" <<'PY'
import os, shutil, subprocess, sys, time
build, work, runs = os.path.abspath(sys.argv[1]), sys.argv[2], int(sys.argv[3])
cli = f"{build}/bin/tolvar-cli"
env = {k: v for k, v in os.environ.items() if k != "TOLVAR_CD_IMAGES"}
env["TOLVAR_APPDIR"] = f"{work}/app/"
with open(f"{work}/disc.bin", "rb") as image:
    while image.read(1 << 20):
        pass

def rip(fmt, jobs, name):
    folder = os.path.join(work, name)
    shutil.rmtree(folder, ignore_errors=True)
    return [cli, "--image", f"{work}/disc.cue", "rip", "1-15", "--format", fmt,
            "--jobs", str(jobs), "--out", folder]

def timed(cmd):
    start = time.perf_counter()
    child = subprocess.Popen(cmd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=env)
    _, status, usage = os.wait4(child.pid, 0)
    if status != 0:
        sys.exit(f"pipeline_bench: {' '.join(cmd)} failed")
    return time.perf_counter() - start, usage.ru_utime + usage.ru_stime

def peak_mib(cmd):
    report = os.path.join(work, "rss")
    subprocess.run(["/usr/bin/time", "-f", "%M", "-o", report, *cmd], check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=env)
    return int(open(report).read().split()[-1]) / 1024

def same_files(a, b):
    names = sorted(os.listdir(os.path.join(work, a)))
    return names == sorted(os.listdir(os.path.join(work, b))) and all(
        open(os.path.join(work, a, n), "rb").read() == open(os.path.join(work, b, n), "rb").read()
        for n in names)

print(f"cores: {os.cpu_count()}; load: {os.getloadavg()[0]:.2f} {os.getloadavg()[1]:.2f} "
      f"{os.getloadavg()[2]:.2f} (1, 5, 15 min)")
failed = False
for fmt in ("mp3", "opus"):
    one, two = [], []
    for _ in range(runs):
        one.append(timed(rip(fmt, 1, f"{fmt}1")))
        two.append(timed(rip(fmt, 2, f"{fmt}2")))
    w1, c1 = min(one)
    w2, c2 = min(two)
    ratio = w2 / w1
    memory = peak_mib(rip(fmt, 2, f"{fmt}m"))
    line = (f"{fmt}: --jobs 1 {w1:.1f} s (cpu {c1:.1f} s), --jobs 2 {w2:.1f} s (cpu {c2:.1f} s), "
            f"ratio {ratio:.2f} (target <= 0.62); peak memory {memory:.1f} MiB (target <= 100)")
    if fmt == "mp3":
        line += "; files " + ("identical" if same_files("mp3" "1", "mp3" "2") else "DIFFER")
    print(line)
    failed |= ratio > 0.62 or memory > 100
print(f"load after: {os.getloadavg()[0]:.2f}")
sys.exit(1 if failed else 0)
PY
