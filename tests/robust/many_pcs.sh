#!/bin/bash
# Many PCs, one share: COUNT simulated PCs, each a Wine prefix of its own with its own
# serial number and wineserver, run peltacfg at the same time from one shared kit folder
# whose common.xml every PC turns into a data file of its own. Afterwards each PC must
# have its own complete data file and log, and the shared files must be unchanged.
#   many_pcs.sh BIN_DIR COUNT        (ROBUST_PCS overrides COUNT)
# Needs the environment of scripts/test.sh: WINE, WINEPREFIX (an initialised prefix), DISPLAY.
set -euo pipefail
BIN=$(cd "$1" && pwd)
COUNT=${ROBUST_PCS:-$2}
ITEMS=20
: "${WINE:?}" "${WINEPREFIX:?}" "${DISPLAY:?}"
BASE=$WINEPREFIX

work=$(mktemp -d "${TMPDIR:-/tmp}/robust-pcs.XXXXXX")
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for p in "$work"/pc*; do
    [ -d "$p" ] && WINEPREFIX=$p wineserver -k >/dev/null 2>&1 || true
  done
  rm -rf "$work"
}
trap cleanup EXIT

winpath() { printf 'Z:%s' "$1" | tr '/' '\\'; }

# The shared kit: the program, a catalogue whose serial number comes from each PC's
# registry, and a common template of ITEMS registry settings.
kit=$work/kit
mkdir -p "$kit/data" "$kit/log"
cp "$BIN/peltacfg.exe" "$kit/"
{
  printf '<?xml version="1.0" encoding="UTF-8"?>\r\n<Datas>\r\n'
  printf '<Data><Name>SerialNumber</Name><Method type="Registry"><Root>HKCU</Root><Key>Software\\PeltawinTest\\App</Key><Name>Serial</Name></Method></Data>\r\n'
  for ((i = 0; i < ITEMS; i++)); do
    printf '<Data><Name>Put%d</Name><Set type="Registry"><Root>HKCU</Root><Key>Software\\PeltawinTest\\Pcs</Key><Name>item%d</Name><Type>REG_SZ</Type></Set></Data>\r\n' "$i" "$i"
  done
  printf '</Datas>\r\n'
} >"$kit/methods.xml"
{
  printf '<?xml version="1.0" encoding="UTF-8"?>\r\n<Data><Serial>template</Serial><Common>true</Common><Inventory/><Values>\r\n'
  for ((i = 0; i < ITEMS; i++)); do
    printf '<Value Name="item%d" Method="Put%d">v%d</Value>\r\n' "$i" "$i" "$i"
  done
  printf '</Values></Data>\r\n'
} >"$kit/data/common.xml"
cp "$kit/data/common.xml" "$work/common.orig"
cp "$kit/methods.xml" "$work/methods.orig"

