#!/usr/bin/env bash
# Runs ctest on the build, with the build's Wine prefix started first and its server ended after,
# pass or fail. tools/test.sh runs it, on the host or inside the emulated VM.
set -eu
cd "$(dirname "$0")/.."

# The prefix and its server start with output to /dev/null (see cmake/wine-run.sh.in).
if ! build/wine-run.sh --boot; then
  echo "test: the build's Wine prefix could not be set up or started (build/wine-run.sh --boot)" >&2
  exit 1
fi
trap 'build/wine-run.sh --kill' EXIT
ctest --preset mingw "$@"
