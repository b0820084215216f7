#!/usr/bin/env bash
# Runs every benchmark; each prints its figures as ratios against a baseline of the same run.
set -euo pipefail
build=${1:-build/default}
shopt -s nullglob
for b in "$build"/bin/bench_*; do
  echo "== $(basename "$b")"
  "$b"
done
