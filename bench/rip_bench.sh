#!/usr/bin/env bash
# Benchmark of "tolvar-cli rip" against reference programs on the same audio:
#   - WAV rip of a 10-minute image against plain_read (plain libcdio reads
#     written to a WAV file), target speed ratio >= 0.9;
#   - MP3 rip of the sample disc (one file) against the lame command encoding
#     the same audio from a WAV file at the same settings (128 kbit/s CBR,
#     stereo, CRC, quality 5, no ReplayGain analysis), target >= 0.95;
#   - Ogg rip of the sample disc (quality index 6, 0.4) against oggenc -q 4,
#     target >= 0.95;
#   - FLAC rip of a 30-minute track (level 5, verify on) against flac -5 -V,
#     and Opus rip of it (160 kbit/s VBR) against opusenc --bitrate 160, on
#     the same audio as a WAV file, target >= 0.95;
#   - peak memory (maximum resident set) of WAV, MP3, Ogg, FLAC and Opus rips of a
#     1-minute and a 60-minute track of sparse images, target: no growth
#     beyond 2 MB.
# Speed ratio = reference time / tolvar time (1.0 = as fast as the
# reference), judged on the best wall times of alternating runs, the runs
# least disturbed by other work on the machine; median wall and CPU times are
# reported beside them. Images are read once before timing, so every run
# reads from the page cache.
#
# usage: bench/rip_bench.sh [BUILD_DIR] [RUNS]
#   BUILD_DIR  a release build (default: build), with plain_read built
#              (cmake --build build --target bench_rip does both)
#   RUNS       timed runs of each program (default 5)
set -euo pipefail
cd "$(dirname "$0")/.."

BUILD=${1:-build}
RUNS=${2:-5}
for tool in tolvar-cli tolvar-mkimage plain_read; do
  if [ ! -x "$BUILD/bin/$tool" ]; then
    echo "rip_bench: build first (cmake --build $BUILD --target bench_rip)" >&2
    exit 1
  fi
done
for tool in lame oggenc flac opusenc /usr/bin/time; do
  command -v $tool >/dev/null || { echo "rip_bench: the $tool command is missing" >&2; exit 1; }
done
if grep -q 'CMAKE_BUILD_TYPE:STRING=Debug' "$BUILD/CMakeCache.txt" 2>/dev/null ||
   grep -q 'TOLVAR_SANITIZE:BOOL=ON' "$BUILD/CMakeCache.txt" 2>/dev/null; then
  echo "rip_bench: warning: $BUILD is a debug or sanitizer build; figures will not be representative" >&2
fi

WORK=$(mktemp -d "${TMPDIR:-/tmp}/tolvar-bench-XXXXXX")
trap 'rm -rf "$WORK"' EXIT
"$BUILD/bin/tolvar-mkimage" "$WORK/ten.cue" 45000               # 10 minutes of test audio
"$BUILD/bin/tolvar-mkimage" "$WORK/thirty.cue" 135000           # 30 minutes of test audio
"$BUILD/bin/tolvar-mkimage" "$WORK/one.cue" --sparse 4500       # 1 minute of silence
"$BUILD/bin/tolvar-mkimage" "$WORK/sixty.cue" --sparse 270000   # 60 minutes of silence
python3 bench/pcm_to_wav.py "$BUILD/sample/tolvar-sample.bin" "$WORK/sample.wav"
python3 bench/pcm_to_wav.py "$WORK/thirty.bin" "$WORK/thirty.wav"

python3 - "$BUILD" "$WORK" "$RUNS" <<'PY'
import os, shutil, statistics, subprocess, sys, time
build, work, runs = os.path.abspath(sys.argv[1]), sys.argv[2], int(sys.argv[3])
cli, plain = f"{build}/bin/tolvar-cli", f"{build}/bin/plain_read"
sample_cue, sample_bin = f"{build}/sample/tolvar-sample.cue", f"{build}/sample/tolvar-sample.bin"
env = {k: v for k, v in os.environ.items() if k != "TOLVAR_CD_IMAGES"}
env["TOLVAR_APPDIR"] = f"{work}/app/"

def run(cmd):
    """Wall time and CPU time (user + system) of one run."""
    start = time.perf_counter()
    child = subprocess.Popen(cmd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=env)
    _, status, usage = os.wait4(child.pid, 0)
    wall = time.perf_counter() - start
    if status != 0:
        sys.exit(f"rip_bench: {' '.join(cmd)} failed")
    return wall, usage.ru_utime + usage.ru_stime

