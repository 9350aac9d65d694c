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

run() {
  "$@" 2>&1 | tee "$out"
  return "${PIPESTATUS[0]}"
}

run "$@"; rc=$?
if [ "$rc" -ne 0 ] && ! grep -q '^\[==========\] Running' "$out"; then
  echo "wine-test: $name did not start under Wine (exit $rc); running it once more"
  echo "$name (exit $rc)" >> "${PW_WINE_RETRIES:-wine-retries.txt}"
  run "$@"; rc=$?
fi
exit "$rc"
