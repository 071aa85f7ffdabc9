#!/usr/bin/env bash
# Checks that every folder of src/ includes only from folders below it, so that
# no two folders depend on each other. Prints each include that goes sideways or
# upwards and fails when there is one.
set -euo pipefail
src="${1:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../src" && pwd)}"

# A folder may include from its own folder and from folders of a lower rank.
declare -A rank=(
  [core]=0
  [core/profiles]=1 [core/addressbook]=1
  [core/envelope]=2
  [core/run]=3
  [ui/controls]=4 [ui/common]=4
  [ui/addressbook]=5 [ui/editor]=5
  [ui/printing]=6
  [ui/app]=7 [cli]=7
  [.]=8
)

status=0
while IFS= read -r file; do
  from="$(dirname "${file#"$src"/}")"
  [[ -v rank[$from] ]] || { echo "$file: folder $from has no rank"; status=1; continue; }
  while IFS= read -r target; do
    to="$(dirname "$target")"
    [[ "$to" == "$from" ]] && continue
    if [[ ! -v rank[$to] ]] || (( rank[$to] >= rank[$from] )); then
      echo "$file includes $target: $from may not depend on $to"
      status=1
    fi
  done < <(sed -n 's/^#include "\([^"]*\/[^"]*\)".*/\1/p' "$file")
done < <(find "$src" -name '*.h' -o -name '*.cpp')
exit "$status"
