#!/usr/bin/env bash
# Configures and builds the program and its tests into build/; the program
# folder is build/program.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
# Further arguments go to CMake (the test command turns warnings into errors).
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$root/build" --parallel "$(nproc)"
