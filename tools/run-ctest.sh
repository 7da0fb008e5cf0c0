#!/usr/bin/env bash
# Runs ctest on the build, with the build's Wine prefix started first and its server ended after,
# pass or fail. tools/test.sh runs it, on the host or inside the emulated VM.
set -eu
cd "$(dirname "$0")/.."

# The prefix and its server start with output to /dev/null (see cmake/wine-run.sh.in).
build/wine-run.sh --boot
trap 'build/wine-run.sh --kill' EXIT
ctest --preset mingw "$@"
