#!/usr/bin/env bash
# The test command: installs what is missing, configures, builds and runs every test under
# Wine. Extra arguments go to ctest (for example -R Transport).
#
# On a host whose kernel runs no 32-bit code (or with TAVIK_EMULATE=1) the build stays here and
# ctest runs inside one emulated VM (tools/in-vm.sh), with every time bound widened to match.
set -eu
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
. tools/host.sh

tools/setup.sh
scale=1
if tavik_emulated; then
  scale="${TAVIK_TIME_SCALE:-$tavik_emulated_time_scale}"
fi
cmake --preset mingw -DTAVIK_TIME_SCALE="$scale" >/dev/null
cmake --build --preset mingw

if tavik_emulated; then
  echo "test: this host runs no 32-bit programs (or TAVIK_EMULATE=1 is set): the tests run in an emulated VM, about $scale times slower, with time bounds widened $scale times"
  TAVIK_TIME_SCALE="$scale" exec tools/in-vm.sh tools/run-ctest.sh "$@"
fi
exec tools/run-ctest.sh "$@"
