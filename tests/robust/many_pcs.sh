#!/bin/bash
# Many PCs, one share: COUNT simulated PCs, each a Wine prefix of its own with its own
# serial number and wineserver, run peltacfg at the same time from one shared kit folder
# whose common.xml every PC turns into a data file of its own. Afterwards each PC must
# have its own complete data file and log, and the shared files must be unchanged.
#   many_pcs.sh BIN_DIR COUNT        (ROBUST_PCS overrides COUNT)
# Needs the environment of scripts/test.sh: WINE, WINEPREFIX (an initialised prefix).
#
# What limits the count is the test machine, not peltacfg, and the script arranges
# for both limits it met:
# - Wine's start of a prefix (its wineserver, services and desktop process) costs
#   seconds of processor time, and the first program that needs a window waits at
#   most 10 s for the prefix's desktop process. Fifty prefixes starting at once on two
#   cores miss that by far, and then no window of that program can be created at all.
#   So the prefixes are started first, a few at a time (BOOT_WAVE), and stay up; the
#   PCs' programs then all start at the same moment on running prefixes.
# - Every Wine process with windows holds X connections (the desktop process of each
#   prefix several), more than the 256 an X server accepts by default at fifty PCs.
#   The PCs get a display of their own that accepts more.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
BIN=$(cd "$1" && pwd)
COUNT=${ROBUST_PCS:-$2}
ITEMS=20
BOOT_WAVE=${BOOT_WAVE:-4}
: "${WINE:?}" "${WINEPREFIX:?}"
BASE=$WINEPREFIX
source "$ROOT/scripts/wine-env.sh"

work=$(mktemp -d "${TMPDIR:-/tmp}/robust-pcs.XXXXXX")
pids=()
xvfb=""
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for p in "$work"/pc*; do
    [ -d "$p" ] && WINEPREFIX=$p wineserver -k >/dev/null 2>&1 || true
  done
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
  if [ -n "${PW_KEEP_TEMP:-}" ]; then echo "many PCs: kept $work"; else rm -rf "$work"; fi
}
trap cleanup EXIT
wine_env_xvfb -maxclients 1024
xvfb=$WINE_ENV_XVFB_PID
xfds() { find "/proc/$xvfb/fd" -mindepth 1 -maxdepth 1 2>/dev/null | wc -l; }
xbase=$(xfds) # the server's own descriptors; the rest are client connections

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

