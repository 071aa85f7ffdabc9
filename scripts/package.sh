#!/usr/bin/env bash
# Builds the program and makes its Debian package, build/package/envalo_<version>_<arch>.deb,
# from the install rules in cmake/Package.cmake (install it with apt install ./build/package/envalo_….deb).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$root/scripts/install-deps.sh"
# Further arguments go to CMake; without them the build folder keeps its settings.
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$root/build" --parallel "$(nproc)" --target envalo envalo-cli envalo_share
rm -f "$root"/build/package/envalo_*.deb
(cd "$root/build" && cpack -G DEB >/dev/null)
ls "$root"/build/package/envalo_*.deb
