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
if [ "$1" = hang ]; then
  # A test program that hangs, with a program of its own started beside it.
  sleep 600 &
  echo "$! $$" >"$2"
  echo "the case that was running"
  sleep 600
  exit 0
fi
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

# An entry ended by force at its time-out (CTest kills the script alone): what the program printed
# until then is out already, nothing it started lives on, and the lane is free for the next.
pids="$stub/pids"
output="$stub/hang.out"
env -u TAVIK_LANES_DIR PATH="$stub:$PATH" TAVIK_LANES_BOOTED=1 TAVIK_OWNS_PREFIX=1 \
  "$wine_run" --test hang "$pids" >"$output" 2>&1 &
script=$!
waited=0
until grep -q "the case that was running" "$output" 2>/dev/null || [ "$waited" -ge 200 ]; do
  sleep 0.1
  waited=$((waited + 1))
done
kill -KILL "$script"
wait "$script" 2>/dev/null
gone=no
for _ in $(seq 100); do
  alive=no
  for pid in $(cat "$pids" 2>/dev/null); do
    kill -0 "$pid" 2>/dev/null && alive=yes
  done
  if [ "$alive" = no ]; then gone=yes; break; fi
  sleep 0.1
done
if grep -q "the case that was running" "$output" && [ "$gone" = yes ] && [ -s "$pids" ]; then
  echo "ok     an entry ended by force showed its output and left nothing behind"
else
  echo "FAILED an entry ended by force: output \"$(cat "$output")\", its processes gone: $gone"
  failures=$((failures + 1))
fi
check "the next owner has the lane at once" "prefix=$base lock=held fd8=no args=0" 0 \
  TAVIK_OWNS_PREFIX=1 TAVIK_LANE_WAIT=1 "$wine_run" --test 0

# A lane held by a program outside the test run: the wait is bounded and names the holder.
(
  flock 8
  echo "process 4242 since 12:00:00: someone else" >"$base.owner.lock.holder"
  sleep 30
) 8>"$base.owner.lock" &
holder=$!
sleep 0.5
check "a held lane is waited for a bounded time, the holder named" \
  "wine-run: the prefix lane $base is still held after 1 s, by: process 4242 since 12:00:00: someone else" \
  125 TAVIK_OWNS_PREFIX=1 TAVIK_LANE_WAIT=1 TAVIK_TIME_SCALE=1 "$wine_run" --test 0
kill "$holder" 2>/dev/null
wait "$holder" 2>/dev/null

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
