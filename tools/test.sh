#!/usr/bin/env bash
# The test command: installs what is missing, configures, builds and runs every test under
# Wine. Extra arguments go to ctest (for example -R Transport).
set -eu
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

tools/setup.sh
cmake --preset mingw >/dev/null
cmake --build --preset mingw

# The prefix and its server start with output to /dev/null (see cmake/wine-run.sh.in), and
# the server is ended whatever the result.
build/wine-run.sh --boot
trap 'build/wine-run.sh --kill' EXIT
ctest --preset mingw "$@"