# Start every prefix with its desktop process and a program that keeps it up (see
# robust_pc_driver --desktop); the wineserver stays up (-p) until the end.
boot() {
  local p=$work/pc$1 ready=$work/ready$1 try keeper waited
  WINEPREFIX=$p wineserver -p
  for try in 1 2 3 4 5; do
    rm -f "$ready.no"
    WINEPREFIX=$p "$WINE" "$BIN/robust_pc_driver.exe" --desktop "$(winpath "$ready")" >/dev/null 2>>"$work/boot$1.txt" &
    keeper=$!
    for ((waited = 0; waited < 1500; waited++)); do
      [ -e "$ready" ] && return 0
      [ -e "$ready.no" ] && break
      kill -0 "$keeper" 2>/dev/null || break
      sleep 0.2
    done
    echo "try $try: no window yet" >>"$work/boot$1.txt"
  done
  return 1
}
booting=()
for ((n = 1; n <= COUNT; n++)); do
  id=$(printf %02d "$n")
  if ((${#booting[@]} >= BOOT_WAVE)); then
    wait "${booting[0]}" || true
    booting=("${booting[@]:1}")
  fi
  (boot "$id" || echo "PC-$id: its prefix cannot show windows: $(tail -3 "$work/boot$id.txt" | tr '\n' ' ')" >"$work/noboot$id") &
  booting+=($!)
  pids+=($!)
done
for pid in "${booting[@]}"; do wait "$pid" || true; done
pids=()
if ls "$work"/noboot* >/dev/null 2>&1; then
  cat "$work"/noboot*
  echo "many PCs: the test machine could not start every prefix; nothing of peltacfg was run"
  exit 1
fi
t2=$(date +%s.%N)

# While the PCs run: how many of this test's peltacfg processes run at once, and how
# many X connections the display holds, at most.
(
  most=0 xmost=0
  while :; do
    now=$(pgrep -fc "$(basename "$work").kit.peltacfg\.exe" || true)
    x=$(($(xfds) - xbase))
    ((now > most)) && most=$now
    ((x > xmost)) && xmost=$x
    echo "$most $xmost" >"$work/peak"
    sleep 0.5
  done
) &
sampler=$!
pids+=($sampler)

for ((n = 1; n <= COUNT; n++)); do
  id=$(printf %02d "$n")
  (
    WINEPREFIX=$work/pc$id timeout 900 "$WINE" "$BIN/robust_pc_driver.exe" "$(winpath "$kit")" "$ITEMS" \
      >"$work/out$id.txt" 2>"$work/err$id.txt" && rc=0 || rc=$?
    echo "$rc" >"$work/rc$id"
  ) &
  pids+=($!)
done
for pid in "${pids[@]}"; do [ "$pid" = "$sampler" ] || wait "$pid" || true; done
kill "$sampler" 2>/dev/null || true
pids=()
t3=$(date +%s.%N)
read -r peak xpeak <"$work/peak" || { peak=0; xpeak=0; }

fail=0
for ((n = 1; n <= COUNT; n++)); do
  id=$(printf %02d "$n")
  serial=PC-$id
  out=$(tr -d '\r' <"$work/out$id.txt" 2>/dev/null || true)
  if [ "$(cat "$work/rc$id" 2>/dev/null)" != 0 ] || [ "$out" != "PC $serial: OK" ]; then
    echo "FAIL $serial: driver said: $out (exit $(cat "$work/rc$id" 2>/dev/null))"
    sed -n '/winemenubuilder/!s/^/    wine: /p' "$work/err$id.txt" | head -5
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
# A PC that cannot show any window (here its program finds no X display) must not end
# without a word: peltacfg writes why in its log, with the system's error code.
log=$kit/log/$(printf PC-01 | sha1sum | cut -c1-40).txt
WINEPREFIX=$work/pc01 DISPLAY=nowhere timeout 120 "$WINE" "$kit/peltacfg.exe" >/dev/null 2>&1 || true
last=$(iconv -f CP932 -t UTF-8 "$log" 2>/dev/null | tail -n 1 | tr -d '\r')
case $last in
  *'|0|ウィンドウを表示できないため終了しました[0x'*']') ;;
  *) echo "FAIL PC-01 without a display: its log ends with: $last"; fail=1 ;;
esac

# Nothing may have been written through a hard link into the files the prefixes share.
shared_writes=$(find "$work"/pc*/drive_c/windows -type f -links +1 -newer "$work/copied" | wc -l)
[ "$shared_writes" = 0 ] || { echo "FAIL $shared_writes shared prefix files were written in place"; fail=1; }
cmp -s "$kit/data/common.xml" "$work/common.orig" || { echo "FAIL common.xml was changed"; fail=1; }
cmp -s "$kit/methods.xml" "$work/methods.orig" || { echo "FAIL methods.xml was changed"; fail=1; }
files=$(find "$kit/data" -name '*.xml' | wc -l)
logs=$(find "$kit/log" -type f | wc -l)
[ "$files" = $((COUNT + 1)) ] || { echo "FAIL $files files in data, expected $((COUNT + 1))"; fail=1; }
[ "$logs" = "$COUNT" ] || { echo "FAIL $logs log files, expected $COUNT"; fail=1; }

secs() { awk "BEGIN{printf \"%.1f\", $1}"; }
printf 'many PCs: %d PCs in parallel, %d items each; prefixes made in %s s and started in %s s (%d at a time); all runs done in %s s, at most %d peltacfg at once, at most %d X connections; %d data files, %d logs; %s\n' \
  "$COUNT" "$ITEMS" "$(secs "$t1 - $t0")" "$(secs "$t2 - $t1 - 1")" "$BOOT_WAVE" "$(secs "$t3 - $t2")" "$peak" "$xpeak" \
  "$((files - 1))" "$logs" "$([ $fail = 0 ] && echo 'nothing lost or mixed up' || echo FAILED)"
exit $fail
