#!/usr/bin/env bash
# Installs Tolvar into PREFIX: the program and the libraries it links and
# loads from its own folder, install.txt (what "tolvar /uninstall" removes)
# beside them, and the launcher Tolvar.desktop in the applications folder.
#   scripts/install.sh PREFIX        (BUILD_DIR defaults to ./build)
set -euo pipefail

if [ $# -ne 1 ]; then
  echo "usage: $0 PREFIX" >&2
  exit 2
fi
here=$(cd "$(dirname "$0")/.." && pwd)
bin=${BUILD_DIR:-$here/build}/bin
mkdir -p "$1"
prefix=$(cd "$1" && pwd)

files=(tolvar libcdrip.so liblame_enc.so libtolvar-vorbis.so)
for f in "${files[@]}"; do
  if [ ! -f "$bin/$f" ]; then
    echo "$0: $bin/$f is missing; build first" >&2
    exit 1
  fi
done
for f in "${files[@]}"; do
  install -m 755 "$bin/$f" "$prefix/$f"
done

# Files first, then the folders holding them (the uninstall removes folders
# from the last line up). The settings file and the presets folder are made
# by the program when it runs from here; install.txt itself goes last of the
# files, after it has been read.
{
  printf '%s\n' "${files[@]}"
  printf '%s\n' tolvar.ini install.txt presets/
} >"$prefix/install.txt"

apps=${XDG_DATA_HOME:-$HOME/.local/share}/applications
mkdir -p "$apps"
cat >"$apps/Tolvar.desktop" <<DESKTOP
[Desktop Entry]
Type=Application
Name=Tolvar
Comment=CD ripper and MP3 encoder
Exec="$prefix/tolvar"
Terminal=false
Categories=AudioVideo;Audio;
DESKTOP
echo "Installed Tolvar into $prefix"
