#!/usr/bin/env bash
# Checks the installed program as a package: the menu entry, the AppStream metadata and the
# manual pages are valid; the Debian package is made from the build folder given, inspected
# and passed by lintian; unpacked into a temporary root, its programs make a new user's
# folder from the installed defaults, find it again, never replace a user's file, and a
# folder with envalo.ini beside the executable still wins. Run by CTest (package_checks).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$(cd "${1:?the build folder}" && pwd)"
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

desktop-file-validate "$root/package/ru.envalo.Envalo.desktop"
appstreamcli validate --no-net "$build/packaging/ru.envalo.Envalo.metainfo.xml"
for page in "$root/package/envalo.1" "$build/packaging/envalo-cli.1"; do
  warnings="$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null)"
  [ -z "$warnings" ] || fail "man --warnings on $page: $warnings"
done
# The manual page holds envalo-cli's --help, line for line.
help="$("$build/program/envalo-cli" --help 2>/dev/null)"
shown="$(LC_ALL=C.UTF-8 MANWIDTH=200 man -E UTF-8 -l "$build/packaging/envalo-cli.1" 2>/dev/null)"
while IFS= read -r line; do
  [ -z "$line" ] && continue
  grep -qF -- "$line" <<<"$shown" || fail "envalo-cli.1 lacks the --help line: $line"
done <<<"$help"

work="$(mktemp -d)"
envalo_pid=""
trap '[ -n "$envalo_pid" ] && kill "$envalo_pid" 2>/dev/null; rm -rf "$work"' EXIT

# The package: made by CPack from the build, into a folder of this check's own.
(cd "$build" && cpack -G DEB -B "$work/cpack" >/dev/null 2>&1) || fail "cpack could not make the package"
deb="$(ls "$work"/cpack/envalo_*.deb)"
[[ "$(basename "$deb")" =~ ^envalo_[0-9.]+_[a-z0-9]+\.deb$ ]] || fail "package name $(basename "$deb")"
contents="$(dpkg-deb --contents "$deb" | awk '{print $6}')"
for path in ./usr/bin/envalo ./usr/bin/envalo-cli ./usr/share/envalo/envalo.ini \
  ./usr/share/envalo/Convert.mdb ./usr/share/envalo/Convert-empty.mdb \
  ./usr/share/envalo/images/dl_komy.jpg ./usr/share/envalo/sql/schema.sql \
  ./usr/share/applications/ru.envalo.Envalo.desktop ./usr/share/metainfo/ru.envalo.Envalo.metainfo.xml \
  ./usr/share/icons/hicolor/scalable/apps/envalo.svg ./usr/share/icons/hicolor/48x48/apps/envalo.png \
  ./usr/share/man/man1/envalo.1.gz ./usr/share/man/man1/envalo-cli.1.gz \
  ./usr/share/bash-completion/completions/envalo-cli ./usr/share/doc/envalo/copyright; do
  grep -qxF "$path" <<<"$contents" || fail "the package lacks $path"
done
for dependency in libqt6sql6-sqlite libqt6sql6-psql libqt6widgets6 libjpeg62-turbo libqpdf libcups2 libpq5; do
  dpkg-deb --field "$deb" Depends | grep -q "$dependency" || fail "the package does not depend on $dependency"
done
# lintian: errors fail (as root it also says that it runs as root).
if ! report="$(lintian --fail-on error "$deb" 2>&1)"; then
  fail "lintian finds errors in $deb: $report"
fi
grep -v 'running with root privileges' <<<"$report" || true

