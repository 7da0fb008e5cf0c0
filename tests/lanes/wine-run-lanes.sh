#!/usr/bin/env bash
# Checks how build/wine-run.sh --test picks a test's prefix lane, with a stand-in for wine that
# reports where it ran: nothing here starts Wine.
#   wine-run-lanes.sh WINE_RUN BASE_PREFIX LANES
set -u
wine_run="$1"
base="$2"
lanes="$3"

stub=$(mktemp -d "${TMPDIR:-/tmp}/wine-run-lanes.XXXXXX")
trap 'rm -rf "$stub"' EXIT
# The stand-in prints its prefix, whether that prefix's owner lock is held (by the wrapper, not
# by itself: it must not have inherited the descriptor) and its arguments; it exits with the
# status its first argument names.
cat >"$stub/wine" <<'STUB'
#!/usr/bin/env bash
held=free
flock -n "$WINEPREFIX.owner.lock" true || held=held
inherited=no
[ -e /proc/self/fd/8 ] && inherited=yes
echo "prefix=$WINEPREFIX lock=$held fd8=$inherited args=$*"
exit "$1"
STUB
chmod +x "$stub/wine"

failures=0
check() {  # name, expected output, expected status, then the environment and arguments
  local name="$1" expected="$2" expected_status="$3" output status=0
  shift 3
  output=$(env -u TAVIK_LANES_DIR PATH="$stub:$PATH" TAVIK_LANES_BOOTED=1 "$@" 2>&1) || status=$?
  if [ "$status" -ne "$expected_status" ] || ! grep -qxF -- "$expected" <<<"$output"; then
    echo "FAILED $name: status $status (wanted $expected_status), output:"
    echo "$output" | sed 's/^/    /'
    echo "    wanted the line: $expected"
    failures=$((failures + 1))
  else
    echo "ok     $name"
  fi
}

unset CTEST_RESOURCE_GROUP_COUNT CTEST_RESOURCE_GROUP_0 CTEST_RESOURCE_GROUP_0_PREFIXES
check "no lane given: lane 1" "prefix=$base lock=free fd8=no args=0" 0 \
  "$wine_run" --test 0
check "no lane given, owner: lane 1, held" "prefix=$base lock=held fd8=no args=0 x" 0 \
  TAVIK_OWNS_PREFIX=1 "$wine_run" --test 0 x
check "the last lane, owner" "prefix=$base-$lanes lock=held fd8=no args=0" 0 \
  TAVIK_OWNS_PREFIX=1 CTEST_RESOURCE_GROUP_0_PREFIXES="id:$lanes,slots:1" "$wine_run" --test 0
check "lane 1 given" "prefix=$base lock=free fd8=no args=0" 0 \
  CTEST_RESOURCE_GROUP_0_PREFIXES="id:1,slots:1" "$wine_run" --test 0
check "the program's status and output come back" "prefix=$base lock=free fd8=no args=7" 7 \
  "$wine_run" --test 7
# With a folder for the lanes, lane 1 is a copy there too (made there by the boot).
mkdir -p "$stub/lanes"
check "lane 1 in the lanes' folder" "prefix=$stub/lanes/wineprefix-1 lock=held fd8=no args=0" 0 \
  TAVIK_LANES_DIR="$stub/lanes" TAVIK_OWNS_PREFIX=1 "$wine_run" --test 0
check "the last lane in the lanes' folder" "prefix=$stub/lanes/wineprefix-$lanes lock=free fd8=no args=0" 0 \
  TAVIK_LANES_DIR="$stub/lanes" CTEST_RESOURCE_GROUP_0_PREFIXES="id:$lanes,slots:1" "$wine_run" --test 0
for bad in "id:$((lanes + 1)),slots:1" "id:0,slots:1" "id:x,slots:1" "id:,slots:1"; do
  check "lane \"$bad\" refused" \
    "wine-run: CTest gave the lane \"$bad\"; this build has lanes 1 to $lanes" 1 \
    CTEST_RESOURCE_GROUP_0_PREFIXES="$bad" "$wine_run" --test 0
done

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
