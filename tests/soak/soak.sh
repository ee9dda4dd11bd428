#!/usr/bin/env bash
# Fault soak: rips of the sample disc by tolvar-cli built with the address
# sanitizer, each run with one fault injected at a random point:
#   fullfs    the output folder is a small filesystem that fills up
#   cancel    Ctrl-C (SIGINT) at a random time
#   removed   while the rip reads, the disc goes away under it: another run
#             opens the image drive's tray, or the image file is deleted
#   tray      the image drive's tray was opened before the run
#   cddb      a lookup against a CDDB server that drops, cuts, delays or
#             garbles its answers
#   devfull   the CUE sheet written to a full device (a node of its own,
#             when it can make one, so a fault never touches /dev/full)
#   none      no fault
# After each run: no crash or sanitizer report, no descriptor left open at
# exit, a failed file removed, a cancelled file playable up to where it
# stopped, finished files playable, and files that existed before the run
# byte-identical.
#   tests/soak/soak.sh [RUNS]      (default 200; TOLVAR_SOAK_SEED, TOLVAR_SOAK_BUILD)
set -uo pipefail
cd "$(dirname "$0")/../.."
ROOT_DIR=$PWD

RUNS=${1:-200}
BUILD=${TOLVAR_SOAK_BUILD:-build-asan}
RANDOM=${TOLVAR_SOAK_SEED:-$$}
CLI=$ROOT_DIR/$BUILD/bin/tolvar-cli
SAMPLE=$ROOT_DIR/$BUILD/sample/tolvar-sample.cue
if [ ! -x "$CLI" ] || [ ! -f "$SAMPLE" ]; then
  echo "build tolvar-cli and the sample disc first:" \
    "cmake --build $BUILD --target tolvar-cli sample_disc" >&2
  exit 2
fi
for tool in mpg123 ogginfo cc python3; do
  command -v "$tool" >/dev/null || { echo "soak needs $tool" >&2; exit 2; }
done

WORK=$(mktemp -d "${TMPDIR:-/tmp}/tolvar-soak-XXXXXX")
SERVER_PID=
cleanup() {
  [ -n "$SERVER_PID" ] && kill "$SERVER_PID" 2>/dev/null
  mountpoint -q "$WORK/run/out" 2>/dev/null && umount "$WORK/run/out"
  rm -rf "$WORK"
}
trap cleanup EXIT

cc -shared -fPIC -O2 -o "$WORK/fdcheck.so" tests/soak/fdcheck.c || exit 2
python3 -u tests/soak/faulty_cddb_server.py "$RANDOM" >"$WORK/server.out" 2>&1 &
SERVER_PID=$!
for _ in $(seq 50); do grep -q '^PORT' "$WORK/server.out" && break; sleep 0.1; done
CDDB_PORT=$(sed -n 's/^PORT //p' "$WORK/server.out")
# Mounting a small filesystem needs root; else a file size limit stands in.
CAN_MOUNT=0
mkdir -p "$WORK/probe"
if mount -t tmpfs -o size=64k tmpfs "$WORK/probe" 2>/dev/null; then
  umount "$WORK/probe"
  CAN_MOUNT=1
fi

FULL_DEVICE=/dev/full
mknod "$WORK/full" c 1 7 2>/dev/null && FULL_DEVICE=$WORK/full

SAMPLE_BIN=$(dirname "$SAMPLE")/$(sed -n 's/^FILE "\(.*\)".*/\1/p' "$SAMPLE" | head -1)
SAMPLE_SUM=$(sha256sum "$SAMPLE" "$SAMPLE_BIN")

declare -A COUNT FAILS EXITS
failures=0
PARTIALS=0
declare -A REMOVALS=([eject]=0 [delete]=0)
fail() {
  echo "run $RUN ($FAULT, $FORMAT, tracks $TRACKS): $*"
  FAILS[$FAULT]=$((${FAILS[$FAULT]:-0} + 1))
  failures=$((failures + 1))
  OK=0
}

# Whether a file plays from its start to its end, as far as it goes.
playable() {
  case $1 in
    *.mp3) mpg123 -q -t "$1" 2>/dev/null && [ "$(stat -c %s "$1")" -gt 0 ] ;;
    *.ogg) ogginfo "$1" >/dev/null 2>&1 ;;
    *.wav) python3 - "$1" <<'PY'
import struct, sys
data = open(sys.argv[1], "rb").read()
ok = (len(data) >= 44 and data[:4] == b"RIFF" and data[8:12] == b"WAVE"
      and struct.unpack("<I", data[4:8])[0] == len(data) - 8
      and data[36:40] == b"data" and struct.unpack("<I", data[40:44])[0] == len(data) - 44)