def peak_memory(cmd):
    """Peak resident set of one run in kB. GNU time measures it: a child forked
    from this Python process would count Python's own pages."""
    report = os.path.join(work, "rss")
    run(["/usr/bin/time", "-f", "%M", "-o", report, *cmd])
    return int(open(report).read().split()[-1])

def out(name):
    folder = os.path.join(work, name)
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    return folder

def rip(image, tracks, fmt, *extra):
    return [cli, "--image", image, "rip", tracks, "--format", fmt, "--out", out("rip"), *extra]

sample_wav = os.path.join(work, "sample.wav")  # the sample disc's audio, for the encoders
sample_seconds = os.path.getsize(sample_bin) / (44100 * 4)

met = True
def compare(title, seconds, ours, reference, target):
    global met
    for cmd in (ours, reference):  # warm the caches
        run(cmd())
    wall, cpu = {"tolvar": [], "reference": []}, {"tolvar": [], "reference": []}
    for _ in range(runs):  # alternate, so that other load hits both alike
        for name, cmd in (("tolvar", ours), ("reference", reference)):
            w, c = run(cmd())
            wall[name].append(w)
            cpu[name].append(c)
    print(f"{title}: {seconds:.0f} s of audio, {runs} runs each")
    for name, label in (("tolvar", "tolvar-cli rip"), ("reference", reference()[0])):
        print(f"  {os.path.basename(label):16s} best {min(wall[name]):7.3f}s  median {statistics.median(wall[name]):7.3f}s"
              f"  CPU {statistics.median(cpu[name]):7.3f}s  ({seconds / min(wall[name]):.0f}x real time)")
    best = min(wall["reference"]) / min(wall["tolvar"])
    median = statistics.median(wall["reference"]) / statistics.median(wall["tolvar"])
    cpu_ratio = statistics.median(cpu["reference"]) / statistics.median(cpu["tolvar"])
    ok = best >= target
    met = met and ok
    print(f"  ratio best wall {best:.3f}  median wall {median:.3f}  median CPU {cpu_ratio:.3f}"
          f"   target >= {target}: {'met' if ok else 'MISSED'}\n")

ten = os.path.join(work, "ten.cue")
compare("WAV rip against plain libcdio reads", 600,
        lambda: rip(ten, "1", "wav"),
        lambda: [plain, ten, "0", "44999", os.path.join(out("plain"), "plain.wav")], 0.9)
compare("MP3 rip against lame", sample_seconds,
        lambda: rip(sample_cue, "1-5", "mp3", "--single"),
        lambda: ["lame", "--quiet", "--noreplaygain", "-m", "s", "-b", "128", "-q", "5", "-p",
                 sample_wav, os.path.join(out("lame"), "lame.mp3")], 0.95)
compare("Ogg rip against oggenc", sample_seconds,
        lambda: rip(sample_cue, "1-5", "ogg", "--single"),
        lambda: ["oggenc", "-Q", "-q", "4", "-o", os.path.join(out("oggenc"), "ref.ogg"),
                 sample_wav], 0.95)

thirty, thirty_wav = os.path.join(work, "thirty.cue"), os.path.join(work, "thirty.wav")
compare("FLAC rip against flac -5 -V", 1800,
        lambda: rip(thirty, "1", "flac", "--flac-level", "5"),
        lambda: ["flac", "-s", "-f", "-5", "-V", "-o", os.path.join(out("flac"), "ref.flac"),
                 thirty_wav], 0.95)
compare("Opus rip against opusenc --bitrate 160", 1800,
        lambda: rip(thirty, "1", "opus", "--opus-bitrate", "160"),
        lambda: ["opusenc", "--quiet", "--bitrate", "160", thirty_wav,
                 os.path.join(out("opusenc"), "ref.opus")], 0.95)

print("peak memory (maximum resident set) of a rip of one track:")
print(f"  {'format':6s} {'1 minute':>10s} {'60 minutes':>11s} {'growth':>9s}")
for fmt in ("wav", "mp3", "ogg", "flac", "opus"):
    short = peak_memory(rip(os.path.join(work, "one.cue"), "1", fmt))
    long = peak_memory(rip(os.path.join(work, "sixty.cue"), "1", fmt))
    growth = (long - short) / 1024
    ok = growth <= 2
    met = met and ok
    print(f"  {fmt:6s} {short / 1024:8.1f}MB {long / 1024:9.1f}MB {growth:7.2f}MB"
          f"   target <= 2 MB: {'met' if ok else 'MISSED'}")
sys.exit(0 if met else 1)
PY
