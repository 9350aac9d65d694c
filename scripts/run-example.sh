#!/bin/bash
# README command (a): set up, build, lay out dist/ and its zip, then run the
# example under Wine and Xvfb: vornrun drives peltacfg through the example kit
# (with a restart in the middle) and a summary of what was applied is printed.
#   --layout-only   stop after dist/ and the zip
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD_DIR=${BUILD_DIR:-$ROOT/build}
export BUILD_DIR
DIST=$ROOT/dist
LAYOUT_ONLY=0
[ "${1:-}" = "--layout-only" ] && LAYOUT_ONLY=1
started=$(date +%s)
source "$ROOT/scripts/dist-layout.sh"
VERSION=$(dist_version)
ZIP=$ROOT/peltawin-$VERSION.zip
# Beside the zip, its own checksum; inside it, dist/SHA256SUMS.txt for every file.
ZIP_SUMS=$ROOT/SHA256SUMS.txt

bash "$ROOT/scripts/setup.sh"
# Only what dist/ and the demo need; the tests are built by scripts/test.sh.
echo "build: $DIST_PROGRAMS and the demo's shutdown.exe stand-in (about 5 minutes on 2 cores the first time)"
PW_BUILD_TARGETS="$DIST_PROGRAMS stub_shutdown" bash "$ROOT/scripts/build.sh"

# ---- dist/: an empty kit at the root, the example and the docs beside it ----
layout_dist "$BUILD_DIR/bin" "$DIST"
rm -f "$ZIP" "$ZIP_SUMS"
(cd "$DIST" && zip -qr "$ZIP" .)
(cd "$(dirname "$ZIP")" && sha256sum "$(basename "$ZIP")") >"$ZIP_SUMS"
echo "dist: $DIST (the root is an empty kit; the example kit is in examples/kit)"
echo "zip:  $ZIP"
echo "sums: $ZIP_SUMS (the zip's SHA-256; SHA256SUMS.txt inside the zip lists every file's)"
[ "$LAYOUT_ONLY" = 1 ] && exit 0

# ---- the demo: a copy of dist/ with the example kit copied over its root,
# in a Wine prefix of its own ----
EXAMPLE=$BUILD_DIR/example
DEMO=$EXAMPLE/kit
rm -rf "$DEMO"
mkdir -p "$EXAMPLE"
cp -r "$DIST" "$DEMO"
cp -r "$DIST/examples/kit/." "$DEMO/"
mkdir -p "$DEMO/scripts"
cp "$DIST"/examples/agent/*.txt "$DEMO/scripts/"
cp "$BUILD_DIR/bin/shutdown.exe" "$DEMO/"
# Wine's BIOS serial number is "0", a placeholder that peltacfg refuses as
# an identity (many PCs share it). The demo gets a number of its own: a
# SerialNumber read from a registry value written below, placed before the
# kit's (the first definition of a name wins).
DEMO_SERIAL=PELTAWIN-DEMO-0001
sed -i '0,/<Datas>/s//<Datas>\n  <!-- The demo'"'"'s own serial number: Wine reports the placeholder "0". -->\n  <Data><Name>SerialNumber<\/Name><Method type="Registry"><Root>HKLM<\/Root><Key>SOFTWARE\\PeltawinDemo<\/Key><Name>SerialNumber<\/Name><\/Method><\/Data>/' "$DEMO/methods.xml"
echo "demo: $DEMO"
echo "demo: shutdown.exe there is a stand-in that only writes its arguments to shutdown_args.txt;"
echo "      nothing restarts. dist/ and the zip do not contain it."

source "$ROOT/scripts/wine-env.sh"
trap wine_env_stop EXIT
wine_env_start "$EXAMPLE"

# Traces of an earlier demo would hide an item that did nothing this time.
rm -rf "$WINEPREFIX/drive_c/PeltawinKit"
for view in 32 64; do
  "$WINE" reg delete 'HKLM\SOFTWARE\PeltawinKit' /f /reg:$view >/dev/null 2>&1 || true
done
"$WINE" reg delete 'HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\Advanced' /v HideFileExt /f >/dev/null 2>&1 || true
"$WINE" reg add 'HKLM\SOFTWARE\PeltawinDemo' /v SerialNumber /d "$DEMO_SERIAL" /f /reg:64 >/dev/null
echo "demo: serial number $DEMO_SERIAL (HKLM\SOFTWARE\PeltawinDemo, read by the demo's first SerialNumber)"

cd "$DEMO"
show() { tr -d '\r' | iconv -f CP932 -t UTF-8 | sed 's/^/    /'; }

echo
echo "== run 1: vornrun scripts\\peltacfg.txt (the run stops at the reboot item) =="
"$WINE" vornrun.exe 'scripts\peltacfg.txt' >run1.txt 2>/dev/null &
vornrun_pid=$!
for _ in $(seq 1 300); do
  [ -f shutdown_args.txt ] && break
  kill -0 "$vornrun_pid" 2>/dev/null || break
  sleep 0.5
done
if [ ! -f shutdown_args.txt ]; then
  show <run1.txt
  echo "run 1: the reboot item was not reached" >&2
  exit 1
fi
# The "restart": every Windows program of the prefix ends, vornrun included,
# as it would on a real PC; the data file was saved before shutdown.exe ran.
wineserver -k
wait "$vornrun_pid" 2>/dev/null || true
show <run1.txt
echo "    shutdown.exe (the stand-in) was called with: $(tr -d '\r' <shutdown_args.txt | sed 's/^[^ ]* *//')"
echo "    restart simulated: every program of the prefix ended"
wineserver -p
"$WINE" cmd /c exit 0 >/dev/null 2>&1 || true

