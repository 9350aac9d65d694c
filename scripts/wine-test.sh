#!/bin/bash
# Runs one test executable under Wine for ctest: wine-test.sh NAME WINE EXE [ARGS...]
# A loaded machine now and then fails to start a Wine process at all; such a
# run printed nothing of GoogleTest's and says nothing about our code. Only
# that case is run once more, and its name is written to
# $PW_WINE_RETRIES (default: wine-retries.txt in the current folder) so the
# caller can say which executables needed it. A test that started and failed
# fails at once.
set -uo pipefail
name=$1; shift
out=$(mktemp)
trap 'rm -f "$out"' EXIT

# The test's output goes to a file that is followed until the test ends, not
# through a pipe: every Wine process it starts inherits its standard error, the
# desktop process among them, which outlives the test by seconds or, on a busy
# machine, much longer. Reading a pipe to its end would wait for all of them
# (ctest then reported a finished, passed test as timed out).
run() {
  "$@" >"$out" 2>&1 &
  local pid=$! rc
  tail -n +1 -f --pid="$pid" "$out" &
  local follower=$!
  wait "$pid"; rc=$?
  wait "$follower"
  return "$rc"
}

run "$@"; rc=$?
if [ "$rc" -ne 0 ] && ! grep -q '^\[==========\] Running' "$out"; then
  echo "wine-test: $name did not start under Wine (exit $rc); running it once more"
  echo "$name (exit $rc)" >> "${PW_WINE_RETRIES:-wine-retries.txt}"
  run "$@"; rc=$?
fi
exit "$rc"
