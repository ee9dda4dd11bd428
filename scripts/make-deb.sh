#!/usr/bin/env bash
# Builds the Debian package dist/tolvar_<version>_<arch>.deb from this source
# tree: installs what is missing, builds the programs in build-deb (optimised,
# without the tests) and packs what "cmake --install" installs with CPack's DEB
# generator (dependencies from dpkg-shlibdeps).
#   scripts/make-deb.sh            (TOLVAR_DEB_BUILD names another build folder)
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/install-deps.sh

BUILD=${TOLVAR_DEB_BUILD:-build-deb}
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTOLVAR_TESTS=OFF >/dev/null
cmake --build "$BUILD"

rm -rf "$BUILD/package"
cpack --config "$BUILD/CPackConfig.cmake" -B "$PWD/$BUILD/package" >/dev/null
mkdir -p dist
for deb in "$BUILD"/package/tolvar_*.deb; do
  cp "$deb" dist/
  echo "dist/$(basename "$deb")"
done
