#!/usr/bin/env bash
# A long fuzzing campaign on demand: every harness (or those named) for the given number of
# minutes each, one after the other, on the growing corpus in build-fuzz/corpus/:
#   scripts/fuzz-campaign.sh [minutes per harness (default 30)] [harness ...]
# Findings land in build-fuzz/findings/<harness>/; add each to tests/fuzz/regressions/<harness>/
# with a test once it is fixed.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
minutes=${1:-30}
shift || true
exec "$here/scripts/fuzz.sh" $((minutes * 60)) "$@"
