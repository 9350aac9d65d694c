#!/bin/bash
# The HTML docs of a laid-out distribution as a reader sees them: every page
# (docs\*.html and docs\ja\*.html) is opened in headless Chromium, and in the
# rendered page every image must have loaded, every local link must reach an
# existing file (and its #anchor an element of that page), no link may lead to
# a Markdown page, the page must link to itself in the other language, and it
# must show its own title and, for a Japanese page, Japanese text.
#   bash tests/dist/html_docs_check.sh DIST_FOLDER
set -euo pipefail
DIST=$(cd "${1:?usage: $0 DIST_FOLDER}" && pwd)
CHROMIUM=${CHROMIUM:-chromium}
command -v "$CHROMIUM" >/dev/null || { echo "html docs: $CHROMIUM is missing (scripts/setup.sh installs it)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Each page in a frame of one checking page; file access from file pages lets
# the checking page read the frames and fetch the link targets.
pages=()
while IFS= read -r page; do pages+=("$page"); done < <(cd "$DIST" && find docs -name '*.html' | LC_ALL=C sort)
[ ${#pages[@]} -gt 0 ] || { echo "html docs: no HTML page under $DIST/docs" >&2; exit 1; }

{
  echo '<!DOCTYPE html><html><head><meta charset="utf-8"></head><body><pre id="result"></pre>'
  for page in "${pages[@]}"; do
    # The title each page must show: the first heading of its Markdown source.
    title=$(sed -n '1s/^# *//p' "$DIST/${page%.html}.md" | sed 's/`//g; s/&/\&amp;/g; s/"/\&quot;/g; s/</\&lt;/g')
    lang=en
    case $page in docs/ja/*) lang=ja ;; esac
    printf '<iframe src="file://%s/%s" data-page="%s" data-title="%s" data-lang="%s"></iframe>\n' \
      "$DIST" "$page" "$page" "$title" "$lang"
  done
  cat <<'EOF'
<script>
function exists(url) {
  const request = new XMLHttpRequest();
  try {
    request.open('GET', url, false);
    request.send();
    return request.responseText;
  } catch (e) {
    return null;
  }
}
function check(frame) {
  const problems = [];
  const doc = frame.contentDocument;
  if (!doc || !doc.body) return ['the page did not load'];
  const heading = doc.querySelector('h1');
  const shown = heading ? heading.innerText.trim() : '';
  if (shown !== frame.dataset.title) problems.push('title shown "' + shown + '", expected "' + frame.dataset.title + '"');
  if (doc.documentElement.lang !== frame.dataset.lang) problems.push('lang is "' + doc.documentElement.lang + '"');
  const japanese = (doc.body.innerText.match(/[\u3041-\u30ff\u4e00-\u9fff]/g) || []).length;
  if (frame.dataset.lang === 'ja' && japanese < 100) problems.push('only ' + japanese + ' Japanese characters shown');
  // Each page links to the same page in the other language.
  const other = frame.dataset.lang === 'ja' ? frame.dataset.page.replace('docs/ja/', 'docs/')
                                            : frame.dataset.page.replace('docs/', 'docs/ja/');
  if (![...doc.querySelectorAll('a[href]')].some(link => link.href.endsWith('/' + other)))
    problems.push('no link to ' + other);
  for (const image of doc.images)
    if (!image.complete || image.naturalWidth === 0) problems.push('image not shown: ' + image.getAttribute('src'));
  for (const link of doc.querySelectorAll('a[href]')) {
    const href = link.getAttribute('href');
    if (/^[a-z]+:/i.test(href)) continue;  // outside the docs
    const target = new URL(href, doc.baseURI);
    if (/\.md$/i.test(target.pathname)) { problems.push('link to a Markdown page: ' + href); continue; }
    const fragment = decodeURIComponent(target.hash.slice(1));
    target.hash = '';
    let text = target.href === doc.baseURI.split('#')[0] ? doc.documentElement.outerHTML : exists(target.href);
    if (text === null) { problems.push('broken link: ' + href); continue; }
    if (fragment) {
      const page = new DOMParser().parseFromString(text, 'text/html');
      if (!page.getElementById(fragment)) problems.push('no anchor #' + fragment + ' for link ' + href);
    }
  }
  return problems;
}
window.addEventListener('load', () => {
  const lines = [];
  for (const frame of document.querySelectorAll('iframe')) {
    const problems = check(frame);
    const links = frame.contentDocument ? frame.contentDocument.querySelectorAll('a[href]').length : 0;
    const images = frame.contentDocument ? frame.contentDocument.images.length : 0;
    if (problems.length === 0)
      lines.push('OK   ' + frame.dataset.page + ' (' + links + ' links, ' + images + ' images)');
    for (const problem of problems) lines.push('FAIL ' + frame.dataset.page + ': ' + problem);
  }
  document.getElementById('result').textContent = lines.join('\n') + '\nDONE';
});
</script></body></html>
EOF
} >"$work/check.html"

"$CHROMIUM" --headless --no-sandbox --disable-gpu --allow-file-access-from-files \
  --user-data-dir="$work/profile" --dump-dom "file://$work/check.html" \
  2>"$work/chromium.log" >"$work/dom.html" || true
python3 - "$work/dom.html" >"$work/result.txt" <<'EOF'
import html, re, sys
dom = open(sys.argv[1], encoding='utf-8').read()
match = re.search(r'<pre id="result">(.*?)</pre>', dom, re.S)
print(html.unescape(match.group(1)) if match else '')
EOF
cat "$work/result.txt"
if ! grep -q '^DONE$' "$work/result.txt"; then
  echo "html docs: Chromium did not finish the check" >&2
  tail -n 20 "$work/chromium.log" >&2
  exit 1
fi
pages_ok=$(grep -c '^OK ' "$work/result.txt" || true)
if grep -q '^FAIL ' "$work/result.txt" || [ "$pages_ok" != ${#pages[@]} ]; then
  echo "html docs: $pages_ok of ${#pages[@]} pages whole" >&2
  exit 1
fi
echo "html docs: all ${#pages[@]} pages render with their images, links and text"
