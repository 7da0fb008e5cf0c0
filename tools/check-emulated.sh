#!/usr/bin/env bash
# A short check that the way of hosts without 32-bit code still works here: one test program
# of the build runs through tools/in-vm.sh in the build's prefix, and a failure's exit status
# comes back unchanged. .ci/run runs it on hosts where the test command did not need the VM.
set -eu
cd "$(dirname "$0")/.."

TAVIK_EMULATE=1 tools/setup.sh
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
