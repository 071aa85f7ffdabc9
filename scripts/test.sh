#!/usr/bin/env bash
# Installs what is missing, builds and runs every test.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$root/scripts/install-deps.sh"
# Every source keeps the project's format; the command to mend it is printed.
if ! (cd "$root" && git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror); then
  echo "Format differs from .clang-format: run  git ls-files '*.cpp' '*.h' | xargs clang-format -i" >&2
  exit 1
fi
bash "$root/scripts/build.sh" -DENVALO_WARNINGS_AS_ERRORS=ON
export XDG_RUNTIME_DIR="$root/build/test-runtime"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
# The print tests print through an isolated CUPS daemon with a PDF queue as the
# default printer, and the address book tests also run on a private PostgreSQL server;
# both are stopped whatever the tests' outcome.
cups_dir="$root/build/cups-test"
pg_dir="$root/build/pg-test"
trap 'bash "$root/scripts/pg-test.sh" stop "$pg_dir"; bash "$root/scripts/cups-test.sh" stop "$cups_dir"' EXIT
cups_env="$(bash "$root/scripts/cups-test.sh" start "$cups_dir")"
eval "$cups_env"
pg_env="$(bash "$root/scripts/pg-test.sh" start "$pg_dir")"
eval "$pg_env"
cd "$root/build"
ctest --output-on-failure --parallel "$(nproc)" "$@"

# The tests of the core, the PDF output and the command line once more, built with
# AddressSanitizer and UndefinedBehaviorSanitizer (gcc) in a folder of their own: the
# first fault found ends the test with its report (the options are in tests/CMakeLists.txt).
sanitized=(tst_pdfpages tst_addressfile tst_addressimport tst_runchoice tst_compose tst_jpeg
           tst_printprofile tst_inifile tst_addressdb tst_addresscopy tst_accessbook tst_pageoutput
           tst_printrun tst_cli)
san="$root/build-sanitize"
# -O1, as AddressSanitizer's documentation suggests, and line tables only: it builds in
# about half the time of -O2 -g, and a report still names file and line.
cmake -S "$root" -B "$san" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DENVALO_SANITIZE=ON \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG" >/dev/null
cmake --build "$san" --parallel "$(nproc)" --target "${sanitized[@]}"
cd "$san"
ctest --output-on-failure --parallel "$(nproc)" -R "^($(IFS='|'; echo "${sanitized[*]}"))\$"
