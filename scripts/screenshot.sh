#!/usr/bin/env bash
# Takes docs/screenshot.png: the window on the sample disc under a virtual X
# display (xvfb), after "CDDB Connect" and "CDDB Get info" against a CDDB
# server on 127.0.0.1 that knows the sample disc.
#   scripts/screenshot.sh [BUILD_DIR]        (default build)
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build}
WORK=$(mktemp -d /tmp/tolvar.XXXXXX)
SERVER=
cleanup() {
  if [ -n "$SERVER" ]; then kill "$SERVER" 2>/dev/null || true; fi
  rm -rf "$WORK"
}
trap cleanup EXIT

mkdir -p "$WORK/cddb/misc"
cat >"$WORK/cddb/misc/27008305" <<'ENTRY'
# xmcd
#
# Track frame offsets:
#	150
#	1500
#	3300
#	5625
#	7200
#
# Disc length: 133 seconds
#
DISCID=27008305
DTITLE=Tolvar Ensemble / Five Short Pieces
DYEAR=2026
DGENRE=Electronic
TTITLE0=Morning Sine
TTITLE1=Square Dance
TTITLE2=Sawtooth Hills
TTITLE3=Triangle at Noon
TTITLE4=Evening Noise
EXTD=
EXTT0=
EXTT1=
EXTT2=
EXTT3=
EXTT4=
PLAYORDER=
ENTRY
python3 -u tests/fixtures/cddb_server.py "$WORK/cddb" >"$WORK/server.log" &
SERVER=$!
for _ in $(seq 100); do
  grep -q '^PORT ' "$WORK/server.log" && break
  sleep 0.1
done
PORT=$(sed -n 's/^PORT //p' "$WORK/server.log")

# The disc and the output folder as a user would have them.
ln -s "$PWD/$BUILD/sample/tolvar-sample.bin" "$WORK/five-short-pieces.bin"
ln -s "$PWD/$BUILD/sample/tolvar-sample.cue" "$WORK/five-short-pieces.cue"
mkdir -p "$WORK/app"
printf '[Settings]\nSaveDir=/home/me/Music/Tolvar/\n' >"$WORK/app/tolvar.ini"

unset QT_QPA_PLATFORM
export TOLVAR_CDDB_SERVER=127.0.0.1:$PORT TOLVAR_APPDIR=$WORK/app TOLVAR_REGISTRY=$WORK/registry.ini
export TOLVAR_CD_IMAGES="$WORK/five-short-pieces.cue" TOLVAR_AUDIO=null
mkdir -p docs
xvfb-run -a -s "-screen 0 1100x560x24" "$BUILD/bin/tolvar" --screenshot "$PWD/docs/screenshot.png" \
  --cddb-lookup
echo docs/screenshot.png