sys.exit(0 if ok else 1)
PY
    ;;
    *) return 1 ;;
  esac
}

run_cli() {
  # fdcheck is not the sanitizer runtime, so it may not come first.
  env TOLVAR_APPDIR="$RUNDIR/app" TOLVAR_REGISTRY="$RUNDIR/registry.ini" \
    TOLVAR_CD_IMAGES= TOLVAR_CDRIP_LOG= TOLVAR_FDCHECK_OUT="$RUNDIR/fds" \
    LD_PRELOAD="$WORK/fdcheck.so" \
    ASAN_OPTIONS=verify_asan_link_order=0:detect_leaks=1 \
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    "$CLI" "$@" >"$RUNDIR/stdout" 2>"$RUNDIR/stderr"
}

check_process() {
  local status=$1
  if grep -qE 'AddressSanitizer|LeakSanitizer|runtime error|UndefinedBehavior' "$RUNDIR/stderr"; then
    fail "sanitizer report:"; sed -n '1,30p' "$RUNDIR/stderr"
  fi
  # Ctrl-C before the rip has begun (or after it ended) ends the program as
  # it ends any program.
  if [ "$FAULT" = cancel ] && [ "$status" -eq 130 ]; then return; fi
  if [ "$status" -ne 0 ] && [ "$status" -ne 1 ]; then fail "exit status $status"; fi
  if [ ! -e "$RUNDIR/fds" ]; then
    fail "the process did not end normally"
  elif [ -s "$RUNDIR/fds" ]; then
    fail "descriptors open at exit: $(tr '\n' ' ' <"$RUNDIR/fds")"
  fi
}

