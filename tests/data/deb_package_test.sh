#!/usr/bin/env bash
# Packs this build folder's programs into the Debian package, as
# scripts/make-deb.sh does for an optimised build, checks the package's files,
# control fields and RUNPATHs, and runs the programs from the unpacked package
# with no LD_LIBRARY_PATH.
#   deb_package_test.sh BUILD_DIR VERSION PRIVATE_LIBDIR SAMPLE_CUE
set -euo pipefail
BUILD=$1 VERSION=$2 LIBDIR=$3 SAMPLE=$4
fail() { echo "FAIL: $*"; exit 1; }
for tool in dpkg-deb dpkg-shlibdeps cpack readelf; do
  command -v "$tool" >/dev/null ||
    { echo "SKIP: $tool is missing, the Debian package is not checked (scripts/install-deps.sh)"; exit 77; }
done
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT

# gzip instead of xz: the same package, packed in a fraction of the time.
cpack --config "$BUILD/CPackConfig.cmake" -B "$WORK/pack" -D CPACK_DEBIAN_COMPRESSION_TYPE=gzip \
  >"$WORK/cpack.log" 2>&1 || { cat "$WORK/cpack.log"; fail "cpack"; }
DEB=$WORK/pack/tolvar_${VERSION}_$(dpkg --print-architecture).deb
[ -f "$DEB" ] || fail "no $(basename "$DEB"): $(ls "$WORK/pack")"

files=$(dpkg-deb -c "$DEB" | awk '$1 !~ /^d/ { print $6 }' | sort)
expected=$(sort <<EOF_FILES
./usr/bin/tolvar
./usr/bin/tolvar-cli
./usr/$LIBDIR/libcdrip.so
./usr/$LIBDIR/liblame_enc.so
./usr/$LIBDIR/libtolvar-vorbis.so
./usr/share/applications/org.tolvar.Tolvar.desktop
./usr/share/bash-completion/completions/tolvar-cli
./usr/share/doc/tolvar/changelog.gz
./usr/share/doc/tolvar/copyright
./usr/share/icons/hicolor/256x256/apps/org.tolvar.Tolvar.png
./usr/share/icons/hicolor/48x48/apps/org.tolvar.Tolvar.png
./usr/share/icons/hicolor/scalable/apps/org.tolvar.Tolvar.svg
./usr/share/man/man1/tolvar-cli.1.gz
./usr/share/man/man1/tolvar.1.gz
./usr/share/metainfo/org.tolvar.Tolvar.metainfo.xml
EOF_FILES
)
[ "$files" = "$expected" ] || fail "package files differ:
$(diff <(echo "$expected") <(echo "$files"))"

field() { dpkg-deb -f "$DEB" "$1"; }
[ "$(field Package)" = tolvar ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$VERSION" ] || fail "Version: $(field Version)"
[ "$(field Architecture)" = "$(dpkg --print-architecture)" ] || fail "Architecture: $(field Architecture)"
[ "$(field Section)" = sound ] || fail "Section: $(field Section)"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"
depends=$(field Depends)
# From dpkg-shlibdeps, one package per library the binaries need; our own
# libraries are in the package itself.
for package in libc6 libcdio19 libmp3lame0 libvorbisenc2 libqt6widgets6 qt6-qpa-plugins; do
  grep -qE "(^|, )$package( |,|$)" <<<"$depends" || fail "Depends lacks $package: $depends"
done
grep -q tolvar <<<"$depends" && fail "Depends names our own libraries: $depends"

ROOT=$WORK/root
dpkg -x "$DEB" "$ROOT"
for program in tolvar tolvar-cli; do
  runpath=$(readelf -d "$ROOT/usr/bin/$program" | sed -n 's/.*(RUNPATH).*\[\(.*\)\]/\1/p')
  [ "$runpath" = "\$ORIGIN/../$LIBDIR" ] || fail "RUNPATH of $program: '$runpath'"
done

# The programs run from the unpacked tree, their libraries only in the
# private folder, their files in a home of their own.
export HOME=$WORK/home XDG_CONFIG_HOME=$WORK/home/.config TOLVAR_REGISTRY=$WORK/registry.ini
unset LD_LIBRARY_PATH TOLVAR_APPDIR TOLVAR_LIB_DIR
CLI=$ROOT/usr/bin/tolvar-cli
[ "$("$CLI" --version)" = "tolvar-cli $VERSION" ] || fail "--version: $("$CLI" --version 2>&1)"
toc=$("$CLI" --image "$SAMPLE" toc 2>&1) || fail "toc: $toc"
grep -q 'A audio Disc is Loaded' <<<"$toc" || fail "toc did not load the CD library: $toc"
out=$("$CLI" --image "$SAMPLE" rip 1 --format ogg --out "$WORK/rips" 2>&1) || fail "ogg rip: $out"
[ -s "$WORK/rips/01 Unknown - Track 1.ogg" ] || fail "no Ogg file: $out"
"$ROOT/usr/bin/tolvar" /reset || fail "tolvar /reset exited with $?"
echo "package $(basename "$DEB") checked"
