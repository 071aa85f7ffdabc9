#!/usr/bin/env bash
# Installs what is missing, builds the program and the command line program (not the tests),
# lays out the program folder and starts the program.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$root/scripts/install-deps.sh"
# The build folder keeps the settings it has (the test command's warnings as errors, say), so
# starting the program after the tests rebuilds nothing.
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$root/build" --parallel "$(nproc)" --target envalo envalo-cli
exec "$root/build/program/envalo"
