#!/usr/bin/env bash
# Installs what is missing, builds, lays out the program folder and starts the program.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$root/scripts/install-deps.sh"
bash "$root/scripts/build.sh" -DENVALO_WARNINGS_AS_ERRORS=OFF
exec "$root/build/program/envalo"
