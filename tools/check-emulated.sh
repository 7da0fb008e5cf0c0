#!/usr/bin/env bash
# A short check that the way of hosts without 32-bit code still works here: a command that
# outlasts the VM's time limit ends with 124 and the VM's process list, one test program of the
# build runs through tools/in-vm.sh in the build's prefix, and a failure's exit status comes
# back unchanged. .ci/run runs it on hosts where the test command did not need the VM, and
# with --time-limit (that check alone) where it did.
set -eu
cd "$(dirname "$0")/.."

TAVIK_EMULATE=1 tools/setup.sh

start=$(date +%s)
status=0
output=$(TAVIK_VM_TIMEOUT=60 tools/in-vm.sh sleep 100000 2>&1) || status=$?
took=$(($(date +%s) - start))
if [ "$status" -ne 124 ] || [ "$took" -gt 300 ] || ! grep -q "sleep 100000" <<<"$output"; then
  echo "$output"
  echo "check-emulated: a command past a 60 s limit gave status $status after $took s (expected 124, its process listed, within 300 s)" >&2
  exit 1
fi
echo "check-emulated: a command past the VM's 60 s limit ended after $took s with status 124"
if [ "${1:-}" = --time-limit ]; then
  exit 0
fi
build/wine-run.sh --kill  # the prefix's server must not run twice, here and in the VM

status=0
tools/in-vm.sh bash -c 'exit 3' || status=$?
if [ "$status" -ne 3 ]; then
  echo "check-emulated: the VM gave back status $status for a command that exited with 3" >&2
  exit 1
fi

output=$(tools/in-vm.sh build/wine-run.sh build/bin/updater_run_rules_tests.exe \
           --gtest_filter='VersionText.*:ModelTable.*' --gtest_brief=1) || {
  echo "$output"
  echo "check-emulated: a test program failed inside the VM" >&2
  exit 1
}
echo "$output" | tail -n 3
if ! grep -q "PASSED" <<<"$output"; then
  echo "check-emulated: no test result came back from the VM" >&2
  exit 1
fi
echo "check-emulated: a test program ran in the emulated VM and passed"
