#!/bin/bash
# Lays out the distribution folder (dist/ and the zip are made from it):
#   bash scripts/dist-layout.sh BIN_DIR DEST
# BIN_DIR holds the built programs; DEST is replaced.
#
# The root is an empty kit: the programs, config.ini, a catalogue that only
# reads the serial number, an empty site catalogue, an inventory list of
# comments only, empty data\ log\ appleid\ folders, README.txt and the docs.
# Started from there, peltacfg can only say "未登録のPCです": nothing is applied
# by accident. The example kit and the vornrun example scripts travel under
# examples\; the kit there is ready to be copied over the root.
#
# Sourced, it only defines DIST_PROGRAMS and layout_dist.

# Every program that dist/ ships (CMake targets, each building <name>.exe).
DIST_PROGRAMS="peltacfg peltacheck vornrun vornfind"

# Text for Windows: CR LF line ends; the encoding is chosen by the caller.
crlf() { sed 's/\r\?$/\r/'; }

# One Markdown page as a standalone HTML page; links to .md pages point to their .html copies.
doc_html() {
  local page=$1 out=$2 title
  title=$(sed -n '1s/^# *//p' "$page")
  pandoc -f gfm -t html5 -s --metadata pagetitle="${title:-$(basename "$page" .md)}" "$page" |
    sed 's/\(href="[^":"]*\)\.md\([#"]\)/\1.html\2/g' >"$out"
}

layout_dist() {
  local bin=$1 dest=$2
  local root
  root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
  rm -rf "$dest"
  mkdir -p "$dest/data" "$dest/log" "$dest/appleid" "$dest/docs" "$dest/examples/kit" "$dest/examples/agent"

  local program
  for program in $DIST_PROGRAMS; do
    cp "$bin/$program.exe" "$dest/"
  done
  cp "$root/examples/agent/config.ini" "$dest/"
  # The empty kit: catalogues in UTF-8 (their XML declaration says so),
  # the inventory list in the ANSI code page like every list peltacfg reads.
  cp "$root/examples/empty-kit/methods.xml" "$root/examples/empty-kit/usersmethods.xml" "$dest/"
  iconv -f UTF-8 -t CP932 "$root/examples/empty-kit/inventory" | crlf >"$dest/inventory"
  # README.txt: UTF-8 with a byte-order mark and CR LF, so that Notepad shows the Japanese text.
  { printf '\xef\xbb\xbf'; crlf <"$root/examples/empty-kit/README.txt"; } >"$dest/README.txt"

  cp -r "$root/examples/kit/." "$dest/examples/kit/"
  rm -f "$dest/examples/kit/log/.keep"
  # vornrun reads its scripts in the ANSI code page: Shift-JIS with CR LF.
  local script
  for script in "$root"/examples/agent/*.txt; do
    iconv -f UTF-8 -t CP932 "$script" | crlf >"$dest/examples/agent/$(basename "$script")"
  done
  cp "$root/examples/agent/config.ini" "$dest/examples/agent/"

  cp -r "$root/docs/." "$dest/docs/"
  local page
  for page in "$root"/docs/*.md; do
    doc_html "$page" "$dest/docs/$(basename "$page" .md).html"
  done
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  set -euo pipefail
  if [ $# -ne 2 ]; then
    echo "usage: $0 BIN_DIR DEST" >&2
    exit 2
  fi
  layout_dist "$1" "$2"
fi
