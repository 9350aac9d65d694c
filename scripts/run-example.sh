#!/bin/bash
# README command (a): set up, build, lay out dist/ and run the programs on the bundled example.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD_DIR=${BUILD_DIR:-$ROOT/build}
export BUILD_DIR
DIST=$ROOT/dist

bash "$ROOT/scripts/setup.sh"
bash "$ROOT/scripts/build.sh"

rm -rf "$DIST"
mkdir -p "$DIST"
cp "$BUILD_DIR/bin/vornrun.exe" "$BUILD_DIR/bin/peltacfg.exe" "$DIST/"

source "$ROOT/scripts/wine-env.sh"
trap wine_env_stop EXIT
wine_env_start "$BUILD_DIR"

cd "$DIST"
set +e
"$WINE" vornrun.exe; echo "vornrun.exe (no script) exit code: $?"
set -e
echo "dist/ holds: $(ls "$DIST" | tr '\n' ' ')"
