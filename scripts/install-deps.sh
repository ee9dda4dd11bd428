#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Tolvar need.
# Skips apt-get entirely when every package is already installed, so a warm
# machine pays nothing.
set -euo pipefail

packages=(
  # toolchain
  build-essential cmake ninja-build pkg-config clang-format python3
  # libraries
  libgtest-dev libgmock-dev
  libcdio-dev libcdio-paranoia-dev libiso9660-dev
  libmp3lame-dev libvorbis-dev libogg-dev libsoxr-dev libao-dev libasound2-dev
  libc-ares-dev libflac-dev libopusenc-dev
  libcurl4-openssl-dev nlohmann-json3-dev libdiscid-dev zlib1g-dev libdeflate-dev libssl-dev
  qt6-base-dev
  # reference tools the tests use as peers
  mpg123 vorbis-tools lame id3v2 cd-paranoia cuetools flac opus-tools
  python3-libdiscid python3-mutagen openssl
  # the benchmarks' peak-memory measure (GNU time)
  time
  # window tests and screenshots without a display
  xvfb xauth fonts-dejavu-core
  # a CJK font, so Japanese, Chinese and Korean titles show in the window
  fonts-wqy-microhei
  # the Debian package, its icons, and the checks of its desktop file,
  # AppStream metadata, manual pages and bash completion
  dpkg-dev file librsvg2-bin desktop-file-utils appstream man-db bash-completion
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}" >&2
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get -o DPkg::Lock::Timeout=600 update -qq
$SUDO apt-get -o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
