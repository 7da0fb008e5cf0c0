#!/usr/bin/env bash
# Runs clang-tidy (the checks of .clang-tidy) on the product code: the library, the updater and
# the utilities, not their tests, nor the simulated camera. It reads the clang build's compile
# commands, so that build is configured first. Exit status 0 only with no finding.
#
#   tools/clang-tidy.sh [FILE...]
set -eu
cd "$(dirname "$0")/.."

if [ ! -f build-clang/compile_commands.json ]; then
  cmake --preset clang -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >/dev/null
fi
if [ $# -eq 0 ]; then
  mapfile -t files < <(git ls-files 'devicelib/src/*.cpp' 'updater/*.cpp' 'utilities/*.cpp' |
                         grep -v -e '/tests/' -e '/bench/')
else
  files=("$@")
fi
# A few files to each clang-tidy, one per core at a time.
printf '%s\0' "${files[@]}" | xargs -0 -n 4 -P "$(nproc)" clang-tidy -p build-clang --quiet
