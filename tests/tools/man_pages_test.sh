#!/usr/bin/env bash
# The manual pages: groff reads both without a warning, vdtool's page carries every line of
# every command's --help, each help text's example of a country (e.g. Germany, code:49 or
# index:15) names one country three times, and viewdeck's page describes every environment
# variable the README tells users of.
#   man_pages_test.sh VDTOOL VDTOOL_PAGE VIEWDECK_PAGE README
set -uo pipefail
vdtool=$1
vdtool_page=$2
viewdeck_page=$3
readme=$4
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

# A variable is a code span that is its name, sets it (NAME=...) or expands it ($NAME...).
# Fenced examples are not prose, and the make targets' section is for developers.
variables=$(awk '/^```/ { fenced = !fenced; next }
                 /^## / { developers = ($0 == "## Other make targets") }
                 !fenced && !developers' "$readme" |
            grep -oE '`\$?[A-Z][A-Z0-9_]*([=/`]|$)' | grep -oE '[A-Z][A-Z0-9_]*' | sort -u)
[ "$(wc -w <<<"$variables")" -ge 5 ] || fail "the README names only these variables: $variables"
environment=$(groff -man -Tutf8 -rLL=200n -P-cbou "$viewdeck_page" 2>/dev/null |
              awk '/^[A-Z]/ { on = ($0 == "ENVIRONMENT"); next } on')
for variable in $variables; do
  grep -qE "^ +$variable( |$)" <<<"$environment" ||
    fail "viewdeck.1's ENVIRONMENT lacks $variable, which the README documents"
done
echo "checked $(wc -w <<<"$variables") variables of the README"
exit $status