# Installed into a temporary root, run as a new user would.
dpkg -x "$deb" "$work/root"
export HOME="$work/home" XDG_DATA_HOME="$work/home/.local/share" XDG_CONFIG_HOME="$work/home/.config"
mkdir -p "$HOME"
cli="$work/root/usr/bin/envalo-cli"
shared="$work/root/usr/share/envalo"
user="$XDG_DATA_HOME/envalo"
profiles="$("$cli" list profiles)" || fail "envalo-cli list profiles on a new user's folder"
[ -n "$profiles" ] || fail "no profiles in a new user's folder"
cmp -s "$shared/envalo.ini" "$user/envalo.ini" || fail "envalo.ini was not copied into $user"
cmp -s "$shared/Convert.mdb" "$user/Convert.mdb" || fail "Convert.mdb was not copied into $user"
[ -n "$("$cli" list recipients)" ] || fail "the sample address book has no recipients"
[ ! -e "$user/images" ] || fail "the pictures were copied into $user"
# A second run finds the folder made; the user's own address book is never replaced, and a
# file missing from the folder comes back.
cp "$shared/Convert-empty.mdb" "$user/Convert.mdb"
rm "$user/envalo.ini"
[ -z "$("$cli" list recipients)" ] || fail "the user's own Convert.mdb was replaced"
cmp -s "$shared/Convert-empty.mdb" "$user/Convert.mdb" || fail "the user's Convert.mdb changed"
cmp -s "$shared/envalo.ini" "$user/envalo.ini" || fail "a missing envalo.ini was not copied again"
# Printing draws the installed pictures, the user's folder having none.
cp "$shared/Convert.mdb" "$user/Convert.mdb"
first="$("$cli" list recipients | head -n1)"
"$cli" print --recipient "$first" --pdf "$work/one.pdf" || fail "printing from the user's folder"
[ -s "$work/one.pdf" ] || fail "no PDF file printed from the user's folder"

# The shell completion offers the commands, the options of --help and the profiles by name.
completions="$(PATH="$work/root/usr/bin:$PATH" bash -c '
  source /usr/share/bash-completion/bash_completion
  source "$1"
  complete_line() {
    COMP_LINE="$1" COMP_POINT=${#1}
    read -r -a COMP_WORDS <<<"$1"
    [[ $1 == *" " ]] && COMP_WORDS+=("")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    _envalo_cli envalo-cli "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    printf "%s\n" "${COMPREPLY[@]}"
  }
  complete_line "envalo-cli li"
  complete_line "envalo-cli print --fo"
  complete_line "envalo-cli print --profile Конв"
' sh "$work/root/usr/share/bash-completion/completions/envalo-cli")"
for word in list --folder --format 'Конверт\ DL'; do
  grep -qxF -- "$word" <<<"$completions" || fail "bash completion does not offer $word: $completions"
done

# The windowed program, started offscreen from the installed tree, comes up on a new
# user's folder: it makes the folder and holds its lock.
export XDG_DATA_HOME="$work/home2/.local/share"
QT_QPA_PLATFORM=offscreen "$work/root/usr/bin/envalo" >"$work/envalo.log" 2>&1 &
envalo_pid=$!
for _ in $(seq 600); do
  [ -e "$XDG_DATA_HOME/envalo/.envalo.lock" ] && break
  kill -0 "$envalo_pid" 2>/dev/null || break
  sleep 0.1
done
[ -e "$XDG_DATA_HOME/envalo/.envalo.lock" ] || fail "envalo did not start on $XDG_DATA_HOME/envalo: $(cat "$work/envalo.log")"
kill -0 "$envalo_pid" 2>/dev/null || fail "envalo ended: $(cat "$work/envalo.log")"
kill "$envalo_pid"
wait "$envalo_pid" 2>/dev/null || true
envalo_pid=""
cmp -s "$shared/envalo.ini" "$XDG_DATA_HOME/envalo/envalo.ini" || fail "envalo did not lay out $XDG_DATA_HOME/envalo"

# A folder with envalo.ini beside the executable wins over the user's folder, also inside an
# installed tree.
export XDG_DATA_HOME="$work/home3/.local/share"
mkdir -p "$work/portable/usr/bin" "$work/portable/usr/share"
cp "$cli" "$work/portable/usr/bin/"
ln -s "$shared" "$work/portable/usr/share/envalo"
cp "$shared/envalo.ini" "$work/portable/usr/bin/"
cp "$shared/Convert-empty.mdb" "$work/portable/usr/bin/Convert.mdb"
[ -z "$("$work/portable/usr/bin/envalo-cli" list recipients)" ] || fail "the portable folder was not used"
[ ! -e "$XDG_DATA_HOME/envalo" ] || fail "a portable folder made the user's folder"
echo "package checks passed: $(basename "$deb")"
