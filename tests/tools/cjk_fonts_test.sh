#!/usr/bin/env bash
# The Chinese and Japanese country names need a font with their glyphs, or they show as
# empty boxes: fontconfig must know one for each language, and one that has every character
# of those names (taken from vdtool, so the check follows the table).
#   cjk_fonts_test.sh VDTOOL
set -euo pipefail
vdtool=$1
status=0
for lang in ja zh-tw zh-cn; do
  found=$(fc-list ":lang=$lang" family | head -1)
  if [ -z "$found" ]; then
    echo "no font for :lang=$lang (scripts/setup-deps.sh installs one)"
    status=1
  else
    echo ":lang=$lang: $found"
  fi
done
# Every character of the table's names from the CJK blocks on (U+2E80), in hexadecimal.
chars=$("$vdtool" countries --all | python3 -c '
import sys
print(" ".join(sorted({"%x" % ord(c) for c in sys.stdin.read() if ord(c) >= 0x2E80})))')
count=$(wc -w <<<"$chars")
[ "$count" -gt 100 ] || { echo "vdtool countries --all gave only $count CJK characters"; exit 1; }
covering=$(fc-list ":charset=$chars" family | head -1)
if [ -z "$covering" ]; then
  echo "no font has all $count CJK characters of the country names"
  status=1
else
  echo "all $count CJK characters of the country names: $covering"
fi
exit $status