echo
echo "== run 2: after the restart, the same script continues after the reboot item =="
set +e
timeout 240 "$WINE" vornrun.exe 'scripts\peltacfg.txt' >run2.txt 2>/dev/null
code=$?
set -e
show <run2.txt
echo "    vornrun exit code: $code"
[ "$code" = 0 ] || { echo "run 2 failed" >&2; exit 1; }

DATA_FILE=$(ls data/*.xml | grep -v '/common\.xml$' | head -n 1)
# peltacfg marks the file done after the box is closed and before it ends.
for _ in $(seq 1 60); do
  grep -qi '<Done>true</Done>' "$DATA_FILE" && break
  sleep 0.5
done

echo
echo "== run 3: vornrun scripts\\peltacfg-status.txt (a finished PC only gets the status window) =="
set +e
timeout 120 "$WINE" vornrun.exe 'scripts\peltacfg-status.txt' >run3.txt 2>/dev/null
code3=$?
set -e
show <run3.txt
echo "    vornrun exit code: $code3"

# ---- summary ----
tag() { sed -n "s:.*<$1[^>]*>\(.*\)</$1>.*:\1:p" "$DATA_FILE" | head -n 1; }
items=$(grep -c '<Value ' "$DATA_FILE" || true)
progress=$(tag Progress)
progress_name=$(sed -n 's:.*<Progress name="\([^"]*\)".*:\1:p' "$DATA_FILE" | head -n 1)
done_flag=$(tag Done)
LOG_FILE=log/$(basename "$DATA_FILE" .xml).txt
reg_value() { "$WINE" reg query "$1" /v "$2" ${3:+/reg:$3} 2>/dev/null | tr -d '\r' | awk -v n="$2" '$1 == n { $1 = ""; $2 = ""; sub(/^ +/, ""); print }'; }
file_text() { [ -f "$WINEPREFIX/drive_c/PeltawinKit/$1" ] && tr -d '\r' <"$WINEPREFIX/drive_c/PeltawinKit/$1" | iconv -f CP932 -t UTF-8 | head -n 3 | paste -sd' ' || echo "(missing)"; }

echo
echo "================ summary ================"
echo "data file:      $DEMO/$DATA_FILE"
echo "items applied:  $((progress + 1)) of $items (Progress=$progress, last item \"$progress_name\"), Done=$done_flag"
echo "in the Wine prefix ($WINEPREFIX):"
echo "  HKLM\\SOFTWARE\\PeltawinKit\\Site Organization (64-bit) = $(reg_value 'HKLM\SOFTWARE\PeltawinKit\Site' Organization 64)"
echo "  HKLM\\SOFTWARE\\PeltawinKit Folder (64-bit)             = $(reg_value 'HKLM\SOFTWARE\PeltawinKit' Folder 64)"
echo "  HKLM\\SOFTWARE\\PeltawinKit LegacyFlag (32-bit)         = $(reg_value 'HKLM\SOFTWARE\PeltawinKit' LegacyFlag 32)"
echo "  HKLM\\SOFTWARE\\PeltawinKit Vendor (32-bit)             = $(reg_value 'HKLM\SOFTWARE\PeltawinKit' Vendor 32)"
echo "  HKCU\\...\\Explorer\\Advanced HideFileExt                = $(reg_value 'HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\Advanced' HideFileExt)"
echo "  HKLM\\SOFTWARE\\PeltawinKit\\Wmi Greeting (via WMI)      = $(reg_value 'HKLM\SOFTWARE\PeltawinKit\Wmi' Greeting 64)"
echo "  C:\\PeltawinKit\\settings.ini:  $(file_text settings.ini)"
echo "  C:\\PeltawinKit\\prepared.txt:  $(file_text prepared.txt)"
echo "  C:\\PeltawinKit\\console.txt:   $(file_text console.txt)"
echo "  C:\\PeltawinKit\\vbscript.txt:  $(file_text vbscript.txt)"
echo "  (PowerShell item: Wine's powershell.exe does nothing and exits 0, so it writes no file)"
echo "log, last lines ($DEMO/$LOG_FILE, Shift-JIS):"
tail -n 8 "$LOG_FILE" | show
echo "screenshots (vornrun SS, $DEMO/appleid):"
for bmp in appleid/*.bmp; do
  [ -f "$bmp" ] || continue
  convert "$bmp" "${bmp%.bmp}.png" 2>/dev/null || true
  echo "  $DEMO/$bmp"
done
echo "took $(( $(date +%s) - started )) s"
if [ "$done_flag" != "true" ] || [ "$code3" != 0 ]; then
  echo "the example did not complete" >&2
  exit 1
fi
