#!/bin/bash
# The fleet report as a reader sees it. report_tests (under Wine) makes a fleet
# with peltacfg, checks report.csv cell by cell and keeps report.html here; the
# page is then rendered by headless Chromium and checked from the rendered DOM:
# the counts at the top, one row per PC with its state, the failures by item
# and code, text from the files escaped, and the filter by state (script).
#   report_page.sh WINE_TEST_SH WINE REPORT_TESTS_EXE
# PW_REPORT_SHOT=file.png also saves a screenshot of the page (the picture in
# docs/images/fleet-report.png is made this way).
set -uo pipefail
wine_test=$1; wine=$2; exe=$3
page=$(mktemp -d "${TMPDIR:-/tmp}/report-page.XXXXXX")
trap 'rm -rf "$page"' EXIT

PW_REPORT_PAGE_DIR="Z:$(printf %s "$page" | tr / '\\')" bash "$wine_test" report_tests "$wine" "$exe" || exit 1
[ -f "$page/report.html" ] || { echo "FAIL report_tests kept no report.html"; exit 1; }

render() {
  chromium --headless --no-sandbox --disable-gpu --dump-dom "file://$page/report.html$1" 2>/dev/null
}
dom=$(render "")
[ -n "$dom" ] || { echo "FAIL chromium rendered nothing"; exit 1; }
fail=0
check() { # description, then a command that must succeed
  local what=$1; shift
  if "$@"; then echo "ok   $what"; else echo "FAIL $what"; fail=1; fi
}
has() { grep -qF -- "$1" <<<"$dom"; }
rows() { grep -oE '<tr class="pc st-[a-z]+"[^>]*>' <<<"$1"; }

# Each count at the top equals the rows of that state, and both are as made.
for expected in done=1 failed=2 restart=1 partial=1 notrun=3 unreadable=1 unregistered=1; do
  key=${expected%=*}; n=${expected#*=}
  shown=$(grep -oE "id=\"count-$key\">[0-9]+<" <<<"$dom" | grep -oE '[0-9]+')
  counted=$(rows "$dom" | grep -c "st-$key\"")
  check "$key: count $shown, rows $counted, expected $n" [ "$shown" = "$n" -a "$counted" = "$n" ]
done
check "10 rows in all" [ "$(rows "$dom" | wc -l)" = 10 ]
check "state words in the rows" has '<td class="state" data-v="1">失敗</td>'
check "failures grouped by item and code" has '<li>項目 install: 1603 — 1台</li>'
check "the serial with a comma, a quote and Japanese" has '<td>東京,"07"</td>'
check "text from the files escaped" has '<td>M &lt;1&gt;</td>'
check "failing log lines on demand" grep -qE '<details><summary>ログ</summary><pre>[0-9/: ]+install - Install' <<<"$dom"
check "the script ran (hint shown)" grep -qE '<p class="hint" id="hint">' <<<"$dom"

# The filter by state: the page opened at #st-failed shows only the failed PCs.
filtered=$(render "#st-failed")
visible=$(rows "$filtered" | grep -v hidden)
check "filter #st-failed shows the 2 failed PCs only" [ "$(grep -c 'st-failed"' <<<"$visible")" = 2 -a "$(wc -l <<<"$visible")" = 2 ]

# Nothing from outside the page: no external script, style, image or link.
check "self-contained" bash -c '! grep -qiE "(src|href)=\"(https?:|//|[a-z0-9_./-]+\.(js|css|png))" "$0"' "$page/report.html"
if [ -n "${PW_REPORT_SHOT:-}" ]; then
  chromium --headless --no-sandbox --disable-gpu --hide-scrollbars --window-size=1280,900 \
    --screenshot="$PW_REPORT_SHOT" "file://$page/report.html" >/dev/null 2>&1
fi
exit $fail
