#!/usr/bin/env bash
# Installs what is missing, builds Tolvar and runs it on the bundled sample
# disc: the window when a display is available ($DISPLAY or $WAYLAND_DISPLAY);
# without one it shows the disc's table of contents and rips its five tracks to
# MP3 files in build/rips. With arguments it runs tolvar-cli with them instead
# (./run.sh --image my.cue toc).
set -euo pipefail
cd "$(dirname "$0")"

./scripts/install-deps.sh

BUILD=${TOLVAR_BUILD:-build}
# Only the programs, their run-time libraries and the sample disc: the tests
# are built by ./test.sh.
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTOLVAR_TESTS=OFF >/dev/null
cmake --build "$BUILD"

BIN="$BUILD/bin"
SAMPLE="$BUILD/sample/tolvar-sample.cue"
if [ $# -gt 0 ]; then
  exec "$BIN/tolvar-cli" "$@"
fi
# With a display, the window opens; with no drive it shows the sample disc.
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -x "$BIN/tolvar" ]; then
  exec "$BIN/tolvar"
fi
echo "Sample disc: $SAMPLE"
"$BIN/tolvar-cli" --image "$SAMPLE" toc
echo
echo "Ripping the sample disc to MP3 files in $BUILD/rips:"
exec "$BIN/tolvar-cli" --image "$SAMPLE" rip 1-5 --format mp3 --out "$BUILD/rips"
