#!/usr/bin/env bash
# Installs what is missing, builds and runs every test.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$root/scripts/install-deps.sh"
bash "$root/scripts/build.sh"
export XDG_RUNTIME_DIR="$root/build/test-runtime"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
cd "$root/build"
ctest --output-on-failure --parallel "$(nproc)" "$@"
