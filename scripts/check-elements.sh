#!/usr/bin/env bash
# Fails when a GStreamer element viewdeck creates is not installed ("GStreamer element X is
# missing: install PACKAGE"), or when code creates an element past the element table
# (common/gst/include/vd/gst_elements.h), where neither this check nor the programs'
# start-up check would see it.
#   scripts/check-elements.sh [BUILD_DIR]   (default build/default)
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-build/default}

fail() { echo "check-elements: $*" >&2; exit 1; }

# The product's sources only: tests and benchmarks build their own test pipelines.
raw=$(cd "$src" && grep -rnE 'gst_element_factory_(make|create)|gst_parse_(launch|bin_from_description)' \
        common device viewer parser teletext tools modules --include='*.cpp' --include='*.h' --include='*.c' |
        grep -v '^common/gst/' || true)
[ -z "$raw" ] || fail "elements created past the element table (use vd::MakeElement or vd::ParseLaunch):
$raw"

"$build/bin/vdtool" elements >/dev/null || fail "install the packages named above (scripts/setup-deps.sh does)"
echo "check-elements: every GStreamer element is installed ($(grep -c '^    {"' "$src/common/gst/include/vd/gst_elements.h") listed)"
