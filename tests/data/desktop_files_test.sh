#!/usr/bin/env bash
# The desktop file, the AppStream metadata, the manual pages and the bash
# completion: each passes its own validator, and together they name every
# command, option and environment variable that tolvar-cli and the README have.
#   desktop_files_test.sh SOURCE_DIR VERSION TOLVAR_CLI
set -euo pipefail
SRC=$1 VERSION=$2 CLI=$3
DATA=$SRC/data
fail() { echo "FAIL: $*"; exit 1; }
for tool in desktop-file-validate appstreamcli man; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing (scripts/install-deps.sh)"; exit 77; }
done
COMPLETION_LIB=/usr/share/bash-completion/bash_completion
[ -f "$COMPLETION_LIB" ] || { echo "SKIP: bash-completion is missing"; exit 77; }

out=$(desktop-file-validate "$DATA/org.tolvar.Tolvar.desktop" 2>&1) || fail "desktop file: $out"
[ -z "$out" ] || fail "desktop file: $out"
appstreamcli validate --no-net "$DATA/org.tolvar.Tolvar.metainfo.xml" >/dev/null ||
  fail "AppStream: $(appstreamcli validate --no-net "$DATA/org.tolvar.Tolvar.metainfo.xml")"
# The newest release comes first and is this version, in the changelog too.
newest=$(grep -o '<release version="[^"]*"' "$DATA/org.tolvar.Tolvar.metainfo.xml" | head -1)
[ "$newest" = "<release version=\"$VERSION\"" ] || fail "metainfo's newest release: $newest"
head -1 "$DATA/changelog" | grep -q "^tolvar ($VERSION) " || fail "changelog: $(head -1 "$DATA/changelog")"

# Rendered as the user reads them; any warning of groff or man fails.
manuals=""
for page in tolvar.1 tolvar-cli.1; do
  warnings=$(LC_ALL=C MANWIDTH=80 man --warnings -l "$DATA/$page" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "$page: $warnings"
  grep -q "^\.TH .*\"Tolvar $VERSION\"" "$DATA/$page" || fail "$page is not for version $VERSION"
  manuals+=$(LC_ALL=C MANWIDTH=80 man -l "$DATA/$page" 2>/dev/null | col -b)
done
cli_manual=$(LC_ALL=C MANWIDTH=80 man -l "$DATA/tolvar-cli.1" 2>/dev/null | col -b)
completion=$(cat "$DATA/tolvar-cli.bash")

# Every option of tolvar-cli's help and of the README (less those of other
# programs the README quotes), every command, every variable.
help=$("$CLI" --help)
options=$( { grep -o -- '--[a-z][a-z-]*' "$SRC/README.md"; grep -o -- '--[a-z][a-z-]*' <<<"$help"; } |
  sort -u | grep -vxE -- '--(build|target|noreplaygain)')
for option in $options; do
  grep -qF -- "$option" <<<"$manuals" || fail "no $option in the manual pages"
  case $option in --reset | --uninstall) continue ;; esac
  grep -qF -- "$option" <<<"$completion" || fail "no $option in the bash completion"
done
commands=$(sed -n '/^Commands:/,$s/^  \([a-z]\+\) .*/\1/p' <<<"$help")
[ -n "$commands" ] || fail "no commands in tolvar-cli --help"
for command in $commands discid query read lookup; do
  grep -qE "^   (.*[ |])?$command([ |,].*)?$" <<<"$cli_manual" || fail "no section for $command in tolvar-cli(1)"
  grep -qw -- "$command" <<<"$completion" || fail "no $command in the bash completion"
done
# The variables of the README's Environment table (the developers' own, such
# as the soak's, stay out of the user's manuals).
for variable in $(sed -n '/^## Environment/,/^## [^E]/p' "$SRC/README.md" | grep -o 'TOLVAR_[A-Z_]*' | sort -u); do
  for page in tolvar.1 tolvar-cli.1; do
    grep -q "^\.B $variable\$" "$DATA/$page" || fail "$variable is not described in $page"
  done
done
grep -q '^EXIT STATUS' <<<"$cli_manual" || fail "no EXIT STATUS in tolvar-cli(1)"

# The completion itself, as bash runs it.
completions=$(bash -c '
  source "$1"; source "$2"
  complete_line() {
    COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}
    COMPREPLY=(); _tolvar_cli tolvar-cli "${COMP_WORDS[-1]}" "${COMP_WORDS[-2]}"
    echo "${COMPREPLY[*]}"
  }
  complete_line tolvar-cli --image x.cue c
  complete_line tolvar-cli cddb ""
  complete_line tolvar-cli --drive 1 rip 1-3 --format ""
  complete_line tolvar-cli encode a.wav --no-
  complete_line tolvar-cli cddb query --ch' _ "$COMPLETION_LIB" "$DATA/tolvar-cli.bash")
expected='cddb close cue
discid query read lookup
wav mp3 ogg pcm flac opus
--no-vbr-header --no-crc
--choose'
[ "$completions" = "$expected" ] || fail "completions:
$completions
expected:
$expected"
echo "desktop file, metainfo, manual pages and completion are valid and complete"
