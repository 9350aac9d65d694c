#!/bin/bash
# README command (c): set up, build, and run the whole benchmark under Wine
# and Xvfb, printing the table (figure, ours, the reference, ratio, target).
# Each figure is measured side by side with its reference in this one run.
#   scripts/bench.sh [part...]   parts: catalogue apply datafile text search find startup check report
#   PW_BENCH_ROUNDS=n            rounds per comparison (default 5)
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD_DIR=${BUILD_DIR:-$ROOT/build}
export BUILD_DIR

bash "$ROOT/scripts/setup.sh"
bash "$ROOT/scripts/build.sh"

source "$ROOT/scripts/wine-env.sh"
trap wine_env_stop EXIT
wine_env_start "$BUILD_DIR"

echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//'), load $(cut -d' ' -f1-3 /proc/loadavg)"
echo "wine: $("$WINE" --version 2>/dev/null || echo unknown)"
cd "$BUILD_DIR/bin"
"$WINE" pw_bench.exe "$@"
