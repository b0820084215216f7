#!/usr/bin/env bash
# The manual pages: groff reads both without a warning, vdtool's page carries every line of
# every command's --help, and each help text's example of a country (e.g. Germany, code:49
# or index:15) names one country three times.
#   man_pages_test.sh VDTOOL VDTOOL_PAGE VIEWDECK_PAGE
set -uo pipefail
vdtool=$1
vdtool_page=$2
viewdeck_page=$3
status=0
fail() { echo "FAIL: $*"; status=1; }

for page in "$vdtool_page" "$viewdeck_page"; do
  warnings=$(groff -man -Tutf8 -ww -z "$page" 2>&1)
  [ -z "$warnings" ] || fail "groff warns about $page: $warnings"
done

rendered=$(groff -man -Tutf8 -rLL=200n -P-cbou "$vdtool_page" 2>/dev/null | sed 's/^ *//; s/ *$//')
commands=$("$vdtool" --help | awk '/^Commands:/ { on = 1; next } on && /^  [a-z]/ { print $1 }')
[ "$(wc -w <<<"$commands")" -ge 10 ] || fail "vdtool --help lists only: $commands"
lines=0
for command in $commands; do
  grep -qx "$command" <<<"$rendered" || fail "the page has no section for $command"
  help=$("$vdtool" "$command" --help) || fail "vdtool $command --help failed"
  while IFS= read -r line; do
    line=$(sed 's/^ *//; s/ *$//' <<<"$line")
    [ -z "$line" ] && continue
    lines=$((lines + 1))
    grep -qxF -- "$line" <<<"$rendered" || fail "the page lacks the line of '$command --help': $line"
  done <<<"$help"
  # The heading 'vdtool plan' prints names the country a word of the example means.
  while read -r name code index; do
    for word in "$name" "code:$code" "index:$index"; do
      heading=$("$vdtool" plan "$word" cable | head -1)
      [[ "$heading" == "# $name (code $code), cable"* ]] ||
        fail "'$command --help' gives $word for $name: vdtool plan says '$heading'"
    done
  done < <(tr '\n' ' ' <<<"$help" | grep -oE 'e\.g\. [A-Z][a-z]+, +code:[0-9]+ +or +index:[0-9]+' |
           sed -E 's/e\.g\. ([A-Za-z]+), +code:([0-9]+) +or +index:([0-9]+)/\1 \2 \3/')
done
echo "checked $lines help lines of $(wc -w <<<"$commands") commands"
exit $status
