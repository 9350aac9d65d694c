#!/bin/bash
# Configures and builds everything (programs and tests) into BUILD_DIR (default: build).
# PW_BUILD_TARGETS (blank-separated) builds only those targets.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD_DIR=${BUILD_DIR:-$ROOT/build}
cmake -S "$ROOT" -B "$BUILD_DIR" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-mingw64.cmake" \
      -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
targets=()
for t in ${PW_BUILD_TARGETS:-}; do targets+=(--target "$t"); done
cmake --build "$BUILD_DIR" -j"$(nproc)" "${targets[@]}"
