#!/usr/bin/env bash
# Prints the library's and the updater's figures against the simulated camera. Run tools/test.sh
# (or at least the build) first. Arguments go to the library's benchmark program (for example
# --idle-seconds 10).
#
# On a host whose kernel runs no 32-bit code (or with TAVIK_EMULATE=1) it runs inside one
# emulated VM (tools/in-vm.sh), and says so first: such figures are not comparable.
set -eu
root="$(cd "$(dirname "$0")/.." && pwd)"
. "$root/tools/host.sh"
if [ -z "${TAVIK_IN_VM:-}" ] && tavik_emulated; then
  echo "NOTE: this host runs no 32-bit programs (or TAVIK_EMULATE=1 is set), so these figures"
  echo "come from an emulated CPU, about twelve times slower than a real one: they are not"
  echo "comparable with native figures, nor with the goals."
  echo
  cd "$root"
  exec tools/in-vm.sh tools/benchmark.sh "$@"
fi
run="$root/build/wine-run.sh"
bin="$root/build/bin"
# The build's prefix alone, without the test lanes: their servers would be counted below.
export TAVIK_WINEPREFIX="$root/build/wineprefix"

"$run" --boot
trap '"$run" "$bin/OrvaneCamSimCtl.exe" stop >/dev/null 2>&1 || true' EXIT
"$run" "$bin/OrvaneCamSimCtl.exe" install-start

"$run" "$bin/devicelib_benchmark.exe" --only connection "$@"
"$run" "$bin/devicelib_benchmark.exe" --only requests "$@"

# Idle scanning: this process's CPU, plus what Wine's server and the driver's host spent for it
# over the same time (clock ticks from /proc, as Linux counts them).
cpu_ticks() {
  local total=0 pid
  for pid in $(pgrep -f 'wineserver|winedevice' || true); do
    if [ -r "/proc/$pid/stat" ]; then
      total=$((total + $(awk '{print $14 + $15}' "/proc/$pid/stat")))
    fi
  done
  echo "$total"
}
before=$(cpu_ticks)
start=$(date +%s.%N)
"$run" "$bin/devicelib_benchmark.exe" --only idle "$@"
end=$(date +%s.%N)
after=$(cpu_ticks)
awk -v t=$((after - before)) -v hz="$(getconf CLK_TCK)" -v s="$start" -v e="$end" \
  'BEGIN { printf "  Wine server and driver host meanwhile:  %.3f %% of a core\n", 100 * t / hz / (e - s) }'

# The updater: one 32 MiB image, a camera that takes 1 microsecond per byte (about 34 s).
"$run" "$bin/updater_benchmark.exe" --mib 32 --us-per-byte 1 | grep -v '^Symbolic link'
