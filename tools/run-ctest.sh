#!/usr/bin/env bash
# Runs ctest on the build, with the build's Wine prefix and its lanes started first and their
# servers ended after, pass or fail. tools/test.sh runs it, on the host or inside the emulated VM.
set -eu
cd "$(dirname "$0")/.."

# Inside the emulated VM every access to the host's files is slow: the tests' prefixes are
# copies in memory there (the VM's /run), made afresh at each run.
if [ -n "${TAVIK_IN_VM:-}" ]; then
  export TAVIK_LANES_DIR=/run/tavik-lanes
fi

# The prefix and its server start with output to /dev/null (see cmake/wine-run.sh.in).
if ! build/wine-run.sh --boot; then
  echo "test: the build's Wine prefix could not be set up or started (build/wine-run.sh --boot)" >&2
  exit 1
fi
trap 'build/wine-run.sh --kill' EXIT
export TAVIK_LANES_BOOTED=1
ctest --preset mingw "$@"
