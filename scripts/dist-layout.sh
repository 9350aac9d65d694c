#!/bin/bash
# Lays out the distribution folder (dist/ and the zip are made from it):
#   bash scripts/dist-layout.sh BIN_DIR DEST
# BIN_DIR holds the built programs; DEST is replaced.
#
# The root is an empty kit: the programs, config.ini, a catalogue that only
# reads the serial number, an empty site catalogue, an inventory list of
# comments only, empty data\ log\ appleid\ folders, README.txt and the docs
# (English and Japanese, Markdown and HTML), and SHA256SUMS.txt over all of it.
# Started from there, peltacfg can only say "未登録のPCです": nothing is applied
# by accident. The example kit and the vornrun example scripts travel under
# examples\; the kit there is ready to be copied over the root. Only what an
# administrator uses travels: the programs without debug information, no
# scripts for the test program, no developer pages.
#
# Sourced, it only defines DIST_PROGRAMS and layout_dist.

# Every program that dist/ ships (CMake targets, each building <name>.exe).
DIST_PROGRAMS="peltacfg peltacheck vornrun vornfind"

# Pages for the developers of this project, kept in the repository only.
DIST_DEVELOPER_PAGES="benchmarks reliability developers"

# The project's version, as CMake gives it to the version resources.
dist_version() {
  local root
  root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
  sed -n 's/^project(.*VERSION \([0-9][0-9.]*\).*/\1/p' "$root/CMakeLists.txt"
}

# Text for Windows: CR LF line ends; the encoding is chosen by the caller.
crlf() { sed 's/\r\?$/\r/'; }

# One Markdown page as a standalone HTML page in the given language; links to
# .md pages point to their .html copies. A line break between two Japanese
# characters joins them without the blank an English line break gives.
doc_html() {
  local page=$1 out=$2 lang=$3 title
  title=$(sed -n '1s/^# *//p' "$page")
  pandoc -f gfm+east_asian_line_breaks -t html5 -s --metadata pagetitle="${title:-$(basename "$page" .md)}" \
    -V lang="$lang" "$page" |
    sed 's/\(href="[^":"]*\)\.md\([#"]\)/\1.html\2/g' >"$out"
}

layout_dist() {
  local bin=$1 dest=$2
  local root
  root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
  rm -rf "$dest"
  mkdir -p "$dest/data" "$dest/log" "$dest/appleid" "$dest/docs" "$dest/examples/kit" "$dest/examples/agent"

  # The build keeps its debug information for the tests; the shipped copies
  # lose it (a few hundred KB each).
  local program
  for program in $DIST_PROGRAMS; do
    x86_64-w64-mingw32-strip --strip-all -o "$dest/$program.exe" "$bin/$program.exe"
  done
  cp "$root/examples/agent/config.ini" "$dest/"
  # The empty kit: catalogues in UTF-8 (their XML declaration says so),
  # the inventory list in the ANSI code page like every list peltacfg reads.
  cp "$root/examples/empty-kit/methods.xml" "$root/examples/empty-kit/usersmethods.xml" "$dest/"
  iconv -f UTF-8 -t CP932 "$root/examples/empty-kit/inventory" | crlf >"$dest/inventory"
  # README.txt: UTF-8 with a byte-order mark and CR LF, so that Notepad shows the Japanese text.
  { printf '\xef\xbb\xbf'; sed "s/{VERSION}/$(dist_version)/g" "$root/examples/empty-kit/README.txt" | crlf; } \
    >"$dest/README.txt"

  cp -r "$root/examples/kit/." "$dest/examples/kit/"
  rm -f "$dest/examples/kit/log/.keep"
  # vornrun reads its scripts in the ANSI code page: Shift-JIS with CR LF.
  # The target-*.txt scripts drive the tests' own program, which is not shipped.
  local script
  for script in "$root"/examples/agent/*.txt; do
    case $(basename "$script") in target-*) continue ;; esac
    iconv -f UTF-8 -t CP932 "$script" | crlf >"$dest/examples/agent/$(basename "$script")"
  done
  cp "$root/examples/agent/config.ini" "$dest/examples/agent/"

  # The docs: every administrator's page in English (docs\) and Japanese
  # (docs\ja\), each as Markdown and HTML, and the screenshots they show.
  cp -r "$root/docs/images" "$dest/docs/"
  mkdir -p "$dest/docs/ja"
  local page name
  for page in "$root"/docs/*.md "$root"/docs/ja/*.md; do
    [ -f "$page" ] || continue
    name=$(basename "$page" .md)
    case " $DIST_DEVELOPER_PAGES " in *" $name "*) continue ;; esac
    local folder=$dest/docs lang=en
    case $page in */docs/ja/*) folder=$dest/docs/ja lang=ja ;; esac
    cp "$page" "$folder/"
    doc_html "$page" "$folder/$name.html" "$lang"
  done

  # A checksum of every file, so that a copy on a stick or share can be checked
  # against the zip (sha256sum -c, or Get-FileHash on Windows).
  (cd "$dest" && find . -type f ! -name "SHA256SUMS.txt*" | sed 's|^\./||' | LC_ALL=C sort |
    xargs -d '\n' sha256sum) >"$dest/SHA256SUMS.txt.tmp"
  mv "$dest/SHA256SUMS.txt.tmp" "$dest/SHA256SUMS.txt"
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  set -euo pipefail
  if [ $# -ne 2 ]; then
    echo "usage: $0 BIN_DIR DEST" >&2
    exit 2
  fi
  layout_dist "$1" "$2"
fi
