#!/usr/bin/env bash
# Benchmark of verified rips: a WAV rip with --verify (AccurateRip v1/v2,
# sector-450 and CRC-32 sums taken from every chunk as it is read, the
# database asked on a local stand-in) against the same rip without it, of a
# 10-minute and of a 60-minute image. The longer one is close to a real disc:
# it spreads what every run pays once (starting the process, reading the
# table of contents) as a whole disc does. Target: the verified rip of the
# 60-minute image costs at most 5% more time (ratio of best wall times
# <= 1.05), judged on the best of alternating runs, the runs least disturbed
# by other work on the machine; medians and CPU times are reported beside
# them. The images are read once before timing, so every run reads from the
# page cache.
#
# usage: bench/verify_bench.sh [BUILD_DIR] [RUNS]
#   BUILD_DIR  a release build (default: build) with tolvar-cli and tolvar-mkimage
#   RUNS       timed runs of each (default 7)
set -euo pipefail
cd "$(dirname "$0")/.."

BUILD=${1:-build}
RUNS=${2:-7}
for tool in tolvar-cli tolvar-mkimage; do
  if [ ! -x "$BUILD/bin/$tool" ]; then
    echo "verify_bench: build first (cmake --build $BUILD --target tolvar-cli tolvar-mkimage)" >&2
    exit 1
  fi
done
if grep -q 'CMAKE_BUILD_TYPE:STRING=Debug' "$BUILD/CMakeCache.txt" 2>/dev/null ||
   grep -q 'TOLVAR_SANITIZE:BOOL=ON' "$BUILD/CMakeCache.txt" 2>/dev/null; then
  echo "verify_bench: warning: $BUILD is a debug or sanitizer build; figures will not be representative" >&2
fi

WORK=$(mktemp -d "${TMPDIR:-/tmp}/tolvar-vbench-XXXXXX")
trap 'rm -rf "$WORK"' EXIT
"$BUILD/bin/tolvar-mkimage" "$WORK/ten.cue" 45000     # 10 minutes of test audio
"$BUILD/bin/tolvar-mkimage" "$WORK/sixty.cue" 270000  # 60 minutes
mkdir "$WORK/db"

python3 - "$BUILD" "$WORK" "$RUNS" <<'PY'
import os, shutil, statistics, subprocess, sys, time
build, work, runs = os.path.abspath(sys.argv[1]), sys.argv[2], int(sys.argv[3])
cli = f"{build}/bin/tolvar-cli"

# The database stand-in of the tests, on 127.0.0.1: the disc is not in it, so
# the verified rip asks and reads all the same.
fixtures = os.path.abspath("tests/fixtures")
server = subprocess.Popen([sys.executable, f"{fixtures}/accuraterip_server.py", f"{work}/db"],
                          stdout=subprocess.PIPE, text=True,
                          env={**os.environ, "PYTHONPATH": fixtures})
port = server.stdout.readline().split()[1]
env = {k: v for k, v in os.environ.items() if k != "TOLVAR_CD_IMAGES"}
env["TOLVAR_APPDIR"] = f"{work}/app/"
env["TOLVAR_ACCURATERIP_URL"] = f"http://127.0.0.1:{port}"

def run(cmd):
    """Wall time and CPU time (user + system) of one run."""
    folder = os.path.join(work, "rip")
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    start = time.perf_counter()
    child = subprocess.Popen(cmd + ["--out", folder], stdout=subprocess.DEVNULL,
                             stderr=subprocess.DEVNULL, env=env)
    _, status, usage = os.wait4(child.pid, 0)
    wall = time.perf_counter() - start
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit(f"verify_bench: {' '.join(cmd)} failed")
    return wall, usage.ru_utime + usage.ru_stime

def measure(image, seconds):
    """Prints the figures of one image; True when the best ratio meets the target."""
    plain = [cli, "--image", os.path.join(work, image), "rip", "1", "--format", "wav"]
    verified = plain + ["--verify"]
    for cmd in (plain, verified):  # warm the caches
        run(cmd)
    wall, cpu = {"plain": [], "verified": []}, {"plain": [], "verified": []}
    for _ in range(runs):  # alternate, so that other load hits both alike
        for name, cmd in (("plain", plain), ("verified", verified)):
            w, c = run(cmd)
            wall[name].append(w)
            cpu[name].append(c)
    print(f"WAV rip of {seconds} s of audio with and without --verify, {runs} runs each"
          f" (load average {os.getloadavg()[0]:.2f} at the end)")
    for name in ("plain", "verified"):
        print(f"  {name:9s} best {min(wall[name]):7.3f}s  median {statistics.median(wall[name]):7.3f}s"
              f"  CPU best {min(cpu[name]):7.3f}s  median {statistics.median(cpu[name]):7.3f}s")
    best = min(wall["verified"]) / min(wall["plain"])
    median = statistics.median(wall["verified"]) / statistics.median(wall["plain"])
    cpu_ratio = statistics.median(cpu["verified"]) / statistics.median(cpu["plain"])
    print(f"  cost ratio best wall {best:.3f}  median wall {median:.3f}  median CPU {cpu_ratio:.3f}")
    return best <= 1.05

try:
    measure("ten.cue", 600)
    ok = measure("sixty.cue", 3600)
    print(f"target: the 60-minute verified rip within 5% (best wall): {'met' if ok else 'MISSED'}")
finally:
    server.terminate()
    server.wait()
sys.exit(0 if ok else 1)
PY