# The prefixes: the bulk of a prefix (the Windows folder, ~700 MB) is hard-linked; the
# registry files, the user profile and everything else are real copies, so that nothing
# one PC writes can reach another through a shared file.
t0=$(date +%s.%N)
for ((n = 1; n <= COUNT; n++)); do
  p=$work/pc$(printf %02d "$n")
  mkdir -p "$p/drive_c"
  for entry in "$BASE"/* "$BASE"/.update-timestamp; do
    name=$(basename "$entry")
    [ "$name" = drive_c ] && continue
    cp -a "$entry" "$p/"
  done
  for entry in "$BASE"/drive_c/*; do
    name=$(basename "$entry")
    if [ "$name" = windows ]; then
      cp -al "$entry" "$p/drive_c/"
      # Files that programs may rewrite in place are copied for real.
      find "$p/drive_c/windows" -maxdepth 1 -type f -name '*.ini' -exec sh -c 'cp --remove-destination "$0" "$0.x" && mv "$0.x" "$0"' {} \;
    else
      cp -a "$entry" "$p/drive_c/"
    fi
  done
  printf '\n[Software\\\\PeltawinTest\\\\App] 1700000000\n"Serial"="PC-%02d"\n' "$n" >>"$p/user.reg"
done
touch "$work/copied"
t1=$(date +%s.%N)
sleep 1 # later writes must have a newer time stamp than the copy

for ((n = 1; n <= COUNT; n++)); do
  id=$(printf %02d "$n")
  (
    WINEPREFIX=$work/pc$id timeout 900 "$WINE" "$BIN/robust_pc_driver.exe" "$(winpath "$kit")" "$ITEMS" \
      >"$work/out$id.txt" 2>/dev/null
    echo $? >"$work/rc$id"
  ) &
  pids+=($!)
done
for pid in "${pids[@]}"; do wait "$pid" || true; done
pids=()
t2=$(date +%s.%N)

fail=0
for ((n = 1; n <= COUNT; n++)); do
  id=$(printf %02d "$n")
  serial=PC-$id
  out=$(tr -d '\r' <"$work/out$id.txt" 2>/dev/null || true)
  if [ "$(cat "$work/rc$id" 2>/dev/null)" != 0 ] || [ "$out" != "PC $serial: OK" ]; then
    echo "FAIL $serial: driver said: $out (exit $(cat "$work/rc$id" 2>/dev/null))"
    fail=1
    continue
  fi
  sha=$(printf %s "$serial" | sha1sum | cut -c1-40)
  data=$kit/data/$sha.xml
  log=$kit/log/$sha.txt
  if ! grep -q "<Serial>$serial</Serial>" "$data" 2>/dev/null; then
    echo "FAIL $serial: data file missing or holds another serial"; fail=1; continue
  fi
  grep -q '<Done>true</Done>' "$data" || { echo "FAIL $serial: data file not done"; fail=1; }
  grep -q "<Progress name=\"item$((ITEMS - 1))\">$((ITEMS - 1))</Progress>" "$data" ||
    { echo "FAIL $serial: progress is not the last item"; fail=1; }
  [ "$(grep -c '<Value ' "$data")" = "$ITEMS" ] || { echo "FAIL $serial: items lost"; fail=1; }
  grep -q "|SerialNumber: $serial" "$log" 2>/dev/null || { echo "FAIL $serial: log missing"; fail=1; continue; }
  if grep 'SerialNumber: ' "$log" | grep -vq "SerialNumber: $serial"; then
    echo "FAIL $serial: its log holds another PC's lines"; fail=1
  fi
  [ "$(grep -c '|OK' "$log")" = "$ITEMS" ] || { echo "FAIL $serial: log does not show every item"; fail=1; }
done
# Nothing may have been written through a hard link into the files the prefixes share.
shared_writes=$(find "$work"/pc*/drive_c/windows -type f -links +1 -newer "$work/copied" | wc -l)
[ "$shared_writes" = 0 ] || { echo "FAIL $shared_writes shared prefix files were written in place"; fail=1; }
cmp -s "$kit/data/common.xml" "$work/common.orig" || { echo "FAIL common.xml was changed"; fail=1; }
cmp -s "$kit/methods.xml" "$work/methods.orig" || { echo "FAIL methods.xml was changed"; fail=1; }
files=$(find "$kit/data" -name '*.xml' | wc -l)
logs=$(find "$kit/log" -type f | wc -l)
[ "$files" = $((COUNT + 1)) ] || { echo "FAIL $files files in data, expected $((COUNT + 1))"; fail=1; }
[ "$logs" = "$COUNT" ] || { echo "FAIL $logs log files, expected $COUNT"; fail=1; }

printf 'many PCs: %d PCs in parallel, %d items each; prefixes made in %.1f s, all runs done in %.1f s; %d data files, %d logs; %s\n' \
  "$COUNT" "$ITEMS" "$(awk "BEGIN{printf \"%.1f\", $t1 - $t0}")" "$(awk "BEGIN{printf \"%.1f\", $t2 - $t1 - 1}")" "$((files - 1))" "$logs" \
  "$([ $fail = 0 ] && echo 'nothing lost or mixed up' || echo FAILED)"
exit $fail
