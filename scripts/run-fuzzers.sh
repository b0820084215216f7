#!/usr/bin/env bash
# Runs each libFuzzer target for a bounded time over its corpus in tests/data/fuzz/<name>.
set -euo pipefail
build=${1:-build/fuzz}
seconds=${2:-20}
root=$(cd "$(dirname "$0")/.." && pwd)
shopt -s nullglob
ran=0
for f in "$build"/bin/fuzz_*; do
  name=$(basename "$f")
  corpus="$root/tests/data/fuzz/${name#fuzz_}"
  work=$(mktemp -d)
  seeds=()
  [ -d "$corpus" ] && seeds+=("$corpus")
  echo "fuzz: $name for ${seconds}s"
  log="$work.log"
  status=0
  "$f" -max_total_time="$seconds" -print_final_stats=1 "$work" "${seeds[@]}" >"$log" 2>&1 || status=$?
  grep -E '^(stat::number_of_executed_units|SUMMARY)' "$log" || true
  if [ "$status" -ne 0 ]; then tail -n 40 "$log"; fi
  rm -f "$log"
  rm -rf "$work"
  if [ "$status" -ne 0 ]; then echo "fuzz: $name failed"; exit 1; fi
  ran=$((ran + 1))
done
echo "fuzz: $ran targets ran clean"