for RUN in $(seq 1 "$RUNS"); do
  FAULTS=(none fullfs fullfs cancel cancel cancel removed removed tray cddb devfull)
  FAULT=${FAULTS[RANDOM % ${#FAULTS[@]}]}
  FORMATS=(mp3 wav ogg)
  FORMAT=${FORMATS[RANDOM % 3]}
  # One job reads while it encodes, so faults land mid-read; two read the
  # sample's whole audio ahead of the encoders and stop them instead.
  JOBS=$((RANDOM % 2 + 1))
  FIRST=$((RANDOM % 5 + 1))
  TRACKS=$FIRST
  [ $((RANDOM % 3)) -eq 0 ] && [ "$FIRST" -lt 5 ] && TRACKS="$FIRST-$((FIRST + 1))"
  COUNT[$FAULT]=$((${COUNT[$FAULT]:-0} + 1))
  OK=1
  RUNDIR=$WORK/run
  mkdir -p "$RUNDIR/out" "$RUNDIR/app"
  rm -f "$RUNDIR/fds"
  CUE=$SAMPLE

  if [ "$FAULT" = fullfs ]; then
    if [ "$CAN_MOUNT" = 1 ]; then
      mount -t tmpfs -o size=$((RANDOM % 2048 + 64))k tmpfs "$RUNDIR/out"
    else
      LIMIT_KB=$((RANDOM % 2048 + 16))
    fi
  fi
  # Files that were there before the run must come out of it unchanged.
  head -c $((RANDOM % 4000 + 1)) /dev/urandom >"$RUNDIR/out/keep.mp3"
  printf 'notes\n' >"$RUNDIR/out/notes.txt"
  BEFORE=$(cd "$RUNDIR/out" && sha256sum keep.mp3 notes.txt)

  case $FAULT in
    cddb)
      run_cli --image "$CUE" cddb lookup --server "127.0.0.1:$CDDB_PORT"
      status=$?
      check_process $status
      ;;
    devfull)
      run_cli --image "$CUE" cue "$FULL_DEVICE" --format "$FORMAT"
      status=$?
      check_process $status
      [ "$status" -eq 1 ] || fail "writing to $FULL_DEVICE ended with $status"
      [ -c "$FULL_DEVICE" ] || fail "$FULL_DEVICE is no longer a device"
      ;;
    *)
      if [ "$FAULT" = removed ]; then
        # A copy of the image, taken out of its drive while it is read.
        mkdir -p "$RUNDIR/img"
        cp "$SAMPLE" "$SAMPLE_BIN" "$RUNDIR/img/"
        CUE=$RUNDIR/img/$(basename "$SAMPLE")
      fi
      if [ "$FAULT" = tray ]; then
        run_cli --image "$CUE" eject
        check_process $?
      fi
      (
        [ "$FAULT" = fullfs ] && [ "$CAN_MOUNT" = 0 ] && { trap '' XFSZ; ulimit -f "$LIMIT_KB"; }
        exec env TOLVAR_APPDIR="$RUNDIR/app" TOLVAR_REGISTRY="$RUNDIR/registry.ini" \
          TOLVAR_CD_IMAGES= TOLVAR_CDRIP_LOG= TOLVAR_FDCHECK_OUT="$RUNDIR/fds" \
          LD_PRELOAD="$WORK/fdcheck.so" \
          ASAN_OPTIONS=verify_asan_link_order=0:detect_leaks=1 \
          UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
          "$CLI" --image "$CUE" rip "$TRACKS" --format "$FORMAT" --jobs "$JOBS" \
          --out "$RUNDIR/out" >"$RUNDIR/stdout" 2>"$RUNDIR/stderr"
      ) &
      PID=$!
      if [ "$FAULT" = cancel ]; then
        sleep "$(awk -v r="$RANDOM" 'BEGIN { printf "%.2f", r % 400 / 100 }')"
        kill -INT "$PID" 2>/dev/null
      elif [ "$FAULT" = removed ]; then
        # The sample's rips are short: the removal comes soon after reading began.
        for _ in $(seq 200); do grep -q Ripping "$RUNDIR/stderr" 2>/dev/null && break; sleep 0.02; done
        sleep "$(awk -v r="$RANDOM" 'BEGIN { printf "%.2f", r % 30 / 100 }')"
        HOW=delete
        if [ $((RANDOM % 2)) -eq 0 ]; then
          HOW=eject
          env TOLVAR_APPDIR="$RUNDIR/app" TOLVAR_REGISTRY="$RUNDIR/registry.ini" TOLVAR_CD_IMAGES= \
            "$CLI" --image "$CUE" eject >/dev/null 2>&1 || fail "the tray did not open"
        else
          rm -f "$CUE"
        fi
      fi
      wait "$PID"
      status=$?
      check_process $status
      if [ "$FAULT" = removed ] && [ "$status" -ne 0 ]; then
        if grep -q 'the disc was removed' "$RUNDIR/stderr"; then
          REMOVALS[$HOW]=$((${REMOVALS[$HOW]} + 1))
        else
          fail "a removal reported otherwise: $(head -3 "$RUNDIR/stderr")"
        fi
      fi
      [ "$FAULT" = none ] && [ "$status" -ne 0 ] && fail "a rip without a fault failed: $(head -3 "$RUNDIR/stderr")"
      [ "$FAULT" = tray ] && [ "$status" -ne 1 ] && fail "a rip with the tray open ended with $status"
      # Every file is one that existed before, one the rip reported as
      # complete, or the file a Ctrl-C stopped.
      partial=0
      for f in "$RUNDIR/out"/*; do
        name=$(basename "$f")
        case $name in keep.mp3 | notes.txt | lost+found) continue ;; esac
        if grep -qxF "$f" "$RUNDIR/stdout"; then
          playable "$f" || fail "finished file does not play: $name"
        elif [ "$FAULT" = cancel ] && [ "$status" -ne 0 ] && [ "$partial" -eq 0 ]; then
          partial=1
          PARTIALS=$((PARTIALS + 1))
          playable "$f" || fail "cancelled file does not play: $name"
        else
          fail "file left behind: $name ($(stat -c %s "$f") bytes)"
        fi
      done
      ;;
  esac
  [ "$(cd "$RUNDIR/out" && sha256sum keep.mp3 notes.txt)" = "$BEFORE" ] ||
    fail "a file that was there before changed"
  [ "$(sha256sum "$SAMPLE" "$SAMPLE_BIN")" = "$SAMPLE_SUM" ] || fail "the sample disc changed"
  EXITS[$FAULT]="${EXITS[$FAULT]:-} $status"
  [ "$OK" = 1 ] || cp -r "$RUNDIR" "$WORK/../tolvar-soak-failed-$RUN" 2>/dev/null
  mountpoint -q "$RUNDIR/out" && umount "$RUNDIR/out"
  rm -rf "$RUNDIR"
  if [ $((RUN % 20)) -eq 0 ]; then echo "$RUN runs, $failures failures"; fi
done

for f in "${!COUNT[@]}"; do
  exits=$(tr ' ' '\n' <<<"${EXITS[$f]}" | sed '/^$/d' | sort -n | uniq -c |
    awk '{ printf "%s%s x%s", (NR > 1 ? ", " : ""), $2, $1 }')
  echo "$f: ${COUNT[$f]} runs, ${FAILS[$f]:-0} failed (exit status $exits)"
done | sort
echo "cancelled files kept and checked: $PARTIALS"
echo "rips stopped by the disc's removal: ${REMOVALS[eject]} by another run's eject," \
  "${REMOVALS[delete]} by the image's deletion"
echo "soak: $RUNS runs, $failures failures"
[ "$failures" -eq 0 ]
